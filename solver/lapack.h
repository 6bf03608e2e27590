// The LAPACK routines of the double-precision solutions, loaded at run time
// from the distribution's library (OpenBLAS, threaded). Fortran calling
// convention: every argument by address, a hidden length after each
// character argument. The library is loaded by the first call, when a
// double-precision run starts, not with the program: the program's own
// single-precision runs never start its threads.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qb {

using Dgeequ = void(const int* m, const int* n, const double* a, const int* lda, double* r, double* c,
                    double* rowcnd, double* colcnd, double* amax, int* info);
using Dgetrf = void(const int* m, const int* n, double* a, const int* lda, int* ipiv, int* info);
using Dgetrs = void(const char* trans, const int* n, const int* nrhs, const double* a, const int* lda,
                    const int* ipiv, double* b, const int* ldb, int* info, std::size_t trans_len);
using Dgecon = void(const char* norm, const int* n, const double* a, const int* lda, const double* anorm,
                    double* rcond, double* work, int* iwork, int* info, std::size_t norm_len);
using Dgetri = void(const int* n, double* a, const int* lda, const int* ipiv, double* work, const int* lwork,
                    int* info);
using Dgemm = void(const char* transa, const char* transb, const int* m, const int* n, const int* k,
                   const double* alpha, const double* a, const int* lda, const double* b, const int* ldb,
                   const double* beta, double* c, const int* ldc, std::size_t transa_len, std::size_t transb_len);
using Dtrmm = void(const char* side, const char* uplo, const char* transa, const char* diag, const int* m,
                   const int* n, const double* alpha, const double* a, const int* lda, double* b, const int* ldb,
                   std::size_t side_len, std::size_t uplo_len, std::size_t transa_len, std::size_t diag_len);

struct Lapack {
    const char* library = "";   // the shared library the routines come from
    Dgeequ* dgeequ_ = nullptr;
    Dgetrf* dgetrf_ = nullptr;
    Dgetrs* dgetrs_ = nullptr;
    Dgecon* dgecon_ = nullptr;
    Dgetri* dgetri_ = nullptr;
    Dgemm* dgemm_ = nullptr;
    Dtrmm* dtrmm_ = nullptr;
    Dtrmm* dtrsm_ = nullptr;   // same arguments: B = alpha op(A)^-1 B
};

// The routines, loaded on the first call; throws LapackMissing (solver/lu.h)
// when no library has them.
const Lapack& lapack();

// Address space that LAPACK takes besides the tables of a model: the library
// itself, and one work buffer for each of its threads, which OpenBLAS
// allocates at its first routine and, when the allocation fails, waits for
// without end.
int64_t lapack_library_bytes();
int64_t lapack_buffer_bytes();
// The threads LAPACK will use (OPENBLAS_NUM_THREADS, GOTO_NUM_THREADS or
// OMP_NUM_THREADS, else one per processor).
int32_t lapack_threads();

} // namespace qb
