// Field moduli: stress-level correction of the laboratory moduli, the tables
// and the central-node moduli handed to every profile.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "model_builder.h"
#include "output/soil_report.h"
#include "soil/field_moduli.h"
#include "textio/errors.h"

using namespace qbtest;

namespace {

constexpr float EXPONENT = 0.42857146f;

// NR area reactions on nodes 1..NR (their DZ), all on profile `p` of `nps`
// profiles, with foundation depth df and the strata given (bottom depth,
// E1, E2, SLAB); every influence value is `s`.
struct Fixture {
    ModelBuilder b;
    Model& m = b.m;
    Outputs out;
    struct Stratum { float prof, e1, e2, slab; };

    Fixture(int32_t nr, std::initializer_list<Stratum> strata, float df = 1.0f, float s = 0.5f,
            int32_t nps = 1, int32_t p = 1) {
        std::vector<qbtest::Stratum> v;
        float top = 0.0f;
        for (const Stratum& t : strata) {
            v.push_back({.H = t.prof - top, .E1 = t.e1, .E2 = t.e2, .SLAB = t.slab});
            top = t.prof;
        }
        for (int32_t q = 1; q <= nps; ++q) b.profile(v);
        for (int32_t j = 1; j <= nr; ++j) b.node(0, 0, 0, SOIL, p, df);
        b.number();
        m.SUM_AINF.resize(nr, limits::STRATA, s);
        m.PVC = -4.0f;
        m.qmax = 8.0f;
    }
    void run() {
        compute_field_moduli(m, out.trace());
        report_field_moduli(m, out.report);
    }
    std::string report() { return Outputs::text(out.report); }
    std::string log() { return Outputs::text(out.log); }
};

// Reference layout: the slab example (four reactions, three strata, central reaction 3).
const char* SLAB_REPORT = R"EXP( Pv=  -2.25000000    
 qneta=   4.41233397    
 MÓDULOS DE CAMPO CALCULADOS
 PARA EL NODO DE REACCIÓN           1
 Nodo=           1 ESTRATO=           1 Val inf=  0.123405524    
 s_lab=   4.00000000     S_CPO=  0.277662426    
 s_lab=   4.00000000     S_CPO=  0.544506371    
           1           1   1800.00000       5646.65088    
           1           1   1400.00000       3290.75366    
 Nodo=           1 ESTRATO=           2 Val inf=  0.174642906    
 s_lab=   6.00000000     S_CPO=  0.392946541    
 s_lab=   6.00000000     S_CPO=  0.770582795    
           1           2   2500.00000       8040.63867    
           1           2   2200.00000       5301.78516    
 Nodo=           1 ESTRATO=           3 Val inf=   9.04392302E-02
 s_lab=   10.0000000     S_CPO=  0.203488261    
 s_lab=   10.0000000     S_CPO=  0.399048090    
           1           3   8000.00000       42462.1289    
           1           3   7000.00000       27839.3262    
 PARA EL NODO DE REACCIÓN           2
 Nodo=           2 ESTRATO=           1 Val inf=  0.123405524    
 s_lab=   4.00000000     S_CPO=  0.277662426    
 s_lab=   4.00000000     S_CPO=  0.544506371    
           2           1   1800.00000       5646.65088    
           2           1   1400.00000       3290.75366    
 Nodo=           2 ESTRATO=           2 Val inf=  0.174642906    
 s_lab=   6.00000000     S_CPO=  0.392946541    
 s_lab=   6.00000000     S_CPO=  0.770582795    
           2           2   2500.00000       8040.63867    
           2           2   2200.00000       5301.78516    
 Nodo=           2 ESTRATO=           3 Val inf=   9.04392302E-02
 s_lab=   10.0000000     S_CPO=  0.203488261    
 s_lab=   10.0000000     S_CPO=  0.399048090    
           2           3   8000.00000       42462.1289    
           2           3   7000.00000       27839.3262    
 PARA EL NODO DE REACCIÓN           3
 Nodo=           3 ESTRATO=           1 Val inf=  0.123405538    
 s_lab=   4.00000000     S_CPO=  0.277662456    
 s_lab=   4.00000000     S_CPO=  0.544506431    
           3           1   1800.00000       5646.65039    
           3           1   1400.00000       3290.75366    
 Nodo=           3 ESTRATO=           2 Val inf=  0.174642891    
 s_lab=   6.00000000     S_CPO=  0.392946512    
 s_lab=   6.00000000     S_CPO=  0.770582736    
           3           2   2500.00000       8040.63867    
           3           2   2200.00000       5301.78516    
 Nodo=           3 ESTRATO=           3 Val inf=   9.04392302E-02
 s_lab=   10.0000000     S_CPO=  0.203488261    
 s_lab=   10.0000000     S_CPO=  0.399048090    
           3           3   8000.00000       42462.1289    
           3           3   7000.00000       27839.3262    
 PARA EL NODO DE REACCIÓN           4
 Nodo=           4 ESTRATO=           1 Val inf=  0.123405531    
 s_lab=   4.00000000     S_CPO=  0.277662456    
 s_lab=   4.00000000     S_CPO=  0.544506431    
           4           1   1800.00000       5646.65039    
           4           1   1400.00000       3290.75366    
 Nodo=           4 ESTRATO=           2 Val inf=  0.174642906    
 s_lab=   6.00000000     S_CPO=  0.392946541    
 s_lab=   6.00000000     S_CPO=  0.770582795    
           4           2   2500.00000       8040.63867    
           4           2   2200.00000       5301.78516    
 Nodo=           4 ESTRATO=           3 Val inf=   9.04392302E-02
 s_lab=   10.0000000     S_CPO=  0.203488261    
 s_lab=   10.0000000     S_CPO=  0.399048090    
           4           3   8000.00000       42462.1289    
           4           3   7000.00000       27839.3262    
 MÓDULOS DE CAMPO, EXPANSIÓN
         1         2         3         4
   5646.65   5646.65   5646.65   5646.65
   8040.64   8040.64   8040.64   8040.64
  42462.13  42462.13  42462.13  42462.13

