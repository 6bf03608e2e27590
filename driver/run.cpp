#include "driver/run.h"

#include <cstdio>
#include <string>

#include "driver/listread.h"
#include "driver/model.h"
#include "driver/read_data.h"
#include "frame/assembly.h"
#include "frame/bar_forces.h"
#include "frame/diagrams.h"
#include "frame/geometry.h"
#include "frame/numbering.h"
#include "output/gid.h"
#include "soil/field_moduli.h"
#include "soil/flexibility.h"
#include "soil/footing_springs.h"
#include "soil/influence.h"
#include "soil/profiles.h"
#include "soil/reaction_areas.h"
#include "solver/hund.h"

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

void write_banner(Io& io) {
    Channel& r = io.report;
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

// Every case starts from a zero solution.
void clear_solution(Model& m) {
    m.DESPL.resize(m.NTOT + m.NR + m.MR);
    m.HUNDIM.resize(m.NR + m.MR);
    if (m.FLEX.rows() != m.NR + m.MR) m.FLEX.resize(m.NR + m.MR, m.NR + m.MR);
}

} // namespace

void prepare(Model& m, Io& io, ListReader& in) {
    read_title_units_control(m, io, in);
    read_materials_and_sections(m, io, in);
    read_nodes(m, io, in);
    read_bars(m, io, in);
    read_isolated_footings(m, io, in);
    number_dofs(m, io);
    check_foundation_numbering(m, in);
    compute_direction_cosines(m, io);
    read_nodal_loads(m, io, in);
    read_additional_springs(m, io, in);
    List(io.log) << "numero de barras" << m.NB;
    List(io.log) << "Numero de reacciones = numero de nodos" << " en la reticula, NR=" << m.NR << " N=" << m.NR;
    read_soil_profiles(m, io, in);
    check_foundation_profiles(m, in);
    read_slabs(m, io, in);
    write_count_summary(m, io);
    compute_reaction_areas(m, io);
    List(io.log) << "PROGRAMA PRINCIPAL";
    list_reaction_lengths(m, io.log, m.NTOT);
    List(io.console) << "Valores de influencia";
    List(io.console) << "n=" << m.NR << "m=" << m.MR;
    if (m.NR >= 1) compute_influence_values(m, io);
    List(io.console) << "Ejes";
    List(io.console) << "dentro de lecejesdiag";
    lecejesdiag(m, io, in);
    List(io.console) << "Formará la matriz global de rigidez";
    assemble_frame(m, io);
    if (m.nflag1 < 3) {
        List(io.console) << "Calculará modulos de campo";
        compute_field_moduli(m, io);
    }
    gid_results_heading(io, m.TITULO);
}

namespace {

void start_case(Model& m, Io& io, const char* console_name, const char* log_name) {
    List(io.console) << console_name;
    List(io.log) << log_name;
    clear_solution(m);
}

// The flexibility of cases 1 and 2: the moduli come from the field (at the
// central node or at each node) or from the laboratory, as NFLAG1 chooses.
void elastic_flexibility(Model& m, Io& io, int caso) {
    const bool expansion = caso == 1;
    switch (m.nflag1) {
    case 1:
        io.report.empty();
        List(io.report) << "Usando módulos de campo calculados en el nodo central";
        FLSC(m, io, expansion ? m.EELASP : m.ECOMPP);
        break;
    case 2:
        io.report.empty();
        List(io.report) << "Usando módulos de campo calculados en cada nodo";
        FLSC(m, io, expansion ? m.EELAS : m.ECOMP);
        break;
    case 3:
        io.report.empty();
        List(io.report) << "Usando módulos de laboratorio";
        if (expansion) List(io.log) << "Usando módulos de laboratorio";
        FLSC(m, io, expansion ? m.soil.E1 : m.soil.E2);
        break;
    default:
        break;   // no flexibility routine: FLEX keeps what it holds
    }
}

void case_heading(Io& io, const char* name, const char* solution) {
    io.report.empty(2);
    Rec(io.report).text(name);
    Rec(io.report).text(solution);
}

void nonlinear_heading(Io& io, const char* name) {
    List(io.report) << "INTERACCION SUELO-ESTRUCTURA UTILIZANDO LA" << "ECUACION NO-LINEAL DE DEMENEGHI";
    case_heading(io, name, "SOLUCION CASO NO-LINEAL, ECUACION DE DEMENEGHI");
}

void bar_forces_and_diagrams(Model& m, Io& io, int32_t caso) {
    recover_bar_forces(m, io, caso);
    print_axis_diagrams(m, io, caso);
}

} // namespace

