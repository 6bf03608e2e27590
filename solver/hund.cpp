// Linear frame-soil interaction: frame stiffness and soil flexibility coupled
// into one system, solved for the free displacements and the reactions.
//
// Sign conventions: a reaction R is the soil's line load on its node (units of
// UNID(3)); the compatibility equation of reaction j reads
//     d_j + sum_k FLEX(j,k) R(k) = 0,
// i.e. the node's vertical displacement equals the soil settlement -FLEX*R.
// The settlement HUNDIM is reported as that soil surface movement, so a
// downward settlement under an upward (positive) reaction is negative.

#include "solver/hund.h"

#include <cmath>
#include <string>

#include "output/gid.h"
#include "output/lineform.h"
#include "solver/gaussj.h"

namespace qb {

namespace {

// Log bounds: matrices are traced only while their rows stay readable.
constexpr int32_t LOG_SMALL = 200;    // flexibility, stiffness and partial coupled matrices
constexpr int32_t LOG_LARGE = 2000;   // the final coupled matrix

// Entry i of a vector, 0 beyond what it holds (load vectors carry entries for
// the equilibrium equations only; the compatibility rows have no load).

// Rows 1..rows of a matrix over columns 1..cols, one record per row (a row
// longer than `per` values goes on in further records), each value as Fw.d.
template <class Get>
void log_rows(Channel& ch, int32_t rows, int32_t cols, int w, int d, int32_t per, Get&& get) {
    std::string line;
    for (int32_t i = 1; i <= rows; ++i) {
        line.clear();
        int32_t on_line = 0;
        for (int32_t j = 1; j <= cols; ++j) {
            if (on_line == per) {
                ch.write_line(line);
                line.clear();
                on_line = 0;
            }
            put_F(line, get(i, j), w, d);
            ++on_line;
        }
        ch.write_line(line);
    }
}

} // namespace

void HUND(Model& m, Io& io, const Vec1<float>& vered) {
    const int32_t NN = m.NN, NTOT = m.NTOT, NGRED = m.NGRED, NR = m.NR, MR = m.MR;
    const int32_t nreac = NR + MR;
    const int32_t n = NGRED + nreac;   // order of the coupled system
    Channel& log = io.log;

    // akr holds the equilibrium rows only; the rows below it are empty.
    auto akr = [&](int32_t r, int32_t c) {
        return r <= m.akr.rows() && c <= m.akr.cols() ? m.akr(r, c) : 0.0f;
    };

    // ---- heading of the trace, cleared work space ---------------------------------
    log.empty(2);
    Rec(log).text(std::string(40, '/'));
    log.empty(1);
    List(log) << "DENTRO DE HUND";
    List(log) << "PARAMETROS";
    List(log) << "NGRED=" << NGRED;
    List(log) << "REACCIONES POR ZAPATAS CORRIDAS" << NR;
    List(log) << "REACCIONES POR ZAPATAS AISLADAS" << MR;

    Mat1<float> Cr(n, n);      // coupled matrix, column-major, all 0
    Vec1<float> B(n), X(n);
    m.DESPL.resize(NTOT + nreac);
    m.HUNDIM.resize(nreac);

    List(log) << "MATRIZ DE FLEXIBILIDADES";
    List(log) << "NGRED=" << NGRED << "N=" << NR << "M=" << MR;
    if (NR <= LOG_SMALL)
        log_rows(log, nreac, nreac, 10, 5, LOG_SMALL, [&](int32_t i, int32_t j) { return m.FLEX(i, j); });

    List(log) << "matriz akr";
    if (n <= LOG_SMALL) log_rows(log, n, n, 18, 5, n, akr);

    auto cr = [&](int32_t i, int32_t j) { return Cr(i, j); };
    List(log) << "Matriz Cr";
    if (n <= LOG_SMALL) log_rows(log, n, n, 18, 8, n, cr);

    // ---- compatibility rows of the area reactions ---------------------------------
    List(log) << "FORMACION DE CR CON MATRIZ DE FLEXIBILIDADES";
    List(log) << "SE AMPLIARÁ LA MATRIZ DEBIDO A LAS REACCIONES INCOGNITAS";
    List(log) << "AGREGANDO FLEXIBILIDADES POR ZAP CORRIDAS";
    List(log) << "n=" << NR;
    // The displacement of the reaction's dof enters with 1. A reaction on a
    // restrained dof (outside the model) has no free displacement to couple.
    for (int32_t j = 1; j <= NR; ++j) {
        const int32_t eq = m.NGL(m.NREAC(j));
        if (eq != 0) Cr(NGRED + j, eq) = Cr(NGRED + j, eq) + 1.0f;
    }
    for (int32_t j = 1; j <= NR; ++j)
        for (int32_t i = 1; i <= NR; ++i) Cr(NGRED + i, NGRED + j) = Cr(NGRED + i, NGRED + j) + m.FLEX(i, j);
    List(log) << "Matriz Cr + FLEXIBILIDADES-Zap Corr";
    List(log) << "n=" << NR;
    if (NGRED + NR <= LOG_SMALL) log_rows(log, NGRED + NR, NGRED + NR, 18, 8, NGRED + NR, cr);

    // ---- compatibility rows of the nodal reactions (isolated footings) ------------
    // Only the footing block of FLEX couples them; the cross terms between
    // area and nodal reactions stay out of the system.
    List(log) << "SE AGREGARAN LAS FLEXIBILIDADES POR ZAPATAS AISLADAS";
    List(log) << "M=" << MR;
    for (int32_t j = 1; j <= MR; ++j) {
        const int32_t eq = m.NGL(m.NREACNOD(j));
        if (eq != 0) Cr(NGRED + NR + j, eq) = Cr(NGRED + NR + j, eq) + 1.0f;
    }
    for (int32_t j = 1; j <= MR; ++j)
        for (int32_t i = 1; i <= MR; ++i)
            Cr(NGRED + NR + i, NGRED + NR + j) = Cr(NGRED + NR + i, NGRED + NR + j) + m.FLEX(NR + i, NR + j);
    List(log) << "Matriz Cr + FLEXIBILIDADES-Zap Corr-Aisladas";
    if (n <= LOG_SMALL) log_rows(log, n, n, 18, 8, n, cr);

    // ---- right-hand side: nodal loads less the reduced member loads ----------------
    List(log) << "FORMACION DE B";
    for (int32_t i = 1; i <= n; ++i) {
        B(i) = m.PCONC.at_or_zero(i) - vered.at_or_zero(i);
        Rec(log).I(i, 5).F(vered.at_or_zero(i), 12, 6).F(m.PCONC.at_or_zero(i), 12, 6).F(B(i), 12, 6);
    }

    // ---- equilibrium rows ------------------------------------------------------------
    for (int32_t c = 1; c <= n; ++c)
        for (int32_t r = 1; r <= NGRED; ++r) Cr(r, c) = Cr(r, c) + akr(r, c);
    List(log) << "FORMACION DE CR TOTAL";
    if (n <= LOG_LARGE) log_rows(log, n, n, 20, 8, LOG_LARGE, cr);

    // ---- solution: free displacements, then the reactions ----------------------------
    for (int32_t i = 1; i <= n; ++i) X(i) = B(i);
    // The inverse is never read here: the solve-only path, same pivots, same bits.
    try {
        gaussj_solve(Cr.data(), n, n, X.data());
    } catch (const SingularMatrix& e) {
        List(io.console) << e.what();
        throw;
    }
    List(log) << "IMPRESION DE VECTOR SOLUCION";
    for (int32_t i = 1; i <= n; ++i) List(log) << i << X(i);

    // ---- displacement of every global dof, then the reactions ------------------------
    m.DESPL.fill(0.0f);
    for (int32_t j = 1; j <= nreac; ++j) m.DESPL(NTOT + j) = X(NGRED + j);
    for (int32_t g = 1; g <= NTOT; ++g) {
        const int32_t eq = m.NGL(g);
        m.DESPL(g) = eq != 0 ? X(eq) : 0.0f;
    }
    log.empty(1);
    Rec(log).text("GRADO DE LIBERTAD, REACCION").data(m.unid(3), 10).text(" HASTA N=").I(NR, 5)
        .text("    ,  Y GIROS (rad) LOS SIGUIENTES ");
    log.empty(1);
    for (int32_t g = 1; g <= NTOT; ++g) List(log) << g << m.DESPL(g);

    auto R = [&](int32_t j) { return m.DESPL(NTOT + j); };

    // ---- settlements: full rows of FLEX, cross terms included ------------------------
    for (int32_t i = 1; i <= nreac; ++i) {
        float h = 0.0f;
        for (int32_t j = 1; j <= nreac; ++j) h = h - m.FLEX(i, j) * R(j);
        m.HUNDIM(i) = h;
    }

    // ---- moduli of subgrade reaction ------------------------------------------------
    // K = |R L / settlement|, with L the reaction length kept at the vertical
    // translation of node i. A zero settlement gives a non-finite modulus,
    // printed as such.
    auto length = [&](int32_t i) { return m.LONGREAC.at_or_zero(dof(i, 3)); };
    auto modulus = [&](int32_t i) { return std::fabs((R(i) * length(i)) / m.HUNDIM(i)); };

    // ---- report, values block, trace ---------------------------------------------------
    Channel& rep = io.report;
    (List(rep) << "REACCIONES ESTIMADAS:").data(m.unid(3));
    for (int32_t i = 1; i <= nreac; ++i) List(rep) << i << R(i);
    rep.empty(2);
    Rec(rep).text("NUDO, HUNDIMIENTO DEL NUDO");
    Rec(rep).X(13).data(m.unid(2), 10);
    for (int32_t i = 1; i <= nreac; ++i) Rec(rep).I(i, 5).F(m.HUNDIM(i), 10, 5);
    (List(rep) << "MÓDULOS DE REACCIÓN:").data(m.unid(3));
    for (int32_t i = 1; i <= nreac; ++i) List(rep) << i << modulus(i);

    (List(log) << "MÓDULOS DE REACCIÓN:").data(m.unid(3));
    for (int32_t i = 1; i <= nreac; ++i) {
        List(log) << "REAC=" << R(i);
        List(log) << "LR=" << length(i);
        List(log) << "DESP" << m.HUNDIM(i);
        List(log) << i << modulus(i);
    }

    gid_values_block(io, m);
    List(log) << "desplazamientos nodales";
    for (int32_t nd = 1; nd <= NN; ++nd) {
        const int32_t g = 6 * (nd - 1);
        List(log) << nd << m.DESPL(g + 1) << m.DESPL(g + 2) << m.DESPL(g + 3);
    }

    (List(rep) << "Desplazamientos,").data(m.unid(2)) << ", y giros por nodo";
    List(rep) << "  nodo    dx          dy          dz          tx" << "          ty          tz";
    for (int32_t nd = 1; nd <= NN; ++nd) {
        const int32_t g = 6 * (nd - 1);
        Rec r(rep);
        r.I(nd, 6);
        for (int32_t c = 1; c <= 6; ++c) r.F(m.DESPL(g + c), 12, 6);
    }
}

} // namespace qb
