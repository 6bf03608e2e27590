// How far a solution can be trusted: the figures of the check made after
// the fact, in double precision, whatever the arithmetic of the run.
#pragma once

#include <cstdint>

namespace qb {

struct SolutionQuality {
    int32_t non_finite = 0;      // displacements and reactions that are NaN or infinite
    // ||A x - b|| / (||A|| ||x|| + ||b||), maximum norms, over the rows that
    // were solved: the equilibrium rows (akr, recomputed from the model, so no
    // copy of the eliminated matrix is kept) and, for a linear solution, the
    // compatibility rows (FLEX).
    double residual = 0.0;
    // The vertical balance, when it can be made: it needs the vertical
    // translation of every node that ends a bar to be free (a fixed support
    // carries a share of the load that the solution does not give).
    bool balance_known = false;
    double load = 0.0;           // sum of the vertical loads (negative downwards)
    double carried = 0.0;        // sum of the vertical soil, footing and spring reactions
    double imbalance = 0.0;      // |load + carried| / max(sum of |vertical loads|, |carried|)
};

} // namespace qb
