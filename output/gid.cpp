#include "output/gid.h"

namespace qb {

namespace {
std::string head(const std::string& s, size_t n) { return s.substr(0, std::min(n, s.size())); }
} // namespace

void gid_mesh_heading(Io& io, const std::string& titulo) {
    Rec(io.msh).text("#").data(head(titulo, 30));
    Rec(io.msh).text("MESH dimension 3 ElemType Linear Nnode 2");
    Rec(io.msh).text("Coordinates");
}

void gid_node(Io& io, int32_t label, float x, float y, float z) {
    Rec(io.msh).I(label, 9).F(x, 12, 4).F(y, 12, 4).F(z, 12, 4);
}

void gid_end_coordinates(Io& io) {
    Rec(io.msh).text("end coordinates");
    io.msh.empty();
}

void gid_bar_elements_begin(Io& io) {
    io.msh.empty();
    Rec(io.msh).text("Elements");
}

void gid_bar_element(Io& io, int32_t label, int32_t pi, int32_t pj, int32_t material) {
    Rec(io.msh).I(label, 9).I(pi, 9).I(pj, 9).I(material, 9);
}

void gid_bar_elements_end(Io& io) {
    Rec(io.msh).text("end elements");
    Rec(io.msh).text(" ");
}

void gid_slab_mesh_heading(Io& io) {
    Rec(io.msh).text("MESH dimension 3 ElemType Quadrilateral Nnode 4");
    Rec(io.msh).text(" ");
    Rec(io.msh).text("Elements");
}

void gid_slab_element(Io& io, int32_t label, int32_t ni, int32_t nj, int32_t nk, int32_t nl) {
    Rec(io.msh).I(label, 6).I(ni, 6).I(nj, 6).I(nk, 6).I(nl, 6).I(3, 6);
}

void gid_slab_mesh_end(Io& io) {
    Rec(io.msh).text("end elements");
    Rec(io.msh).text(" ");
}

void gid_results_heading(Io& io, const std::string& titulo) {
    Rec(io.res).text("\"GiD Post Results File 1.0\"");
    Rec(io.res).text("#").data(head(titulo, 25));
}

void gid_result_header(Io& io, GidResult which) {
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
    Rec(io.res).text(header, hw).text(" 1 vector OnNodes", tw);
}

void gid_values_block(Io& io, const Model& m) {
    Rec(io.res).text("ComponentNames \"X\",\"Y\",\"Z\",\"|Modulo|\"", 37);
    Rec(io.res).text("values", 6);
    for (int32_t n = 1; n <= m.NN; ++n) {
        const int32_t g = 6 * (n - 1);
        Rec(io.res).I(n, 6).F(m.DESPL(g + 1), 12, 6).F(m.DESPL(g + 2), 12, 6).F(m.DESPL(g + 3), 12, 6);
    }
    Rec(io.res).text("end values", 10);
    io.res.empty();
}

} // namespace qb
