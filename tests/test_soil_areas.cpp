// Reaction lengths, areas and rectangles of strip footings and slabs, slab
// tributary areas and line loads, and the report/log sections they write.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "model_builder.h"
#include "output/soil_report.h"
#include "soil/reaction_areas.h"
#include "textio/errors.h"

using namespace qbtest;

namespace {

// A model the way reading and numbering leave it: a bar is a foundation bar
// when both its nodes have a soil profile, and the area reactions are the DZ
// of the foundation-bar nodes (numbered first). Every section is of concrete.
struct N { float x, y, z; int32_t perfil; };
struct B { int32_t i, j; const char* sec; };
struct S { const char* name; float base; };

struct Foundation : ModelBuilder {
    Outputs out;

    Foundation(std::initializer_list<N> nodes, std::initializer_list<B> bars,
               std::initializer_list<S> secs = {{"ZAPATA", 1.2f}}) {
        material("CONCRETO", 0.0f, 0.0f, 2.4f);
        for (const S& d : secs) section(d.name, "CONCRETO", {.base = d.base});
        for (const N& d : nodes) node(d.x, d.y, d.z, FREE, d.perfil);
        for (const B& d : bars) bar(d.i, d.j, {}, d.sec);
        number();
    }

    // One concrete slab over corners a b c d with its six surface loads.
    void slab(int32_t label, int32_t a, int32_t b, int32_t c, int32_t d, Loads q, float h = 0.25f) {
        ModelBuilder::slab(label, {a, b, c, d}, h, "CONCRETO", q);
    }

    void run() {
        compute_reaction_areas(m, out.trace());
        report_reaction_areas(m, out.report);
    }
    std::string report() { return Outputs::text(out.report); }
    std::string log() { return Outputs::text(out.log); }
    float area(int32_t node) const { return m.AREAREAC(dof(node, DZ)); }
    float length(int32_t node) const { return m.LONGREAC(dof(node, DZ)); }
};

// Expected texts are written in UTF-8 here; the files are Latin-1.
std::string L1(const char* s) { return latin1(s); }

// Reference layout: the plane frame on one strip footing of the examples.
const char* MARCO_REPORT = R"EXP(
 LONGITUD DE BARRAS
     1    5.0000
     2    5.0000
     3    3.0000
     4    3.0000
     5    3.0000
     6    5.0000
     7    5.0000

                COORDENADAS DE REACCIONES 
               PUNTO       PUNTO INICIAL   PUNTO FINAL
            (X  ,   Y)          (Xi  ,   Yi)        (Xf  ,   Yf)
 direccion 1
     1    0.0000    0.0000    0.0000   -0.6000    2.5000    0.6000
     2    5.0000    0.0000    2.5000   -0.6000    7.5000    0.6000
     3   10.0000    0.0000    7.5000   -0.6000   10.0000    0.6000
 GL DE REACCION   LONGITUD    AREA
     3             2.5000    3.0000
     9             5.0000    6.0000
    15             2.5000    3.0000
 Área de la cimentación:   12.0000000    
 Área tributaria por barra
  Barra            LONGITUD    AREA
)EXP";

const char* MARCO_LOG = R"EXP( NUMERO DE BARRAS           7
 BARRA   LONGITUD       UX        UY
     1    5.0000    1.0000    0.0000
 SU(           1 )           1
     2    5.0000    1.0000    0.0000
 SU(           2 )           1
     3    3.0000    0.0000    0.0000
 SU(           3 )           0
     4    3.0000    0.0000    0.0000
 SU(           4 )           0
     5    3.0000    0.0000    0.0000
 SU(           5 )           0
     6    5.0000    1.0000    0.0000
 SU(           6 )           0
     7    5.0000    1.0000    0.0000
 SU(           7 )           0
 PRODUCTO PUNTO   1.00000000    
 NDIR=           1
 NDIR=           1
 PRODUCTO PUNTO   1.00000000    
 NDIR=           1
 NDIR=           1
 DIRECCIONES ENCONTRADAS           1
 CALCULO DE AREAS DE REACCION
 SE TIENEN ZAPATAS CORRIDAS

               COORDENADAS DE REACCIONES 
             PUNTO       PUNTO INICIAL   PUNTO FINAL
           (X  ,   Y)          (Xi  ,   Yi)        (Xf  ,   Yf)
 direccion 1
     1    0.0000    0.0000    0.0000   -0.6000    2.5000    0.6000
     2    5.0000    0.0000    2.5000   -0.6000    7.5000    0.6000
     3   10.0000    0.0000    7.5000   -0.6000   10.0000    0.6000
 GL DE REACCION   LONGITUD    AREA
     3             2.5000    3.0000
     9             5.0000    6.0000
    15             2.5000    3.0000
 Área de la cimentación:   12.0000000    
 Área tributaria por barra
  Barra            LONGITUD    AREA
)EXP";

