#include "soil/profiles.h"

#include <string>

namespace qb {

namespace {

void stratum_heading(Model& m, Io& io) {
    Rec(io.report).text(" PERFIL  ESTRATO  TIPO MAT   z        H        PESO ");
    Rec(io.report).X(27).X(2).data(m.unid(2)).X(5).data(m.unid(2)).X(5).data(m.unid(5));
}

} // namespace

void read_soil_profiles(Model& m, Io& io, ListReader& in) {
    Soil& s = m.soil;
    int32_t NPS = 0;
    float PA = 0.0f;
    in.context("soil profile count and reference pressure");
    in.record(NPS, PA);
    if (NPS < 0 || NPS > limits::PROFILES)
        in.fail("a profile count from 0 to " + std::to_string(limits::PROFILES), std::to_string(NPS));
    s.resize(NPS);
    s.PA = PA;

    List(io.console) << "Casos de analisis" << m.CASO[1] << m.CASO[2] << m.CASO[3] << m.CASO[4];
    io.report.empty(2);
    Rec(io.report).X(8).text("PROPIEDADES DEL SUELO");
    io.report.empty(2);

    // Depth of the foundation centre: the node of the central area reaction.
    const int32_t ncent = m.NRCENT;
    const bool has_centre = ncent >= 1 && ncent <= m.NN;
    const float D = has_centre ? m.DF(ncent) : 0.0f;

    std::string tipo = "           ";
    for (int32_t p = 1; p <= NPS; ++p) {
        List(io.log) << "PERFIL " << p;
        in.context("number of strata of soil profile " + std::to_string(p));
        int32_t nest = 0;
        in.record(nest);
        if (nest < 0 || nest > limits::STRATA)
            in.fail("a stratum count from 0 to " + std::to_string(limits::STRATA), std::to_string(nest));
        s.NEST(p) = nest;

        float d = 0.0f, q = 0.0f;   // depth and vertical pressure at the top of the stratum
        for (int32_t k = 1; k <= nest; ++k) {
            const std::string where = "soil profile " + std::to_string(p) + ", stratum " + std::to_string(k);
            in.context("heading of " + where);
            in.skip_line();
            in.context(where);
            int32_t label = 0, tipoest = 0;
            float h = 0.0f, gama = 0.0f;
            in.record(label, tipoest, h, gama);
            s.TIPOEST(p, k) = tipoest;
            s.H(p, k) = h;
            s.GAMA(p, k) = gama;
            if (m.case_on(1)) {
                in.context(where + ", expansion properties");
                in.record(s.E1(p, k), s.NU1(p, k), s.SLAB(p, k));
            }
            if (m.case_on(2)) {
                in.context(where + ", immediate-compression properties");
                in.record(s.E2(p, k), s.NU2(p, k), s.SLAB(p, k), s.KO(p, k), s.K(p, k), s.N(p, k), s.A(p, k));
            }
            if (m.case_on(3)) {
                in.context(where + ", primary-consolidation properties");
                in.record(s.EMV(p, k), s.AP(p, k), s.T(p, k));
            }
            if (m.case_on(4)) {
                in.context(where + ", secondary-consolidation properties");
                in.record(s.EMT(p, k), s.ACS(p, k), s.PSI(p, k), s.T(p, k));
            }

            // In-situ state: pressures grow with the weight of the strata above.
            s.PZ(p, k) = q + 0.5f * gama * h;
            s.Z(p, k) = d + 0.5f * h;
            const float top = d;
            q = q + h * gama;
            d = d + h;
            s.PV(p, k) = q;
            s.PROF(p, k) = d;

            // Bearing stratum: the one holding the foundation depth (the lower
            // one wins on a boundary).
            if (has_centre && top <= D && D <= s.PROF(p, k)) {
                s.NAPOYO(p) = k;
                if (k == 1) {
                    m.PVC = -(s.GAMA(p, 1) * D);
                    List(io.report) << "en el nodo" << ncent << "df=" << D;
                } else {
                    m.PVC = -(s.PV(p, k - 1) + (D - s.PROF(p, k - 1)) * s.GAMA(p, k));
                }
                List(io.report) << "Estrato de apoyo" << k;
                List(io.report) << "Pv al centro de la cimentación=" << m.PVC;
                List(io.report);
            }

            List(io.log) << "ESTRATO" << k << "Z=" << s.Z(p, k) << "GAMA=" << s.GAMA(p, k) << "H=" << s.H(p, k)
                         << "PROF=" << s.PROF(p, k) << "PZ=" << s.PZ(p, k) << "PV=" << s.PV(p, k);

            stratum_heading(m, io);
            if (tipoest == 1) tipo = " ARENA ";
            else if (tipoest == 2) tipo = "ARCILLA";
            Rec(io.report).I(p, 5).X(3).I(label, 5).text(tipo, 11).F(s.Z(p, k), 8, 2).F(h, 8, 2).F(gama, 12, 4);
            if (m.case_on(1)) {
                Rec(io.report).X(4).text("PROPIEDADES CASO 1");
                Rec(io.report).X(10).text("E         NU      slab");
                Rec(io.report).X(10).data(m.unid(4));
                Rec(io.report).X(8).F(s.E1(p, k), 8, 2).F(s.NU1(p, k), 8, 2).F(s.SLAB(p, k), 8, 2);
            }
            if (m.case_on(2)) {
                Rec(io.report).X(4).text("PROPIEDADES CASO 2");
                Rec(io.report).X(10).text("E         NU      slab     KO       K       N     A");
                Rec(io.report).X(10).data(m.unid(4));
                Rec(io.report).X(8).F(s.E2(p, k), 8, 2).F(s.NU2(p, k), 8, 2).F(s.SLAB(p, k), 8, 2)
                    .F(s.KO(p, k), 8, 2).F(s.K(p, k), 8, 2).F(s.N(p, k), 8, 2).F(s.A(p, k), 8, 2);
            }
            if (m.case_on(3)) {
                Rec(io.report).X(4).text("PROPIEDADES CASO 3");
                Rec(io.report).X(7).text("   Emv       Ap       T ");
                Rec(io.report).X(4).text("   1/").data(m.unid(4));
                Rec(io.report).X(8).F(s.EMV(p, k), 8, 2).F(s.AP(p, k), 8, 2).F(s.T(p, k), 8, 2);
            }
            if (m.case_on(4)) {
                Rec(io.report).X(4).text("PROPIEDADES CASO 4");
                Rec(io.report).X(7).text(std::string_view("   Emt      Acs      psi       T ").substr(0, 32));
                Rec(io.report).X(4).text("   1/").data(m.unid(4));
                Rec(io.report).X(8).F(s.EMT(p, k), 8, 2).F(s.ACS(p, k), 8, 2).F(s.PSI(p, k), 8, 2)
                    .F(s.T(p, k), 8, 2);
            }
        }

        // Lateral pressures at rest and the thrust of each stratum.
        io.report.empty(2);
        List(io.report) << "PRESIONES EN PERFIL" << p;
        List(io.report) << "ESTRATO  PROFUNDIDAD      Pv            Ph        EMPUJE POR     EMPUJE ";
        {
            List l(io.report);
            l << "             ";
            l.data(m.unid(2)) << "        ";
            l.data(m.unid(4)) << "            ";
            l.data(m.unid(4)) << "     ESTRATO ";
            l.data(m.unid(1)) << "  ACUMULADO ";
            l.data(m.unid(1));
        }
        List(io.log) << "PRESIONES EN PERFIL" << p;
        List(io.log) << "ESTRATO  PROFUNDIDAD      PV       EMPUJE POR  EMPUJE ";
        {
            List l(io.log);
            l << "               m         ";
            l.data(m.unid(4)) << "    ESTRATO";
            l.data(m.unid(1)) << "  ACUMULADO ";
            l.data(m.unid(1));
        }
        float S = 0.0f;
        for (int32_t k = 1; k <= nest; ++k) {
            s.PH(p, k) = s.KO(p, k) * s.PV(p, k);
            if (k == 1) s.EMPUJE(p, 1) = 0.5f * s.PH(p, 1) * s.PROF(p, 1);
            else s.EMPUJE(p, k) = 0.5f * (s.PH(p, k - 1) + s.PH(p, k)) * s.H(p, k);
            S = S + s.EMPUJE(p, k);
            Rec(io.log).I(k, 5).F(s.PROF(p, k), 13, 4).F(s.PV(p, k), 13, 4).F(s.PH(p, k), 13, 4)
                .F(s.EMPUJE(p, k), 13, 4).F(S, 13, 4);
            Rec(io.report).I(k, 5).F(s.PROF(p, k), 13, 2).F(s.PV(p, k), 13, 2).F(s.PH(p, k), 13, 2)
                .F(s.EMPUJE(p, k), 13, 2).F(S, 13, 2);
        }
    }
}

} // namespace qb
