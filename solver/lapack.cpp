#include "solver/lapack.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include <dlfcn.h>

#include "solver/lu.h"
#include "textio/stop.h"

namespace qb {

namespace {

Lapack load_lapack() {
    std::string why;
    for (const char* lib : {"libopenblas.so.0", "liblapack.so.3"}) {
        void* h = dlopen(lib, RTLD_NOW | RTLD_LOCAL);
        if (h == nullptr) {
            why = dlerror();
            continue;
        }
        Lapack l;
        l.library = lib;
        l.dgeequ_ = reinterpret_cast<Dgeequ*>(dlsym(h, "dgeequ_"));
        l.dgetrf_ = reinterpret_cast<Dgetrf*>(dlsym(h, "dgetrf_"));
        l.dgetrs_ = reinterpret_cast<Dgetrs*>(dlsym(h, "dgetrs_"));
        l.dgecon_ = reinterpret_cast<Dgecon*>(dlsym(h, "dgecon_"));
        l.dgetri_ = reinterpret_cast<Dgetri*>(dlsym(h, "dgetri_"));
        l.dgemm_ = reinterpret_cast<Dgemm*>(dlsym(h, "dgemm_"));
        l.dtrmm_ = reinterpret_cast<Dtrmm*>(dlsym(h, "dtrmm_"));
        l.dtrsm_ = reinterpret_cast<Dtrmm*>(dlsym(h, "dtrsm_"));
        if (l.dgeequ_ && l.dgetrf_ && l.dgetrs_ && l.dgecon_ && l.dgetri_ && l.dgemm_ && l.dtrmm_ && l.dtrsm_) return l;
        why = std::string(lib) + " lacks the LU routines";
        dlclose(h);
    }
    throw LapackMissing("the double-precision arithmetic needs LAPACK (the package libopenblas0): " + why);
}

// OpenBLAS's work buffer per thread in the distribution's build: 128 MiB and
// a page.
constexpr int64_t BUFFER_BYTES = (int64_t{128} << 20) + 4096;
constexpr int64_t LIBRARY_BYTES = int64_t{64} << 20;

} // namespace

int32_t lapack_threads() {
    for (const char* var : {"OPENBLAS_NUM_THREADS", "GOTO_NUM_THREADS", "OMP_NUM_THREADS"})
        if (const char* v = std::getenv(var)) {
            const long n = std::strtol(v, nullptr, 10);
            if (n >= 1) return static_cast<int32_t>(std::min<long>(n, 1024));
        }
    const long n = sysconf(_SC_NPROCESSORS_ONLN);
    return n >= 1 ? static_cast<int32_t>(std::min<long>(n, 1024)) : 1;
}

int64_t lapack_library_bytes() { return LIBRARY_BYTES; }
int64_t lapack_buffer_bytes() { return BUFFER_BYTES * lapack_threads(); }

const Lapack& lapack() {
    static const Lapack l = [] {
        const LibraryCall call;   // the library's start-up may take its time
        return load_lapack();
    }();
    return l;
}

} // namespace qb
