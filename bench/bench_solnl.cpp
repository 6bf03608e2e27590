// Nonlinear solution (SOLNL) of case 2 on a grid building: seconds per Newton
// iteration, and the share of an iteration spent in the equation solver, in
// the settlement evaluations of the Jacobian and in the trace.
//
//   bench_solnl [nx ny storeys] [--traced]
//                 (default 13 9 2: 140 area reactions, n = 2240)
//
// The whole solution runs with its trace closed; the parts of an iteration
// are then timed alone at the last state: one elimination of the Jacobian,
// and the 1 + NR settlement evaluations of an iteration without and with
// their trace (written to /dev/null: formatting counted, the disk not). With
// n > 500 the rest of an iteration's trace is a few records per unknown, so
// an iteration with its trace costs the closed one plus the settlement
// trace; --traced also runs the whole solution with the trace to /dev/null
// to measure it (several minutes at the default size).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "grid_model.h"
#include "driver/run.h"
#include "solver/demeneghi.h"
#include "solver/dense.h"
#include "solver/newton.h"

namespace {

using Clock = std::chrono::steady_clock;
double since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

struct Count : qb::NewtonObserver {
    int32_t iterations = 0;
    void iteration(int32_t) override { ++iterations; }
};

} // namespace

int main(int argc, char** argv) {
    using namespace qb;
    const bool traced_run = argc > 1 && std::string(argv[argc - 1]) == "--traced";
    const int sizes = argc - 1 - (traced_run ? 1 : 0);
    const int nx = sizes >= 3 ? std::atoi(argv[1]) : 13;
    const int ny = sizes >= 3 ? std::atoi(argv[2]) : 9;
    const int storeys = sizes >= 3 ? std::atoi(argv[3]) : 2;

    Model m;
    FrameSystem frame;
    Io io;   // every channel closed: the preparation is not timed
    ListReader in("grid.dat", grid_model(nx, ny, storeys));
    prepare(m, frame, io, in);
    const int32_t n = m.NGRED + m.NR, caso = 2;
    std::fprintf(stderr, "grid %d x %d, %d storeys: NR = %d, NGRED = %d, n = %d\n", nx, ny, storeys, m.NR, m.NGRED,
                 n);

    Channel devnull;
    if (!devnull.open("/dev/null")) return 1;
    const Trace closed, traced_log(devnull);

    CaseState st;
    st.clear(m);
    Count quiet;
    auto t0 = Clock::now();
    const NewtonResult r = SOLNL(m, frame, st, caso, frame.vered[2], closed, quiet);
    const double per_it = since(t0) / r.iterations;
    std::fprintf(stderr, "SOLNL: %d iterations (%s), %.3f s per iteration with the trace closed\n", r.iterations,
                 r.converged ? "converged" : "not converged", per_it);
    double per_it_traced = 0.0;
    if (traced_run) {
        Count traced;
        t0 = Clock::now();
        const NewtonResult rt = SOLNL(m, frame, st, caso, frame.vered[2], traced_log, traced);
        devnull.flush();
        per_it_traced = since(t0) / rt.iterations;
    }

    // The Newton vector at the last state.
    Vec1<float> R(n), h(m.NR), def, negdef(m.NR);
    for (int32_t g = 1; g <= m.NTOT; ++g)
        if (m.NGL(g) != 0) R(m.NGL(g)) = st.DESPL(g);
    for (int32_t j = 1; j <= m.NR; ++j) R(m.NGRED + j) = st.reaction(m, j);
    const Mat1<float>& A = demeneghi_coefficients(m.soil, caso);

    // Settlements of one iteration: the residual's and the Jacobian's.
    Mat1<float> J(n, n);
    auto settlements = [&](Trace log) {
        const auto s0 = Clock::now();
        CalcDefNL(m, caso, A, R, h, def, log);
        for (int32_t j = 1; j <= m.NR; ++j) negdef(j) = -def(j);
        settlement_jacobian(m, DemeneghiLaw(caso), R, negdef, J, log);
        static_cast<Channel&>(log).flush();
        return since(s0);
    };
    const double settle_quiet = settlements(closed);
    const double settle_traced = settlements(traced_log);

    // One elimination of the Jacobian (the faster of two: the machine is shared).
    const CoupledSystem sys(m, frame, m.NR);
    sys.copy_frame(J);
    sys.set_compatibility_ones(J);
    double solve = 0.0;
    SolverContext ctx;
    for (int rep = 0; rep < 2; ++rep) {
        Mat1<float> Jw = J;
        Vec1<float> b(n, 1.0f);
        t0 = Clock::now();
        // the call the iteration makes: the inverse only where the log prints it
        solve_dense(sys, Jw, b, n <= NEWTON_LOG_ORDER, closed, ctx);
        const double s = since(t0);
        if (rep == 0 || s < solve) solve = s;
    }

    const double trace = settle_traced - settle_quiet;
    const double iteration = per_it + trace;
    std::printf("seconds per Newton iteration: %.3f with the trace closed, %.3f with it", per_it, iteration);
    if (traced_run) std::printf(" (measured: %.3f)", per_it_traced);
    std::printf("\nshare of an iteration with its trace:\n");
    std::printf("  gaussj                        %8.3f s  %5.1f %%\n", solve, 100.0 * solve / iteration);
    std::printf("  settlements of the Jacobian   %8.3f s  %5.1f %%\n", settle_quiet, 100.0 * settle_quiet / iteration);
    std::printf("  trace of the settlements      %8.3f s  %5.1f %%\n", trace, 100.0 * trace / iteration);
    return 0;
}