// Reference layout: the 6 x 4 slab example.
const char* LOSA_REPORT = R"EXP(
 LONGITUD DE BARRAS
     1    6.0000
     2    4.0000
     3    6.0000
     4    4.0000
     5    3.0000
     6    3.0000
     7    3.0000
     8    3.0000
     9    6.0000
    10    4.0000
    11    6.0000
    12    4.0000
    13    3.0000
    14    4.0000

                COORDENADAS DE REACCIONES 
               PUNTO       PUNTO INICIAL   PUNTO FINAL
            (X  ,   Y)          (Xi  ,   Yi)        (Xf  ,   Yf)
 direccion 1
     1    0.0000    0.0000    0.0000    0.0000    3.0000    2.0000
     2    6.0000    0.0000    3.0000    0.0000    6.0000    2.0000
     3    6.0000    4.0000    3.0000    2.0000    6.0000    4.0000
     4    0.0000    4.0000    0.0000    2.0000    3.0000    4.0000
 direccion 2
     1    0.0000    0.0000    0.0000    0.0000    0.0000    0.0000
     2    6.0000    0.0000    6.0000    0.0000    6.0000    0.0000
     3    6.0000    4.0000    6.0000    4.0000    6.0000    4.0000
     4    0.0000    4.0000    0.0000    4.0000    0.0000    4.0000
 GL DE REACCION   LONGITUD    AREA
     3             5.0000    6.0000
     9             5.0000    6.0000
    15             5.0000    6.0000
    21             5.0000    6.0000
 Área de la cimentación:   24.0000000    
 Área tributaria por barra
  Barra            LONGITUD    AREA
     1             6.0000    8.0000
     2             4.0000    4.0000
     3             6.0000    8.0000
     4             4.0000    4.0000
)EXP";

const char* LOSA_LOG = R"EXP( NUMERO DE BARRAS          14
 BARRA   LONGITUD       UX        UY
     1    6.0000    1.0000    0.0000
 SU(           1 )           1
     2    4.0000    0.0000    1.0000
 SU(           2 )           1
     3    6.0000    1.0000    0.0000
 SU(           3 )           1
     4    4.0000    0.0000    1.0000
 SU(           4 )           1
     5    3.0000    0.0000    0.0000
 SU(           5 )           0
     6    3.0000    0.0000    0.0000
 SU(           6 )           0
     7    3.0000    0.0000    0.0000
 SU(           7 )           0
     8    3.0000    0.0000    0.0000
 SU(           8 )           0
     9    6.0000    1.0000    0.0000
 SU(           9 )           0
    10    4.0000    0.0000    1.0000
 SU(          10 )           0
    11    6.0000    1.0000    0.0000
 SU(          11 )           0
    12    4.0000    0.0000    1.0000
 SU(          12 )           0
    13    3.0000    0.0000    0.0000
 SU(          13 )           0
    14    4.0000    1.0000    0.0000
 SU(          14 )           0
 PRODUCTO PUNTO   1.00000000    
 NDIR=           1
 NDIR=           1
 PRODUCTO PUNTO   0.00000000    
 NDIR=           2
 PRODUCTO PUNTO   1.00000000    
 NDIR=           1
 NDIR=           1
 PRODUCTO PUNTO   0.00000000    
 NDIR=           2
 DIRECCIONES ENCONTRADAS           2
 CALCULO DE AREAS DE REACCION
 Pp Losa=  0.600000024    
 Nodos losa           1           1           2           3           4
 AREA DE LOSA:   24.0000000    
 SE TIENEN LOSAS DE CIMENTACIÓN
 CALCULANDO AREAS DE REACCIÓN

               COORDENADAS DE REACCIONES 
             PUNTO       PUNTO INICIAL   PUNTO FINAL
           (X  ,   Y)          (Xi  ,   Yi)        (Xf  ,   Yf)
 direccion 1
     1    0.0000    0.0000    0.0000    0.0000    3.0000    2.0000
     2    6.0000    0.0000    3.0000    0.0000    6.0000    2.0000
     3    6.0000    4.0000    3.0000    2.0000    6.0000    4.0000
     4    0.0000    4.0000    0.0000    2.0000    3.0000    4.0000
 direccion 2
     1    0.0000    0.0000    0.0000    0.0000    0.0000    0.0000
     2    6.0000    0.0000    6.0000    0.0000    6.0000    0.0000
     3    6.0000    4.0000    6.0000    4.0000    6.0000    4.0000
     4    0.0000    4.0000    0.0000    4.0000    0.0000    4.0000
 GL DE REACCION   LONGITUD    AREA
     3             5.0000    6.0000
     9             5.0000    6.0000
    15             5.0000    6.0000
    21             5.0000    6.0000
 Área de la cimentación:   24.0000000    
 Área tributaria por barra
  Barra            LONGITUD    AREA
     1             6.0000    8.0000
     2             4.0000    4.0000
     3             6.0000    8.0000
     4             4.0000    4.0000
)EXP";

} // namespace

