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
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

void write_displacements_csv(Channel& out, const Model& m, const CaseState& st) {
    out.write_line("node,x,y,z,dx,dy,dz,rx,ry,rz");
    for (int32_t n = 1; n <= m.NN; ++n) {
        Row r(out);
        r << n << m.COOR(n, 1) << m.COOR(n, 2) << m.COOR(n, 3);
        for (int32_t k = DX; k <= MZ; ++k) r << st.DESPL.at_or_zero(dof(n, k));
    }
}

void write_reactions_csv(Channel& out, const Model& m, const CaseState& st, int32_t caso) {
    out.write_line("reaction,type,node,dof,length,area,value,settlement");
    for (int32_t j = 1; j <= m.reactions(); ++j) {
        const int32_t g = reaction_dof(m, j);
        Row r(out);
        r << j << std::string_view(j <= m.NR ? "area" : "nodal") << node_of_dof(g)
          << std::string_view(DOF_NAME[component_of_dof(g) - 1]);
        if (j <= m.NR) r << m.LONGREAC.at_or_zero(g) << m.AREAREAC.at_or_zero(g);
        else r << 0.0_r << 0.0_r;
        r << st.reaction(m, j) << reported_settlement(m, st, caso, j);
    }
}

void write_bar_forces_csv(Channel& out, const Model& m, const CaseState& st) {
    out.write_line("bar,node1,node2,section,on_soil,N1,Vy1,Vz1,T1,My1,Mz1,N2,Vy2,Vz2,T2,My2,Mz2");
    for (int32_t j = 1; j <= m.NB; ++j) {
        Row r(out);
        r << j << m.PI(j) << m.PJ(j) << name_text(m.SECBAR(j)) << (m.SU(j) == 1 ? 1 : 0);
        for (int32_t k = 1; k <= 12; ++k) r << st.ELMEC(j, k);
    }
}

DiagramCsv::DiagramCsv(const Model& m, Channel& out) : m_(m), out_(out) {
    out_.write_line("axis,name,bar,s,N,Vz,My,Vy,Mz");
}

void DiagramCsv::axis(int32_t i) { axis_ = i; }

void DiagramCsv::point(const DiagramPoint& p) {
    Row(out_) << axis_ << name_text(m_.NOMEJE(axis_)) << p.bar << p.s << p.N << p.Vz << p.My << p.Vy << p.Mz;
}

} // namespace qb
