// The model: every table that reading and the one-time preparation fill, owned
// by one object and handed by reference to each step. Once the preparation is
// over it is read-only: what an analysis case computes lives in CaseState.
// Tables are sized to the model read (the counts come from the data file),
// with the fixed limits still honoured.
//
// Conventions: reals are real, counts and codes int32_t, indices 1-based;
// global degree of freedom of node n, component k (DX DY DZ MX MY MZ) is
// dof(n, k) = 6(n-1)+k; Z is vertical.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/dof.h"
#include "model/frame_stiffness.h"
#include "model/names.h"
#include "model/limits.h"
#include "model/real.h"
#include "model/tables.h"
#include "textio/lineform.h"
#include "textio/warnings.h"

namespace qb::inline QB_ARITH {

// Soil tables, (profile, stratum), stratum 1 uppermost.
struct Soil {
    int32_t NPS = 0;
    real PA = 0.0_r;              // reference (atmospheric) pressure
    Vec1<int32_t> NEST;           // strata per profile
    Vec1<int32_t> NAPOYO;         // bearing stratum per profile
    Mat1<int32_t> TIPOEST;        // 1 sand, 2 clay
    Mat1<real> H, GAMA, Z, PZ, PV, PROF;
    Mat1<real> E1, NU1, E2, NU2, SLAB, KO, K, N, A;
    Mat1<real> EMV, AP, EMT, ACS, PSI, T;
    Mat1<real> PH, EMPUJE;
    void resize(int32_t nps) {
        NPS = nps;
        const int32_t p = nps > 0 ? nps : 1, s = limits::STRATA;
        NEST.resize(p);
        NAPOYO.resize(p, 1);
        TIPOEST.resize(p, s);
        for (Mat1<real>* m : {&H, &GAMA, &Z, &PZ, &PV, &PROF, &E1, &NU1, &E2, &NU2, &SLAB, &KO, &K, &N,
                               &A, &EMV, &AP, &EMT, &ACS, &PSI, &T, &PH, &EMPUJE})
            m->resize(p, s);
    }
};

struct Model {
    // ---- run texts and control ------------------------------------------------
    std::string data_name;                 // as given, for the messages
    Warnings warnings;                     // odd but legitimate data, found while reading
    Text TITULO;                           // 50 bytes, blank padded
    std::array<Text, 6> UNID;              // UNID[1..5], 4 bytes each
    int32_t KANAL = 0, nflag1 = 0;
    std::array<int32_t, 5> CASO{};         // CASO[1..4]

    // ---- counts ---------------------------------------------------------------
    int32_t NN = 0, NB = 0, NLOS = 0, NZAP = 0, NMAT = 0, NSEC = 0, NPC = 0, nnk = 0;
    int32_t NEJES = 0, NDIV = 0;
    int32_t NTOT = 0, NGRED = 0, NR = 0, MR = 0, NRCENT = 1, NFIXED = 0;

    // ---- materials and sections ------------------------------------------------
    Vec1<Text> MATNOM;              // 20 bytes each
    Vec1<int32_t> material_line, section_line;   // lines of the data file holding them
    Vec1<real> PESOV, EMAT, NUMAT;
    Vec1<Text> SECNOM, SECMAT;
    Vec1<real> BASE, ALTURA, AREA, Iy, Iz, IRot;

    // ---- nodes -----------------------------------------------------------------
    Vec1<int32_t> node_label;              // number written on the node line
    Vec1<int32_t> node_line;               // line of the data file holding the node
    Mat1<real> COOR;                      // (NN, 3)
    Mat1<int32_t> NRES;                    // (NN, 6) restraint codes
    Vec1<int32_t> PERFIL;                  // soil profile, 0 none
    Vec1<real> DF;                        // foundation depth
    Vec1<int32_t> PERFN;                   // profile in use at foundation ends / footings
    Vec1<int32_t> connected;               // 1 when the node ends some bar

    // ---- bars ------------------------------------------------------------------
    Vec1<int32_t> bar_label;
    Vec1<int32_t> PI, PJ;                  // first and second node
    Vec1<Text> SECBAR;
    Vec1<int32_t> NCND, FDC;
    Vec1<real> GIRO;
    Mat1<real> CUNIF;                     // (NB, 6) CVMax CVMed CVInst CMuerta PPropio PV
    Vec1<int32_t> SU;                      // 1 foundation bar
    Arr4<real> COSDIR;                    // (NB, 3, 3)
    Mat1<int32_t> VGL;                     // (NB, 12) global dofs of the bar ends
    Vec1<real> LBARRA, UX, UY;
    Vec1<int32_t> NDIR;                    // 1 or 2 for foundation bars

    // ---- isolated footings -----------------------------------------------------
    Vec1<int32_t> footing_label;
    Vec1<int32_t> footing_line;            // line of the data file holding the footing
    Vec1<real> ANCHOZ, LARGOZ, ESPZ;
    Vec1<int32_t> NODOZ;

