// The output files of a run, opened so that no file is lost: the data file
// is read before anything is created, and no output is emptied until every
// one of them is open and known to be a file of its own.
#pragma once

#include <string>
#include <vector>

#include "driver/io.h"
#include "textio/files.h"

namespace qb {

// Paths of the outputs; an empty path leaves that channel closed.
struct OutputNames {
    std::string report, msh, res, log, valinf;
};

// A file that no output opened later may share: the data file, or one of the
// outputs opened at the start.
struct TakenFile {
    FileId id;
    std::string path;
    std::string role;   // "results file", ...
    bool data;          // the data file
};

// Opens the outputs for the channels of `io`. Each is opened without being
// emptied; then their identities (device and inode, so that "datos.dat",
// "./datos.dat" and a link to it are one file) are compared with each other
// and with the data file's. Two of them that are one file stop the run with
// InputError (exit status 1) before any byte is lost; the files this call
// created are removed again. A character device (/dev/null, a terminal) may
// take several outputs: nothing is lost there. An output that cannot be
// created throws OutputError with the system's reason. Returns the data file
// and the outputs opened, those that later outputs must not share.
std::vector<TakenFile> open_outputs(Io& io, const OutputNames& names, const std::string& data_name,
                                    const FileId& data);

// Opens one more output, `path`, for `ch`, in the same way: refused with
// InputError, untouched, when it is one of `taken`.
void open_output(Channel& ch, const std::string& path, const char* role, const std::vector<TakenFile>& taken);

// Closes every output, the console last. Called while the run's failure
// action is set (a failed flush or close ends the run with status 4).
void close_outputs(Io& io);

} // namespace qb