 MÓDULOS DE CAMPO, COMPRESIÓN INMEDIATA
         1         2         3         4
   3290.75   3290.75   3290.75   3290.75
   5301.79   5301.79   5301.79   5301.79
  27839.33  27839.33  27839.33  27839.33

 Los módulos de campo a usar del nodo           3 son:
 Perfil=           1
 Estrato=           1 E elas=   5646.65039     E comp=   3290.75366    
 Estrato=           2 E elas=   8040.63867     E comp=   5301.78516    
 Estrato=           3 E elas=   42462.1289     E comp=   27839.3262    
)EXP";

const char* SLAB_LOG = R"EXP( EL GL DE LA REACCION           1  ES:           3
 NODO:           1
 Z1 ORIGINAL:   1.25000000     PROF=   2.50000000     Df=   1.50000000    
 Z1 ORIGINAL:   4.50000000     PROF=   6.50000000     Df=   1.50000000    
 Z1 ORIGINAL:   10.5000000     PROF=   14.5000000     Df=   1.50000000    
 EL GL DE LA REACCION           2  ES:           9
 NODO:           2
 Z1 ORIGINAL:   1.25000000     PROF=   2.50000000     Df=   1.50000000    
 Z1 ORIGINAL:   4.50000000     PROF=   6.50000000     Df=   1.50000000    
 Z1 ORIGINAL:   10.5000000     PROF=   14.5000000     Df=   1.50000000    
 EL GL DE LA REACCION           3  ES:          15
 NODO:           3
 Z1 ORIGINAL:   1.25000000     PROF=   2.50000000     Df=   1.50000000    
 Z1 ORIGINAL:   4.50000000     PROF=   6.50000000     Df=   1.50000000    
 Z1 ORIGINAL:   10.5000000     PROF=   14.5000000     Df=   1.50000000    
 EL GL DE LA REACCION           4  ES:          21
 NODO:           4
 Z1 ORIGINAL:   1.25000000     PROF=   2.50000000     Df=   1.50000000    
 Z1 ORIGINAL:   4.50000000     PROF=   6.50000000     Df=   1.50000000    
 Z1 ORIGINAL:   10.5000000     PROF=   14.5000000     Df=   1.50000000    
)EXP";

} // namespace

