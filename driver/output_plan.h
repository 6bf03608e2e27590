// Every output of a run, named before anything is created: the names are
// checked against each other, the data file and the standard streams, and the
// job takes its lock, so that no run can lose a file to another output, a
// second run of the same job or a mistyped command line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "driver/outputs.h"
#include "textio/files.h"

namespace qb {

struct PlannedFile {
    std::string path;
    std::string role;   // "results file", "VTK grid", ...
};

struct OutputPlan {
    OutputNames legacy;                      // report, mesh, results, log, influence values
    std::string summary_json, cases_csv;     // "" when not written
    std::string lock;                        // the job's lock file
    std::string dir, stem;                   // of the open outputs of the cases
    bool vtk = false, csv = false;
    std::vector<int32_t> cases;              // the cases whose open outputs may be written

    // Every file the run may write, the lock left aside.
    std::vector<PlannedFile> files() const;
    // The open outputs of case `caso`: its grid, the collection, its four tables.
    std::vector<PlannedFile> case_files(int32_t caso) const;
};

// The open outputs of a case, by name.
std::string case_grid_name(const std::string& stem, int32_t caso);
std::string collection_name(const std::string& stem);
std::string case_table_name(const std::string& stem, int32_t caso, const char* table);
constexpr const char* CASE_TABLES[] = {"displacements", "reactions", "bar_forces", "diagrams"};

// The cases that the control record of the data switches on and the analysis
// type solves; all four when the control record cannot be read (the reading
// proper then says why).
std::vector<int32_t> cases_to_solve(const std::string& data_name, const std::string& content);

// Checks every planned output before anything is created:
//  - a name too long for the file system (a component of more than 255 bytes,
//    a path of 4096 or more), or an existing folder where a file is due:
//    OutputError (exit status 4);
//  - two outputs that are one file (the same path, or the same device and
//    inode), an output that is the data file, standard output (when
//    `console` lines are written there) or standard error: InputError
//    (exit status 1).
void check_plan(const OutputPlan& plan, const std::string& data, const FileId& data_id, bool console);

// Removes the open outputs that an earlier run of the job left in the output
// folder, before this run writes its own: every STEM_caseN.vtu and
// STEM_caseN_{displacements,reactions,bar_forces,diagrams}.csv of cases 1 to
// 4 and STEM.pvd, those this run writes too (a case that fails leaves none of
// its files from the earlier run). Called once the job holds its lock and its
// outputs are checked. Only regular files with those names are removed; a
// symbolic link, anything else by such a name, and a file that is the data
// file, standard output or standard error are left as they are, with a
// warning on standard error when this run does not write them. A file that
// cannot be removed is an OutputError (exit status 4).
void remove_earlier_case_files(const OutputPlan& plan, const FileId& data_id);

// The advisory lock of a job: a second run of the same job in the same folder
// stops at once (InputError), before touching any output. The lock file is
// removed when the run ends.
class JobLock {
public:
    JobLock(const std::string& path, const std::string& job);
    ~JobLock();
    JobLock(const JobLock&) = delete;
    JobLock& operator=(const JobLock&) = delete;

private:
    std::string path_;
    int fd_ = -1;
};

} // namespace qb
