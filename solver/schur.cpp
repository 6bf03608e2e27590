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

double seconds_since(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

} // namespace

// The frame factored for one coupling.
struct SchurSolver::Frame {
    const SparseFrame* key = nullptr;
    std::vector<int32_t> eq;          // the coupling it was built for
    cholmod_common cc{};
    bool started = false;
    cholmod_factor* L = nullptr;
    bool usable = false;
    int32_t nf = 0, nz = 0, nr = 0;
    std::vector<int32_t> perm, iperm;   // perm[k]: the frame equation at position k
    std::vector<int32_t> zof;           // per frame equation, its place among z (0..nz-1), -1 none
    std::vector<int32_t> zeq;           // per place among z, its frame equation
    double alpha = 1.0;
    std::vector<double> L22, Kz, Cz;    // nz x nz, nz x nz, nz x nr, column-major

    ~Frame() {
        if (!started) return;
        const Cholmod& c = cholmod();
        if (L) c.free_factor(&L, &cc);
        c.finish(&cc);
    }

    // y = L^-1 v (v and y in factor order, nf values), in place.
    void forward(std::vector<double>& v) {
        const Cholmod& c = cholmod();
        cholmod_dense b{};
        b.nrow = static_cast<Size>(nf);
        b.ncol = 1;
        b.nzmax = static_cast<Size>(nf);
        b.d = static_cast<Size>(nf);
        b.x = v.data();
        b.xtype = CHOLMOD_REAL;
        b.dtype = CHOLMOD_DOUBLE;
        cholmod_dense* y = c.solve(CHOLMOD_L, L, &b, &cc);
        if (!y) throw std::bad_alloc();
        std::copy_n(static_cast<const double*>(y->x), nf, v.data());
        c.free_dense(&y, &cc);
    }
    void backward(std::vector<double>& v) {
        const Cholmod& c = cholmod();
        cholmod_dense b{};
        b.nrow = static_cast<Size>(nf);
        b.ncol = 1;
        b.nzmax = static_cast<Size>(nf);
        b.d = static_cast<Size>(nf);
        b.x = v.data();
        b.xtype = CHOLMOD_REAL;
        b.dtype = CHOLMOD_DOUBLE;
        cholmod_dense* y = c.solve(CHOLMOD_Lt, L, &b, &cc);
        if (!y) throw std::bad_alloc();
        std::copy_n(static_cast<const double*>(y->x), nf, v.data());
        c.free_dense(&y, &cc);
    }

    // L22 times the trailing nz values of y (in place into `out`).
    void times_L22(const double* y2, double* out, int32_t ncols) const {
        std::copy_n(y2, static_cast<Size>(nz) * static_cast<Size>(ncols), out);
        if (nz == 0 || ncols == 0) return;
        const double one = 1.0;
        const LibraryCall call;
        lapack().dtrmm_("L", "L", "N", "N", &nz, &ncols, &one, L22.data(), &nz, out, &nz, 1, 1, 1, 1);
    }

    bool build(const SparseFrame& f);
};

