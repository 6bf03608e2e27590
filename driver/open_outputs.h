// The open outputs of a run, beside the legacy ones in the output folder: for
// every solved case STEM_caseN.vtu and the CSV tables
// STEM_caseN_{displacements,reactions,bar_forces,diagrams}.csv, and STEM.pvd,
// the collection of the cases solved so far.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "driver/outputs.h"
#include "driver/paths.h"
#include "model/model.h"
#include "output/vtk.h"
#include "textio/errors.h"

namespace qb::inline QB_ARITH {

class OpenOutputs {
public:
    // `taken`: the files that none of these may be (open_outputs' list); such
    // a file is refused, untouched, and the run stops with status 1.
    OpenOutputs(std::string dir, std::string stem, bool vtk, bool csv, std::vector<TakenFile> taken);
    bool any() const { return vtk_ || csv_; }

    // The files of case `caso`, after its last bar-force pass (ELMEC is that of
    // the solution in DESPL); `converged` tells whether that solution is the
    // converged one or the last iterate. The collection is written anew each
    // time, so a run that stops in a later case leaves one of the cases it
    // solved.
    void write_case(const Model& m, const CaseState& st, int32_t caso, bool converged);

private:
    std::string file(const std::string& name) const { return output_path(dir_, name); }
    std::string dir_, stem_;
    bool vtk_, csv_;
    std::vector<CollectionEntry> solved_;
    std::vector<TakenFile> taken_;
};

} // namespace qb
