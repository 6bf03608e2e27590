#include "textio/encoding.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "textio/lineform.h"

namespace qb {

namespace {

// The length (2 to 4) of the well-formed UTF-8 character that starts at
// s[i], a byte of 0x80 or more, and its code point; 0 when the bytes there
// are none (a stray continuation byte, a cut sequence, an overlong form, a
// surrogate, a code point beyond U+10FFFF).
size_t utf8_char(std::string_view s, size_t i, char32_t& cp) {
    const auto c = static_cast<unsigned char>(s[i]);
    size_t n = 0;
    char32_t least = 0;
    if (c >= 0xC2 && c <= 0xDF) { n = 2; cp = c & 0x1Fu; least = 0x80; }
    else if (c >= 0xE0 && c <= 0xEF) { n = 3; cp = c & 0x0Fu; least = 0x800; }
    else if (c >= 0xF0 && c <= 0xF4) { n = 4; cp = c & 0x07u; least = 0x10000; }
    else return 0;
    if (s.size() - i < n) return 0;
    for (size_t k = 1; k < n; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3Fu);
    }
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

// Whether `s` is UTF-8 that holds some character beyond ASCII.
bool utf8_beyond_ascii(std::string_view s) {
    bool beyond = false;
    for (size_t i = 0; i < s.size();) {
        if (static_cast<unsigned char>(s[i]) < 0x80) { ++i; continue; }
        char32_t cp = 0;
        const size_t n = utf8_char(s, i, cp);
        if (n == 0) return false;
        beyond = true;
        i += n;
    }
    return beyond;
}

// Characters that show nothing of their own or change how a terminal shows
// the rest of the line (zero-width and direction marks, line separators):
// named by their code alone.
bool invisible(char32_t c) {
    return (c >= 0x200B && c <= 0x200F) || (c >= 0x2028 && c <= 0x202E) || (c >= 0x2060 && c <= 0x206F) ||
           c == 0xFEFF || (c >= 0xFFF9 && c <= 0xFFFB) || c >= 0xE0000;
}

} // namespace

DataText latin1_data(std::string content) {
    DataText t;
    if (content.starts_with("\xEF\xBB\xBF")) content.erase(0, 3);
    if (ascii(content) || !utf8_beyond_ascii(content)) {
        t.bytes = std::move(content);
        return t;
    }
    // In place: a character never takes more bytes in Latin-1 than in UTF-8.
    std::string& s = content;
    size_t out = 0;
    int line = 1;
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            if (c == '\n') ++line;
            s[out++] = s[i++];
            continue;
        }
        char32_t cp = 0;
        i += utf8_char(s, i, cp);   // well formed: checked above
        if (cp <= 0xFF) {
            s[out++] = static_cast<char>(cp);
            continue;
        }
        s[out++] = '?';
        if (t.unwritable.empty() || t.unwritable.back().line != line) t.unwritable.push_back({line, {}});
        std::vector<char32_t>& chars = t.unwritable.back().chars;
        if (chars.size() <= DataText::Unwritable::shown && std::find(chars.begin(), chars.end(), cp) == chars.end())
            chars.push_back(cp);
    }
    s.resize(out);
    t.bytes = std::move(s);
    return t;
}

std::string named_char(char32_t c) {
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
    if (invisible(c)) return code;
    std::string u;
    if (c < 0x80) {
        u += static_cast<char>(c);
    } else if (c < 0x800) {
        u += static_cast<char>(0xC0 | (c >> 6));
        u += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        u += static_cast<char>(0xE0 | (c >> 12));
        u += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        u += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        u += static_cast<char>(0xF0 | (c >> 18));
        u += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        u += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        u += static_cast<char>(0x80 | (c & 0x3F));
    }
    return "'" + u + "' " + code;
}

} // namespace qb
