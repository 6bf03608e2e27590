// The legacy tables of the program. A model inside them is computed as it
// always was; a count beyond one of the tables is read all the same and sends
// the model down the large-model path (the tables are sized to the model).
// The strata of a profile, the divisions of a bar in the diagrams and the
// rows of the diagrams stay hard limits, as do the lengths of the texts.
#pragma once

#include <cstdint>

namespace qb::limits {

constexpr int32_t NODES = 2500;
constexpr int32_t DOFS = 5000;          // 6 NN <= 5000, so NN <= 833
constexpr int32_t BARS = 2500;
constexpr int32_t MATERIALS = 100;
constexpr int32_t SECTIONS = 100;
constexpr int32_t SLABS = 2500;
constexpr int32_t FOOTINGS = 100;
constexpr int32_t AREA_REACTIONS = 140; // influence tables
constexpr int32_t REACTIONS = 2500;     // NR + MR
constexpr int32_t EQUATIONS = 5000;     // NGRED + NR + MR
constexpr int32_t PROFILES = 100;
constexpr int32_t STRATA = 50;
constexpr int32_t AXES = 100;
constexpr int32_t AXIS_BARS = 100;
constexpr int32_t DIVISIONS = 1000;     // intervals of a bar in the force diagrams
// Rows of the force tables along the axes written by one pass of a case
// (bars on axes x (NDIV + 1)): about 140 MB of report. A few kilobytes of
// data could otherwise ask for gigabytes.
constexpr int64_t DIAGRAM_ROWS = 2000000;
constexpr int32_t NAME = 20;
constexpr int32_t UNIT = 4;
constexpr int32_t TITLE = 50;

} // namespace qb::limits