TEST(FieldModuli, SlabExampleMatchesReferenceLayoutAndValues) {
    Fixture f(4, {{2.5f, 1800.0f, 1400.0f, 4.0f}, {6.5f, 2500.0f, 2200.0f, 6.0f}, {14.5f, 8000.0f, 7000.0f, 10.0f}},
              1.5f);
    Model& m = f.m;
    const float S[4][3] = {{0.123405524f, 0.174642906f, 9.04392302E-02f},
                           {0.123405524f, 0.174642906f, 9.04392302E-02f},
                           {0.123405538f, 0.174642891f, 9.04392302E-02f},
                           {0.123405531f, 0.174642906f, 9.04392302E-02f}};
    for (int32_t j = 1; j <= 4; ++j)
        for (int32_t k = 1; k <= 3; ++k) m.SUM_AINF(j, k) = S[j - 1][k - 1];
    m.soil.Z(1, 1) = 1.25f; m.soil.Z(1, 2) = 4.5f; m.soil.Z(1, 3) = 10.5f;
    m.PVC = -2.25f;
    m.qmax = 6.66233397f;
    f.run();
    EXPECT_EQ(f.report(), latin1(SLAB_REPORT));
    EXPECT_EQ(f.log(), latin1(SLAB_LOG));
    EXPECT_EQ(m.EELAS(1, 1), 5646.65088f);
    EXPECT_EQ(m.ECOMP(3, 3), 27839.3262f);
    EXPECT_EQ(m.EELASP(1, 1), m.EELAS(3, 1));   // central reaction's values
    EXPECT_EQ(m.ECOMPP(1, 2), m.ECOMP(3, 2));
}

TEST(FieldModuli, FieldStressEqualToLaboratoryStressKeepsTheModulus) {
    // S = 0.5, |PVC| = 4 -> 2 in expansion; qn = 8 - 4 = 4 -> 2 in compression.
    Fixture f(1, {{5.0f, 1800.0f, 1400.0f, 2.0f}});
    f.run();
    EXPECT_EQ(f.m.EELAS(1, 1), 1800.0f);
    EXPECT_EQ(f.m.ECOMP(1, 1), 1400.0f);
}

TEST(FieldModuli, DoublingTheNetPressureScalesTheCompressionModulus) {
    Fixture a(1, {{5.0f, 1800.0f, 1400.0f, 3.0f}});
    Fixture b(1, {{5.0f, 1800.0f, 1400.0f, 3.0f}});
    b.m.qmax = 12.0f;   // qn 4 -> 8
    a.run();
    b.run();
    EXPECT_NEAR(b.m.ECOMP(1, 1) / a.m.ECOMP(1, 1), std::pow(2.0f, -EXPONENT), 1e-6f);
    EXPECT_EQ(b.m.EELAS(1, 1), a.m.EELAS(1, 1));   // the unloading did not change
    EXPECT_NE(std::pow(2.0f, -EXPONENT), std::pow(2.0f, -3.0f / 7.0f));   // the exponent is not 3/7
}

TEST(FieldModuli, StrataNotBelowTheFoundationStayZero) {
    // Bottom of stratum 1 above the foundation, stratum 2 exactly at it: both
    // skipped; stratum 3 is loaded.
    Fixture f(2, {{1.0f, 100, 100, 1}, {2.0f, 100, 100, 1}, {6.0f, 100, 100, 1}}, 2.0f);
    f.run();
    for (int32_t j = 1; j <= 2; ++j) {
        EXPECT_EQ(f.m.EELAS(j, 1), 0.0f);
        EXPECT_EQ(f.m.ECOMP(j, 2), 0.0f);
        EXPECT_GT(f.m.EELAS(j, 3), 0.0f);
    }
    const std::string& r = f.report();
    EXPECT_EQ(r.find("ESTRATO=           1"), std::string::npos);
    EXPECT_EQ(r.find("ESTRATO=           2"), std::string::npos);
    EXPECT_NE(r.find("ESTRATO=           3"), std::string::npos);
    // ... but every stratum is traced in the log.
    EXPECT_NE(f.log().find(" PROF=   1.00000000"), std::string::npos);
    // The tables still list all three strata, zeros included.
    EXPECT_NE(r.find("      0.00      0.00\n      0.00      0.00\n"), std::string::npos);
}

