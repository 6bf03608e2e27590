// Small writers shared by the frame steps for the MEMORIA traces of element
// arrays (free-format rows, one record per row).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "frame/geometry.h"
#include "output/lineform.h"

namespace qb {

// Rows 1..rows of A, columns 1..cols, one free-format record per row.
void log_rows(Channel& ch, const Mat14& A, int32_t rows = 12, int32_t cols = 12);
// Entries 1..12 of v on one free-format record.
void log_vector_row(Channel& ch, const Vec14& v);
// Entries 1..12 of v, one free-format record each (a 12 x 1 operand).
void log_vector_column(Channel& ch, const Vec14& v);

// Bar and section names are 20-byte fields: blank padded, cut at 20.
std::string name20(std::string_view s);

} // namespace qb
