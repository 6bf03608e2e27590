// The record of a whole run, whatever its arithmetic: the figures an
// engineer judges a foundation by, for every solved case, and what the
// summary outputs (the JSON file, the CSV table of the cases, the console)
// are written from. Every figure is in the units of the data file.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "solver/solution_quality.h"
#include "textio/lineform.h"

namespace qb {

// A value at a node, with the node's coordinates (node 0: none was found).
struct NodeFigure {
    double value = 0.0;
    int32_t node = 0;
    double x = 0.0, y = 0.0, z = 0.0;
};

// A value between two foundation nodes joined by a foundation bar or a slab
// edge, `length` apart.
struct PairFigure {
    double value = 0.0;
    int32_t node1 = 0, node2 = 0;
    double length = 0.0;
};

// An end force of a bar (bar 0: no bar).
struct BarFigure {
    double value = 0.0;
    int32_t bar = 0;
    int32_t end = 0;   // 1 first node, 2 second node
};

struct CaseFigures {
    // Settlements under the foundation nodes, as the report gives them
    // (negative downwards): the largest downward one and the smallest.
    NodeFigure settlement_largest, settlement_smallest;
    // The largest difference of settlement between joined foundation nodes,
    // and the largest angular distortion (difference over distance).
    PairFigure differential, distortion;
    // Contact pressure: reaction over its tributary area (area reactions:
    // line reaction times length over area; isolated footings: vertical
    // reaction over the footing's plan), positive in compression.
    NodeFigure pressure_largest, pressure_smallest;
    // The largest nodal translation (its length) and its components.
    NodeFigure displacement;
    double dx = 0.0, dy = 0.0, dz = 0.0;
    // The largest end forces in absolute value (local axes, as the report).
    BarFigure axial, shear_y, shear_z, torsion, moment_y, moment_z;
    SolutionQuality quality;   // residual and vertical balance
};

// A step of a run and the seconds it took.
struct StepTime {
    std::string stage, step;    // "caso 2", "sistema acoplado, n = 2410"
    double seconds = 0.0;
};

// One analysis case of a run.
struct CaseRecord {
    int32_t caso = 0;
    std::string name;         // "expansion", "immediate compression", ...
    std::string solution;     // "linear", "iterative (Janbu)", "nonlinear (Newton)"
    bool solved = false;      // a solution was computed and written
    bool converged = false;
    int32_t iterations = 0;   // Newton iterations or Janbu passes; 1 for a linear solution
    double seconds = 0.0;
    double condition = 0.0;   // estimated condition number (double precision), 0 when none
    std::string failure;      // why the case is not a solution, "" when it is
    bool has_figures = false;
    CaseFigures figures;
};

// A whole run: what it read, what it did, how it ended.
struct RunRecord {
    std::string program_version;
    std::string arithmetic;         // "single" or "double"
    std::string solver;             // "dense" (the legacy tables) or "sparse" (the large-model path)
    std::string data;               // the data file as named
    std::string sha256;             // of its bytes
    std::string date;               // start of the run, ISO 8601 UTC
    Text title;
    std::array<Text, 6> units;      // [1..5]: force, length, spring, stress, unit weight
    int32_t nodes = 0, bars = 0, slabs = 0, footings = 0, area_reactions = 0, nodal_reactions = 0, equations = 0;
    int32_t kanal = 0;
    bool model_read = false;        // the counts and texts above are known
    std::vector<std::string> warnings;
    struct Output {
        std::string role;   // "results file", "VTK grid", ...
        int32_t caso = 0;   // the case of a case file, 0 for the files of the run
        std::string path;
    };
    std::vector<Output> outputs;
    std::vector<CaseRecord> cases;
    int status = 0;
    std::string message;            // the error that ended the run, "" when none
    double seconds = 0.0;
    std::vector<StepTime> timings;  // the steps of the run in order
};

// The summary of a run as JSON (UTF-8; texts of the data file converted from
// Latin-1 when they are not UTF-8 already). The layout is documented in the
// README; "version" changes when it does.
std::string summary_json(const RunRecord& r);
constexpr int SUMMARY_VERSION = 1;

// The cases of a run as a CSV table: one row per switched-on case.
void write_cases_csv(Channel& out, const RunRecord& r);

// One line for a case: what it is, how it was solved, converged or not, its
// time and condition number, or why it was not solved.
std::string case_line(const CaseRecord& c);

// The console summary of a command-line run: a few lines per case.
std::string summary_text(const RunRecord& r);

// One line for a run: the data file, its outcome and its status.
std::string run_line(const RunRecord& r);

} // namespace qb
