// Internal-force tables along the user's axes (chains of bars).
#pragma once

#include <cstdint>

#include "model/model.h"
#include "textio/trace.h"

namespace qb::inline QB_ARITH {

// One point of a diagram: the bar, the distance along the axis and the forces
// there (local axes of the bar).
struct DiagramPoint {
    int32_t bar = 0;
    real s = 0.0_r;                 // distance from the start of the axis
    real N = 0.0_r, Vz = 0.0_r, My = 0.0_r, Vy = 0.0_r, Mz = 0.0_r;
};

// Receives the diagrams as they are computed.
class DiagramSink {
public:
    virtual ~DiagramSink() = default;
    virtual void axis(int32_t i) = 0;                 // axis i begins
    virtual void point(const DiagramPoint& p) = 0;
};

// For every axis and every bar on it, the forces at NDIV+1 equally spaced
// points in the local x-z plane (axial N, shear Vz', moment My') from the first
// node's end forces, the bar's line load q of the case (acting downwards; in
// case 1 the expansion pressure PV acts upwards, so q = -PV) and, for
// foundation bars, the soil line reactions r1 and r2 acting upwards over the
// first and the second half of the bar. Vy' is constant and Mz' linear. The
// running distance restarts at 0 on each axis.
// Needs recover_bar_forces of the same case (ELMEC, VGL) and DESPL; the axes
// NEJES, NDIV, NOMEJE, NBEJE, BEJE. NDIV < 1 is taken as 1.
void axis_diagrams(const Model& m, const CaseState& st, int32_t caso, Trace log, DiagramSink& out);

} // namespace qb
