// The analysis cases of a run, in the order 1, 2, 3, 4, each with its record:
// how it was solved, whether it converged, whether its solution is one, and
// the figures of its summary.
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

#include "driver/checks.h"
#include "driver/open_outputs.h"
#include "driver/progress.h"
#include "driver/run.h"
#include "frame/bar_forces.h"
#include "frame/diagrams.h"
#include "model/analysis.h"
#include "output/frame_report.h"
#include "output/gid.h"
#include "output/iteration_reports.h"
#include "output/solution_report.h"
#include "soil/footing_springs.h"
#include "soil/reaction_areas.h"
#include "soil/settlement_law.h"
#include "solver/demeneghi.h"
#include "solver/gaussj.h"
#include "solver/hund.h"
#include "solver/janbu.h"
#include "solver/lu.h"
#include "solver/newton.h"
#include "solver/solution_check.h"

namespace qb::inline QB_ARITH {

namespace {

// One line on standard error about case `what` of the run's data file.
void tell(const Model& m, const std::string& text) {
    std::fflush(stdout);
    std::fprintf(stderr, "querbal: %s: %s\n", m.data_name.c_str(), text.c_str());
}

// How an analysis case is announced and solved: its names, its linear
// settlement law and the tables of its footing springs, its GiD headings, and
// where its report heading and its log trace fall in the linear solution.
struct CaseRow {
    int32_t caso;
    const char* name;                  // in the summary and the messages
    const char* console;               // the case's line on the console
    const char* log_name;              // and in the log
    const char* heading;               // its heading in the report
    const SettlementLaw* law;          // the linear law (KANAL 0; case 1 always)
    const SettlementLaw* iterative_law;   // the law of the Janbu iteration (KANAL 1), if any
    const SettlementLaw* nonlinear_law;   // the law of the Newton solution (KANAL 2), if any
    bool moduli_line;                  // the report says which moduli NFLAG1 chose
    const Mat1<real>& (*footing_E)(const Model&);
    const Mat1<real>& (*footing_nu)(const Model&);   // nullptr: drained, no Poisson effect
    GidResult gid_linear;
    const char* flexibility_trace;     // the log line announcing the flexibility, if any
    enum class Heading { before_trace, after_trace, after_springs } heading_at;
    bool linear_preamble;              // the linear solution clears once more and says "ANALISIS LINEAL"
    const char* newton_trace;          // the log line announcing the Newton solution, with the reaction lengths
    std::optional<GidResult> gid_newton;
    bool closing_pass;                 // one more bar-force pass, whatever the analysis type
};

const ElasticLaw EXPANSION_LAW(1), COMPRESSION_LAW(2);
const PrimaryConsolidationLaw PRIMARY_LAW;
const SecondaryConsolidationLaw SECONDARY_LAW;
const JanbuLaw JANBU_LAW;
const DemeneghiLaw DEMENEGHI_2(2), DEMENEGHI_3(3), DEMENEGHI_4(4);

using H = CaseRow::Heading;
const CaseRow CASES[] = {
    {1, "expansion", "ANALISIS POR EXPANSIONES", "ANALISIS POR EXPANSIONES", "ANALISIS DE EXPANSIONES",
     &EXPANSION_LAW, nullptr, nullptr, true, [](const Model& m) -> const Mat1<real>& { return m.soil.E1; },
     [](const Model& m) -> const Mat1<real>& { return m.soil.NU1; }, GidResult::Expansion, nullptr,
     H::after_springs, false, nullptr, std::nullopt, false},
    {2, "immediate compression", "ANALISIS POR COMPRESIONES", "ANALISIS POR COMPRESIONES",
     "ANALISIS DE COMPRESIONES", &COMPRESSION_LAW, &JANBU_LAW, &DEMENEGHI_2, true, [](const Model& m) -> const Mat1<real>& { return m.soil.E2; },
     [](const Model& m) -> const Mat1<real>& { return m.soil.NU2; }, GidResult::CompressionLinear, "LLAMANDO A FLSC",
     H::after_trace, true, "EN CASO 2", GidResult::CompressionNonlinear, true},
    {3, "primary consolidation", "ANALISIS POR CONSOLIDACION PRIMARIA", "ANALISIS POR CONSOLIDACIÓN PRIMARIA",
     "ANALISIS DE CONSOLIDACIÓN PRIMARIA", &PRIMARY_LAW, nullptr, &DEMENEGHI_3, false,
     [](const Model& m) -> const Mat1<real>& { return m.soil.EMV; }, nullptr, GidResult::PrimaryLinear,
     "LLAMANDO A FLSC_3", H::before_trace, false, nullptr, std::nullopt, false},
    // The trace names FLSC although the law is the secondary one's.
    {4, "secondary consolidation", "ANALISIS POR CONSOLIDACIÓN SECUNDARIA", "ANALISIS POR CONSOLIDACIÓN SECUNDARIA",
     "ANALISIS DE CONSOLIDACIÓN SECUNDARIA", &SECONDARY_LAW, nullptr, &DEMENEGHI_4, false,
     [](const Model& m) -> const Mat1<real>& { return m.soil.EMT; }, nullptr, GidResult::SecondaryLinear,
     "LLAMANDO A FLSC", H::after_springs, false, nullptr, std::nullopt, false},
};

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

// One analysis case: its state, the channels it writes and its record.
struct Case {
    const Model& m;
    const FrameSystem& frame;
    CaseState& st;
    Io& io;
    SolverContext& ctx;                      // what the run's solutions share
    OpenOutputs* files;                      // the VTK and CSV files, when asked for
    std::vector<CaseRecord>* records;
    const Mat1<real>& no_poisson;            // Poisson ratios of drained strata: zero
    const std::function<void(const CaseRecord&)>& case_done;
    std::string what = {};                   // "case 2 (immediate compression)", for the messages
    CaseRecord rec = {};
    SolutionQuality quality = {};
    std::chrono::steady_clock::time_point started = {};
    Trace log() const { return io.trace(); }

