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
// The columns already pivoted hold the inverse; b never reads them. The
// solve-only path sweeps just the columns not yet pivoted (the pivot column
// is copied into d and left as it is) and does not unscramble.
//
// Exact zeros. Write acl = a(c,l)*p for the scaled pivot-row entry. When the
// product acl*d(r) is +-0 (acl = +-0 and d(r) finite, or d(r) = +-0 and acl
// finite), the update x - acl*d(r) gives x back bit for bit, with two
// exceptions: -0 - (-0) is +0, and a signalling NaN comes out quiet. So, when
// no signalling NaN was passed in and column l holds no -0:
//   - a column whose pivot-row entry is +-0 keeps every entry but row c,
//     provided p and every d(r), r != c, are finite;
//   - in a column with a finite acl, the rows with d(r) = +-0 keep theirs:
//     only the rows from the first to the last non-zero d(r) are updated.
// The update never makes a -0 out of anything else (x - y is -0 only for
// x = -0, y = +0); only row c can receive one, from a(c,l)*p. A flag per
// column records whether it may hold a -0; a flagged column takes the full
// update, which also tells whether its -0 survived. A kept column keeps its
// largest magnitude for the search as well: what leaves the scan is a 0, and
// only the exchanged rows move.
//
// No fused multiply-add is ever formed (the build uses -ffp-contract=off and
// the vector code below writes the multiply and the subtract separately).

#include "solver/gaussj.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <memory>
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

#define QB_INLINE inline __attribute__((always_inline))

constexpr int32_t SCAN = 0x7fffffff;        // row mask: |x| of a row the next search scans
constexpr uint32_t NEG_ZERO = 0x80000000u;

inline uint32_t bits_of(float x) {
    uint32_t u;
    std::memcpy(&u, &x, sizeof u);
    return u;
}
inline float mag_of(float x) {
    const uint32_t u = bits_of(x) & 0x7fffffffu;
    std::memcpy(&x, &u, sizeof u);
    return x;
}
inline bool is_neg_zero(float x) { return bits_of(x) == NEG_ZERO; }
inline bool is_finite(float x) { return (bits_of(x) & 0x7f800000u) != 0x7f800000u; }

// Largest of m and v, ignoring a NaN v.
inline float keep_max(float m, float v) { return v > m ? v : m; }

// Best pivot candidate met so far: largest magnitude, then latest row, then
// latest column (the ">=" of a row-major scan). mag < 0 means none yet.
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

// One pass as the column sweep sees it, plus the per-column state kept from
// pass to pass (each column is only ever written by the thread sweeping it).
struct Pass {
    float* a;
    size_t lda;
    int32_t n;
    bool first;        // the search of the first pass alone
    bool inverse;      // the pivoted columns are swept too (they hold the inverse)
    bool search;       // look for the next pivot
    bool skip;         // exact zeros may be skipped (no signalling NaN was passed in)
    bool zero_keeps;   // p and every d(r), r != c, finite
    int32_t irow, c;   // pivot found at (irow, c); after the row exchange it sits at (c, c)
    float p;           // 1 / pivot
    const float* d;    // pivot column before the pass, rows exchanged, with d[c] = 0
    int32_t lo, hi;    // every r != c with d[r] != 0 lies in [lo, hi)
    const uint8_t* used;       // 1 for the columns already pivoted, this pass's included
    const int32_t* mask;       // SCAN for the rows the next search scans, 0 for the others
    float* colmax;             // per unpivoted column: largest scanned |a|, NaN ignored (< 0: none)
    int32_t* colrow;           // latest scanned row holding colmax, -1 while not known
    uint8_t* negz;             // 1 when the column may hold a -0
    std::atomic<bool>* signalling;   // the first pass met a signalling NaN
};

