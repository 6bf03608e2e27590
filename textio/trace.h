// The working log ("MEMORIA") as the numerical routines see it: a place for
// trace lines and nothing else, so that a formula can run, be tested or be
// reused without the report around it. A default-made Trace drops every line
// (unit tests, or a run with the log switched off); `on()` lets a routine
// skip the cost of a large dump nobody will read.
#pragma once

#include "textio/lineform.h"

namespace qb {

class Trace {
public:
    Trace() = default;
    explicit Trace(Channel& log) : ch_(&log) {}
    bool on() const { return ch_ != nullptr && ch_->is_open(); }
    // Lines are built with Rec and List on the channel behind it.
    operator Channel&() const { return ch_ != nullptr ? *ch_ : closed(); }
    void empty(int n = 1) const { static_cast<Channel&>(*this).empty(n); }

private:
    static Channel& closed() {
        thread_local Channel none;
        return none;
    }
    Channel* ch_ = nullptr;
};

} // namespace qb
