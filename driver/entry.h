// The program's entry points, one per arithmetic: the program's own single
// precision and the double precision that --precision double chooses.
#pragma once

namespace qb::inline f32 {
int run_program(int argc, char** argv);
}
namespace qb::inline f64 {
int run_program(int argc, char** argv);
}
