// Traces of the 12 x 12 element arrays and 12-entry element vectors.
#pragma once

#include <cstdint>

#include "frame/geometry.h"
#include "textio/rows.h"
#include "textio/trace.h"

namespace qb::inline QB_ARITH {

// Rows 1..rows of A, columns 1..cols, one free-format record per row.
inline void log_rows(Trace log, const Mat12& A, int32_t rows = 12, int32_t cols = 12) {
    list_rows(log, rows, cols, [&](int32_t i, int32_t k) { return A(i, k); });
}
// Entries 1..12 of v on one free-format record.
inline void log_vector_row(Trace log, const Vec12& v) {
    list_rows(log, 1, 12, [&](int32_t, int32_t k) { return v(k); });
}
// Entries 1..12 of v, one free-format record each (a 12 x 1 operand).
inline void log_vector_column(Trace log, const Vec12& v) {
    list_rows(log, 12, 1, [&](int32_t i, int32_t) { return v(i); });
}

} // namespace qb
