// The analysis cases of a run, in the order 1, 2, 3, 4, each with its record:
// how it was solved, whether it converged, whether its solution is one, and
// the figures of its summary.
#include <chrono>
#include <cstdio>
#include <string>

#include "driver/checks.h"
#include "driver/open_outputs.h"
#include "driver/progress.h"
#include "driver/run.h"
#include "frame/bar_forces.h"
#include "frame/diagrams.h"
#include "output/frame_report.h"
#include "output/gid.h"
#include "output/iteration_reports.h"
#include "output/solution_report.h"
#include "soil/flexibility.h"
#include "soil/footing_springs.h"
#include "soil/reaction_areas.h"
#include "solver/gaussj.h"
#include "solver/hund.h"
#include "solver/janbu.h"
#include "solver/newton.h"
#include "solver/solution_check.h"

namespace qb::inline QB_ARITH {

namespace {

// One line on standard error about case `what` of the run's data file.
void tell(const Model& m, const std::string& text) {
    std::fflush(stdout);
    std::fprintf(stderr, "querbal: %s: %s\n", m.data_name.c_str(), text.c_str());
}

// The console lines of the Newton iterations, each iteration a step.
class ProgressNewtonObserver : public ConsoleNewtonObserver {
public:
    ProgressNewtonObserver(Channel& console, int32_t order) : ConsoleNewtonObserver(console), order_(order) {}
    void iteration(int32_t it) override {
        ConsoleNewtonObserver::iteration(it);
        progress().step("Newton, iteracion " + std::to_string(it) + ", n = " + std::to_string(order_));
    }

private:
    int32_t order_;
};

// One analysis case: its state, the channels it writes and its record.
struct Case {
    const Model& m;
    CaseState& st;
    Io& io;
    SolverContext& ctx;                      // what the run's solutions share
    OpenOutputs* files = nullptr;            // the VTK and CSV files, when asked for
    std::vector<CaseRecord>* records = nullptr;
    std::string what = {};                   // "case 2 (immediate compression)", for the messages
    CaseRecord rec = {};
    SolutionQuality quality = {};
    std::chrono::steady_clock::time_point started = {};
    Trace log() const { return io.trace(); }

    void start(int32_t caso, const char* console_name, const char* log_name, const char* name) {
        rec = CaseRecord{};
        rec.caso = caso;
        rec.name = name;
        what = "case " + std::to_string(caso) + " (" + name + ")";
        started = std::chrono::steady_clock::now();
        progress().stage("caso " + std::to_string(caso));
        progress().step("flexibilidad del suelo");
        List(io.console) << console_name;
        List(io.log) << log_name;
        st.clear(m);
    }

    // The case's record, with the figures of its solution when it has one.
    void finish() {
        rec.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        if (rec.solved) {
            rec.figures = case_figures(m, st, rec.caso, quality);
            rec.has_figures = true;
        }
        if (records) records->push_back(rec);
    }

    // The flexibility of cases 1 and 2: the moduli come from the field (at the
    // central node or at each node) or from the laboratory, as NFLAG1 chooses.
    // Returns where the moduli came from.
    SoilSource elastic_flexibility(int32_t caso) {
        const bool expansion = caso == 1;
        SoilSource src;
        switch (m.nflag1) {
        case 1:
            io.report.empty();
            List(io.report) << "Usando módulos de campo calculados en el nodo central";
            src = {"field modulus at the central node", expansion ? &m.EELASP : &m.ECOMPP, false};
            FLSC(m, st, *src.E, log());
            break;
        case 2:
            io.report.empty();
            List(io.report) << "Usando módulos de campo calculados en cada nodo";
            src = {"field modulus", expansion ? &m.EELAS : &m.ECOMP, true};
            FLSC(m, st, *src.E, log());
            break;
        case 3:
            io.report.empty();
            List(io.report) << "Usando módulos de laboratorio";
            if (expansion) List(io.log) << "Usando módulos de laboratorio";
            src = {expansion ? "soil modulus E1" : "soil modulus E2", expansion ? &m.soil.E1 : &m.soil.E2, false};
            FLSC(m, st, *src.E, log());
            break;
        default:
            break;   // no flexibility routine: FLEX keeps what it holds
        }
        return src;
    }

