#include "driver/run.h"

#include <cstdio>
#include <string>

#include "driver/listread.h"
#include "driver/model.h"
#include "driver/read_data.h"
#include "frame/numbering.h"
#include "output/gid.h"
#include "soil/profiles.h"

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

void reaction_length_list(const Model& m, Io& io, int32_t last_dof) {
    List(io.log) << "GL DE REACCION   LONGITUD    AREA";
    for (int32_t i = 1; i <= last_dof && i <= m.LONGREAC.size(); ++i)
        if (m.LONGREAC(i) != 0.0f)
            Rec(io.log).I(i, 6).X(9).F(m.LONGREAC(i), 10, 4).F(m.AREAREAC(i), 10, 4);
}

void prepare(Model& m, Io& io, ListReader& in) {
    read_title_units_control(m, io, in);
    read_materials_and_sections(m, io, in);
    read_nodes(m, io, in);
    read_bars(m, io, in);
    read_isolated_footings(m, io, in);
    number_dofs(m, io);
    // direction cosines: frame geometry step (wired below when available)
    read_nodal_loads(m, io, in);
    read_additional_springs(m, io, in);
    List(io.log) << "numero de barras" << m.NB;
    List(io.log) << "Numero de reacciones = numero de nodos" << " en la reticula, NR=" << m.NR << " N=" << m.NR;
    read_soil_profiles(m, io, in);
    check_foundation_profiles(m, in);
    read_slabs(m, io, in);
    write_count_summary(m, io);
    // reaction areas
    List(io.log) << "PROGRAMA PRINCIPAL";
    reaction_length_list(m, io, m.NTOT);
    List(io.console) << "Valores de influencia";
    List(io.console) << "n=" << m.NR << "m=" << m.MR;
    // influence values
    List(io.console) << "Ejes";
    List(io.console) << "dentro de lecejesdiag";
    lecejesdiag(m, io, in);
    List(io.console) << "Formará la matriz global de rigidez";
    // global stiffness and load vectors
    if (m.nflag1 < 3) {
        List(io.console) << "Calculará modulos de campo";
        // field moduli
    }
    gid_results_heading(io, m.TITULO);
}

void start_case(Model& m, Io& io, const char* console_name, const char* log_name) {
    List(io.console) << console_name;
    List(io.log) << log_name;
    m.DESPL.fill(0.0f);
    m.HUNDIM.fill(0.0f);
}

void run_cases(Model& m, Io& io) {
    if (m.case_on(1)) {
        start_case(m, io, "ANALISIS POR EXPANSIONES", "ANALISIS POR EXPANSIONES");
    }
    if (m.case_on(2)) {
        start_case(m, io, "ANALISIS POR COMPRESIONES", "ANALISIS POR COMPRESIONES");
        if (m.KANAL == 0) {
            m.DESPL.fill(0.0f);
            m.HUNDIM.fill(0.0f);
            List(io.console) << "ANALISIS LINEAL";
        }
    }
    if (m.case_on(3)) {
        start_case(m, io, "ANALISIS POR CONSOLIDACION PRIMARIA", "ANALISIS POR CONSOLIDACIÓN PRIMARIA");
    }
    if (m.case_on(4)) {
        start_case(m, io, "ANALISIS POR CONSOLIDACIÓN SECUNDARIA", "ANALISIS POR CONSOLIDACIÓN SECUNDARIA");
    }
}

} // namespace

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
