#include "driver/output_plan.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <map>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "driver/paths.h"
#include "model/analysis.h"
#include "textio/errors.h"
#include "textio/listread.h"

namespace qb {

namespace fs = std::filesystem;

namespace {

constexpr size_t NAME_BYTES = 255;    // a name within a folder
constexpr size_t PATH_BYTES = 4096;   // a whole path, with its ending NUL

std::string quoted(const std::string& s) { return "'" + s + "'"; }

// The identity of a standard stream that is a regular file, or none.
bool regular_stream(int fd, FileId& id) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    id = FileId{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
    return true;
}

void check_length(const PlannedFile& f) {
    if (f.path.size() + 1 > PATH_BYTES)
        throw OutputError("cannot create the " + f.role + " " + quoted(f.path) + ": its name has " +
                          std::to_string(f.path.size()) + " bytes, more than the file system takes; use a shorter "
                          "data-file name or output folder");
    for (const fs::path& part : fs::path(f.path))
        if (part.native().size() > NAME_BYTES)
            throw OutputError("cannot create the " + f.role + " " + quoted(f.path) + ": the name " +
                              quoted(part.native()) + " has " + std::to_string(part.native().size()) +
                              " bytes, more than the " + std::to_string(NAME_BYTES) +
                              " a file system takes; use a shorter data-file name");
}

} // namespace

std::string case_grid_name(const std::string& stem, int32_t caso) {
    return stem + "_case" + std::to_string(caso) + ".vtu";
}
std::string collection_name(const std::string& stem) { return stem + ".pvd"; }
std::string case_table_name(const std::string& stem, int32_t caso, const char* table) {
    return stem + "_case" + std::to_string(caso) + "_" + table + ".csv";
}

std::vector<PlannedFile> OutputPlan::case_files(int32_t caso) const {
    std::vector<PlannedFile> v;
    if (vtk) {
        v.push_back({output_path(dir, case_grid_name(stem, caso)), "VTK grid"});
        v.push_back({output_path(dir, collection_name(stem)), "VTK collection"});
    }
    if (csv)
        for (const char* t : CASE_TABLES) v.push_back({output_path(dir, case_table_name(stem, caso, t)), "CSV table"});
    return v;
}

std::vector<PlannedFile> OutputPlan::files() const {
    std::vector<PlannedFile> v;
    for (const PlannedFile& f : {PlannedFile{legacy.report, "results file"}, PlannedFile{legacy.msh, "GiD mesh file"},
                                 PlannedFile{legacy.res, "GiD results file"}, PlannedFile{legacy.log, "working log"},
                                 PlannedFile{legacy.valinf, "influence-value file"},
                                 PlannedFile{summary_json, "summary"}, PlannedFile{cases_csv, "CSV table of the cases"}})
        if (!f.path.empty()) v.push_back(f);
    for (int32_t c : cases)
        for (const PlannedFile& f : case_files(c))
            if (f.role != std::string("VTK collection") || c == cases.front()) v.push_back(f);
    return v;
}

std::vector<int32_t> cases_to_solve(const std::string& data_name, const std::string& content) {
    std::vector<int32_t> cases;
    try {
        // The control record is near the top. The cut falls between two
        // UTF-8 characters, so that a UTF-8 file still reads as one.
        size_t n = std::min(content.size(), size_t{1} << 16);
        for (int k = 0; k < 3 && n < content.size() && (static_cast<unsigned char>(content[n]) & 0xC0) == 0x80; ++k)
            --n;
        ListReader in(data_name, content.substr(0, n));
        Text title, unit;
        in.begin();
        in.item(title, 50, false);
        in.end();
        in.skip_line();
        in.begin();
        for (int i = 0; i < 5; ++i) in.item(unit, 4, false);
        in.end();
        in.skip_line();
        int32_t kanal = 0, caso[5] = {0, 0, 0, 0, 0}, nflag1 = 0;
        in.record(kanal, caso[1], caso[2], caso[3], caso[4], nflag1);
        for (int32_t c = 1; c <= 4; ++c)
            if (caso[c] == 1 && solution_of(c, kanal) != Solution::none) cases.push_back(c);
    } catch (const InputError&) {
        return {1, 2, 3, 4};
    }
    return cases;
}

void check_plan(const OutputPlan& plan, const std::string& data, const FileId& data_id, bool console) {
    const std::vector<PlannedFile> files = plan.files();
    for (const PlannedFile& f : files) check_length(f);

    FileId out_id, err_id;
    const bool out_file = console && regular_stream(STDOUT_FILENO, out_id);
    const bool err_file = regular_stream(STDERR_FILENO, err_id);
    std::map<std::string, const PlannedFile*> by_path;
    std::vector<std::pair<FileId, const PlannedFile*>> existing;
    for (const PlannedFile& f : files) {
        struct stat st {};
        const bool exists = ::stat(f.path.c_str(), &st) == 0;
        if (exists && S_ISCHR(st.st_mode)) continue;   // /dev/null and the like take anything
        if (exists && S_ISDIR(st.st_mode))
            throw OutputError("cannot create the " + f.role + " " + quoted(f.path) + ": it is a folder");
        std::error_code ec;
        const std::string where = fs::weakly_canonical(fs::absolute(f.path, ec), ec).string();
        if (const auto [it, fresh] = by_path.emplace(where, &f); !fresh)
            throw InputError("the " + it->second->role + " " + quoted(it->second->path) + " and the " + f.role + " " +
                             quoted(f.path) + " are one file; each output needs a file of its own (nothing was "
                             "written)");
        if (!exists) continue;   // to be created
        const FileId id{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
        if (id == data_id)
            throw InputError("the " + f.role + " " + quoted(f.path) + " is the data file " + quoted(data) +
                             " itself; writing it would destroy the data (nothing was written)");
        if (out_file && id == out_id)
            throw InputError("the " + f.role + " " + quoted(f.path) +
                             " is standard output, which receives the console lines; redirect standard output "
                             "elsewhere or use -q (nothing was written)");
        if (err_file && id == err_id)
            throw InputError("the " + f.role + " " + quoted(f.path) +
                             " is standard error, which receives the messages; redirect it elsewhere (nothing was "
                             "written)");
        for (const auto& [other, g] : existing)
            if (other == id)
                throw InputError("the " + g->role + " " + quoted(g->path) + " and the " + f.role + " " +
                                 quoted(f.path) + " are one file; each output needs a file of its own (nothing was "
                                 "written)");
        existing.emplace_back(id, &f);
    }
}

void remove_earlier_case_files(const OutputPlan& plan, const FileId& data_id) {
    // Every case file the job can have: those of every case, VTK and CSV on.
    OutputPlan every = plan;
    every.vtk = every.csv = true;
    std::vector<PlannedFile> names;
    for (int32_t c = 1; c <= 4; ++c)
        for (const PlannedFile& f : every.case_files(c))
            if (std::none_of(names.begin(), names.end(), [&f](const PlannedFile& n) { return n.path == f.path; }))
                names.push_back(f);
    // Removing a name of one of these would take the file from under the run.
    FileId out_id, err_id;
    const bool out_file = regular_stream(STDOUT_FILENO, out_id);
    const bool err_file = regular_stream(STDERR_FILENO, err_id);
    const std::vector<PlannedFile> planned = plan.files();
    const auto leave = [&planned](const PlannedFile& f, const char* what) {
        for (const PlannedFile& p : planned)
            if (p.path == f.path) return;   // this run writes it; check_plan has vetted it
        std::fprintf(stderr, "querbal: warning: %s has the name of a %s of this job but is %s; it is left as it is\n",
                     quoted(f.path).c_str(), f.role.c_str(), what);
    };
    const auto cannot = [](const PlannedFile& f, int err) {
        return OutputError("cannot remove the " + f.role + " " + quoted(f.path) + " of an earlier run: " +
                           system_reason(err));
    };

    for (const PlannedFile& f : names) {
        struct stat st {};
        if (::lstat(f.path.c_str(), &st) != 0) {
            // A name longer than the file system takes belongs to no file:
            // a run without case files may have a stem too long for them.
            if (errno == ENOENT || errno == ENAMETOOLONG) continue;
            throw cannot(f, errno);
        }
        const FileId id{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
        if (S_ISLNK(st.st_mode))
            leave(f, "a symbolic link");
        else if (S_ISDIR(st.st_mode))
            leave(f, "a folder");
        else if (!S_ISREG(st.st_mode))
            leave(f, "not a regular file");
        else if (id == data_id)
            leave(f, "the data file");
        else if ((out_file && id == out_id) || (err_file && id == err_id))
            leave(f, "standard output or standard error");
        else if (::unlink(f.path.c_str()) != 0 && errno != ENOENT)
            throw cannot(f, errno);
    }
}

JobLock::JobLock(const std::string& path, const std::string& job) : path_(path) {
    // The file is removed when a run ends: a run that took the lock of a file
    // removed meanwhile holds nothing, and tries again.
    for (int attempt = 0; attempt < 100; ++attempt) {
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd_ < 0)
            throw OutputError("cannot create the lock file " + quoted(path) + " of job " + quoted(job) + ": " +
                              system_reason(errno));
        if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            const int err = errno;
            ::close(fd_);
            fd_ = -1;
            if (err == EWOULDBLOCK)
                throw InputError("another run of job " + quoted(job) + " is writing its outputs into this folder (it "
                                 "holds " + quoted(path) + "); this run stops without touching them");
            throw OutputError("cannot lock " + quoted(path) + ": " + system_reason(err));
        }
        struct stat held {}, named {};
        if (::fstat(fd_, &held) == 0 && ::stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
            held.st_ino == named.st_ino)
            return;
        ::close(fd_);
        fd_ = -1;
    }
    throw OutputError("cannot take the lock " + quoted(path) + " of job " + quoted(job));
}

JobLock::~JobLock() {
    if (fd_ < 0) return;
    ::unlink(path_.c_str());
    ::close(fd_);
}

} // namespace qb
