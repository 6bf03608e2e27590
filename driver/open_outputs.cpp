#include "driver/open_outputs.h"

#include "driver/output_plan.h"
#include "frame/diagrams.h"
#include "output/csv.h"

namespace qb::inline QB_ARITH {

OpenOutputs::OpenOutputs(std::string dir, std::string stem, bool vtk, bool csv, std::vector<TakenFile> taken)
    : dir_(std::move(dir)), stem_(std::move(stem)), vtk_(vtk), csv_(csv), taken_(std::move(taken)) {}

void OpenOutputs::write_case(const Model& m, const CaseState& st, int32_t caso, bool converged) {
    if (vtk_) {
        Channel grid;
        open_output(grid, file(case_grid_name(stem_, caso)), "VTK grid", taken_);
        write_case_vtu(grid, m, st, caso, converged);
        solved_.push_back({caso, case_grid_name(stem_, caso)});
        Channel collection;
        open_output(collection, file(collection_name(stem_)), "VTK collection", taken_);
        write_case_collection(collection, solved_);
    }
    if (csv_) {
        Channel t;
        open_output(t, file(case_table_name(stem_, caso, "displacements")), "CSV table", taken_);
        write_displacements_csv(t, m, st, caso);
        open_output(t, file(case_table_name(stem_, caso, "reactions")), "CSV table", taken_);
        write_reactions_csv(t, m, st, caso);
        open_output(t, file(case_table_name(stem_, caso, "bar_forces")), "CSV table", taken_);
        write_bar_forces_csv(t, m, st, caso);
        open_output(t, file(case_table_name(stem_, caso, "diagrams")), "CSV table", taken_);
        // The diagrams once more, from the same solution and bar forces as the
        // report's, without their log lines.
        DiagramCsv diagrams(m, t, caso);
        axis_diagrams(m, st, caso, Trace(), diagrams);
    }
}

} // namespace qb
