// CHOLMOD, the sparse Cholesky factorisation of SuiteSparse, loaded at run
// time from the distribution's library like LAPACK: only a run that takes the
// large-model path loads it (and the BLAS it brings).
#pragma once

#include <suitesparse/cholmod.h>

namespace qb {

struct Cholmod {
    const char* library = "libcholmod.so.3";
    decltype(&::cholmod_start) start = nullptr;
    decltype(&::cholmod_finish) finish = nullptr;
    decltype(&::cholmod_allocate_sparse) allocate_sparse = nullptr;
    decltype(&::cholmod_free_sparse) free_sparse = nullptr;
    decltype(&::cholmod_allocate_dense) allocate_dense = nullptr;
    decltype(&::cholmod_free_dense) free_dense = nullptr;
    decltype(&::cholmod_amd) amd = nullptr;
    decltype(&::cholmod_metis) metis = nullptr;
    decltype(&::cholmod_analyze_p) analyze_p = nullptr;
    decltype(&::cholmod_factorize) factorize = nullptr;
    decltype(&::cholmod_free_factor) free_factor = nullptr;
    decltype(&::cholmod_solve) solve = nullptr;
};

// The routines, loaded on the first call; throws LapackMissing (solver/lu.h)
// when the library cannot be loaded.
const Cholmod& cholmod();

} // namespace qb
