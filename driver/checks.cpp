#include "driver/checks.h"

#include <cfloat>
#include <cmath>
#include <cstdio>

namespace qb::inline QB_ARITH {

namespace {

std::string figure(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.4g", v);
    return b;
}

std::string num(int32_t v) { return std::to_string(v); }

// The largest magnitude among the loads, stiffnesses and moduli of the data,
// with what it is.
struct Magnitude {
    double value = 0.0;
    std::string what;
    void consider(double v, const std::string& w) {
        if (std::fabs(v) > value) value = std::fabs(v), what = w;
    }
};

Magnitude largest_magnitude(const Model& m) {
    Magnitude g;
    for (int32_t i = 1; i <= m.PNOD.size(); ++i) g.consider(m.PNOD(i), "a nodal load");
    for (int32_t i = 1; i <= m.KNOD.size(); ++i) g.consider(m.KNOD(i), "an additional spring");
    for (int32_t j = 1; j <= m.NB; ++j)
        for (int32_t c = 1; c <= 6; ++c) g.consider(m.CUNIF(j, c), "a load of bar " + num(m.bar_label.at_or_zero(j)));
    for (int32_t s = 1; s <= m.NLOS; ++s)
        for (int32_t c = 1; c <= 6; ++c) g.consider(m.CLOSA(s, c), "a load of slab " + num(m.slab_label(s)));
    for (int32_t t = 1; t <= m.NMAT; ++t) {
        g.consider(m.EMAT(t), "the modulus of material " + quoted_name(m.MATNOM(t)));
        g.consider(m.PESOV(t), "the unit weight of material " + quoted_name(m.MATNOM(t)));
    }
    return g;
}

// Why the flexibility of area reaction i (row i of FLEX) is not finite.
std::string area_cause(const Model& m, const SoilSource& src, int32_t i) {
    const int32_t n = node_of_dof(m.NREAC(i)), p = m.PERFIL(n);
    const std::string reaction = "area reaction " + num(i) + " (node " + num(n) + ")";
    if (src.janbu_reactions != nullptr && src.janbu_reactions->at_or_zero(i) < 0.0_r)
        return "in Janbu pass " + num(src.pass) + " " + reaction + " is in tension (" +
               figure(src.janbu_reactions->at_or_zero(i)) +
               "): the soil cannot pull, the mean stress under it turns negative and the stress-dependent soil "
               "modulus is undefined. Check the loads and supports near node " + num(n) +
               ", or solve case 2 linearly (KANAL 0) or by the nonlinear analysis (KANAL 2), which releases "
               "reactions in tension";
    const ModulusSource& moduli = src.moduli;
    if (moduli.E != nullptr && p >= 1 && p <= m.soil.NPS)
        for (int32_t k = 1; k <= m.soil.NEST(p); ++k) {
            if (!(m.DF(n) < m.soil.PROF(p, k))) continue;
            const int32_t row = moduli.by_node ? n : p;
            if (row > moduli.E->rows() || k > moduli.E->cols()) continue;
            const real e = (*moduli.E)(row, k);
            if (e != 0.0_r && std::isfinite(e)) continue;
            std::string s = "the " + std::string(moduli.name) + " of stratum " + num(k) + " of profile " +
                            num(p) + " under " + reaction + " is " + figure(e) + ", so its compliance is not finite";
            if (std::string(moduli.name).find("field") != std::string::npos)
                s += "; a field modulus is 0 when the stratum's laboratory modulus or its laboratory stress (slab) "
                     "is 0, and not finite when the loads do not reach the stratum: give them positive values, or "
                     "use the laboratory moduli (NFLAG1 = 3)";
            else
                s += "; give the stratum a positive modulus";
            return s;
        }
    return "the soil flexibility of " + reaction + " is not finite";
}

// Why the spring of nodal reaction i (row NR + i of FLEX) is not finite.
std::string footing_cause(const Model& m, const SoilSource& src, int32_t i) {
    const int32_t g = m.NREACNOD(i), n = node_of_dof(g), p = m.PERFIL(n);
    const std::string spring = "the spring of nodal reaction " + num(i) + " (node " + num(n) + ", " +
                               std::string("XYZXYZ").substr(static_cast<size_t>(component_of_dof(g) - 1), 1) +
                               (component_of_dof(g) <= 3 ? " translation" : " rotation") + ")";
    if (p >= 1 && p <= m.soil.NPS)
        for (int32_t k = 1; k <= m.soil.NEST(p); ++k) {
            if (!(m.DF(n) < m.soil.PROF(p, k))) continue;
            const real nu = src.footing_nu != nullptr && p <= src.footing_nu->rows() ? (*src.footing_nu)(p, k) : 0.0_r;
            const real e = src.footing_E != nullptr && p <= src.footing_E->rows() ? (*src.footing_E)(p, k) : 0.0_r;
            if (!(nu < 0.5_r && nu > -1.0_r))
                return spring + " is not finite: stratum " + num(k) + " of profile " + num(p) +
                       " has a Poisson ratio of " + figure(nu) +
                       ", and the footing springs divide by 1 - nu^2, 7 - 8 nu and 1 - nu; give it a ratio below 0.5";
            if (e == 0.0_r)
                return spring + " is not finite: stratum " + num(k) + " of profile " + num(p) +
                       " has a zero modulus, a spring of no stiffness; give it a positive modulus";
        }
    return spring + " is not finite";
}

bool finite_table(const Vec1<real>& v) {
    for (int32_t i = 1; i <= v.size(); ++i)
        if (!std::isfinite(v(i))) return false;
    return true;
}

} // namespace

std::string likely_cause(const Model& m) {
    // Products of two magnitudes beyond the square root of the largest real
    // overflow on the way through the elimination.
    const double limit = std::sqrt(double_precision ? DBL_MAX : FLT_MAX);
    if (const Magnitude g = largest_magnitude(m); g.value > limit)
        return "overflow: the data hold magnitudes up to " + figure(g.value) + " (" + g.what + "), beyond what the " +
               (double_precision ? "double" : "single") + "-precision arithmetic carries through the solution (" +
               figure(limit) + "); check the units of the data";
    for (int32_t j = 1; j <= m.NB; ++j) {
        const std::string bar = "bar " + num(m.bar_label.at_or_zero(j));
        const int32_t s = m.find_section(m.SECBAR(j));
        if (s == 0)
            return bar + " has no stiffness: its section " + quoted_name(m.SECBAR(j)) + " matches no section" +
                   did_you_mean(m.SECNOM, m.NSEC, m.SECBAR(j));
        const int32_t t = m.find_material(m.SECMAT(s));
        if (t == 0)
            return bar + " has no stiffness: the material " + quoted_name(m.SECMAT(s)) +
                   " of its section matches no material" + did_you_mean(m.MATNOM, m.NMAT, m.SECMAT(s));
        if (m.EMAT(t) == 0.0_r || m.AREA(s) == 0.0_r)
            return bar + " has no stiffness: zero modulus or zero section (section " + quoted_name(m.SECNOM(s)) + ")";
    }
    for (int32_t k = 1; k <= m.NZAP; ++k)
        if (m.ANCHOZ(k) == 0.0_r || m.LARGOZ(k) == 0.0_r)
            return "isolated footing " + num(m.footing_label(k)) + " has zero width or length";
    bool supported = m.NR + m.MR > 0;
    for (int32_t n = 1; n <= m.NN && !supported; ++n)
        if (m.connected.at_or_zero(n) && m.NGL.at_or_zero(dof(n, DZ)) == 0) supported = true;
    if (!supported) return "nothing carries the structure: no soil reaction, no isolated footing, no support";
    return "a mechanism: part of the structure can move without straining any bar, or rests on nothing";
}

void check_flexibility(const Model& m, const CaseState& st, const SoilSource& src, const std::string& what) {
    const int32_t n = std::min(st.FLEX.rows(), m.NR + m.MR);
    for (int32_t i = 1; i <= n; ++i)
        for (int32_t l = 1; l <= n; ++l) {
            if (std::isfinite(st.FLEX(i, l))) continue;
            throw SolutionFailure(what + ": " + (i <= m.NR ? area_cause(m, src, i) : footing_cause(m, src, i - m.NR)) +
                                  "; the run stops");
        }
}

void check_finite(const Model& m, const CaseState& st, const std::string& what) {
    int32_t bad = 0;
    for (int32_t i = 1; i <= st.DESPL.size(); ++i)
        if (!std::isfinite(st.DESPL(i))) ++bad;
    if (bad > 0)
        throw SolutionFailure(what + ": " + num(bad) +
                              " displacement(s) or reaction(s) are not finite (NaN or infinite); the run stops. "
                              "Likely cause: " + likely_cause(m));
    if (!finite_table(st.HUNDIM))
        throw SolutionFailure(what + ": a settlement under the foundation is not finite; the run stops. Likely "
                                     "cause: " + likely_cause(m));
}

void check_bar_forces(const Model& m, const CaseState& st, const std::string& what) {
    for (int32_t j = 1; j <= std::min(st.ELMEC.rows(), m.NB); ++j)
        for (int32_t k = 1; k <= 12; ++k)
            if (!std::isfinite(st.ELMEC(j, k)))
                throw SolutionFailure(what + ": the end forces of bar " + num(m.bar_label.at_or_zero(j)) +
                                      " are not finite; the run stops. Likely cause: " + likely_cause(m));
}

std::string solution_doubt(const SolutionQuality& q) {
    std::string doubt;
    if (!(q.residual <= SOLUTION_TOLERANCE)) doubt = "relative residual of the coupled system " + figure(q.residual);
    if (q.balance_known && !(q.imbalance <= SOLUTION_TOLERANCE))
        doubt += (doubt.empty() ? "" : "; ") + std::string("vertical loads ") + figure(q.load) +
                 " against vertical reactions " + figure(q.carried) + " (off by " + figure(100.0 * q.imbalance) +
                 " %)";
    return doubt;
}

} // namespace qb
