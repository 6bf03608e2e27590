#include "driver/checks.h"

#include <cmath>
#include <cstdio>

#include "solver/solution_check.h"

namespace qb {

namespace {

constexpr double TOLERANCE = 0.01;   // 1 %

std::string figure(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.4g", v);
    return b;
}

bool check(const Model& m, const SolutionQuality& q, const std::string& what, bool judge = true) {
    if (q.non_finite > 0)
        throw SolutionFailure(what + ": " + std::to_string(q.non_finite) +
                              " displacement(s) or reaction(s) are not finite (NaN or infinite); the run stops. "
                              "Likely cause: " + likely_cause(m));
    if (!judge) return false;
    std::string doubt;
    if (!(q.residual <= TOLERANCE))
        doubt = "relative residual of the coupled system " + figure(q.residual);
    if (q.balance_known && !(q.imbalance <= TOLERANCE))
        doubt += (doubt.empty() ? "" : "; ") + std::string("vertical loads ") + figure(q.load) +
                 " against vertical reactions " + figure(q.carried) + " (off by " + figure(100.0 * q.imbalance) +
                 " %)";
    if (!doubt.empty())
        std::fprintf(stderr,
                     "querbal: warning: %s: %s: the solution is doubtful (%s); the system is likely nearly "
                     "singular: %s\n",
                     m.data_name.c_str(), what.c_str(), doubt.c_str(), likely_cause(m).c_str());
    return !doubt.empty();
}

} // namespace

std::string likely_cause(const Model& m) {
    for (int32_t j = 1; j <= m.NB; ++j) {
        const std::string bar = "bar " + std::to_string(m.bar_label.at_or_zero(j));
        const int32_t s = m.find_section(m.SECBAR(j));
        if (s == 0) return bar + " has no stiffness: its section " + quoted_name(m.SECBAR(j)) + " matches no section";
        const int32_t t = m.find_material(m.SECMAT(s));
        if (t == 0)
            return bar + " has no stiffness: the material " + quoted_name(m.SECMAT(s)) +
                   " of its section matches no material";
        if (m.EMAT(t) == 0.0_r || m.AREA(s) == 0.0_r)
            return bar + " has no stiffness: zero modulus or zero section (section " + quoted_name(m.SECNOM(s)) + ")";
    }
    for (int32_t k = 1; k <= m.NZAP; ++k)
        if (m.ANCHOZ(k) == 0.0_r || m.LARGOZ(k) == 0.0_r)
            return "isolated footing " + std::to_string(m.footing_label(k)) + " has zero width or length";
    bool supported = m.NR + m.MR > 0;
    for (int32_t n = 1; n <= m.NN && !supported; ++n)
        if (m.connected.at_or_zero(n) && m.NGL.at_or_zero(dof(n, DZ)) == 0) supported = true;
    if (!supported) return "nothing carries the structure: no soil reaction, no isolated footing, no support";
    return "a mechanism: part of the structure can move without straining any bar, or rests on nothing";
}

bool check_linear_solution(const Model& m, const CaseState& st, const Vec1<real>& vered, const std::string& what,
                           bool judge) {
    return check(m, linear_solution_quality(m, st, vered), what, judge);
}

void check_newton_solution(const Model& m, const CaseState& st, const Vec1<real>& vered, const std::string& what,
                           bool converged) {
    check(m, newton_solution_quality(m, st, vered), what, converged);
}

} // namespace qb
