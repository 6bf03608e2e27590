#include "solver/coupled_system.h"

#include <cmath>

namespace qb::inline QB_ARITH {

CoupledSystem::CoupledSystem(const Model& m, const FrameSystem& frame, int32_t reactions)
    : akr_(&frame.akr), ngred_(m.NGRED), nr_(reactions), S_(reactions, reactions) {
    eq_.reserve(static_cast<size_t>(reactions));
    for (int32_t j = 1; j <= reactions; ++j) {
        const int32_t g = j <= m.NR ? m.NREAC(j) : m.NREACNOD(j - m.NR);
        eq_.push_back(m.NGL.at_or_zero(g));
    }
}

void CoupledSystem::soil_from_flexibility(const Mat1<real>& FLEX, int32_t area_reactions) {
    S_.fill(0.0_r);
    for (int32_t j = 1; j <= nr_; ++j)
        for (int32_t i = 1; i <= nr_; ++i)
            if ((i <= area_reactions) == (j <= area_reactions)) S_(i, j) = FLEX(i, j);
}

void CoupledSystem::load(const Model& m, const Vec1<real>& vered, Vec1<real>& b) const {
    for (int32_t i = 1; i <= ngred_; ++i) b(i) = m.PCONC.at_or_zero(i) - vered.at_or_zero(i);
}

void CoupledSystem::add_compatibility(Mat1<real>& A, int32_t first, int32_t last) const {
    for (int32_t j = first; j <= last; ++j) {
        const int32_t e = equation_of(j);
        if (e != 0) A(ngred_ + j, e) = A(ngred_ + j, e) + 1.0_r;
    }
    for (int32_t j = first; j <= last; ++j)
        for (int32_t i = first; i <= last; ++i) A(ngred_ + i, ngred_ + j) = A(ngred_ + i, ngred_ + j) + S_(i, j);
}

void CoupledSystem::add_frame(Mat1<real>& A) const {
    const int32_t n = order();
    for (int32_t c = 1; c <= n; ++c)
        for (int32_t r = 1; r <= ngred_; ++r) A(r, c) = A(r, c) + (*akr_)(r, c);
}

void CoupledSystem::copy_frame(Mat1<real>& A) const {
    const int32_t n = order();
    for (int32_t c = 1; c <= n; ++c)
        for (int32_t r = 1; r <= ngred_; ++r) A(r, c) = (*akr_)(r, c);
}

void CoupledSystem::set_compatibility_ones(Mat1<real>& A) const {
    for (int32_t j = 1; j <= nr_; ++j)
        if (const int32_t e = equation_of(j); e != 0) A(ngred_ + j, e) = 1.0_r;
}

real CoupledSystem::frame_row_times(int32_t i, const Vec1<real>& x) const {
    const int32_t n = order();
    real s = 0.0_r;
    for (int32_t c = 1; c <= n; ++c) s = s + (*akr_)(i, c) * x(c);
    return s;
}

void CoupledSystem::apply(const std::vector<double>& x, std::vector<double>& y, int32_t rows,
                          std::vector<double>* row_abs) const {
    const size_t n = static_cast<size_t>(order());
    y.assign(static_cast<size_t>(rows), 0.0);
    if (row_abs) row_abs->assign(static_cast<size_t>(rows), 0.0);
    // The frame's rows, column by column along akr.
    for (int32_t c = 1; c <= order(); ++c) {
        const double xc = x[static_cast<size_t>(c - 1)];
        akr_->column(c, [&](int32_t r, real v) {
            if (r > rows) return;
            const double a = v;
            y[static_cast<size_t>(r - 1)] += a * xc;
            if (row_abs) (*row_abs)[static_cast<size_t>(r - 1)] += std::fabs(a);
        });
    }
    // The compatibility rows.
    for (int32_t j = 1; j <= nr_ && ngred_ + j <= rows; ++j) {
        const size_t row = static_cast<size_t>(ngred_ + j - 1);
        const int32_t e = equation_of(j);
        double s = e != 0 ? x[static_cast<size_t>(e - 1)] : 0.0, a = e != 0 ? 1.0 : 0.0;
        for (int32_t k = 1; k <= nr_; ++k) {
            const double f = S_(j, k);
            s += f * x[static_cast<size_t>(ngred_ + k - 1)];
            a += std::fabs(f);
        }
        y[row] = s;
        if (row_abs) (*row_abs)[row] = a;
    }
    (void)n;
}

std::vector<int32_t> CoupledSystem::interface() const {
    std::vector<char> touched(static_cast<size_t>(ngred_), 0);
    for (int32_t j = 1; j <= nr_; ++j) {
        akr_->column(ngred_ + j, [&](int32_t r, real v) {
            if (v != 0.0_r) touched[static_cast<size_t>(r - 1)] = 1;
        });
        if (const int32_t e = equation_of(j); e != 0) touched[static_cast<size_t>(e - 1)] = 1;
    }
    std::vector<int32_t> v;
    for (int32_t i = 0; i < ngred_; ++i)
        if (touched[static_cast<size_t>(i)]) v.push_back(i);
    return v;
}

} // namespace qb