// The plane frame of the examples: two strip footings along +X (B = 1.2)
// under three columns and two beams.
Foundation marco() {
    return Foundation({{0, 0, 0, 1}, {5, 0, 0, 1}, {10, 0, 0, 1}, {0, 0, 3, 0}, {5, 0, 3, 0}, {10, 0, 3, 0}},
                   {{1, 2, "ZAPATA"}, {2, 3, "ZAPATA"}, {1, 4, "COLUMNA"}, {2, 5, "COLUMNA"},
                    {3, 6, "COLUMNA"}, {4, 5, "VIGA"}, {5, 6, "VIGA"}},
                   {{"ZAPATA", 1.2f}, {"COLUMNA", 0.4f}, {"VIGA", 0.3f}});
}

// The frame of the slab example: four foundation bars round a 6 x 4 slab,
// columns, a frame above and a column on an isolated footing (node 9).
Foundation losa() {
    return Foundation({{0, 0, 0, 1}, {6, 0, 0, 1}, {6, 4, 0, 1}, {0, 4, 0, 1}, {0, 0, 3, 0}, {6, 0, 3, 0},
               {6, 4, 3, 0}, {0, 4, 3, 0}, {10, 0, 0, 1}, {10, 0, 3, 0}},
              {{1, 2, "CONTRATRABE"}, {2, 3, "CONTRATRABE"}, {4, 3, "CONTRATRABE"}, {1, 4, "CONTRATRABE"},
               {1, 5, "COLUMNA"}, {2, 6, "COLUMNA"}, {3, 7, "COLUMNA"}, {4, 8, "COLUMNA"},
               {5, 6, "TRABE"}, {6, 7, "TRABE"}, {8, 7, "TRABE"}, {5, 8, "TRABE"},
               {9, 10, "COLUMNA"}, {6, 10, "TRABE"}},
              {{"CONTRATRABE", 0.4f}, {"COLUMNA", 0.5f}, {"TRABE", 0.3f}});
}

TEST(ReactionAreas, StripFootingFrameMatchesReferenceLayout) {
    Foundation b = marco();
    b.run();
    EXPECT_EQ(b.report(), L1(MARCO_REPORT));
    EXPECT_EQ(b.log(), L1(MARCO_LOG));
    EXPECT_EQ(b.m.NDIRMAX, 1);
    EXPECT_FLOAT_EQ(b.m.AREATOT, 12.0f);
    // The middle node carries both half footings: one rectangle from 2.5 to 7.5.
    EXPECT_FLOAT_EQ(b.m.XI(2, 1), 2.5f);
    EXPECT_FLOAT_EQ(b.m.XF(2, 1), 7.5f);
    EXPECT_FLOAT_EQ(b.length(2), 5.0f);
    EXPECT_EQ(b.m.NDIR(3), 0);   // a column is no foundation bar
}

