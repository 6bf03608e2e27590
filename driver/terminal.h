// The console of a run when it is a terminal. The console lines are Latin-1,
// like every output; on a UTF-8 terminal they are converted, so that
// "Formará" does not come out as "Formar?". When standard error is a terminal
// the progress line is shown there, and both standard streams are routed
// through it so that no line of theirs is written over it. Streams that are
// files or pipes are left exactly as they are.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace qb {

// The process as a run needs it, before anything else: descriptors 0 to 2
// open (on /dev/null when closed), and SIGPIPE ignored.
void prepare_process();

// Latin-1 bytes as UTF-8.
std::string latin1_to_utf8(std::string_view latin1);

// The user's character encoding is UTF-8: the codeset of LC_CTYPE as the
// environment sets it (LC_ALL, LC_CTYPE, LANG), or the name of that locale
// when it is not installed.
bool utf8_locale();

// For the life of the object: the progress line on standard error when it is a
// terminal and `show_progress`; the console converted to UTF-8 when standard
// output is a terminal and the locale is UTF-8.
class TerminalSession {
public:
    explicit TerminalSession(bool show_progress);
    ~TerminalSession();
    TerminalSession(const TerminalSession&) = delete;
    TerminalSession& operator=(const TerminalSession&) = delete;

private:
    std::FILE* saved_out_ = nullptr;
    std::FILE* saved_err_ = nullptr;
};

} // namespace qb
