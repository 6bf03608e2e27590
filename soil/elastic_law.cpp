#include "soil/flexibility.h"
#include "soil/settlement_law.h"

namespace qb::inline QB_ARITH {

ModulusSource ElasticLaw::moduli(const Model& m) const {
    const bool expansion = caso_ == 1;
    switch (m.nflag1) {
    case 1: return {"field modulus at the central node", expansion ? &m.EELASP : &m.ECOMPP, false};
    case 2: return {"field modulus", expansion ? &m.EELAS : &m.ECOMP, true};
    case 3: return {expansion ? "soil modulus E1" : "soil modulus E2", expansion ? &m.soil.E1 : &m.soil.E2, false};
    default: return {};
    }
}

void ElasticLaw::flexibility(const Model& m, CaseState& st, const Vec1<real>&, Trace log) const {
    if (const ModulusSource src = moduli(m); src.E != nullptr) FLSC(m, st, *src.E, log);
}

} // namespace qb
