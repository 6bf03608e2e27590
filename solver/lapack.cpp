#include "solver/lapack.h"

#include <string>

#include <dlfcn.h>

#include "solver/lu.h"

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
        l.dgeequ_ = reinterpret_cast<Dgeequ*>(dlsym(h, "dgeequ_"));
        l.dgetrf_ = reinterpret_cast<Dgetrf*>(dlsym(h, "dgetrf_"));
        l.dgetrs_ = reinterpret_cast<Dgetrs*>(dlsym(h, "dgetrs_"));
        l.dgecon_ = reinterpret_cast<Dgecon*>(dlsym(h, "dgecon_"));
        l.dgetri_ = reinterpret_cast<Dgetri*>(dlsym(h, "dgetri_"));
        if (l.dgeequ_ && l.dgetrf_ && l.dgetrs_ && l.dgecon_ && l.dgetri_) return l;
        why = std::string(lib) + " lacks the LU routines";
        dlclose(h);
    }
    throw LapackMissing("the double-precision arithmetic needs LAPACK (the package libopenblas0): " + why);
}

} // namespace

const Lapack& lapack() {
    static const Lapack l = load_lapack();
    return l;
}

} // namespace qb