TEST(ReactionAreas, SlabExampleMatchesReferenceLayoutAndLoads) {
    Foundation b = losa();
    b.slab(1, 1, 2, 3, 4, {0.25f, 0.18f, 0.20f, 0.30f, 0.0f, -2.25f});   // PV replaced by PVC
    b.run();
    EXPECT_EQ(b.report(), L1(LOSA_REPORT));
    EXPECT_EQ(b.log(), L1(LOSA_LOG));
    const Model& m = b.m;
    EXPECT_EQ(m.NDIRMAX, 2);
    EXPECT_FLOAT_EQ(m.ALOSA(1), 24.0f);
    EXPECT_FLOAT_EQ(m.CLOSA(1, 5), 2.4f * 0.25f);   // self weight = unit weight x thickness
    for (int32_t k = 1; k <= 4; ++k) EXPECT_EQ(m.LBLOSA(1, k), k);
    // 6-long sides carry the trapezoids (8), 4-long sides the triangles (4).
    EXPECT_FLOAT_EQ(m.ABARRA(1), 8.0f);
    EXPECT_FLOAT_EQ(m.ABARRA(2), 4.0f);
    EXPECT_FLOAT_EQ(m.ABARRA(3), 8.0f);
    EXPECT_FLOAT_EQ(m.ABARRA(4), 4.0f);
    EXPECT_FLOAT_EQ(m.ABARRA(1) + m.ABARRA(2) + m.ABARRA(3) + m.ABARRA(4), m.ALOSA(1));
    // Line loads: pressure x area / side length; the self weight lands in column 5.
    EXPECT_FLOAT_EQ(m.CUNIF(1, 1), 0.25f * 8.0f / 6.0f);
    EXPECT_FLOAT_EQ(m.CUNIF(1, 5), 0.6f * 8.0f / 6.0f);
    EXPECT_FLOAT_EQ(m.CUNIF(1, 6), -3.0f);
    EXPECT_FLOAT_EQ(m.CUNIF(2, 4), 0.30f);
    EXPECT_FLOAT_EQ(m.CUNIF(4, 6), -2.25f);
    EXPECT_FLOAT_EQ(m.CUNIF(5, 1), 0.0f);
    // Corners: a quarter of the slab each, rectangle of the quarter next to them.
    for (int32_t n = 1; n <= 4; ++n) EXPECT_FLOAT_EQ(b.area(n), 6.0f);
    EXPECT_FLOAT_EQ(b.area(9), 0.0f);   // isolated-footing node: no area reaction
    EXPECT_FLOAT_EQ(m.XI(3, 1), 3.0f);
    EXPECT_FLOAT_EQ(m.YI(3, 1), 2.0f);
    EXPECT_FLOAT_EQ(m.XF(3, 1), 6.0f);
    EXPECT_FLOAT_EQ(m.YF(3, 1), 4.0f);
    EXPECT_FLOAT_EQ(m.AREATOT, 24.0f);
}

TEST(ReactionAreas, SquareSlabQuartersEverything) {
    Foundation b({{0, 0, 0, 1}, {5, 0, 0, 1}, {5, 5, 0, 1}, {0, 5, 0, 1}},
              {{1, 2, "ZAPATA"}, {2, 3, "ZAPATA"}, {3, 4, "ZAPATA"}, {4, 1, "ZAPATA"}});
    b.slab(7, 1, 2, 3, 4, {1.0f, 0, 0, 0, 0, 0}, 0.5f);
    b.run();
    for (int32_t j = 1; j <= 4; ++j) {
        EXPECT_FLOAT_EQ(b.m.ABARRA(j), 6.25f);
        EXPECT_FLOAT_EQ(b.m.CUNIF(j, 1), 1.25f);             // 1 x 6.25 / 5
        EXPECT_FLOAT_EQ(b.m.CUNIF(j, 5), 1.2f * 6.25f / 5);  // 2.4 x 0.5 self weight
        EXPECT_FLOAT_EQ(b.area(j), 6.25f);
    }
    EXPECT_FLOAT_EQ(b.m.AREATOT, 25.0f);
    // Upper-left corner NL: x from 0 to 2.5, y from 2.5 to 5.
    EXPECT_FLOAT_EQ(b.m.XI(4, 1), 0.0f);
    EXPECT_FLOAT_EQ(b.m.XF(4, 1), 2.5f);
    EXPECT_FLOAT_EQ(b.m.YI(4, 1), 2.5f);
    EXPECT_FLOAT_EQ(b.m.YF(4, 1), 5.0f);
}

