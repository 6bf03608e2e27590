#include "textio/listread.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "textio/encoding.h"
#include "textio/errors.h"
#include "textio/files.h"

namespace qb {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
bool ends_value(char c) { return is_blank(c) || c == ',' || c == '/' || c == '\n'; }

std::string shown(std::string_view s) {
    if (s.empty()) return "nothing";
    std::string r = "'";
    r.append(s.substr(0, 40));
    if (s.size() > 40) r += "...";
    r += "'";
    return r;
}

bool parse_int(const std::string& s, int32_t& v) {
    size_t i = 0;
    bool neg = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) { neg = s[i] == '-'; ++i; }
    if (i >= s.size()) return false;
    int64_t acc = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        acc = acc * 10 + (s[i] - '0');
        if (acc > 2147483648LL) return false;
    }
    if (neg) acc = -acc;
    if (acc > INT32_MAX || acc < INT32_MIN) return false;
    v = static_cast<int32_t>(acc);
    return true;
}

// Fortran real forms: [sign] digits [. [digits]] [exp], or . digits [exp],
// exp = (E|D|Q)[sign]digits or sign digits; also Inf, Infinity, NaN.
template <class T>
bool parse_real(const std::string& s, T& v) {
    std::string u;
    for (char c : s) u += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    size_t i = 0;
    std::string norm;
    if (i < u.size() && (u[i] == '+' || u[i] == '-')) norm += u[i++];
    std::string rest = u.substr(i);
    if (rest == "INF" || rest == "INFINITY") { v = norm == "-" ? -INFINITY : INFINITY; return true; }
    if (rest == "NAN" || (rest.rfind("NAN(", 0) == 0 && rest.back() == ')')) { v = NAN; return true; }
    size_t digits = 0;
    while (i < u.size() && std::isdigit(static_cast<unsigned char>(u[i]))) { norm += u[i++]; ++digits; }
    if (i < u.size() && u[i] == '.') {
        norm += u[i++];
        while (i < u.size() && std::isdigit(static_cast<unsigned char>(u[i]))) { norm += u[i++]; ++digits; }
    }
    if (digits == 0) return false;
    if (i < u.size()) {
        char c = u[i];
        if (c == 'E' || c == 'D' || c == 'Q') {
            ++i;
        } else if (c != '+' && c != '-') {
            return false;
        }
        norm += 'E';
        if (i < u.size() && (u[i] == '+' || u[i] == '-')) norm += u[i++];
        size_t ed = 0;
        while (i < u.size() && std::isdigit(static_cast<unsigned char>(u[i]))) { norm += u[i++]; ++ed; }
        if (ed == 0 || i != u.size()) return false;
    }
    // Decimal to binary in one correctly rounded step.
    errno = 0;
    char* endp = nullptr;
    T x;
    if constexpr (sizeof(T) == sizeof(float)) x = std::strtof(norm.c_str(), &endp);
    else x = std::strtod(norm.c_str(), &endp);
    if (endp == norm.c_str() || *endp != '\0') return false;
    v = x;
    return true;
}

} // namespace

ListReader ListReader::open(const std::string& path) { return ListReader(path, read_regular_file(path)); }

ListReader::ListReader(std::string name, std::string content) : name_(std::move(name)) {
    DataText t = latin1_data(std::move(content));
    text_ = std::move(t.bytes);
    for (const DataText::Unwritable& u : t.unwritable) {
        std::string chars;
        for (size_t k = 0; k < u.chars.size() && k < u.shown; ++k) chars += (k ? ", " : "") + named_char(u.chars[k]);
        if (u.chars.size() > u.shown) chars += ", ...";
        encoding_warnings_.push_back(
            {name_, u.line,
             "this line holds characters that Latin-1 cannot write (" + chars +
                 "); they are written as '?' (the UTF-8 file is read as Latin-1, the encoding of every output): "
                 "use Latin-1 characters instead"});
    }
}

void ListReader::warn_to(Warnings* w) {
    warnings_ = w;
    if (!w) return;
    for (Warning& e : encoding_warnings_) w->add(std::move(e.file), e.line, std::move(e.text));
    encoding_warnings_.clear();
}

void ListReader::fail(std::string_view expected, std::string_view found) const { fail_at(line_, expected, found); }

