// querbal: soil-structure interaction of a frame of bars on shallow foundations.
//
//   querbal                     asks for the data and results file names
//   querbal DATA [RESULTS]      runs without prompts (see querbal --help)
//
// The program is built twice, in its own single-precision arithmetic
// (namespace qb) and with every analysis real in double precision (namespace
// qbd); --precision double chooses the second.
#include "driver/app.h"
#include "driver/options.h"

namespace qbd {
int run_program(int argc, char** argv);
}

int main(int argc, char** argv) {
    qb::prepare_process();
    if (qb::asks_double_precision(argc, argv)) return qbd::run_program(argc, argv);
    return qb::run_program(argc, argv);
}
