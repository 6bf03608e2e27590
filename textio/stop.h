// A run stopped from outside, by SIGINT (Ctrl-C) or SIGTERM.
//
// The signal handler only stores the signal number. Everything else (flushing
// the outputs, the message, the exit status 128 + signal) happens later, at a
// safe point of the main thread, where the output buffers are in a known
// state: every line handed to a channel passes one (Channel::write_line), and
// the driver adds its own between steps. A handler that wrote the buffers
// itself would race with the line being appended to them, and stdio and the
// allocator are off limits inside a handler. The price is latency: the
// longest stretch without a safe point is one elimination of the coupled
// system. The handlers are installed with SA_RESETHAND, so a second Ctrl-C
// while the first waits for its safe point ends the process at once.
#pragma once

#include <csignal>

namespace qb {

namespace detail {
extern volatile std::sig_atomic_t stop_signal;
extern volatile std::sig_atomic_t in_library_call;
void run_stop_action();
} // namespace detail

// What a safe point does once a signal has arrived (it should not return:
// flush, tell, exit).
using StopAction = void (*)(int signal);

// Handlers for SIGINT and SIGTERM that request a stop; `restore` puts back
// the handlers found before.
void install_stop_handlers(StopAction action);
void restore_stop_handlers();

// The signal that asked for a stop, 0 when none did.
inline int stop_requested() { return detail::stop_signal; }

// A safe point: runs the stop action when a signal is pending.
inline void stop_point() {
    if (detail::stop_signal != 0) detail::run_stop_action();
}

// For its life the main thread is inside a library routine (LAPACK, the
// loading of a library) that may run for minutes, or never return, without a
// safe point of ours. The outputs are not touched meanwhile, so a signal that
// arrives runs the stop action at once, from the handler.
class LibraryCall {
public:
    LibraryCall() {
        detail::in_library_call = 1;
        stop_point();
    }
    ~LibraryCall() { detail::in_library_call = 0; }
    LibraryCall(const LibraryCall&) = delete;
    LibraryCall& operator=(const LibraryCall&) = delete;
};

} // namespace qb
