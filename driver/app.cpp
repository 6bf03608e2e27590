#include "driver/app.h"

#include <iostream>

#include "driver/check.h"
#include "driver/options.h"
#include "driver/run.h"
#include "driver/terminal.h"
#include "solver/gaussj.h"

namespace qb {

int run_program(int argc, char** argv) {
    Options opt;
    if (const int status = parse_command_line(argc, argv, opt, std::cout, std::cerr); status >= 0) return status;
    set_default_threads(opt.threads);
    TerminalSession terminal(!opt.quiet);
    if (opt.check) return check_data(opt.run.data, opt.quiet);
    return run_querbal(opt.run, std::cin);
}

} // namespace qb
