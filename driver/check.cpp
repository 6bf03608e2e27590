#include "driver/check.h"

#include <cstdio>
#include <new>

#include "driver/entry.h"
#include "driver/progress.h"
#include "driver/resources.h"
#include "driver/run.h"

namespace qb::inline QB_ARITH {

namespace {

const char* analysis_name(int32_t kanal) {
    switch (kanal) {
    case 0: return "linear";
    case 1: return "iterative";
    case 2: return "nonlinear";
    default: return "none";
    }
}

void print_counts(const Model& m) {
    std::printf("%s: valid data\n", m.data_name.c_str());
    const auto row = [](const char* what, int32_t n) { std::printf("  %-18s %d\n", what, n); };
    row("nodes", m.NN);
    row("bars", m.NB);
    row("slabs", m.NLOS);
    row("isolated footings", m.NZAP);
    row("area reactions", m.NR);
    row("nodal reactions", m.MR);
    std::printf("  %-18s %d (coupled system: %d)\n", "equations", m.NGRED, m.NGRED + m.NR + m.MR);
    std::printf("  %-18s", "cases");
    bool any = false;
    for (int c = 1; c <= 4; ++c)
        if (m.case_on(c)) {
            std::printf(" %d", c);
            any = true;
        }
    std::printf("%s (KANAL %d: %s)\n", any ? "" : " none", m.KANAL, analysis_name(m.KANAL));
    std::printf("  %-18s about %s bytes\n", "memory", grouped(model_bytes(m)).c_str());
    if (m.large)
        std::printf("  %-18s large-model path (double precision, the frame factored sparse, the soil dense)\n",
                    "solution");
    else
        std::printf("  %-18s dense elimination, %s precision\n", "solution",
                    double_precision ? "double" : "single (the program's own)");
    if (!m.beyond_tables.empty()) {
        std::string b;
        for (const std::string& x : m.beyond_tables) b += (b.empty() ? "" : ", ") + x;
        std::printf("  %-18s %s\n", "beyond the tables", b.c_str());
    }
}

} // namespace

int check_data(const RunSettings& s) {
    const std::string& data = s.data;
    const bool quiet = !s.console, strict = s.strict;
    Model m;
    m.data_name = data;
    m.large = double_precision && s.large;
    try {
        Io io;   // every channel closed: nothing is written, nothing formatted
        FrameSystem frame;
        ListReader in = ListReader::open(data);
        prepare(m, frame, io, in, s.memory_budget);
    } catch (const RunError& e) {
        progress().finish();
        std::fprintf(stderr, "querbal: %s%s%s\n", e.about_data ? data.c_str() : "", e.about_data ? ": " : "",
                     e.what());
        return e.status;
    } catch (const std::bad_alloc&) {
        progress().finish();
        std::fprintf(stderr, "querbal: %s: not enough memory for this model\n", data.c_str());
        return 3;
    }
    progress().finish();
    m.warnings.print(stderr);
    if (strict && !m.warnings.empty()) {
        std::fprintf(stderr, "querbal: %s: %zu warning(s) about the data, refused by --strict\n", data.c_str(),
                     m.warnings.all().size());
        return 1;
    }
    if (!quiet) print_counts(m);
    return 0;
}

ModelScan scan_data(const std::string& name, const std::string& content) {
    ModelScan scan;
    try {
        Model m;
        m.data_name = name;
        Io io;
        ListReader in(name, content);
        read_model(m, io, in);
        scan.read = true;
        scan.beyond = m.beyond_tables;
        scan.order = m.NGRED + m.NR + m.MR;
    } catch (const RunError&) {
    } catch (const std::bad_alloc&) {
    }
    return scan;
}

} // namespace qb
