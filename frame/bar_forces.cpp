#include "frame/bar_forces.h"

#include "frame/assembly.h"
#include "frame/frame_log.h"
#include "frame/geometry.h"
#include "frame/stiffness.h"

namespace qb {

namespace {

// End-force labels, blank padded to 14 columns.
constexpr const char* FORCE_LABEL[12] = {
    "NORMAL X1     ", "CORTANTE Y1   ", "CORTANTE Z1   ", "TORSION X1    ", "FLEXIONANTE Y1", "FLEXIONANTE Z1",
    "NORMAL X2     ", "CORTANTE Y2   ", "CORTANTE Z2   ", "TORSION X2    ", "FLEXIONANTE Y2", "FLEXIONANTE Z2"};


} // namespace

void recover_bar_forces(Model& m, Io& io, int32_t caso) {
    m.ELMEC.resize(m.NB, 12);
    if (m.VGL.rows() < m.NB) m.VGL.resize(m.NB, 12);

    io.report.empty(2);
    Rec(io.report).text("  BARRA      ELEMENTOS     GRADO DE            MAGNITUD");
    Rec(io.report).text("             MECANICOS     LIBERTAD");
    io.report.empty(1);

    List(io.log) << "Caso:" << caso;
    List(io.log) << "GRADOS DE LIBERTAD" << m.NTOT;
    List(io.log) << "VECTOR SOLUCIÓN";
    List(io.log) << "NR=" << m.NR;
    // displacements and the area reactions (the ones these forces use)
    const int32_t nsol = m.NTOT + m.NR;
    for (int32_t i = 1; i <= nsol; ++i) List(io.log) << m.DESPL.at_or_zero(i);

    BarSection sec;
    BarElement element;
    Vec14 dg, dl, pg, pl, Kd, VR, FE, KdVR;
    for (int32_t j = 1; j <= m.NB; ++j) {
        // 1. the same section, stiffness and transformation as the assembly
        lookup_bar_section(m, j, sec, io);
        const float q = case_line_load(m, j, caso);
        List(io.log) << "LA CARGA UNIFORME SOBRE LA BARRA" << j << " ES" << q;
        form_bar_element(m, io, j, sec, element, false);
        Mat14& K = element.K;
        const Mat14& T = element.T;
        const float L = m.LBARRA(j);
        const float L2 = L * L;

        // 3. end displacements, global then local
        dg.zero();
        for (int32_t r = 1; r <= 12; ++r) dg(r) = m.DESPL.at_or_zero(m.VGL(j, r));
        List(io.log) << "VECTOR DE DESPLAZAMIENTOS POR BARRA";
        log_vector_row(io.log, dg);
        matmul12(T, dg, dl, io);
        List(io.log) << "VECTOR DE DESPLAZAMIENTOS LOCAL POR BARRA";
        log_vector_row(io.log, dl);

        // 4. nodal loads at the bar ends (trace only)
        pg.zero();
        for (int32_t r = 1; r <= 12; ++r) pg(r) = m.PNOD.at_or_zero(m.VGL(j, r));
        List(io.log) << "VECTOR GLOBAL DE CARGAS, BARRA" << j;
        log_vector_row(io.log, pg);
        matmul12(T, pg, pl, io);
        List(io.log) << "VECTOR LOCAL DE CARGAS, BARRA" << j;
        log_vector_row(io.log, pl);

        // 5. stiffness part
        matmul12(K, dl, Kd, io);
        List(io.log) << "VECTOR K*d, BARRA" << j;
        log_vector_row(io.log, Kd);

        // 6. soil line reactions r1 (first half) and r2 (second half) of a bar
        //    whose two end DZ are area reactions: VR are their equivalent end
        //    forces (the negatives of the bar's reaction columns in akr). The
        //    coefficient pairs are kept in columns 13 (r1) and 14 (r2).
        VR.zero();
        const int32_t p1 = area_reaction_position(m, m.VGL(j, 3));
        const int32_t p2 = area_reaction_position(m, m.VGL(j, 9));
        if (p1 != 0 && p2 != 0) {
            const float r1 = m.DESPL.at_or_zero(m.NTOT + p1);
            const float r2 = m.DESPL.at_or_zero(m.NTOT + p2);
            K(3, 13) = HALF_NEAR_FORCE * L;
            K(5, 13) = -HALF_NEAR_MOMENT * L2;
            K(9, 13) = HALF_FAR_FORCE * L;
            K(11, 13) = HALF_FAR_MOMENT * L2;
            K(3, 14) = HALF_FAR_FORCE * L;
            K(5, 14) = -HALF_FAR_MOMENT * L2;
            K(9, 14) = HALF_NEAR_FORCE * L;
            K(11, 14) = HALF_NEAR_MOMENT * L2;
            VR(3) = K(3, 13) * r1 + K(3, 14) * r2;
            VR(5) = K(5, 13) * r1 + K(5, 14) * r2;
            VR(9) = K(9, 13) * r1 + K(9, 14) * r2;
            VR(11) = K(11, 13) * r1 + K(11, 14) * r2;
            List(io.log) << "añadiendo la contribución de las reacciones";
            List(io.log) << "ncol1=" << p1 << "ncol2=" << p2;
            List(io.log) << "X(ncol1+NG)=" << r1 << "X(ncol2+NG)=" << r2;
            List(io.log) << "VECTOR POR REACCIONES VR, BARRA" << j;
            log_vector_row(io.log, VR);
        }

        // 7. fixed-end forces of the line load, with the sign of the case's
        //    load vector: gravity (cases 2-4) downwards, expansion (case 1)
        //    upwards. No axial self-weight term here.
        FE.zero();
        if (caso == 1) {
            FE(5) = L2 * q / 12.0f;
            FE(11) = L2 * q / (-12.0f);
            FE(3) = L * (-0.5f) * q;
            FE(9) = L * (-0.5f) * q;
        } else {
            FE(5) = L2 * q / (-12.0f);
            FE(11) = L2 * q / 12.0f;
            FE(3) = q * 0.5f * L;
            FE(9) = q * 0.5f * L;
        }
        List(io.log) << "VECTOR EMPOTRAMIENTO, BARRA" << j;
        log_vector_row(io.log, FE);

        // 8. end forces
        KdVR.zero();
        for (int32_t r = 1; r <= 12; ++r) {
            KdVR(r) = Kd(r) - VR(r);
            m.ELMEC(j, r) = KdVR(r) + FE(r);
        }
        List(io.log) << "VECTOR Kd ANTES DE SUMAR VR, BARRA" << j;
        log_vector_row(io.log, Kd);
        List(io.log) << "VECTOR LOCAL K*d+VR, BARRA" << j;
        log_vector_row(io.log, KdVR);
        List(io.log) << "VECTOR DE ELEMENTOS MECANICOS, BARRA" << j;
        {
            Rec row(io.log);
            for (int32_t r = 1; r <= 12; ++r) row.F(m.ELMEC(j, r), 10, 4);
        }

        // 9. report table
        for (int32_t r = 1; r <= 12; ++r)
            Rec(io.report).I(j, 5).X(7).text(FORCE_LABEL[r - 1]).I(m.VGL(j, r), 6).X(10).F(m.ELMEC(j, r), 15, 8);
    }
}

} // namespace qb