// Rows [lo, hi) of column x: x[r] = x[r] - acl*d[r]. With SEARCH it returns
// the largest |x[r]| over the rows, rows outside the scan counting as 0 and
// NaN entries ignored (-1 when nothing); with NEG it sets neg when a result
// is -0.
template <int W, bool SEARCH, bool NEG>
QB_INLINE float update_rows(float* x, const float* d, float acl, const int32_t* mask, int32_t lo, int32_t hi,
                            bool& neg) {
    using VF = typename Lanes<W>::F;
    using VI = typename Lanes<W>::I;
    float m = -1.0f;
    int32_t r = lo;
    if (hi - lo >= W) {
        VF vacl, vm;
        VI vnz, vneg{};
        for (int l = 0; l < W; ++l) {   // exact copies (a broadcast by addition would lose the sign of -0)
            vacl[l] = acl;
            vm[l] = -1.0f;
            vnz[l] = static_cast<int32_t>(NEG_ZERO);
        }
        for (; r + W <= hi; r += W) {
            const VF dv = *reinterpret_cast<const VF*>(d + r);
            VF xv = *reinterpret_cast<const VF*>(x + r);
            const VF prod = vacl * dv;
            xv = xv - prod;
            *reinterpret_cast<VF*>(x + r) = xv;
            if constexpr (SEARCH) {
                // one AND takes the magnitude and blanks the rows outside the scan
                const VF ax = reinterpret_cast<VF>(reinterpret_cast<VI>(xv) & *reinterpret_cast<const VI*>(mask + r));
                vm = ax > vm ? ax : vm;
            }
            if constexpr (NEG) vneg |= reinterpret_cast<VI>(xv) == vnz;
        }
        if constexpr (SEARCH)
            for (int l = 0; l < W; ++l) m = keep_max(m, vm[l]);
        if constexpr (NEG)
            for (int l = 0; l < W; ++l) neg = neg || vneg[l] != 0;
    }
    for (; r < hi; ++r) {
        const float prod = acl * d[r];
        const float xv = x[r] - prod;
        x[r] = xv;
        if constexpr (SEARCH) m = keep_max(m, mask[r] != 0 ? mag_of(xv) : 0.0f);
        if constexpr (NEG) neg = neg || is_neg_zero(xv);
    }
    return m;
}

// Largest scanned |x[r]| over rows [lo, hi), as update_rows, reading only.
template <int W>
QB_INLINE float scan_rows(const float* x, const int32_t* mask, int32_t lo, int32_t hi) {
    using VF = typename Lanes<W>::F;
    using VI = typename Lanes<W>::I;
    float m = -1.0f;
    int32_t r = lo;
    if (hi - lo >= W) {
        VF vm;
        for (int l = 0; l < W; ++l) vm[l] = -1.0f;
        for (; r + W <= hi; r += W) {
            const VF ax = reinterpret_cast<VF>(*reinterpret_cast<const VI*>(x + r) & *reinterpret_cast<const VI*>(mask + r));
            vm = ax > vm ? ax : vm;
        }
        for (int l = 0; l < W; ++l) m = keep_max(m, vm[l]);
    }
    for (; r < hi; ++r) m = keep_max(m, mask[r] != 0 ? mag_of(x[r]) : 0.0f);
    return m;
}

// The whole column before the first pass: largest |x|, whether it holds a
// -0, whether it holds a signalling NaN (quiet bit clear, mantissa not 0).
template <int W>
QB_INLINE float scan_first(const float* x, int32_t n, bool& neg, bool& snan) {
    using VF = typename Lanes<W>::F;
    using VI = typename Lanes<W>::I;
    float m = -1.0f;
    int32_t r = 0;
    if (n >= W) {
        VF vm;
        VI vmag, vnz, vinf, vquiet, vneg{}, vsig{};
        for (int l = 0; l < W; ++l) {
            vm[l] = -1.0f;
            vmag[l] = 0x7fffffff;
            vnz[l] = static_cast<int32_t>(NEG_ZERO);
            vinf[l] = 0x7f800000;
            vquiet[l] = 0x7fc00000;
        }
        for (; r + W <= n; r += W) {
            const VI xi = *reinterpret_cast<const VI*>(x + r);
            const VI ai = xi & vmag;
            const VF ax = reinterpret_cast<VF>(ai);
            vm = ax > vm ? ax : vm;
            vneg |= xi == vnz;
            vsig |= (ai > vinf) & (ai < vquiet);
        }
        for (int l = 0; l < W; ++l) {
            m = keep_max(m, vm[l]);
            neg = neg || vneg[l] != 0;
            snan = snan || vsig[l] != 0;
        }
    }
    for (; r < n; ++r) {
        const uint32_t ai = bits_of(x[r]) & 0x7fffffffu;
        m = keep_max(m, mag_of(x[r]));
        neg = neg || is_neg_zero(x[r]);
        snan = snan || (ai > 0x7f800000u && ai < 0x7fc00000u);
    }
    return m;
}

