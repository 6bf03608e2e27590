#include "solver/cholmod.h"

#include <string>

#include <dlfcn.h>

#include "solver/lu.h"
#include "textio/stop.h"

namespace qb {

namespace {

Cholmod load_cholmod() {
    void* h = dlopen("libcholmod.so.3", RTLD_NOW | RTLD_LOCAL);
    if (h == nullptr)
        throw LapackMissing(std::string("the large-model path needs CHOLMOD (the package libcholmod3): ") + dlerror());
    Cholmod c;
    auto load = [&](auto& f, const char* name) {
        f = reinterpret_cast<std::remove_reference_t<decltype(f)>>(dlsym(h, name));
        if (f == nullptr) throw LapackMissing(std::string("libcholmod.so.3 lacks ") + name);
    };
    load(c.start, "cholmod_start");
    load(c.finish, "cholmod_finish");
    load(c.allocate_sparse, "cholmod_allocate_sparse");
    load(c.free_sparse, "cholmod_free_sparse");
    load(c.allocate_dense, "cholmod_allocate_dense");
    load(c.free_dense, "cholmod_free_dense");
    load(c.amd, "cholmod_amd");
    load(c.metis, "cholmod_metis");
    load(c.analyze_p, "cholmod_analyze_p");
    load(c.factorize, "cholmod_factorize");
    load(c.free_factor, "cholmod_free_factor");
    load(c.solve, "cholmod_solve");
    return c;
}

} // namespace

const Cholmod& cholmod() {
    static const Cholmod c = [] {
        const LibraryCall call;
        return load_cholmod();
    }();
    return c;
}

} // namespace qb
