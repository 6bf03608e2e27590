// Matrices and vectors written one row per record, the way the log and the
// influence file show them.
#pragma once

#include <cstdint>
#include <string>

#include "textio/lineform.h"

namespace qb {

// Rows 1..rows of a matrix over columns 1..cols, each value as Fw.d; a row of
// more than `per` values goes on in further records. get(i, j) gives the value.
// With label_width > 0 each row starts with its number in that width.
template <class Get>
void fixed_rows(Channel& ch, int32_t rows, int32_t cols, int w, int d, int32_t per, Get&& get, int label_width = 0) {
    if (!ch.is_open()) return;
    std::string line;
    for (int32_t i = 1; i <= rows; ++i) {
        line.clear();
        if (label_width > 0) put_I(line, i, label_width);
        int32_t on_line = 0;
        for (int32_t j = 1; j <= cols; ++j) {
            if (on_line == per) {
                ch.write_line(line);
                line.clear();
                on_line = 0;
            }
            put_F(line, get(i, j), w, d);
            ++on_line;
        }
        ch.write_line(line);
    }
}

// Rows 1..rows over columns 1..cols, one free-format record per row.
template <class Get>
void list_rows(Channel& ch, int32_t rows, int32_t cols, Get&& get) {
    if (!ch.is_open()) return;
    for (int32_t i = 1; i <= rows; ++i) {
        List row(ch);
        for (int32_t j = 1; j <= cols; ++j) row << get(i, j);
    }
}

} // namespace qb