bool SchurSolver::Frame::build(const SparseFrame& f) {
    const Cholmod& c = cholmod();
    key = &f;
    eq = f.eq;
    nf = f.nf;
    nr = f.nr;
    const Size snf = static_cast<Size>(nf);

    // The partition: z (the reactions' equations), the equations C touches,
    // the rest.
    std::vector<int32_t> member(snf, 0);
    for (int32_t j = 0; j < nr; ++j)
        for (int64_t p = f.Cp[static_cast<Size>(j)]; p < f.Cp[static_cast<Size>(j) + 1]; ++p)
            if (f.Cx[static_cast<Size>(p)] != 0.0) member[static_cast<Size>(f.Ci[static_cast<Size>(p)])] = 1;
    zof.assign(snf, -1);
    zeq.clear();
    for (int32_t e : f.eq)
        if (e >= 0 && zof[static_cast<Size>(e)] < 0) {
            zof[static_cast<Size>(e)] = 0;
            member[static_cast<Size>(e)] = 2;
        }
    for (int32_t i = 0; i < nf; ++i)
        if (member[static_cast<Size>(i)] == 2) {
            zof[static_cast<Size>(i)] = static_cast<int32_t>(zeq.size());
            zeq.push_back(i);
        }
    nz = static_cast<int32_t>(zeq.size());

    // The shift: the mean stiffness of z on the diagonal, so that K + alpha Z
    // is positive definite and L22 L22' - alpha I loses little to cancellation.
    double diag = 0.0;
    for (int32_t e : zeq)
        for (int64_t p = f.Kp[static_cast<Size>(e)]; p < f.Kp[static_cast<Size>(e) + 1]; ++p)
            if (f.Ki[static_cast<Size>(p)] == e) diag += std::fabs(f.Kx[static_cast<Size>(p)]);
    alpha = nz > 0 && diag > 0.0 ? diag / nz : 1.0;

    // K + alpha Z, upper triangle, with a diagonal entry in every column.
    std::vector<int32_t> Ap(snf + 1, 0), Ai;
    std::vector<double> Ax;
    for (int32_t col = 0; col < nf; ++col) {
        bool has_diagonal = false;
        for (int64_t p = f.Kp[static_cast<Size>(col)]; p < f.Kp[static_cast<Size>(col) + 1]; ++p) {
            const int32_t row = f.Ki[static_cast<Size>(p)];
            if (row > col) continue;
            double v = f.Kx[static_cast<Size>(p)];
            if (row == col) {
                has_diagonal = true;
                if (member[static_cast<Size>(col)] == 2) v += alpha;
            }
            Ai.push_back(row);
            Ax.push_back(v);
        }
        if (!has_diagonal) {
            Ai.push_back(col);
            Ax.push_back(member[static_cast<Size>(col)] == 2 ? alpha : 0.0);
        }
        Ap[static_cast<Size>(col) + 1] = static_cast<int32_t>(Ai.size());
    }
    cholmod_sparse A{};
    A.nrow = snf;
    A.ncol = snf;
    A.nzmax = Ai.size();
    A.p = Ap.data();
    A.i = Ai.data();
    A.x = Ax.data();
    A.stype = 1;
    A.itype = CHOLMOD_INT;
    A.xtype = CHOLMOD_REAL;
    A.dtype = CHOLMOD_DOUBLE;
    A.sorted = 1;
    A.packed = 1;

    const LibraryCall call;
    c.start(&cc);
    started = true;
    cc.supernodal = CHOLMOD_SUPERNODAL;
    cc.final_ll = 1;
    cc.nmethods = 1;
    cc.method[0].ordering = CHOLMOD_GIVEN;
    cc.postorder = 0;
    cc.print = 0;
    perm.assign(snf, 0);
    if (!c.camd(&A, nullptr, 0, member.data(), perm.data(), &cc)) throw std::bad_alloc();
    L = c.analyze_p(&A, perm.data(), nullptr, 0, &cc);
    if (!L) throw std::bad_alloc();
    c.factorize(&A, L, &cc);
    if (cc.status == CHOLMOD_OUT_OF_MEMORY) throw std::bad_alloc();
    if (L->minor < snf) return false;   // the frame stands on z alone no more: not condensable
    const int32_t* Lperm = static_cast<const int32_t*>(L->Perm);
    for (Size k = 0; k < snf; ++k) perm[k] = Lperm[k];
    iperm.assign(snf, 0);
    for (Size k = 0; k < snf; ++k) iperm[static_cast<Size>(perm[k])] = static_cast<int32_t>(k);
    for (int32_t k = nf - nz; k < nf; ++k)
        if (member[static_cast<Size>(perm[static_cast<Size>(k)])] != 2) return false;
    // z in factor order, as the trailing block holds it.
    for (int32_t k = 0; k < nz; ++k) {
        const int32_t e = perm[static_cast<Size>(nf - nz + k)];
        zeq[static_cast<Size>(k)] = e;
        zof[static_cast<Size>(e)] = k;
    }

    // L22 from the factor in simplicial form.
    if (!c.change_factor(CHOLMOD_REAL, 1, 0, 1, 1, L, &cc)) throw std::bad_alloc();
    const int32_t* Lp = static_cast<const int32_t*>(L->p);
    const int32_t* Li = static_cast<const int32_t*>(L->i);
    const double* Lx = static_cast<const double*>(L->x);
    const Size snz = static_cast<Size>(nz);
    L22.assign(snz * snz, 0.0);
    for (int32_t k = nf - nz; k < nf; ++k)
        for (int32_t p = Lp[k]; p < Lp[k + 1]; ++p)
            L22[static_cast<Size>(k - (nf - nz)) * snz + static_cast<Size>(Li[p] - (nf - nz))] = Lx[p];

    // Kz = L22 L22' - alpha I.
    Kz.assign(snz * snz, 0.0);
    if (nz > 0) {
        const double one = 1.0, zero = 0.0;
        lapack().dgemm_("N", "T", &nz, &nz, &nz, &one, L22.data(), &nz, L22.data(), &nz, &zero, Kz.data(), &nz, 1, 1);
        for (Size k = 0; k < snz; ++k) Kz[k * snz + k] -= alpha;
    }

    // Cz = L22 y2 for y = L^-1 P C, column by column of C.
    Cz.assign(snz * static_cast<Size>(nr), 0.0);
    std::vector<double> v(snf), y2(snz);
    for (int32_t j = 0; j < nr; ++j) {
        std::fill(v.begin(), v.end(), 0.0);
        bool any = false;
        for (int64_t p = f.Cp[static_cast<Size>(j)]; p < f.Cp[static_cast<Size>(j) + 1]; ++p) {
            v[static_cast<Size>(iperm[static_cast<Size>(f.Ci[static_cast<Size>(p)])])] += f.Cx[static_cast<Size>(p)];
            any = true;
        }
        if (!any) continue;
        forward(v);
        times_L22(v.data() + (snf - snz), Cz.data() + static_cast<Size>(j) * snz, 1);
    }
    usable = true;
    return true;
}

