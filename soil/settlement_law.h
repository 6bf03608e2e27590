// How the soil under the foundation settles in an analysis case. Each law is
// one implementation of this interface, in a file of its own, and the table
// of the analysis cases (driver/cases.cpp) names the law of every case and
// analysis type: a new law is one new file and one row of that table.
//
// A linear law gives the case's flexibility FLEX, the settlement under area
// reaction j of a unit line reaction at area reaction l, which the linear
// solution couples with the frame. The nonlinear law gives the settlements
// under the area reactions for given reactions, which the Newton solution
// solves together with the frame.
#pragma once

#include <cstdint>

#include "model/model.h"
#include "textio/trace.h"

namespace qb::inline QB_ARITH {

// The moduli a linear law builds its flexibility from, for the messages that
// name a modulus that makes a compliance infinite.
struct ModulusSource {
    const char* name = "";             // "soil modulus E2", "field modulus", ...
    const Mat1<real>* E = nullptr;     // by profile, or by reaction node
    bool by_node = false;
};

class SettlementLaw {
public:
    virtual ~SettlementLaw() = default;
    virtual bool linear() const { return true; }

    // A linear law: FLEX of the area reactions (st.FLEX sized NR + MR; the
    // rows after NR are the isolated footings'). `R` are the reactions the
    // flexibility is built for, for a law that depends on them (else unused).
    virtual void flexibility(const Model& m, CaseState& st, const Vec1<real>& R, Trace log) const {
        (void)m; (void)st; (void)R; (void)log;
    }
    // The moduli behind it.
    virtual ModulusSource moduli(const Model& m) const {
        (void)m;
        return {};
    }

    // The nonlinear law: def(i), i = 1..NR, the settlement under every area
    // reaction for the Newton vector R (reaction l at R(NGRED + l)), each
    // reaction raised by h(l). def is resized to NR.
    virtual void settlements(const Model& m, const Vec1<real>& R, const Vec1<real>& h, Vec1<real>& def,
                             Trace log) const {
        (void)m; (void)R; (void)h; (void)def; (void)log;
    }
    // Its derivative, J(i, k) = d def(i) / d R(NGRED + k) (NR x NR), from
    // the formula itself: the large-model path's Jacobian.
    virtual void jacobian(const Model& m, const Vec1<real>& R, Mat1<real>& J) const {
        (void)m; (void)R; (void)J;
    }
};

// Linear elasticity with the moduli that NFLAG1 chooses for case 1
// (expansion) or 2 (immediate compression): field moduli at the central node
// (1) or at each node (2), laboratory moduli (3); any other NFLAG1 builds
// nothing and FLEX keeps what it holds.
class ElasticLaw : public SettlementLaw {
public:
    explicit ElasticLaw(int32_t caso) : caso_(caso) {}
    void flexibility(const Model& m, CaseState& st, const Vec1<real>& R, Trace log) const override;
    ModulusSource moduli(const Model& m) const override;

private:
    int32_t caso_;
};

// Primary consolidation: compliance 1/Emv, vertical stress only.
class PrimaryConsolidationLaw : public SettlementLaw {
public:
    void flexibility(const Model& m, CaseState& st, const Vec1<real>& R, Trace log) const override;
    ModulusSource moduli(const Model& m) const override;
};

// Secondary consolidation: compliance 1/Emt, vertical stress only, times the
// time factor log10(1 + PSI T).
class SecondaryConsolidationLaw : public SettlementLaw {
public:
    void flexibility(const Model& m, CaseState& st, const Vec1<real>& R, Trace log) const override;
    ModulusSource moduli(const Model& m) const override;
};

// Immediate compression with the stress-dependent (Janbu) modulus
// E = K PA (sigma / PA)^N, sigma the mean stress that the reactions R and the
// in-situ pressure give: the law of the iterative solution of case 2.
class JanbuLaw : public SettlementLaw {
public:
    void flexibility(const Model& m, CaseState& st, const Vec1<real>& R, Trace log) const override;
};

} // namespace qb
