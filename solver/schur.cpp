#include "solver/schur.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <stdexcept>

#include "solver/cholmod.h"
#include "solver/gaussj.h"
#include "solver/lapack.h"
#include "solver/lu.h"
#include "textio/stop.h"

namespace qb {

namespace {

using Size = std::size_t;

// The upper triangle of a symmetric matrix held in compressed columns, as
// CHOLMOD reads it (values, or the pattern alone when x is null).
cholmod_sparse upper_triangle(Size n, std::vector<int32_t>& p, std::vector<int32_t>& i, double* x) {
    cholmod_sparse A{};
    A.nrow = n;
    A.ncol = n;
    A.nzmax = i.size();
    A.p = p.data();
    A.i = i.data();
    A.x = x;
    A.stype = 1;
    A.itype = CHOLMOD_INT;
    A.xtype = x != nullptr ? CHOLMOD_REAL : CHOLMOD_PATTERN;
    A.dtype = CHOLMOD_DOUBLE;
    A.sorted = 1;
    A.packed = 1;
    return A;
}

double seconds_since(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

} // namespace

// The frame factored for one coupling.
struct SchurSolver::Frame {
    const SparseFrame* key = nullptr;   // the frame and coupling it was built for
    cholmod_common cc{};
    bool started = false;
    cholmod_factor* L = nullptr;
    bool usable = false;
    int32_t nf = 0, nz = 0, nr = 0;
    std::vector<int32_t> perm, iperm;   // perm[k]: the frame equation at position k
    std::vector<int32_t> zof;           // per frame equation, its place among z (0..nz-1), -1 none
    std::vector<int32_t> zeq;           // per place among z, its frame equation
    double alpha = 1.0;
    SchurSolver::FactorStats stats;
    std::vector<double> L22, Kz, Cz;    // nz x nz, nz x nz, nz x nr, column-major

    ~Frame() {
        if (!started) return;
        const Cholmod& c = cholmod();
        if (L) c.free_factor(&L, &cc);
        c.finish(&cc);
    }

    // v = L^-1 v (CHOLMOD_L) or L'^-1 v (CHOLMOD_Lt), v in factor order, nf values.
    void solve_with(int which, std::vector<double>& v) {
        const Cholmod& c = cholmod();
        cholmod_dense b{};
        b.nrow = static_cast<Size>(nf);
        b.ncol = 1;
        b.nzmax = static_cast<Size>(nf);
        b.d = static_cast<Size>(nf);
        b.x = v.data();
        b.xtype = CHOLMOD_REAL;
        b.dtype = CHOLMOD_DOUBLE;
        cholmod_dense* y = c.solve(which, L, &b, &cc);
        if (!y) throw std::bad_alloc();
        std::copy_n(static_cast<const double*>(y->x), nf, v.data());
        c.free_dense(&y, &cc);
    }
    void forward(std::vector<double>& v) { solve_with(CHOLMOD_L, v); }
    void backward(std::vector<double>& v) { solve_with(CHOLMOD_Lt, v); }

    // L22 times the trailing nz values of y (in place into `out`).
    void times_L22(const double* y2, double* out, int32_t ncols) const {
        if (y2 != out) std::copy_n(y2, static_cast<Size>(nz) * static_cast<Size>(ncols), out);
        if (nz == 0 || ncols == 0) return;
        const double one = 1.0;
        const LibraryCall call;
        lapack().dtrmm_("L", "L", "N", "N", &nz, &ncols, &one, L22.data(), &nz, out, &nz, 1, 1, 1, 1);
    }

    bool build(const SparseFrame& f);

