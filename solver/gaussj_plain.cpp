// The textbook Gauss-Jordan loop, kept as written: row-major pivot search,
// row exchange, scaling, elimination row by row, unscrambling of the columns.
// It walks the column-major matrix across its rows: slow, but plainly the
// textbook.

#include <cmath>
#include <utility>
#include <vector>

#include "solver/gaussj.h"

namespace qb {

void gaussj_plain(float* a, int32_t n, int32_t lda, float* b) {
    if (n < 1) return;
    const size_t ld = static_cast<size_t>(lda);
    auto A = [&](int32_t r, int32_t c) -> float& { return a[static_cast<size_t>(c) * ld + static_cast<size_t>(r)]; };
    std::vector<int32_t> ipiv(static_cast<size_t>(n), 0), indxr(static_cast<size_t>(n)), indxc(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
        float big = 0.0f;
        int32_t irow = -1, icol = -1;
        for (int32_t j = 0; j < n; ++j)
            if (ipiv[static_cast<size_t>(j)] != 1)
                for (int32_t k = 0; k < n; ++k)
                    if (ipiv[static_cast<size_t>(k)] == 0 && std::fabs(A(j, k)) >= big) {
                        big = std::fabs(A(j, k));
                        irow = j;
                        icol = k;
                    }
        if (icol < 0) throw SingularMatrix();   // every remaining entry is NaN
        ++ipiv[static_cast<size_t>(icol)];
        if (irow != icol) {
            for (int32_t l = 0; l < n; ++l) std::swap(A(irow, l), A(icol, l));
            std::swap(b[irow], b[icol]);
        }
        indxr[static_cast<size_t>(i)] = irow;
        indxc[static_cast<size_t>(i)] = icol;
        if (A(icol, icol) == 0.0f) throw SingularMatrix();
        const float pivinv = 1.0f / A(icol, icol);
        A(icol, icol) = 1.0f;
        for (int32_t l = 0; l < n; ++l) A(icol, l) = A(icol, l) * pivinv;
        b[icol] = b[icol] * pivinv;
        for (int32_t ll = 0; ll < n; ++ll) {
            if (ll == icol) continue;
            const float dum = A(ll, icol);
            A(ll, icol) = 0.0f;
            for (int32_t l = 0; l < n; ++l) A(ll, l) = A(ll, l) - A(icol, l) * dum;
            b[ll] = b[ll] - b[icol] * dum;
        }
    }
    for (int32_t l = n - 1; l >= 0; --l) {
        const int32_t r = indxr[static_cast<size_t>(l)], c = indxc[static_cast<size_t>(l)];
        if (r != c)
            for (int32_t k = 0; k < n; ++k) std::swap(A(k, r), A(k, c));
    }
}

void gaussj_columns(float* a, int32_t n, int32_t lda, float* b) {
    if (n < 1) return;
    const size_t ld = static_cast<size_t>(lda);
    auto A = [&](int32_t r, int32_t c) -> float& { return a[static_cast<size_t>(c) * ld + static_cast<size_t>(r)]; };
    const size_t nn = static_cast<size_t>(n);
    std::vector<int32_t> ipiv(nn, 0), indxr(nn), indxc(nn);
    std::vector<float> d(nn);
    for (int32_t i = 0; i < n; ++i) {
        // The candidate of the row-by-row scan: largest magnitude, then the
        // later row, then the later column (its ">=").
        float big = -1.0f;
        int32_t irow = -1, icol = -1;
        for (int32_t k = 0; k < n; ++k) {
            if (ipiv[static_cast<size_t>(k)] != 0) continue;
            for (int32_t j = 0; j < n; ++j) {
                if (ipiv[static_cast<size_t>(j)] == 1) continue;
                const float m = std::fabs(A(j, k));
                if (m > big || (m == big && (j > irow || (j == irow && k > icol)))) {
                    big = m;
                    irow = j;
                    icol = k;
                }
            }
        }
        if (icol < 0) throw SingularMatrix();
        ++ipiv[static_cast<size_t>(icol)];
        if (irow != icol) {
            for (int32_t l = 0; l < n; ++l) std::swap(A(irow, l), A(icol, l));
            std::swap(b[irow], b[icol]);
        }
        indxr[static_cast<size_t>(i)] = irow;
        indxc[static_cast<size_t>(i)] = icol;
        if (A(icol, icol) == 0.0f) throw SingularMatrix();
        const float pivinv = 1.0f / A(icol, icol);
        A(icol, icol) = 1.0f;
        for (int32_t l = 0; l < n; ++l) A(icol, l) = A(icol, l) * pivinv;
        b[icol] = b[icol] * pivinv;
        for (int32_t r = 0; r < n; ++r) d[static_cast<size_t>(r)] = A(r, icol);
        for (int32_t l = 0; l < n; ++l) {
            float* col = &A(0, l);
            const float p = col[icol];
            if (l == icol)
                for (int32_t r = 0; r < n; ++r) {
                    if (r != icol) col[r] = 0.0f - p * d[static_cast<size_t>(r)];
                }
            else
                for (int32_t r = 0; r < n; ++r) {
                    if (r != icol) col[r] = col[r] - p * d[static_cast<size_t>(r)];
                }
        }
        for (int32_t r = 0; r < n; ++r)
            if (r != icol) b[r] = b[r] - b[icol] * d[static_cast<size_t>(r)];
    }
    for (int32_t l = n - 1; l >= 0; --l) {
        const int32_t r = indxr[static_cast<size_t>(l)], c = indxc[static_cast<size_t>(l)];
        if (r != c)
            for (int32_t k = 0; k < n; ++k) std::swap(A(k, r), A(k, c));
    }
}

} // namespace qb
