// Checks of each case: its soil flexibility before the solution, and the
// solution before and after its results are written. What is not a solution
// ends the run with exit status 2: at once when nothing sound can be written
// (a flexibility or a solution that is not finite), after writing what was
// computed when the solution does not satisfy its equations or does not carry
// its loads.
#pragma once

#include <string>

#include "model/model.h"
#include "soil/settlement_law.h"
#include "solver/solution_check.h"
#include "textio/errors.h"

namespace qb::inline QB_ARITH {

// A case that has no solution (singular, not finite): exit status 2.
struct SolutionFailure : RunError {
    explicit SolutionFailure(const std::string& what) : RunError(2, what, true) {}
};

// Relative residual and vertical imbalance beyond which a solution is not one.
constexpr double SOLUTION_TOLERANCE = 0.01;   // 1 %

// What most likely makes the structure unable to carry its loads: magnitudes
// in the data that overflow the arithmetic, the first bar without stiffness
// (unknown section or material, zero modulus or section), the first isolated
// footing of zero size, or else a mechanism.
std::string likely_cause(const Model& m);

// Where the soil flexibility of a case comes from, to name the cause when it
// is not finite: the modulus table of the area reactions (by profile, or by
// reaction node for the field moduli at each node), the tables of the
// isolated-footing springs, and the reactions a Janbu pass was built for.
struct SoilSource {
    ModulusSource moduli;                     // of the case's linear law
    const Mat1<real>* footing_E = nullptr;
    const Mat1<real>* footing_nu = nullptr;
    const Vec1<real>* janbu_reactions = nullptr;
    int32_t pass = 0;                         // the Janbu pass, from 1
};

// Throws SolutionFailure, naming the reaction and the likely cause, when the
// case's flexibility FLEX holds a value that is not finite.
void check_flexibility(const Model& m, const CaseState& st, const SoilSource& src, const std::string& what);

// Throws SolutionFailure when a displacement, reaction or settlement of the
// case is not finite.
void check_finite(const Model& m, const CaseState& st, const std::string& what);
// The same for the bar end forces of its bar-force pass.
void check_bar_forces(const Model& m, const CaseState& st, const std::string& what);

// The figures that make a solution not a solution (relative residual,
// vertical balance off by more than 1 %), "" when it is sound.
std::string solution_doubt(const SolutionQuality& q);

} // namespace qb
