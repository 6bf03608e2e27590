// querbal: soil-structure interaction of a frame of bars on shallow foundations.
//
//   querbal                     asks for the data and results file names
//   querbal [OPTIONS] DATA...   runs every data file without prompts (see querbal --help)
//
// The analysis is built in two arithmetics, the program's own single
// precision and double precision; --precision double chooses the second.
#include "driver/entry.h"
#include "driver/options.h"
#include "driver/terminal.h"

int main(int argc, char** argv) {
    qb::prepare_process();
    if (qb::asks_double_precision(argc, argv)) return qb::f64::run_program(argc, argv);
    return qb::f32::run_program(argc, argv);
}
