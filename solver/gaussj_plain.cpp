// The textbook Gauss-Jordan loop, kept as written: row-major pivot search,
// row exchange, scaling, elimination row by row, unscrambling of the columns.
// It walks the column-major matrix across its rows: slow, but plainly the
// textbook. The same loop written column by column, the storage's order,
// is the straightforward implementation the benchmarks measure against.

#include <cmath>
#include <utility>
#include <vector>

#include "solver/gaussj.h"

namespace qb {

namespace {

// The steps both loops share, on the column-major matrix a (leading
// dimension ld) and the right-hand side b.
struct Textbook {
    float* a;
    size_t ld;
    int32_t n;
    float* b;
    std::vector<int32_t> ipiv, indxr, indxc;

    Textbook(float* a_, int32_t n_, int32_t lda, float* b_)
        : a(a_), ld(static_cast<size_t>(lda)), n(n_), b(b_), ipiv(static_cast<size_t>(n_), 0),
          indxr(static_cast<size_t>(n_)), indxc(static_cast<size_t>(n_)) {}

    float& A(int32_t r, int32_t c) { return a[static_cast<size_t>(c) * ld + static_cast<size_t>(r)]; }
    bool used(int32_t k) const { return ipiv[static_cast<size_t>(k)] != 0; }
    bool pivot_row(int32_t j) const { return ipiv[static_cast<size_t>(j)] == 1; }

    // Pass i takes the pivot at (irow, icol): its row goes to row icol, and
    // that row is scaled by 1/pivot. Returns the pivot's reciprocal.
    float take_pivot(int32_t i, int32_t irow, int32_t icol) {
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
        return pivinv;
    }

    // Undoes the column order the row exchanges imply, last pass first.
    void unscramble() {
        for (int32_t l = n - 1; l >= 0; --l) {
            const int32_t r = indxr[static_cast<size_t>(l)], c = indxc[static_cast<size_t>(l)];
            if (r != c)
                for (int32_t k = 0; k < n; ++k) std::swap(A(k, r), A(k, c));
        }
    }
};

} // namespace

void gaussj_plain(float* a, int32_t n, int32_t lda, float* b) {
    if (n < 1) return;
    Textbook t(a, n, lda, b);
    for (int32_t i = 0; i < n; ++i) {
        float big = 0.0f;
        int32_t irow = -1, icol = -1;
        for (int32_t j = 0; j < n; ++j)
            if (!t.pivot_row(j))
                for (int32_t k = 0; k < n; ++k)
                    if (!t.used(k) && std::fabs(t.A(j, k)) >= big) {
                        big = std::fabs(t.A(j, k));
                        irow = j;
                        icol = k;
                    }
        t.take_pivot(i, irow, icol);
        for (int32_t ll = 0; ll < n; ++ll) {
            if (ll == icol) continue;
            const float dum = t.A(ll, icol);
            t.A(ll, icol) = 0.0f;
            for (int32_t l = 0; l < n; ++l) t.A(ll, l) = t.A(ll, l) - t.A(icol, l) * dum;
            b[ll] = b[ll] - b[icol] * dum;
        }
    }
    t.unscramble();
}

void gaussj_columns(float* a, int32_t n, int32_t lda, float* b) {
    if (n < 1) return;
    Textbook t(a, n, lda, b);
    std::vector<float> d(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
        // The candidate of the row-by-row scan: largest magnitude, then the
        // later row, then the later column (its ">=").
        float big = -1.0f;
        int32_t irow = -1, icol = -1;
        for (int32_t k = 0; k < n; ++k) {
            if (t.used(k)) continue;
            for (int32_t j = 0; j < n; ++j) {
                if (t.pivot_row(j)) continue;
                const float m = std::fabs(t.A(j, k));
                if (m > big || (m == big && (j > irow || (j == irow && k > icol)))) {
                    big = m;
                    irow = j;
                    icol = k;
                }
            }
        }
        t.take_pivot(i, irow, icol);
        // Column by column: d is the pivot column before the pass; column
        // icol itself becomes 0 - pivot-row entry x d.
        for (int32_t r = 0; r < n; ++r) d[static_cast<size_t>(r)] = t.A(r, icol);
        for (int32_t l = 0; l < n; ++l) {
            float* col = &t.A(0, l);
            const float p = col[icol];
            for (int32_t r = 0; r < n; ++r)
                if (r != icol) col[r] = (l == icol ? 0.0f : col[r]) - p * d[static_cast<size_t>(r)];
        }
        for (int32_t r = 0; r < n; ++r)
            if (r != icol) b[r] = b[r] - b[icol] * d[static_cast<size_t>(r)];
    }
    t.unscramble();
}

} // namespace qb
