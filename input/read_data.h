// Readers of the data file's records, each echoing its table to the report
// (and the mesh, for nodes, bars and slabs).
#pragma once

#include "input/echo.h"
#include "model/model.h"
#include "textio/listread.h"

namespace qb::inline QB_ARITH {

// The records of the data as read (model/data.h) ...
void read_title_units_control(ModelData& m, Echo& out, ListReader& in);
void read_materials_and_sections(ModelData& m, Echo& out, ListReader& in);
void read_nodes(ModelData& m, Echo& out, ListReader& in);
void read_bars(ModelData& m, Echo& out, ListReader& in);
void read_isolated_footings(ModelData& m, Echo& out, ListReader& in);
// ... and those whose tables the numbering already shapes (by equation).
void read_nodal_loads(Model& m, Echo& out, ListReader& in);
void read_additional_springs(Model& m, Echo& out, ListReader& in);
// The soil tables of the reactions are kept by node: area reaction j must act
// on node j, so the foundation nodes carry the numbers 1..NR.
void check_foundation_numbering(const Model& m, const ListReader& in);
// Foundation, footing and area-reaction nodes must stand on a profile of the
// soil block.
void check_foundation_profiles(const Model& m, const ListReader& in);
void read_slabs(Model& m, Echo& out, ListReader& in);
void write_count_summary(const ModelData& m, Echo& out);
// Axes along which the force diagrams are tabulated.
void lecejesdiag(ModelData& m, Echo& out, ListReader& in);

} // namespace qb
