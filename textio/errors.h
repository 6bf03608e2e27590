// Bad data: the run stops with this message (file, line, the record being
// read and what was expected are part of it) and exit status 1.
#pragma once

#include <stdexcept>

namespace qb {

struct InputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// An output file that cannot be created, written or closed: the message names
// the file and the system's reason, and the run ends with exit status 4.
struct OutputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

} // namespace qb
