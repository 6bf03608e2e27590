// Data file of a building on a grid of strip footings: nx x ny bays of 5 m,
// `storeys` storeys of 3 m with beams at every floor, two or three soil
// strata (`strata`) with the properties of all four cases, all four cases
// switched on, analysis type `kanal` (0 linear, 2 nonlinear). The foundation
// grid has (nx+1)(ny+1) nodes, each an area reaction.
//
// The limit model of the dense tables is grid_model(13, 9, 5, 0, 2, 10): 810
// nodes on 140 area reactions (6 NN + NR = 5000), a coupled order of 4580.
#pragma once

#include <sstream>
#include <string>

// `top_nx` >= 0 sets the top storey back to its first top_nx bays along X.
inline std::string grid_model(int nx, int ny, int storeys = 1, int kanal = 0, int strata = 2, int top_nx = -1) {
    const int per = (nx + 1) * (ny + 1);   // nodes per full level
    const int levels = storeys + 1;
    // bays along X of a level
    auto bays = [&](int level) { return level == storeys && top_nx >= 0 && top_nx < nx ? top_nx : nx; };
    auto count = [&](int level) { return (bays(level) + 1) * (ny + 1); };
    std::ostringstream d;
    d << "'Reticula de " << nx << " x " << ny << " crujias'\nUNIDADES\n't' 'm' 't/m' 't/m2' 't/m3'\n"
      << "KANAL CASO NFLAG1\n" << kanal << " 1 1 1 1 3\n1\nMATERIAL\n'CONCRETO' 2.4 2213594. 0.2\n3\nSECCIONES\n"
      << "'ZAPATA' 'CONCRETO' 1.2 0.6\n'COLUMNA' 'CONCRETO' 0.4 0.4\n'VIGA' 'CONCRETO' 0.3 0.6\n";
    int nodes = 0;
    for (int level = 0; level < levels; ++level) nodes += count(level);
    d << nodes << "\nNODOS\n";
    int label = 0;
    for (int level = 0; level < levels; ++level)
        for (int iy = 0; iy <= ny; ++iy)
            for (int ix = 0; ix <= bays(level); ++ix) {
                ++label;
                d << label << ' ' << 5.0 * ix << ' ' << 5.0 * iy << ' ' << 3.0 * level << ' '
                  << (level == 0 ? "1 1 0 0 0 1 1 1.0\n" : "0 0 0 0 0 0 0 0.0\n");
            }
    int bars = 0;
    for (int level = 0; level < levels; ++level) bars += bays(level) * (ny + 1) + ny * (bays(level) + 1);
    for (int level = 0; level < storeys; ++level) bars += count(level + 1);
    d << bars << "\nBARRAS\n";
    int bar = 0;
    auto node = [&](int level, int ix, int iy) { return level * per + iy * (bays(level) + 1) + ix + 1; };
    for (int level = 0; level < levels; ++level) {
        const char* sec = level == 0 ? "'ZAPATA'" : "'VIGA'";
        const char* load = level == 0 ? "0 0 0 0 0" : "2.0 1.5 1.8 3.0 0";
        for (int iy = 0; iy <= ny; ++iy)
            for (int ix = 0; ix < bays(level); ++ix)
                d << ++bar << ' ' << sec << ' ' << node(level, ix, iy) << ' ' << node(level, ix + 1, iy) << " 0 0 0 "
                  << load << '\n';
        for (int ix = 0; ix <= bays(level); ++ix)
            for (int iy = 0; iy < ny; ++iy)
                d << ++bar << ' ' << sec << ' ' << node(level, ix, iy) << ' ' << node(level, ix, iy + 1) << " 0 0 0 "
                  << load << '\n';
    }
    for (int level = 0; level < storeys; ++level)
        for (int iy = 0; iy <= ny; ++iy)
            for (int ix = 0; ix <= bays(level + 1); ++ix)
                d << ++bar << " 'COLUMNA' " << node(level, ix, iy) << ' ' << node(level + 1, ix, iy)
                  << " 0 0 0 0 0 0 0 0\n";
    d << "0\nZAPATAS\n1\nCARGAS\n" << node(1, nx / 2, ny / 2) << " 0 0 -10 0 0 0\n0\nRESORTES\n";
    d << "1 10.0\n" << (strata >= 3 ? 3 : 2)
      << "\nESTRATO 1\n1 2 3.0 1.6\n2000. 0.30 5.0\n1500. 0.35 5.0 0.6 150. 0.5 2.0\n800. 1.5 1.0\n"
      << "1200. 1.2 0.5 1.0\nESTRATO 2\n2 1 10.0 1.8\n6000. 0.25 8.0\n5000. 0.30 8.0 0.5 400. 0.6 5.0\n"
      << "3000. 3.0 1.0\n4000. 2.5 0.5 1.0\n";
    if (strata >= 3)
        d << "ESTRATO 3\n3 2 8.0 1.7\n4000. 0.30 6.0\n3500. 0.35 6.0 0.6 300. 0.5 3.0\n2000. 2.0 1.0\n"
          << "2500. 1.8 0.5 1.0\n";
    d << "0\nLOSAS\nEJES\nNEJES NDIV\n1 4\nEJE A\n" << nx;
    for (int ix = 1; ix <= nx; ++ix) d << ' ' << ix;
    d << '\n';
    return d.str();
}