    // ---- loads and springs per global dof / equation ----------------------------
    Vec1<real> PNOD, KNOD;                // by global dof
    Vec1<real> PCONC, RIGAD;              // by equation number
    Vec1<int32_t> NGL, NRESTR;             // by global dof

    // ---- soil ------------------------------------------------------------------
    Soil soil;
    real PVC = 0.0_r;                      // vertical pressure at the foundation centre (<0)

    // ---- slabs -----------------------------------------------------------------
    Vec1<int32_t> slab_label;
    Vec1<int32_t> slab_line;               // line of the data file holding the slab
    Mat1<int32_t> NLOSA;                   // (NLOS, 4) NI NJ NK NL
    Vec1<real> HLOSA;
    Vec1<Text> MATLOSA;
    Mat1<real> CLOSA;                     // (NLOS, 6)
    Mat1<int32_t> LBLOSA;                  // (NLOS, 4) edge bars
    Vec1<real> ALOSA;
    Vec1<real> ABARRA;                    // (NB) tributary slab area

    // ---- axes for force diagrams -------------------------------------------------
    Vec1<Text> NOMEJE;
    Vec1<int32_t> NBEJE;
    Mat1<int32_t> BEJE;                    // (NEJES, 100)

    // ---- reactions -----------------------------------------------------------------
    Vec1<int32_t> NREAC;                   // (NR) dof of each area reaction
    Vec1<int32_t> NREACNOD;                // (MR) dof of each nodal reaction
    Vec1<real> LONGREAC, AREAREAC;        // by global dof
    Vec1<real> XR, YR;                    // (NN) reaction points
    Mat1<real> XI, YI, XF, YF;            // (NN, 2) reaction rectangles by direction
    int32_t NDIRMAX = 0;
    real AREATOT = 0.0_r;
    real total_load = 0.0_r, qmax = 0.0_r;

    // ---- influence values (j, stratum, l, direction) -------------------------------
    Arr4<real> IX, IY, IZ, AINF;
    Mat1<real> SUM_AINF;                  // (NR, most strata of a profile)

    // ---- field moduli --------------------------------------------------------------
    Mat1<real> EELAS, ECOMP;              // by reaction/node, stratum
    Mat1<real> EELASP, ECOMPP;            // by profile, stratum

    // ---- frame system ------------------------------------------------------------------
    FrameStiffness akr;                   // (NGRED, NGRED+NR+MR), model/frame_stiffness.h
    std::array<Vec1<real>, 5> vered;      // [1..4]: the reduced load vector of each case (NGRED)

    // Index of the section / material of that name, the last one when names
    // repeat, 0 when none has it.
    int32_t find_section(const Text& name) const {
        int32_t found = 0;
        for (int32_t k = 1; k <= NSEC; ++k)
            if (same_name(SECNOM(k), name)) found = k;
        return found;
    }
    int32_t find_material(const Text& name) const {
        int32_t found = 0;
        for (int32_t k = 1; k <= NMAT; ++k)
            if (same_name(MATNOM(k), name)) found = k;
        return found;
    }

    // 1-based helpers for the unit labels and switches
    const Text& unid(int i) const { return UNID[static_cast<size_t>(i)]; }
    bool case_on(int c) const { return CASO[static_cast<size_t>(c)] == 1; }
    int32_t reactions() const { return NR + MR; }
};

// Position (1-based) of global dof g among the area reactions NREAC, the last
// one when it occurs more than once, 0 when it is not an area reaction.
inline int32_t area_reaction_position(const Model& m, int32_t g) {
    int32_t p = 0;
    for (int32_t i = 1; i <= m.NR; ++i)
        if (m.NREAC(i) == g) p = i;
    return p;
}

// What an analysis case computes. Every case starts from a cleared solution;
// the compliances AMZ are the one thing kept from case to case (a flexibility
// built with no modulus source reuses the last ones).
struct CaseState {
    Mat1<real> FLEX;                      // (NR+MR, NR+MR) soil flexibility of the case
    Mat1<real> AMZ;                       // (profiles, 50) compliances of the last FLSC
    Vec1<real> DESPL;                     // (NTOT+NR+MR) displacements by dof, then reactions
    Vec1<real> HUNDIM;                    // (NR+MR) settlement under each reaction
    Mat1<real> ELMEC;                     // (NB, 12) bar end forces, local axes

    // A zero solution sized to the model.
    void clear(const Model& m);
    // Reaction j (area reactions first, then nodal ones).
    real reaction(const Model& m, int32_t j) const;
};

inline void CaseState::clear(const Model& m) {
    DESPL.resize(m.NTOT + m.NR + m.MR);
    HUNDIM.resize(m.NR + m.MR);
    if (FLEX.rows() != m.NR + m.MR) FLEX.resize(m.NR + m.MR, m.NR + m.MR);
}

inline real CaseState::reaction(const Model& m, int32_t j) const { return DESPL.at_or_zero(m.NTOT + j); }

} // namespace qb
