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

// Opens `o` for writing without emptying it (created when missing) and takes
// its identity.
void open_unemptied(std::vector<Output>& outs, Output& o) {
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

// Refuses `o` (InputError, after undoing) when it is one of the files in
// `taken`; `outcome` tells what became of the run's files.
void refuse_shared(std::vector<Output>& outs, const Output& o, const std::vector<TakenFile>& taken,
                   const char* outcome) {
    if (o.device) return;
    for (const TakenFile& t : taken) {
        if (!(t.id == o.id)) continue;
        const std::string message =
            t.data ? "the " + std::string(o.role) + " " + quoted(o.path) + " is the data file " + quoted(t.path) +
                         " itself; writing it would destroy the data (" + outcome + ")"
                   : "the " + t.role + " " + quoted(t.path) + " and the " + o.role + " " + quoted(o.path) +
                         " are one file; each output needs a file of its own (" + outcome + ")";
        undo(outs);
        throw InputError(message);
    }
}

// Empties `o` once no clash is left.
void empty(std::vector<Output>& outs, Output& o) {
    if (o.regular && ::ftruncate(o.fd, 0) != 0) give_up(outs, o, "empty");
}

// Hands `o` to its channel.
void attach(std::vector<Output>& outs, Output& o) {
    std::FILE* f = ::fdopen(o.fd, "wb");
    if (f == nullptr) give_up(outs, o, "write");
    o.fd = -1;
    o.created = false;
    o.ch->attach_file(f, o.path);
}

} // namespace

std::vector<TakenFile> open_outputs(Io& io, const OutputNames& names, const std::string& data_name,
                                    const FileId& data) {
    std::vector<Output> outs;
    for (const Output& o : {Output{&io.report, names.report, "results file"},
                            Output{&io.msh, names.msh, "GiD mesh file"},
                            Output{&io.res, names.res, "GiD results file"},
                            Output{&io.log, names.log, "working log"},
                            Output{&io.valinf, names.valinf, "influence-value file"}})
        if (!o.path.empty()) outs.push_back(o);

    // Every output is opened before any is compared or emptied: a clash found
    // late still loses nothing.
    for (Output& o : outs) open_unemptied(outs, o);
    std::vector<TakenFile> taken{{data, data_name, "data file", true}};
    for (const Output& o : outs) {
        refuse_shared(outs, o, taken, "nothing was written");
        if (!o.device) taken.push_back({o.id, o.path, o.role, false});
    }
    for (Output& o : outs) empty(outs, o);
    for (Output& o : outs) attach(outs, o);
    return taken;
}

void open_output(Channel& ch, const std::string& path, const char* role, const std::vector<TakenFile>& taken) {
    std::vector<Output> outs{Output{&ch, path, role}};
    Output& o = outs.front();
    open_unemptied(outs, o);
    refuse_shared(outs, o, taken, "the run stops before writing it");
    empty(outs, o);
    attach(outs, o);
}

void close_outputs(Io& io) {
    // Closing order: MEMORIA, VALINF, report, mesh, results, then the console.
    // A failed flush or close has no return here: the run's failure action
    // has already ended it with status 4, naming the file.
    for (Channel* c : {&io.log, &io.valinf, &io.report, &io.msh, &io.res, &io.console}) c->close();
}

} // namespace qb
