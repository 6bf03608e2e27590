#include "output/solution_report.h"

#include "output/gid.h"
#include "solver/hund.h"

namespace qb::inline QB_ARITH {

void report_linear_solution(const Model& m, const CaseState& st, Channel& report, Channel& res) {
    const int32_t nreac = m.NR + m.MR;
    (List(report) << "REACCIONES ESTIMADAS:") << m.unid(3);
    for (int32_t i = 1; i <= nreac; ++i) List(report) << i << st.reaction(m, i);
    report.empty(2);
    Rec(report).text("NUDO, HUNDIMIENTO DEL NUDO");
    Rec(report).X(13).data(m.unid(2), 10);
    for (int32_t i = 1; i <= nreac; ++i) Rec(report).I(i, 5).F(st.HUNDIM(i), 10, 5);
    (List(report) << "MÓDULOS DE REACCIÓN:") << m.unid(3);
    for (int32_t i = 1; i <= nreac; ++i) List(report) << i << subgrade_modulus(m, st, i);

    gid_values_block(res, m, st);
    (List(report) << "Desplazamientos,") << m.unid(2) << ", y giros por nodo";
    node_displacement_table(m, st, report);
}

void node_displacement_table(const Model& m, const CaseState& st, Channel& report) {
    List(report) << "  nodo    dx          dy          dz          tx" << "          ty          tz";
    for (int32_t nd = 1; nd <= m.NN; ++nd) {
        Rec r(report);
        r.I(nd, 6);
        for (int32_t c = DX; c <= MZ; ++c) r.F(st.DESPL(dof(nd, c)), 12, 6);
    }
}

void report_nonlinear_solution(const Model& m, const CaseState& st, Channel& report) {
    const int32_t NTOT = m.NTOT, NR = m.NR;
    List(report) << "REACCIONES, t/m";
    for (int32_t j = 1; j <= NR; ++j) Rec(report).I(j, 6).F(st.reaction(m, j), 20, 8);
    List(report) << "HUNDIMIENTOS, m";
    for (int32_t j = 1; j <= NR; ++j) Rec(report).I(j, 6).F(st.DESPL(m.NREAC(j)), 20, 8);
    List(report) << "GIROS Y DESPLAZAMIENTOS";
    for (int32_t g = 1; g <= NTOT; ++g) Rec(report).I(g, 6).F(st.DESPL(g), 20, 8);
    List(report) << "Desplazamientos y giros por nodo";
    node_displacement_table(m, st, report);
}

} // namespace qb
