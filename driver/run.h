// The run: console dialogue, files, reading, one-time preparation and the
// analysis cases, in the program's fixed order.
#pragma once

#include <functional>
#include <istream>
#include <string>

#include "driver/io.h"
#include "driver/settings.h"
#include "model/frame_stiffness.h"
#include "model/model.h"
#include "output/summary.h"
#include "textio/listread.h"

namespace qb::inline QB_ARITH {

class OpenOutputs;

// The reading of the data, up to the soil and the slabs: every table with its
// echo, the numbering, the bar geometry and the checks of the foundation.
void read_model(Model& m, Io& io, ListReader& in);

// Reading and the one-time preparation: every record of the data file with
// its echo, numbering, soil, reaction areas, influence values, axes, the
// frame system (stiffness and loads), field moduli, and the heading of the
// GiD results.
// A model whose dense tables exceed the memory available (or `memory_budget`
// bytes, when given) stops with MemoryShortage before they are taken.
void prepare(Model& m, FrameSystem& frame, Io& io, ListReader& in, int64_t memory_budget = 0);

// The analysis cases switched on, in the order 1, 2, 3, 4; `files`, when
// given, writes the open outputs of every solved case; `cases`, when given,
// receives the record of every case as it runs, and `case_done`, when
// given, each record as its case ends.
void run_cases(const Model& m, const FrameSystem& frame, Io& io, OpenOutputs* files = nullptr,
               std::vector<CaseRecord>* cases = nullptr, const SolverOptions& solver = {},
               const std::function<void(const CaseRecord&)>& case_done = {});

// Runs the whole program; returns the exit status and, in `record`, what the
// run did. Exit status 0: every case switched on solved, converged and sound;
// 1 bad data, outputs that would overwrite each other or the data, or a job
// already running; 2 a case without a solution (singular, not finite, or
// off its equations or its loads by more than 1 %); 3 not enough memory; 4 an
// output that cannot be created or written, or a case file of an earlier run
// that cannot be removed; 5 the run finished, but a case did not converge;
// 128 + signal when stopped by SIGINT or SIGTERM.
int run_querbal(const RunSettings& settings, std::istream& console_in, RunRecord* record = nullptr);
// The prompt mode with the legacy defaults.
inline int run_querbal(std::istream& console_in) { return run_querbal(RunSettings{}, console_in); }

} // namespace qb
