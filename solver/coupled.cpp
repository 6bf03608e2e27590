#include "solver/coupled.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <vector>

#include "solver/lapack.h"
#include "solver/lu.h"

namespace qb {

namespace {

using Size = std::size_t;

Size at(int32_t col, Size ld, int32_t row) { return static_cast<Size>(col) * ld + static_cast<Size>(row); }

} // namespace

// What is kept from one call to the next: the frame block A it was built from
// (compressed by columns, every nonzero with its bits), the partition, and,
// when the interior was accepted, its factors, X = A_ii⁻¹ A_ib and the frame's
// part of the reduced matrix, A_bb - A_bi X.
struct FrameCondensation::Kept {
    int32_t nf = -1;
    std::vector<int32_t> interior, interface;   // frame equations, 0-based, ascending
    std::vector<int32_t> in_interface;          // position of each frame equation in `interface`, or -1
    std::vector<Size> start;                    // column j of A: entries start[j] .. start[j+1]-1
    std::vector<int32_t> row;
    std::vector<double> value;
    bool usable = false;
    ScaledLu ii;
    std::vector<double> X;   // interior x interface
    std::vector<double> S;   // interface x interface
};

namespace {

using Kept = FrameCondensation::Kept;

// Whether the nf x nf frame block of a is, bit for bit, the one kept (a
// negative zero reads as zero: it is never stored).
bool same_frame(const Kept& k, const double* a, Size ld, int32_t nf) {
    if (k.nf != nf) return false;
    for (int32_t j = 0; j < nf; ++j) {
        const double* col = a + at(j, ld, 0);
        Size p = k.start[static_cast<Size>(j)];
        const Size end = k.start[static_cast<Size>(j) + 1];
        for (int32_t i = 0; i < nf; ++i) {
            const double v = col[i];
            if (p < end && k.row[p] == i) {
                if (std::bit_cast<uint64_t>(k.value[p]) != std::bit_cast<uint64_t>(v)) return false;
                ++p;
            } else if (v != 0.0) {
                return false;
            }
        }
    }
    return true;
}

void keep_frame(Kept& k, const double* a, Size ld, int32_t nf) {
    k.nf = nf;
    k.start.assign(static_cast<Size>(nf) + 1, 0);
    for (int32_t j = 0; j < nf; ++j) {
        const double* col = a + at(j, ld, 0);
        for (int32_t i = 0; i < nf; ++i)
            if (col[i] != 0.0) {   // NaN included
                k.row.push_back(i);
                k.value.push_back(col[i]);
            }
        k.start[static_cast<Size>(j) + 1] = k.row.size();
    }
}

// Factors the interior block, then X and S; false when the interior is
// singular or too badly conditioned to be condensed.
bool condense_interior(Kept& k) {
    const int32_t ni = static_cast<int32_t>(k.interior.size()), nb = static_cast<int32_t>(k.interface.size());
    const Size sni = static_cast<Size>(ni), snb = static_cast<Size>(nb);
    // Position of every frame equation in its part.
    std::vector<int32_t> in_interior(static_cast<Size>(k.nf), -1);
    std::vector<int32_t>& in_interface = k.in_interface;
    in_interface.assign(static_cast<Size>(k.nf), -1);
    for (int32_t p = 0; p < ni; ++p) in_interior[static_cast<Size>(k.interior[static_cast<Size>(p)])] = p;
    for (int32_t p = 0; p < nb; ++p) in_interface[static_cast<Size>(k.interface[static_cast<Size>(p)])] = p;

    // A_ii, and A_ib in X, from the compressed copy.
    std::vector<double> aii(sni * sni, 0.0);
    k.X.assign(sni * snb, 0.0);
    for (int32_t j = 0; j < k.nf; ++j) {
        const int32_t q = in_interior[static_cast<Size>(j)], l = in_interface[static_cast<Size>(j)];
        double* dest = q >= 0 ? aii.data() + static_cast<Size>(q) * sni : k.X.data() + static_cast<Size>(l) * sni;
        for (Size p = k.start[static_cast<Size>(j)]; p < k.start[static_cast<Size>(j) + 1]; ++p) {
            const int32_t i = in_interior[static_cast<Size>(k.row[p])];
            if (i >= 0) dest[i] = k.value[p];
        }
    }
    // An ill-conditioned interior would carry its errors into every reduced system.
    if (!k.ii.factor(std::move(aii), ni) || !(k.ii.rcond * ILL_CONDITIONED >= 1.0)) {
        k.X.clear();
        k.X.shrink_to_fit();
        return false;
    }
    if (nb > 0) k.ii.solve(k.X.data(), nb);

    // S = A_bb - A_bi X, column by column of A: an interior column q of A
    // brings its interface rows times row q of X.
    k.S.assign(snb * snb, 0.0);
    for (int32_t j = 0; j < k.nf; ++j) {
        const int32_t q = in_interior[static_cast<Size>(j)], l = in_interface[static_cast<Size>(j)];
        for (Size p = k.start[static_cast<Size>(j)]; p < k.start[static_cast<Size>(j) + 1]; ++p) {
            const int32_t i = in_interface[static_cast<Size>(k.row[p])];
            if (i < 0) continue;
            const double v = k.value[p];
            if (l >= 0) {
                k.S[static_cast<Size>(l) * snb + static_cast<Size>(i)] += v;
            } else {
                for (Size c = 0; c < snb; ++c) k.S[c * snb + static_cast<Size>(i)] -= v * k.X[c * sni + static_cast<Size>(q)];
            }
        }
    }
    return true;
}

} // namespace

FrameCondensation::FrameCondensation() : kept_(new Kept) {}
FrameCondensation::~FrameCondensation() { delete kept_; }
void FrameCondensation::clear() { *kept_ = Kept{}; }

namespace {

// The reduced matrix [S  C_b; D_b  F], interface first, then the reactions.
std::vector<double> reduced_matrix(const Kept& k, const double* a, Size ld, int32_t nf, int32_t nr) {
    const std::vector<int32_t>& B = k.interface;
    const Size snbf = B.size(), snb = snbf + static_cast<Size>(nr);
    std::vector<double> red(snb * snb);
    for (Size l = 0; l < snbf; ++l) {
        std::copy_n(k.S.data() + l * snbf, snbf, red.data() + l * snb);
        const double* col = a + at(B[l], ld, nf);
        std::copy_n(col, static_cast<Size>(nr), red.data() + l * snb + snbf);
    }
    for (int32_t s = 0; s < nr; ++s) {
        const double* col = a + at(nf + s, ld, 0);
        double* dest = red.data() + (snbf + static_cast<Size>(s)) * snb;
        for (Size l = 0; l < snbf; ++l) dest[l] = col[B[l]];
        std::copy_n(col + nf, static_cast<Size>(nr), dest + snbf);
    }
    return red;
}

// v = a⁻¹ v through the condensation: y = A_ii⁻¹ v_i, the reduced right-hand
// side v_b - A_bi y, its solution z, and the interior x_i = y - X z_b.
class CondensedSolve {
public:
    CondensedSolve(const Kept& k, const ScaledLu& reduced, int32_t nf, int32_t nr)
        : k_(k), rs_(reduced), nf_(static_cast<Size>(nf)), nr_(static_cast<Size>(nr)), y_(k.interior.size()),
          g_(k.interface.size() + nr_) {}

