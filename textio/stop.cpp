#include "textio/stop.h"

#include <cstring>

#include <signal.h>

namespace qb {

namespace detail {
volatile std::sig_atomic_t stop_signal = 0;
volatile std::sig_atomic_t in_library_call = 0;
} // namespace detail

namespace {

StopAction action_ = nullptr;
bool installed_ = false;
bool acting_ = false;
struct sigaction old_int_, old_term_;

void on_stop_signal(int sig) {
    detail::stop_signal = sig;
    if (detail::in_library_call) detail::run_stop_action();
}

} // namespace

void detail::run_stop_action() {
    if (acting_ || action_ == nullptr) return;
    acting_ = true;
    action_(static_cast<int>(stop_signal));
    acting_ = false;
}

void install_stop_handlers(StopAction action) {
    action_ = action;
    detail::stop_signal = 0;
    if (installed_) return;
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = on_stop_signal;
    sigemptyset(&sa.sa_mask);
    // Interrupted reads and writes resume; the next signal of the same kind
    // takes the default action.
    sa.sa_flags = SA_RESTART | SA_RESETHAND;
    sigaction(SIGINT, &sa, &old_int_);
    sigaction(SIGTERM, &sa, &old_term_);
    installed_ = true;
}

void restore_stop_handlers() {
    if (installed_) {
        sigaction(SIGINT, &old_int_, nullptr);
        sigaction(SIGTERM, &old_term_, nullptr);
        installed_ = false;
    }
    action_ = nullptr;
    detail::stop_signal = 0;
}

} // namespace qb
