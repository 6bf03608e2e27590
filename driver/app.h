// The program as the command line starts it, in the arithmetic of this build.
#pragma once

namespace qb {

// Reads the command line, then checks the data or runs: the exit status.
int run_program(int argc, char** argv);

// The process as a run needs it, before anything else: descriptors 0 to 2
// open (on /dev/null when closed), and SIGPIPE ignored.
void prepare_process();

} // namespace qb
