#include "driver/run.h"

#include <csignal>
#include <cstdio>
#include <string>

#include <unistd.h>

#include "driver/checks.h"
#include "driver/open_outputs.h"
#include "driver/outputs.h"
#include "driver/progress.h"
#include "driver/resources.h"
#include "frame/assembly.h"
#include "frame/bar_forces.h"
#include "frame/diagrams.h"
#include "frame/geometry.h"
#include "frame/numbering.h"
#include "input/read_data.h"
#include "input/soil_block.h"
#include "output/frame_report.h"
#include "output/gid.h"
#include "output/iteration_reports.h"
#include "output/soil_report.h"
#include "output/solution_report.h"
#include "soil/field_moduli.h"
#include "soil/flexibility.h"
#include "soil/footing_springs.h"
#include "soil/influence.h"
#include "soil/reaction_areas.h"
#include "solver/gaussj.h"
#include "solver/hund.h"
#include "solver/janbu.h"
#include "solver/lapack.h"
#include "solver/lu.h"
#include "solver/newton.h"
#include "textio/files.h"
#include "textio/stop.h"

namespace qb {

namespace {

// A file name typed at the console: the whole line, trailing blanks dropped.
std::string read_name(std::istream& in, const char* what) {
    std::string s;
    if (!std::getline(in, s)) throw InputError(std::string("no ") + what + " name was given at the console");
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.pop_back();
    if (s.empty()) throw InputError(std::string("an empty ") + what + " name was given at the console");
    return s;
}

void write_banner(Channel& r) {
    r.empty(2);
    Rec(r).X(17).text("INTERACCION SUELO-ESTRUCTURA A BASE DE BARRAS");
    r.empty(2);
    Rec(r).X(30).text("PROGRAMA QUERBAL");
    r.empty();
    Rec(r).X(29).text("ACTUALIZACION 2024");
    // The program's own arithmetic is single precision; the other one says so.
    if constexpr (double_precision) {
        r.empty();
        Rec(r).X(21).text("CALCULO EN DOBLE PRECISION (64 BITS)");
    }
    r.empty(2);
    Rec(r).X(30).text("LECTURA DE DATOS");
    r.empty(5);
}

} // namespace

void prepare(Model& m, Io& io, ListReader& in) {
    Echo out = io.echo();
    const Trace log = io.trace();
    if (m.data_name.empty()) m.data_name = in.name();
    in.warn_to(&m.warnings);
    progress().stage("datos");
    progress().step("lectura");
    read_title_units_control(m, out, in);
    read_materials_and_sections(m, out, in);
    read_nodes(m, out, in);
    read_bars(m, out, in);
    read_isolated_footings(m, out, in);
    number_dofs(m, log);
    check_foundation_numbering(m, in);
    compute_direction_cosines(m, log);
    read_nodal_loads(m, out, in);
    read_additional_springs(m, out, in);
    List(log) << "numero de barras" << m.NB;
    List(log) << "Numero de reacciones = numero de nodos" << " en la reticula, NR=" << m.NR << " N=" << m.NR;
    read_soil_profiles(m, out, in);
    check_foundation_profiles(m, in);
    read_slabs(m, out, in);
    write_count_summary(m, out);
    warn_beyond_fixed_tables(m);
    check_memory(m);

    compute_reaction_areas(m, log);
    report_reaction_areas(m, io.report);
    List(log) << "PROGRAMA PRINCIPAL";
    list_reaction_lengths(m, log, m.NTOT);

    List(io.console) << "Valores de influencia";
    List(io.console) << "n=" << m.NR << "m=" << m.MR;
    progress().step("valores de influencia, " + std::to_string(m.NR) + " reacciones de area");
    if (m.NR >= 1) compute_influence_values(m, log, Trace(io.valinf));

    List(io.console) << "Ejes";
    List(io.console) << "dentro de lecejesdiag";
    lecejesdiag(m, out, in);

    List(io.console) << "Formará la matriz global de rigidez";
    progress().step("matriz de rigidez, " + std::to_string(m.NGRED) + " ecuaciones");
    report_uniform_loads(m, io.report);
    assemble_frame(m, log);
    report_total_load(m, io.report);

    if (m.nflag1 < 3) {
        List(io.console) << "Calculará modulos de campo";
        progress().step("modulos de campo");
        compute_field_moduli(m, log);
        report_field_moduli(m, io.report);
    }
    gid_results_heading(io.res, m.TITULO);
}

namespace {

// One analysis case: its state and the channels it writes.
struct Case {
    const Model& m;
    CaseState& st;
    Io& io;
    OpenOutputs* files = nullptr;   // the VTK and CSV files, when asked for
    std::string what = {};          // "case 2 (immediate compression)", for the messages
    Trace log() const { return io.trace(); }

