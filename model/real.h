// The arithmetic of the analysis. The program's own arithmetic is single
// precision, byte for byte that of its reference outputs; the same sources
// are also compiled with every analysis real in double precision (QB_DOUBLE,
// into the namespace qbd), chosen at run time with --precision double.
#pragma once

namespace qb {

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