    void start(const CaseRow& row) {
        rec = CaseRecord{};
        rec.caso = row.caso;
        rec.name = row.name;
        what = "case " + std::to_string(row.caso) + " (" + row.name + ")";
        started = std::chrono::steady_clock::now();
        progress().stage("caso " + std::to_string(row.caso));
        progress().step("flexibilidad del suelo");
        List(io.console) << row.console;
        List(log().headings()) << row.log_name;
        st.clear(m);
    }

    // The case's record, with the figures of its solution when it has one. A
    // condition number beyond ILL_CONDITIONED is said once per case.
    void finish() {
        rec.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        if (!(rec.condition <= ILL_CONDITIONED)) {
            char figure[32];
            std::snprintf(figure, sizeof figure, "%.3g", rec.condition);
            std::fflush(stdout);
            std::fprintf(stderr,
                         "querbal: warning: %s: %s: its coupled system is ill-conditioned (condition number about "
                         "%s): the last digits of its results carry little meaning\n",
                         m.data_name.c_str(), what.c_str(), figure);
        }
        if (rec.solved) {
            rec.figures = case_figures(m, st, rec.caso, quality);
            rec.has_figures = true;
        }
        if (records) records->push_back(rec);
        if (case_done) case_done(rec);
    }

    // The line that tells the report which moduli the elastic law of cases 1
    // and 2 takes, as NFLAG1 chooses (the log repeats it in case 1).
    void moduli_line(int32_t caso) {
        const char* line = m.nflag1 == 1   ? "Usando módulos de campo calculados en el nodo central"
                           : m.nflag1 == 2 ? "Usando módulos de campo calculados en cada nodo"
                           : m.nflag1 == 3 ? "Usando módulos de laboratorio"
                                           : nullptr;
        if (!line) return;
        io.report.empty();
        List(io.report) << line;
        if (caso == 1 && m.nflag1 == 3) List(log()) << line;
    }

