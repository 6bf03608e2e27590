#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "model/names.h"

namespace qb {

namespace {

std::string upper(std::string_view s) {
    std::string u(s);
    for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

// Edits (insertions, deletions, substitutions) that turn a into b.
size_t edit_distance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = up;
        }
    }
    return row[b.size()];
}

} // namespace

std::string did_you_mean(const Vec1<Text>& names, int32_t count, const Text& t) {
    const std::string wanted = upper(name_text(t));
    int32_t best = 0;
    size_t best_edits = 0;
    for (int32_t k = 1; k <= count && k <= names.size(); ++k) {
        const std::string candidate = upper(name_text(names(k)));
        const size_t edits = edit_distance(wanted, candidate);
        if (2 * edits >= std::max(wanted.size(), candidate.size())) continue;
        if (best == 0 || edits < best_edits) best = k, best_edits = edits;
    }
    return best == 0 ? std::string() : " (did you mean " + quoted_name(names(best)) + "?)";
}

} // namespace qb
