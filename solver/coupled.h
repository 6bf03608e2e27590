// The coupled frame-soil system solved by condensing the frame's interior.
//
// The unknowns of a coupled system are the nf free displacements of the frame
// followed by the reactions. Its matrix is
//
//     [ A  C ]      A  frame stiffness (nf x nf), the same in every case and
//     [ D  F ]         every Newton iteration of a run, and often singular on
//                      its own: a structure that floats is held by the soil
//                   C  the reaction columns, nonzero only in the rows of the
//                      foundation equations
//                   D  the compatibility rows, 1 at the reaction's dof
//                   F  soil flexibility (or its Jacobian): changes every call
//
// The frame equations whose row of C or column of D holds a nonzero form the
// interface; the rest, the interior, is the superstructure restrained by its
// foundation and is nonsingular in a sound model. The interior block is
// factored once and kept with A_ii⁻¹ A_ib; each call then solves only the
// dense system of the interface and the reactions (the Schur complement).
#pragma once

#include <cstdint>
#include <vector>

namespace qb {

// Why a system was not solved by condensation (the caller then solves it whole).
enum class Condensation {
    used,             // solved here
    no_structure,     // no reactions, no frame equations, or no interior left
    small_interior,   // the interior has fewer equations than the reduced system: it would not pay
    bad_interior,     // the interior block is singular or its condition number exceeds 1e7
    bad_reduced,      // the reduced system is exactly singular: the whole LU decides
};

struct CondensedReport {
    Condensation outcome = Condensation::no_structure;
    int32_t interior = 0;          // order of the interior block
    int32_t reduced = 0;           // order of the reduced system (interface + reactions)
    bool reused = false;           // the interior factorisation was kept from an earlier call
    double rcond_interior = 0.0;   // reciprocal condition numbers (1-norm estimates) of the
    double rcond_reduced = 0.0;    // equilibrated interior block and reduced system
    double refinement = 0.0;       // ||dx|| / ||x|| of the refinement step (max norm)
};

// The frame's interior condensed, kept from one system to the next: a run
// owns one and hands it to every double-precision solution.
class FrameCondensation {
public:
    FrameCondensation();
    ~FrameCondensation();
    FrameCondensation(const FrameCondensation&) = delete;
    FrameCondensation& operator=(const FrameCondensation&) = delete;

    // Solves a·x = b (a n x n, column-major, leading dimension lda, left
    // unchanged; b becomes x) with the first nf unknowns the frame's, and
    // `interface` the frame equations (0-based, ascending) that a reaction
    // column or a compatibility row touches. Returns false, with b untouched,
    // when the structure is absent or does not pay (report.outcome says why).
    // One refinement step uses the residual of the whole matrix.
    //
    // The interior factorisation is kept, with a compressed copy of the frame
    // block, for the next call: a call whose frame block and interface are the
    // same reuses it, any other replaces it. So does a rejected interior,
    // which is not factored again while the frame stays as it was.
    bool solve(const double* a, int32_t n, int32_t lda, int32_t nf, const std::vector<int32_t>& interface, double* b,
               CondensedReport& report);

    // Drops what is kept.
    void clear();

    struct Kept;

private:
    Kept* kept_;
};

} // namespace qb
