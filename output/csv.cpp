#include "output/csv.h"

#include <charconv>
#include <string_view>

#include "output/case_values.h"

namespace qb::inline QB_ARITH {

namespace {

// One row, its fields joined by commas.
class Row {
public:
    explicit Row(Channel& out) : out_(out) {}
    ~Row() { out_.write_line(s_); }
    Row& operator<<(real v) { sep(); append_number(s_, v); return *this; }
    Row& operator<<(int32_t v) { sep(); s_ += std::to_string(v); return *this; }
    // A text: quoted, with its quotes doubled, when it holds a separator.
    Row& operator<<(std::string_view bytes) {
        sep();
        const std::string t = to_utf8(bytes);
        if (t.find_first_of(",\"\r\n") == std::string_view::npos) {
            s_ += t;
        } else {
            s_ += '"';
            for (char c : t) {
                if (c == '"') s_ += '"';
                s_ += c;
            }
            s_ += '"';
        }
        return *this;
    }

private:
    void sep() {
        if (any_) s_ += ',';
        any_ = true;
    }
    Channel& out_;
    std::string s_;
    bool any_ = false;
};

} // namespace

void append_number(std::string& out, real v) {
    if (v == 0.0_r) v = 0.0_r;   // no "-0"
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

std::string unit_label(const ModelData& m, int32_t i) {
    std::string_view s = m.unid(i).bytes();
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    return to_utf8(s);
}

namespace {

// The units of a case's tables.
struct Units {
    std::string force, length, line, moment, area;
    explicit Units(const Model& m)
        : force(unit_label(m, 1)), length(unit_label(m, 2)), line(unit_label(m, 3)),
          moment(force + "-" + length), area(length + "2") {}
};

// "name [unit]" for every name of a comma-separated list.
std::string with_unit(const std::string& names, const std::string& unit) {
    std::string s, name;
    for (size_t a = 0; a <= names.size(); ++a) {
        if (a == names.size() || names[a] == ',') {
            s += (s.empty() ? "" : ",") + name + " [" + unit + "]";
            name.clear();
        } else {
            name += names[a];
        }
    }
    return s;
}

} // namespace

void write_displacements_csv(Channel& out, const Model& m, const CaseState& st, int32_t caso) {
    const Units u(m);
    out.write_line("case,node," + with_unit("x,y,z,dx,dy,dz", u.length) + "," + with_unit("rx,ry,rz", "rad"));
    for (int32_t n = 1; n <= m.NN; ++n) {
        Row r(out);
        r << caso << n << m.COOR(n, 1) << m.COOR(n, 2) << m.COOR(n, 3);
        for (int32_t k = DX; k <= MZ; ++k) r << st.DESPL.at_or_zero(dof(n, k));
    }
}

void write_reactions_csv(Channel& out, const Model& m, const CaseState& st, int32_t caso) {
    const Units u(m);
    out.write_line("case,reaction,type,node,dof,length [" + u.length + "],area [" + u.area + "],value,unit,settlement [" +
                   u.length + "]");
    for (int32_t j = 1; j <= m.reactions(); ++j) {
        const int32_t g = reaction_dof(m, j);
        const int32_t k = component_of_dof(g);
        Row r(out);
        r << caso << j << std::string_view(j <= m.NR ? "area" : "nodal") << node_of_dof(g)
          << std::string_view(DOF_NAME[k - 1]);
        if (j <= m.NR) r << m.LONGREAC.at_or_zero(g) << m.AREAREAC.at_or_zero(g);
        else r << 0.0_r << 0.0_r;
        r << st.reaction(m, j) << std::string_view(j <= m.NR ? u.line : k <= 3 ? u.force : u.moment)
          << reported_settlement(m, st, caso, j);
    }
}

void write_bar_forces_csv(Channel& out, const Model& m, const CaseState& st, int32_t caso) {
    const Units u(m);
    out.write_line("case,bar,node1,node2,section,on_soil," + with_unit("N1,Vy1,Vz1", u.force) + "," +
                   with_unit("T1,My1,Mz1", u.moment) + "," + with_unit("N2,Vy2,Vz2", u.force) + "," +
                   with_unit("T2,My2,Mz2", u.moment));
    for (int32_t j = 1; j <= m.NB; ++j) {
        Row r(out);
        r << caso << j << m.PI(j) << m.PJ(j) << name_text(m.SECBAR(j)) << (m.SU(j) == 1 ? 1 : 0);
        for (int32_t k = 1; k <= 12; ++k) r << st.ELMEC(j, k);
    }
}

DiagramCsv::DiagramCsv(const Model& m, Channel& out, int32_t caso) : m_(m), out_(out), caso_(caso) {
    const Units u(m);
    out_.write_line("case,axis,name,bar,s [" + u.length + "],N [" + u.force + "],Vz [" + u.force + "],My [" +
                    u.moment + "],Vy [" + u.force + "],Mz [" + u.moment + "]");
}

void DiagramCsv::axis(int32_t i) { axis_ = i; }

void DiagramCsv::point(const DiagramPoint& p) {
    Row(out_) << caso_ << axis_ << name_text(m_.NOMEJE(axis_)) << p.bar << p.s << p.N << p.Vz << p.My << p.Vy << p.Mz;
}

} // namespace qb
