// Checks of each solution before its results are written: a solution that
// is not finite stops the run (exit status 2); a doubtful one is written as
// computed, with a warning on standard error.
#pragma once

#include <stdexcept>
#include <string>

#include "model/model.h"

namespace qb {

// A case that has no solution (singular or not finite): exit status 2.
struct SolutionFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// What most likely makes the structure unable to carry its loads: the first
// bar without stiffness (unknown section or material, zero modulus or
// section), the first isolated footing of zero size, or else a mechanism.
std::string likely_cause(const Model& m);

// After the linear solution (or a pass of the iterative one) of case `what`
// ("case 2 (immediate compression, linear solution)"): throws SolutionFailure
// when a displacement or reaction is not finite; warns on standard error
// when the relative residual or the vertical balance is off by more than 1 %
// (and `judge` is true), returning whether it did.
bool check_linear_solution(const Model& m, const CaseState& st, const Vec1<real>& vered, const std::string& what,
                           bool judge = true);
// The same after a Newton solution. One that has not converged is not
// warned about twice: its last iterate is already said to be doubtful.
void check_newton_solution(const Model& m, const CaseState& st, const Vec1<real>& vered, const std::string& what,
                           bool converged);

} // namespace qb
