#include "soil/flexibility.h"
#include "soil/settlement_law.h"

namespace qb::inline QB_ARITH {

ModulusSource SecondaryConsolidationLaw::moduli(const Model& m) const { return {"soil modulus Emt", &m.soil.EMT}; }

void SecondaryConsolidationLaw::flexibility(const Model& m, CaseState& st, const Vec1<real>&, Trace log) const {
    FLSC_4(m, st, log);
}

} // namespace qb