TEST(FieldModuli, EveryProfileGetsTheCentralReactionModuli) {
    // Three profiles, the reactions on profile 2; reaction 2 (NR / 2 + 1) is
    // central and has its own influence values.
    Fixture f(3, {{5.0f, 1800.0f, 1400.0f, 2.0f}, {9.0f, 2500.0f, 2200.0f, 6.0f}}, 1.0f, 0.5f, 3, 2);
    f.m.SUM_AINF(2, 1) = 0.25f;
    f.m.SUM_AINF(2, 2) = 0.75f;
    f.run();
    const Model& m = f.m;
    ASSERT_EQ(m.NRCENT, 2);
    EXPECT_NE(m.EELAS(2, 1), m.EELAS(1, 1));
    for (int32_t p = 1; p <= 3; ++p)
        for (int32_t k = 1; k <= 2; ++k) {
            EXPECT_EQ(m.EELASP(p, k), m.EELAS(2, k));
            EXPECT_EQ(m.ECOMPP(p, k), m.ECOMP(2, k));
        }
    // "Perfil=" blocks for profiles 1 up to the last reaction's profile (2).
    const std::string& r = f.report();
    EXPECT_NE(r.find(" Los m\xF3" "dulos de campo a usar del nodo           2 son:\n Perfil=           1\n"),
              std::string::npos);
    EXPECT_NE(r.find(" Perfil=           2\n"), std::string::npos);
    EXPECT_EQ(r.find(" Perfil=           3\n"), std::string::npos);
}

TEST(FieldModuli, CentralModuliDeeperThanTheLastProfileAreCopiedAndWarned) {
    // The last reaction stands on a profile of one stratum, the central one
    // on two: the second stratum's modulus still reaches every profile.
    Fixture f(3, {{5.0f, 1800.0f, 1400.0f, 2.0f}, {9.0f, 2500.0f, 2200.0f, 6.0f}}, 1.0f, 0.5f, 2, 1);
    f.m.soil.NEST(2) = 1;
    f.m.PERFIL(3) = 2;
    f.m.nflag1 = 1;
    f.run();
    EXPECT_NE(f.m.ECOMPP(1, 2), 0.0f);
    EXPECT_EQ(f.m.ECOMPP(1, 2), f.m.ECOMP(2, 2));
    ASSERT_EQ(f.m.warnings.all().size(), 1u);
    EXPECT_NE(f.m.warnings.all()[0].text.find("taken for 2 strata, though the profile of the last area reaction has "
                                              "only 1"),
              std::string::npos);
    // laboratory moduli: nothing to say
    Fixture g(3, {{5.0f, 1800.0f, 1400.0f, 2.0f}, {9.0f, 2500.0f, 2200.0f, 6.0f}}, 1.0f, 0.5f, 2, 1);
    g.m.soil.NEST(2) = 1;
    g.m.PERFIL(3) = 2;
    g.m.nflag1 = 3;
    g.run();
    EXPECT_TRUE(g.m.warnings.empty());
}

TEST(FieldModuli, TablesWrapAtThirtyReactions) {
    Fixture f(31, {{5.0f, 1800.0f, 1400.0f, 2.0f}});
    f.run();
    const std::string& r = f.report();
    std::string numbers, values;
    for (int32_t j = 1; j <= 30; ++j) {
        char b[16];
        std::snprintf(b, sizeof b, "%10d", j);
        numbers += b;
        values += "   1800.00";
    }
    EXPECT_NE(r.find("EXPANSI\xD3N\n" + numbers + "\n        31\n" + values + "\n   1800.00\n\n"), std::string::npos);
}

TEST(FieldModuli, UnknownProfileIsRefused) {
    Fixture f(2, {{5.0f, 1800.0f, 1400.0f, 2.0f}});
    f.m.PERFIL(2) = 4;
    EXPECT_THROW(f.run(), InputError);
}