    // The isolated-footing springs of the case, from the moduli and Poisson
    // ratios given.
    void footing_springs(SoilSource& src, const Mat1<real>& E, const Mat1<real>& nu) {
        src.footing_E = &E;
        src.footing_nu = &nu;
        isolated_footing_springs(m, st, E, nu, log());
    }

    void heading(const char* name, const char* solution) {
        io.report.empty(2);
        Rec(io.report).text(name);
        Rec(io.report).text(solution);
    }

    void nonlinear_heading(const char* name) {
        List(io.report) << "INTERACCION SUELO-ESTRUCTURA UTILIZANDO LA" << "ECUACION NO-LINEAL DE DEMENEGHI";
        heading(name, "SOLUCION CASO NO-LINEAL, ECUACION DE DEMENEGHI");
    }

    // A solution whose equations or loads are off by more than 1 % is not
    // one: it is written as computed, and the run ends with status 2.
    void judge(const std::string& solution) {
        const std::string doubt = solution_doubt(quality);
        if (doubt.empty()) return;
        rec.failure = solution + " is not valid: " + doubt;
        tell(m, what + ": " + rec.failure + "; its results are written as computed, and the run ends with status 2. "
                                            "Likely cause: " + likely_cause(m));
    }

    void linear_solution(const Vec1<real>& vered, const SoilSource& src) {
        rec.solution = "linear";
        check_flexibility(m, st, src, what);
        progress().step("sistema acoplado, n = " + std::to_string(m.NGRED + m.NR + m.MR));
        solve_checked([&] { rec.condition = HUND(m, st, vered, log(), ctx); });
        check_finite(m, st, what + ", linear solution");
        quality = linear_solution_quality(m, st, vered);
        rec.solved = rec.converged = true;
        rec.iterations = 1;
        judge("the linear solution");
        report_linear_solution(m, st, io.report, io.res);
    }

    // A singular system stops the run naming the case and what is most
    // likely wrong with the structure.
    template <class Solve>
    void solve_checked(Solve&& solve) {
        try {
            solve();
        } catch (const SingularMatrix& e) {
            List(io.console) << e.what();
            throw SolutionFailure(what + ": the coupled system is singular; the run stops. Likely cause: " +
                                  likely_cause(m));
        }
    }

    void not_converged(const std::string& how) {
        tell(m, what + ": " + how + "; its last iterate is written, and the run ends with status 5." +
                    (double_precision ? std::string()
                                      : " The double-precision arithmetic (--precision double) often converges "
                                        "where the single-precision one stalls."));
    }

    // SOLNL with its console lines and its report section; an unconverged
    // solution is kept, and said so in the report and on standard error.
    void nonlinear_solution(int32_t caso, const Vec1<real>& vered) {
        rec.solution = "nonlinear (Newton)";
        ProgressNewtonObserver obs(io.console, m.NGRED + m.NR);
        NewtonResult r;
        solve_checked([&] { r = SOLNL(m, st, caso, vered, log(), obs, ctx); });
        check_finite(m, st, what + ", Newton solution");
        quality = newton_solution_quality(m, st, vered);
        rec.solved = true;
        rec.converged = r.converged;
        rec.iterations = r.iterations;
        rec.condition = r.condition;
        if (r.converged) judge("the Newton solution");
        else List(io.report) << ("NO CONVERGE EN " + std::to_string(r.iterations) + " ITERACIONES").c_str();
        report_nonlinear_solution(m, st, io.report);
        if (!r.converged)
            not_converged("the Newton iteration did not converge in " + std::to_string(r.iterations) + " iterations");
    }

