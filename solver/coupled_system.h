// The coupled frame-soil system of one solution, its block structure stated
// once. The unknowns are x = (d, r): the free displacements d by equation
// number (NGRED of them), then the reactions r coupled to the soil:
//
//     [ K  C ] (d)   (b)     rows 1..NGRED: the frame's equilibrium, akr = [K C]
//     [ D  S ] (r) = (0)     row NGRED + j: the compatibility of reaction j,
//                                d(eq_j) + sum_k S(j, k) r(k) = 0
//
//   K  frame stiffness (akr, columns 1..NGRED), the same all run
//   C  reaction columns (akr, columns NGRED + j)
//   D  1 in the column of the equation eq_j of reaction j's degree of freedom
//      (none for a reaction on a restrained one: no displacement to couple)
//   S  the soil block: the case's flexibility for a linear solution (its area
//      and nodal groups, the cross terms between them left out), the
//      Jacobian of the settlements for a Newton step
//   b  PCONC - vered: the nodal loads less the member loads of the case
//
// A linear solution couples every reaction (NR + MR); the Newton solution the
// area reactions only (NR).
#pragma once

#include <cstdint>
#include <vector>

#include "model/frame_stiffness.h"
#include "model/model.h"

namespace qb::inline QB_ARITH {

class CoupledSystem {
public:
    CoupledSystem(const Model& m, const FrameSystem& frame, int32_t reactions);

    int32_t order() const { return ngred_ + nr_; }
    int32_t frame_equations() const { return ngred_; }
    int32_t reactions() const { return nr_; }
    const FrameStiffness& frame() const { return *akr_; }
    // The equation of reaction j's degree of freedom, 0 when it is restrained.
    int32_t equation_of(int32_t j) const { return eq_[static_cast<size_t>(j - 1)]; }

    // The soil block S (reactions x reactions).
    Mat1<real>& soil() { return S_; }
    const Mat1<real>& soil() const { return S_; }
    // S from the case's flexibility: each group of reactions (the area ones,
    // then the nodal ones) with its own block of FLEX.
    void soil_from_flexibility(const Mat1<real>& FLEX, int32_t area_reactions);

    // b(i) = PCONC(i) - vered(i), i = 1..NGRED.
    void load(const Model& m, const Vec1<real>& vered, Vec1<real>& b) const;

    // ---- the system as a dense matrix A (order x order), for the elimination
    // Rows NGRED + first .. NGRED + last: A(NGRED + j, eq_j) += 1, then
    // A(NGRED + i, NGRED + j) += S(i, j), j outer.
    void add_compatibility(Mat1<real>& A, int32_t first, int32_t last) const;
    // The frame's rows, A(r, c) += akr(r, c), column by column.
    void add_frame(Mat1<real>& A) const;
    // The frame's rows copied, A(r, c) = akr(r, c).
    void copy_frame(Mat1<real>& A) const;
    // A(NGRED + j, eq_j) = 1 for every reaction.
    void set_compatibility_ones(Mat1<real>& A) const;

    // ---- products
    // Row i of the frame's equations times x, sum_c akr(i, c) x(c) in
    // ascending c, in the arithmetic of the build.
    real frame_row_times(int32_t i, const Vec1<real>& x) const;
    // y = A x and, when asked, |A| summed by row, in double precision over
    // the rows 1..rows (the frame's, or all of them). x and y 0-based, of
    // the system's order.
    void apply(const std::vector<double>& x, std::vector<double>& y, int32_t rows,
               std::vector<double>* row_abs = nullptr) const;

    // The frame equations that C or D touch (0-based, ascending): what the
    // condensation keeps beside the reactions.
    std::vector<int32_t> interface() const;

private:
    const FrameStiffness* akr_;
    int32_t ngred_, nr_;
    std::vector<int32_t> eq_;
    Mat1<real> S_;
};

} // namespace qb
