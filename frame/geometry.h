// Bar geometry: local axis frames (direction cosines) and the 12 x 12
// transformation between global and local end displacements / forces.
//
// Local degree-of-freedom order of a bar, used by every element array of the
// frame: u, v, w, θx, θy, θz of the first node, then the same six of the
// second node (u along local x, v along y, w along z).
#pragma once

#include <array>
#include <cstdint>

#include "model/model.h"
#include "textio/trace.h"

namespace qb::inline QB_ARITH {

// 12 x 12 bar matrix, column-major and 1-based like the model tables.
struct Mat12 {
    static constexpr int32_t N = 12;
    std::array<real, N * N> v{};
    void zero() { v.fill(0.0_r); }
    real& operator()(int32_t i, int32_t j) {
        QB_CHECK(i, N, "element array row");
        QB_CHECK(j, N, "element array column");
        return v[static_cast<size_t>((j - 1) * N + (i - 1))];
    }
    real operator()(int32_t i, int32_t j) const {
        QB_CHECK(i, N, "element array row");
        QB_CHECK(j, N, "element array column");
        return v[static_cast<size_t>((j - 1) * N + (i - 1))];
    }
    real* data() { return v.data(); }
    const real* data() const { return v.data(); }
};

// 12-entry bar vector (a 12-row array of one column).
struct Vec12 {
    static constexpr int32_t N = 12;
    std::array<real, N> v{};
    void zero() { v.fill(0.0_r); }
    real& operator()(int32_t i) { QB_CHECK(i, N, "element vector"); return v[static_cast<size_t>(i - 1)]; }
    real operator()(int32_t i) const { QB_CHECK(i, N, "element vector"); return v[static_cast<size_t>(i - 1)]; }
    real* data() { return v.data(); }
    const real* data() const { return v.data(); }
};

// Local axis frame of every bar from its end coordinates: COSDIR(j, r, c) is
// component c (X, Y, Z) of local axis r (x, y, z). Local x runs from the
// first node to the second; local y is horizontal; for a vertical bar the
// frame is fixed (y along +Y). Logs every frame to MEMORIA.
void compute_direction_cosines(Model& m, Trace log);

// T = diag(λ, λ, λ, λ) with λ(r, c) = COSDIR(j, r, c), and TT = Tᵀ:
// d_local = T · d_global, f_global = TT · f_local. Logs both matrices.
void build_transformation(const Model& m, int32_t j, Mat12& T, Mat12& TT, Trace log);

// TT(i, k) = T(k, i) for i, k = 1..12.
void transpose12(const Mat12& T, Mat12& TT);

} // namespace qb
