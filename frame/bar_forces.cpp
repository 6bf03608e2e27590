#include "frame/bar_forces.h"

#include "frame/assembly.h"
#include "frame/frame_log.h"
#include "frame/geometry.h"
#include "frame/stiffness.h"

namespace qb::inline QB_ARITH {

namespace {

// End displacements of bar j, global then local, and the nodal loads at its
// ends (the loads only for the trace).
void bar_end_vectors(const Model& m, const CaseState& st, int32_t j, const Mat12& T, Vec12& dl, Trace log) {
    Vec12 dg, pg, pl;
    for (int32_t r = 1; r <= 12; ++r) dg(r) = st.DESPL.at_or_zero(m.VGL(j, r));
    List(log) << "VECTOR DE DESPLAZAMIENTOS POR BARRA";
    log_vector_row(log, dg);
    matmul12(T, dg, dl, log);
    List(log) << "VECTOR DE DESPLAZAMIENTOS LOCAL POR BARRA";
    log_vector_row(log, dl);

    for (int32_t r = 1; r <= 12; ++r) pg(r) = m.PNOD.at_or_zero(m.VGL(j, r));
    List(log) << "VECTOR GLOBAL DE CARGAS, BARRA" << j;
    log_vector_row(log, pg);
    matmul12(T, pg, pl, log);
    List(log) << "VECTOR LOCAL DE CARGAS, BARRA" << j;
    log_vector_row(log, pl);
}

// Soil line reactions r1 (first half) and r2 (second half) of a bar whose two
// end DZ are area reactions: VR are their equivalent end forces, the
// negatives of the bar's reaction columns in akr.
void soil_reaction_forces(const Model& m, const CaseState& st, int32_t j, Vec12& VR, Trace log) {
    VR.zero();
    const BarReactions p = bar_reactions(m, j);
    if (!p.both()) return;
    const real L = m.LBARRA(j);
    const real L2 = L * L;
    const real r1 = st.reaction(m, p.first);
    const real r2 = st.reaction(m, p.second);
    Vec12 F1, F2;
    half_reaction_forces(L, L2, true, F1);
    half_reaction_forces(L, L2, false, F2);
    for (const int32_t r : {3, 5, 9, 11}) VR(r) = (-F1(r)) * r1 + (-F2(r)) * r2;
    List(log) << "añadiendo la contribución de las reacciones";
    List(log) << "ncol1=" << p.first << "ncol2=" << p.second;
    List(log) << "X(ncol1+NG)=" << r1 << "X(ncol2+NG)=" << r2;
    List(log) << "VECTOR POR REACCIONES VR, BARRA" << j;
    log_vector_row(log, VR);
}

} // namespace

void recover_bar_forces(const Model& m, CaseState& st, int32_t caso, Trace log) {
    st.ELMEC.resize(m.NB, 12);

    List(log) << "Caso:" << caso;
    List(log) << "GRADOS DE LIBERTAD" << m.NTOT;
    List(log) << "VECTOR SOLUCIÓN";
    List(log) << "NR=" << m.NR;
    // displacements and the area reactions (the ones these forces use)
    const int32_t nsol = m.NTOT + m.NR;
    for (int32_t i = 1; i <= nsol; ++i) List(log) << st.DESPL.at_or_zero(i);

    BarSection sec;
    BarElement e;
    Vec12 dl, Kd, VR, FE, KdVR;
    for (int32_t j = 1; j <= m.NB; ++j) {
        // the same section, stiffness and transformation as the assembly
        lookup_bar_section(m, j, sec, log);
        List(log) << "LA CARGA UNIFORME SOBRE LA BARRA" << j << " ES" << case_line_load(m, j, caso);
        form_bar_element(m, log, j, sec, e, false);
        const real L = m.LBARRA(j);

        bar_end_vectors(m, st, j, e.T, dl, log);
        matmul12(e.K, dl, Kd, log);
        List(log) << "VECTOR K*d, BARRA" << j;
        log_vector_row(log, Kd);
        soil_reaction_forces(m, st, j, VR, log);

        // Fixed-end forces of the line load, with the sign of the case's load
        // vector; no axial self-weight term here.
        fixed_end_forces(downward_line_load(m, j, caso), L, L * L, FE);
        List(log) << "VECTOR EMPOTRAMIENTO, BARRA" << j;
        log_vector_row(log, FE);

        for (int32_t r = 1; r <= 12; ++r) {
            KdVR(r) = Kd(r) - VR(r);
            st.ELMEC(j, r) = KdVR(r) + FE(r);
        }
        List(log) << "VECTOR Kd ANTES DE SUMAR VR, BARRA" << j;
        log_vector_row(log, Kd);
        List(log) << "VECTOR LOCAL K*d+VR, BARRA" << j;
        log_vector_row(log, KdVR);
        List(log) << "VECTOR DE ELEMENTOS MECANICOS, BARRA" << j;
        fixed_rows(log, 1, 12, 10, 4, 12, [&](int32_t, int32_t r) { return st.ELMEC(j, r); });
    }
}

} // namespace qb
