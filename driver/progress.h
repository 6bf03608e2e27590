// The progress line of a run on a terminal: the current case and step with
// the seconds the step has taken, redrawn in place on standard error every
// 0.2 s by a thread of its own, so that the numerical code needs no hooks. The
// driver marks where steps begin; until `enable` every call is a no-op, which
// is what a run whose standard error is not a terminal gets.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "output/run_record.h"

namespace qb {

class Progress {
public:
    // Draws on `fd` (a terminal) from now on.
    void enable(int fd);
    // The phase shown before every step, "datos", "caso 2"; drawn at once.
    void stage(std::string name);
    // A step begins: its text, a clock from zero.
    void step(std::string what);
    // Stops the thread and erases the line.
    void finish();

    // The steps marked since the last call, with the seconds each took (the
    // last one up to now), kept whether the line is drawn or not: the timings
    // of a run's summary.
    std::vector<StepTime> take_steps();

    // Writes bytes of another stream that shares the terminal (the console
    // lines, the messages on standard error): the progress line is erased
    // first and comes back at the next redraw, once the cursor is at the start
    // of a line again. False when the write fails.
    bool write_through(int fd, std::string_view bytes);

private:
    void loop();
    void draw();    // mutex held
    void erase();   // mutex held

    std::atomic<bool> on_{false};
    std::mutex mu_;
    std::condition_variable wake_;
    std::thread thread_;
    int fd_ = -1;
    bool stop_ = false;
    bool shown_ = false;          // the line is on the screen
    bool at_line_start_ = true;   // no other stream has left a line unfinished
    std::string stage_, step_;
    std::chrono::steady_clock::time_point started_;

    void close_step();   // the main thread's ledger, apart from the drawing
    std::string ledger_stage_, ledger_step_;
    std::chrono::steady_clock::time_point ledger_started_;
    std::vector<StepTime> ledger_;
};

// The run's progress line: one terminal, one line.
Progress& progress();

} // namespace qb
