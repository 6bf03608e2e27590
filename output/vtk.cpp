#include "output/vtk.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <string_view>

#include "output/case_values.h"

namespace qb::inline QB_ARITH {

namespace {

constexpr uint8_t VTK_LINE = 3, VTK_QUAD = 9;

const char* byte_order() { return std::endian::native == std::endian::little ? "LittleEndian" : "BigEndian"; }

template <class T> const char* vtk_type();
template <> const char* vtk_type<real>() { return double_precision ? "Float64" : "Float32"; }
template <> const char* vtk_type<int32_t>() { return "Int32"; }
template <> const char* vtk_type<uint8_t>() { return "UInt8"; }

std::string xml_escaped(std::string_view s) {
    std::string r;
    for (char c : s) {
        switch (c) {
        case '&': r += "&amp;"; break;
        case '<': r += "&lt;"; break;
        case '>': r += "&gt;"; break;
        case '"': r += "&quot;"; break;
        default: r += c;
        }
    }
    return r;
}

// A data array in base64: the byte count (UInt32, the header of format 0.1)
// and the values, encoded as one block.
template <class T>
void binary_array(Channel& out, const char* name, int ncomp, const std::vector<T>& v,
                  std::initializer_list<const char*> components = {}) {
    std::string head = "        <DataArray type=\"";
    head += vtk_type<T>();
    head += "\"";
    if (name) head += std::string(" Name=\"") + name + "\"";
    if (ncomp > 1) head += " NumberOfComponents=\"" + std::to_string(ncomp) + "\"";
    int k = 0;
    for (const char* c : components) head += " ComponentName" + std::to_string(k++) + "=\"" + c + "\"";
    head += " format=\"binary\">";
    out.write_line(head);

    const uint32_t nbytes = static_cast<uint32_t>(v.size() * sizeof(T));
    std::string raw(sizeof nbytes + nbytes, '\0');
    std::memcpy(raw.data(), &nbytes, sizeof nbytes);
    if (nbytes) std::memcpy(raw.data() + sizeof nbytes, v.data(), nbytes);
    std::string line = "          ";
    append_base64(line, raw.data(), raw.size());
    out.write_line(line);
    out.write_line("        </DataArray>");
}

// Texts as VTK keeps a string array in ASCII: the code of every byte, each
// text ended by a 0. Any byte passes, whatever the encoding of the data file.
void string_array(Channel& out, const char* name, const std::vector<std::string_view>& texts) {
    out.write_line(std::string("      <Array type=\"String\" Name=\"") + name + "\" NumberOfTuples=\"" +
                   std::to_string(texts.size()) + "\" format=\"ascii\">");
    std::string line = "       ";
    for (std::string_view t : texts) {
        for (char c : to_utf8(t)) line += " " + std::to_string(static_cast<unsigned char>(c));
        line += " 0";
    }
    out.write_line(line);
    out.write_line("      </Array>");
}

std::string_view trimmed(const Text& t) {
    std::string_view s = t.bytes();
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

void field_data(Channel& out, const Model& m, int32_t caso, bool converged) {
    out.write_line("    <FieldData>");
    string_array(out, "title", {trimmed(m.TITULO)});
    std::vector<std::string_view> units;
    for (int i = 1; i <= 5; ++i) units.push_back(trimmed(m.unid(i)));
    string_array(out, "units", units);
    out.write_line("      <DataArray type=\"Int32\" Name=\"case\" NumberOfTuples=\"1\" format=\"ascii\">");
    out.write_line("        " + std::to_string(caso));
    out.write_line("      </DataArray>");
    out.write_line("      <DataArray type=\"Int32\" Name=\"converged\" NumberOfTuples=\"1\" format=\"ascii\">");
    out.write_line(converged ? "        1" : "        0");
    out.write_line("      </DataArray>");
    std::vector<std::string_view> sections{std::string_view()};
    for (int32_t k = 1; k <= m.NSEC; ++k) sections.push_back(name_text(m.SECNOM(k)));
    string_array(out, "section_names", sections);
    out.write_line("    </FieldData>");
}

void point_data(Channel& out, const Model& m, const CaseState& st, int32_t caso) {
    const size_t nn = static_cast<size_t>(m.NN);
    std::vector<real> displacement(3 * nn), rotation(3 * nn);
    for (int32_t n = 1; n <= m.NN; ++n)
        for (int32_t k = 0; k < 3; ++k) {
            displacement[3 * size_t(n - 1) + size_t(k)] = st.DESPL.at_or_zero(dof(n, DX + k));
            rotation[3 * size_t(n - 1) + size_t(k)] = st.DESPL.at_or_zero(dof(n, MX + k));
        }
    // The settlement and the contact pressure exist under the foundation only:
    // NaN elsewhere, so that a colour map spans the foundation's values.
    std::vector<real> soil(nn), settlement(nn, NAN), pressure(nn, NAN), footing(6 * nn);
    for (int32_t j = 1; j <= m.reactions(); ++j) {
        const int32_t g = reaction_dof(m, j);
        if (g < 1 || g > m.NTOT) continue;
        const size_t n = size_t(node_of_dof(g) - 1);
        const int32_t k = component_of_dof(g);
        if (j <= m.NR) soil[n] = st.reaction(m, j);
        else footing[6 * n + size_t(k - 1)] = st.reaction(m, j);
        if (k == DZ) {
            settlement[n] = reported_settlement(m, st, caso, j);
            pressure[n] = contact_pressure(m, st, j);
        }
    }
    out.write_line("      <PointData Vectors=\"displacement\">");
    binary_array(out, "displacement", 3, displacement);
    binary_array(out, "rotation", 3, rotation);
    binary_array(out, "soil_reaction", 1, soil);
    binary_array(out, "settlement", 1, settlement);
    binary_array(out, "contact_pressure", 1, pressure);
    binary_array(out, "footing_reaction", 6, footing, {"FX", "FY", "FZ", "MX", "MY", "MZ"});
    out.write_line("      </PointData>");
}

void cell_data(Channel& out, const Model& m, const CaseState& st) {
    std::vector<int32_t> number, slab, section, on_soil;
    std::vector<real> forces;
    for (int32_t j = 1; j <= m.NB; ++j) {
        number.push_back(j);
        slab.push_back(0);
        section.push_back(m.find_section(m.SECBAR(j)));
        on_soil.push_back(m.SU(j) == 1 ? 1 : 0);
        for (int32_t r = 1; r <= 12; ++r)
            forces.push_back(st.ELMEC(j, r));
    }
    for (int32_t s = 1; s <= m.NLOS; ++s) {
        number.push_back(m.slab_label(s));
        slab.push_back(1);
        section.push_back(0);
        on_soil.push_back(1);
        forces.insert(forces.end(), 12, 0.0_r);
    }
    out.write_line("      <CellData>");
    binary_array(out, "number", 1, number);
    binary_array(out, "slab", 1, slab);
    binary_array(out, "section", 1, section);
    binary_array(out, "on_soil", 1, on_soil);
    binary_array(out, "end_forces", 12, forces,
                 {"N1", "Vy1", "Vz1", "T1", "My1", "Mz1", "N2", "Vy2", "Vz2", "T2", "My2", "Mz2"});
    out.write_line("      </CellData>");
}

void points_and_cells(Channel& out, const Model& m) {
    std::vector<real> xyz;
    for (int32_t n = 1; n <= m.NN; ++n)
        for (int32_t k = 1; k <= 3; ++k) xyz.push_back(m.COOR(n, k));
    out.write_line("      <Points>");
    binary_array(out, nullptr, 3, xyz);
    out.write_line("      </Points>");

    std::vector<int32_t> connectivity, offsets;
    std::vector<uint8_t> types;
    for (int32_t j = 1; j <= m.NB; ++j) {
        connectivity.push_back(m.PI(j) - 1);
        connectivity.push_back(m.PJ(j) - 1);
        offsets.push_back(static_cast<int32_t>(connectivity.size()));
        types.push_back(VTK_LINE);
    }
    for (int32_t s = 1; s <= m.NLOS; ++s) {
        for (int32_t c = 1; c <= 4; ++c) connectivity.push_back(m.NLOSA(s, c) - 1);
        offsets.push_back(static_cast<int32_t>(connectivity.size()));
        types.push_back(VTK_QUAD);
    }
    out.write_line("      <Cells>");
    binary_array(out, "connectivity", 1, connectivity);
    binary_array(out, "offsets", 1, offsets);
    binary_array(out, "types", 1, types);
    out.write_line("      </Cells>");
}

} // namespace

void append_base64(std::string& out, const void* bytes, size_t n) {
    static const char digit[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const auto* p = static_cast<const unsigned char*>(bytes);
    out.reserve(out.size() + (n + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= n; i += 3) {
        const uint32_t w = uint32_t(p[i]) << 16 | uint32_t(p[i + 1]) << 8 | uint32_t(p[i + 2]);
        for (int s = 18; s >= 0; s -= 6) out += digit[(w >> s) & 63];
    }
    if (n - i == 1) {
        const uint32_t w = uint32_t(p[i]) << 16;
        out += digit[(w >> 18) & 63];
        out += digit[(w >> 12) & 63];
        out += "==";
    } else if (n - i == 2) {
        const uint32_t w = uint32_t(p[i]) << 16 | uint32_t(p[i + 1]) << 8;
        out += digit[(w >> 18) & 63];
        out += digit[(w >> 12) & 63];
        out += digit[(w >> 6) & 63];
        out += '=';
    }
}

void write_case_vtu(Channel& out, const Model& m, const CaseState& st, int32_t caso, bool converged) {
    out.write_line("<?xml version=\"1.0\"?>");
    out.write_line(std::string("<VTKFile type=\"UnstructuredGrid\" version=\"0.1\" byte_order=\"") + byte_order() +
                   "\" header_type=\"UInt32\">");
    out.write_line("  <UnstructuredGrid>");
    field_data(out, m, caso, converged);
    out.write_line("    <Piece NumberOfPoints=\"" + std::to_string(m.NN) + "\" NumberOfCells=\"" +
                   std::to_string(m.NB + m.NLOS) + "\">");
    point_data(out, m, st, caso);
    cell_data(out, m, st);
    points_and_cells(out, m);
    out.write_line("    </Piece>");
    out.write_line("  </UnstructuredGrid>");
    out.write_line("</VTKFile>");
}

void write_case_collection(Channel& out, const std::vector<CollectionEntry>& cases) {
    out.write_line("<?xml version=\"1.0\"?>");
    out.write_line(std::string("<VTKFile type=\"Collection\" version=\"0.1\" byte_order=\"") + byte_order() + "\">");
    out.write_line("  <Collection>");
    for (const CollectionEntry& c : cases)
        out.write_line("    <DataSet timestep=\"" + std::to_string(c.caso) + "\" group=\"\" part=\"0\" file=\"" +
                       xml_escaped(to_utf8(c.file)) + "\"/>");
    out.write_line("  </Collection>");
    out.write_line("</VTKFile>");
}

} // namespace qb
