// Linear frame-soil interaction: frame stiffness and soil flexibility coupled
// into one system, solved for the free displacements and the reactions.
//
// Sign conventions: a reaction R is the soil's line load on its node (units of
// UNID(3)); the compatibility equation of reaction j reads
//     d_j + sum_k FLEX(j,k) R(k) = 0,
// i.e. the node's vertical displacement equals the soil settlement -FLEX*R.
// The settlement HUNDIM is reported as that soil surface movement, so a
// downward settlement under an upward (positive) reaction is negative.

#include "solver/hund.h"

#include <cmath>

#include "solver/dense.h"
#include "textio/rows.h"

namespace qb::inline QB_ARITH {

namespace {

// Log bounds: matrices are traced only while their rows stay readable.
constexpr int32_t LOG_SMALL = 200;    // flexibility, stiffness and partial coupled matrices
constexpr int32_t LOG_LARGE = 2000;   // the final coupled matrix

void log_heading(const Model& m, Trace log) {
    trace_separator(log);
    List(log) << "DENTRO DE HUND";
    List(log) << "PARAMETROS";
    List(log) << "NGRED=" << m.NGRED;
    List(log) << "REACCIONES POR ZAPATAS CORRIDAS" << m.NR;
    List(log) << "REACCIONES POR ZAPATAS AISLADAS" << m.MR;
}

// The coupled matrix: compatibility rows first, then the frame's equilibrium
// rows; the right-hand side is the nodal loads less the member loads.
void form_system(const Model& m, const CaseState& st, const CoupledSystem& sys, const Vec1<real>& vered,
                 Mat1<real>& Cr, Vec1<real>& B, Trace log) {
    const int32_t NGRED = m.NGRED, NR = m.NR, MR = m.MR, nreac = NR + MR, n = Cr.rows();
    auto cr = [&](int32_t i, int32_t j) { return Cr(i, j); };

    List(log) << "MATRIZ DE FLEXIBILIDADES";
    List(log) << "NGRED=" << NGRED << "N=" << NR << "M=" << MR;
    if (NR <= LOG_SMALL)
        fixed_rows(log, nreac, nreac, 10, 5, LOG_SMALL, [&](int32_t i, int32_t j) { return st.FLEX(i, j); });
    List(log) << "matriz akr";
    if (n <= LOG_SMALL) fixed_rows(log, n, n, 18, 5, n, [&](int32_t r, int32_t c) { return sys.frame()(r, c); });
    List(log) << "Matriz Cr";
    if (n <= LOG_SMALL) fixed_rows(log, n, n, 18, 8, n, cr);

    List(log) << "FORMACION DE CR CON MATRIZ DE FLEXIBILIDADES";
    List(log) << "SE AMPLIARÁ LA MATRIZ DEBIDO A LAS REACCIONES INCOGNITAS";
    List(log) << "AGREGANDO FLEXIBILIDADES POR ZAP CORRIDAS";
    List(log) << "n=" << NR;
    sys.add_compatibility(Cr, 1, NR);
    List(log) << "Matriz Cr + FLEXIBILIDADES-Zap Corr";
    List(log) << "n=" << NR;
    if (NGRED + NR <= LOG_SMALL) fixed_rows(log, NGRED + NR, NGRED + NR, 18, 8, NGRED + NR, cr);

    // Only the footing block of FLEX couples the nodal reactions; the cross
    // terms between area and nodal reactions stay out of the system.
    List(log) << "SE AGREGARAN LAS FLEXIBILIDADES POR ZAPATAS AISLADAS";
    List(log) << "M=" << MR;
    sys.add_compatibility(Cr, NR + 1, nreac);
    List(log) << "Matriz Cr + FLEXIBILIDADES-Zap Corr-Aisladas";
    if (n <= LOG_SMALL) fixed_rows(log, n, n, 18, 8, n, cr);

    List(log) << "FORMACION DE B";
    sys.load(m, vered, B);
    for (int32_t i = 1; i <= n; ++i)
        Rec(log).I(i, 5).F(vered.at_or_zero(i), 12, 6).F(m.PCONC.at_or_zero(i), 12, 6).F(B(i), 12, 6);

    sys.add_frame(Cr);
    List(log) << "FORMACION DE CR TOTAL";
    if (n <= LOG_LARGE) fixed_rows(log, n, n, 20, 8, LOG_LARGE, cr);
}

// DESPL, and HUNDIM: the settlement under every reaction, from the full rows
// of FLEX (cross terms included).
void store_solution(const Model& m, CaseState& st, const Vec1<real>& X) {
    const int32_t nreac = m.NR + m.MR;
    store_displacements(m, st, X, nreac);
    for (int32_t i = 1; i <= nreac; ++i)
        st.HUNDIM(i) = settlement(st, i, nreac, [&](int32_t j) { return st.reaction(m, j); });
}

} // namespace

void store_displacements(const Model& m, CaseState& st, const Vec1<real>& X, int32_t reactions) {
    for (int32_t j = 1; j <= reactions; ++j) st.DESPL(m.NTOT + j) = X(m.NGRED + j);
    for (int32_t g = 1; g <= m.NTOT; ++g) {
        const int32_t eq = m.NGL(g);
        st.DESPL(g) = eq != 0 ? X(eq) : 0.0_r;
    }
}

void trace_separator(Trace log) {
    log.empty(2);
    Rec(log).text("////////////////////////////////////////");
    log.empty(1);
}

real subgrade_modulus(const Model& m, const CaseState& st, int32_t i) {
    return std::fabs((st.reaction(m, i) * m.LONGREAC.at_or_zero(dof(i, DZ))) / st.HUNDIM(i));
}

void trace_node_translations(const Model& m, const CaseState& st, Trace log) {
    List(log) << "desplazamientos nodales";
    for (int32_t nd = 1; nd <= m.NN; ++nd)
        List(log) << nd << st.DESPL(dof(nd, DX)) << st.DESPL(dof(nd, DY)) << st.DESPL(dof(nd, DZ));
}

double HUND(const Model& m, const FrameSystem& frame, CaseState& st, const Vec1<real>& vered, Trace log,
            SolverContext& ctx) {
    const int32_t nreac = m.NR + m.MR;
    CoupledSystem sys(m, frame, nreac);
    sys.soil_from_flexibility(st.FLEX, m.NR);
    const int32_t n = sys.order();

    log_heading(m, log);
    Vec1<real> B(n), X(n);
    st.DESPL.resize(m.NTOT + nreac);
    st.HUNDIM.resize(nreac);
    double condition = 0.0;
    if (m.large) {
        // The large-model path: the system stays in its blocks.
        sys.load(m, vered, B);
        for (int32_t i = 1; i <= n; ++i) X(i) = B(i);
        condition = solve_large(sys, X, log, ctx);
    } else {
        Mat1<real> Cr(n, n);
        form_system(m, st, sys, vered, Cr, B, log);
        for (int32_t i = 1; i <= n; ++i) X(i) = B(i);
        condition = solve_dense(sys, Cr, X, false, log, ctx);   // no inverse wanted
    }
    List(log) << "IMPRESION DE VECTOR SOLUCION";
    for (int32_t i = 1; i <= n; ++i) List(log) << i << X(i);

    store_solution(m, st, X);
    log.empty(1);
    Rec(log).text("GRADO DE LIBERTAD, REACCION").data(m.unid(3), 10).text(" HASTA N=").I(m.NR, 5)
        .text("    ,  Y GIROS (rad) LOS SIGUIENTES ");
    log.empty(1);
    for (int32_t g = 1; g <= m.NTOT; ++g) List(log) << g << st.DESPL(g);

    (List(log) << "MÓDULOS DE REACCIÓN:") << m.unid(3);
    for (int32_t i = 1; i <= nreac; ++i) {
        List(log) << "REAC=" << st.reaction(m, i);
        List(log) << "LR=" << m.LONGREAC.at_or_zero(dof(i, DZ));
        List(log) << "DESP" << st.HUNDIM(i);
        List(log) << i << subgrade_modulus(m, st, i);
    }
    trace_node_translations(m, st, log);
    return condition;
}

double HUND(const Model& m, const FrameSystem& frame, CaseState& st, const Vec1<real>& vered, Trace log) {
    SolverContext ctx;
    return HUND(m, frame, st, vered, log, ctx);
}

} // namespace qb