TEST(ReactionAreas, SlabLongerAlongYPutsTrianglesOnTheXSides) {
    // Q = 4 along X, P = 6 along Y: trapezoids (2P - Q) Q / 4 = 8 on the Y sides.
    Foundation b({{0, 0, 0, 1}, {4, 0, 0, 1}, {4, 6, 0, 1}, {0, 6, 0, 1}},
              {{1, 2, "ZAPATA"}, {2, 3, "ZAPATA"}, {4, 3, "ZAPATA"}, {1, 4, "ZAPATA"}});
    b.slab(1, 1, 2, 3, 4, {0, 0, 0, 1.0f, 0, 0});
    b.run();
    EXPECT_FLOAT_EQ(b.m.ABARRA(1), 4.0f);
    EXPECT_FLOAT_EQ(b.m.ABARRA(2), 8.0f);
    EXPECT_FLOAT_EQ(b.m.CUNIF(1, 4), 1.0f);          // 4 / Q
    EXPECT_FLOAT_EQ(b.m.CUNIF(2, 4), 8.0f / 6.0f);   // 8 / P
}

TEST(ReactionAreas, ShortSideRecognisedBySlightlyUnequalLength) {
    // NL sits 0.01 off the line of NI, so side NL-NI is not exactly P long; it
    // is still a short side and takes a triangle, not a trapezoid.
    Foundation b({{0, 0, 0, 1}, {6, 0, 0, 1}, {6, 4, 0, 1}, {0.01f, 4, 0, 1}},
              {{1, 2, "ZAPATA"}, {2, 3, "ZAPATA"}, {4, 3, "ZAPATA"}, {1, 4, "ZAPATA"}});
    b.slab(1, 1, 2, 3, 4, {1.0f, 0, 0, 0, 0, 0});
    b.run();
    ASSERT_NE(b.m.LBARRA(4), b.m.LBARRA(2));
    EXPECT_NEAR(b.m.ABARRA(4), 4.0f, 1e-4f);
    EXPECT_NEAR(b.m.CUNIF(4, 1), 1.0f, 1e-4f);
}

