#include "driver/resources.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <sys/resource.h>
#include <unistd.h>

#include "soil/influence.h"
#include "solver/lapack.h"

namespace qb::inline QB_ARITH {

namespace {

int64_t meminfo_available() {
    std::FILE* f = std::fopen("/proc/meminfo", "r");
    if (!f) return -1;
    char line[256];
    int64_t kb = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "MemAvailable:", 13) == 0) {
            long long v = 0;
            if (std::sscanf(line + 13, "%lld", &v) == 1) kb = v;
            break;
        }
    std::fclose(f);
    return kb < 0 ? -1 : kb * 1024;
}

// What the address-space limit leaves above the current size of the process.
int64_t address_space_left() {
    struct rlimit rl {};
    if (getrlimit(RLIMIT_AS, &rl) != 0 || rl.rlim_cur == RLIM_INFINITY) return -1;
    int64_t used = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        long long pages = 0;
        if (std::fscanf(f, "%lld", &pages) == 1) used = pages * static_cast<int64_t>(sysconf(_SC_PAGESIZE));
        std::fclose(f);
    }
    return std::max<int64_t>(0, static_cast<int64_t>(rl.rlim_cur) - used);
}


} // namespace

std::string grouped(int64_t v) {
    std::string s = std::to_string(v);
    for (int i = static_cast<int>(s.size()) - 3; i > 0; i -= 3) s.insert(static_cast<size_t>(i), ",");
    return s;
}

int64_t model_bytes(const Model& m) {
    const int64_t nr = m.NR, mr = m.MR, ngred = m.NGRED, order = ngred + nr + mr;
    const int64_t strata = influence_strata(m);
    // The double-precision solutions go through LAPACK, whose work buffers
    // come on top.
    const int64_t lapack = double_precision ? lapack_buffer_bytes() : 0;
    if (m.large) {
        const int64_t reactions = nr + mr, reduced = 2 * reactions;
        const int64_t influence = nr >= 1 ? 3 * nr * strata * nr + nr * strata : 0;
        // 78 stiffness terms per bar in each triangle, kept as triplets and
        // as columns (16 bytes each), and a factor of some twenty times their
        // number (12 bytes each).
        const int64_t frame = static_cast<int64_t>(m.NB) * 78 * (2 * (16 + 16) + 20 * 12) + ngred * 200;
        const int64_t dense = reactions * reactions * 3 + reduced * reduced * 3;
        return (influence + dense) * static_cast<int64_t>(sizeof(real)) + frame + lapack;
    }
    const int64_t influence = nr >= 1 ? 4 * nr * strata * nr * 2 + nr * strata : 0;
    const int64_t reals = influence + ngred * order + (nr + mr) * (nr + mr) + order * order;
    return reals * static_cast<int64_t>(sizeof(real)) + lapack;
}

void check_lapack_memory() {
    const int64_t need = lapack_library_bytes() + lapack_buffer_bytes(), have = memory_available();
    if (have < 0 || need <= have) return;
    throw MemoryShortage("the double-precision arithmetic needs about " + grouped(need) +
                         " bytes for LAPACK (its library and a work buffer of 128 MiB for each of its " +
                         std::to_string(lapack_threads()) + " threads), more than the " + grouped(have) +
                         " bytes of memory available; allow more memory, set OPENBLAS_NUM_THREADS=1, or compute "
                         "in single precision");
}

int64_t memory_available(int64_t budget) {
    if (budget > 0) return budget;
    const int64_t a = meminfo_available(), b = address_space_left();
    if (a < 0) return b;
    if (b < 0) return a;
    return std::min(a, b);
}

void check_memory(const Model& m, int64_t budget) {
    const int64_t need = model_bytes(m), have = memory_available(budget);
    if (have < 0 || need <= have) return;
    if (m.large)
        throw MemoryShortage("the large-model path for " + std::to_string(m.NN) + " nodes, " +
                             std::to_string(m.NGRED) + " equations and " + std::to_string(m.NR) + " area and " +
                             std::to_string(m.MR) + " nodal reactions needs about " + grouped(need) +
                             " bytes, more than the " + grouped(have) +
                             " bytes of memory available; the run stops before taking them");
    throw MemoryShortage("the coupled system of order " + std::to_string(m.NGRED + m.NR + m.MR) + " (" +
                         std::to_string(m.NGRED) + " equations, " + std::to_string(m.NR) + " area and " +
                         std::to_string(m.MR) + " nodal reactions) and the influence values need " +
                         grouped(need) + " bytes, more than the " + grouped(have) +
                         " bytes of memory available; the run stops before taking them");
}

void warn_beyond_fixed_tables(Model& m) {
    const int32_t order = m.NGRED + m.NR + m.MR;
    std::string passed;
    auto add = [&](const std::string& s) { passed += (passed.empty() ? "" : "; ") + s; };
    if (m.NR > limits::AREA_REACTIONS)
        add(std::to_string(m.NR) + " area reactions (the influence tables held " +
            std::to_string(limits::AREA_REACTIONS) + ")");
    if (m.NR + m.MR > limits::REACTIONS)
        add(std::to_string(m.NR + m.MR) + " reactions (the flexibility held " + std::to_string(limits::REACTIONS) + ")");
    if (order > limits::EQUATIONS)
        add("a coupled system of order " + std::to_string(order) + " (the tables held " +
            std::to_string(limits::EQUATIONS) + ")");
    if (m.NTOT + m.NR + m.MR > limits::EQUATIONS && order <= limits::EQUATIONS)
        add(std::to_string(m.NTOT + m.NR + m.MR) + " entries of the solution vector (it held " +
            std::to_string(limits::EQUATIONS) + ")");
    if (!passed.empty())
        m.warnings.add(m.data_name, 0,
                       "the model goes beyond the fixed tables of earlier versions of the program with " + passed +
                           "; the tables here are sized to the model and compute it all the same");
}

} // namespace qb
