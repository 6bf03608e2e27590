#include "output/gid.h"

namespace qb::inline QB_ARITH {

void gid_mesh_heading(Channel& msh, const Text& titulo) {
    Rec(msh).text("#").data(titulo.head(30));
    Rec(msh).text("MESH dimension 3 ElemType Linear Nnode 2");
    Rec(msh).text("Coordinates");
}

void gid_node(Channel& msh, int32_t label, real x, real y, real z) {
    Rec(msh).I(label, 9).F(x, 12, 4).F(y, 12, 4).F(z, 12, 4);
}

void gid_end_coordinates(Channel& msh) {
    Rec(msh).text("end coordinates");
    msh.empty();
}

void gid_bar_elements_begin(Channel& msh) {
    msh.empty();
    Rec(msh).text("Elements");
}

void gid_bar_element(Channel& msh, int32_t label, int32_t pi, int32_t pj, int32_t material) {
    Rec(msh).I(label, 9).I(pi, 9).I(pj, 9).I(material, 9);
}

void gid_bar_elements_end(Channel& msh) {
    Rec(msh).text("end elements");
    Rec(msh).text(" ");
}

void gid_slab_mesh_heading(Channel& msh) {
    Rec(msh).text("MESH dimension 3 ElemType Quadrilateral Nnode 4");
    Rec(msh).text(" ");
    Rec(msh).text("Elements");
}

void gid_slab_element(Channel& msh, int32_t label, int32_t ni, int32_t nj, int32_t nk, int32_t nl) {
    Rec(msh).I(label, 6).I(ni, 6).I(nj, 6).I(nk, 6).I(nl, 6).I(3, 6);
}

void gid_slab_mesh_end(Channel& msh) {
    Rec(msh).text("end elements");
    Rec(msh).text(" ");
}

void gid_results_heading(Channel& res, const Text& titulo) {
    Rec(res).text("\"GiD Post Results File 1.0\"");
    Rec(res).text("#").data(titulo.head(25));
}

void gid_result_header(Channel& res, GidResult which) {
    const char* header = "";
    int hw = 41, tw = 17;
    switch (which) {
    case GidResult::Expansion:
        header = "Result  \"desplazamientos\" \"Expansiones\""; hw = 39; tw = 18; break;
    case GidResult::CompressionLinear:
        header = "Result  \"desplazamientos\" \"Compr.InmLin\""; break;
    case GidResult::CompressionNonlinear:
        header = "Result \"Desplazamientos\" \"Compr.Inm NL\""; break;
    case GidResult::PrimaryLinear:
        header = "Result  \"desplazamientos\" \"Consolid Prim\""; break;
    case GidResult::SecondaryLinear:
        header = "Result  \"desplazamientos\" \"Consolid Sec\""; break;
    }
    Rec(res).text(header, hw).text(" 1 vector OnNodes", tw);
}

void gid_values_block(Channel& res, const Model& m, const CaseState& st) {
    Rec(res).text("ComponentNames \"X\",\"Y\",\"Z\",\"|Modulo|\"", 37);
    Rec(res).text("values", 6);
    for (int32_t n = 1; n <= m.NN; ++n) {
        Rec(res).I(n, 6).F(st.DESPL(dof(n, DX)), 12, 6).F(st.DESPL(dof(n, DY)), 12, 6).F(st.DESPL(dof(n, DZ)), 12, 6);
    }
    Rec(res).text("end values", 10);
    res.empty();
}

} // namespace qb
