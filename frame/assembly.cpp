#include "frame/assembly.h"

#include "frame/frame_log.h"
#include "frame/geometry.h"
#include "frame/stiffness.h"

namespace qb {

int32_t area_reaction_position(const Model& m, int32_t g) {
    int32_t p = 0;
    for (int32_t i = 1; i <= m.NR; ++i)
        if (m.NREAC(i) == g) p = i;
    return p;
}

namespace {

// Adds the global element vector f into the complete vector (by global dof)
// and into the reduced vector (by equation number; fixed dofs dropped).
void scatter_reduced(const Model& m, int32_t j, const Vec14& f, Vec1<float>& reduced) {
    for (int32_t r = 1; r <= 12; ++r) {
        const int32_t e = m.NGL(m.VGL(j, r));
        if (e != 0) reduced(e) += f(r);
    }
}

void scatter_load(const Model& m, int32_t j, const Vec14& f, Vec1<float>& full, Vec1<float>& reduced) {
    for (int32_t r = 1; r <= 12; ++r) full(m.VGL(j, r)) += f(r);
    scatter_reduced(m, j, f, reduced);
}

// Adds TT·F (a unit line reaction over one half of bar j) to column `col`.
void reaction_column(Model& m, int32_t j, const Mat14& TT, const Vec14& F, int32_t col, Io& io) {
    Vec14 f;
    matmul12(TT, F, f, io);
    for (int32_t r = 1; r <= 12; ++r) {
        const int32_t e = m.NGL(m.VGL(j, r));
        if (e != 0) m.akr(e, col) += f(r);
    }
}

void log_vector(Channel& ch, const Vec1<float>& v, int32_t n) {
    for (int32_t i = 1; i <= n; ++i) List(ch) << v(i);
}

} // namespace

float case_line_load(const Model& m, int32_t j, int32_t caso) {
    switch (caso) {
    case 1:
        return m.CUNIF(j, PV_LOAD);
    case 2:
        return m.CUNIF(j, CVMAX) + m.CUNIF(j, CMUERTA) + m.CUNIF(j, PPROPIO) + m.CUNIF(j, PV_LOAD);
    case 3:
    case 4:
        return m.CUNIF(j, CVMED) + m.CUNIF(j, CMUERTA) + m.CUNIF(j, PPROPIO) + m.CUNIF(j, PV_LOAD);
    default:
        return 0.0f;
    }
}

void form_bar_element(Model& m, Io& io, int32_t j, const BarSection& sec, BarElement& e, bool log_powers) {
    const float L = m.LBARRA(j);
    const float L2 = L * L;
    const float L3 = L2 * L;
    const float G = shear_modulus(sec);
    const float phi = shear_parameter(m.FDC(j), sec, G, L2);
    element_stiffness(m.NCND(j), sec.E, G, sec.A, sec.Iy, sec.Iz, sec.IRot, L, L2, L3, phi, e.K, io);
    if (log_powers) List(io.log) << "al1=" << L << " al2=" << L2 << " al3=" << L3;

    build_transformation(m, j, e.T, e.TT, io);
    matmul12(e.TT, e.K, e.TK, io);
    matmul12(e.TK, e.T, e.KG, io);
    List(io.log) << "MATRIZ ELEMENTAL DE :" << j;
    log_rows(io.log, e.K);
    List(io.log) << "MATRIZ ELEMENTAL PROYECTADA:" << j;
    log_rows(io.log, e.KG);

    const int32_t ni = m.PI(j), nj = m.PJ(j);
    for (int32_t k = 1; k <= 6; ++k) {
        m.VGL(j, k) = 6 * (ni - 1) + k;
        m.VGL(j, k + 6) = 6 * (nj - 1) + k;
    }
    List pts(io.log);
    pts << " PUNTOS DE LA BARA:" << ni << nj;
    for (int32_t k = 1; k <= 12; ++k) pts << m.VGL(j, k);
}

void assemble_frame(Model& m, Io& io) {
    const int32_t ncols = m.NGRED + m.NR + m.MR;
    m.akr.resize(m.NGRED, ncols);
    m.vered1.resize(m.NGRED);
    m.vered2.resize(m.NGRED);
    m.vered3.resize(m.NGRED);
    m.vered4.resize(m.NGRED);
    m.VGL.resize(m.NB, 12);
    m.ELMEC.resize(m.NB, 12);
    // Complete load vectors, by global dof: only shown in the log.
    Vec1<float> full1(m.NTOT), full2(m.NTOT), full3(m.NTOT), full4(m.NTOT);

    List(io.report) << "CARGAS UNIFORMES DETERMINADAS EN CADA BARRA";
    List(io.report) << "  Barra     CVMax       CVMed      CVInst     CMuerta     PPropio          PV";

    float total = 0.0f;
    BarSection sec;   // E, ν, γ carry over to a bar whose section is unknown
    BarElement element;
    Vec14 F, f;
    for (int32_t j = 1; j <= m.NB; ++j) {
        // 1. the bar's loads as read (self weight not yet added)
        for (Channel* ch : {&io.report, &io.log}) {
            Rec row(*ch);
            row.I(j, 6);
            for (int32_t t = 1; t <= 6; ++t) row.F(m.CUNIF(j, t), 12, 4);
        }

        // 2. section, material and local stiffness
        lookup_bar_section(m, j, sec, io);
        BarElement& e = element;
        form_bar_element(m, io, j, sec, e, true);
        const float L = m.LBARRA(j);
        const float L2 = L * L;

        // 5. stiffness scatter (fixed dofs have no equation)
        for (int32_t r = 1; r <= 12; ++r) {
            const int32_t er = m.NGL(m.VGL(j, r));
            if (er == 0) continue;
            for (int32_t c = 1; c <= 12; ++c) {
                const int32_t ec = m.NGL(m.VGL(j, c));
                if (ec != 0) m.akr(er, ec) += e.KG(r, c);
            }
        }

        // 6. self weight W of the bar: its component across the bar (pp, per
        //    unit length along local z) joins the PPropio line load; its axial
        //    component (pn per unit length) goes whole to the lower end node.
        const float W = sec.A * sec.gamma * L;
        total += (m.CUNIF(j, CVMAX) + m.CUNIF(j, CMUERTA) + m.CUNIF(j, PPROPIO)) * L + W;
        const float c13 = m.COSDIR(j, 1, 3);
        const float pn = L != 0.0f ? c13 * W / L : 0.0f;
        const float pp = L != 0.0f ? W * m.COSDIR(j, 3, 3) / L : 0.0f;
        m.CUNIF(j, PPROPIO) += pp;
        List(io.log) << "La carga uniforme perpendicular por peso propio es" << pp;
        List(io.log) << "La carga uniforme normal por peso propio es" << pn;

        // The load vectors hold fixed-end forces (the solver's right-hand side
        // is PCONC - vered). Gravity loads q act along -local z: fixed-end
        // forces +qL/2, moments ∓qL²/12 (θy = -dw/dx). The expansion load PV
        // of case 1 pushes upwards, hence the opposite sign in vector 1.

        // 7. vector 1: expansion, PV only
        {
            const float q = m.CUNIF(j, PV_LOAD);
            List(io.log) << "Elemento:" << j;
            List(io.log) << "Expansión, CARGA UNIFORME" << q;
            F.zero();
            F(5) = L2 * q / 12.0f;
            F(11) = L2 * q / (-12.0f);
            F(3) = L * (-0.5f) * q;
            F(9) = L * (-0.5f) * q;
            matmul12(e.TT, F, f, io);
            List(io.log) << "Vector de cargas rotadas, PV";
            log_vector_row(io.log, f);
            scatter_load(m, j, f, full1, m.vered1);
        }

        // The gravity vector of one case: line load q across the bar, the
        // axial self weight at the lower node (the first node when the bar
        // rises from it); its local and rotated forms go to the log, and it is
        // scattered into the complete and reduced vectors.
        auto gravity_case = [&](int32_t caso, const char* name, const char* combination, Vec1<float>& full,
                                Vec1<float>& reduced) {
            const float q = case_line_load(m, j, caso);
            List(io.log) << name << q;
            F.zero();
            if (c13 > 0.0f) F(1) = pn * L;
            else F(7) = pn * L;
            F(5) = L2 * q / (-12.0f);
            F(11) = L2 * q / 12.0f;
            F(3) = L * q * 0.5f;
            F(9) = L * q * 0.5f;
            List(io.log) << "Vector de cargas en coord locales, " << combination;
            log_vector_row(io.log, F);
            matmul12(e.TT, F, f, io);
            List(io.log) << "Vector de cargas rotadas, " << combination;
            log_vector_row(io.log, f);
            scatter_load(m, j, f, full, reduced);
        };

        // 8. vector 2: immediate compression
        gravity_case(2, "Compresión inmediata, CARGA UNIFORME", "CVMax+CM+PP+PV", full2, m.vered2);
        List(io.log) << "EL VECTOR DE CARGAS GLOBAL";

        // 9. vector 3 (primary consolidation), also the load of case 4
        //    (secondary consolidation), whose bar forces use the same line load
        gravity_case(3, "Compresión diferida, CARGA UNIFORME", "CVMed+CM+PP+PV", full3, m.vered3);
        scatter_reduced(m, j, f, m.vered4);

        // 10. reaction columns: a bar whose two end DZ are area reactions
        //     carries the soil line reaction of each end over its own half
        const int32_t p1 = area_reaction_position(m, m.VGL(j, 3));
        const int32_t p2 = area_reaction_position(m, m.VGL(j, 9));
        if (p1 != 0 && p2 != 0) {
            F.zero();
            F(3) = -HALF_NEAR_FORCE * L;
            F(5) = HALF_NEAR_MOMENT * L2;
            F(9) = -HALF_FAR_FORCE * L;
            F(11) = -HALF_FAR_MOMENT * L2;
            reaction_column(m, j, e.TT, F, m.NGRED + p1, io);
            F.zero();
            F(3) = -HALF_FAR_FORCE * L;
            F(5) = HALF_FAR_MOMENT * L2;
            F(9) = -HALF_NEAR_FORCE * L;
            F(11) = -HALF_NEAR_MOMENT * L2;
            reaction_column(m, j, e.TT, F, m.NGRED + p2, io);
        }
    }

    // 11. additional springs on the diagonal
    List(io.log) << "Rigideces adicionales, nnk" << m.nnk;
    for (int32_t i = 1; i <= m.NGRED; ++i) {
        const float k = m.RIGAD.at_or_zero(i);
        List(io.log) << i << k;
        if (k != 0.0f) {
            List(io.log) << "agregando la rigidez" << k << "en el gl" << i;
            m.akr(i, i) += k;
        }
    }

    // 12. total load and mean contact pressure; without foundation area
    //     there is no pressure to speak of (reported as 0)
    m.total_load = total;
    m.qmax = m.AREATOT != 0.0f ? total / m.AREATOT : 0.0f;
    List(io.report) << "La carga total de la estructura es" << m.total_load;
    List(io.report) << "La presión máxima qmax ejercida por la estructura es" << m.qmax;

    // 13. nodal reactions enter their own equation with -1
    for (int32_t k = 1; k <= m.MR; ++k) {
        const int32_t e = m.NGL(m.NREACNOD(k));
        if (e != 0) m.akr(e, m.NGRED + m.NR + k) = -1.0f;
    }

    // 14. the enlarged matrix and the load vectors, for small systems only
    const int32_t shown = m.NGRED + m.NR;
    if (shown <= 1000) {
        List(io.log) << "MATRIZ DE REGIDEZ AMPLIADA";
        {
            List head(io.log);
            for (int32_t c = 1; c <= shown; ++c) head << c;
        }
        for (int32_t r = 1; r <= m.NGRED; ++r) {
            List row(io.log);
            for (int32_t c = 1; c <= shown; ++c) row << m.akr(r, c);
        }
        const Vec1<float>* reduced[4] = {&m.vered1, &m.vered2, &m.vered3, &m.vered4};
        // The complete vector of case 4 is not assembled: it is shown as zero.
        const Vec1<float>* complete[4] = {&full1, &full2, &full3, &full4};
        const char* names[4] = {"VECTOR DE CARGAS REDUCIDO, vered1", "VECTOR DE CARGAS REDUCIDO, vered2",
                                "VECTOR DE CARGAS REDUCIDO, vered3", "VECTOR DE CARGAS REDUCIDO, vered4"};
        for (int32_t v = 0; v < 4; ++v) {
            List(io.log) << names[v];
            log_vector(io.log, *reduced[v], m.NGRED);
            List(io.log) << "VECTOR DE CARGAS completo";
            log_vector(io.log, *complete[v], m.NTOT);
        }
    }
}

} // namespace qb
