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

void settlement_jacobian(const Model& m, const SettlementLaw& law, const Vec1<real>& R,
                         const Vec1<real>& negdef, Mat1<real>& J, Trace log) {
    const int32_t NGRED = m.NGRED, NR = m.NR;
    Vec1<real> h(NR), def2(NR);
    for (int32_t k = 1; k <= NR; ++k) {
        h.fill(0.0_r);
        h(k) = DELTA;
        def2.fill(0.0_r);
        law.settlements(m, R, h, def2, log);
        for (int32_t j = 1; j <= NR; ++j) J(NGRED + j, NGRED + k) = (negdef(j) + def2(j)) / h(k);
        List(log) << "defors VARIANDO LA REACCION:" << k << " CON H=" << h(k);
        list_rows(log, 1, NR, [&](int32_t, int32_t j) { return def2(j); });
        list_rows(log, 1, NR, [&](int32_t, int32_t j) { return negdef(j); });
    }
}

namespace {

// The Newton solution of one case, step by step: the system's equilibrium
// rows come from the coupled system, its compatibility rows from the
// settlement law.
class Newton {
public:
    Newton(const Model& m, const FrameSystem& frame, const SettlementLaw& law, Trace log, NewtonObserver& obs,
           SolverContext& ctx)
        : m_(m), law_(law), log_(log), obs_(obs), ctx_(ctx), sys_(m, frame, m.NR), NGRED(m.NGRED), NR(m.NR),
          n(sys_.order()), large_(m.large), small_(n <= NEWTON_LOG_ORDER && !large_), B(NGRED),
          R(n), prev(n), F(n), b(n), h(NR), def(NR), negdef(NR), err(static_cast<size_t>(NR)) {
        // The large-model path keeps the system in its blocks: no matrix of
        // the whole order.
        if (!large_) J.resize(n, n);
    }

    NewtonResult run(const Vec1<real>& vered) {
        trace_start();
        form_loads(vered);
        start();
        NewtonResult res;
        for (int32_t it = 1; it <= NEWTON_MAX_ITERATIONS; ++it) {
            res.iterations = it;
            iteration_ = it;
            List(log_) << "Iteración:" << it;
            obs_.iteration(it);
            h.fill(0.0_r);
            residual();
            jacobian();
            res.condition = std::max(res.condition, step());
            relative_changes();
            // The first step is never taken as converged.
            if (it >= 2 && converged()) {
                res.converged = true;
                break;
            }
        }
        return res;
    }

    // The solution by global dof, then the area reactions.
    void store(CaseState& st) const {
        if (st.DESPL.size() < m_.NTOT + NR + m_.MR) st.DESPL.resize(m_.NTOT + NR + m_.MR);
        store_displacements(m_, st, R, NR);
        for (int32_t g = 1; g <= m_.NTOT; ++g) List(log_) << "I=" << g << "  NGL=" << m_.NGL(g);
        trace_node_translations(m_, st, log_);
    }

private:
    // Equation of the vertical displacement under area reaction j (numbering
    // gives every reaction dof one; 0 would be a restrained node, outside the
    // model, whose displacement stays 0).
    int32_t eq_of(int32_t j) const { return sys_.equation_of(j); }

    void trace_start() {
        trace_separator(log_);
        List(log_) << "dentro de SOLNL, NGRED=" << NGRED;
        List(log_) << "EN SolNLDem";
        List(log_) << "N=" << NR;
        list_reaction_lengths(m_, log_, 6 * NR);
        List(log_) << "ANTES DE MODIFICAR CR";
        List(log_) << "CR DESPUÉS DE AÑADIR AKR";
        if (NGRED <= NEWTON_LOG_ORDER && !large_)
            for (int32_t r = 1; r <= NGRED; ++r) {
                fixed_rows(log_, 1, NGRED, 20, 8, NEWTON_LOG_ORDER, [&](int32_t, int32_t c) { return sys_.frame()(r, c); });
                fixed_rows(log_, 1, n, 20, 8, NEWTON_LOG_ORDER, [&](int32_t, int32_t c) { return sys_.frame()(r, c); });
            }
    }