void ListReader::fail_record(std::string_view expected, std::string_view found) const {
    fail_at(record_line(), expected, found);
}

void ListReader::fail_at(int line, std::string_view expected, std::string_view found) const {
    std::string msg = name_ + ":" + std::to_string(line) + ": " + where() + "expected ";
    msg.append(expected);
    msg += ", found ";
    msg.append(found);
    // A word where a row's value should be is most likely the heading of the
    // next table: this one has fewer rows than its count.
    if (rows_ > 0 && found.size() > 1 && found[0] == '\'' && std::isalpha(static_cast<unsigned char>(found[1])))
        msg += " (a heading? the count asks for " + std::to_string(rows_) + " " + row_name_ +
               " lines: the table may have fewer)";
    throw InputError(msg);
}

void ListReader::advance() {
    if (text_[pos_] == '\n') ++line_;
    ++pos_;
}

void ListReader::skip_blanks_in_line() {
    while (!at_eof() && is_blank(peek())) advance();
}

void ListReader::skip_blanks_and_lines() {
    while (!at_eof() && (is_blank(peek()) || peek() == '\n')) advance();
}

void ListReader::to_next_line() {
    while (!at_eof() && peek() != '\n') advance();
    if (!at_eof()) advance();
}

void ListReader::begin() {
    in_record_ = true;
    record_line_ = 0;
    slashed_ = false;
    comma_pending_ = false;
    repeat_left_ = 0;
}

void ListReader::end() {
    // Drop the rest of the last line used. Values on it that the record does
    // not take are most likely a slip (a decimal comma, a value too many), so
    // they are warned about; a slash ends a record on purpose (also right
    // after its last value), and a trailing comma is only a separator.
    if (warnings_ && in_record_ && !slashed_) {
        const int line = line_;
        size_t p = pos_;
        while (p < text_.size() && text_[p] != '\n') ++p;
        std::string rest = text_.substr(pos_, p - pos_);
        while (!rest.empty() && is_blank(rest.back())) rest.pop_back();
        const size_t a = rest.find_first_not_of(" \t\r,");
        if (a != std::string::npos && rest[a] != '/') {
            const bool after_comma = rest.find(',') < a;
            const bool digit = std::isdigit(static_cast<unsigned char>(rest[a])) != 0;
            std::string msg = where() + "the line goes on after the record's last value; " + shown(rest.substr(a)) +
                              " is not read";
            if ((after_comma && digit) || decimal_comma_in_record())
                msg += " (a decimal comma, as in 0,2, reads as two values)";
            warn(line, msg);
        } else if (repeat_left_ > 0 && !repeat_null_) {
            warn(line, where() + std::to_string(repeat_left_) + " repeated value(s) " + shown(repeat_tok_) +
                           " are left over and not read");
        }
    }
    to_next_line();
    in_record_ = false;
    repeat_left_ = 0;
}

bool ListReader::decimal_comma_in_record() const {
    if (record_line_ == 0) return false;
    for (size_t p = record_pos_ + 1; p + 1 < pos_ && p + 1 < text_.size(); ++p)
        if (text_[p] == ',' && std::isdigit(static_cast<unsigned char>(text_[p - 1])) &&
            std::isdigit(static_cast<unsigned char>(text_[p + 1])))
            return true;
    return false;
}

void ListReader::skip_line() {
    if (at_eof()) fail("a heading line", "the end of the file");
    to_next_line();
}

Text ListReader::fixed_text(int width) {
    if (at_eof()) fail("a line of text", "the end of the file");
    std::string s;
    while (!at_eof() && peek() != '\n') {
        if (static_cast<int>(s.size()) < width && peek() != '\r') s += peek();
        advance();
    }
    if (!at_eof()) advance();
    s.resize(static_cast<size_t>(width), ' ');
    return Text(std::move(s));
}

void ListReader::read_quoted(char q, std::string& out) {
    const int opened = line_;
    advance();  // opening quote
    for (;;) {
        if (at_eof())
            fail_at(opened, std::string("a closing quote (") + q + ") for the text opened on this line",
                    "the end of the file");
        char c = peek();
        if (c == q) {
            advance();
            if (!at_eof() && peek() == q) { out += q; advance(); continue; }
            return;
        }
        if (c == '\n') { advance(); continue; }   // a text may go on on the next line
        if (c == '\r') { advance(); continue; }
        out += c;
        advance();
    }
}

