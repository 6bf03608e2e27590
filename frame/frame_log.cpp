#include "frame/frame_log.h"

#include <algorithm>

namespace qb {

void log_rows(Channel& ch, const Mat14& A, int32_t rows, int32_t cols) {
    for (int32_t i = 1; i <= rows; ++i) {
        List row(ch);
        for (int32_t k = 1; k <= cols; ++k) row << A(i, k);
    }
}

void log_vector_row(Channel& ch, const Vec14& v) {
    List row(ch);
    for (int32_t i = 1; i <= 12; ++i) row << v(i);
}

void log_vector_column(Channel& ch, const Vec14& v) {
    for (int32_t i = 1; i <= 12; ++i) List(ch) << v(i);
}

std::string name20(std::string_view s) {
    std::string r(name_text(s));
    r.resize(static_cast<size_t>(limits::NAME), ' ');
    return r;
}

} // namespace qb
