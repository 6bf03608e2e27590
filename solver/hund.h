// Linear frame-soil interaction of one load case.
#pragma once

#include "driver/model.h"
#include "solver/gaussj.h"   // SingularMatrix

namespace qb {

// Solves the frame equilibrium equations together with one settlement
// compatibility equation per soil reaction, as one dense system of order
// n = NGRED + NR + MR:
//   rows 1..NGRED      akr * (d, R) = PCONC - vered
//   row  NGRED+j       d(dof of reaction j) + sum_k FLEX(j,k) R(k) = 0
//                      (k over the reaction's own group: area or nodal)
// and reports reactions, settlements, moduli of subgrade reaction and node
// displacements (results report), the translations ("arch.res" values block)
// and a trace of every step ("MEMORIA").
//
// Reads: NN, NTOT, NGRED, NR, MR, akr (NGRED x NGRED+NR+MR), FLEX (NR+MR
// square), PCONC (by equation number), NGL, NREAC, NREACNOD, LONGREAC (by
// global dof), UNID; `vered` is the reduced load vector of the case.
// Fills: DESPL (NTOT+NR+MR: displacements by global dof, then the reactions)
// and HUNDIM (NR+MR: settlement under each reaction).
// A singular system writes "singular matrix in gaussj" to the console and
// throws SingularMatrix (nothing of this call reaches the report).
void HUND(Model& m, Io& io, const Vec1<float>& vered);

} // namespace qb
