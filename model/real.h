// The arithmetic of the analysis. The program's own arithmetic is single
// precision, byte for byte that of its reference outputs; the same sources
// are also compiled with every analysis real in double precision (QB_DOUBLE),
// chosen at run time with --precision double.
//
// Code that holds analysis reals lives in an inline namespace of qb named
// after its arithmetic, qb::f32 or qb::f64: both builds link into one program,
// and inside each `qb::X` names its own. Code without analysis reals (the
// line forms, the files, the command line, the float elimination, the LAPACK
// solutions) is compiled once, in qb itself.
#pragma once

#if defined(QB_DOUBLE)
#define QB_ARITH f64
#else
#define QB_ARITH f32
#endif

namespace qb::inline QB_ARITH {

#if defined(QB_DOUBLE)
using real = double;
#else
using real = float;
#endif

inline constexpr bool double_precision = sizeof(real) == sizeof(double);

// A literal in the arithmetic of the build: 0.5_r. Every literal of the
// program rounds to the same float from its decimal form and from a long
// double, so the single-precision build keeps its bits.
constexpr real operator""_r(long double v) { return static_cast<real>(v); }
constexpr real operator""_r(unsigned long long v) { return static_cast<real>(v); }

} // namespace qb
