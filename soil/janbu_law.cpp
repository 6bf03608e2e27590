#include "soil/flexibility.h"
#include "soil/settlement_law.h"

namespace qb::inline QB_ARITH {

void JanbuLaw::flexibility(const Model& m, CaseState& st, const Vec1<real>& R, Trace log) const {
    FNLCC(m, st, R, log);
}

} // namespace qb
