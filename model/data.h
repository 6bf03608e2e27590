// The model as the data file gives it: the texts, the control values, the
// tables of materials, sections, nodes, bars, footings, loads, the soil
// profiles, slabs and axes, with what the reading itself derives from them
// (section properties, the profiles' pressures, the foundation bars). Filled
// by the reading, read-only afterwards.
//
// Conventions: reals are real, counts and codes int32_t, indices 1-based;
// global degree of freedom of node n, component k (DX DY DZ MX MY MZ) is
// dof(n, k) = 6(n-1)+k; Z is vertical.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model/limits.h"
#include "model/names.h"
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

// The bars of each axis, as many as each lists.
class AxisBars {
public:
    void resize(int32_t axes) { bars_.assign(static_cast<size_t>(std::max(axes, 0)), {}); }
    void set_count(int32_t i, int32_t n) { bars_[static_cast<size_t>(i - 1)].assign(static_cast<size_t>(n), 0); }
    int32_t& operator()(int32_t i, int32_t k) { return bars_[static_cast<size_t>(i - 1)][static_cast<size_t>(k - 1)]; }
    int32_t operator()(int32_t i, int32_t k) const {
        return bars_[static_cast<size_t>(i - 1)][static_cast<size_t>(k - 1)];
    }

private:
    std::vector<std::vector<int32_t>> bars_;
};

struct ModelData {
    // ---- run texts and control ------------------------------------------------
    std::string data_name;                 // as given, for the messages
    Warnings warnings;                     // odd but legitimate data, found while reading and preparing
    std::vector<std::string> beyond_tables;   // the legacy tables the model passes, as "2000 nodes (...)"
    Text TITULO;                           // 50 bytes, blank padded
    std::array<Text, 6> UNID;              // UNID[1..5], 4 bytes each
    int32_t KANAL = 0, nflag1 = 0;
    std::array<int32_t, 5> CASO{};         // CASO[1..4]

    // ---- counts of the tables ------------------------------------------------
    int32_t NN = 0, NB = 0, NLOS = 0, NZAP = 0, NMAT = 0, NSEC = 0, NPC = 0, nnk = 0;
    int32_t NEJES = 0, NDIV = 0;

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

    // ---- isolated footings -----------------------------------------------------
    Vec1<int32_t> footing_label;
    Vec1<int32_t> footing_line;            // line of the data file holding the footing
    Vec1<real> ANCHOZ, LARGOZ, ESPZ;
    Vec1<int32_t> NODOZ;

    // ---- loads and springs per global dof ----------------------------------------
    Vec1<real> PNOD, KNOD;

    // ---- soil ------------------------------------------------------------------
    Soil soil;

    // ---- slabs -----------------------------------------------------------------
    Vec1<int32_t> slab_label;
    Vec1<int32_t> slab_line;               // line of the data file holding the slab
    Mat1<int32_t> NLOSA;                   // (NLOS, 4) NI NJ NK NL
    Vec1<real> HLOSA;
    Vec1<Text> MATLOSA;
    Mat1<real> CLOSA;                     // (NLOS, 6)

    // ---- axes for force diagrams -------------------------------------------------
    Vec1<Text> NOMEJE;
    Vec1<int32_t> NBEJE;
    AxisBars BEJE;                         // BEJE(i, k), k = 1..NBEJE(i)

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
};

} // namespace qb
