#include "output/summary.h"

#include <cmath>

#include "output/case_values.h"

namespace qb::inline QB_ARITH {

namespace {

double distance(const Model& m, int32_t a, int32_t b) {
    double s = 0.0;
    for (int32_t k = 1; k <= 3; ++k) {
        const double d = static_cast<double>(m.COOR(b, k)) - static_cast<double>(m.COOR(a, k));
        s += d * d;
    }
    return std::sqrt(s);
}

// Keeps the figure of the largest |value| (or largest value, or smallest).
void keep_abs(BarFigure& f, double v, int32_t bar, int32_t end) {
    if (f.bar == 0 || std::fabs(v) > std::fabs(f.value)) f = {v, bar, end};
}

} // namespace

CaseFigures case_figures(const Model& m, const CaseState& st, int32_t caso, const SolutionQuality& quality) {
    CaseFigures f;
    f.quality = quality;

    // Settlement and contact pressure under every foundation node.
    std::vector<double> settlement(static_cast<size_t>(m.NN) + 1, 0.0);
    std::vector<char> on_soil(static_cast<size_t>(m.NN) + 1, 0);
    const auto at = [&](double v, int32_t n) {
        return NodeFigure{v, n, m.COOR(n, 1), m.COOR(n, 2), m.COOR(n, 3)};
    };
    auto pressure_at = [&](double p, int32_t node) {
        if (f.pressure_largest.node == 0 || p > f.pressure_largest.value) f.pressure_largest = at(p, node);
        if (f.pressure_smallest.node == 0 || p < f.pressure_smallest.value) f.pressure_smallest = at(p, node);
    };
    for (int32_t j = 1; j <= m.reactions(); ++j) {
        const int32_t g = reaction_dof(m, j);
        if (g < 1 || g > m.NTOT || component_of_dof(g) != DZ) continue;
        const int32_t n = node_of_dof(g);
        const double s = reported_settlement(m, st, caso, j);
        settlement[static_cast<size_t>(n)] = s;
        on_soil[static_cast<size_t>(n)] = 1;
        if (f.settlement_largest.node == 0 || s < f.settlement_largest.value) f.settlement_largest = at(s, n);
        if (f.settlement_smallest.node == 0 || s > f.settlement_smallest.value) f.settlement_smallest = at(s, n);
        if (const double p = contact_pressure(m, st, j); std::isfinite(p)) pressure_at(p, n);
    }

    // Differential settlement and distortion between joined foundation nodes.
    auto pair = [&](int32_t a, int32_t b) {
        if (a < 1 || b < 1 || a > m.NN || b > m.NN || !on_soil[static_cast<size_t>(a)] ||
            !on_soil[static_cast<size_t>(b)])
            return;
        const double d = std::fabs(settlement[static_cast<size_t>(a)] - settlement[static_cast<size_t>(b)]);
        const double L = distance(m, a, b);
        if (f.differential.node1 == 0 || d > f.differential.value) f.differential = {d, a, b, L};
        if (L > 0.0 && (f.distortion.node1 == 0 || d / L > f.distortion.value)) f.distortion = {d / L, a, b, L};
    };
    for (int32_t j = 1; j <= m.NB; ++j)
        if (m.SU(j) == 1) pair(m.PI(j), m.PJ(j));
    for (int32_t s = 1; s <= m.NLOS; ++s)
        for (int32_t c = 1; c <= 4; ++c) pair(m.NLOSA(s, c), m.NLOSA(s, c % 4 + 1));

    for (int32_t n = 1; n <= m.NN; ++n) {
        const double dx = st.DESPL.at_or_zero(dof(n, DX)), dy = st.DESPL.at_or_zero(dof(n, DY)),
                     dz = st.DESPL.at_or_zero(dof(n, DZ));
        const double d = std::sqrt(dx * dx + dy * dy + dz * dz);
        if (f.displacement.node == 0 || d > f.displacement.value) {
            f.displacement = at(d, n);
            f.dx = dx, f.dy = dy, f.dz = dz;
        }
    }

    if (st.ELMEC.rows() >= m.NB)
        for (int32_t j = 1; j <= m.NB; ++j)
            for (int32_t end = 1; end <= 2; ++end) {
                const int32_t o = 6 * (end - 1);
                keep_abs(f.axial, st.ELMEC(j, o + 1), j, end);
                keep_abs(f.shear_y, st.ELMEC(j, o + 2), j, end);
                keep_abs(f.shear_z, st.ELMEC(j, o + 3), j, end);
                keep_abs(f.torsion, st.ELMEC(j, o + 4), j, end);
                keep_abs(f.moment_y, st.ELMEC(j, o + 5), j, end);
                keep_abs(f.moment_z, st.ELMEC(j, o + 6), j, end);
            }
    return f;
}

} // namespace qb