// The pivot column of a full inversion: x[r] = 0 - p*d[r] over all rows.
template <int W>
QB_INLINE void pivot_column(float* x, const float* d, float p, int32_t n) {
    using VF = typename Lanes<W>::F;
    int32_t r = 0;
    if (n >= W) {
        VF vp;
        for (int l = 0; l < W; ++l) vp[l] = p;
        for (; r + W <= n; r += W) {
            const VF prod = vp * *reinterpret_cast<const VF*>(d + r);
            *reinterpret_cast<VF*>(x + r) = VF{} - prod;
        }
    }
    for (; r < n; ++r) {
        const float prod = p * d[r];
        x[r] = 0.0f - prod;
    }
}

// Latest scanned row of column x holding magnitude m, or -1.
inline int32_t latest_row(const float* x, const int32_t* mask, int32_t n, float m) {
    for (int32_t r = n - 1; r >= 0; --r)
        if (mask[r] != 0 && mag_of(x[r]) == m) return r;
    return -1;
}

// Offers unpivoted column k to `best`; its row is looked up (and kept) only
// when the column can win.
inline void offer_column(Best& best, const Pass& ps, int32_t k) {
    const float m = ps.colmax[k];
    if (m < 0.0f || m < best.mag) return;
    int32_t r = ps.colrow[k];
    if (r < 0) {
        r = latest_row(ps.a + static_cast<size_t>(k) * ps.lda, ps.mask, ps.n, m);
        if (r < 0) {   // only rows outside the scan, or NaN: no candidate here
            ps.colmax[k] = -1.0f;
            return;
        }
        ps.colrow[k] = r;
    }
    best.offer(m, r, k);
}

// One pass on column k != c: row exchange, row c scaled, every other row
// eliminated, and the column's search entry brought up to date.
template <int W>
QB_INLINE void sweep_column(const Pass& ps, int32_t k) {
    float* x = ps.a + static_cast<size_t>(k) * ps.lda;
    const int32_t c = ps.c, irow = ps.irow, n = ps.n;
    const bool searched = ps.search && ps.used[k] == 0;
    const float moved = x[c];   // goes to row irow
    if (irow != c) {
        x[c] = x[irow];
        x[irow] = moved;
    }
    const float xc = x[c];
    const float acl = xc * ps.p;
    bool ignored = false;
    if (ps.skip && ps.negz[k] == 0) {
        if (xc == 0.0f && ps.zero_keeps) {
            // Every entry stays. The largest magnitude stays too: what left
            // the scan is a 0. Its row follows the exchange; with a largest
            // magnitude of 0 that row may be the one that left.
            x[c] = acl;
            ps.negz[k] = is_neg_zero(acl);
            if (!searched) return;
            const float m = ps.colmax[k];
            int32_t r = ps.colrow[k];
            if (!(m > 0.0f) || r == c) r = -1;   // (from c the entry went to irow, maybe no longer the latest)
            else if (r >= 0 && irow != c && irow > r && mag_of(moved) == m) r = irow;
            ps.colrow[k] = r;
            return;
        }
        if (is_finite(acl)) {
            // rows with d[r] = 0 stay
            float m;
            if (searched) {
                m = update_rows<W, true, false>(x, ps.d, acl, ps.mask, ps.lo, ps.hi, ignored);
                m = keep_max(m, scan_rows<W>(x, ps.mask, 0, ps.lo));
                m = keep_max(m, scan_rows<W>(x, ps.mask, ps.hi, n));
                ps.colmax[k] = m;
                ps.colrow[k] = -1;
            } else {
                update_rows<W, false, false>(x, ps.d, acl, ps.mask, ps.lo, ps.hi, ignored);
            }
            x[c] = acl;
            ps.negz[k] = is_neg_zero(acl);
            return;
        }
    }
    // all rows; row c (d[c] = 0) is overwritten afterwards, and holds a
    // placeholder meanwhile that cannot turn into -0
    const bool detect = ps.skip && ps.negz[k] != 0;
    bool neg = false;
    if (detect) x[c] = 1.0f;
    if (searched) {
        const float m = detect ? update_rows<W, true, true>(x, ps.d, acl, ps.mask, 0, n, neg)
                               : update_rows<W, true, false>(x, ps.d, acl, ps.mask, 0, n, ignored);
        ps.colmax[k] = m;
        ps.colrow[k] = -1;
    } else if (detect) {
        update_rows<W, false, true>(x, ps.d, acl, ps.mask, 0, n, neg);
    } else {
        update_rows<W, false, false>(x, ps.d, acl, ps.mask, 0, n, ignored);
    }
    x[c] = acl;
    ps.negz[k] = neg || is_neg_zero(acl);
}

