// Linear frame-soil interaction of one load case.
#pragma once

#include "model/model.h"
#include "solver/dense.h"
#include "textio/trace.h"

namespace qb::inline QB_ARITH {

// Solves the frame equilibrium equations together with one settlement
// compatibility equation per soil reaction, as one dense system of order
// n = NGRED + NR + MR:
//   rows 1..NGRED      akr * (d, R) = PCONC - vered
//   row  NGRED+j       d(dof of reaction j) + sum_k FLEX(j,k) R(k) = 0
//                      (k over the reaction's own group: area or nodal)
// with a trace of every step in the log.
//
// Reads: NN, NTOT, NGRED, NR, MR, the frame's akr (NGRED x NGRED+NR+MR), the case's FLEX
// (NR+MR square), PCONC (by equation number), NGL, NREAC, NREACNOD, LONGREAC
// (by global dof), UNID; `vered` is the reduced load vector of the case.
// Fills: DESPL (NTOT+NR+MR: displacements by global dof, then the reactions)
// and HUNDIM (NR+MR: settlement under each reaction).
// A singular system throws SingularMatrix. Returns the estimated condition
// number of the system (0 where none is estimated). The solutions of a run
// share `ctx`; without it, the call has a context of its own.
double HUND(const Model& m, const FrameSystem& frame, CaseState& st, const Vec1<real>& vered, Trace log,
            SolverContext& ctx);
double HUND(const Model& m, const FrameSystem& frame, CaseState& st, const Vec1<real>& vered, Trace log);

// Modulus of subgrade reaction of reaction i: |R L / settlement|, with L the
// reaction length kept at the vertical translation of node i. A zero
// settlement gives a non-finite modulus.
real subgrade_modulus(const Model& m, const CaseState& st, int32_t i);

// The separator that opens the trace of a solution: two empty lines, 40
// slashes, an empty line.
void trace_separator(Trace log);

// DESPL from a solution X in equation order: the displacement of every
// global dof (0 when restrained), then the first `reactions` reactions.
void store_displacements(const Model& m, CaseState& st, const Vec1<real>& X, int32_t reactions);

// The settlement under reaction i that the case's flexibility gives for the
// reactions r(1..count): -sum FLEX(i, j) r(j), summed in ascending j and then
// negated, so that an exact zero sum is a settlement of -0.
template <class Reactions>
real settlement(const CaseState& st, int32_t i, int32_t count, Reactions&& r) {
    real s = 0.0_r;
    for (int32_t j = 1; j <= count; ++j) s = s + st.FLEX(i, j) * r(j);
    return -s;
}

// "desplazamientos nodales": the three translations of every node.
void trace_node_translations(const Model& m, const CaseState& st, Trace log);

} // namespace qb
