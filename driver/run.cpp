#include "driver/run.h"

#include <cstdio>
#include <string>

#include "driver/open_outputs.h"
#include "driver/progress.h"
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
#include "solver/newton.h"

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

void open_or_fail(Channel& ch, const std::string& path) {
    if (!ch.open(path)) throw InputError("cannot create the output file '" + path + "'");
}

void write_banner(Channel& r) {
    r.empty(2);
    Rec(r).X(17).text("INTERACCION SUELO-ESTRUCTURA A BASE DE BARRAS");
    r.empty(2);
    Rec(r).X(30).text("PROGRAMA QUERBAL");
    r.empty();
    Rec(r).X(29).text("ACTUALIZACION 2024");
    r.empty(2);
    Rec(r).X(30).text("LECTURA DE DATOS");
    r.empty(5);
}

} // namespace

void prepare(Model& m, Io& io, ListReader& in) {
    Echo out = io.echo();
    const Trace log = io.trace();
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
    report_uniform_loads(m, io.report);
    progress().step("matriz de rigidez, " + std::to_string(m.NGRED) + " ecuaciones");
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
    OpenOutputs* files = nullptr;
    Trace log() const { return io.trace(); }

    void start(int32_t caso, const char* console_name, const char* log_name) {
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

    void linear_solution(const Vec1<float>& vered) {
        progress().step("sistema acoplado, n = " + std::to_string(m.NGRED + m.NR + m.MR));
        HUND(m, st, vered, log());
        report_linear_solution(m, st, io.report, io.res);
    }

    // SOLNL with its console lines and its report section; an unconverged
    // solution is kept, and said so on standard error.
    void nonlinear_solution(int32_t caso, const Vec1<float>& vered) {
        ProgressNewtonObserver obs(io.console, m.NGRED + m.NR);
        const NewtonResult r = SOLNL(m, st, caso, vered, log(), obs);
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

} // namespace

// Analysis types that leave switched-on cases unsolved: warned once.
void warn_unsolved_cases(const Model& m) {
    const bool later_case = m.case_on(2) || m.case_on(3) || m.case_on(4);
    if (m.KANAL < 0 || m.KANAL > 2) {
        if (later_case)
            std::fprintf(stderr, "querbal: warning: the analysis type KANAL = %d selects no solution; cases 2 to 4 "
                                 "are not solved\n", m.KANAL);
    } else if (m.KANAL == 1 && (m.case_on(3) || m.case_on(4))) {
        std::fprintf(stderr, "querbal: warning: the iterative analysis (KANAL = 1) solves case 2 only; cases 3 "
                             "and 4 are not solved\n");
    }
}

void run_cases(const Model& m, Io& io, OpenOutputs* files) {
    warn_unsolved_cases(m);
    CaseState st;
    Case c{m, st, io, files};
    // Poisson ratios of the consolidation springs: drained, so zero.
    const Mat1<float> no_poisson(m.soil.NPS > 0 ? m.soil.NPS : 1, limits::STRATA);

    if (m.case_on(1)) {
        c.start(1, "ANALISIS POR EXPANSIONES", "ANALISIS POR EXPANSIONES");
        c.elastic_flexibility(1);
        isolated_footing_springs(m, st, m.soil.E1, m.soil.NU1, c.log());
        c.heading("ANALISIS DE EXPANSIONES", "SOLUCION CASO LINEAL");
        gid_result_header(io.res, GidResult::Expansion);
        c.linear_solution(m.vered1);
        c.bar_forces_and_diagrams(1);
        c.open_outputs(1);
    }
    if (m.case_on(2)) {
        c.start(2, "ANALISIS POR COMPRESIONES", "ANALISIS POR COMPRESIONES");
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
            ProgressJanbuObserver obs(io.report, io.res, io.console);
            janbu_iteration(m, st, c.log(), obs);
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
        c.start(3, "ANALISIS POR CONSOLIDACION PRIMARIA", "ANALISIS POR CONSOLIDACIÓN PRIMARIA");
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
        c.start(4, "ANALISIS POR CONSOLIDACIÓN SECUNDARIA", "ANALISIS POR CONSOLIDACIÓN SECUNDARIA");
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

// The results report: typed at the console in the prompt mode, otherwise the
// one given or STEM_resultados.txt.
std::string results_name(const RunSettings& s, std::istream& console_in, const std::string& data) {
    if (s.data.empty()) return read_name(console_in, "results-file");
    return s.results.empty() ? data_stem(data) + "_resultados.txt" : s.results;
}

} // namespace

int run_querbal(std::istream& console_in) { return run_querbal(RunSettings{}, console_in); }

int run_querbal(const RunSettings& s, std::istream& console_in) {
    Model m;
    Io io;
    if (s.console) io.console.attach_stdout();
    std::string data_name = "(none)";
    try {
        // The command line prints the two headings of the dialogue too: its
        // console output is the one of the prompt mode.
        List(io.console) << "ARCHIVO DE DATOS DE ENTRADA";
        m.data_name = s.data.empty() ? read_name(console_in, "data-file") : s.data;
        data_name = m.data_name;
        List(io.console) << "ARCHIVO DE RESULTADOS";
        const std::string results = results_name(s, console_in, m.data_name);
        make_output_folder(s.outdir);
        const auto out = [&s](const std::string& name) { return output_path(s.outdir, name); };

        open_or_fail(io.report, out(results));
        ListReader in = ListReader::open(m.data_name);
        open_or_fail(io.msh, out("arch.msh"));
        open_or_fail(io.res, out("arch.res"));
        write_banner(io.report);
        if (s.log) open_or_fail(io.log, out("MEMORIA"));
        open_or_fail(io.valinf, out("VALINF"));

        OpenOutputs files(s.outdir, data_stem(m.data_name), s.vtk, s.csv);
        prepare(m, io, in);
        m.warnings.print(stderr);
        run_cases(m, io, files.any() ? &files : nullptr);
    } catch (const OutputError& e) {
        io.flush_all();
        std::fprintf(stderr, "querbal: %s\n", e.what());
        return 4;
    } catch (const InputError& e) {
        io.flush_all();
        std::fprintf(stderr, "querbal: %s\n", e.what());
        return 1;
    } catch (const SingularMatrix& e) {
        List(io.console) << e.what();
        io.flush_all();
        std::fprintf(stderr, "querbal: %s: the coupled system is singular; the run stops\n", data_name.c_str());
        return 2;
    } catch (const std::bad_alloc&) {
        io.flush_all();
        std::fprintf(stderr, "querbal: %s: not enough memory for this model\n", data_name.c_str());
        return 3;
    }
    // closing order: MEMORIA, VALINF, data, report, mesh, results
    io.log.close();
    io.valinf.close();
    io.report.close();
    io.msh.close();
    io.res.close();
    io.console.flush();
    return 0;
}

} // namespace qb
