// The program's entry point and the runs behind it, one per arithmetic: the
// program's own single precision and double precision, which --precision
// double and the large-model path take.
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

#include "driver/settings.h"
#include "output/run_record.h"
#include "solver/solver_options.h"

namespace qb {

// What a first reading of a data file tells before its run: whether it reads
// through, and the legacy tables it passes.
struct ModelScan {
    bool read = false;                 // the data read through (otherwise the run reports why)
    std::vector<std::string> beyond;   // "2000 nodes (the legacy tables held 833)", ...
    int32_t order = 0;                 // of the coupled system of a linear solution
};

// A double-precision run inside the legacy tables takes the large-model path
// from this order of the coupled system on, where the sparse factor of the
// frame outruns the dense elimination.
constexpr int32_t SPARSE_FROM_ORDER = 2000;

// Reads the command line, then checks the data or runs it: the exit status.
// A benchmark may force the elimination of the single-precision solutions
// (the straightforward loops: same bits, only slower).
int run_program(int argc, char** argv, Elimination elimination = Elimination::program);

} // namespace qb

namespace qb::inline f32 {
int run_querbal(const RunSettings& settings, std::istream& console_in, RunRecord* record);
int check_data(const RunSettings& settings);
ModelScan scan_data(const std::string& name, const std::string& content);
} // namespace qb::inline f32

namespace qb::inline f64 {
int run_querbal(const RunSettings& settings, std::istream& console_in, RunRecord* record);
int check_data(const RunSettings& settings);
ModelScan scan_data(const std::string& name, const std::string& content);
} // namespace qb::inline f64
