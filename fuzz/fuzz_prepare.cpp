// libFuzzer target: any bytes as a data file, through the reading and the
// whole preparation of a run (numbering, soil, reaction areas, influence
// values, axes, assembly, field moduli), every output written to /dev/null so
// that the line writers run too. Bad data must end in InputError, a model too
// large for the budget in MemoryShortage; anything else (a crash, a sanitizer
// report, an exception of another kind, a hang) is a finding.
#include <cstddef>
#include <cstdint>
#include <string>

#include "driver/resources.h"
#include "driver/run.h"

namespace {

// Small enough that one input cannot spend seconds on influence values or
// gigabytes on the coupled system, large enough for every example.
constexpr int64_t BUDGET = 8 << 20;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qb::Model m;
    qb::FrameSystem frame;
    qb::Io io;
    for (qb::Channel* c : io.all())
        if (!c->open("/dev/null")) __builtin_trap();
    qb::ListReader in("fuzz.dat", std::string(reinterpret_cast<const char*>(data), size));
    try {
        qb::prepare(m, frame, io, in, BUDGET);
    } catch (const qb::InputError&) {
    } catch (const qb::MemoryShortage&) {
    }
    return 0;
}
