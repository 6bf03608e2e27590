#include "output/frame_report.h"

#include "frame/assembly.h"

namespace qb::inline QB_ARITH {

namespace {

// End-force labels, blank padded to 14 columns.
constexpr const char* FORCE_LABEL[12] = {
    "NORMAL X1     ", "CORTANTE Y1   ", "CORTANTE Z1   ", "TORSION X1    ", "FLEXIONANTE Y1", "FLEXIONANTE Z1",
    "NORMAL X2     ", "CORTANTE Y2   ", "CORTANTE Z2   ", "TORSION X2    ", "FLEXIONANTE Y2", "FLEXIONANTE Z2"};

} // namespace

void report_uniform_loads(const Model& m, Channel& report) {
    List(report) << "CARGAS UNIFORMES DETERMINADAS EN CADA BARRA";
    List(report) << "  Barra     CVMax       CVMed      CVInst     CMuerta     PPropio          PV";
    for (int32_t j = 1; j <= m.NB; ++j) bar_load_row(report, m, j);
}

void report_total_load(const Model& m, Channel& report) {
    List(report) << "La carga total de la estructura es" << m.total_load;
    List(report) << "La presión máxima qmax ejercida por la estructura es" << m.qmax;
}

void report_bar_forces(const Model& m, const CaseState& st, Channel& report) {
    report.empty(2);
    Rec(report).text("  BARRA      ELEMENTOS     GRADO DE            MAGNITUD");
    Rec(report).text("             MECANICOS     LIBERTAD");
    report.empty(1);
    for (int32_t j = 1; j <= m.NB; ++j)
        for (int32_t r = 1; r <= 12; ++r)
            Rec(report).I(j, 5).X(7).text(FORCE_LABEL[r - 1]).I(m.VGL(j, r), 6).X(10).F(st.ELMEC(j, r), 15, 8);
}

DiagramReport::DiagramReport(const Model& m, Channel& report) : m_(m), report_(report) {
    report_.empty(2);
    Rec(report_).text("DIAGRAMAS DE ELEMENTOS MECANICOS POR EJE");
}

void DiagramReport::axis(int32_t i) {
    List(report_) << m_.NOMEJE(i).field(limits::NAME);
    Rec(report_).text("BARRA     X         Nx'         Vz'         My'         Vy'         Mz'");
}

void DiagramReport::point(const DiagramPoint& p) {
    Rec(report_).I(p.bar, 5).F(p.s, 8, 2).F(p.N, 12, 3).F(p.Vz, 12, 3).F(p.My, 12, 3).F(p.Vy, 12, 3).F(p.Mz, 12, 3);
}

} // namespace qb