TEST(ReactionAreas, StripFootingDirectionsAndRectangles) {
    // Bar 1 along +X, bar 2 along +Y from the same node, bar 3 along -X,
    // bar 4 oblique: only the +X bar is direction 1.
    Foundation b({{0, 0, 0, 1}, {4, 0, 0, 1}, {0, 6, 0, 1}, {-2, 0, 0, 1}, {3, 3, 0, 1}},
              {{1, 2, "ZAPATA"}, {1, 3, "ZAPATA"}, {1, 4, "ZAPATA"}, {1, 5, "ZAPATA"}},
              {{"ZAPATA", 1.0f}});
    b.run();
    const Model& m = b.m;
    EXPECT_EQ(m.NDIR(1), 1);
    EXPECT_EQ(m.NDIR(2), 2);
    EXPECT_FLOAT_EQ(m.UX(3), -1.0f);
    EXPECT_EQ(m.NDIR(3), 2);
    EXPECT_EQ(m.NDIR(4), 2);
    EXPECT_EQ(m.NDIRMAX, 2);
    // Node 2, far end of the +X bar: L/2 x B behind it, area B L / 2.
    EXPECT_FLOAT_EQ(b.area(2), 2.0f);
    EXPECT_FLOAT_EQ(m.XI(2, 1), 2.0f);
    EXPECT_FLOAT_EQ(m.XF(2, 1), 4.0f);
    EXPECT_FLOAT_EQ(m.YI(2, 1), -0.5f);
    EXPECT_FLOAT_EQ(m.YF(2, 1), 0.5f);
    EXPECT_FLOAT_EQ(m.XI(2, 2), 4.0f);   // direction 2 untouched: the point
    EXPECT_FLOAT_EQ(m.XF(2, 2), 4.0f);
    // Node 3, far end of the +Y bar: B wide, L/2 below it.
    EXPECT_FLOAT_EQ(m.XI(3, 2), -0.5f);
    EXPECT_FLOAT_EQ(m.XF(3, 2), 0.5f);
    EXPECT_FLOAT_EQ(m.YI(3, 2), 3.0f);
    EXPECT_FLOAT_EQ(m.YF(3, 2), 6.0f);
    // Node 1 is shared by all four: each direction holds the bounding
    // rectangle of its half footings; the -X bar of length 2 takes
    // the direction-2 rule, so it reaches y = +1 only.
    EXPECT_FLOAT_EQ(m.XI(1, 1), 0.0f);
    EXPECT_FLOAT_EQ(m.XF(1, 1), 2.0f);
    EXPECT_FLOAT_EQ(m.XI(1, 2), -0.5f);
    EXPECT_FLOAT_EQ(m.XF(1, 2), 0.5f);
    EXPECT_FLOAT_EQ(m.YI(1, 2), 0.0f);
    EXPECT_FLOAT_EQ(m.YF(1, 2), 3.0f);
    const float diag = std::sqrt(18.0f);
    EXPECT_FLOAT_EQ(b.length(1), 2.0f + 3.0f + 1.0f + diag / 2.0f);
    EXPECT_FLOAT_EQ(b.area(1), 1.0f * 4.0f / 2.0f + 1.0f * 6.0f / 2.0f + 1.0f * 2.0f / 2.0f + diag / 2.0f);
    // Two direction blocks are written.
    EXPECT_NE(b.report().find(" direccion 2\n"), std::string::npos);
}

TEST(ReactionAreas, SectionNamesIgnoreTrailingBlanksAndUnknownNameGivesNoWidth) {
    Foundation b({{0, 0, 0, 1}, {4, 0, 0, 1}, {8, 0, 0, 1}},
              {{1, 2, "ZAPATA"}, {2, 3, "OTRA"}},
              {{"ZAPATA", 9.0f}, {"ZAPATA", 1.5f}});   // the last equal name wins
    b.m.SECNOM(2) = Text("ZAPATA");                        // stored without padding
    b.run();
    EXPECT_FLOAT_EQ(b.area(1), 3.0f);
    EXPECT_FLOAT_EQ(b.area(3), 0.0f);    // no such section: zero width ...
    EXPECT_FLOAT_EQ(b.length(3), 2.0f);  // ... but the length is kept
    EXPECT_FLOAT_EQ(b.m.YF(3, 1), 0.0f);
    EXPECT_FLOAT_EQ(b.m.AREATOT, 6.0f);
}

TEST(ReactionAreas, NoFoundationBarsGivesNoReactionRows) {
    Foundation b({{0, 0, 0, 0}, {0, 0, 3, 0}}, {{1, 2, "ZAPATA"}});
    b.run();
    EXPECT_EQ(b.m.NDIRMAX, 0);
    EXPECT_EQ(b.m.AREATOT, 0.0f);
    EXPECT_NE(b.report().find(" GL DE REACCION   LONGITUD    AREA\n"
                                        " \xC1rea de la cimentaci\xF3n:   0.00000000    \n"),
              std::string::npos);
    EXPECT_EQ(b.report().find("direccion 2"), std::string::npos);
    EXPECT_NE(b.log().find(" DIRECCIONES ENCONTRADAS           0\n"), std::string::npos);
}

