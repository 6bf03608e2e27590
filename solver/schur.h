// The coupled frame-soil system of a large model, solved through a sparse
// Cholesky factorisation of the frame and a dense system on the reactions.
//
// The unknowns are the nf frame displacements d and the nr reactions r:
//
//     [ K  C ] (d)   (b)     K  frame stiffness (sparse, symmetric), the same all run
//     [ D  S ] (r) = (0)     C  reaction columns (sparse)
//                            D  1 at the equation eq_j of reaction j
//                            S  soil block (dense nr x nr): flexibility or Jacobian
//
// The equations of the reactions, z = {eq_j}, are ordered last, just after
// the other equations C touches (together T); the rest by minimum degree or
// nested dissection, whichever fills less. K holds the structure up on
// everything but z in a sound model (a foundation that only the soil carries
// leaves K singular in z alone). Once per run, with a shift alpha on the
// diagonal of z that makes the whole of K positive definite,
//   P (K + alpha Z) P' = L L',  L = [L11 0; L21 L22]  (L22 on z),
// gives the frame condensed onto z, Kz = L22 L22' - alpha I, and
// Cz = C_z - K_z1 K11^-1 C_1 = L22 y2 for y = L^-1 P C, which lives in T
// alone: one dense triangular solve with the trailing block of L. Each
// system is then the dense system of order |z| + nr
//     [ Kz  Cz ] (d_z)   (bz)
//     [ Dz  S  ] (r  ) = (0 )     bz = L22 y2 for y = L^-1 P b,
// solved by the equilibrated LU with its condition estimate; the other
// displacements follow from one solve with L11, and one refinement step on
// the whole system closes the solution.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace qb {

// The structure of a coupled system in 0-based compressed columns.
struct SparseFrame {
    int32_t nf = 0, nr = 0;
    std::vector<int64_t> Kp;         // K, nf columns, both triangles
    std::vector<int32_t> Ki;
    std::vector<double> Kx;
    std::vector<int64_t> Cp;         // C, nr columns
    std::vector<int32_t> Ci;
    std::vector<double> Cx;
    std::vector<int32_t> eq;         // per reaction, its frame equation, -1 none
};

struct SchurReport {
    int32_t reduced = 0;             // order of the dense system
    double rcond = 0.0;              // of the equilibrated dense system, 1-norm estimate
    double refinement = 0.0;         // ||dx|| / ||x|| of the refinement step
    bool reused = false;             // the frame's factors were kept from an earlier system
};

// The frame factored once per coupling (the set of reaction equations), kept
// for every system of the run with that coupling.
class SchurSolver {
public:
    SchurSolver();
    ~SchurSolver();
    SchurSolver(const SchurSolver&) = delete;
    SchurSolver& operator=(const SchurSolver&) = delete;

    // Solves the coupled system of `frame` with the soil block S (nr x nr,
    // column-major) for the right-hand side b (nf loads, then nr
    // compatibility values): x becomes (d, r), nf + nr values.
    // Returns false when the frame cannot be condensed onto the reactions'
    // equations (a structure that stands without them is not held: K is
    // singular beyond z); throws SingularMatrix when the dense system is.
    // `frame` must be the same object, unchanged, for the factors to be
    // reused.
    bool solve(const SparseFrame& frame, const double* S, const double* b, double* x, SchurReport& report);

    // Factors the frame for its coupling, when not done yet (solve does it
    // too): false when it cannot be condensed onto the reactions' equations.
    bool factor(const SparseFrame& frame);

    // The last frame factored: its equations, the terms of its factor, the
    // ordering that filled less, and the order of its trailing dense block.
    struct FactorStats {
        int32_t equations = 0, trailing = 0;
        double entries = 0.0, flops = 0.0;
        double seconds = 0.0, ordering_seconds = 0.0;   // the whole factor, and its ordering
        bool dissection = false;
    } last_factor;

    // Whether the frame has been factored for its coupling (usable or not).
    bool factored(const SparseFrame& frame) const { return find(frame) != nullptr; }

private:
    struct Frame;
    Frame* find(const SparseFrame& frame) const;
    std::vector<std::unique_ptr<Frame>> frames_;
};

} // namespace qb
