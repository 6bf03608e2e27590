#include "driver/digest.h"

#include <openssl/evp.h>

namespace qb {

std::string sha256_hex(std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &size, EVP_sha256(), nullptr) != 1) return "";
    static const char hex[] = "0123456789abcdef";
    std::string s;
    for (unsigned int i = 0; i < size; ++i) {
        s += hex[digest[i] >> 4];
        s += hex[digest[i] & 15];
    }
    return s;
}

} // namespace qb
