// Soil profiles: in-situ pressures, bearing stratum and the pressure at the
// foundation centre.
#include <gtest/gtest.h>

#include "input/soil_block.h"
#include "model_builder.h"

using namespace qbtest;

namespace {

// Reads the soil block `soil` for three nodes at foundation depth df, the
// central one (2) setting the bearing stratum.
struct SoilRun {
    Model m;
    Outputs out;
    SoilRun(float df, int caso2, const std::string& soil) {
        ModelBuilder b;
        for (int n = 1; n <= 3; ++n) b.node(0, 0, 0, FREE, 0, df);
        m = std::move(b.m);
        m.NRCENT = 2;
        m.CASO = {0, 0, caso2, 0, 0};
        ListReader in("suelo.dat", soil);
        Echo echo = out.echo();
        read_soil_profiles(m, echo, in);
    }
    std::string report() { return Outputs::text(out.report); }
};

const char* two_strata =
    "1 10.0\n2\nESTRATO 1\n1 2 3.0 1.6\n1500. 0.35 5.0 0.6 150. 0.5 2.0\n"
    "ESTRATO 2\n2 1 10.0 1.8\n5000. 0.30 8.0 0.5 400. 0.6 5.0\n";

TEST(SoilProfiles, PressuresDepthsAndThrusts) {
    SoilRun r(1.0f, 1, two_strata);
    const Soil& s = r.m.soil;
    EXPECT_EQ(s.NPS, 1);
    EXPECT_FLOAT_EQ(s.PA, 10.0f);
    EXPECT_FLOAT_EQ(s.Z(1, 1), 1.5f);
    EXPECT_FLOAT_EQ(s.PZ(1, 1), 2.4f);
    EXPECT_FLOAT_EQ(s.PV(1, 1), 4.8f);
    EXPECT_FLOAT_EQ(s.PROF(1, 2), 13.0f);
    EXPECT_FLOAT_EQ(s.Z(1, 2), 8.0f);
    EXPECT_FLOAT_EQ(s.PZ(1, 2), 4.8f + 9.0f);
    EXPECT_FLOAT_EQ(s.PV(1, 2), 22.8f);
    EXPECT_FLOAT_EQ(s.PH(1, 1), 0.6f * 4.8f);
    EXPECT_FLOAT_EQ(s.EMPUJE(1, 1), 0.5f * s.PH(1, 1) * 3.0f);
    EXPECT_FLOAT_EQ(s.EMPUJE(1, 2), 0.5f * (s.PH(1, 1) + s.PH(1, 2)) * 10.0f);
    EXPECT_EQ(s.NAPOYO(1), 1);
    EXPECT_FLOAT_EQ(r.m.PVC, -1.6f);
    const std::string rep = r.report();
    EXPECT_NE(rep.find(" en el nodo           2 df=   1.00000000    \n Estrato de apoyo           1\n"),
              std::string::npos);
    EXPECT_NE(rep.find("    2        13.00        22.80        11.40        71.40        75.72\n"), std::string::npos);
}

TEST(SoilProfiles, DepthOnABoundaryBearsOnTheLowerStratum) {
    SoilRun r(3.0f, 1, two_strata);
    EXPECT_EQ(r.m.soil.NAPOYO(1), 2);
    // PV at the bottom of stratum 1 plus nothing of stratum 2
    EXPECT_FLOAT_EQ(r.m.PVC, -4.8f);
    SoilRun deeper(5.0f, 1, two_strata);
    EXPECT_FLOAT_EQ(deeper.m.PVC, -(4.8f + 2.0f * 1.8f));
}

TEST(SoilProfiles, FoundationBelowEveryStratumKeepsDefaults) {
    SoilRun r(20.0f, 1, two_strata);
    EXPECT_EQ(r.m.soil.NAPOYO(1), 1);
    EXPECT_FLOAT_EQ(r.m.PVC, 0.0f);
}

TEST(SoilProfiles, CaseTwoOffLeavesNoLateralPressure) {
    SoilRun r(1.0f, 0, "1 10.0\n1\nESTRATO\n1 2 3.0 1.6\n");
    EXPECT_FLOAT_EQ(r.m.soil.PH(1, 1), 0.0f);
    EXPECT_FLOAT_EQ(r.m.soil.EMPUJE(1, 1), 0.0f);
    EXPECT_FLOAT_EQ(r.m.soil.PV(1, 1), 4.8f);
}

TEST(SoilProfiles, NoProfilesWritesOnlyTheHeadings) {
    SoilRun r(1.0f, 1, "0 10.0\n");
    EXPECT_EQ(r.report(), "\n\n        PROPIEDADES DEL SUELO\n\n\n");
    EXPECT_EQ(Outputs::text(r.out.console), " Casos de analisis           0           1           0           0\n");
}

TEST(SoilProfiles, MissingStratumLineIsAClearError) {
    try {
        SoilRun r(1.0f, 1, "1 10.0\n1\nESTRATO 1\n1 2 3.0 1.6\n");
        FAIL() << "no error";
    } catch (const InputError& e) {
        EXPECT_NE(std::string(e.what()).find("soil profile 1, stratum 1, immediate-compression properties"),
                  std::string::npos)
            << e.what();
    }
}

} // namespace
