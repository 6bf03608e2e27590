// Gauss-Jordan elimination with full pivoting, column by column.
//
// The textbook loop walks the matrix row by row: pivot search row-major,
// then for every row r != c and column l: a(r,l) = a(r,l) - a(c,l)*d(r), with
// d(r) = a(r,c) before the pass. Every entry is touched by exactly one
// multiply and one subtract per pass and no entry depends on another entry of
// the same pass, so the pass can run column by column (a rank-1 update) with
// identical bits. The pivot search of the next pass is folded into the same
// sweep, while each column is still in cache: the winner of the row-major
// scan with ">=" is simply the lexicographic maximum of (|a|, row, column)
// over the candidates, which any visiting order can compute.
//
// No fused multiply-add is ever formed (the build uses -ffp-contract=off and
// the vector code below writes the multiply and the subtract separately).

#include "solver/gaussj.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace qb {

namespace {

// W floats / W ints in one register, unaligned access allowed, read through
// float/int pointers: 4 lanes for the baseline instruction set, 8 with AVX2.
template <int W>
struct Lanes;
template <>
struct Lanes<4> {
    typedef float F __attribute__((vector_size(16), aligned(4), __may_alias__));
    typedef int32_t I __attribute__((vector_size(16), aligned(4), __may_alias__));
};
template <>
struct Lanes<8> {
    typedef float F __attribute__((vector_size(32), aligned(4), __may_alias__));
    typedef int32_t I __attribute__((vector_size(32), aligned(4), __may_alias__));
};

// Below this many columns per thread a pass is too short to share.
constexpr int32_t MIN_COLUMNS_PER_THREAD = 500;

// Best pivot candidate met so far: largest magnitude, then latest row, then
// latest column (the ">=" of a row-major scan). mag < 0 means none yet; a NaN
// magnitude never compares greater or equal, so NaN entries are never chosen.
struct Best {
    float mag = -1.0f;
    int32_t row = -1;
    int32_t col = -1;
    void offer(float m, int32_t r, int32_t c) {
        if (m > mag || (m == mag && (r > row || (r == row && c > col)))) {
            mag = m;
            row = r;
            col = c;
        }
    }
    void merge(const Best& o) {
        if (o.mag >= 0.0f) offer(o.mag, o.row, o.col);
    }
};

// One elimination pass, as seen by the column sweep.
struct Pass {
    float* a;
    size_t lda;
    int32_t n;
    int32_t irow, icol;        // pivot found at (irow, icol); after the row exchange it sits at (icol, icol)
    float p;                   // 1 / pivot
    const float* d;            // pivot column before the pass (rows exchanged)
    const int32_t* ipiv;       // pivot-use counters, already counting this pass
    const int32_t* scanmask;   // 0x7fffffff for rows the next search scans, 0 for rows already used
    bool search;               // look for the next pivot
};

inline float mag_of(float x) {
    uint32_t u;
    std::memcpy(&u, &x, sizeof u);
    u &= 0x7fffffffu;
    std::memcpy(&x, &u, sizeof u);
    return x;
}

// Largest of m and v, ignoring a NaN v.
inline float keep_max(float m, float v) { return v > m ? v : m; }

// Rows [lo, hi) of one column x (0-based rows):
//   UPDATE: x[r] = x[r] - acl*d[r]   (ZERO: 0 - acl*d[r], the pivot column)
//   SEARCH: returns the largest |x[r]| over the rows, where rows outside the
//           scan count as 0 and NaN entries are ignored (-1 when nothing).
template <int W, bool UPDATE, bool ZERO, bool SEARCH>
inline __attribute__((always_inline)) float column_rows(float* x, const float* d, float acl, const int32_t* mask,
                                                        int32_t lo, int32_t hi) {
    using VF = typename Lanes<W>::F;
    using VI = typename Lanes<W>::I;
    float m = -1.0f;
    int32_t r = lo;
    if (hi - lo >= W) {
        VF vacl, vm;
        for (int l = 0; l < W; ++l) {   // exact copies (a broadcast by addition would lose the sign of -0)
            vacl[l] = acl;
            vm[l] = -1.0f;
        }
        for (; r + W <= hi; r += W) {
            VF xv = *reinterpret_cast<const VF*>(x + r);
            if constexpr (UPDATE) {
                const VF dv = *reinterpret_cast<const VF*>(d + r);
                const VF prod = vacl * dv;
                if constexpr (ZERO) xv = VF{} - prod;
                else xv = xv - prod;
                *reinterpret_cast<VF*>(x + r) = xv;
            }
            if constexpr (SEARCH) {
                // one AND takes the magnitude and blanks the rows outside the scan
                const VF ax = reinterpret_cast<VF>(reinterpret_cast<VI>(xv) & *reinterpret_cast<const VI*>(mask + r));
                vm = ax > vm ? ax : vm;
            }
        }
        if constexpr (SEARCH)
            for (int l = 0; l < W; ++l) m = keep_max(m, vm[l]);
    }
    for (; r < hi; ++r) {
        float xv = x[r];
        if constexpr (UPDATE) {
            const float prod = acl * d[r];
            xv = (ZERO ? 0.0f : xv) - prod;
            x[r] = xv;
        }
        if constexpr (SEARCH) m = keep_max(m, mask[r] != 0 ? mag_of(xv) : 0.0f);
    }
    return m;
}

// Offers column k to `best` given its largest scanned magnitude m: only a
// column that can win is walked again (from the bottom) for its latest row.
inline void offer_column(Best& best, const float* x, const int32_t* mask, int32_t n, int32_t k, float m) {
    if (!(m >= best.mag) || m < 0.0f) return;
    for (int32_t r = n - 1; r >= 0; --r)
        if (mask[r] != 0 && mag_of(x[r]) == m) {
            best.offer(m, r, k);
            return;
        }
}

// The pass on columns [k0, k1): row exchange, scaling of the pivot row,
// elimination of every other row, and the search of the next pivot.
template <int W>
inline __attribute__((always_inline)) Best sweep_body(const Pass& ps, int32_t k0, int32_t k1) {
    Best best;
    const int32_t c = ps.icol, n = ps.n;
    const int32_t* mask = ps.scanmask;
    for (int32_t k = k0; k < k1; ++k) {
        float* x = ps.a + static_cast<size_t>(k) * ps.lda;
        if (ps.irow != c) std::swap(x[ps.irow], x[c]);
        // pivot row scaled by 1/pivot; the pivot itself was first set to 1
        const float acl = (k == c ? 1.0f : x[c]) * ps.p;
        x[c] = acl;
        if (k == c) {
            column_rows<W, true, true, false>(x, ps.d, acl, mask, 0, c);
            column_rows<W, true, true, false>(x, ps.d, acl, mask, c + 1, n);
        } else if (ps.search && ps.ipiv[k] == 0) {
            float m = column_rows<W, true, false, true>(x, ps.d, acl, mask, 0, c);
            m = keep_max(m, mask[c] != 0 ? mag_of(acl) : 0.0f);
            m = keep_max(m, column_rows<W, true, false, true>(x, ps.d, acl, mask, c + 1, n));
            offer_column(best, x, mask, n, k, m);
        } else {
            column_rows<W, true, false, false>(x, ps.d, acl, mask, 0, c);
            column_rows<W, true, false, false>(x, ps.d, acl, mask, c + 1, n);
        }
    }
    return best;
}

// Search alone (the first pass) over columns [k0, k1).
template <int W>
inline __attribute__((always_inline)) Best search_body(float* a, size_t lda, int32_t n, const int32_t* ipiv,
                                                       const int32_t* mask, int32_t k0, int32_t k1) {
    Best best;
    for (int32_t k = k0; k < k1; ++k) {
        if (ipiv[k] != 0) continue;
        float* x = a + static_cast<size_t>(k) * lda;
        offer_column(best, x, mask, n, k, column_rows<W, false, false, true>(x, nullptr, 0.0f, mask, 0, n));
    }
    return best;
}

Best sweep_generic(const Pass& ps, int32_t k0, int32_t k1) { return sweep_body<4>(ps, k0, k1); }
Best search_generic(float* a, size_t lda, int32_t n, const int32_t* ipiv, const int32_t* mask, int32_t k0,
                    int32_t k1) {
    return search_body<4>(a, lda, n, ipiv, mask, k0, k1);
}

#if defined(__x86_64__) && defined(__GNUC__)
// Same code with 256-bit registers. Only separate multiplies and subtracts are
// emitted (no contraction), so the results are those of the generic version.
__attribute__((target("avx2"))) Best sweep_avx2(const Pass& ps, int32_t k0, int32_t k1) {
    return sweep_body<8>(ps, k0, k1);
}
__attribute__((target("avx2"))) Best search_avx2(float* a, size_t lda, int32_t n, const int32_t* ipiv,
                                                 const int32_t* mask, int32_t k0, int32_t k1) {
    return search_body<8>(a, lda, n, ipiv, mask, k0, k1);
}
bool has_avx2() {
    static const bool yes = __builtin_cpu_supports("avx2");
    return yes;
}
#else
bool has_avx2() { return false; }
Best sweep_avx2(const Pass& ps, int32_t k0, int32_t k1) { return sweep_generic(ps, k0, k1); }
Best search_avx2(float* a, size_t lda, int32_t n, const int32_t* ipiv, const int32_t* mask, int32_t k0,
                 int32_t k1) {
    return search_generic(a, lda, n, ipiv, mask, k0, k1);
}
#endif

Best sweep(const Pass& ps, int32_t k0, int32_t k1) {
    return has_avx2() ? sweep_avx2(ps, k0, k1) : sweep_generic(ps, k0, k1);
}
Best search(float* a, size_t lda, int32_t n, const int32_t* ipiv, const int32_t* mask, int32_t k0, int32_t k1) {
    return has_avx2() ? search_avx2(a, lda, n, ipiv, mask, k0, k1) : search_generic(a, lda, n, ipiv, mask, k0, k1);
}

inline void cpu_relax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// Helper threads for large systems. A pass is cut into chunks of columns that
// the calling thread and the helpers claim one at a time, so a helper that is
// late (or not scheduled at all) leaves its share to the others instead of
// holding the pass up. Every column is still computed by exactly one thread
// with the same code, and the pivot candidates are merged by the same total
// order, so the result does not depend on the threads or on who took what.
class Team {
public:
    Team(int32_t threads, int32_t n)
        : n_(n), nchunks_((n + CHUNK - 1) / CHUNK), results_(static_cast<size_t>(threads - 1)) {
        workers_.reserve(results_.size());
        try {
            for (size_t h = 0; h < results_.size(); ++h) workers_.emplace_back([this, h] { work(h); });
        } catch (...) {
            stop();
            throw;
        }
    }
    ~Team() { stop(); }
    Team(const Team&) = delete;
    Team& operator=(const Team&) = delete;