ListReader::Kind ListReader::next(std::string& tok, bool& quoted) {
    if (repeat_left_ > 0) {
        --repeat_left_;
        tok = repeat_tok_;
        quoted = repeat_quoted_;
        return repeat_null_ ? Kind::Null : Kind::Value;
    }
    if (slashed_) return Kind::Null;
    skip_blanks_and_lines();
    if (!at_eof() && peek() == ',' && comma_pending_) {
        advance();
        comma_pending_ = false;
        skip_blanks_and_lines();
    }
    if (at_eof()) fail("a value", "the end of the file");
    if (record_line_ == 0) {
        record_line_ = line_;
        record_pos_ = pos_;
    }
    char c = peek();
    if (c == ',') {  // nothing between two commas: a null value
        advance();
        comma_pending_ = false;
        return Kind::Null;
    }
    if (c == '/') {
        slashed_ = true;
        return Kind::Null;
    }
    tok.clear();
    quoted = false;
    if (c == '\'' || c == '"') {
        read_quoted(c, tok);
        quoted = true;
    } else {
        while (!at_eof() && !ends_value(peek())) {
            char d = peek();
            if (d == '*' && !tok.empty() && tok.find_first_not_of("0123456789") == std::string::npos) {
                // repeat count
                int32_t r = 0;
                if (!parse_int(tok, r) || r < 1) fail("a positive repeat count", shown(tok));
                advance();
                std::string val;
                bool q = false;
                Kind k = Kind::Value;
                if (at_eof() || ends_value(peek())) {
                    k = Kind::Null;
                } else if (peek() == '\'' || peek() == '"') {
                    read_quoted(peek(), val);
                    q = true;
                } else {
                    while (!at_eof() && !ends_value(peek())) { val += peek(); advance(); }
                }
                repeat_tok_ = val;
                repeat_quoted_ = q;
                repeat_null_ = k == Kind::Null;
                repeat_left_ = r - 1;
                skip_blanks_in_line();
                comma_pending_ = true;
                tok = val;
                quoted = q;
                return k;
            }
            tok += d;
            advance();
        }
    }
    skip_blanks_in_line();
    comma_pending_ = true;
    return Kind::Value;
}

void ListReader::item(int32_t& v) {
    std::string tok;
    bool quoted = false;
    if (next(tok, quoted) == Kind::Null) return;
    int32_t x = 0;
    if (quoted || !parse_int(tok, x)) fail("an integer", shown(tok));
    v = x;
}

template <class T>
void ListReader::real_item(T& v) {
    std::string tok;
    bool quoted = false;
    if (next(tok, quoted) == Kind::Null) return;
    T x = 0;
    if (quoted || !parse_real(tok, x)) fail("a real number", shown(tok));
    // NaN and infinities, and values beyond the single-precision range, would
    // travel through every formula into a report that looks like results.
    if (!std::isfinite(x))
        fail(sizeof(T) == sizeof(float) ? "a finite real number (at most 3.4E+38 in magnitude)"
                                        : "a finite real number (at most 1.8E+308 in magnitude)",
             shown(tok));
    v = x;
}

void ListReader::item(float& v) { real_item(v); }
void ListReader::item(double& v) { real_item(v); }

void ListReader::item(Text& v, int width, bool cut_warned) {
    std::string tok;
    bool quoted = false;
    if (next(tok, quoted) == Kind::Null) {
        if (static_cast<int>(v.bytes().size()) != width) v.bytes().resize(static_cast<size_t>(width), ' ');
        return;
    }
    size_t used = tok.size();
    while (used > 0 && tok[used - 1] == ' ') --used;
    if (cut_warned && used > static_cast<size_t>(width))
        warn(line_, where() + "the text " + shown(tok) +
                        " has " + std::to_string(used) + " characters and is cut to its first " +
                        std::to_string(width) + ", " + shown(tok.substr(0, static_cast<size_t>(width))));
    tok.resize(static_cast<size_t>(width), ' ');
    v.bytes() = tok;
}

} // namespace qb
