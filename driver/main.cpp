// querbal: soil-structure interaction of a frame of bars on shallow foundations.
//
//   querbal                     asks for the data and results file names
//   querbal [OPTIONS] DATA...   runs every data file without prompts (see querbal --help)
#include "driver/entry.h"
#include "driver/terminal.h"

int main(int argc, char** argv) {
    qb::prepare_process();
    return qb::run_program(argc, argv);
}
