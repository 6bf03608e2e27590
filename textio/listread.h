// List-directed reading of the data file.
//
// A record is one READ: its values are separated by blanks, commas or line
// ends and may run over several lines; whatever follows the last value on the
// last line used is dropped. Texts may be quoted with ' or " (a doubled quote
// stands for itself); `r*value` repeats a value and `r*` gives r null values;
// a null value (nothing between two commas) leaves the variable unchanged; a
// slash ends the record, leaving the remaining variables unchanged.
//
// Any malformed value, a number that is not finite in single precision
// ("nan", "inf", 1e39) or an early end of file throws InputError naming the
// file, the line, the record being read and what was expected. What a stored
// file may hold but is likely a slip goes to the warnings, when a list is
// given: a text cut to its field, values left unread at the end of a
// record's last line (a decimal comma, "0,2", reads as two values).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "textio/errors.h"
#include "textio/lineform.h"
#include "textio/warnings.h"

namespace qb {

class ListReader {
public:
    // Reads the whole file; throws InputError when it cannot be opened or is
    // not a regular file.
    static ListReader open(const std::string& path);
    // `content` is the file's bytes as saved: a UTF-8 file is read as Latin-1
    // (textio/encoding.h), its characters beyond Latin-1 as '?', each line
    // holding some warned about once warnings are collected.
    ListReader(std::string name, std::string content);

    // What is being read, for the messages ("bar 7", "node count", ...).
    void context(std::string what) {
        context_ = std::move(what);
        rows_ = 0;
    }
    // Row k of a table of `count` rows of `what` ("node"): the context
    // "node k", and a value that looks like a heading is told as the sign of a
    // table shorter than its count.
    void row(const std::string& what, int32_t k, int32_t count) {
        context(what + " " + std::to_string(k));
        row_name_ = what;
        rows_ = count;
    }
    // Where the warnings go (none: not collected). The warnings about the
    // file's encoding, found when it was read, go there first.
    void warn_to(Warnings* w);
    // A warning about the data at `line` ("FILE:LINE: text").
    void warn(int line, std::string text) const {
        if (warnings_) warnings_->add(name_, line, std::move(text));
    }

    // One record: call begin(), then the items, then end().
    void begin();
    void item(int32_t& v);
    void item(float& v);
    void item(double& v);                   // the double-precision arithmetic
    // Text cut / padded to `width` bytes; a cut is warned about unless
    // `cut_warned` is false (the title, whose cut only shortens a heading).
    void item(Text& v, int width, bool cut_warned = true);
    void end();

    // Convenience: a whole record of plain items.
    template <class... T>
    void record(T&... v) {
        begin();
        (item_any(v), ...);
        end();
    }

    // A line read and ignored (a heading).
    void skip_line();
    // The first `width` characters of the next line, blank padded (axis names).
    Text fixed_text(int width);

    int line() const { return line_; }
    // Bytes of the file not read yet.
    size_t bytes_left() const { return text_.size() - pos_; }
    // Line of the first value of the record being read (or last read).
    int record_line() const { return record_line_ > 0 ? record_line_ : line_; }
    const std::string& name() const { return name_; }

    [[noreturn]] void fail(std::string_view expected, std::string_view found) const;
    // The same, at the first line of the record being read (or last read): for
    // what is found wrong once the record is complete.
    [[noreturn]] void fail_record(std::string_view expected, std::string_view found) const;

private:
    [[noreturn]] void fail_at(int line, std::string_view expected, std::string_view found) const;
    // "reading <context>: " when a context is set, for the start of a message.
    std::string where() const { return context_.empty() ? std::string() : "reading " + context_ + ": "; }
    template <class T>
    void item_any(T& v) { item(v); }
    template <class T>
    void real_item(T& v);

    enum class Kind { Value, Null };
    // Next value's raw text (unquoted and quote-processed) or a null.
    Kind next(std::string& tok, bool& quoted);
    bool at_eof() const { return pos_ >= text_.size(); }
    // Whether the record read so far holds a comma between two digits ("0,5").
    bool decimal_comma_in_record() const;
    char peek() const { return text_[pos_]; }
    void advance();                 // one character, counting lines
    void skip_blanks_in_line();
    void skip_blanks_and_lines();
    void to_next_line();            // past the end of the current line
    void read_quoted(char q, std::string& out);

    std::string name_;
    std::string text_;
    size_t pos_ = 0;
    int line_ = 1;                  // line of text_[pos_]
    int record_line_ = 0;           // line of the record's first value, 0 before it
    size_t record_pos_ = 0;         // position of the record's first value
    std::string row_name_;          // the table of row(), when rows_ > 0
    int32_t rows_ = 0;
    Warnings* warnings_ = nullptr;
    std::vector<Warning> encoding_warnings_;   // until warn_to() takes them
    std::string context_;
    bool in_record_ = false;
    bool slashed_ = false;
    bool comma_pending_ = false;    // a value was just read: one comma may still follow as its separator
    int repeat_left_ = 0;
    bool repeat_null_ = false;
    std::string repeat_tok_;
    bool repeat_quoted_ = false;
};

} // namespace qb