    // Loads: nodal loads less the reduced member loads, as in the linear solution.
    void form_loads(const Vec1<real>& vered) {
        List(log_) << "FORMACION DE B";
        sys_.load(m_, vered, B);
        for (int32_t i = 1; i <= NGRED; ++i) List(log_) << vered.at_or_zero(i) << m_.PCONC.at_or_zero(i) << B(i);
        for (int32_t i = 1; i <= NGRED; ++i) List(log_) << i << B(i);
    }

    // Start: every reaction 10, its node pushed down 10/2500 into the soil.
    void start() {
        for (int32_t j = 1; j <= NR; ++j) R(NGRED + j) = R_START;
        for (int32_t j = 1; j <= NR; ++j)
            if (eq_of(j) != 0) R(eq_of(j)) = R(NGRED + j) / SPRING_START;
        List(log_) << "NDATS=" << NR << " ERROR=" << TOLERANCE << " DELTA=" << DELTA;
        for (int32_t i = 1; i <= n; ++i) log_indexed(log_, "R(", i, R(i));
    }

    // F: the equilibrium rows, then the compatibility rows, the node's
    // vertical displacement (down is negative) plus the settlement.
    void residual() {
        List(log_) << "VECTOR FUNCIONAL, PARTE LINEAL";
        if (large_) {
            // The frame's rows by columns of the sparse stiffness.
            std::vector<double> x(static_cast<size_t>(n)), y;
            for (int32_t i = 1; i <= n; ++i) x[static_cast<size_t>(i - 1)] = R(i);
            sys_.apply(x, y, NGRED);
            for (int32_t i = 1; i <= NGRED; ++i) F(i) = static_cast<real>(y[static_cast<size_t>(i - 1)]) - B(i);
        } else {
            for (int32_t i = 1; i <= NGRED; ++i) {
                F(i) = sys_.frame_row_times(i, R) - B(i);
                log_indexed(log_, "F(", i, F(i));
            }
        }
        List(log_) << "calculo de vector funcional, PARTE NO LINEAL";
        law_.settlements(m_, R, h, def, log_);
        List(log_) << "deformaciones calculadas CON H=" << h.at_or_zero(1);
        list_rows(log_, 1, NR, [&](int32_t, int32_t j) { return def(j); });
        for (int32_t j = 1; j <= NR; ++j) {
            negdef(j) = -def(j);
            F(NGRED + j) = def(j) + (eq_of(j) != 0 ? R(eq_of(j)) : 0.0_r);
        }
        for (int32_t j = 1; j <= NR; ++j) log_indexed(log_, "F(", NGRED + j, F(NGRED + j));
    }

    // J: the frame's rows, the settlements' block by finite increments, and
    // the unit coefficient of each reaction's displacement.
    void jacobian() {
        if (large_) {
            law_.jacobian(m_, R, sys_.soil());   // the soil block: the settlements' derivative
            return;
        }
        J.fill(0.0_r);
        sys_.copy_frame(J);
        if (NGRED <= NEWTON_LOG_ORDER)
            fixed_rows(log_, NGRED, n, 20, 8, NEWTON_LOG_ORDER, [&](int32_t r, int32_t c) { return J(r, c); }, 5);
        List(log_) << "CÁLCULANDO JACOBIANO, INCREMENTOS DE H";
        settlement_jacobian(m_, law_, R, negdef, J, log_);
        sys_.set_compatibility_ones(J);
        List(log_) << "JACOBIANO COMPLETO, PARTE LINEAL + NO LINEAL";
        if (small_) fixed_rows(log_, n, n, 20, 8, n, [&](int32_t r, int32_t c) { return J(r, c); }, 5);
    }

