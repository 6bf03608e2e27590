// Names of the data (materials, sections, bars, axes): 20-character fields,
// compared over their text, shown in messages in quotes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/limits.h"
#include "model/tables.h"
#include "textio/lineform.h"

namespace qb {

// Names (materials, sections, bars, axes) are 20-character fields: what lies
// beyond 20 characters and trailing blanks do not count.
inline std::string_view name_text(const Text& t) {
    std::string_view s = t.bytes();
    s = s.substr(0, std::min<size_t>(s.size(), static_cast<size_t>(limits::NAME)));
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}
inline bool same_name(const Text& a, const Text& b) { return name_text(a) == name_text(b); }
// A name as messages show it: its text in single quotes.
inline std::string quoted_name(const Text& t) { return "'" + std::string(name_text(t)) + "'"; }

// For a name that matches none of names(1..count): " (did you mean 'VIGA'?)"
// with the closest of them, compared without regard to case, or "" when none
// is close (fewer edits than half the longer name).
std::string did_you_mean(const Vec1<Text>& names, int32_t count, const Text& t);

} // namespace qb
