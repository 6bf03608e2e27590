// Names of the outputs: the folder they go into and the job they are named
// after.
#pragma once

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

} // namespace qb