    // The step J·delta = -F, the update, and the release of a reaction that
    // turned negative (the soil cannot pull). Only a Jacobian whose inverse is
    // logged is inverted: for the other one an elimination of b alone, with
    // the same pivots, gives the same step bit for bit. Returns the condition
    // number of the step's system.
    double step() {
        for (int32_t i = 1; i <= n; ++i) b(i) = -F(i);
        List(log_) << "IMPRESION DE -F";
        for (int32_t i = 1; i <= n; ++i) List(log_) << "F[" << i << "]" << b(i);
        const double condition =
            large_ ? solve_large(sys_, b, log_, ctx_) : solve_dense(sys_, J, b, small_, log_, ctx_);
        List(log_) << "JACOBIANO INVERSO";
        if (small_)
            fixed_rows(log_, n, n + 1, 20, 8, n + 1, [&](int32_t r, int32_t c) { return c <= n ? J(r, c) : b(r); });
        for (int32_t i = 1; i <= n; ++i) {
            prev(i) = R(i);
            R(i) = R(i) + b(i);
            Rec(log_).text("r(i)=", 5).F(R(i), 20, 8).text(" =", 5).F(prev(i), 20, 8).text(" + ", 5).F(b(i), 20, 8);
        }
        for (int32_t j = 1; j <= NR; ++j)
            if (R(NGRED + j) < 0.0_r) R(NGRED + j) = 0.0_r;
        return condition;
    }

    // Relative change of every reaction in percent; a previous value of 0
    // gives inf (or NaN).
    void relative_changes() {
        for (int32_t j = 1; j <= NR; ++j) {
            const real r = R(NGRED + j), p = prev(NGRED + j);
            err[static_cast<size_t>(j - 1)] = static_cast<double>(std::fabs(r - p) / std::fabs(p) * 100.0_r);
        }
        List(log_) << "VALORES ANTERIORES DE R";
        if (small_) log_values(log_, n, prev);
        List(log_) << "NUEVOS VALORES DE R";
        if (small_) log_values(log_, n, R);
        List(log_) << "ERROR EN LAS REACCIONES";
        if (small_) {
            Rec line(log_);
            for (double e : err) line.E(static_cast<real>(e), 10, 2);
        } else {
            List(log_) << "IMPRESIÓN FUERA DE RANGO";
        }
        obs_.errors(err, small_);
        List(log_.digest()) << "ITERACION DE NEWTON" << iteration_ << "CAMBIO MAYOR DE LAS REACCIONES (%):"
                            << (err.empty() ? 0.0 : *std::max_element(err.begin(), err.end()));
    }

    bool converged() const {
        for (double e : err)
            if (!(e <= static_cast<double>(TOLERANCE))) return false;
        return true;
    }

    const Model& m_;
    const SettlementLaw& law_;
    const Trace log_;
    NewtonObserver& obs_;
    SolverContext& ctx_;
    CoupledSystem sys_;
    const int32_t NGRED, NR, n;
    const bool large_;   // the large-model path: the soil block analytic, the system solved in its blocks
    const bool small_;
    int32_t iteration_ = 0;
    Vec1<real> B, R, prev, F, b, h, def, negdef;
    Mat1<real> J;
    std::vector<double> err;
};

} // namespace

NewtonResult SOLNL(const Model& m, const FrameSystem& frame, CaseState& st, const SettlementLaw& law,
                   const Vec1<real>& vered, Trace log, NewtonObserver& obs, SolverContext& ctx) {
    Newton newton(m, frame, law, log, obs, ctx);
    const NewtonResult res = newton.run(vered);
    newton.store(st);
    return res;
}

NewtonResult SOLNL(const Model& m, const FrameSystem& frame, CaseState& st, int32_t caso, const Vec1<real>& vered,
                   Trace log, NewtonObserver& obs) {
    SolverContext ctx;
    return SOLNL(m, frame, st, DemeneghiLaw(caso), vered, log, obs, ctx);
}

} // namespace qb
