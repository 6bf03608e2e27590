#include "solver/newton.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "soil/reaction_areas.h"
#include "solver/demeneghi.h"
#include "solver/dense.h"
#include "solver/hund.h"
#include "textio/rows.h"

namespace qb::inline QB_ARITH {

namespace {

constexpr real R_START = 10.0_r;           // starting line reaction of every area reaction
constexpr real SPRING_START = -2500.0_r;   // start: node 10/2500 below its position
constexpr real DELTA = 0.001_r;            // reaction increment of the Jacobian
constexpr real TOLERANCE = 0.01_r;         // percent change of a converged reaction

// "R( i) =" / "F( i) =" records; from 100 on the index overflows its field.
void log_indexed(Trace log, const char* name, int32_t i, real v) {
    Rec(log).text(name).I(i, 2).text(") =").F(v, 20, 10);
}

void log_values(Trace log, int32_t n, const Vec1<real>& v) {
    fixed_rows(log, 1, n, 20, 8, n, [&](int32_t, int32_t j) { return v(j); });
}

} // namespace

void settlement_jacobian(const Model& m, int32_t caso, const Mat1<real>& A_Dem, const Vec1<real>& R,
                         const Vec1<real>& negdef, Mat1<real>& J, Trace log) {
    const int32_t NGRED = m.NGRED, NR = m.NR;
    Vec1<real> h(NR), def2(NR);
    for (int32_t k = 1; k <= NR; ++k) {
        h.fill(0.0_r);
        h(k) = DELTA;
        def2.fill(0.0_r);
        CalcDefNL(m, caso, A_Dem, R, h, def2, log);
        for (int32_t j = 1; j <= NR; ++j) J(NGRED + j, NGRED + k) = (negdef(j) + def2(j)) / h(k);
        List(log) << "defors VARIANDO LA REACCION:" << k << " CON H=" << h(k);
        list_rows(log, 1, NR, [&](int32_t, int32_t j) { return def2(j); });
        list_rows(log, 1, NR, [&](int32_t, int32_t j) { return negdef(j); });
    }
}

NewtonResult SOLNL(const Model& m, CaseState& st, int32_t caso, const Vec1<real>& vered, Trace log,
                   NewtonObserver& obs) {
    const int32_t NTOT = m.NTOT, NGRED = m.NGRED, NR = m.NR;
    const int32_t n = NGRED + NR;   // order of the Newton system
    const bool small = n <= NEWTON_LOG_ORDER;
    const Mat1<real>& A_Dem = demeneghi_coefficients(m.soil, caso);

    // The equilibrium rows are akr's (stiffness, then the reaction columns).
    auto CR = [&](int32_t r, int32_t c) { return akr_or_zero(m, r, c); };
    // Equation of the vertical displacement under area reaction j (numbering
    // gives every reaction dof one; 0 would be a restrained node, outside the
    // model, whose displacement stays 0).
    auto eq_of = [&](int32_t j) { return m.NGL(m.NREAC(j)); };

    trace_separator(log);
    List(log) << "dentro de SOLNL, NGRED=" << NGRED;
    List(log) << "EN SolNLDem";
    List(log) << "N=" << NR;
    list_reaction_lengths(m, log, 6 * NR);
    List(log) << "ANTES DE MODIFICAR CR";
    List(log) << "CR DESPUÉS DE AÑADIR AKR";
    if (NGRED <= NEWTON_LOG_ORDER)
        for (int32_t r = 1; r <= NGRED; ++r) {
            fixed_rows(log, 1, NGRED, 20, 8, NEWTON_LOG_ORDER, [&](int32_t, int32_t c) { return CR(r, c); });
            fixed_rows(log, 1, n, 20, 8, NEWTON_LOG_ORDER, [&](int32_t, int32_t c) { return CR(r, c); });
        }

    // Loads: nodal loads less the reduced member loads, as in the linear solution.
    Vec1<real> B(NGRED);
    List(log) << "FORMACION DE B";
    for (int32_t i = 1; i <= NGRED; ++i) {
        B(i) = m.PCONC.at_or_zero(i) - vered.at_or_zero(i);
        List(log) << vered.at_or_zero(i) << m.PCONC.at_or_zero(i) << B(i);
    }
    for (int32_t i = 1; i <= NGRED; ++i) List(log) << i << B(i);

    // Start: every reaction 10, its node pushed down 10/2500 into the soil.
    Vec1<real> R(n), prev(n), F(n), b(n);
    for (int32_t j = 1; j <= NR; ++j) R(NGRED + j) = R_START;
    for (int32_t j = 1; j <= NR; ++j)
        if (eq_of(j) != 0) R(eq_of(j)) = R(NGRED + j) / SPRING_START;
    List(log) << "NDATS=" << NR << " ERROR=" << TOLERANCE << " DELTA=" << DELTA;
    for (int32_t i = 1; i <= n; ++i) log_indexed(log, "R(", i, R(i));

    Vec1<real> h(NR), def(NR), negdef(NR);
    Mat1<real> J(n, n);
    std::vector<double> err(static_cast<size_t>(NR));
    NewtonResult res;
    for (int32_t it = 1; it <= NEWTON_MAX_ITERATIONS; ++it) {
        res.iterations = it;
        List(log) << "Iteración:" << it;
        obs.iteration(it);
        h.fill(0.0_r);

        // ---- residual: equilibrium rows, then compatibility rows -------------------
        List(log) << "VECTOR FUNCIONAL, PARTE LINEAL";
        for (int32_t i = 1; i <= NGRED; ++i) {
            real s = 0.0_r;
            for (int32_t c = 1; c <= n; ++c) s = s + CR(i, c) * R(c);
            F(i) = s - B(i);
            log_indexed(log, "F(", i, F(i));
        }
        List(log) << "calculo de vector funcional, PARTE NO LINEAL";
        CalcDefNL(m, caso, A_Dem, R, h, def, log);
        List(log) << "deformaciones calculadas CON H=" << h.at_or_zero(1);
        list_rows(log, 1, NR, [&](int32_t, int32_t j) { return def(j); });
        // The node's vertical displacement (down is negative) plus the settlement.
        for (int32_t j = 1; j <= NR; ++j) {
            negdef(j) = -def(j);
            F(NGRED + j) = def(j) + (eq_of(j) != 0 ? R(eq_of(j)) : 0.0_r);
        }
        for (int32_t j = 1; j <= NR; ++j) log_indexed(log, "F(", NGRED + j, F(NGRED + j));

        // ---- Jacobian ----------------------------------------------------------------
        J.fill(0.0_r);
        for (int32_t c = 1; c <= n; ++c)
            for (int32_t r = 1; r <= NGRED; ++r) J(r, c) = CR(r, c);
        if (NGRED <= NEWTON_LOG_ORDER)
            fixed_rows(log, NGRED, n, 20, 8, NEWTON_LOG_ORDER, [&](int32_t r, int32_t c) { return J(r, c); }, 5);
        List(log) << "CÁLCULANDO JACOBIANO, INCREMENTOS DE H";
        settlement_jacobian(m, caso, A_Dem, R, negdef, J, log);
        for (int32_t j = 1; j <= NR; ++j)
            if (eq_of(j) != 0) J(NGRED + j, eq_of(j)) = 1.0_r;
        List(log) << "JACOBIANO COMPLETO, PARTE LINEAL + NO LINEAL";
        if (small) fixed_rows(log, n, n, 20, 8, n, [&](int32_t r, int32_t c) { return J(r, c); }, 5);

        // ---- step ----------------------------------------------------------------------
        for (int32_t i = 1; i <= n; ++i) b(i) = -F(i);
        List(log) << "IMPRESION DE -F";
        for (int32_t i = 1; i <= n; ++i) List(log) << "F[" << i << "]" << b(i);
        // The step J·delta = b (b in, delta out). Only a Jacobian whose
        // inverse is logged is inverted: for the other one an elimination of
        // b alone, with the same pivots, gives the same step bit for bit.
        res.condition = std::max(res.condition, solve_dense(J.data(), n, n, NGRED, b.data(), small, log));
        List(log) << "JACOBIANO INVERSO";
        if (small)
            fixed_rows(log, n, n + 1, 20, 8, n + 1, [&](int32_t r, int32_t c) { return c <= n ? J(r, c) : b(r); });

        for (int32_t i = 1; i <= n; ++i) {
            prev(i) = R(i);
            R(i) = R(i) + b(i);
            Rec(log).text("r(i)=", 5).F(R(i), 20, 8).text(" =", 5).F(prev(i), 20, 8).text(" + ", 5).F(b(i), 20, 8);
        }
        // The soil cannot pull: a reaction that turned negative is released.
        for (int32_t j = 1; j <= NR; ++j)
            if (R(NGRED + j) < 0.0_r) R(NGRED + j) = 0.0_r;

        // Relative change in percent; a previous value of 0 gives inf (or NaN).
        for (int32_t j = 1; j <= NR; ++j) {
            const real r = R(NGRED + j), p = prev(NGRED + j);
            err[static_cast<size_t>(j - 1)] = static_cast<double>(std::fabs(r - p) / std::fabs(p) * 100.0_r);
        }
        List(log) << "VALORES ANTERIORES DE R";
        if (small) log_values(log, n, prev);
        List(log) << "NUEVOS VALORES DE R";
        if (small) log_values(log, n, R);
        List(log) << "ERROR EN LAS REACCIONES";
        if (small) {
            Rec line(log);
            for (double e : err) line.E(static_cast<real>(e), 10, 2);
        } else {
            List(log) << "IMPRESIÓN FUERA DE RANGO";
        }
        obs.errors(err, small);

        // The first step is never taken as converged.
        if (it >= 2) {
            int32_t ok = 0;
            for (double e : err)
                if (e <= static_cast<double>(TOLERANCE)) ++ok;
            if (ok == NR) {
                res.converged = true;
                break;
            }
        }
    }

    // ---- solution by global dof, then the reactions ------------------------------------
    if (st.DESPL.size() < NTOT + NR + m.MR) st.DESPL.resize(NTOT + NR + m.MR);
    store_displacements(m, st, R, NR);
    for (int32_t g = 1; g <= NTOT; ++g) List(log) << "I=" << g << "  NGL=" << m.NGL(g);
    trace_node_translations(m, st, log);
    return res;
}

} // namespace qb