SchurSolver::SchurSolver() = default;
SchurSolver::~SchurSolver() = default;

bool SchurSolver::solve(const SparseFrame& f, const double* S, const double* b, double* x, SchurReport& report) {
    report = SchurReport{};
    auto t0 = std::chrono::steady_clock::now();
    Frame* fr = nullptr;
    for (auto& k : frames_)
        if (k->key == &f && k->eq == f.eq) fr = k.get();
    report.reused = fr != nullptr;
    if (!fr) {
        frames_.push_back(std::make_unique<Frame>());
        fr = frames_.back().get();
        if (!fr->build(f)) fr->usable = false;
    }
    factor_seconds += seconds_since(t0);
    if (!fr->usable) return false;
    t0 = std::chrono::steady_clock::now();

    const int32_t nf = f.nf, nr = f.nr, nz = fr->nz, n = nz + nr;
    const Size snf = static_cast<Size>(nf), snz = static_cast<Size>(nz), sn = static_cast<Size>(n);
    report.reduced = n;

    // The dense system [Kz Cz; Dz S].
    std::vector<double> M(sn * sn, 0.0);
    for (Size col = 0; col < snz; ++col) std::copy_n(fr->Kz.data() + col * snz, snz, M.data() + col * sn);
    for (Size j = 0; j < static_cast<Size>(nr); ++j) {
        std::copy_n(fr->Cz.data() + j * snz, snz, M.data() + (snz + j) * sn);
        std::copy_n(S + j * static_cast<Size>(nr), static_cast<Size>(nr), M.data() + (snz + j) * sn + snz);
        const int32_t e = f.eq[j];
        if (e >= 0) M[static_cast<Size>(fr->zof[static_cast<Size>(e)]) * sn + snz + j] = 1.0;
    }
    ScaledLu lu;
    if (!lu.factor(std::move(M), n)) throw SingularMatrix();
    report.rcond = lu.rcond;

    // One solve of the whole system for (bf, br) -> x.
    std::vector<double> v(snf), red(sn), w(snf);
    auto whole = [&](const double* bf, const double* br, double* out) {
        // bz = L22 y2 for y = L^-1 P bf
        for (Size i = 0; i < snf; ++i) v[static_cast<Size>(fr->iperm[i])] = bf[i];
        fr->forward(v);
        fr->times_L22(v.data() + (snf - snz), red.data(), 1);
        std::copy_n(br, static_cast<Size>(nr), red.data() + snz);
        lu.solve(red.data(), 1);
        // the other displacements: K11 d1 = (bf - K(:,z) dz - C r)_1
        std::copy_n(bf, snf, w.data());
        for (Size k = 0; k < snz; ++k) {
            const int32_t e = fr->zeq[k];
            const double dz = red[k];
            for (int64_t p = f.Kp[static_cast<Size>(e)]; p < f.Kp[static_cast<Size>(e) + 1]; ++p)
                w[static_cast<Size>(f.Ki[static_cast<Size>(p)])] -= f.Kx[static_cast<Size>(p)] * dz;
        }
        for (Size j = 0; j < static_cast<Size>(nr); ++j) {
            const double r = red[snz + j];
            for (int64_t p = f.Cp[j]; p < f.Cp[j + 1]; ++p) w[static_cast<Size>(f.Ci[static_cast<Size>(p)])] -= f.Cx[static_cast<Size>(p)] * r;
        }
        for (Size i = 0; i < snf; ++i) v[static_cast<Size>(fr->iperm[i])] = w[i];
        fr->forward(v);
        std::fill(v.begin() + static_cast<std::ptrdiff_t>(snf - snz), v.end(), 0.0);
        fr->backward(v);
        for (Size i = 0; i < snf; ++i) out[i] = v[static_cast<Size>(fr->iperm[i])];
        for (Size k = 0; k < snz; ++k) out[fr->zeq[k]] = red[k];
        std::copy_n(red.data() + snz, static_cast<Size>(nr), out + snf);
    };

    // The residual of the whole system, and one step of refinement.
    const Size total = snf + static_cast<Size>(nr);
    std::vector<double> zero(static_cast<Size>(nr), 0.0), res(total), dx(total);
    whole(b, zero.data(), x);
    for (Size i = 0; i < snf; ++i) res[i] = b[i];
    std::fill(res.begin() + static_cast<std::ptrdiff_t>(snf), res.end(), 0.0);
    for (int32_t col = 0; col < nf; ++col) {
        const double xc = x[col];
        if (xc == 0.0) continue;
        for (int64_t p = f.Kp[static_cast<Size>(col)]; p < f.Kp[static_cast<Size>(col) + 1]; ++p)
            res[static_cast<Size>(f.Ki[static_cast<Size>(p)])] -= f.Kx[static_cast<Size>(p)] * xc;
    }
    for (int32_t j = 0; j < nr; ++j) {
        const double r = x[snf + static_cast<Size>(j)];
        for (int64_t p = f.Cp[static_cast<Size>(j)]; p < f.Cp[static_cast<Size>(j) + 1]; ++p)
            res[static_cast<Size>(f.Ci[static_cast<Size>(p)])] -= f.Cx[static_cast<Size>(p)] * r;
        const int32_t e = f.eq[static_cast<Size>(j)];
        double s = e >= 0 ? x[e] : 0.0;
        for (int32_t k = 0; k < nr; ++k) s += S[static_cast<Size>(k) * static_cast<Size>(nr) + static_cast<Size>(j)] * x[snf + static_cast<Size>(k)];
        res[snf + static_cast<Size>(j)] -= s;
    }
    whole(res.data(), res.data() + snf, dx.data());
    double step = 0.0, size = 0.0;
    for (Size i = 0; i < total; ++i) {
        x[i] += dx[i];
        step = std::max(step, std::fabs(dx[i]));
        size = std::max(size, std::fabs(x[i]));
    }
    report.refinement = size > 0.0 ? step / size : step;
    dense_seconds += seconds_since(t0);
    return true;
}

} // namespace qb