    Best run(const Pass& ps) {
        ++pass_no_;
        pass_ = &ps;
        finished_.store(0, std::memory_order_relaxed);
        ticket_.store(pass_no_ << 32, std::memory_order_release);
        gen_.fetch_add(1, std::memory_order_release);
        gen_.notify_all();
        Best best = claim_all(pass_no_);
        for (int spin = 0;; ++spin) {
            const int32_t v = finished_.load(std::memory_order_acquire);
            if (v == nchunks_) break;
            if (spin < SPINS) cpu_relax();
            else finished_.wait(v, std::memory_order_acquire);
        }
        for (const Slot& r : results_)
            if (r.pass == pass_no_) best.merge(r.best);
        return best;
    }

private:
    static constexpr int32_t CHUNK = 32;   // columns per claim
    static constexpr int SPINS = 4000;

    struct Slot {
        uint64_t pass = 0;
        Best best;
    };

    // Claims and sweeps chunks of pass `pass` until none is left; `slot`, if
    // given, publishes the candidates found before each chunk is counted.
    Best claim_all(uint64_t pass, Slot* slot = nullptr) {
        Best best;
        uint64_t t = ticket_.load(std::memory_order_acquire);
        for (;;) {
            if ((t >> 32) != pass || static_cast<int32_t>(t & 0xffffffffu) >= nchunks_) break;
            if (!ticket_.compare_exchange_weak(t, t + 1, std::memory_order_acq_rel, std::memory_order_acquire))
                continue;
            const int32_t k0 = static_cast<int32_t>(t & 0xffffffffu) * CHUNK;
            best.merge(sweep(*pass_, k0, std::min(k0 + CHUNK, n_)));
            if (slot) *slot = Slot{pass, best};
            if (finished_.fetch_add(1, std::memory_order_acq_rel) + 1 == nchunks_) finished_.notify_one();
            t = ticket_.load(std::memory_order_acquire);
        }
        return best;
    }

