// Line forms: the one formatting core behind every report, log and mesh line.
//
// Two kinds of line exist:
//  * fixed lines, built field by field with Fortran-style edit descriptors
//    (Iw, Fw.d, Ew.d, Aw, nX), right-aligned, asterisks on overflow;
//  * free-format (list-directed) lines in the layout gfortran uses: a leading
//    blank, integers in 12 columns, reals as 16-column G items with 9
//    significant digits, adjacent texts touching.
//
// Every output file is Latin-1. Two kinds of text reach it, and they are
// different types so that one cannot be written as the other:
//  * the program's own texts, string literals (`const char*`), UTF-8 in the
//    source and converted to Latin-1 when written (`text`, `<<`);
//  * bytes that came from the data file (`Text`: the title, unit labels,
//    names), written exactly as they stand (`data`, `<<`).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace qb {

// Bytes read from the data file. Whatever their encoding, they pass through
// to every output unchanged.
class Text {
public:
    Text() = default;
    explicit Text(std::string bytes) : b_(std::move(bytes)) {}
    const std::string& bytes() const { return b_; }
    std::string& bytes() { return b_; }
    // The first n bytes (all of them when shorter).
    Text head(size_t n) const { return Text(b_.substr(0, std::min(n, b_.size()))); }
    // Cut or blank-padded to exactly n bytes, as a fixed-length field.
    Text field(size_t n) const {
        std::string r = b_.substr(0, std::min(n, b_.size()));
        r.resize(n, ' ');
        return Text(std::move(r));
    }
    bool operator==(const Text&) const = default;

private:
    std::string b_;
};

// ---- pure field formatters (append to `out`) --------------------------------
void put_I(std::string& out, int32_t v, int w);
void put_F(std::string& out, float v, int w, int d);
void put_E(std::string& out, float v, int w, int d);
// Text right-aligned in w columns, cut to its first w bytes when longer.
void put_A(std::string& out, std::string_view bytes, int w);
// List-directed items, without the separating blank.
void put_list_real(std::string& out, float v);    // 16 columns
// The same for double-precision values (the opt-in double arithmetic): a
// list-directed double takes 25 columns and 17 significant digits.
void put_F(std::string& out, double v, int w, int d);
void put_E(std::string& out, double v, int w, int d);
void put_list_real(std::string& out, double v);
// The plain forms of doubles, through the C library's exact conversions:
// what the fast ones above fall back to, and the reference they are tested
// against.
void put_F_plain(std::string& out, double v, int w, int d);
void put_list_real_plain(std::string& out, double v);
// UTF-8 literal -> Latin-1 bytes (characters outside Latin-1 become '?').
std::string latin1(std::string_view utf8);
// Bytes for an output that is UTF-8 (XML, CSV, JSON): valid UTF-8 stays as it
// is, anything else is read as Latin-1, the encoding of the program's files.
std::string to_utf8(std::string_view bytes);
bool ascii(std::string_view s);
void append_latin1(std::string& out, std::string_view utf8);

// ---- output channel -----------------------------------------------------------
// A buffered text file (or standard output). Lines end with '\n'.
//
// Every write is checked. The first one that fails (a full disk, a device
// that refuses the bytes, a failed close) is kept as error() with the
// system's errno; from then on the channel drops what it is given, so memory
// stays bounded, and the failure action, when one is set, is told at once.
class Channel {
public:
    Channel() = default;
    ~Channel();
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    bool open(const std::string& path);   // create or overwrite; false (error() set) when it cannot
    void attach_file(std::FILE* f, std::string name);   // an open stream, closed by the channel
    void attach_stdout();                 // the console
    void attach_buffer();                 // keep everything in memory (tests)
    bool close();                         // false when any write, flush or close failed
    bool flush();
    bool is_open() const { return file_ != nullptr || memory_; }
    const std::string& memory() const { return mem_; }
    const std::string& name() const { return name_; }
    int error() const { return err_; }

    void write_line(std::string_view bytes);
    void empty(int n = 1);                // n lines with no characters

    // Called with the channel whose write failed first (one call per channel).
    using FailureAction = void (*)(const Channel&);
    static void on_failure(FailureAction action);