    void bar_forces_and_diagrams(int32_t caso) {
        progress().step("fuerzas en las barras");
        recover_bar_forces(m, st, caso, log());
        check_bar_forces(m, st, what);
        report_bar_forces(m, st, io.report);
        DiagramReport diagrams(m, io.report);
        axis_diagrams(m, st, caso, log(), diagrams);
    }

    // The VTK and CSV files of a solved case, from its last bar-force pass.
    void open_outputs(int32_t caso) {
        if (!files) return;
        progress().step("archivos VTK y CSV");
        files->write_case(m, st, caso, rec.converged);
    }
};

// The report of the Janbu iteration with each pass a step of the progress
// line: every flexibility and every solution checked before they are used.
class CheckedJanbuObserver : public ReportJanbuObserver {
public:
    CheckedJanbuObserver(Io& io, const std::string& what)
        : ReportJanbuObserver(io.report, io.res, io.console), what_(what) {}
    void pass_heading() override {
        ReportJanbuObserver::pass_heading();
        progress().step("Janbu, pasada " + std::to_string(++pass_));
    }
    void flexibility_built(const Model& m, const CaseState& st, const Vec1<real>& REAC) override {
        SoilSource src;
        src.janbu_reactions = &REAC;
        src.pass = pass_;
        check_flexibility(m, st, src, what_);
    }
    void pass_done(const Model& m, const CaseState& st, const Vec1<real>& REAC) override {
        check_finite(m, st, what_ + ", Janbu pass " + std::to_string(pass_));
        ReportJanbuObserver::pass_done(m, st, REAC);
    }

private:
    std::string what_;
    int32_t pass_ = 0;   // the pass in progress, from 1
};

} // namespace

void run_cases(const Model& m, Io& io, OpenOutputs* files, std::vector<CaseRecord>* cases,
               const SolverOptions& solver) {
    CaseState st;
    SolverContext ctx;
    ctx.options = solver;
    Case c{m, st, io, ctx, files, cases};
    // Poisson ratios of the consolidation springs: drained, so zero.
    const Mat1<real> no_poisson(m.soil.NPS > 0 ? m.soil.NPS : 1, limits::STRATA);

    if (m.case_on(1)) {
        c.start(1, "ANALISIS POR EXPANSIONES", "ANALISIS POR EXPANSIONES", "expansion");
        SoilSource src = c.elastic_flexibility(1);
        c.footing_springs(src, m.soil.E1, m.soil.NU1);
        c.heading("ANALISIS DE EXPANSIONES", "SOLUCION CASO LINEAL");
        gid_result_header(io.res, GidResult::Expansion);
        c.linear_solution(m.vered1, src);
        c.bar_forces_and_diagrams(1);
        c.open_outputs(1);
        c.finish();
    }
    if (m.case_on(2)) {
        c.start(2, "ANALISIS POR COMPRESIONES", "ANALISIS POR COMPRESIONES", "immediate compression");
        if (m.KANAL == 0) {
            st.clear(m);
            List(io.console) << "ANALISIS LINEAL";
            List(io.log) << "Analisis lineal, compresiones inmediatas";
            List(io.log) << "LLAMANDO A FLSC" << "N=" << " NR=" << m.NR << " MR=" << m.MR;
            c.heading("ANALISIS DE COMPRESIONES", "SOLUCION CASO LINEAL");
            SoilSource src = c.elastic_flexibility(2);
            c.footing_springs(src, m.soil.E2, m.soil.NU2);
            gid_result_header(io.res, GidResult::CompressionLinear);
            c.linear_solution(m.vered2, src);
            c.bar_forces_and_diagrams(2);
        } else if (m.KANAL == 1) {
            c.rec.solution = "iterative (Janbu)";
            c.heading("ANALISIS DE COMPRESIONES", "SOLUCION CASO LINEAL, JAMBU");
            CheckedJanbuObserver obs(io, c.what);
            JanbuResult r;
            c.solve_checked([&] { r = janbu_iteration(m, st, c.log(), obs, ctx); });
            c.quality = linear_solution_quality(m, st, m.vered2);
            c.rec.solved = true;
            c.rec.converged = r.converged;
            c.rec.iterations = r.passes;
            c.rec.condition = r.condition;
            if (r.converged) c.judge("the last Janbu pass");
            else c.not_converged("the Janbu iteration did not converge in " + std::to_string(r.passes) + " passes");
        } else if (m.KANAL == 2) {
            c.nonlinear_heading("ANALISIS DE COMPRESIONES");
            List(io.log) << "EN CASO 2";
            List(io.log) << "N=" << m.NR;
            list_reaction_lengths(m, io.log, 6 * m.NR);
            gid_result_header(io.res, GidResult::CompressionNonlinear);
            c.nonlinear_solution(2, m.vered2);
            c.bar_forces_and_diagrams(2);
        }
        // Case 2 always ends with a pass on the solution it holds: the only
        // one of the iterative path, a repeat of the linear and nonlinear ones.
        c.bar_forces_and_diagrams(2);
        if (m.KANAL >= 0 && m.KANAL <= 2) {   // the analyses that solve case 2
            c.open_outputs(2);
            c.finish();
        }
    }
    if (m.case_on(3)) {
        c.start(3, "ANALISIS POR CONSOLIDACION PRIMARIA", "ANALISIS POR CONSOLIDACIÓN PRIMARIA",
                "primary consolidation");
        if (m.KANAL == 0) {
            c.heading("ANALISIS DE CONSOLIDACIÓN PRIMARIA", "SOLUCION CASO LINEAL");
            List(io.log) << "LLAMANDO A FLSC_3" << "N=" << " NR=" << m.NR << " MR=" << m.MR;
            FLSC_3(m, st, c.log());
            SoilSource src{"soil modulus Emv", &m.soil.EMV};
            c.footing_springs(src, m.soil.EMV, no_poisson);
            gid_result_header(io.res, GidResult::PrimaryLinear);
            c.linear_solution(m.vered3, src);
            c.bar_forces_and_diagrams(3);
            c.open_outputs(3);
            c.finish();
        } else if (m.KANAL == 2) {
            c.nonlinear_heading("ANALISIS DE CONSOLIDACIÓN PRIMARIA");
            c.nonlinear_solution(3, m.vered3);
            c.bar_forces_and_diagrams(3);
            c.open_outputs(3);
            c.finish();
        }
    }
    if (m.case_on(4)) {
        c.start(4, "ANALISIS POR CONSOLIDACIÓN SECUNDARIA", "ANALISIS POR CONSOLIDACIÓN SECUNDARIA",
                "secondary consolidation");
        if (m.KANAL == 0) {
            List(io.log) << "LLAMANDO A FLSC" << "N=" << " NR=" << m.NR << " MR=" << m.MR;
            FLSC_4(m, st, c.log());
            SoilSource src{"soil modulus Emt", &m.soil.EMT};
            c.footing_springs(src, m.soil.EMT, no_poisson);
            c.heading("ANALISIS DE CONSOLIDACIÓN SECUNDARIA", "SOLUCION CASO LINEAL");
            gid_result_header(io.res, GidResult::SecondaryLinear);
            c.linear_solution(m.vered4, src);
            c.bar_forces_and_diagrams(4);
            c.open_outputs(4);
            c.finish();
        } else if (m.KANAL == 2) {
            c.nonlinear_heading("ANALISIS DE CONSOLIDACIÓN SECUNDARIA");
            c.nonlinear_solution(4, m.vered4);
            c.bar_forces_and_diagrams(4);
            c.open_outputs(4);
            c.finish();
        }
    }
}

} // namespace qb
