// Settlement of the soil under the area reactions by Demeneghi's nonlinear
// equation: the nonlinear soil of the Newton solution (solver/newton.h).
//
// Stresses at the mid-depth of a stratum come from the Boussinesq influence
// values (IX, IY, IZ) of every loaded reaction, scaled by its pressure
// (r + h) LONGREAC / AREAREAC, the length and area kept at the vertical
// translation 6l - 3 of node l. A settlement is positive downwards (length
// units of the data file).
//
// Case 2 (immediate compression), every soil type:
//   C = (sx + sy) / sz,  F = 1/3 + C/3,  p0 = (2 KO + 1) PZ / 3
//   X = (1 - nu C)(sqrt(sz F + p0) - sqrt(p0)) / (sqrt(PA) 0.5 A_Dem F)
//   settlement = H (1 - exp(-X));   a stratum with sz = 0 settles 0.
// Case 3 (primary consolidation), clay only:   (1 - exp(sz / (-PA A_Dem))) H
// Case 4 (secondary consolidation), clay only: log10(1 + PSI T) times that.
// Any other case number settles 0.
#pragma once

#include <cstdint>

#include "model/model.h"
#include "soil/settlement_law.h"
#include "textio/trace.h"

namespace qb::inline QB_ARITH {

// The Demeneghi coefficient table of a case: A (2), AP (3) or ACS (4);
// A for any other case (whose settlements are 0 anyway).
const Mat1<real>& demeneghi_coefficients(const Soil& s, int32_t caso);

// Settlement of stratum j of profile p under area reaction i. R is the
// Newton vector (reaction l at R(NGRED + l)); h(l) is added to reaction l
// before the stresses are formed. Reads NGRED, NTOT, NR, KO, PZ, H, NU2,
// TIPOEST, PSI, T, PA, LONGREAC, AREAREAC and the influence tables. A profile
// outside the soil tables has no soil: 0. Traces to `log`.
real Def(const Model& m, int32_t caso, int32_t i, int32_t j, int32_t p, const Mat1<real>& A_Dem,
          const Vec1<real>& h, const Vec1<real>& R, Trace log);

// def(i), i = 1..NR: the settlement under every area reaction, summed over
// the strata of the profile PERFN of its node (stratum 1 always, then
// 2..NEST). def is resized to NR. Traces to `log`.
void CalcDefNL(const Model& m, int32_t caso, const Mat1<real>& A_Dem, const Vec1<real>& R, const Vec1<real>& h,
               Vec1<real>& def, Trace log);

// J(i, k) = d def(i) / d R(NGRED + k), i, k = 1..NR, of CalcDefNL with h = 0,
// differentiated term by term (J is resized to NR x NR). With
// w_l = LONGREAC / AREAREAC of reaction l, every stress of stratum j under i
// is linear in the reactions, s = sum_l R_l w_l I(i, j, l), so that
//   J(i, k) = w_k sum_j [dDef/d(sx+sy) (IX + IY)(i, j, k) + dDef/dsz IZ(i, j, k)].
// Case 2, with u = sx + sy, Q = sqrt((sz + u) / 3 + p0), N = (1 - nu C)(Q - sqrt p0),
// k = 0.5 A sqrt(PA):  dDef = H exp(-X) dX,  X = N / (k F),
//   dX/du  = (N_u F - N / (3 sz)) / (k F^2),   N_u  = -nu (Q - sqrt p0) / sz + (1 - nu C) / (6 Q)
//   dX/dsz = (N_sz F + N u / (3 sz^2)) / (k F^2), N_sz = nu u (Q - sqrt p0) / sz^2 + (1 - nu C) / (6 Q);
// a stratum with sz = 0 settles 0 whatever the lateral stresses: 0.
// Cases 3 and 4 (clay): dDef/dsz = H exp(-sz / (PA A)) / (PA A), times
// log10(1 + PSI T) in case 4.
void demeneghi_jacobian(const Model& m, int32_t caso, const Mat1<real>& A_Dem, const Vec1<real>& R, Mat1<real>& J);

// Demeneghi's equation as the settlement law of case `caso` (2, 3 or 4), the
// nonlinear law of the Newton solution.
class DemeneghiLaw : public SettlementLaw {
public:
    explicit DemeneghiLaw(int32_t caso) : caso_(caso) {}
    bool linear() const override { return false; }
    int32_t caso() const { return caso_; }
    void settlements(const Model& m, const Vec1<real>& R, const Vec1<real>& h, Vec1<real>& def,
                     Trace log) const override {
        CalcDefNL(m, caso_, demeneghi_coefficients(m.soil, caso_), R, h, def, log);
    }
    void jacobian(const Model& m, const Vec1<real>& R, Mat1<real>& J) const override {
        demeneghi_jacobian(m, caso_, demeneghi_coefficients(m.soil, caso_), R, J);
    }

private:
    int32_t caso_;
};

} // namespace qb
