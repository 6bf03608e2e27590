// Report sections of a solved case: reactions, settlements, moduli of subgrade
// reaction and node displacements.
#pragma once

#include "model/model.h"
#include "textio/lineform.h"

namespace qb::inline QB_ARITH {

// The report of a linear solution: reactions, settlements and moduli of
// subgrade reaction, then (in "arch.res") the values block of the
// translations, then the displacement table.
void report_linear_solution(const Model& m, const CaseState& st, Channel& report, Channel& res);

// The displacements and rotations of every node (the column heading and one
// row per node).
void node_displacement_table(const Model& m, const CaseState& st, Channel& report);

// The results section of a nonlinear solution: reactions, settlements (the
// vertical displacement of each reaction's node), every displacement and
// rotation, and the table per node. The headings carry the fixed units "t/m"
// and "m".
void report_nonlinear_solution(const Model& m, const CaseState& st, Channel& report);

} // namespace qb