constexpr int32_t PREFETCH = 8;   // columns ahead

// Columns [k0, k1) of one pass; the candidates found go to `best`.
template <int W>
QB_INLINE void sweep_body(const Pass& ps, int32_t k0, int32_t k1, Best& best) {
    for (int32_t k = k0; k < k1; ++k) {
        if (ps.first) {
            bool neg = false, snan = false;
            ps.colmax[k] = scan_first<W>(ps.a + static_cast<size_t>(k) * ps.lda, ps.n, neg, snan);
            ps.colrow[k] = -1;
            ps.negz[k] = neg;
            if (snan) ps.signalling->store(true, std::memory_order_relaxed);
            offer_column(best, ps, k);
            continue;
        }
        if (k == ps.c) {
            if (!ps.inverse) continue;
            // every row is rewritten, so the row exchange can be left out
            float* x = ps.a + static_cast<size_t>(k) * ps.lda;
            pivot_column<W>(x, ps.d, ps.p, ps.n);
            x[ps.c] = ps.p;   // 1 * p; 0 - p*d(r) is never -0, but p may be
            ps.negz[k] = is_neg_zero(ps.p);
            continue;
        }
        if (ps.used[k] != 0 && !ps.inverse) continue;
        if (k + PREFETCH < k1) {
            // Most columns of a sparse pivot row are kept and cost two cache
            // misses (rows irow and c) unless fetched ahead.
            const float* ahead = ps.a + static_cast<size_t>(k + PREFETCH) * ps.lda;
            __builtin_prefetch(ahead + ps.irow, 1);
            __builtin_prefetch(ahead + ps.c, 1);
        }
        sweep_column<W>(ps, k);
        if (ps.search && ps.used[k] == 0) offer_column(best, ps, k);
    }
}

void sweep_generic(const Pass& ps, int32_t k0, int32_t k1, Best& best) { sweep_body<4>(ps, k0, k1, best); }

#if defined(__x86_64__) && defined(__GNUC__)
// Same code with 256-bit registers. Only separate multiplies and subtracts are
// emitted (no contraction), so the results are those of the generic version.
__attribute__((target("avx2"))) void sweep_avx2(const Pass& ps, int32_t k0, int32_t k1, Best& best) {
    sweep_body<8>(ps, k0, k1, best);
}
bool has_avx2() {
    static const bool yes = __builtin_cpu_supports("avx2");
    return yes;
}
#else
bool has_avx2() { return false; }
void sweep_avx2(const Pass& ps, int32_t k0, int32_t k1, Best& best) { sweep_generic(ps, k0, k1, best); }
#endif

void sweep(const Pass& ps, int32_t k0, int32_t k1, Best& best) {
    if (has_avx2()) sweep_avx2(ps, k0, k1, best);
    else sweep_generic(ps, k0, k1, best);
}

inline void cpu_relax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// Threads sharing the passes. The columns are cut once into blocks dealt out
// in turn (block b belongs to thread b mod T), so a thread keeps finding its
// own columns in its own cache pass after pass, and a run of updated columns
// (a sparse pivot row) still spreads over all threads. A thread that is done
// with its blocks takes the ones its partners have not started yet, so a
// thread the system holds back only delays the pass by the block in hand.
// The hand-over is a counter bump: the workers spin for the next pass (and
// only sleep after a long wait), and nothing takes a lock. Every column is
// swept by one thread with the same code and the candidates are merged by the
// same total order, so neither the thread count nor who took what changes a
// bit of the result.
class Team {
public:
    static constexpr int32_t BLOCK = 16;   // columns per block

