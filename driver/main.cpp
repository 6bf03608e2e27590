// querbal: soil-structure interaction of a frame of bars on shallow foundations.
//
//   querbal                     asks for the data and results file names
//   querbal DATA [RESULTS]      runs without prompts (see querbal --help)
#include <iostream>

#include "driver/check.h"
#include "driver/options.h"
#include "driver/run.h"
#include "driver/terminal.h"
#include "solver/gaussj.h"

int main(int argc, char** argv) {
    qb::Options opt;
    if (const int status = qb::parse_command_line(argc, argv, opt, std::cout, std::cerr); status >= 0) return status;
    qb::set_default_threads(opt.threads);
    qb::TerminalSession terminal(!opt.quiet);
    if (opt.check) return qb::check_data(opt.run.data, opt.quiet);
    return qb::run_querbal(opt.run, std::cin);
}
