#include "frame/assembly.h"

#include "frame/frame_log.h"
#include "frame/geometry.h"
#include "frame/stiffness.h"

namespace qb::inline QB_ARITH {

namespace {

// Fractions of a uniform load spread over one half of a fixed-fixed span.
constexpr real HALF_NEAR_FORCE = 0.40625_r;      // 13/32
constexpr real HALF_FAR_FORCE = 0.09375_r;       // 3/32
constexpr real HALF_NEAR_MOMENT = (11.0_r / 192.0_r); // 11/192
constexpr real HALF_FAR_MOMENT = (5.0_r / 192.0_r);  // 5/192

// Adds the global element vector f into the reduced vector (by equation
// number; fixed dofs dropped) and, when given, into the complete one (by
// global dof).
void scatter_load(const Model& m, int32_t j, const Vec12& f, Vec1<real>& reduced, Vec1<real>* full = nullptr) {
    for (int32_t r = 1; r <= 12; ++r) {
        if (full) (*full)(m.VGL(j, r)) += f(r);
        const int32_t e = m.NGL(m.VGL(j, r));
        if (e != 0) reduced(e) += f(r);
    }
}

// The element stiffness projected to global axes, into the free rows and
// columns of akr.
void scatter_stiffness(const Model& m, FrameSystem& frame, int32_t j, const Mat12& KG) {
    for (int32_t r = 1; r <= 12; ++r) {
        const int32_t er = m.NGL(m.VGL(j, r));
        if (er == 0) continue;
        for (int32_t c = 1; c <= 12; ++c) {
            const int32_t ec = m.NGL(m.VGL(j, c));
            if (ec != 0) frame.akr.add(er, ec, KG(r, c));
        }
    }
}

// Adds TT·F (a unit line reaction over one half of bar j) to column `col`.
void reaction_column(const Model& m, FrameSystem& frame, int32_t j, const Mat12& TT, const Vec12& F, int32_t col,
                     Trace log) {
    Vec12 f;
    matmul12(TT, F, f, log);
    for (int32_t r = 1; r <= 12; ++r) {
        const int32_t e = m.NGL(m.VGL(j, r));
        if (e != 0) frame.akr.add(e, col, f(r));
    }
}

// The four load vectors being assembled; the complete ones, by global dof,
// are only shown in the log (the one of case 4 is never filled: it is shown
// as zero).
struct CaseVectors {
    Vec1<real> full1, full2, full3, full4;
    explicit CaseVectors(int32_t ntot) : full1(ntot), full2(ntot), full3(ntot), full4(ntot) {}
};

// Self weight W of bar j: its component across the bar (pp, per unit length
// along local z) joins the PPropio line load; its axial component (pn per unit
// length) goes whole to the lower end node. Returns pn.
real add_self_weight(Model& m, Trace log, int32_t j, real W) {
    const real L = m.LBARRA(j);
    const real pn = L != 0.0_r ? m.COSDIR(j, 1, 3) * W / L : 0.0_r;
    const real pp = L != 0.0_r ? W * m.COSDIR(j, 3, 3) / L : 0.0_r;
    m.CUNIF(j, PPROPIO) += pp;
    List(log) << "La carga uniforme perpendicular por peso propio es" << pp;
    List(log) << "La carga uniforme normal por peso propio es" << pn;
    return pn;
}

// The load vectors of bar j. They hold fixed-end forces (the solver's
// right-hand side is PCONC - vered).
void bar_load_vectors(const Model& m, FrameSystem& frame, Trace log, int32_t j, const BarElement& e, real pn,
                      CaseVectors& v) {
    const real L = m.LBARRA(j);
    const real L2 = L * L;
    Vec12 F, f;

    // vector 1: expansion, PV only (acting upwards)
    List(log) << "Elemento:" << j;
    List(log) << "Expansión, CARGA UNIFORME" << case_line_load(m, j, 1);
    fixed_end_forces(downward_line_load(m, j, 1), L, L2, F);
    matmul12(e.TT, F, f, log);
    List(log) << "Vector de cargas rotadas, PV";
    log_vector_row(log, f);
    scatter_load(m, j, f, frame.vered[1], &v.full1);

    // The gravity vector of one case: the line load across the bar and the
    // axial self weight at the lower node (the first node when the bar rises
    // from it).
    auto gravity_case = [&](int32_t caso, const char* name, const char* combination, Vec1<real>& full,
                            Vec1<real>& reduced) {
        const real q = case_line_load(m, j, caso);
        List(log) << name << q;
        fixed_end_forces(q, L, L2, F);
        if (m.COSDIR(j, 1, 3) > 0.0_r) F(1) = pn * L;
        else F(7) = pn * L;
        List(log) << "Vector de cargas en coord locales, " << combination;
        log_vector_row(log, F);
        matmul12(e.TT, F, f, log);
        List(log) << "Vector de cargas rotadas, " << combination;
        log_vector_row(log, f);
        scatter_load(m, j, f, reduced, &full);
    };

    // vector 2: immediate compression
    gravity_case(2, "Compresión inmediata, CARGA UNIFORME", "CVMax+CM+PP+PV", v.full2, frame.vered[2]);
    List(log) << "EL VECTOR DE CARGAS GLOBAL";

    // vector 3 (primary consolidation), also the load of case 4 (secondary
    // consolidation), whose bar forces use the same line load
    gravity_case(3, "Compresión diferida, CARGA UNIFORME", "CVMed+CM+PP+PV", v.full3, frame.vered[3]);
    scatter_load(m, j, f, frame.vered[4]);
}

// A bar whose two end DZ are area reactions carries the soil line reaction of
// each end over its own half: one column of akr per reaction.
void bar_reaction_columns(const Model& m, FrameSystem& frame, Trace log, int32_t j, const BarElement& e) {
    const BarReactions r = bar_reactions(m, j);
    if (!r.both()) return;
    const real L = m.LBARRA(j);
    const real L2 = L * L;
    Vec12 F;
    half_reaction_forces(L, L2, true, F);
    reaction_column(m, frame, j, e.TT, F, m.NGRED + r.first, log);
    half_reaction_forces(L, L2, false, F);
    reaction_column(m, frame, j, e.TT, F, m.NGRED + r.second, log);
}

void add_springs(const Model& m, FrameSystem& frame, Trace log) {
    List(log) << "Rigideces adicionales, nnk" << m.nnk;
    for (int32_t i = 1; i <= m.NGRED; ++i) {
        const real k = m.RIGAD.at_or_zero(i);
        List(log) << i << k;
        if (k != 0.0_r) {
            List(log) << "agregando la rigidez" << k << "en el gl" << i;
            frame.akr.add(i, i, k);
        }
    }
}

// The enlarged matrix and the load vectors, for small systems only.
void log_system(const Model& m, const FrameSystem& frame, Trace log, const CaseVectors& v) {
    const int32_t shown = m.NGRED + m.NR;
    if (shown > 1000 || !log.on()) return;
    List(log) << "MATRIZ DE REGIDEZ AMPLIADA";
    list_rows(log, 1, shown, [](int32_t, int32_t c) { return c; });
    list_rows(log, m.NGRED, shown, [&](int32_t r, int32_t c) { return frame.akr(r, c); });
    const Vec1<real>* reduced[4] = {&frame.vered[1], &frame.vered[2], &frame.vered[3], &frame.vered[4]};
    const Vec1<real>* complete[4] = {&v.full1, &v.full2, &v.full3, &v.full4};
    const char* names[4] = {"VECTOR DE CARGAS REDUCIDO, vered1", "VECTOR DE CARGAS REDUCIDO, vered2",
                            "VECTOR DE CARGAS REDUCIDO, vered3", "VECTOR DE CARGAS REDUCIDO, vered4"};
    for (int32_t k = 0; k < 4; ++k) {
        List(log) << names[k];
        list_rows(log, m.NGRED, 1, [&](int32_t i, int32_t) { return (*reduced[k])(i); });
        List(log) << "VECTOR DE CARGAS completo";
        list_rows(log, m.NTOT, 1, [&](int32_t i, int32_t) { return (*complete[k])(i); });
    }
}

} // namespace

BarReactions bar_reactions(const Model& m, int32_t j) {
    return {area_reaction_position(m, m.VGL(j, 3)), area_reaction_position(m, m.VGL(j, 9))};
}

namespace {

// The uniform line load of each case as a combination of the bar's load
// columns: the gravity loads (a live load column, CMuerta, PPropio) with PV,
// or PV alone, the expansion pressure that acts upwards.
struct CaseLoad {
    bool gravity;
    int32_t live;   // CVMAX or CVMED
    bool upward;
};
constexpr CaseLoad CASE_LOADS[] = {
    {false, 0, false},       // no such case: no load
    {false, 0, true},        // 1 expansion
    {true, CVMAX, false},    // 2 immediate compression
    {true, CVMED, false},    // 3 primary consolidation
    {true, CVMED, false},    // 4 secondary consolidation
};

const CaseLoad& case_load(int32_t caso) { return CASE_LOADS[caso >= 1 && caso <= 4 ? caso : 0]; }

} // namespace

real case_line_load(const Model& m, int32_t j, int32_t caso) {
    const CaseLoad& c = case_load(caso);
    if (c.gravity) return m.CUNIF(j, c.live) + m.CUNIF(j, CMUERTA) + m.CUNIF(j, PPROPIO) + m.CUNIF(j, PV_LOAD);
    return caso >= 1 && caso <= 4 ? m.CUNIF(j, PV_LOAD) : 0.0_r;
}

real downward_line_load(const Model& m, int32_t j, int32_t caso) {
    const real q = case_line_load(m, j, caso);
    return case_load(caso).upward ? -q : q;
}

void fixed_end_forces(real q, real L, real L2, Vec12& F) {
    F.zero();
    F(5) = L2 * q / (-12.0_r);
    F(11) = L2 * q / 12.0_r;
    F(3) = L * q * 0.5_r;
    F(9) = L * q * 0.5_r;
}

void half_reaction_forces(real L, real L2, bool first_half, Vec12& F) {
    const real near_force = first_half ? HALF_NEAR_FORCE : HALF_FAR_FORCE;
    const real far_force = first_half ? HALF_FAR_FORCE : HALF_NEAR_FORCE;
    const real near_moment = first_half ? HALF_NEAR_MOMENT : HALF_FAR_MOMENT;
    const real far_moment = first_half ? HALF_FAR_MOMENT : HALF_NEAR_MOMENT;
    F.zero();
    F(3) = -near_force * L;
    F(5) = near_moment * L2;
    F(9) = -far_force * L;
    F(11) = -far_moment * L2;
}

void form_bar_element(const Model& m, Trace log, int32_t j, const BarSection& sec, BarElement& e, bool log_powers) {
    const real L = m.LBARRA(j);
    const real L2 = L * L;
    const real L3 = L2 * L;
    const real G = shear_modulus(sec);
    const real phi = shear_parameter(m.FDC(j), sec, G, L2);
    element_stiffness(m.NCND(j), sec.E, G, sec.A, sec.Iy, sec.Iz, sec.IRot, L, L2, L3, phi, e.K, log);
    if (log_powers) List(log) << "al1=" << L << " al2=" << L2 << " al3=" << L3;

    build_transformation(m, j, e.T, e.TT, log);
    matmul12(e.TT, e.K, e.TK, log);
    matmul12(e.TK, e.T, e.KG, log);
    List(log) << "MATRIZ ELEMENTAL DE :" << j;
    log_rows(log, e.K);
    List(log) << "MATRIZ ELEMENTAL PROYECTADA:" << j;
    log_rows(log, e.KG);

    List pts(log);
    pts << " PUNTOS DE LA BARA:" << m.PI(j) << m.PJ(j);
    for (int32_t k = 1; k <= 12; ++k) pts << m.VGL(j, k);
}

void bar_load_row(Channel& ch, const Model& m, int32_t j) {
    Rec row(ch);
    row.I(j, 6);
    for (int32_t t = 1; t <= 6; ++t) row.F(m.CUNIF(j, t), 12, 4);
}

void assemble_frame(Model& m, FrameSystem& frame, Trace log) {
    frame.akr.resize(m.NGRED, m.NR + m.MR,
                     m.large ? FrameStiffness::Storage::sparse : FrameStiffness::Storage::dense);
    for (int32_t caso = 1; caso <= 4; ++caso) frame.vered[static_cast<size_t>(caso)].resize(m.NGRED);
    m.VGL.resize(m.NB, 12);
    for (int32_t j = 1; j <= m.NB; ++j)
        for (int32_t k = 1; k <= 6; ++k) {
            m.VGL(j, k) = dof(m.PI(j), k);
            m.VGL(j, k + 6) = dof(m.PJ(j), k);
        }
    CaseVectors vectors(m.NTOT);

    real total = 0.0_r;
    BarSection sec;   // E, ν, γ carry over to a bar whose section is unknown
    BarElement e;
    for (int32_t j = 1; j <= m.NB; ++j) {
        bar_load_row(log, m, j);   // the loads as read, before the self weight
        lookup_bar_section(m, j, sec, log);
        form_bar_element(m, log, j, sec, e, true);
        scatter_stiffness(m, frame, j, e.KG);

        const real L = m.LBARRA(j);
        const real W = sec.A * sec.gamma * L;
        total += (m.CUNIF(j, CVMAX) + m.CUNIF(j, CMUERTA) + m.CUNIF(j, PPROPIO)) * L + W;
        const real pn = add_self_weight(m, log, j, W);
        bar_load_vectors(m, frame, log, j, e, pn, vectors);
        bar_reaction_columns(m, frame, log, j, e);
    }
    add_springs(m, frame, log);

    // Total load and mean contact pressure; without foundation area there is
    // no pressure to speak of (reported as 0).
    m.total_load = total;
    m.qmax = m.AREATOT != 0.0_r ? total / m.AREATOT : 0.0_r;

    // Nodal reactions enter their own equation with -1.
    for (int32_t k = 1; k <= m.MR; ++k) {
        const int32_t e = m.NGL(m.NREACNOD(k));
        if (e != 0) frame.akr.set(e, m.NGRED + m.NR + k, -1.0_r);
    }
    frame.akr.compress();
    log_system(m, frame, log, vectors);
}

} // namespace qb