    // The steps of build.
    struct Pattern {
        std::vector<int32_t> p, i;
        std::vector<double> x;
    };
    std::vector<int32_t> partition(const SparseFrame& f);
    void shifted_frame(const SparseFrame& f, const std::vector<int32_t>& member, Pattern& A);
    void order(const std::vector<int32_t>& member, Pattern& A);
    std::vector<double> trailing_block(int32_t nt) const;
    void condense(const SparseFrame& f, std::vector<double> LT, int32_t nt);
    void solve_whole(const SparseFrame& f, const ScaledLu& lu, const double* bf, const double* br, double* out);
};

// The partition: member 2 for z (the reactions' equations), 1 for the other
// equations C touches, 0 for the rest; z numbered in the frame's order.
std::vector<int32_t> SchurSolver::Frame::partition(const SparseFrame& f) {
    const Size snf = static_cast<Size>(nf);
    std::vector<int32_t> member(snf, 0);
    for (int32_t j = 0; j < nr; ++j)
        for (int64_t p = f.Cp[static_cast<Size>(j)]; p < f.Cp[static_cast<Size>(j) + 1]; ++p)
            if (f.Cx[static_cast<Size>(p)] != 0.0) member[static_cast<Size>(f.Ci[static_cast<Size>(p)])] = 1;
    for (int32_t e : f.eq)
        if (e >= 0) member[static_cast<Size>(e)] = 2;
    zof.assign(snf, -1);
    zeq.clear();
    for (int32_t i = 0; i < nf; ++i)
        if (member[static_cast<Size>(i)] == 2) {
            zof[static_cast<Size>(i)] = static_cast<int32_t>(zeq.size());
            zeq.push_back(i);
        }
    nz = static_cast<int32_t>(zeq.size());
    return member;
}

// K + alpha Z, upper triangle, with a diagonal entry in every column. The
// shift is the mean stiffness of z on the diagonal, so that the sum is
// positive definite and L22 L22' - alpha I loses little to cancellation.
void SchurSolver::Frame::shifted_frame(const SparseFrame& f, const std::vector<int32_t>& member, Pattern& A) {
    double diag = 0.0;
    for (int32_t e : zeq)
        for (int64_t p = f.Kp[static_cast<Size>(e)]; p < f.Kp[static_cast<Size>(e) + 1]; ++p)
            if (f.Ki[static_cast<Size>(p)] == e) diag += std::fabs(f.Kx[static_cast<Size>(p)]);
    alpha = nz > 0 && diag > 0.0 ? diag / nz : 1.0;
    A.p.assign(static_cast<Size>(nf) + 1, 0);
    for (int32_t col = 0; col < nf; ++col) {
        const double shift = member[static_cast<Size>(col)] == 2 ? alpha : 0.0;
        bool has_diagonal = false;
        for (int64_t p = f.Kp[static_cast<Size>(col)]; p < f.Kp[static_cast<Size>(col) + 1]; ++p) {
            const int32_t row = f.Ki[static_cast<Size>(p)];
            if (row > col) continue;
            has_diagonal = has_diagonal || row == col;
            A.i.push_back(row);
            A.x.push_back(f.Kx[static_cast<Size>(p)] + (row == col ? shift : 0.0));
        }
        if (!has_diagonal) {
            A.i.push_back(col);
            A.x.push_back(shift);
        }
        A.p[static_cast<Size>(col) + 1] = static_cast<int32_t>(A.i.size());
    }
}

// The ordering: the equations outside T (z and those C touches) by minimum
// degree or by nested dissection, whichever fills less, then T, z last. Keeps
// the analysis of the one chosen in L.
void SchurSolver::Frame::order(const std::vector<int32_t>& member, Pattern& A) {
    const Cholmod& c = cholmod();
    const auto started = std::chrono::steady_clock::now();
    const Size snf = static_cast<Size>(nf);
    cholmod_sparse whole = upper_triangle(snf, A.p, A.i, A.x.data());
    std::vector<int32_t> outside, place(snf, -1);
    for (int32_t i = 0; i < nf; ++i)
        if (member[static_cast<Size>(i)] == 0) {
            place[static_cast<Size>(i)] = static_cast<int32_t>(outside.size());
            outside.push_back(i);
        }
    const Size nout = outside.size();
    Pattern out;
    out.p.assign(nout + 1, 0);
    for (Size k = 0; k < nout; ++k) {
        const int32_t col = outside[k];
        for (int32_t p = A.p[static_cast<Size>(col)]; p < A.p[static_cast<Size>(col) + 1]; ++p)
            if (const int32_t r = place[static_cast<Size>(A.i[static_cast<Size>(p)])]; r >= 0) out.i.push_back(r);
        out.p[k + 1] = static_cast<int32_t>(out.i.size());
    }
    cholmod_sparse A11 = upper_triangle(nout, out.p, out.i, nullptr);
    const auto ordering = [&](bool dissection) {
        std::vector<int32_t> sub(nout), full;
        full.reserve(snf);
        const int ok = nout == 0 ? 1
                       : dissection ? c.metis(&A11, nullptr, 0, 1, sub.data(), &cc)
                                    : c.amd(&A11, nullptr, 0, sub.data(), &cc);
        if (!ok) return full;
        for (Size k = 0; k < nout; ++k) full.push_back(outside[static_cast<Size>(sub[k])]);
        for (int32_t want = 1; want <= 2; ++want)
            for (int32_t i = 0; i < nf; ++i)
                if (member[static_cast<Size>(i)] == want) full.push_back(i);
        return full;
    };
    for (const bool dissection : {false, true}) {
        std::vector<int32_t> p = ordering(dissection);
        if (p.size() != snf) continue;
        cholmod_factor* trial = c.analyze_p(&whole, p.data(), nullptr, 0, &cc);
        if (!trial) continue;
        if (!L || cc.fl < stats.flops) {
            if (L) c.free_factor(&L, &cc);
            L = trial;
            stats.flops = cc.fl;
            stats.dissection = dissection;
            perm = std::move(p);
        } else {
            c.free_factor(&trial, &cc);
        }
    }
    if (!L) throw std::bad_alloc();
    stats.ordering_seconds = seconds_since(started);
}

// The trailing nt x nt block of the supernodal factor, as a dense lower
// triangle (column-major).
std::vector<double> SchurSolver::Frame::trailing_block(int32_t nt) const {
    const Size snt = static_cast<Size>(nt);
    const int32_t t0 = nf - nt;
    std::vector<double> LT(snt * snt, 0.0);
    const int32_t* super = static_cast<const int32_t*>(L->super);
    const int32_t* pi = static_cast<const int32_t*>(L->pi);
    const int32_t* px = static_cast<const int32_t*>(L->px);
    const int32_t* si = static_cast<const int32_t*>(L->s);
    const double* x = static_cast<const double*>(L->x);
    for (Size sn = 0; sn < L->nsuper; ++sn) {
        const int32_t k1 = super[sn], k2 = super[sn + 1];
        if (k2 <= t0) continue;
        const int32_t nsrow = pi[sn + 1] - pi[sn];
        for (int32_t col = std::max(k1, t0); col < k2; ++col)
            for (int32_t r = 0; r < nsrow; ++r) {
                const int32_t row = si[pi[sn] + r];
                if (row < col) continue;
                LT[static_cast<Size>(col - t0) * snt + static_cast<Size>(row - t0)] =
                    x[static_cast<Size>(px[sn]) + static_cast<Size>(col - k1) * static_cast<Size>(nsrow) +
                      static_cast<Size>(r)];
            }
    }
    return LT;
}

// From the trailing block LT of the factor on T: L22, Kz = L22 L22' - alpha I
// and Cz = L22 y2 for y = L^-1 P C = LT^-1 C_T, all columns at once.
void SchurSolver::Frame::condense(const SparseFrame& f, std::vector<double> LT, int32_t nt) {
    const Size snt = static_cast<Size>(nt), snz = static_cast<Size>(nz), a = snt - snz;
    const int32_t t0 = nf - nt;
    L22.assign(snz * snz, 0.0);
    for (Size col = 0; col < snz; ++col) std::copy_n(LT.data() + (a + col) * snt + a, snz, L22.data() + col * snz);
    Kz.assign(snz * snz, 0.0);
    if (nz > 0) {
        const double one = 1.0, zero = 0.0;
        lapack().dgemm_("N", "T", &nz, &nz, &nz, &one, L22.data(), &nz, L22.data(), &nz, &zero, Kz.data(), &nz, 1, 1);
        for (Size k = 0; k < snz; ++k) Kz[k * snz + k] -= alpha;
    }
    std::vector<double> CT(snt * static_cast<Size>(nr), 0.0);
    for (int32_t j = 0; j < nr; ++j)
        for (int64_t p = f.Cp[static_cast<Size>(j)]; p < f.Cp[static_cast<Size>(j) + 1]; ++p)
            CT[static_cast<Size>(j) * snt +
               static_cast<Size>(iperm[static_cast<Size>(f.Ci[static_cast<Size>(p)])] - t0)] += f.Cx[static_cast<Size>(p)];
    Cz.assign(snz * static_cast<Size>(nr), 0.0);
    if (nt == 0 || nr == 0) return;
    const double one = 1.0;
    lapack().dtrsm_("L", "L", "N", "N", &nt, &nr, &one, LT.data(), &nt, CT.data(), &nt, 1, 1, 1, 1);
    for (Size j = 0; j < static_cast<Size>(nr); ++j) std::copy_n(CT.data() + j * snt + a, snz, Cz.data() + j * snz);
    times_L22(Cz.data(), Cz.data(), nr);
}

bool SchurSolver::Frame::build(const SparseFrame& f) {
    const Cholmod& c = cholmod();
    key = &f;
    nf = f.nf;
    nr = f.nr;
    const Size snf = static_cast<Size>(nf);
    const std::vector<int32_t> member = partition(f);
    Pattern A;
    shifted_frame(f, member, A);

    const LibraryCall call;
    c.start(&cc);
    started = true;
    cc.supernodal = CHOLMOD_SUPERNODAL;
    cc.final_ll = 1;
    cc.nmethods = 1;
    cc.method[0].ordering = CHOLMOD_GIVEN;
    cc.postorder = 0;
    cc.print = 0;
    order(member, A);
    stats.equations = nf;
    cholmod_sparse whole = upper_triangle(snf, A.p, A.i, A.x.data());
    c.factorize(&whole, L, &cc);
    stats.entries = cc.lnz;
    if (cc.status == CHOLMOD_OUT_OF_MEMORY) throw std::bad_alloc();
    if (L->minor < snf) return false;   // the frame stands on z alone no more: not condensable

    // T last and z last in it, as the factor holds them; z in factor order.
    const int32_t* Lperm = static_cast<const int32_t*>(L->Perm);
    std::copy_n(Lperm, snf, perm.begin());
    iperm.assign(snf, 0);
    for (Size k = 0; k < snf; ++k) iperm[static_cast<Size>(perm[k])] = static_cast<int32_t>(k);
    const int32_t nt = static_cast<int32_t>(std::count_if(member.begin(), member.end(), [](int32_t x) { return x != 0; }));
    stats.trailing = nt;
    for (int32_t k = nf - nt; k < nf; ++k)
        if (member[static_cast<Size>(perm[static_cast<Size>(k)])] != (k >= nf - nz ? 2 : 1)) return false;
    for (int32_t k = 0; k < nz; ++k) {
        const int32_t e = perm[static_cast<Size>(nf - nz + k)];
        zeq[static_cast<Size>(k)] = e;
        zof[static_cast<Size>(e)] = k;
    }
    condense(f, trailing_block(nt), nt);
    usable = true;
    return true;
}

SchurSolver::SchurSolver() = default;
SchurSolver::~SchurSolver() = default;

SchurSolver::Frame* SchurSolver::find(const SparseFrame& f) const {
    for (const auto& k : frames_)
        if (k->key == &f) return k.get();
    return nullptr;
}

bool SchurSolver::factor(const SparseFrame& f) {
    if (const Frame* fr = find(f)) return fr->usable;
    const auto t0 = std::chrono::steady_clock::now();
    frames_.push_back(std::make_unique<Frame>());
    Frame* fr = frames_.back().get();
    if (!fr->build(f)) fr->usable = false;
    fr->stats.seconds = seconds_since(t0);
    last_factor = fr->stats;
    return fr->usable;
}

namespace {

// The dense system [Kz Cz; Dz S] of the reactions' equations and the
// reactions (column-major, order nz + nr).
std::vector<double> reduced_system(const SparseFrame& f, const std::vector<double>& Kz, const std::vector<double>& Cz,
                                   const std::vector<int32_t>& zof, const double* S, int32_t nz) {
    const Size snz = static_cast<Size>(nz), nr = static_cast<Size>(f.nr), sn = snz + nr;
    std::vector<double> M(sn * sn, 0.0);
    for (Size col = 0; col < snz; ++col) std::copy_n(Kz.data() + col * snz, snz, M.data() + col * sn);
    for (Size j = 0; j < nr; ++j) {
        std::copy_n(Cz.data() + j * snz, snz, M.data() + (snz + j) * sn);
        std::copy_n(S + j * nr, nr, M.data() + (snz + j) * sn + snz);
        if (const int32_t e = f.eq[j]; e >= 0) M[static_cast<Size>(zof[static_cast<Size>(e)]) * sn + snz + j] = 1.0;
    }
    return M;
}

// res = b - A x over the whole coupled system (frame rows, then the
// compatibility rows).
void residual(const SparseFrame& f, const double* S, const double* b, const double* x, std::vector<double>& res) {
    const Size nf = static_cast<Size>(f.nf), nr = static_cast<Size>(f.nr);
    res.assign(b, b + nf + nr);
    for (Size col = 0; col < nf; ++col) {
        const double xc = x[col];
        if (xc == 0.0) continue;
        for (int64_t p = f.Kp[col]; p < f.Kp[col + 1]; ++p) res[static_cast<Size>(f.Ki[static_cast<Size>(p)])] -= f.Kx[static_cast<Size>(p)] * xc;
    }
    for (Size j = 0; j < nr; ++j) {
        const double r = x[nf + j];
        for (int64_t p = f.Cp[j]; p < f.Cp[j + 1]; ++p) res[static_cast<Size>(f.Ci[static_cast<Size>(p)])] -= f.Cx[static_cast<Size>(p)] * r;
        const int32_t e = f.eq[j];
        double s = e >= 0 ? x[e] : 0.0;
        for (Size k = 0; k < nr; ++k) s += S[k * nr + j] * x[nf + k];
        res[nf + j] -= s;
    }
}

} // namespace

// One solve of the whole system for the right-hand side (bf, br): the dense
// system for d_z and r, then the other displacements from
// K11 d1 = (bf - K(:, z) d_z - C r)_1 through the factor.
void SchurSolver::Frame::solve_whole(const SparseFrame& f, const ScaledLu& lu, const double* bf, const double* br,
                                     double* out) {
    const Size snf = static_cast<Size>(nf), snz = static_cast<Size>(nz), snr = static_cast<Size>(nr);
    std::vector<double> v(snf), red(snz + snr), w(bf, bf + snf);
    for (Size i = 0; i < snf; ++i) v[static_cast<Size>(iperm[i])] = bf[i];
    forward(v);
    times_L22(v.data() + (snf - snz), red.data(), 1);   // bz = L22 y2 for y = L^-1 P bf
    std::copy_n(br, snr, red.data() + snz);
    lu.solve(red.data(), 1);
    for (Size k = 0; k < snz; ++k) {
        const int32_t e = zeq[k];
        for (int64_t p = f.Kp[static_cast<Size>(e)]; p < f.Kp[static_cast<Size>(e) + 1]; ++p)
            w[static_cast<Size>(f.Ki[static_cast<Size>(p)])] -= f.Kx[static_cast<Size>(p)] * red[k];
    }
    for (Size j = 0; j < snr; ++j)
        for (int64_t p = f.Cp[j]; p < f.Cp[j + 1]; ++p)
            w[static_cast<Size>(f.Ci[static_cast<Size>(p)])] -= f.Cx[static_cast<Size>(p)] * red[snz + j];
    for (Size i = 0; i < snf; ++i) v[static_cast<Size>(iperm[i])] = w[i];
    forward(v);
    std::fill(v.begin() + static_cast<std::ptrdiff_t>(snf - snz), v.end(), 0.0);
    backward(v);
    for (Size i = 0; i < snf; ++i) out[i] = v[static_cast<Size>(iperm[i])];
    for (Size k = 0; k < snz; ++k) out[zeq[k]] = red[k];
    std::copy_n(red.data() + snz, snr, out + snf);
}

bool SchurSolver::solve(const SparseFrame& f, const double* S, const double* b, double* x, SchurReport& report) {
    report = SchurReport{};
    report.reused = factored(f);
    if (!factor(f)) return false;
    Frame* fr = find(f);
    report.reduced = fr->nz + f.nr;
    ScaledLu lu;
    if (!lu.factor(reduced_system(f, fr->Kz, fr->Cz, fr->zof, S, fr->nz), report.reduced)) throw SingularMatrix();
    report.rcond = lu.rcond;

    // The solution, the residual of the whole system and one step of refinement.
    const Size snf = static_cast<Size>(f.nf), total = snf + static_cast<Size>(f.nr);
    fr->solve_whole(f, lu, b, b + snf, x);
    std::vector<double> res, dx(total);
    residual(f, S, b, x, res);
    fr->solve_whole(f, lu, res.data(), res.data() + snf, dx.data());
    double step = 0.0, size = 0.0;
    for (Size i = 0; i < total; ++i) {
        x[i] += dx[i];
        step = std::max(step, std::fabs(dx[i]));
        size = std::max(size, std::fabs(x[i]));
    }
    report.refinement = size > 0.0 ? step / size : step;
    return true;
}

} // namespace qb