    void work(size_t h) {
        uint64_t seen = 0;
        for (;;) {
            for (int spin = 0;; ++spin) {
                const uint64_t g = gen_.load(std::memory_order_acquire);
                if (g != seen) {
                    seen = g;
                    break;
                }
                if (spin < SPINS) cpu_relax();
                else gen_.wait(g, std::memory_order_acquire);
            }
            if (quit_.load(std::memory_order_acquire)) return;
            claim_all(ticket_.load(std::memory_order_acquire) >> 32, &results_[h]);
        }
    }

    void stop() {
        quit_.store(true, std::memory_order_release);
        gen_.fetch_add(1, std::memory_order_release);
        gen_.notify_all();
        for (auto& w : workers_) w.join();
        workers_.clear();
    }

    const int32_t n_, nchunks_;
    std::vector<Slot> results_;
    std::vector<std::thread> workers_;
    const Pass* pass_ = nullptr;
    uint64_t pass_no_ = 0;
    std::atomic<uint64_t> ticket_{0};    // pass number << 32 | next chunk
    std::atomic<int32_t> finished_{0};   // chunks done in this pass
    std::atomic<uint64_t> gen_{0};
    std::atomic<bool> quit_{false};
};

// Threads worth using for order n: a pass must be long enough to pay for the
// two hand-overs per pass.
int32_t auto_threads(int32_t n) {
    const unsigned hw = std::thread::hardware_concurrency();
    int32_t t = static_cast<int32_t>(hw == 0 ? 1 : hw);
    t = std::min<int32_t>(t, 8);
    t = std::min<int32_t>(t, n / MIN_COLUMNS_PER_THREAD);
    return std::max<int32_t>(t, 1);
}

} // namespace