    // Flushes every channel that has a file or the console attached, but
    // `except`: what a run that stops must not lose, whichever object owns
    // the channel. Channels are attached in the main thread only.
    static void flush_every_file(const Channel* except = nullptr);

private:
    friend class Rec;
    friend class List;
    // The line a builder formats into: the channel's own, kept with its
    // room from line to line, unless another builder holds it.
    std::string& borrow_line(std::string& own) {
        if (line_busy_) return own;
        line_busy_ = true;
        line_.clear();
        return line_;
    }
    void release_line(const std::string& s) {
        if (&s == &line_) line_busy_ = false;
    }
    void spill();
    void fail(int err);
    void enlist();     // into the list of channels with a file
    void delist();
    std::FILE* file_ = nullptr;
    Channel* prev_ = nullptr;   // the list of channels with a file
    Channel* next_ = nullptr;
    bool listed_ = false;
    bool owned_ = false;
    bool memory_ = false;
    std::string buf_;
    std::string mem_;
    std::string name_;
    std::string line_;
    bool line_busy_ = false;
    int err_ = 0;
};

// ---- fixed line builder ---------------------------------------------------------
// Usage: Rec(ch).I(k, 5).F(x, 10, 4).text("  Cim").end();   (end() is optional:
// the destructor writes the line.) On a closed channel nothing is formatted.
class Rec {
public:
    explicit Rec(Channel& ch) : ch_(&ch), live_(ch.is_open()), s_(live_ ? ch.borrow_line(own_) : own_) {}
    ~Rec() { end(); }
    Rec(const Rec&) = delete;
    Rec& operator=(const Rec&) = delete;

    Rec& I(int32_t v, int w) { if (live_) { pad(); put_I(s_, v, w); } return *this; }
    Rec& F(float v, int w, int d) { if (live_) { pad(); put_F(s_, v, w, d); } return *this; }
    Rec& E(float v, int w, int d) { if (live_) { pad(); put_E(s_, v, w, d); } return *this; }
    Rec& F(double v, int w, int d) { if (live_) { pad(); put_F(s_, v, w, d); } return *this; }
    Rec& E(double v, int w, int d) { if (live_) { pad(); put_E(s_, v, w, d); } return *this; }
    // nX only moves the position: blanks at the end of a record are not written.
    Rec& X(int n) { pending_ += n > 0 ? n : 0; return *this; }
    Rec& text(const char* utf8);                   // literal, as is (A)
    Rec& text(const char* utf8, int w);            // literal in Aw
    Rec& data(const Text& t);                      // data-file bytes, as is
    Rec& data(const Text& t, int w);               // data-file bytes in Aw
    void end();

private:
    void pad() {
        if (pending_) { s_.append(static_cast<size_t>(pending_), ' '); pending_ = 0; }
    }
    Channel* ch_;
    bool live_;
    std::string own_;   // before s_, which may refer to it
    std::string& s_;
    int pending_ = 0;
    bool done_ = false;
};

// ---- free-format (list-directed) line builder ------------------------------------
// Usage: List(ch) << "n=" << nr << " m=" << mr;
// String literals are converted to Latin-1; data-file texts (`Text`) are
// written as they stand. Adjacent texts of either kind touch. On a closed
// channel nothing is formatted.
class List {
public:
    explicit List(Channel& ch) : ch_(&ch), live_(ch.is_open()), s_(live_ ? ch.borrow_line(own_) : own_) {}
    ~List() { end(); }
    List(const List&) = delete;
    List& operator=(const List&) = delete;

    List& operator<<(const char* utf8) { return live_ ? lit(utf8) : *this; }
    List& operator<<(const Text& t) { return live_ ? text(t) : *this; }
    List& operator<<(int32_t v) { return live_ ? integer(v) : *this; }
    List& operator<<(float v) { return live_ ? real(v) : *this; }
    List& operator<<(double v) { return live_ ? real(v) : *this; }
    void end();

private:
    List& lit(std::string_view utf8);
    List& text(const Text& t);
    List& integer(int32_t v);
    List& real(float v);
    List& real(double v);
    void sep(bool is_text);
    Channel* ch_;
    bool live_;
    std::string own_;   // before s_, which may refer to it
    std::string& s_;
    bool any_ = false;
    bool last_text_ = false;
    bool done_ = false;
};

} // namespace qb