    Team(int32_t threads, int32_t n)
        : threads_(threads),
          n_(n),
          nblocks_((n + BLOCK - 1) / BLOCK),
          queues_(new Queue[static_cast<size_t>(threads)]),
          slots_(new Slot[static_cast<size_t>(threads)]) {
        workers_.reserve(static_cast<size_t>(threads - 1));
        try {
            for (int32_t t = 1; t < threads; ++t) workers_.emplace_back([this, t] { work(t); });
        } catch (...) {
            stop();
            throw;
        }
    }
    ~Team() { stop(); }
    Team(const Team&) = delete;
    Team& operator=(const Team&) = delete;

    Best run(const Pass& ps) {
        const uint32_t pass = ++pass_;
        pass_data_.store(&ps, std::memory_order_relaxed);
        for (int32_t t = 0; t < threads_; ++t)
            queues_[static_cast<size_t>(t)].next.store(static_cast<uint64_t>(pass) << 32, std::memory_order_relaxed);
        const auto t0 = std::chrono::steady_clock::now();
        gen_.store(pass, std::memory_order_release);
        gen_.notify_all();
        uint32_t total = 0;
        Best best = claim_all(0, pass, total);
        own_blocks_ += total;
        const auto t1 = std::chrono::steady_clock::now();
        for (int spin = 0; total < static_cast<uint32_t>(nblocks_); ++spin) {
            uint32_t sum = total;
            for (int32_t t = 1; t < threads_; ++t) {
                const uint64_t v = slots_[static_cast<size_t>(t)].done.load(std::memory_order_acquire);
                if (static_cast<uint32_t>(v >> 32) == pass) sum += static_cast<uint32_t>(v);
            }
            if (sum == static_cast<uint32_t>(nblocks_)) break;
            if (spin < SPINS) cpu_relax();
            else std::this_thread::yield();   // a partner holding a block may need this core
        }
        const auto t2 = std::chrono::steady_clock::now();
        waited_ += t2 - t1;
        spent_ += t2 - t0;
        for (int32_t t = 1; t < threads_; ++t) {
            const Slot& s = slots_[static_cast<size_t>(t)];
            if (s.pass == pass) best.merge(s.best);
        }
        return best;
    }

    // False once the partners fall behind: the calling thread has swept three
    // quarters of the blocks itself, or spent a quarter of the time waiting
    // for blocks a partner holds. On a machine busy with other work the
    // system keeps stopping the partners (in the middle of a block, too), and
    // one thread alone is then the faster.
    bool paying() const {
        return pass_ < 16 || (own_blocks_ * 4 < static_cast<uint64_t>(pass_) * static_cast<uint64_t>(nblocks_) * 3 &&
                              waited_ * 4 < spent_);
    }

private:
    // Spins (a pause each, some 40 ns) before a waiting thread gives way: a
    // partner waits about as long as the serial step between two passes, and
    // a thread that sleeps instead of spinning longer gets the core back
    // first when the system is busy.
    static constexpr int SPINS = 1000;

    struct alignas(64) Queue {
        std::atomic<uint64_t> next{0};   // pass << 32 | next unclaimed block of the owner
    };
    struct alignas(64) Slot {
        std::atomic<uint64_t> done{0};   // pass << 32 | blocks this thread finished
        uint32_t pass = 0;               // pass of `best`
        Best best;
    };

    // Blocks of owner u in this pass: u, u + T, u + 2T, ...
    int32_t owned(int32_t u) const { return u < nblocks_ ? (nblocks_ - 1 - u) / threads_ + 1 : 0; }

