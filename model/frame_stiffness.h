// The frame's equilibrium equations of a run, formed once: the enlarged
// stiffness `akr`, NGRED rows (one per free degree of freedom, by equation
// number) by NGRED + NR + MR columns:
//   columns 1..NGRED          the stiffness K of the free displacements, the
//                             additional springs on its diagonal;
//   column NGRED + i          the equivalent nodal forces of a unit line
//                             reaction of area reaction i;
//   column NGRED + NR + k     -1 in the equation of nodal reaction k.
// The formulas reach it only through this type, which stores it dense.
#pragma once

#include <array>
#include <cstdint>

#include "model/real.h"
#include "model/tables.h"

namespace qb::inline QB_ARITH {

class FrameStiffness {
public:
    // NGRED equations and `reactions` reaction columns, every entry 0.
    void resize(int32_t equations, int32_t reactions) {
        n_ = equations > 0 ? equations : 0;
        a_.resize(n_, n_ + (reactions > 0 ? reactions : 0));
    }
    int32_t equations() const { return n_; }
    int32_t columns() const { return a_.cols(); }
    int32_t reactions() const { return a_.cols() - n_; }

    // Entry (r, c); 0 beyond the frame's rows and columns (the compatibility
    // rows of a coupled system hold none of it).
    real operator()(int32_t r, int32_t c) const {
        return r >= 1 && r <= a_.rows() && c >= 1 && c <= a_.cols() ? a_(r, c) : 0.0_r;
    }
    // Assembly: entry (r, c) += v, in the order of the calls; or = v.
    void add(int32_t r, int32_t c, real v) { a_(r, c) = a_(r, c) + v; }
    void set(int32_t r, int32_t c, real v) { a_(r, c) = v; }

    // f(r, value) for every entry of column c that may be nonzero, rows
    // ascending.
    template <class F>
    void column(int32_t c, F&& f) const {
        const real* col = a_.data() + static_cast<size_t>(c - 1) * static_cast<size_t>(n_);
        for (int32_t r = 1; r <= n_; ++r) f(r, col[r - 1]);
    }

private:
    int32_t n_ = 0;
    Mat1<real> a_;
};

// The frame's side of every coupled system of a run, formed once by the
// assembly: the enlarged stiffness and the reduced load vector of each case
// (the solutions' right-hand side is PCONC - vered).
struct FrameSystem {
    FrameStiffness akr;                   // (NGRED, NGRED+NR+MR)
    std::array<Vec1<real>, 5> vered;      // [1..4]: the reduced load vector of each case (NGRED)
};

} // namespace qb
