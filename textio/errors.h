// What ends a run early. Every failure is a RunError that carries the exit
// status it ends the run with; the driver catches them in one place and
// writes the message as one line on standard error.
#pragma once

#include <stdexcept>
#include <string>

namespace qb {

struct RunError : std::runtime_error {
    RunError(int exit_status, const std::string& what, bool names_data_file = false)
        : std::runtime_error(what), status(exit_status), about_data(names_data_file) {}
    int status;
    // The message does not name the data file and reads after its name
    // ("case 2 (...): the coupled system is singular"); otherwise it stands
    // alone ("datos.dat:8: reading material 1: ...").
    bool about_data;
};

// Bad data: the message names file, line, the record being read and what was
// expected. Exit status 1.
struct InputError : RunError {
    explicit InputError(const std::string& what) : RunError(1, what) {}
};

// An output file that cannot be created, written or closed: the message names
// the file and the system's reason. Exit status 4.
struct OutputError : RunError {
    explicit OutputError(const std::string& what) : RunError(4, what) {}
};

// Exit statuses.
namespace exit_status {
constexpr int done = 0;
constexpr int bad_data = 1;
constexpr int no_solution = 2;    // singular, not finite, or not balanced
constexpr int memory = 3;
constexpr int output = 4;
constexpr int not_converged = 5;  // the run finished, but a case did not converge
} // namespace exit_status

} // namespace qb
