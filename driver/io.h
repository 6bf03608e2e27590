// The six output channels of a run.
#pragma once

#include <array>

#include "input/echo.h"
#include "textio/lineform.h"
#include "textio/trace.h"

namespace qb {

struct Io {
    Channel console;  // progress messages
    Channel report;   // results report (unit 6)
    Channel msh;      // GiD mesh "arch.msh" (unit 7)
    Channel res;      // GiD results "arch.res" (unit 8)
    Channel log;      // "MEMORIA" (unit 101)
    Channel valinf;   // "VALINF" (unit 112)

    bool lean_log = false;   // a large model: the log keeps the digest lines only

    Trace trace() { return lean_log ? Trace::lean(log) : Trace(log); }
    Echo echo() { return Echo{console, report, msh, trace()}; }
    std::array<Channel*, 6> all() { return {&console, &report, &msh, &res, &log, &valinf}; }
    void flush_all() {
        for (Channel* c : all()) c->flush();
    }
};

} // namespace qb