    // Sweeps thread t's own blocks, then whatever the others left.
    Best claim_all(int32_t t, uint32_t pass, uint32_t& count) {
        Best best;
        const Pass& ps = *pass_data_.load(std::memory_order_relaxed);
        for (int32_t i = 0; i < threads_; ++i) {
            const int32_t u = (t + i) % threads_;
            std::atomic<uint64_t>& q = queues_[static_cast<size_t>(u)].next;
            const uint32_t limit = static_cast<uint32_t>(owned(u));
            uint64_t v = q.load(std::memory_order_acquire);
            while (static_cast<uint32_t>(v >> 32) == pass && static_cast<uint32_t>(v) < limit) {
                if (!q.compare_exchange_weak(v, v + 1, std::memory_order_acq_rel, std::memory_order_acquire)) continue;
                const int32_t b = u + static_cast<int32_t>(static_cast<uint32_t>(v)) * threads_;
                sweep(ps, b * BLOCK, std::min(b * BLOCK + BLOCK, n_), best);
                ++count;
                if (t != 0) {
                    Slot& s = slots_[static_cast<size_t>(t)];
                    s.pass = pass;
                    s.best = best;
                    s.done.store(static_cast<uint64_t>(pass) << 32 | count, std::memory_order_release);
                }
                v = q.load(std::memory_order_acquire);
            }
        }
        return best;
    }

    void work(int32_t t) {
        uint32_t seen = 0;
        for (;;) {
            uint32_t g;
            for (int spin = 0;; ++spin) {
                g = gen_.load(std::memory_order_acquire);
                if (g != seen) break;
                if (spin < SPINS) cpu_relax();
                else gen_.wait(g, std::memory_order_acquire);
            }
            seen = g;
            if (quit_.load(std::memory_order_acquire)) return;
            uint32_t count = 0;
            claim_all(t, g, count);
        }
    }

    void stop() {
        quit_.store(true, std::memory_order_release);
        gen_.fetch_add(1, std::memory_order_release);
        gen_.notify_all();
        for (auto& w : workers_) w.join();
        workers_.clear();
    }

    const int32_t threads_, n_, nblocks_;
    std::unique_ptr<Queue[]> queues_;
    std::unique_ptr<Slot[]> slots_;
    std::vector<std::thread> workers_;
    std::atomic<const Pass*> pass_data_{nullptr};
    uint32_t pass_ = 0;
    uint64_t own_blocks_ = 0;   // blocks the calling thread swept, all passes
    std::chrono::steady_clock::duration waited_{}, spent_{};
    std::atomic<uint32_t> gen_{0};   // last pass handed out
    std::atomic<bool> quit_{false};
};

// Threads for order n when the caller leaves it open. Measured with
// bench_gaussj on the two-core machine the program is tuned on (dense and
// frame-like systems, full and solve-only paths, best of 45 runs taken in
// turns with the one-thread runs): a second thread breaks even near n = 300,
// gains 10-20% at 400 and 50-60% at 1000 and above. So a thread wants some
// 200 columns of its own; more threads than cores never pay.
constexpr int32_t COLUMNS_PER_THREAD = 200;

int32_t auto_threads(int32_t n) {
    const int32_t cores = static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
    return std::max(1, std::min(cores, n / COLUMNS_PER_THREAD));
}

// The threads of an elimination: `threads` when asked for, or as many as pay
// off for its order; none when the system cannot start any.
void start_team(std::optional<Team>& team, int32_t threads, int32_t n) {
    if (threads <= 0) threads = auto_threads(n);
    threads = std::min(threads, (n + Team::BLOCK - 1) / Team::BLOCK);
    if (threads > 1) {
        try {
            team.emplace(threads, n);
        } catch (const std::system_error&) {
            team.reset();   // no threads to be had: the calling thread does it all
        }
    }
}

// The pivot column of a pass as it stands before the elimination, rows
// irow and c exchanged and row c cleared, in d; the span [lo, hi) of its
// nonzero rows, and whether they are all finite.
struct PivotColumn {
    int32_t lo = 0, hi = 0;
    bool finite = true;
};
PivotColumn pivot_column(const float* pc, int32_t n, int32_t irow, int32_t c, std::vector<float>& d) {
    std::memcpy(d.data(), pc, static_cast<size_t>(n) * sizeof(float));
    std::swap(d[static_cast<size_t>(irow)], d[static_cast<size_t>(c)]);
    d[static_cast<size_t>(c)] = 0.0f;
    PivotColumn col;
    col.lo = n;
    for (int32_t r = 0; r < n; ++r) {
        const float v = d[static_cast<size_t>(r)];
        if (v != 0.0f) {
            col.lo = std::min(col.lo, r);
            col.hi = r + 1;
            col.finite = col.finite && is_finite(v);
        }
    }
    if (col.lo > col.hi) col.lo = col.hi = 0;
    return col;
}

