#include "driver/outputs.h"

#include <cerrno>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "textio/errors.h"

namespace qb {

namespace {

struct Output {
    Channel* ch;
    std::string path;
    const char* role;
    int fd = -1;
    bool created = false;
    bool device = false;   // a character device: sharing it loses nothing
    bool regular = false;
    FileId id{};
};

// Closes what was opened and removes the files this run created: a refused
// run leaves the folder as it found it.
void undo(std::vector<Output>& outs) {
    for (Output& o : outs) {
        if (o.fd >= 0) ::close(o.fd);
        o.fd = -1;
        if (o.created) ::unlink(o.path.c_str());
        o.created = false;
    }
}

std::string quoted(const std::string& s) { return "'" + s + "'"; }

// A system call on output `o` failed: the run's files are undone and the
// failure is told with errno's reason.
[[noreturn]] void give_up(std::vector<Output>& outs, const Output& o, const char* verb) {
    const int err = errno;
    const std::string message =
        "cannot " + std::string(verb) + " the " + o.role + " " + quoted(o.path) + ": " + system_reason(err);
    undo(outs);
    throw OutputError(message);
}

} // namespace

void open_outputs(Io& io, const OutputNames& names, const std::string& data_name, const FileId& data) {
    std::vector<Output> outs;
    for (const Output& o : {Output{&io.report, names.report, "results file"},
                            Output{&io.msh, names.msh, "GiD mesh file"},
                            Output{&io.res, names.res, "GiD results file"},
                            Output{&io.log, names.log, "working log"},
                            Output{&io.valinf, names.valinf, "influence-value file"}})
        if (!o.path.empty()) outs.push_back(o);

    for (Output& o : outs) {
        if (o.path.find('\0') != std::string::npos) {
            undo(outs);
            throw InputError("the name of the " + std::string(o.role) + " holds a NUL byte; no file has such a name");
        }
        o.fd = ::open(o.path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (o.fd >= 0) {
            o.created = true;
        } else if (errno == EEXIST) {
            o.fd = ::open(o.path.c_str(), O_WRONLY | O_CLOEXEC);
        }
        if (o.fd < 0) give_up(outs, o, "create");
        struct stat st {};
        if (::fstat(o.fd, &st) != 0) give_up(outs, o, "create");
        o.id = FileId{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
        o.device = S_ISCHR(st.st_mode);
        o.regular = S_ISREG(st.st_mode);
    }

    for (size_t i = 0; i < outs.size(); ++i) {
        const Output& a = outs[i];
        if (a.device) continue;
        if (a.id == data) {
            const std::string role = a.role;
            undo(outs);
            throw InputError("the " + role + " " + quoted(a.path) + " is the data file " + quoted(data_name) +
                             " itself; writing it would destroy the data (nothing was written)");
        }
        for (size_t k = 0; k < i; ++k) {
            const Output& b = outs[k];
            if (b.device || !(a.id == b.id)) continue;
            const std::string ra = a.role, rb = b.role, pa = a.path, pb = b.path;
            undo(outs);
            throw InputError("the " + rb + " " + quoted(pb) + " and the " + ra + " " + quoted(pa) +
                             " are one file; each output needs a file of its own (nothing was written)");
        }
    }

    // Every output is its own file: now they may be emptied.
    for (Output& o : outs)
        if (o.regular && ::ftruncate(o.fd, 0) != 0) give_up(outs, o, "empty");
    for (Output& o : outs) {
        std::FILE* f = ::fdopen(o.fd, "wb");
        if (f == nullptr) give_up(outs, o, "write");
        o.fd = -1;
        o.created = false;
        o.ch->attach_file(f, o.path);
    }
}

void close_outputs(Io& io) {
    // Closing order: MEMORIA, VALINF, report, mesh, results, then the console.
    // A failed flush or close has no return here: the run's failure action
    // has already ended it with status 4, naming the file.
    for (Channel* c : {&io.log, &io.valinf, &io.report, &io.msh, &io.res, &io.console}) c->close();
}

} // namespace qb
