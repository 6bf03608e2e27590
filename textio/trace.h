// The working log ("MEMORIA") as the numerical routines see it: a place for
// trace lines and nothing else, so that a formula can run, be tested or be
// reused without the report around it. A default-made Trace drops every line
// (unit tests, or a run with the log switched off); `on()` lets a routine
// skip the cost of a large dump nobody will read.
//
// A large model keeps a lean log: its trace lines are dropped; the lines
// written to `digest()` (one per solution or iteration) reach a lean log
// alone, those written to `headings()` every log.
#pragma once

#include "textio/lineform.h"

namespace qb {

class Trace {
public:
    Trace() = default;
    explicit Trace(Channel& log) : ch_(&log) {}
    // Only the digest lines reach `log`.
    static Trace lean(Channel& log) {
        Trace t;
        t.digest_ = &log;
        return t;
    }
    bool on() const { return ch_ != nullptr && ch_->is_open(); }
    // Lines are built with Rec and List on the channel behind it.
    operator Channel&() const { return ch_ != nullptr ? *ch_ : closed(); }
    void empty(int n = 1) const { static_cast<Channel&>(*this).empty(n); }
    Channel& digest() const { return digest_ != nullptr ? *digest_ : closed(); }
    Channel& headings() const { return ch_ != nullptr ? *ch_ : digest(); }

private:
    static Channel& closed() {
        thread_local Channel none;
        return none;
    }
    Channel* ch_ = nullptr;
    Channel* digest_ = nullptr;
};

} // namespace qb
