// Where reading writes as it goes: the echo of the data to the report and the
// mesh file, progress to the console and traces to the log. What was read
// before a bad record is therefore already written when the run stops.
#pragma once

#include "textio/lineform.h"
#include "textio/trace.h"

namespace qb {

struct Echo {
    Channel& console;
    Channel& report;
    Channel& msh;
    Trace log;
};

} // namespace qb
