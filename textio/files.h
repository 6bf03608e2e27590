// Files as the operating system sees them: identity (device and inode, so
// that two names of one file, "datos.dat" and "./datos.dat" or a link, are
// recognised) and the whole-file read of the data file.
#pragma once

#include <cstdint>
#include <string>

namespace qb {

struct FileId {
    uint64_t dev = 0, ino = 0;
    bool operator==(const FileId&) const = default;
};

// The system's text for errno `err` ("No such file or directory", ...).
std::string system_reason(int err);

// Reads the whole of a data file. Only a regular file is read: a folder
// would read as an empty file and a device such as /dev/zero would never
// end. Throws InputError naming the file and the reason. `id`, when given,
// receives the file's identity.
std::string read_regular_file(const std::string& path, FileId* id = nullptr);

} // namespace qb
