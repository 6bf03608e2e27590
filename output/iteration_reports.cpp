#include "output/iteration_reports.h"

#include <string>

#include "output/solution_report.h"

namespace qb::inline QB_ARITH {

void ConsoleNewtonObserver::iteration(int32_t it) { List(console_) << "Iteracion:" << it; }

void ConsoleNewtonObserver::errors(const std::vector<double>& err, bool shown) {
    List(console_) << "ERROR";
    if (!shown) {
        List(console_) << "IMPRESIÓN FUERA DE RANGO";
        return;
    }
    // The errors are single-precision values kept in double: exact as floats.
    Rec line(console_);
    for (double e : err) line.E(static_cast<real>(e), 10, 2);
}

void ReportJanbuObserver::uniform_start() {
    report_.empty();
    Rec(report_).text("REACCION UNIFORME");
}

void ReportJanbuObserver::pass_heading() {
    report_.empty();
    Rec(report_).text("PUNTO NODAL  ESTRATO  CARGA       E(t/m2)");
}

void ReportJanbuObserver::first_pass(const Model& m, const CaseState& st, const Vec1<real>& REAC) {
    report_.empty(2);
    Rec(report_).text("#REACCION, VALOR DE LA REACCION");
    Rec(report_).X(13).text("(t)");
    for (int32_t i = 1; i <= m.NR; ++i) Rec(report_).I(i, 5).F(REAC(i), 10, 5);
    report_.empty(2);
    Rec(report_).text("#REACCION, HUNDIMIENTO DEBIDO A LA REACCION");
    Rec(report_).X(12).text("(m)");
    for (int32_t i = 1; i <= m.NR; ++i) Rec(report_).I(i, 5).F(st.HUNDIM(i), 10, 5);
}

void ReportJanbuObserver::pass_done(const Model& m, const CaseState& st, const Vec1<real>& REAC) {
    report_linear_solution(m, st, report_, res_);
    for (int32_t i = 1; i <= m.NR; ++i) List(report_) << "REACCION" << REAC(i) << st.reaction(m, i);
}

void ReportJanbuObserver::next_pass(int32_t ITER) { List(report_) << "ITERACION No" << ITER; }

void ReportJanbuObserver::not_converged(int32_t passes) {
    const std::string msg = "NO CONVERGE EN " + std::to_string(passes) + " ITERACIONES";
    List(report_) << msg.c_str();
    List(console_) << msg.c_str();
}

} // namespace qb