// The right-hand side through a pass: rows exchanged, row c scaled, the
// others reduced by d.
void eliminate_rhs(float* b, int32_t n, int32_t irow, int32_t c, float p, const std::vector<float>& d) {
    std::swap(b[irow], b[c]);
    b[c] = b[c] * p;
    const float bc = b[c];
    for (int32_t r = 0; r < n; ++r)
        if (r != c) b[r] = b[r] - bc * d[static_cast<size_t>(r)];
}

// Undoes the column order the row exchanges imply, last pass first.
void unscramble_inverse(float* a, int32_t n, size_t ld, const std::vector<int32_t>& indxr,
                        const std::vector<int32_t>& indxc) {
    for (int32_t l = n - 1; l >= 0; --l) {
        const int32_t r = indxr[static_cast<size_t>(l)], c = indxc[static_cast<size_t>(l)];
        if (r != c) {
            float* cr = a + static_cast<size_t>(r) * ld;
            std::swap_ranges(cr, cr + n, a + static_cast<size_t>(c) * ld);
        }
    }
}

void eliminate(float* a, int32_t n, int32_t lda, float* b, int32_t threads, bool inverse) {
    if (n < 1) return;
    const size_t ld = static_cast<size_t>(lda);
    const size_t nn = static_cast<size_t>(n);

    // Work lists (0-based): used columns, row and column of each pass's pivot,
    // the scan mask of the rows, and the column state of the sweep.
    std::vector<uint8_t> used(nn, 0), negz(nn, 0);
    std::vector<int32_t> indxr(nn, 0), indxc(nn, 0), mask(nn, SCAN), colrow(nn, -1);
    std::vector<float> d(nn), colmax(nn, -1.0f);
    std::atomic<bool> signalling{false};

    // Only a count the solver chose itself may drop a partner that lags: a
    // count asked for (the call's, from --threads) is kept.
    const bool chosen = threads <= 0;
    std::optional<Team> team;
    start_team(team, threads, n);
    auto run = [&](const Pass& ps) {
        if (team) return team->run(ps);
        Best best;
        sweep(ps, 0, n, best);
        return best;
    };

    Pass ps{};
    ps.a = a;
    ps.lda = ld;
    ps.n = n;
    ps.first = true;
    ps.inverse = inverse;
    ps.search = true;
    ps.d = d.data();
    ps.used = used.data();
    ps.mask = mask.data();
    ps.colmax = colmax.data();
    ps.colrow = colrow.data();
    ps.negz = negz.data();
    ps.signalling = &signalling;
    Best best = run(ps);
    ps.first = false;
    ps.skip = !signalling.load();

    for (int32_t i = 0; i < n; ++i) {
        // no candidate (mag < 0) or a zero pivot
        if (!(best.mag > 0.0f)) throw SingularMatrix();
        const int32_t irow = best.row, c = best.col;
        used[static_cast<size_t>(c)] = 1;
        mask[static_cast<size_t>(c)] = 0;
        indxr[static_cast<size_t>(i)] = irow;
        indxc[static_cast<size_t>(i)] = c;

        const float* pc = a + static_cast<size_t>(c) * ld;
        const float p = 1.0f / pc[irow];
        const PivotColumn col = pivot_column(pc, n, irow, c, d);
        eliminate_rhs(b, n, irow, c, p, d);

        ps.irow = irow;
        ps.c = c;
        ps.p = p;
        ps.lo = col.lo;
        ps.hi = col.hi;
        ps.zero_keeps = col.finite && is_finite(p);
        ps.search = i + 1 < n;
        best = run(ps);
        if (chosen && team && !team->paying()) team.reset();
    }
    if (inverse) unscramble_inverse(a, n, ld, indxr, indxc);
}

} // namespace

void gaussj(float* a, int32_t n, int32_t lda, float* b, int32_t threads) { eliminate(a, n, lda, b, threads, true); }

void gaussj_solve(float* a, int32_t n, int32_t lda, float* b, int32_t threads) {
    eliminate(a, n, lda, b, threads, false);
}

} // namespace qb
