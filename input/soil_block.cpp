#include "input/soil_block.h"

#include <cstdio>
#include <string>
#include <vector>

#include "model/analysis.h"
#include "output/soil_report.h"
#include "soil/profiles.h"

namespace qb::inline QB_ARITH {

namespace {

// The springs of an isolated footing divide by 1 - nu^2, 7 - 8 nu, 1 - nu
// and 1 + nu: a Poisson ratio of the linear case `caso` outside the range of
// soils, under a footing, is most likely a slip.
void warn_footing_poisson(const Model& m, const ListReader& in, int32_t p, const std::string& where, real nu,
                          int32_t caso) {
    if (nu < 0.5_r && nu > -1.0_r) return;
    char shown[32];
    std::snprintf(shown, sizeof shown, "%g", static_cast<double>(nu));
    for (int32_t f = 1; f <= m.NZAP; ++f)
        if (m.PERFIL(m.NODOZ(f)) == p) {
            in.warn(in.record_line(), where + ": the Poisson ratio " + shown + " of case " +
                                          std::to_string(caso) + " lies outside -1 to 0.5 under isolated footing " +
                                          std::to_string(m.footing_label(f)) +
                                          ", whose springs divide by 1 - nu^2, 7 - 8 nu and 1 - nu");
            return;
        }
}

// The line of properties that each switched-on case reads for a stratum, and
// its echo: the fields in order (every one a (profile, stratum) table of the
// soil), and the two heading lines above the values.
struct CaseProperties {
    int32_t caso;
    const char* what;                      // in the messages
    std::vector<Mat1<real> Soil::*> fields;
    int32_t heading_indent;
    const char* heading;                   // the field names
    const char* unit_prefix;               // before the stress unit ("1/": a compressibility)
    int32_t poisson;                       // the field of the Poisson ratio that isolated footings divide by, 0 none
};

const CaseProperties CASE_PROPERTIES[] = {
    {1, "expansion properties", {&Soil::E1, &Soil::NU1, &Soil::SLAB}, 10, "E         NU      slab", nullptr, 2},
    {2, "immediate-compression properties",
     {&Soil::E2, &Soil::NU2, &Soil::SLAB, &Soil::KO, &Soil::K, &Soil::N, &Soil::A}, 10,
     "E         NU      slab     KO       K       N     A", nullptr, 2},
    {3, "primary-consolidation properties", {&Soil::EMV, &Soil::AP, &Soil::T}, 7, "   Emv       Ap       T ", "   1/",
     0},
    {4, "secondary-consolidation properties", {&Soil::EMT, &Soil::ACS, &Soil::PSI, &Soil::T}, 7,
     "   Emt      Acs      psi       T", "   1/", 0},
};

// A stratum and its properties, as read.
void read_stratum(Model& m, ListReader& in, int32_t p, int32_t k, int32_t& label) {
    Soil& s = m.soil;
    const std::string where = "soil profile " + std::to_string(p) + ", stratum " + std::to_string(k);
    in.context("heading of " + where);
    in.skip_line();
    in.context(where);
    in.record(label, s.TIPOEST(p, k), s.H(p, k), s.GAMA(p, k));
    const int line = in.record_line();
    if (s.TIPOEST(p, k) != 1 && s.TIPOEST(p, k) != 2)
        in.warn(line, where + ": the stratum type " + std::to_string(s.TIPOEST(p, k)) +
                          " is neither 1 (sand) nor 2 (clay); consolidation takes it as sand");
    if (s.H(p, k) == 0.0_r) in.warn(line, where + " has zero thickness: it settles nothing");
    for (const CaseProperties& c : CASE_PROPERTIES) {
        if (!m.case_on(c.caso)) continue;
        in.context(where + ", " + c.what);
        in.begin();
        for (Mat1<real> Soil::*field : c.fields) in.item((s.*field)(p, k));
        in.end();
        // The springs of the isolated footings use the Poisson ratio of the
        // case's linear solution.
        if (c.poisson != 0 && solution_of(c.caso, m.KANAL) == Solution::linear)
            warn_footing_poisson(m, in, p, where, (s.*c.fields[static_cast<size_t>(c.poisson - 1)])(p, k), c.caso);
    }
}

void echo_bearing_stratum(const Model& m, Channel& report, int32_t k) {
    if (k == 1) List(report) << "en el nodo" << m.NRCENT << "df=" << m.DF(m.NRCENT);
    List(report) << "Estrato de apoyo" << k;
    List(report) << "Pv al centro de la cimentación=" << m.PVC;
    report.empty();
}

void echo_stratum(const Model& m, Channel& report, int32_t p, int32_t k, int32_t label, const char* tipo) {
    const Soil& s = m.soil;
    Rec(report).text(" PERFIL  ESTRATO  TIPO MAT   z        H        PESO ");
    Rec(report).X(27).X(2).data(m.unid(2)).X(5).data(m.unid(2)).X(5).data(m.unid(5));
    Rec(report).I(p, 5).X(3).I(label, 5).text(tipo, 11).F(s.Z(p, k), 8, 2).F(s.H(p, k), 8, 2).F(s.GAMA(p, k), 12, 4);
    for (const CaseProperties& c : CASE_PROPERTIES) {
        if (!m.case_on(c.caso)) continue;
        Rec(report).X(4).text(("PROPIEDADES CASO " + std::to_string(c.caso)).c_str());
        Rec(report).X(c.heading_indent).text(c.heading);
        if (c.unit_prefix) Rec(report).X(4).text(c.unit_prefix).data(m.unid(4));
        else Rec(report).X(10).data(m.unid(4));
        Rec values(report);
        values.X(8);
        for (Mat1<real> Soil::*field : c.fields) values.F((s.*field)(p, k), 8, 2);
    }
}

} // namespace

void read_soil_profiles(Model& m, Echo& out, ListReader& in) {
    Soil& s = m.soil;
    int32_t NPS = 0;
    real PA = 0.0_r;
    in.context("soil profile count and reference pressure");
    in.record(NPS, PA);
    if (NPS < 0 || NPS > limits::PROFILES)
        in.fail_record("a profile count from 0 to " + std::to_string(limits::PROFILES), std::to_string(NPS));
    s.resize(NPS);
    s.PA = PA;

    List(out.console) << "Casos de analisis" << m.CASO[1] << m.CASO[2] << m.CASO[3] << m.CASO[4];
    out.report.empty(2);
    Rec(out.report).X(8).text("PROPIEDADES DEL SUELO");
    out.report.empty(2);

    // The soil type shown is that of the last stratum with a known type.
    const char* tipo = "           ";
    for (int32_t p = 1; p <= NPS; ++p) {
        List(out.log) << "PERFIL " << p;
        in.context("number of strata of soil profile " + std::to_string(p));
        int32_t nest = 0;
        in.record(nest);
        if (nest < 0 || nest > limits::STRATA)
            in.fail_record("a stratum count from 0 to " + std::to_string(limits::STRATA), std::to_string(nest));
        s.NEST(p) = nest;

        for (int32_t k = 1; k <= nest; ++k) {
            int32_t label = 0;
            read_stratum(m, in, p, k, label);
            if (stratum_state(m, p, k, out.log)) echo_bearing_stratum(m, out.report, k);
            if (s.TIPOEST(p, k) == 1) tipo = " ARENA ";
            else if (s.TIPOEST(p, k) == 2) tipo = "ARCILLA";
            echo_stratum(m, out.report, p, k, label, tipo);
        }
        lateral_pressures(s, p);
        report_profile_pressures(m, p, out.report);
        trace_profile_pressures(m, p, out.log);
    }
}

} // namespace qb
