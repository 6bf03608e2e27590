#include "driver/terminal.h"

#include <cctype>
#include <cerrno>
#include <csignal>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <langinfo.h>
#include <fcntl.h>
#include <unistd.h>

#include "driver/progress.h"

namespace qb {

namespace {

struct Route {
    int fd;
    bool utf8;
};

ssize_t route_write(void* cookie, const char* buf, size_t size) {
    const Route& r = *static_cast<Route*>(cookie);
    const std::string_view bytes(buf, size);
    const bool ok = r.utf8 ? progress().write_through(r.fd, latin1_to_utf8(bytes)) : progress().write_through(r.fd, bytes);
    return ok ? static_cast<ssize_t>(size) : -1;
}

int route_close(void* cookie) {
    delete static_cast<Route*>(cookie);
    return 0;
}

// A stream that writes to `fd` through the progress line. Line buffered: a
// message reaches the terminal whole, in one write.
std::FILE* routed_stream(int fd, bool utf8) {
    cookie_io_functions_t io{};
    io.write = route_write;
    io.close = route_close;
    std::FILE* f = fopencookie(new Route{fd, utf8}, "w", io);
    if (f) std::setvbuf(f, nullptr, _IOLBF, BUFSIZ);
    return f;
}

bool utf8_name(const char* s) {
    std::string n;
    for (const char* p = s; *p; ++p) n += static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    return n.find("utf-8") != std::string::npos || n.find("utf8") != std::string::npos;
}

} // namespace

std::string latin1_to_utf8(std::string_view latin1) {
    std::string r;
    r.reserve(latin1.size() + latin1.size() / 8);
    for (char ch : latin1) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            r += ch;
        } else {
            r += static_cast<char>(0xC0 | (c >> 6));
            r += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return r;
}

bool utf8_locale() {
    // Only looked at: the run itself formats and reads in the "C" locale.
    const char* current = std::setlocale(LC_CTYPE, nullptr);
    const std::string saved = current ? current : "C";
    if (std::setlocale(LC_CTYPE, "")) {
        const char* codeset = nl_langinfo(CODESET);
        const bool utf8 = codeset && utf8_name(codeset);
        std::setlocale(LC_CTYPE, saved.c_str());
        return utf8;
    }
    for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* v = std::getenv(var);
        if (v && *v) return utf8_name(v);
    }
    return false;
}

TerminalSession::TerminalSession(bool show_progress) {
    const bool progress_line = show_progress && ::isatty(STDERR_FILENO);
    const bool utf8_console = ::isatty(STDOUT_FILENO) && utf8_locale();
    // The GNU C library lets a program replace its standard streams; the
    // console channel and every message then go through the routed ones.
    if (progress_line || utf8_console) {
        if (std::FILE* f = ::isatty(STDOUT_FILENO) ? routed_stream(STDOUT_FILENO, utf8_console) : nullptr) {
            std::fflush(stdout);
            saved_out_ = stdout;
            stdout = f;
        }
    }
    if (progress_line) {
        if (std::FILE* f = routed_stream(STDERR_FILENO, false)) {
            std::fflush(stderr);
            saved_err_ = stderr;
            stderr = f;
        }
        progress().enable(STDERR_FILENO);
    }
}

TerminalSession::~TerminalSession() {
    progress().finish();
    if (saved_out_) {
        std::FILE* f = stdout;
        stdout = saved_out_;
        std::fclose(f);
    }
    if (saved_err_) {
        std::FILE* f = stderr;
        stderr = saved_err_;
        std::fclose(f);
    }
}

void prepare_process() {
    // A closed descriptor 0, 1 or 2 would be taken by the first file opened,
    // and the messages meant for standard error would land in the report.
    for (int fd = 0; fd <= 2; ++fd)
        if (::fcntl(fd, F_GETFD) < 0 && errno == EBADF) {
            const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
            if (opened >= 0 && opened != fd) {
                ::dup2(opened, fd);
                ::close(opened);
            }
        }
    // A console that goes away (`querbal d.dat | head -1`) must not take the
    // files with it: its writes fail instead, and the run goes on.
    std::signal(SIGPIPE, SIG_IGN);
}

} // namespace qb
