#include "input/read_data.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "model/analysis.h"
#include "output/gid.h"

namespace qb::inline QB_ARITH {

namespace {

std::string num(int32_t v) { return std::to_string(v); }

// The count of a table. The legacy tables held `legacy` rows: a larger model
// is read all the same and noted, for it takes the large-model path. A count
// that the rest of the file cannot hold (a row takes two bytes at least) is
// refused before any table is sized by it.
int32_t read_count(ModelData& m, ListReader& in, const char* what, const char* rows, int32_t legacy) {
    in.context(what);
    int32_t n = 0;
    in.record(n);
    if (n < 0) in.fail_record("a count of 0 or more", num(n));
    if (const size_t left = in.bytes_left(); n > legacy && static_cast<size_t>(n) > left / 2)
        in.fail_record("a count the rest of the file can hold (" + std::to_string(left) + " bytes)", num(n));
    if (n > legacy)
        m.beyond_tables.push_back(num(n) + " " + rows + " (the legacy tables held " + num(legacy) + ")");
    return n;
}

// A node number of the record just read (the message names its line).
void check_node(const ModelData& m, const ListReader& in, int32_t node, const std::string& what) {
    if (node < 1 || node > m.NN)
        in.fail_record("a node number from 1 to " + num(m.NN) + " for " + what, num(node));
}

// The heading line of a table: read and ignored.
void skip_heading(ListReader& in, const std::string& table) {
    in.context("the heading of " + table);
    in.skip_line();
}

// The first bar that axis i lists a second time, 0 when none.
int32_t repeated_bar(const ModelData& m, int32_t i) {
    for (int32_t k = 2; k <= m.NBEJE(i); ++k)
        for (int32_t l = 1; l < k; ++l)
            if (m.BEJE(i, l) == m.BEJE(i, k)) return m.BEJE(i, k);
    return 0;
}

Text blank_name() { return Text(std::string(limits::NAME, ' ')); }

// `count` records of a node number and its six components (DX DY DZ MX MY MZ),
// stored by global dof; a later record for the same node replaces the earlier.
void read_node_values(const ModelData& m, ListReader& in, int32_t count, const std::string& record,
                      const std::string& what, Vec1<real>& by_dof) {
    for (int32_t r = 1; r <= count; ++r) {
        in.row(record, r, count);
        int32_t node = 0;
        real v[6] = {0, 0, 0, 0, 0, 0};
        in.record(node, v[0], v[1], v[2], v[3], v[4], v[5]);
        check_node(m, in, node, what);
        for (int k = 1; k <= 6; ++k) by_dof(dof(node, k)) = v[k - 1];
    }
}

// Control values outside their meaning select nothing: the cases they leave
// unsolved, or solved on a rigid soil, are named.
void warn_control(const ModelData& m, const ListReader& in) {
    const int line = in.record_line();
    // The cases switched on that the analysis type does not solve.
    std::vector<int32_t> unsolved;
    for (int32_t c = 1; c <= 4; ++c)
        if (m.case_on(c) && solution_of(c, m.KANAL) == Solution::none) unsolved.push_back(c);
    std::string which;
    for (size_t i = 0; i < unsolved.size(); ++i)
        which += (i == 0 ? "" : i + 1 == unsolved.size() ? " and " : ", ") + num(unsolved[i]);
    which = (unsolved.size() == 1 ? "case " : "cases ") + which + (unsolved.size() == 1 ? " is" : " are");
    if (m.KANAL < 0 || m.KANAL > 2) {
        if (!unsolved.empty())
            in.warn(line, "the analysis type KANAL = " + num(m.KANAL) + " selects no solution; " + which +
                              " not solved");
        else
            in.warn(line, "the analysis type KANAL = " + num(m.KANAL) + " is not 0, 1 or 2");
    } else if (!unsolved.empty()) {
        in.warn(line, "the iterative analysis (KANAL = 1) solves case 2 only; " + which + " not solved");
    }
    for (int c = 1; c <= 4; ++c)
        if (m.CASO[static_cast<size_t>(c)] != 0 && m.CASO[static_cast<size_t>(c)] != 1)
            in.warn(line, "CASO(" + num(c) + ") = " + num(m.CASO[static_cast<size_t>(c)]) +
                              " is neither 0 nor 1: case " + num(c) + " is not solved");
    // NFLAG1 chooses the moduli of the linear flexibility of cases 1 and 2.
    bool uses_nflag1 = false;
    for (int32_t c : {1, 2}) uses_nflag1 = uses_nflag1 || (m.case_on(c) && solution_of(c, m.KANAL) == Solution::linear);
    if (uses_nflag1 && (m.nflag1 < 1 || m.nflag1 > 3))
        in.warn(line, "NFLAG1 = " + num(m.nflag1) +
                          " is not 1, 2 or 3: no soil moduli are chosen, and the soil of the linear cases 1 and 2 "
                          "acts as if rigid");
}

// Names are compared in their first 20 characters and the last of equal
// names wins every lookup: an earlier one is never used.
void warn_repeated_name(const ListReader& in, const char* what, const Vec1<Text>& names, int32_t i,
                        const Vec1<int32_t>& lines) {
    for (int32_t k = 1; k < i; ++k)
        if (same_name(names(k), names(i))) {
            in.warn(lines(i), std::string(what) + " " + num(i) + " has the name " + quoted_name(names(i)) + " of " +
                                  what + " " + num(k) + " (line " + num(lines(k)) + ") in its first " +
                                  num(limits::NAME) + " characters; every lookup takes this one");
            return;
        }
}

void warn_section(const ModelData& m, const ListReader& in, int32_t i) {
    const int line = m.section_line(i);
    if (m.find_material(m.SECMAT(i)) == 0)
        in.warn(line, "section " + quoted_name(m.SECNOM(i)) + ": its material " + quoted_name(m.SECMAT(i)) +
                          " matches no material" + did_you_mean(m.MATNOM, m.NMAT, m.SECMAT(i)) +
                          "; its bars have no stiffness and no weight");
    if (m.BASE(i) == 0.0_r || m.ALTURA(i) == 0.0_r)
        in.warn(line, "section " + quoted_name(m.SECNOM(i)) + " has zero base or depth: its bars have no stiffness");
}

void warn_node(const ModelData& m, const ListReader& in, int32_t k) {
    const int line = m.node_line(k);
    // Bars, footings, slabs, loads and springs name nodes by position, while
    // the mesh file shows the written numbers.
    if (m.node_label(k) != k)
        in.warn(line, "node " + num(k) + " is numbered " + num(m.node_label(k)) +
                          ": nodes are referred to by their position, so node " + num(k) +
                          " is meant wherever " + num(k) + " appears, while arch.msh shows " + num(m.node_label(k)));
    for (int c = 1; c <= 6; ++c)
        if (m.NRES(k, c) < 0 || m.NRES(k, c) > 3)
            in.warn(line, "node " + num(k) + ": restraint code " + num(m.NRES(k, c)) + " of component " + num(c) +
                              " is not 0 (free), 1 (fixed), 2 or 3 (reactions); the component is taken as free");
}

void warn_bar(const ModelData& m, const ListReader& in, int32_t j) {
    const int line = in.record_line();
    const std::string bar = "bar " + num(m.bar_label(j));
    if (m.find_section(m.SECBAR(j)) == 0)
        in.warn(line, bar + ": its section " + quoted_name(m.SECBAR(j)) + " matches no section" +
                          did_you_mean(m.SECNOM, m.NSEC, m.SECBAR(j)) + "; the bar has no stiffness and no weight");
    if (m.NCND(j) < 0 || m.NCND(j) > 3)
        in.warn(line, bar + ": the end condition NCND = " + num(m.NCND(j)) + " is not 0 to 3: the bar has no stiffness");
}

} // namespace

void read_title_units_control(ModelData& m, Echo& out, ListReader& in) {
    in.context("the title");
    m.TITULO = Text(std::string(limits::TITLE, ' '));
    in.begin();
    in.item(m.TITULO, limits::TITLE, false);
    in.end();
    gid_mesh_heading(out.msh, m.TITULO);
    List(out.report) << m.TITULO;
    out.report.empty();

    in.context("the heading before the unit labels");
    in.skip_line();
    in.context("the unit labels");
    for (int i = 1; i <= 5; ++i) m.UNID[static_cast<size_t>(i)] = Text(std::string(limits::UNIT, ' '));
    in.begin();
    for (int i = 1; i <= 5; ++i) in.item(m.UNID[static_cast<size_t>(i)], limits::UNIT);
    in.end();
    List(out.report) << "UNIDADES";
    {
        Rec r(out.report);
        for (int i = 1; i <= 5; ++i) r.data(m.unid(i)).X(2);
    }
    out.report.empty();

    in.context("the heading before the control record");
    in.skip_line();
    in.context("the control record (KANAL, CASO(1..4), NFLAG1)");
    in.record(m.KANAL, m.CASO[1], m.CASO[2], m.CASO[3], m.CASO[4], m.nflag1);
    warn_control(m, in);
    switch (m.KANAL) {
    case 0: List(out.report) << "ANALISIS LINEAL SIN CONFINAMIENTO"; break;
    case 1: List(out.report) << "ANALISIS LINEAL ITERATIVO" << "C/CONFINAMIENTO"; break;
    case 2: List(out.report) << "ANALISIS NO LINEAL METODO DEMENEGHI"; break;
    default: break;
    }
    out.report.empty();
}

void read_materials_and_sections(ModelData& m, Echo& out, ListReader& in) {
    List(out.report) << "MATERIALES";
    m.NMAT = read_count(m, in, "the material count", "materials", limits::MATERIALS);
    Rec(out.report).text("MATERIAL", 15).X(5).text("PESO VOL", 15).text("MOD ELAST", 15).text("R POISSON", 15);
    Rec(out.report).X(20).X(10).data(m.unid(5)).X(10).data(m.unid(4));
    skip_heading(in, "the materials");
    m.MATNOM.resize(m.NMAT, blank_name());
    m.PESOV.resize(m.NMAT);
    m.EMAT.resize(m.NMAT);
    m.NUMAT.resize(m.NMAT);
    m.material_line.resize(m.NMAT);
    for (int32_t i = 1; i <= m.NMAT; ++i) {
        in.row("material", i, m.NMAT);
        in.begin();
        in.item(m.MATNOM(i), limits::NAME);
        in.item(m.PESOV(i));
        in.item(m.EMAT(i));
        in.item(m.NUMAT(i));
        in.end();
        m.material_line(i) = in.record_line();
        warn_repeated_name(in, "material", m.MATNOM, i, m.material_line);
        Rec(out.report).data(m.MATNOM(i), 20).F(m.PESOV(i), 15, 2).F(m.EMAT(i), 15, 2).F(m.NUMAT(i), 10, 2);
    }

    out.report.empty();
    List(out.report) << "SECCIONES";
    m.NSEC = read_count(m, in, "the section count", "sections", limits::SECTIONS);
    Rec(out.report).text("SECCIÓN", 10).text("MATERIAL", 17).X(13).text("BASE", 10).text("ALTURA", 10)
        .text("ÁREA", 15).text("Iy", 15).text("Iz", 15).text("IRot", 15);
    {
        const Text u2 = m.unid(2).head(2);
        Rec r(out.report);
        r.X(43).X(6).data(u2).X(6).data(u2);
        r.X(10).data(u2).text("2");
        for (int i = 0; i < 3; ++i) r.X(10).data(u2).text("4");
    }
    skip_heading(in, "the sections");
    m.SECNOM.resize(m.NSEC, blank_name());
    m.SECMAT.resize(m.NSEC, blank_name());
    m.section_line.resize(m.NSEC);
    for (Vec1<real>* v : {&m.BASE, &m.ALTURA, &m.AREA, &m.Iy, &m.Iz, &m.IRot}) v->resize(m.NSEC);
    for (int32_t i = 1; i <= m.NSEC; ++i) {
        in.row("section", i, m.NSEC);
        in.begin();
        in.item(m.SECNOM(i), limits::NAME);
        in.item(m.SECMAT(i), limits::NAME);
        in.item(m.BASE(i));
        in.item(m.ALTURA(i));
        in.end();
        m.section_line(i) = in.record_line();
        warn_repeated_name(in, "section", m.SECNOM, i, m.section_line);
        warn_section(m, in, i);
        // b across local y, h across local z
        m.AREA(i) = m.BASE(i) * m.ALTURA(i);
        m.Iy(i) = (m.ALTURA(i) * m.AREA(i) * m.ALTURA(i)) / 12.0_r;
        m.Iz(i) = (m.BASE(i) * m.AREA(i) * m.BASE(i)) / 12.0_r;
        m.IRot(i) = m.Iy(i) + m.Iz(i);
        Rec(out.report).data(m.SECNOM(i), 20).data(m.SECMAT(i), 20).F(m.BASE(i), 10, 2).F(m.ALTURA(i), 10, 2)
            .F(m.AREA(i), 15, 8).F(m.Iy(i), 15, 8).F(m.Iz(i), 15, 8).F(m.IRot(i), 15, 8);
    }
}

void read_nodes(ModelData& m, Echo& out, ListReader& in) {
    // 6 NN degrees of freedom fitted the 5000 of the legacy equation tables.
    m.NN = read_count(m, in, "the node count", "nodes", limits::DOFS / 6);
    List(out.report) << "Número de Nodos:" << m.NN;
    List(out.console) << "No. nodos" << m.NN;
    skip_heading(in, "the nodes");
    List(out.report) << "COORDENADAS DE LOS NODOS              RESTRICCIONES" << "   PERFIL   DF";
    Rec(out.report).text(" NODO      X         Y         Z    DX DY DZ MX MY MZ");

    m.node_label.resize(m.NN);
    m.node_line.resize(m.NN);
    m.COOR.resize(m.NN, 3);
    m.NRES.resize(m.NN, 6);
    m.PERFIL.resize(m.NN);
    m.DF.resize(m.NN);
    for (int32_t k = 1; k <= m.NN; ++k) {
        in.row("node", k, m.NN);
        in.begin();
        in.item(m.node_label(k));
        for (int c = 1; c <= 3; ++c) in.item(m.COOR(k, c));
        for (int c = 1; c <= 6; ++c) in.item(m.NRES(k, c));
        in.item(m.PERFIL(k));
        in.item(m.DF(k));
        in.end();
        m.node_line(k) = in.record_line();
        warn_node(m, in, k);
        Rec r(out.report);
        r.I(m.node_label(k), 5).F(m.COOR(k, 1), 10, 4).F(m.COOR(k, 2), 10, 4).F(m.COOR(k, 3), 10, 4);
        for (int c = 1; c <= 6; ++c) r.I(m.NRES(k, c), 3);
        r.I(m.PERFIL(k), 5).F(m.DF(k), 10, 4);
        r.end();
        gid_node(out.msh, m.node_label(k), m.COOR(k, 1), m.COOR(k, 2), m.COOR(k, 3));
    }
    gid_end_coordinates(out.msh);
}

void read_bars(ModelData& m, Echo& out, ListReader& in) {
    m.NB = read_count(m, in, "the bar count", "bars", limits::BARS);
    skip_heading(in, "the bars");

    m.SU.resize(m.NB);
    m.PERFN.resize(m.NN);
    m.connected.resize(m.NN);
    m.bar_label.resize(m.NB);
    m.PI.resize(m.NB);
    m.PJ.resize(m.NB);
    m.SECBAR.resize(m.NB, blank_name());
    m.NCND.resize(m.NB);
    m.FDC.resize(m.NB);
    m.GIRO.resize(m.NB);
    m.CUNIF.resize(m.NB, 6);

    out.report.empty(3);
    Rec(out.report).X(25).text("PROPIEDADES DE LAS BARRAS");
    out.report.empty();
    Rec(out.report).text("   No       SECCIÓN").X(9).text("   PI   PJ  NCND    GIRO    FDC")
        .text(" TIPO PERF SUELO    Iy        Iz        J         CVMáx", 57)
        .text("    CVMed       CVInst     CMUERTA      Pprop         PV", 58);
    List(out.log) << "LECTURA DE BARRAS";
    gid_bar_elements_begin(out.msh);

    for (int32_t j = 1; j <= m.NB; ++j) {
        in.row("bar", j, m.NB);
        in.begin();
        in.item(m.bar_label(j));
        in.item(m.SECBAR(j), limits::NAME);
        in.item(m.PI(j));
        in.item(m.PJ(j));
        in.item(m.NCND(j));
        in.item(m.GIRO(j));
        in.item(m.FDC(j));
        for (int c = 1; c <= 4; ++c) in.item(m.CUNIF(j, c));
        in.item(m.CUNIF(j, 6));
        in.end();
        warn_bar(m, in, j);
        const int32_t I = m.PI(j), J = m.PJ(j);
        check_node(m, in, I, "its first node PI");
        check_node(m, in, J, "its second node PJ");
        if (m.COOR(I, 1) == m.COOR(J, 1) && m.COOR(I, 2) == m.COOR(J, 2) && m.COOR(I, 3) == m.COOR(J, 3))
            in.fail_record("two distinct end points (a bar of zero length has no stiffness)",
                    "nodes " + num(I) + " and " + num(J) + " at the same point");

        List(out.log) << m.bar_label(j) << m.SECBAR(j) << I << J << m.NCND(j) << m.GIRO(j) << m.FDC(j) << m.CUNIF(j, 1)
                      << m.CUNIF(j, 2) << m.CUNIF(j, 3) << m.CUNIF(j, 4) << m.CUNIF(j, 6);

        // second moments for the echo (0 when the section is unknown)
        const int32_t s = m.find_section(m.SECBAR(j));
        const real iy = s != 0 ? m.Iy(s) : 0.0_r, iz = s != 0 ? m.Iz(s) : 0.0_r, irot = s != 0 ? m.IRot(s) : 0.0_r;

        List(out.log) << "para el nodo " << I << "ngn= " << 6 * I - 6;
        List(out.log) << "para el nodo " << J << "ngn= " << 6 * J - 6;
        m.connected(I) = 1;
        m.connected(J) = 1;

        const char* tipo = "  Sup";
        if (m.PERFIL(I) >= 1 && m.PERFIL(J) >= 1) {
            m.SU(j) = 1;
            tipo = "  Cim";
        }
        if (m.PERFN(I) == 0) m.PERFN(I) = m.PERFIL(I);
        if (m.PERFN(J) == 0) m.PERFN(J) = m.PERFIL(J);

        Rec r(out.report);
        r.I(m.bar_label(j), 5).X(3).data(m.SECBAR(j), 20).I(I, 5).I(J, 5).I(m.NCND(j), 5).F(m.GIRO(j), 10, 3)
            .I(m.FDC(j), 5).text(tipo).I(m.PERFN(I), 5).I(m.PERFN(J), 5).F(iy, 10, 5).F(iz, 10, 5).F(irot, 10, 5);
        for (int c = 1; c <= 6; ++c) r.F(m.CUNIF(j, c), 12, 6);
        r.end();
        gid_bar_element(out.msh, m.bar_label(j), I, J, 2 - m.SU(j));
    }
    gid_bar_elements_end(out.msh);
}

void read_isolated_footings(ModelData& m, Echo& out, ListReader& in) {
    out.report.empty();
    m.NZAP = read_count(m, in, "the isolated-footing count", "isolated footings", limits::FOOTINGS);
    List(out.report) << "Número de zapatas aisladas" << m.NZAP;
    skip_heading(in, "the isolated footings");
    m.footing_label.resize(m.NZAP);
    m.footing_line.resize(m.NZAP);
    m.ANCHOZ.resize(m.NZAP);
    m.LARGOZ.resize(m.NZAP);
    m.ESPZ.resize(m.NZAP);
    m.NODOZ.resize(m.NZAP);
    if (m.NZAP >= 1) {
        List(out.report) << "ZAPATAS AISLADAS";
        List(out.report) << "  No.    Ancho     Largo   Espesor  Nodo Perfil";
    }
    for (int32_t k = 1; k <= m.NZAP; ++k) {
        in.row("isolated footing", k, m.NZAP);
        in.record(m.footing_label(k), m.ANCHOZ(k), m.LARGOZ(k), m.ESPZ(k), m.NODOZ(k));
        const int32_t n = m.NODOZ(k);
        check_node(m, in, n, "the footing's node");
        m.footing_line(k) = in.record_line();
        if (m.ANCHOZ(k) == 0.0_r || m.LARGOZ(k) == 0.0_r)
            in.warn(m.footing_line(k), "isolated footing " + num(m.footing_label(k)) +
                                           " has zero width or length: it has no area and no spring");
        m.PERFN(n) = m.PERFIL(n);
        Rec(out.report).I(m.footing_label(k), 5).F(m.ANCHOZ(k), 10, 3).F(m.LARGOZ(k), 10, 3).F(m.ESPZ(k), 10, 3)
            .I(n, 5).I(m.PERFN(n), 5);
    }
}

void read_nodal_loads(Model& m, Echo& out, ListReader& in) {
    out.report.empty(2);
    Rec(out.report).X(8).text("CARGAS CONCENTRADAS Y CARGAS DE EMPOTRAMIENTO");
    out.report.empty();
    Rec(out.report).X(3).text("No").X(6).text("P").data(m.unid(1));
    m.NPC = read_count(m, in, "the nodal-load count", "nodal loads", limits::DOFS);
    skip_heading(in, "the nodal loads");
    m.PNOD.resize(m.NTOT);
    m.PCONC.resize(m.NTOT);
    read_node_values(m, in, m.NPC, "nodal load", "the load", m.PNOD);
    for (int32_t i = 1; i <= m.NTOT; ++i) {
        const real p = m.PNOD(i);
        if (p != 0.0_r) Rec(out.report).I(i, 5).F(p, 10, 2);
        if (m.NGL(i) != 0) m.PCONC(m.NGL(i)) = p;   // loads on restrained dofs are dropped
    }
}

void read_additional_springs(Model& m, Echo& out, ListReader& in) {
    for (Channel* ch : {&out.report, &static_cast<Channel&>(out.log)}) {
        ch->empty(2);
        Rec(*ch).X(8).text("RIGIDECES ADICIONALES, LENEALES Y ANGULARES");
        ch->empty();
        Rec(*ch).X(3).text("No").X(6).text("K").data(m.unid(3));
    }
    m.nnk = read_count(m, in, "the additional-spring count", "additional springs", limits::DOFS);
    skip_heading(in, "the additional springs");
    m.KNOD.resize(m.NTOT);
    m.RIGAD.resize(m.NTOT);
    read_node_values(m, in, m.nnk, "additional spring", "the spring", m.KNOD);
    for (int32_t i = 1; i <= m.NTOT; ++i) {
        const real k = m.KNOD(i);
        if (k != 0.0_r) Rec(out.report).I(i, 5).F(k, 10, 2);
        List(out.log) << "NGL(I)=" << m.NGL(i);
        if (m.NGL(i) != 0) m.RIGAD(m.NGL(i)) = k;
    }
    for (int32_t e = 1; e <= m.NGRED; ++e) List(out.log) << e << m.RIGAD(e);
}

void check_foundation_numbering(const Model& m, const ListReader& in) {
    for (int32_t j = 1; j <= m.NR; ++j) {
        const int32_t node = node_of_dof(m.NREAC(j));
        if (node != j)
            throw InputError(in.name() + ":" + num(m.node_line(node)) + ": the soil reactions must be on nodes 1 to " +
                             num(m.NR) +
                             " (number the foundation nodes first), but area reaction " + num(j) +
                             " is on node " + num(node));
    }
}

void check_foundation_profiles(const Model& m, const ListReader& in) {
    auto check = [&](int32_t n, const std::string& what) {
        const int32_t p = m.PERFIL(n);
        if (p > m.soil.NPS)
            throw InputError(in.name() + ":" + num(m.node_line(n)) + ": node " + num(n) + " (" + what +
                             ") names soil profile " + num(p) + ", but the soil block defines " + num(m.soil.NPS) +
                             " profile(s)");
    };
    for (int32_t j = 1; j <= m.NB; ++j)
        if (m.SU(j) == 1) {
            check(m.PI(j), "end of foundation bar " + num(j));
            check(m.PJ(j), "end of foundation bar " + num(j));
        }
    for (int32_t k = 1; k <= m.NZAP; ++k) {
        const int32_t n = m.NODOZ(k);
        if (m.PERFIL(n) < 1 || m.PERFIL(n) > m.soil.NPS)
            throw InputError(in.name() + ":" + num(m.footing_line(k)) + ": isolated footing " + num(k) +
                             " stands on node " + num(n) +
                             " whose soil profile " + num(m.PERFIL(n)) + " is not one of the " +
                             num(m.soil.NPS) + " profile(s) of the soil block");
    }
    // A DZ restraint code 2 in the data makes an area reaction of a node
    // that ends no foundation bar: its settlement needs a profile as well.
    for (int32_t j = 1; j <= m.NR; ++j) {
        const int32_t n = node_of_dof(m.NREAC(j));
        const int32_t p = m.PERFIL(n);
        if (p < 1 || p > m.soil.NPS)
            throw InputError(in.name() + ":" + num(m.node_line(n)) + ": node " + num(n) + " carries area reaction " +
                             num(j) + " (DZ restraint code 2) on soil profile " + num(p) +
                             ", which is not one of the " + num(m.soil.NPS) + " profile(s) of the soil block");
    }
}

void read_slabs(Model& m, Echo& out, ListReader& in) {
    m.NLOS = read_count(m, in, "the slab count", "slabs", limits::SLABS);
    skip_heading(in, "the slabs");
    m.slab_label.resize(m.NLOS);
    m.slab_line.resize(m.NLOS);
    m.NLOSA.resize(m.NLOS, 4);
    m.HLOSA.resize(m.NLOS);
    m.MATLOSA.resize(m.NLOS, blank_name());
    m.CLOSA.resize(m.NLOS, 6);
    if (m.NLOS >= 1) {
        gid_slab_mesh_heading(out.msh);
        out.report.empty();
        Rec(out.report).text("             LECTURA DE NODOS QUE CONFORMAN CADA LOSA");
        Rec(out.report).text("    LOSA   NI    NJ   NK    NL       h").text("   Mat  ", 20)
            .text("CVMáx     CVMed     CVInst   CMUERTA    Pprop     PV", 64);
    }
    for (int32_t k = 1; k <= m.NLOS; ++k) {
        in.row("slab", k, m.NLOS);
        in.begin();
        in.item(m.slab_label(k));
        for (int c = 1; c <= 4; ++c) in.item(m.NLOSA(k, c));
        in.item(m.HLOSA(k));
        in.item(m.MATLOSA(k), limits::NAME);
        for (int c = 1; c <= 6; ++c) in.item(m.CLOSA(k, c));
        in.end();
        m.slab_line(k) = in.record_line();
        if (m.find_material(m.MATLOSA(k)) == 0)
            in.warn(m.slab_line(k), "slab " + num(m.slab_label(k)) + ": its material " + quoted_name(m.MATLOSA(k)) +
                                        " matches no material" + did_you_mean(m.MATNOM, m.NMAT, m.MATLOSA(k)) +
                                        "; the slab is taken without self weight");
        bool on_soil = true;
        for (int c = 1; c <= 4; ++c) {
            check_node(m, in, m.NLOSA(k, c), "a slab corner");
            if (m.PERFIL(m.NLOSA(k, c)) <= 0) on_soil = false;
        }
        // A slab lying wholly on soil is loaded by the pressure at the foundation centre.
        if (on_soil) m.CLOSA(k, 6) = m.PVC;
        Rec r(out.report);
        r.I(m.slab_label(k), 6);
        for (int c = 1; c <= 4; ++c) r.I(m.NLOSA(k, c), 6);
        r.F(m.HLOSA(k), 10, 3).X(5).data(m.MATLOSA(k), 20);
        for (int c = 1; c <= 6; ++c) r.F(m.CLOSA(k, c), 10, 3);
        r.end();
        gid_slab_element(out.msh, m.slab_label(k), m.NLOSA(k, 1), m.NLOSA(k, 2), m.NLOSA(k, 3), m.NLOSA(k, 4));
    }
    if (m.NLOS >= 1) gid_slab_mesh_end(out.msh);
}

void write_count_summary(const ModelData& m, Echo& out) {
    const std::pair<const char*, int32_t> rows[] = {
        {"NN    NUMERO DE NODOS              =", m.NN},
        {"NB    NUMERO DE BARRAS             =", m.NB},
        {"NLOS  NUMERO DE LOSAS              =", m.NLOS},
        {"NZAP  NUMERO DE ZAPATAS AISLADAS   =", m.NZAP},
        {"NMAT  NO. DE MATERIALES (P/BARRAS) =", m.NMAT},
        {"NPS   NO. DE PERFILES DISPONIBLES  =", m.soil.NPS},
        {"KANAL  TIPO DE ANALISIS            =", m.KANAL},
        {"CASO(1)  ANALISIS POR EXPANSIÓN    =", m.CASO[1]},
        {"CASO(2)  ANALISIS POR COMPRESIÓN   =", m.CASO[2]},
        {"CASO(3)  CONSOLIDACIÓN PRIMARIA    =", m.CASO[3]},
        {"CASO(4)  CONSOLIDACIÓN SECUNDARIA  =", m.CASO[4]},
    };
    for (const auto& [label, v] : rows) Rec(out.report).text(label, 36).I(v, 10);
}

void lecejesdiag(ModelData& m, Echo& out, ListReader& in) {
    in.context("the first heading of the axes");
    in.skip_line();
    in.context("the second heading of the axes");
    in.skip_line();
    in.context("the axis count and divisions (NEJES, NDIV)");
    in.record(m.NEJES, m.NDIV);
    // Each axis takes three lines at least.
    const int64_t axes_room = static_cast<int64_t>(in.bytes_left() / 6);
    if (m.NEJES < 0 || m.NEJES > std::max<int64_t>(limits::AXES, axes_room))
        in.fail_record("an axis count from 0 to " + num(static_cast<int32_t>(std::min<int64_t>(
                                                        std::max<int64_t>(limits::AXES, axes_room), INT32_MAX))) +
                           " (the axes the rest of the file can hold)",
                       num(m.NEJES));
    List(out.console) << m.NEJES << m.NDIV;
    if (m.NEJES > 0 && (m.NDIV < 1 || m.NDIV > limits::DIVISIONS))
        in.fail_record("NDIV from 1 to " + num(limits::DIVISIONS) + " (the number of intervals of each bar in the diagrams)",
                num(m.NDIV));
    List(out.report) << "No. DE EJES PARA ELEMENTOS MECÁNICOS:" << m.NEJES;
    m.NOMEJE.resize(m.NEJES);
    m.NBEJE.resize(m.NEJES);
    m.BEJE.resize(m.NEJES);
    int64_t rows = 0;   // rows of the force tables of one pass
    for (int32_t i = 1; i <= m.NEJES; ++i) {
        in.context("the name of axis " + num(i));
        m.NOMEJE(i) = in.fixed_text(limits::NAME);
        Rec(out.report).data(m.NOMEJE(i), 20);
        in.context("the bars of axis " + num(i));
        in.begin();
        in.item(m.NBEJE(i));
        const int64_t bars_room = static_cast<int64_t>(in.bytes_left() / 2);
        if (m.NBEJE(i) < 0 || m.NBEJE(i) > std::max<int64_t>(limits::AXIS_BARS, bars_room))
            in.fail("a bar count the rest of the file can hold", num(m.NBEJE(i)));
        m.BEJE.set_count(i, m.NBEJE(i));
        for (int32_t k = 1; k <= m.NBEJE(i); ++k) {
            in.item(m.BEJE(i, k));
            if (m.BEJE(i, k) < 1 || m.BEJE(i, k) > m.NB)
                in.fail("a bar number from 1 to " + num(m.NB), num(m.BEJE(i, k)));
        }
        in.end();
        // An axis is meant as a chain of bars: a bar listed twice repeats its
        // table, the distance along the axis going on.
        if (const int32_t twice = repeated_bar(m, i); twice != 0)
            in.warn(in.record_line(), "axis " + num(i) + " lists bar " + num(twice) +
                                          " more than once; its force table is written each time, the distance "
                                          "along the axis going on");
        rows += static_cast<int64_t>(m.NBEJE(i)) * (static_cast<int64_t>(m.NDIV) + 1);
        if (rows > limits::DIAGRAM_ROWS)
            in.fail_record("force tables along the axes of at most " + std::to_string(limits::DIAGRAM_ROWS) +
                        " rows per case (bars on the axes x (NDIV + 1))",
                    std::to_string(rows) + " rows up to axis " + num(i) + "; use fewer divisions or axes");
        // NBEJE first, then the bars, twenty numbers to a line
        std::string line;
        put_I(line, m.NBEJE(i), 5);
        int on_line = 1;
        for (int32_t k = 1; k <= m.NBEJE(i); ++k) {
            if (on_line == 20) {
                out.report.write_line(line);
                line.clear();
                on_line = 0;
            }
            put_I(line, m.BEJE(i, k), 5);
            ++on_line;
        }
        out.report.write_line(line);
    }
}

} // namespace qb