void run_cases(Model& m, Io& io) {
    // Poisson ratios of the consolidation springs: drained, so zero.
    Mat1<float> no_poisson(m.soil.NPS > 0 ? m.soil.NPS : 1, limits::STRATA);

    if (m.case_on(1)) {
        start_case(m, io, "ANALISIS POR EXPANSIONES", "ANALISIS POR EXPANSIONES");
        elastic_flexibility(m, io, 1);
        isolated_footing_springs(m, io, m.soil.E1, m.soil.NU1);
        case_heading(io, "ANALISIS DE EXPANSIONES", "SOLUCION CASO LINEAL");
        gid_result_header(io, GidResult::Expansion);
        HUND(m, io, m.vered1);
        bar_forces_and_diagrams(m, io, 1);
    }
    if (m.case_on(2)) {
        start_case(m, io, "ANALISIS POR COMPRESIONES", "ANALISIS POR COMPRESIONES");
        bool solved = false;
        if (m.KANAL == 0) {
            clear_solution(m);
            List(io.console) << "ANALISIS LINEAL";
            List(io.log) << "Analisis lineal, compresiones inmediatas";
            List(io.log) << "LLAMANDO A FLSC" << "N=" << " NR=" << m.NR << " MR=" << m.MR;
            case_heading(io, "ANALISIS DE COMPRESIONES", "SOLUCION CASO LINEAL");
            elastic_flexibility(m, io, 2);
            isolated_footing_springs(m, io, m.soil.E2, m.soil.NU2);
            gid_result_header(io, GidResult::CompressionLinear);
            HUND(m, io, m.vered2);
            bar_forces_and_diagrams(m, io, 2);
            solved = true;
        } else if (m.KANAL == 1) {
            io.report.empty(2);
            Rec(io.report).text("ANALISIS DE COMPRESIONES");
            Rec(io.report).text("SOLUCION CASO LINEAL, JAMBU");
        } else if (m.KANAL == 2) {
            nonlinear_heading(io, "ANALISIS DE COMPRESIONES");
            List(io.log) << "EN CASO 2";
            List(io.log) << "N=" << m.NR;
            list_reaction_lengths(m, io.log, 6 * m.NR);
            gid_result_header(io, GidResult::CompressionNonlinear);
        }
        // The closing pass of case 2 on the current solution (there is none
        // yet on the iterative and nonlinear paths).
        if (solved) bar_forces_and_diagrams(m, io, 2);
    }
    if (m.case_on(3)) {
        start_case(m, io, "ANALISIS POR CONSOLIDACION PRIMARIA", "ANALISIS POR CONSOLIDACIÓN PRIMARIA");
        if (m.KANAL == 0) {
            case_heading(io, "ANALISIS DE CONSOLIDACIÓN PRIMARIA", "SOLUCION CASO LINEAL");
            List(io.log) << "LLAMANDO A FLSC_3" << "N=" << " NR=" << m.NR << " MR=" << m.MR;
            FLSC_3(m, io);
            no_poisson.fill(0.0f);
            isolated_footing_springs(m, io, m.soil.EMV, no_poisson);
            gid_result_header(io, GidResult::PrimaryLinear);
            HUND(m, io, m.vered3);
            bar_forces_and_diagrams(m, io, 3);
        } else if (m.KANAL == 2) {
            nonlinear_heading(io, "ANALISIS DE CONSOLIDACIÓN PRIMARIA");
        }
    }
    if (m.case_on(4)) {
        start_case(m, io, "ANALISIS POR CONSOLIDACIÓN SECUNDARIA", "ANALISIS POR CONSOLIDACIÓN SECUNDARIA");
        if (m.KANAL == 0) {
            List(io.log) << "LLAMANDO A FLSC" << "N=" << " NR=" << m.NR << " MR=" << m.MR;
            FLSC_4(m, io);
            no_poisson.fill(0.0f);
            isolated_footing_springs(m, io, m.soil.EMT, no_poisson);
            case_heading(io, "ANALISIS DE CONSOLIDACIÓN SECUNDARIA", "SOLUCION CASO LINEAL");
            gid_result_header(io, GidResult::SecondaryLinear);
            HUND(m, io, m.vered4);
            bar_forces_and_diagrams(m, io, 4);
        } else if (m.KANAL == 2) {
            nonlinear_heading(io, "ANALISIS DE CONSOLIDACIÓN SECUNDARIA");
        }
    }
}

int run_querbal(std::istream& console_in) {
    Model m;
    Io io;
    io.console.attach_stdout();
    std::string data_name = "(none)";
    try {
        List(io.console) << "ARCHIVO DE DATOS DE ENTRADA";
        m.data_name = read_name(console_in, "data-file");
        data_name = m.data_name;
        List(io.console) << "ARCHIVO DE RESULTADOS";
        m.results_name = read_name(console_in, "results-file");

        open_or_fail(io.report, m.results_name);
        ListReader in = ListReader::open(m.data_name);
        open_or_fail(io.msh, "arch.msh");
        open_or_fail(io.res, "arch.res");
        write_banner(io);
        open_or_fail(io.log, "MEMORIA");
        open_or_fail(io.valinf, "VALINF");

        prepare(m, io, in);
        run_cases(m, io);
    } catch (const InputError& e) {
        io.flush_all();
        std::fprintf(stderr, "querbal: %s\n", e.what());
        return 1;
    } catch (const SingularMatrix&) {
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
