#include "textio/files.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "textio/errors.h"

namespace qb {

std::string system_reason(int err) { return std::strerror(err); }

std::string read_regular_file(const std::string& path, FileId* id) {
    if (path.find('\0') != std::string::npos)
        throw InputError("the data-file name holds a NUL byte; no file has such a name");
    // O_NONBLOCK: opening a named pipe must not wait for a writer; it is
    // refused below like any file that is not regular.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) throw InputError("cannot open the data file '" + path + "': " + system_reason(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        throw InputError("cannot open the data file '" + path + "': " + system_reason(err));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        const char* what = S_ISDIR(st.st_mode) ? "a folder" : "not a regular file (a device, a pipe or a socket)";
        throw InputError("the data file '" + path + "' is " + what + "; give the name of a data file");
    }
    if (id) *id = FileId{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
    std::string text;
    text.reserve(static_cast<size_t>(st.st_size));
    char buf[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            throw InputError("cannot read the data file '" + path + "': " + system_reason(err));
        }
        text.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return text;
}

} // namespace qb