    void start(int32_t caso, const char* console_name, const char* log_name, const char* name) {
        what = name;
        progress().stage("caso " + std::to_string(caso));
        progress().step("flexibilidad del suelo");
        List(io.console) << console_name;
        List(io.log) << log_name;
        st.clear(m);
    }

    // The flexibility of cases 1 and 2: the moduli come from the field (at the
    // central node or at each node) or from the laboratory, as NFLAG1 chooses.
    void elastic_flexibility(int32_t caso) {
        const bool expansion = caso == 1;
        switch (m.nflag1) {
        case 1:
            io.report.empty();
            List(io.report) << "Usando módulos de campo calculados en el nodo central";
            FLSC(m, st, expansion ? m.EELASP : m.ECOMPP, log());
            break;
        case 2:
            io.report.empty();
            List(io.report) << "Usando módulos de campo calculados en cada nodo";
            FLSC(m, st, expansion ? m.EELAS : m.ECOMP, log());
            break;
        case 3:
            io.report.empty();
            List(io.report) << "Usando módulos de laboratorio";
            if (expansion) List(io.log) << "Usando módulos de laboratorio";
            FLSC(m, st, expansion ? m.soil.E1 : m.soil.E2, log());
            break;
        default:
            break;   // no flexibility routine: FLEX keeps what it holds
        }
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

    void linear_solution(const Vec1<real>& vered) {
        progress().step("sistema acoplado, n = " + std::to_string(m.NGRED + m.NR + m.MR));
        solve_checked([&] { HUND(m, st, vered, log()); });
        check_linear_solution(m, st, vered, what + ", linear solution");
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

    // SOLNL with its console lines and its report section; an unconverged
    // solution is kept, and said so on standard error.
    void nonlinear_solution(int32_t caso, const Vec1<real>& vered) {
        ProgressNewtonObserver obs(io.console, m.NGRED + m.NR);
        NewtonResult r;
        solve_checked([&] { r = SOLNL(m, st, caso, vered, log(), obs); });
        check_newton_solution(m, st, vered, what + ", Newton solution", r.converged);
        report_nonlinear_solution(m, st, io.report);
        if (!r.converged) {
            io.flush_all();
            std::fprintf(stderr, "NO CONVERGE EN %d ITERACIONES, CASO %d\n", r.iterations, caso);
        }
    }

    void bar_forces_and_diagrams(int32_t caso) {
        progress().step("fuerzas en las barras");
        recover_bar_forces(m, st, caso, log());
        report_bar_forces(m, st, io.report);
        DiagramReport diagrams(m, io.report);
        axis_diagrams(m, st, caso, log(), diagrams);
    }

    // The VTK and CSV files of a solved case, from its last bar-force pass.
    void open_outputs(int32_t caso) {
        if (!files) return;
        progress().step("archivos VTK y CSV");
        files->write_case(m, st, caso);
    }
};

// The report of the Janbu iteration with each pass a step of the progress
// line, and every pass checked before its report; a doubtful solution is told
// once per case, not once per pass.
class CheckedJanbuObserver : public ReportJanbuObserver {
public:
    CheckedJanbuObserver(Io& io, std::string what)
        : ReportJanbuObserver(io.report, io.res, io.console), what_(std::move(what)) {}
    void pass_heading() override {
        ReportJanbuObserver::pass_heading();
        progress().step("Janbu, pasada " + std::to_string(++pass_));
    }
    void pass_done(const Model& m, const CaseState& st, const Vec1<real>& REAC) override {
        if (check_linear_solution(m, st, m.vered2, what_ + ", Janbu pass " + std::to_string(pass_), !told_))
            told_ = true;
        ReportJanbuObserver::pass_done(m, st, REAC);
    }

private:
    std::string what_;
    int32_t pass_ = 0;   // the pass in progress, from 1
    bool told_ = false;
};

} // namespace

void run_cases(const Model& m, Io& io, OpenOutputs* files) {
    CaseState st;
    Case c{m, st, io, files};
    // Poisson ratios of the consolidation springs: drained, so zero.
    const Mat1<real> no_poisson(m.soil.NPS > 0 ? m.soil.NPS : 1, limits::STRATA);

    if (m.case_on(1)) {
        c.start(1, "ANALISIS POR EXPANSIONES", "ANALISIS POR EXPANSIONES", "case 1 (expansion)");
        c.elastic_flexibility(1);
        isolated_footing_springs(m, st, m.soil.E1, m.soil.NU1, c.log());
        c.heading("ANALISIS DE EXPANSIONES", "SOLUCION CASO LINEAL");
        gid_result_header(io.res, GidResult::Expansion);
        c.linear_solution(m.vered1);
        c.bar_forces_and_diagrams(1);
        c.open_outputs(1);
    }
    if (m.case_on(2)) {
        c.start(2, "ANALISIS POR COMPRESIONES", "ANALISIS POR COMPRESIONES", "case 2 (immediate compression)");
        if (m.KANAL == 0) {
            st.clear(m);
            List(io.console) << "ANALISIS LINEAL";
            List(io.log) << "Analisis lineal, compresiones inmediatas";
            List(io.log) << "LLAMANDO A FLSC" << "N=" << " NR=" << m.NR << " MR=" << m.MR;
            c.heading("ANALISIS DE COMPRESIONES", "SOLUCION CASO LINEAL");
            c.elastic_flexibility(2);
            isolated_footing_springs(m, st, m.soil.E2, m.soil.NU2, c.log());
            gid_result_header(io.res, GidResult::CompressionLinear);
            c.linear_solution(m.vered2);
            c.bar_forces_and_diagrams(2);
        } else if (m.KANAL == 1) {
            c.heading("ANALISIS DE COMPRESIONES", "SOLUCION CASO LINEAL, JAMBU");
            CheckedJanbuObserver obs(io, c.what);
            c.solve_checked([&] { janbu_iteration(m, st, c.log(), obs); });
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
        if (m.KANAL >= 0 && m.KANAL <= 2) c.open_outputs(2);   // the analyses that solve case 2
    }
    if (m.case_on(3)) {
        c.start(3, "ANALISIS POR CONSOLIDACION PRIMARIA", "ANALISIS POR CONSOLIDACIÓN PRIMARIA",
                "case 3 (primary consolidation)");
        if (m.KANAL == 0) {
            c.heading("ANALISIS DE CONSOLIDACIÓN PRIMARIA", "SOLUCION CASO LINEAL");
            List(io.log) << "LLAMANDO A FLSC_3" << "N=" << " NR=" << m.NR << " MR=" << m.MR;
            FLSC_3(m, st, c.log());
            isolated_footing_springs(m, st, m.soil.EMV, no_poisson, c.log());
            gid_result_header(io.res, GidResult::PrimaryLinear);
            c.linear_solution(m.vered3);
            c.bar_forces_and_diagrams(3);
            c.open_outputs(3);
        } else if (m.KANAL == 2) {
            c.nonlinear_heading("ANALISIS DE CONSOLIDACIÓN PRIMARIA");
            c.nonlinear_solution(3, m.vered3);
            c.bar_forces_and_diagrams(3);
            c.open_outputs(3);
        }
    }
    if (m.case_on(4)) {
        c.start(4, "ANALISIS POR CONSOLIDACIÓN SECUNDARIA", "ANALISIS POR CONSOLIDACIÓN SECUNDARIA",
                "case 4 (secondary consolidation)");
        if (m.KANAL == 0) {
            List(io.log) << "LLAMANDO A FLSC" << "N=" << " NR=" << m.NR << " MR=" << m.MR;
            FLSC_4(m, st, c.log());
            isolated_footing_springs(m, st, m.soil.EMT, no_poisson, c.log());
            c.heading("ANALISIS DE CONSOLIDACIÓN SECUNDARIA", "SOLUCION CASO LINEAL");
            gid_result_header(io.res, GidResult::SecondaryLinear);
            c.linear_solution(m.vered4);
            c.bar_forces_and_diagrams(4);
            c.open_outputs(4);
        } else if (m.KANAL == 2) {
            c.nonlinear_heading("ANALISIS DE CONSOLIDACIÓN SECUNDARIA");
            c.nonlinear_solution(4, m.vered4);
            c.bar_forces_and_diagrams(4);
            c.open_outputs(4);
        }
    }
}

namespace {

// The outputs of the run in progress, for the two ways a run ends from deep
// inside the line writers: a signal at a safe point and a failed write.
Io* running_ = nullptr;

// Flushes every output but `except`, as far as it was written.
void flush_others(const Channel& except) {
    if (!running_) return;
    for (Channel* c : running_->all())
        if (c != &except) c->flush();
}

void stop_on_signal(int sig) {
    if (running_) running_->flush_all();
    std::fprintf(stderr, "querbal: stopped by signal %d (%s); every output keeps what was written so far\n", sig,
                 sig == SIGINT ? "SIGINT" : sig == SIGTERM ? "SIGTERM" : "signal");
    std::fflush(stderr);
    _exit(128 + sig);
}

// A write that failed: the output is incomplete, so the run ends here (exit
// status 4) rather than computing what can no longer be written.
void stop_on_failed_write(const Channel& ch) {
    static bool stopping = false;
    if (stopping) return;   // a second failure while the others are flushed
    stopping = true;
    flush_others(ch);
    std::fprintf(stderr, "querbal: cannot write '%s': %s; the run stops (the other outputs keep what was written)\n",
                 ch.name().c_str(), system_reason(ch.error()).c_str());
    std::fflush(stderr);
    _exit(4);
}

// The run's hold on signals and write failures, released when it ends.
struct RunGuard {
    explicit RunGuard(Io& io) {
        running_ = &io;
        Channel::on_failure(stop_on_failed_write);
    }
    void arm_signals() { install_stop_handlers(stop_on_signal); }
    ~RunGuard() {
        restore_stop_handlers();
        Channel::on_failure(nullptr);
        running_ = nullptr;
    }
};

// The data file is read whole before any output is created, so that a
// mistyped name or a results name that is the data file loses nothing.
ListReader read_data(const std::string& name, FileId& id) { return ListReader(name, read_regular_file(name, &id)); }

// The results report: typed at the console in the prompt mode, otherwise the
// one given or STEM_resultados.txt.
std::string results_name(const RunSettings& s, std::istream& console_in, const std::string& data) {
    if (s.data.empty()) return read_name(console_in, "results-file");
    return s.results.empty() ? data_stem(data) + "_resultados.txt" : s.results;
}

// The outputs of a run, inside its output folder; the log only when asked.
OutputNames output_names(const RunSettings& s, const std::string& results) {
    const auto out = [&s](const std::string& name) { return output_path(s.outdir, name); };
    OutputNames n;
    n.report = out(results);
    n.msh = out("arch.msh");
    n.res = out("arch.res");
    n.log = s.log ? out("MEMORIA") : std::string();
    n.valinf = out("VALINF");
    return n;
}

} // namespace

int run_querbal(std::istream& console_in) { return run_querbal(RunSettings{}, console_in); }

int run_querbal(const RunSettings& s, std::istream& console_in) {
    Model m;
    Io io;
    if (s.console) io.console.attach_stdout();
    RunGuard guard(io);
    std::string data_name = "(none)";
    try {
        // The command line prints the two headings of the dialogue too: its
        // console output is the one of the prompt mode.
        List(io.console) << "ARCHIVO DE DATOS DE ENTRADA";
        m.data_name = s.data.empty() ? read_name(console_in, "data-file") : s.data;
        data_name = m.data_name;
        List(io.console) << "ARCHIVO DE RESULTADOS";
        const std::string results = results_name(s, console_in, m.data_name);

        FileId data_id;
        ListReader in = read_data(m.data_name, data_id);
        // Without LAPACK a double-precision run could not solve its first
        // case: say so before any output is touched.
        if constexpr (double_precision) lapack();
        guard.arm_signals();
        make_output_folder(s.outdir);
        std::vector<TakenFile> taken = open_outputs(io, output_names(s, results), m.data_name, data_id);
        write_banner(io.report);

        prepare(m, io, in);
        m.warnings.print(stderr);
        OpenOutputs files(s.outdir, data_stem(m.data_name), s.vtk, s.csv, std::move(taken));
        run_cases(m, io, files.any() ? &files : nullptr);
        stop_point();
        close_outputs(io);
    } catch (const InputError& e) {
        io.flush_all();
        std::fprintf(stderr, "querbal: %s\n", e.what());
        return 1;
    } catch (const SingularMatrix& e) {
        io.flush_all();
        std::fprintf(stderr, "querbal: %s: %s; the run stops\n", data_name.c_str(), e.what());
        return 2;
    } catch (const SolutionFailure& e) {
        io.flush_all();
        std::fprintf(stderr, "querbal: %s: %s\n", data_name.c_str(), e.what());
        return 2;
    } catch (const MemoryShortage& e) {
        io.flush_all();
        std::fprintf(stderr, "querbal: %s: %s\n", data_name.c_str(), e.what());
        return 3;
    } catch (const std::bad_alloc&) {
        io.flush_all();
        std::fprintf(stderr, "querbal: %s: not enough memory for this model\n", data_name.c_str());
        return 3;
    } catch (const OutputError& e) {
        io.flush_all();
        std::fprintf(stderr, "querbal: %s\n", e.what());
        return 4;
    } catch (const LapackMissing& e) {
        io.flush_all();
        std::fprintf(stderr, "querbal: %s\n", e.what());
        return 1;
    }
    return 0;
}

} // namespace qb
