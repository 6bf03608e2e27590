// 1-based tables stored column by column, so that formulas read like the text:
// COOR(n, 3), CUNIF(j, 6), IZ(j, k, l, d).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <vector>

namespace qb {

#if defined(QB_BOUNDS_CHECK)
[[noreturn]] inline void bounds_fault(const char* what, long i, long n) {
    std::fprintf(stderr, "querbal: internal index %ld outside 1..%ld of %s\n", i, n, what);
    std::abort();
}
#define QB_CHECK(i, n, what) \
    do { if ((i) < 1 || (i) > (n)) ::qb::bounds_fault(what, (long)(i), (long)(n)); } while (0)
#else
#define QB_CHECK(i, n, what) do {} while (0)
#endif

template <class T>
class Vec1 {
public:
    Vec1() = default;
    explicit Vec1(int32_t n, T init = T{}) { resize(n, init); }
    void resize(int32_t n, T init = T{}) { v_.assign(static_cast<size_t>(n > 0 ? n : 0), init); }
    void fill(T x) { std::fill(v_.begin(), v_.end(), x); }
    T& operator()(int32_t i) { QB_CHECK(i, size(), "vector"); return v_[static_cast<size_t>(i - 1)]; }
    const T& operator()(int32_t i) const { QB_CHECK(i, size(), "vector"); return v_[static_cast<size_t>(i - 1)]; }
    int32_t size() const { return static_cast<int32_t>(v_.size()); }
    // Entry i, or zero when i lies outside the table (an entry never filled).
    T at_or_zero(int32_t i) const { return i >= 1 && i <= size() ? v_[static_cast<size_t>(i - 1)] : T{}; }
    T* data() { return v_.data(); }
    const T* data() const { return v_.data(); }
    void push_back(const T& x) { v_.push_back(x); }
    void clear() { v_.clear(); }

private:
    std::vector<T> v_;
};

// rows x cols, column-major (first index fastest)
template <class T>
class Mat1 {
public:
    Mat1() = default;
    Mat1(int32_t r, int32_t c, T init = T{}) { resize(r, c, init); }
    void resize(int32_t r, int32_t c, T init = T{}) {
        r_ = r > 0 ? r : 0;
        c_ = c > 0 ? c : 0;
        v_.assign(static_cast<size_t>(r_) * static_cast<size_t>(c_), init);
    }
    void fill(T x) { std::fill(v_.begin(), v_.end(), x); }
    T& operator()(int32_t i, int32_t j) {
        QB_CHECK(i, r_, "table row");
        QB_CHECK(j, c_, "table column");
        return v_[static_cast<size_t>(j - 1) * static_cast<size_t>(r_) + static_cast<size_t>(i - 1)];
    }
    const T& operator()(int32_t i, int32_t j) const {
        QB_CHECK(i, r_, "table row");
        QB_CHECK(j, c_, "table column");
        return v_[static_cast<size_t>(j - 1) * static_cast<size_t>(r_) + static_cast<size_t>(i - 1)];
    }
    int32_t rows() const { return r_; }
    int32_t cols() const { return c_; }
    T* data() { return v_.data(); }
    const T* data() const { return v_.data(); }
    T* col(int32_t j) { return v_.data() + static_cast<size_t>(j - 1) * static_cast<size_t>(r_); }

private:
    int32_t r_ = 0, c_ = 0;
    std::vector<T> v_;
};

// n1 x n2 x n3 (x n4), first index fastest
template <class T>
class Arr4 {
public:
    Arr4() = default;
    void resize(int32_t a, int32_t b, int32_t c, int32_t d, T init = T{}) {
        n_[0] = a > 0 ? a : 0; n_[1] = b > 0 ? b : 0; n_[2] = c > 0 ? c : 0; n_[3] = d > 0 ? d : 0;
        v_.assign(static_cast<size_t>(n_[0]) * n_[1] * n_[2] * n_[3], init);
    }
    void fill(T x) { std::fill(v_.begin(), v_.end(), x); }
    T& operator()(int32_t i, int32_t j, int32_t k, int32_t l = 1) { return v_[index(i, j, k, l)]; }
    const T& operator()(int32_t i, int32_t j, int32_t k, int32_t l = 1) const { return v_[index(i, j, k, l)]; }
    int32_t extent(int d) const { return n_[d]; }

private:
    size_t index(int32_t i, int32_t j, int32_t k, int32_t l) const {
        QB_CHECK(i, n_[0], "4-d table, index 1");
        QB_CHECK(j, n_[1], "4-d table, index 2");
        QB_CHECK(k, n_[2], "4-d table, index 3");
        QB_CHECK(l, n_[3], "4-d table, index 4");
        return ((static_cast<size_t>(l - 1) * n_[2] + (k - 1)) * n_[1] + (j - 1)) * n_[0] + (i - 1);
    }
    int32_t n_[4] = {0, 0, 0, 0};
    std::vector<T> v_;
};

} // namespace qb