    void operator()(std::vector<double>& v) {
        const std::vector<int32_t>& I = k_.interior;
        const std::vector<int32_t>& B = k_.interface;
        const Size sni = I.size(), snbf = B.size();
        for (Size p = 0; p < sni; ++p) y_[p] = v[static_cast<Size>(I[p])];
        k_.ii.solve(y_.data(), 1);
        for (Size p = 0; p < snbf; ++p) g_[p] = v[static_cast<Size>(B[p])];
        for (Size s = 0; s < nr_; ++s) g_[snbf + s] = v[nf_ + s];
        for (Size q = 0; q < sni; ++q) {
            const double yq = y_[q];
            if (yq == 0.0) continue;
            const Size j = static_cast<Size>(I[q]);
            for (Size p = k_.start[j]; p < k_.start[j + 1]; ++p) {
                const int32_t i = k_.in_interface[static_cast<Size>(k_.row[p])];
                if (i >= 0) g_[static_cast<Size>(i)] -= k_.value[p] * yq;
            }
        }
        rs_.solve(g_.data(), 1);
        for (Size l = 0; l < snbf; ++l) {
            const double z = g_[l];
            if (z == 0.0) continue;
            const double* x = k_.X.data() + l * sni;
            for (Size q = 0; q < sni; ++q) y_[q] -= x[q] * z;
        }
        for (Size p = 0; p < sni; ++p) v[static_cast<Size>(I[p])] = y_[p];
        for (Size p = 0; p < snbf; ++p) v[static_cast<Size>(B[p])] = g_[p];
        for (Size s = 0; s < nr_; ++s) v[nf_ + s] = g_[snbf + s];
    }

private:
    const Kept& k_;
    const ScaledLu& rs_;
    Size nf_, nr_;
    std::vector<double> y_, g_;
};

} // namespace

bool FrameCondensation::solve(const double* a, int32_t n, int32_t lda, int32_t nf,
                              const std::vector<int32_t>& interface_in, double* b, CondensedReport& report) {
    report = CondensedReport{};
    if (nf < 1 || nf >= n) return false;
    const Size ld = static_cast<Size>(lda), snf = static_cast<Size>(nf);
    const int32_t nr = n - nf;   // reactions

    std::vector<int32_t> interface = interface_in, interior;
    std::vector<char> touched(snf, 0);
    for (int32_t i : interface) touched[static_cast<Size>(i)] = 1;
    for (int32_t i = 0; i < nf; ++i)
        if (!touched[static_cast<Size>(i)]) interior.push_back(i);
    const int32_t ni = static_cast<int32_t>(interior.size()), nbf = static_cast<int32_t>(interface.size());
    const int32_t nb = nbf + nr;   // order of the reduced system
    report.interior = ni;
    report.reduced = nb;
    if (ni == 0) return false;
    if (ni < nb) {
        report.outcome = Condensation::small_interior;
        return false;
    }

    Kept& k = *kept_;
    report.reused = k.interface == interface && same_frame(k, a, ld, nf);
    if (!report.reused) {
        k = Kept{};   // the old factors go before the new ones are made
        try {
            keep_frame(k, a, ld, nf);
            k.interior = std::move(interior);
            k.interface = std::move(interface);
            k.usable = condense_interior(k);
        } catch (...) {   // out of memory: nothing half built is kept
            k = Kept{};
            throw;
        }
    }
    report.rcond_interior = k.ii.rcond;
    if (!k.usable) {
        report.outcome = Condensation::bad_interior;
        return false;
    }
    ScaledLu rs;
    if (!rs.factor(reduced_matrix(k, a, ld, nf, nr), nb)) {
        report.outcome = Condensation::bad_reduced;
        return false;
    }
    report.rcond_reduced = rs.rcond;
    // One step of refinement on the whole system.
    CondensedSolve solve(k, rs, nf, nr);
    report.refinement = solve_refined(a, static_cast<Size>(n), ld, b, solve);
    report.outcome = Condensation::used;
    return true;
}

} // namespace qb