TEST(ReactionAreas, SlabWithFreeStandingFootingGivesAreasToCornersOnly) {
    // Node 5 ends a foundation bar outside the slab: it gets a length but no
    // area or rectangle, since a model with slabs has no strip footings.
    Foundation b({{0, 0, 0, 1}, {4, 0, 0, 1}, {4, 4, 0, 1}, {0, 4, 0, 1}, {8, 0, 0, 1}},
              {{1, 2, "ZAPATA"}, {2, 3, "ZAPATA"}, {3, 4, "ZAPATA"}, {4, 1, "ZAPATA"}, {2, 5, "ZAPATA"}});
    b.slab(1, 1, 2, 3, 4, {0, 0, 0, 0, 0, 0});
    b.run();
    EXPECT_FLOAT_EQ(b.length(5), 2.0f);
    EXPECT_FLOAT_EQ(b.area(5), 0.0f);
    EXPECT_FLOAT_EQ(b.m.XI(5, 1), 8.0f);
    EXPECT_FLOAT_EQ(b.m.XF(5, 1), 8.0f);
    EXPECT_FLOAT_EQ(b.length(2), 6.0f);
    EXPECT_FLOAT_EQ(b.area(2), 4.0f);
    EXPECT_FLOAT_EQ(b.m.ABARRA(5), 0.0f);
    EXPECT_FLOAT_EQ(b.m.AREATOT, 16.0f);
}

TEST(ReactionAreas, DiagonalBarIsNoSlabEdge) {
    Foundation b({{0, 0, 0, 1}, {4, 0, 0, 1}, {4, 2, 0, 1}, {0, 2, 0, 1}},
              {{1, 3, "ZAPATA"}, {1, 2, "ZAPATA"}, {2, 3, "ZAPATA"}, {3, 4, "ZAPATA"}, {4, 1, "ZAPATA"}});
    b.slab(1, 1, 2, 3, 4, {1, 0, 0, 0, 0, 0});
    b.run();
    EXPECT_EQ(b.m.LBLOSA(1, 1), 2);
    EXPECT_EQ(b.m.LBLOSA(1, 4), 5);
    EXPECT_FLOAT_EQ(b.m.ABARRA(1), 0.0f);
    EXPECT_FLOAT_EQ(b.m.CUNIF(1, 1), 0.0f);
    EXPECT_FLOAT_EQ(b.m.ABARRA(2) + b.m.ABARRA(3) + b.m.ABARRA(4) + b.m.ABARRA(5), 8.0f);
}

// A slab the distribution rules cannot describe stops the run, naming the
// slab as numbered in the data file, before any table or output is touched.
void expect_refused(Foundation& b, const char* what) {
    try {
        b.run();
        ADD_FAILURE() << "slab accepted";
    } catch (const InputError& e) {
        EXPECT_NE(std::string(e.what()).find("slab 12: "), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find(what), std::string::npos) << e.what();
    }
    EXPECT_TRUE(b.report().empty());
    EXPECT_FLOAT_EQ(b.m.CUNIF(1, 1), 0.0f);
}

TEST(ReactionAreas, MalformedSlabsAreRefused) {
    const std::initializer_list<N> square = {{0, 0, 0, 1}, {4, 0, 0, 1}, {4, 4, 0, 1}, {0, 4, 0, 1}};
    {   // corners given clockwise: NI->NJ runs along +Y
        Foundation b(square, {{1, 2, "ZAPATA"}, {2, 3, "ZAPATA"}, {3, 4, "ZAPATA"}, {4, 1, "ZAPATA"}});
        b.slab(12, 1, 4, 3, 2, {1, 0, 0, 0, 0, 0});
        expect_refused(b, "corners must run NI->NJ along +X");
    }
    {   // side NK-NL is no bar
        Foundation b(square, {{1, 2, "ZAPATA"}, {2, 3, "ZAPATA"}, {4, 1, "ZAPATA"}});
        b.slab(12, 1, 2, 3, 4, {1, 0, 0, 0, 0, 0});
        expect_refused(b, "side NK-NL must be exactly one bar (found 0)");
    }
    {   // side NI-NJ given twice
        Foundation b(square, {{1, 2, "ZAPATA"}, {2, 3, "ZAPATA"}, {3, 4, "ZAPATA"}, {4, 1, "ZAPATA"}, {2, 1, "ZAPATA"}});
        b.slab(12, 1, 2, 3, 4, {1, 0, 0, 0, 0, 0});
        expect_refused(b, "side NI-NJ must be exactly one bar (found 2)");
    }
    {   // a corner that is no node
        Foundation b(square, {{1, 2, "ZAPATA"}});
        b.slab(12, 1, 2, 3, 9, {1, 0, 0, 0, 0, 0});
        expect_refused(b, "corner node 9 does not exist");
    }
}
