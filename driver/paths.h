// Names of the outputs: the folder they go into and the job they are named
// after.
#pragma once

#include <istream>
#include <string>

namespace qb {

// `name` inside the output folder `dir` (the working folder when empty); an
// absolute name stays as it is.
std::string output_path(const std::string& dir, const std::string& name);

// Creates the output folder `dir` and its parents when missing; throws
// OutputError when it cannot be made.
void make_output_folder(const std::string& dir);

// The data file's name without its folder and extension.
std::string data_stem(const std::string& data);

// A file name typed at the console: the whole line, trailing blanks dropped;
// throws InputError when none or an empty one is given. `what` names it in
// the message ("data-file", "results-file").
std::string read_console_name(std::istream& in, const char* what);

} // namespace qb
