// The frame's equilibrium equations of a run, formed once: the enlarged
// stiffness `akr`, NGRED rows (one per free degree of freedom, by equation
// number) by NGRED + NR + MR columns:
//   columns 1..NGRED          the stiffness K of the free displacements, the
//                             additional springs on its diagonal;
//   column NGRED + i          the equivalent nodal forces of a unit line
//                             reaction of area reaction i;
//   column NGRED + NR + k     -1 in the equation of nodal reaction k.
// The formulas reach it only through this type. Inside the legacy tables it
// is stored dense; a model beyond them stores it sparse, by compressed
// columns: the assembly adds its terms, `compress` sums them (in the order
// they were added, as the dense store does) and sorts them by column.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "model/real.h"
#include "model/tables.h"

namespace qb::inline QB_ARITH {

class FrameStiffness {
public:
    enum class Storage { dense, sparse };

    // NGRED equations and `reactions` reaction columns, every entry 0.
    void resize(int32_t equations, int32_t reactions, Storage storage = Storage::dense) {
        n_ = equations > 0 ? equations : 0;
        cols_ = n_ + (reactions > 0 ? reactions : 0);
        storage_ = storage;
        terms_.clear();
        start_.assign(static_cast<size_t>(cols_) + 1, 0);
        row_.clear();
        value_.clear();
        if (storage_ == Storage::dense) a_.resize(n_, cols_);
        else a_ = Mat1<real>();
    }
    int32_t equations() const { return n_; }
    int32_t columns() const { return cols_; }
    int32_t reactions() const { return cols_ - n_; }
    bool sparse() const { return storage_ == Storage::sparse; }

    // Entry (r, c); 0 beyond the frame's rows and columns (the compatibility
    // rows of a coupled system hold none of it).
    real operator()(int32_t r, int32_t c) const {
        if (r < 1 || r > n_ || c < 1 || c > cols_) return 0.0_r;
        if (storage_ == Storage::dense) return a_(r, c);
        const auto first = row_.begin() + static_cast<std::ptrdiff_t>(start_[static_cast<size_t>(c - 1)]);
        const auto last = row_.begin() + static_cast<std::ptrdiff_t>(start_[static_cast<size_t>(c)]);
        const auto it = std::lower_bound(first, last, r);
        return it != last && *it == r ? value_[static_cast<size_t>(it - row_.begin())] : 0.0_r;
    }
    // Assembly: entry (r, c) += v, in the order of the calls; `set` gives an
    // entry nothing else touches.
    void add(int32_t r, int32_t c, real v) {
        if (storage_ == Storage::dense) a_(r, c) = a_(r, c) + v;
        else terms_.push_back({c, r, v});
    }
    void set(int32_t r, int32_t c, real v) {
        if (storage_ == Storage::dense) a_(r, c) = v;
        else terms_.push_back({c, r, v});
    }
    // The end of the assembly: the sparse store sums and sorts its terms.
    void compress() {
        if (storage_ == Storage::dense) return;
        std::stable_sort(terms_.begin(), terms_.end(),
                         [](const Term& a, const Term& b) { return a.c != b.c ? a.c < b.c : a.r < b.r; });
        row_.clear();
        value_.clear();
        start_.assign(static_cast<size_t>(cols_) + 1, 0);
        for (size_t t = 0; t < terms_.size();) {
            const Term& first = terms_[t];
            real v = 0.0_r;
            size_t u = t;
            for (; u < terms_.size() && terms_[u].c == first.c && terms_[u].r == first.r; ++u) v = v + terms_[u].v;
            row_.push_back(first.r);
            value_.push_back(v);
            ++start_[static_cast<size_t>(first.c)];
            t = u;
        }
        for (size_t c = 1; c < start_.size(); ++c) start_[c] += start_[c - 1];
        std::vector<Term>().swap(terms_);
    }

    // f(r, value) for every entry of column c that may be nonzero, rows
    // ascending.
    template <class F>
    void column(int32_t c, F&& f) const {
        if (storage_ == Storage::dense) {
            const real* col = a_.data() + static_cast<size_t>(c - 1) * static_cast<size_t>(n_);
            for (int32_t r = 1; r <= n_; ++r) f(r, col[r - 1]);
            return;
        }
        for (size_t p = start_[static_cast<size_t>(c - 1)]; p < start_[static_cast<size_t>(c)]; ++p) f(row_[p], value_[p]);
    }
    // Entries stored (sparse) or held (dense).
    size_t stored() const {
        return storage_ == Storage::dense ? static_cast<size_t>(n_) * static_cast<size_t>(cols_) : row_.size();
    }

private:
    struct Term {
        int32_t c, r;
        real v;
    };
    Storage storage_ = Storage::dense;
    int32_t n_ = 0, cols_ = 0;
    Mat1<real> a_;
    std::vector<Term> terms_;
    std::vector<size_t> start_;   // column c: entries start_[c-1] .. start_[c]-1
    std::vector<int32_t> row_;
    std::vector<real> value_;
};

// The frame's side of every coupled system of a run, formed once by the
// assembly: the enlarged stiffness and the reduced load vector of each case
// (the solutions' right-hand side is PCONC - vered).
struct FrameSystem {
    FrameStiffness akr;                   // (NGRED, NGRED+NR+MR)
    std::array<Vec1<real>, 5> vered;      // [1..4]: the reduced load vector of each case (NGRED)
};

} // namespace qb
