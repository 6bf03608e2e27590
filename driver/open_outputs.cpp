#include "driver/open_outputs.h"

#include <filesystem>
#include <system_error>

#include "frame/diagrams.h"
#include "output/csv.h"

namespace qb {

namespace fs = std::filesystem;

namespace {

void open_or_throw(Channel& ch, const std::string& path) {
    if (!ch.open(path)) throw OutputError("cannot create the output file '" + path + "'");
}

} // namespace

std::string output_path(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    return (fs::path(dir) / name).string();
}

void make_output_folder(const std::string& dir) {
    if (dir.empty()) return;
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec || !fs::is_directory(dir))
        throw OutputError("cannot create the output folder '" + dir + "'" + (ec ? ": " + ec.message() : std::string()));
}

std::string data_stem(const std::string& data) { return fs::path(data).stem().string(); }

OpenOutputs::OpenOutputs(std::string dir, std::string stem, bool vtk, bool csv)
    : dir_(std::move(dir)), stem_(std::move(stem)), vtk_(vtk), csv_(csv) {}

void OpenOutputs::write_case(const Model& m, const CaseState& st, int32_t caso) {
    const std::string base = stem_ + "_case" + std::to_string(caso);
    if (vtk_) {
        Channel grid;
        open_or_throw(grid, file(base + ".vtu"));
        write_case_vtu(grid, m, st, caso);
        solved_.push_back({caso, base + ".vtu"});
        Channel collection;
        open_or_throw(collection, file(stem_ + ".pvd"));
        write_case_collection(collection, solved_);
    }
    if (csv_) {
        Channel t;
        open_or_throw(t, file(base + "_displacements.csv"));
        write_displacements_csv(t, m, st);
        open_or_throw(t, file(base + "_reactions.csv"));
        write_reactions_csv(t, m, st, caso);
        open_or_throw(t, file(base + "_bar_forces.csv"));
        write_bar_forces_csv(t, m, st);
        open_or_throw(t, file(base + "_diagrams.csv"));
        // The diagrams once more, from the same solution and bar forces as the
        // report's, without their log lines.
        DiagramCsv diagrams(m, t);
        axis_diagrams(m, st, caso, Trace(), diagrams);
    }
}

} // namespace qb
