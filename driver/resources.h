// What a model asks of the machine: the memory of its dense tables, checked
// before they are allocated, and the limits of the original fixed tables that
// the tables sized to the model go beyond.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "model/model.h"
#include "textio/errors.h"

namespace qb::inline QB_ARITH {

// The dense tables do not fit in the memory available: exit status 3.
struct MemoryShortage : RunError {
    explicit MemoryShortage(const std::string& what) : RunError(3, what, true) {}
};

// Bytes of the large tables a run of this model holds at once. Dense
// elimination: the influence values (4 tables of NR x strata x NR x 2 reals),
// the enlarged stiffness akr (NGRED x order), the flexibility (NR+MR square)
// and the coupled system of a solution (order square), order = NGRED + NR +
// MR. The large-model path: the influence values summed over the directions
// (3 tables of NR x strata x NR), the sparse frame and an allowance for its
// factor, the flexibility and the dense system on the reactions. The counts
// must be known (after the numbering and the soil block).
int64_t model_bytes(const Model& m);

// A count of bytes with its thousands grouped: 1,674,814,848.
std::string grouped(int64_t v);

// Memory this process may still take: `budget` when it is given (a test or
// fuzzing harness), else the smaller of the system's available memory
// (MemAvailable) and what the address-space limit (ulimit -v) leaves; -1 when
// neither is known.
int64_t memory_available(int64_t budget = 0);

// Throws MemoryShortage, naming the order and the bytes, when the dense
// tables of the model (model_bytes) exceed the memory available (or `budget`).
void check_memory(const Model& m, int64_t budget = 0);

// Throws MemoryShortage, with the estimate, when LAPACK and its work buffers
// would not fit: a double-precision run checks it before loading the library.
void check_lapack_memory();

// One warning when the model passes a limit of the original fixed tables
// that used to go unchecked (area reactions, reactions, coupled order): the
// tables here are sized to the model, so it is computed all the same.
void warn_beyond_fixed_tables(Model& m);

} // namespace qb
