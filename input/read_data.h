// Readers of the data file's records, each echoing its table to the report
// (and the mesh, for nodes, bars and slabs).
#pragma once

#include "input/echo.h"
#include "model/model.h"
#include "textio/listread.h"

namespace qb::inline QB_ARITH {

void read_title_units_control(Model& m, Echo& out, ListReader& in);
void read_materials_and_sections(Model& m, Echo& out, ListReader& in);
void read_nodes(Model& m, Echo& out, ListReader& in);
void read_bars(Model& m, Echo& out, ListReader& in);
void read_isolated_footings(Model& m, Echo& out, ListReader& in);
void read_nodal_loads(Model& m, Echo& out, ListReader& in);
void read_additional_springs(Model& m, Echo& out, ListReader& in);
// The soil tables of the reactions are kept by node: area reaction j must act
// on node j, so the foundation nodes carry the numbers 1..NR.
void check_foundation_numbering(const Model& m, const ListReader& in);
// Foundation, footing and area-reaction nodes must stand on a profile of the
// soil block.
void check_foundation_profiles(const Model& m, const ListReader& in);
void read_slabs(Model& m, Echo& out, ListReader& in);
void write_count_summary(const Model& m, Echo& out);
// Axes along which the force diagrams are tabulated.
void lecejesdiag(Model& m, Echo& out, ListReader& in);

} // namespace qb
