// Fingerprints of the data a run read.
#pragma once

#include <string>
#include <string_view>

namespace qb {

// The SHA-256 digest of `bytes`, in lower-case hexadecimal.
std::string sha256_hex(std::string_view bytes);

} // namespace qb
