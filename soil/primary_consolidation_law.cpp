#include "soil/flexibility.h"
#include "soil/settlement_law.h"

namespace qb::inline QB_ARITH {

ModulusSource PrimaryConsolidationLaw::moduli(const Model& m) const { return {"soil modulus Emv", &m.soil.EMV}; }

void PrimaryConsolidationLaw::flexibility(const Model& m, CaseState& st, const Vec1<real>&, Trace log) const {
    FLSC_3(m, st, log);
}

} // namespace qb
