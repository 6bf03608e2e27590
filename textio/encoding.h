// The encoding of the data file. Every output is Latin-1 and the texts of the
// data file reach them as the bytes they are, so a data file saved as UTF-8
// is converted to Latin-1 before it is read. A file is taken as UTF-8 when its
// bytes are well-formed UTF-8 holding at least one character beyond ASCII;
// any other file (Latin-1, plain ASCII) is read as it stands. A UTF-8
// byte-order mark at the start is dropped in either case. Line breaks keep
// their order, so a line number names the same line of the file as saved.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace qb {

struct DataText {
    std::string bytes;          // what the reader takes: Latin-1 (or ASCII)
    // A line that held characters beyond Latin-1, each of them now '?': its
    // number and its characters, each once, in their order on the line (the
    // first `shown` of them, and one more when there are more).
    struct Unwritable {
        static constexpr size_t shown = 8;
        int line = 0;
        std::vector<char32_t> chars;
    };
    std::vector<Unwritable> unwritable;
};

DataText latin1_data(std::string content);

// A character for a message: "'—' U+2014", or the code alone for one that
// shows nothing or would disturb the line (a zero-width or direction mark).
std::string named_char(char32_t c);

} // namespace qb
