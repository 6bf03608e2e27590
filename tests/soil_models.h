// Small soil models built in memory for the soil tests.
#pragma once

#include <string>
#include <vector>

#include "model/model.h"

namespace qb::testing {

// Profile 1 with strata of the given thicknesses (depths and pressures filled),
// NN nodes on it at foundation depth df, the first NR carrying area reactions.
inline void soil_and_nodes(Model& m, const std::vector<float>& H, int32_t NN, int32_t NR, float df) {
    m.soil.resize(1);
    m.soil.NEST(1) = static_cast<int32_t>(H.size());
    float d = 0.0f, q = 0.0f;
    for (int32_t k = 1; k <= m.soil.NEST(1); ++k) {
        const float h = H[static_cast<size_t>(k - 1)];
        m.soil.H(1, k) = h;
        m.soil.PZ(1, k) = q + 0.5f * 1.8f * h;
        m.soil.Z(1, k) = d + 0.5f * h;
        q = q + h * 1.8f;
        d = d + h;
        m.soil.PROF(1, k) = d;
    }
    m.NN = NN;
    m.PERFIL.resize(NN, 1);
    m.DF.resize(NN, df);
    m.XR.resize(NN);
    m.YR.resize(NN);
    for (Mat1<float>* t : {&m.XI, &m.YI, &m.XF, &m.YF}) t->resize(NN, 2);
    m.LONGREAC.resize(6 * NN);
    m.AREAREAC.resize(6 * NN);
    m.NR = NR;
    m.NREAC.resize(NR);
    for (int32_t j = 1; j <= NR; ++j) m.NREAC(j) = 6 * j - 3;
}

inline void rect(Model& m, int32_t n, int32_t d, float xi, float yi, float xf, float yf) {
    m.XI(n, d) = xi; m.YI(n, d) = yi; m.XF(n, d) = xf; m.YF(n, d) = yf;
}

// The plane frame on a 1.2 m strip footing of the bundled example
// "marco_zapatas": reactions at x = 0, 5, 10, two strata, laboratory moduli.
inline void strip_frame(Model& m) {
    soil_and_nodes(m, {3.0f, 10.0f}, 6, 3, 1.0f);
    Soil& s = m.soil;
    s.NU2(1, 1) = 0.35f; s.NU2(1, 2) = 0.30f;
    s.E1(1, 1) = 2000.0f; s.E1(1, 2) = 6000.0f;
    s.EMT(1, 1) = 1200.0f; s.EMT(1, 2) = 4000.0f;
    s.PSI(1, 1) = s.PSI(1, 2) = 0.5f;
    s.T(1, 1) = s.T(1, 2) = 1.0f;
    for (int32_t n = 1; n <= 3; ++n) {
        m.XR(n) = 5.0f * static_cast<float>(n - 1);
        m.LONGREAC(6 * n - 3) = n == 2 ? 5.0f : 2.5f;
        m.AREAREAC(6 * n - 3) = n == 2 ? 6.0f : 3.0f;
    }
    rect(m, 1, 1, 0.0f, -0.6f, 2.5f, 0.6f);
    rect(m, 2, 1, 2.5f, -0.6f, 7.5f, 0.6f);
    rect(m, 3, 1, 7.5f, -0.6f, 10.0f, 0.6f);
    m.NDIRMAX = 1;
    m.nflag1 = 3;
}

inline std::vector<std::string> lines(const std::string& s) {
    std::vector<std::string> v;
    for (size_t a = 0, b; a < s.size(); a = b + 1) {
        b = s.find('\n', a);
        if (b == std::string::npos) b = s.size();
        v.push_back(s.substr(a, b - a));
    }
    return v;
}

} // namespace qb::testing
