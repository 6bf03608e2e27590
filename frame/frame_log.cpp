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

namespace {
std::string_view trim20(std::string_view s) {
    s = s.substr(0, std::min<size_t>(s.size(), static_cast<size_t>(limits::NAME)));
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}
} // namespace

std::string name20(std::string_view s) {
    std::string r(trim20(s));
    r.resize(static_cast<size_t>(limits::NAME), ' ');
    return r;
}

bool same_name20(std::string_view a, std::string_view b) { return trim20(a) == trim20(b); }

} // namespace qb
