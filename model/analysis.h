// The analysis cases and the ways the analysis type KANAL solves them.
#pragma once

#include <cstdint>

namespace qb {

enum class Solution { none, linear, janbu, newton };

// How analysis type `kanal` solves case `caso`: case 1 always linearly;
// cases 2 to 4 linearly (KANAL 0) or by Newton's method on Demeneghi's
// equation (KANAL 2); case 2 also by the Janbu iteration (KANAL 1). Any other
// pair leaves the case unsolved.
inline Solution solution_of(int32_t caso, int32_t kanal) {
    if (caso == 1) return Solution::linear;
    if (caso < 1 || caso > 4) return Solution::none;
    switch (kanal) {
    case 0: return Solution::linear;
    case 1: return caso == 2 ? Solution::janbu : Solution::none;
    case 2: return Solution::newton;
    default: return Solution::none;
    }
}

} // namespace qb
