#include "driver/progress.h"

#include <cerrno>
#include <cstdio>
#include <utility>
#include <sys/ioctl.h>
#include <unistd.h>

namespace qb {

namespace {

bool write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

std::string elapsed(double s) {
    char buf[32];
    if (s < 60.0) std::snprintf(buf, sizeof buf, "%.1f s", s);
    else std::snprintf(buf, sizeof buf, "%d min %02d s", static_cast<int>(s / 60.0), static_cast<int>(s) % 60);
    return buf;
}

} // namespace

Progress& progress() {
    // Never destroyed: the wrapped standard streams may still write through it
    // while the program exits.
    static Progress* p = new Progress;
    return *p;
}

void Progress::enable(int fd) {
    std::lock_guard<std::mutex> lock(mu_);
    if (on_) return;
    fd_ = fd;
    stop_ = false;
    on_ = true;
    thread_ = std::thread([this] { loop(); });
}

void Progress::close_step() {
    if (!ledger_step_.empty())
        ledger_.push_back({ledger_stage_, ledger_step_,
                           std::chrono::duration<double>(std::chrono::steady_clock::now() - ledger_started_).count()});
    ledger_started_ = std::chrono::steady_clock::now();
}

std::vector<StepTime> Progress::take_steps() {
    close_step();
    ledger_stage_.clear();
    ledger_step_.clear();
    return std::exchange(ledger_, {});
}

void Progress::stage(std::string name) {
    close_step();
    ledger_stage_ = name;
    ledger_step_.clear();
    if (!on_) return;
    std::lock_guard<std::mutex> lock(mu_);
    stage_ = std::move(name);
    step_.clear();
    started_ = std::chrono::steady_clock::now();
    // A new case shows at once; its steps wait for the next redraw, so that a
    // run of short steps does not flicker.
    if (at_line_start_) draw();
}

void Progress::step(std::string what) {
    close_step();
    ledger_step_ = what;
    if (!on_) return;
    std::lock_guard<std::mutex> lock(mu_);
    step_ = std::move(what);
    started_ = std::chrono::steady_clock::now();
}

void Progress::finish() {
    if (!on_) return;
    {
        std::lock_guard<std::mutex> lock(mu_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
    std::lock_guard<std::mutex> lock(mu_);
    erase();
    on_ = false;
}

bool Progress::write_through(int fd, std::string_view bytes) {
    std::lock_guard<std::mutex> lock(mu_);
    erase();
    const bool ok = write_all(fd, bytes);
    if (!bytes.empty()) at_line_start_ = bytes.back() == '\n';
    return ok;
}

void Progress::loop() {
    std::unique_lock<std::mutex> lock(mu_);
    while (!stop_) {
        wake_.wait_for(lock, std::chrono::milliseconds(200));
        if (!stop_ && at_line_start_ && !stage_.empty()) draw();
    }
}

void Progress::draw() {
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    std::string text = "querbal: " + stage_;
    if (!step_.empty()) text += ", " + step_;
    text += "  " + elapsed(s);
    // One screen line at most: a line that wraps can no longer be redrawn in
    // place with a carriage return.
    winsize ws{};
    if (::ioctl(fd_, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 1 && text.size() >= ws.ws_col)
        text.resize(ws.ws_col - 1u);
    write_all(fd_, "\r" + text + "\033[K");
    shown_ = true;
}

void Progress::erase() {
    if (!shown_) return;
    write_all(fd_, "\r\033[K");
    shown_ = false;
}

} // namespace qb