    // The flexibility of the case's linear law and the springs of its
    // isolated footings, from the moduli and Poisson ratios given. Returns
    // where the moduli came from, for the messages.
    SoilSource flexibility(const CaseRow& row) {
        const SettlementLaw& law = *row.law;
        if (row.moduli_line) moduli_line(row.caso);
        law.flexibility(m, st, Vec1<real>(), log());
        SoilSource src{law.moduli(m)};
        src.footing_E = &row.footing_E(m);
        src.footing_nu = row.footing_nu ? &row.footing_nu(m) : &no_poisson;
        isolated_footing_springs(m, st, *src.footing_E, *src.footing_nu, log());
        return src;
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
        factor_large_frame(m.reactions());
        progress().step("sistema acoplado, n = " + std::to_string(m.NGRED + m.NR + m.MR));
        solve_checked([&] { rec.condition = HUND(m, frame, st, vered, log(), ctx); });
        check_finite(m, st, what + ", linear solution");
        quality = linear_solution_quality(m, frame, st, vered);
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

    // The large-model path: the frame factored for the reactions a solution
    // couples, a step of its own (once per run and coupling).
    void factor_large_frame(int32_t reactions) {
        if (!m.large) return;
        progress().step("factor del marco, " + std::to_string(m.NGRED) + " ecuaciones");
        factor_frame(CoupledSystem(m, frame, reactions), log(), ctx);
    }

    // SOLNL with its console lines and its report section; an unconverged
    // solution is kept, and said so in the report and on standard error.
    void nonlinear_solution(const SettlementLaw& law, const Vec1<real>& vered) {
        rec.solution = "nonlinear (Newton)";
        factor_large_frame(m.NR);
        ProgressNewtonObserver obs(io.console, m.NGRED + m.NR);
        NewtonResult r;
        solve_checked([&] { r = SOLNL(m, frame, st, law, vered, log(), obs, ctx); });
        check_finite(m, st, what + ", Newton solution");
        quality = newton_solution_quality(m, frame, st, vered);
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

    // ---- the case solved in the way its analysis type asks

    void linear_case(const CaseRow& row) {
        if (row.linear_preamble) {
            st.clear(m);
            List(io.console) << "ANALISIS LINEAL";
            List(log()) << "Analisis lineal, compresiones inmediatas";
        }
        auto trace = [&] {
            if (row.flexibility_trace)
                List(log()) << row.flexibility_trace << "N=" << " NR=" << m.NR << " MR=" << m.MR;
        };
        if (row.heading_at == CaseRow::Heading::before_trace) heading(row.heading, "SOLUCION CASO LINEAL");
        trace();
        if (row.heading_at == CaseRow::Heading::after_trace) heading(row.heading, "SOLUCION CASO LINEAL");
        const SoilSource src = flexibility(row);
        if (row.heading_at == CaseRow::Heading::after_springs) heading(row.heading, "SOLUCION CASO LINEAL");
        gid_result_header(io.res, row.gid_linear);
        linear_solution(frame.vered[static_cast<size_t>(row.caso)], src);
        bar_forces_and_diagrams(row.caso);
    }

    // The Janbu iteration; the case's closing pass gives its bar forces.
    void janbu_case(const CaseRow& row) {
        rec.solution = "iterative (Janbu)";
        heading(row.heading, "SOLUCION CASO LINEAL, JAMBU");
        factor_large_frame(m.reactions());
        CheckedJanbuObserver obs(io, what);
        JanbuResult r;
        const Vec1<real>& vered = frame.vered[static_cast<size_t>(row.caso)];
        solve_checked([&] { r = janbu_iteration(m, frame, st, *row.iterative_law, vered, log(), obs, ctx); });
        quality = linear_solution_quality(m, frame, st, vered);
        rec.solved = true;
        rec.converged = r.converged;
        rec.iterations = r.passes;
        rec.condition = r.condition;
        if (r.converged) judge("the last Janbu pass");
        else not_converged("the Janbu iteration did not converge in " + std::to_string(r.passes) + " passes");
    }

    void newton_case(const CaseRow& row) {
        nonlinear_heading(row.heading);
        if (row.newton_trace) {
            List(log()) << row.newton_trace;
            List(log()) << "N=" << m.NR;
            list_reaction_lengths(m, log(), 6 * m.NR);
        }
        if (row.gid_newton) gid_result_header(io.res, *row.gid_newton);
        nonlinear_solution(*row.nonlinear_law, frame.vered[static_cast<size_t>(row.caso)]);
        bar_forces_and_diagrams(row.caso);
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

} // namespace

void run_cases(const Model& m, const FrameSystem& frame, Io& io, OpenOutputs* files, std::vector<CaseRecord>* cases,
               const SolverOptions& solver, const std::function<void(const CaseRecord&)>& case_done) {
    CaseState st;
    SolverContext ctx;
    ctx.options = solver;
    const Mat1<real> no_poisson(m.soil.NPS > 0 ? m.soil.NPS : 1, limits::STRATA);
    Case c{m, frame, st, io, ctx, files, cases, no_poisson, case_done};
    for (const CaseRow& row : CASES) {
        if (!m.case_on(row.caso)) continue;
        c.start(row);
        const Solution how = solution_of(row.caso, m.KANAL);
        try {
            switch (how) {
            case Solution::linear: c.linear_case(row); break;
            case Solution::janbu: c.janbu_case(row); break;
            case Solution::newton: c.newton_case(row); break;
            case Solution::none: break;
            }
            // Case 2 always ends with a pass on the solution it holds: the only
            // one of the iterative path, a repeat of the linear and nonlinear ones.
            if (row.closing_pass) c.bar_forces_and_diagrams(row.caso);
        } catch (const RunError& e) {
            // The case that stops the run, and the cases after it, are
            // recorded as not solved, each saying why.
            c.rec.solved = false;
            c.rec.failure = e.what();
            c.finish();
            for (const CaseRow& later : CASES)
                if (later.caso > row.caso && m.case_on(later.caso) &&
                    solution_of(later.caso, m.KANAL) != Solution::none && cases) {
                    CaseRecord skipped;
                    skipped.caso = later.caso;
                    skipped.name = later.name;
                    skipped.failure = "not solved: the run stopped in " + c.what;
                    cases->push_back(skipped);
                }
            throw;
        }
        if (how == Solution::none) continue;
        c.open_outputs(row.caso);
        c.finish();
    }
}

} // namespace qb
