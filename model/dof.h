// Degree-of-freedom arithmetic. Node n owns six global degrees of freedom in
// the order DX DY DZ MX MY MZ (Z vertical); component k of node n is number
// 6(n-1)+k.
#pragma once

#include <cstdint>

namespace qb {

enum : int32_t { DX = 1, DY = 2, DZ = 3, MX = 4, MY = 5, MZ = 6 };

inline int32_t dof(int32_t n, int32_t k) { return 6 * (n - 1) + k; }
inline int32_t node_of_dof(int32_t g) { return (g - 1) / 6 + 1; }
inline int32_t component_of_dof(int32_t g) { return g - 6 * (node_of_dof(g) - 1); }

} // namespace qb
