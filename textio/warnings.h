// Conditions of the data that a stored file may legitimately hold: each is
// reported once on standard error (file, line and what is odd) and changes no
// output byte.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace qb {

struct Warning {
    std::string file;   // the data file ("" when not tied to one)
    int line = 0;       // its line (0 when not tied to one)
    std::string text;
};

class Warnings {
public:
    void add(std::string file, int line, std::string text) {
        list_.push_back({std::move(file), line, std::move(text)});
    }
    const std::vector<Warning>& all() const { return list_; }
    bool empty() const { return list_.empty(); }

    // One line each: "querbal: warning: FILE:LINE: TEXT".
    void print(std::FILE* out) const {
        for (const Warning& w : list_) {
            if (!w.file.empty() && w.line > 0)
                std::fprintf(out, "querbal: warning: %s:%d: %s\n", w.file.c_str(), w.line, w.text.c_str());
            else if (!w.file.empty())
                std::fprintf(out, "querbal: warning: %s: %s\n", w.file.c_str(), w.text.c_str());
            else
                std::fprintf(out, "querbal: warning: %s\n", w.text.c_str());
        }
    }

private:
    std::vector<Warning> list_;
};

} // namespace qb
