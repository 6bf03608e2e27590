// Bundled examples read into a model in memory, and the vertical load that
// the soil must carry in a case.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

#include "driver/run.h"
#include "frame/assembly.h"

namespace qbtest {

using namespace qb;

inline std::string example(const std::string& name) {
    std::ifstream f(std::string(QB_SOURCE_DIR) + "/examples/" + name, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

// Reads and prepares `data`; the log stays closed, the rest goes to memory.
inline void read_model(Model& m, FrameSystem& frame, Io& io, const std::string& data) {
    for (Channel* ch : {&io.console, &io.report, &io.msh, &io.res, &io.valinf}) ch->attach_buffer();
    ListReader in("datos.dat", data);
    prepare(m, frame, io, in);
}

// Downward load of case 2, 3 or 4: the gravity loads and self weight as
// totalled by the assembly (with CVMax), CVMed instead in cases 3 and 4, the
// PV column, and the vertical nodal loads.
inline double vertical_load(const Model& m, int32_t caso) {
    double load = m.total_load;
    for (int32_t j = 1; j <= m.NB; ++j) {
        real q = m.CUNIF(j, PV_LOAD);
        if (caso != 2) q = q + m.CUNIF(j, CVMED) - m.CUNIF(j, CVMAX);
        load += static_cast<double>(q) * m.LBARRA(j);
    }
    for (int32_t n = 1; n <= m.NN; ++n) load -= m.PNOD(dof(n, DZ));
    return load;
}

// What the area reactions carry: line reaction times reaction length.
inline double area_reactions(const Model& m, const CaseState& st) {
    double up = 0.0;
    for (int32_t j = 1; j <= m.NR; ++j) up += static_cast<double>(st.reaction(m, j)) * m.LONGREAC(m.NREAC(j));
    return up;
}

} // namespace qbtest