void gaussj(float* a, int32_t n, int32_t lda, float* b, int32_t threads) {
    if (n < 1) return;
    const size_t ld = static_cast<size_t>(lda);
    const size_t nn = static_cast<size_t>(n);
    auto col = [&](int32_t k) { return a + static_cast<size_t>(k) * ld; };

    // Work lists (0-based): pivot-use counter per column, row and column of
    // each pass's pivot; scanmask marks the rows the next search scans.
    constexpr int32_t SCAN = 0x7fffffff;
    std::vector<int32_t> ipiv(nn, 0), indxr(nn, 0), indxc(nn, 0), scanmask(nn, SCAN);
    std::vector<float> d(nn);

    Best best = search(a, ld, n, ipiv.data(), scanmask.data(), 0, n);

    if (threads <= 0) threads = auto_threads(n);
    threads = std::min(threads, n);
    std::optional<Team> team;
    if (threads > 1) {
        try {
            team.emplace(threads, n);
        } catch (const std::system_error&) {
            team.reset();   // no threads to be had: the calling thread does it all
        }
    }

    for (int32_t i = 0; i < n; ++i) {
        // no candidate at all (only NaN left), or a zero pivot
        if (!(best.mag > 0.0f)) throw SingularMatrix();
        const int32_t irow = best.row, icol = best.col;
        ++ipiv[static_cast<size_t>(icol)];
        scanmask[static_cast<size_t>(icol)] = 0;
        indxr[static_cast<size_t>(i)] = irow;
        indxc[static_cast<size_t>(i)] = icol;

        const float p = 1.0f / col(icol)[irow];   // a(icol, icol) once the rows are exchanged

        // The pivot column as it stands before the elimination, rows exchanged.
        std::memcpy(d.data(), col(icol), nn * sizeof(float));
        std::swap(d[static_cast<size_t>(irow)], d[static_cast<size_t>(icol)]);
        std::swap(b[irow], b[icol]);
        b[icol] = b[icol] * p;

        Pass ps{a, ld, n, irow, icol, p, d.data(), ipiv.data(), scanmask.data(), i + 1 < n};
        best = team ? team->run(ps) : sweep(ps, 0, n);

        const float bc = b[icol];
        for (int32_t r = 0; r < n; ++r)
            if (r != icol) b[r] = b[r] - bc * d[static_cast<size_t>(r)];
    }

    // Undo the column order the row exchanges imply, last pass first.
    for (int32_t l = n - 1; l >= 0; --l) {
        const int32_t r = indxr[static_cast<size_t>(l)], c = indxc[static_cast<size_t>(l)];
        if (r != c) std::swap_ranges(col(r), col(r) + n, col(c));
    }
}

} // namespace qb
