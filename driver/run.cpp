#include "driver/run.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>

#include <unistd.h>

#include "driver/checks.h"
#include "driver/digest.h"
#include "driver/open_outputs.h"
#include "driver/output_plan.h"
#include "driver/outputs.h"
#include "driver/paths.h"
#include "driver/progress.h"
#include "driver/resources.h"
#include "frame/assembly.h"
#include "frame/geometry.h"
#include "frame/numbering.h"
#include "input/read_data.h"
#include "input/soil_block.h"
#include "output/frame_report.h"
#include "output/gid.h"
#include "output/soil_report.h"
#include "soil/field_moduli.h"
#include "soil/influence.h"
#include "soil/reaction_areas.h"
#include "solver/lapack.h"
#include "solver/lu.h"
#include "textio/files.h"
#include "textio/stop.h"

namespace qb::inline QB_ARITH {

namespace {

void write_banner(Channel& r) {
    r.empty(2);
    Rec(r).X(17).text("INTERACCION SUELO-ESTRUCTURA A BASE DE BARRAS");
    r.empty(2);
    Rec(r).X(30).text("PROGRAMA QUERBAL");
    r.empty();
    Rec(r).X(29).text("ACTUALIZACION 2024");
    // The program's own arithmetic is single precision; the other one says so.
    if constexpr (double_precision) {
        r.empty();
        Rec(r).X(21).text("CALCULO EN DOBLE PRECISION (64 BITS)");
    }
    r.empty(2);
    Rec(r).X(30).text("LECTURA DE DATOS");
    r.empty(5);
}

} // namespace

void read_model(Model& m, Io& io, ListReader& in) {
    Echo out = io.echo();
    const Trace log = io.trace();
    if (m.data_name.empty()) m.data_name = in.name();
    in.warn_to(&m.warnings);
    read_title_units_control(m, out, in);
    read_materials_and_sections(m, out, in);
    read_nodes(m, out, in);
    m.NTOT = 6 * m.NN;
    read_bars(m, out, in);
    read_isolated_footings(m, out, in);
    number_dofs(m, log);
    check_foundation_numbering(m, in);
    compute_direction_cosines(m, log);
    read_nodal_loads(m, out, in);
    read_additional_springs(m, out, in);
    List(log) << "numero de barras" << m.NB;
    List(log) << "Numero de reacciones = numero de nodos" << " en la reticula, NR=" << m.NR << " N=" << m.NR;
    read_soil_profiles(m, out, in);
    check_foundation_profiles(m, in);
    read_slabs(m, out, in);
    write_count_summary(m, out);
}

void prepare(Model& m, FrameSystem& frame, Io& io, ListReader& in, int64_t memory_budget) {
    Echo out = io.echo();
    const Trace log = io.trace();
    progress().stage("datos");
    progress().step("lectura");
    read_model(m, io, in);
    if (m.large) {
        List(log.digest()) << "MODELO GRANDE: MEMORIA RESUMIDA, SIN MATRICES";
        List(log.digest()) << "NODOS:" << m.NN << "BARRAS:" << m.NB << "ECUACIONES:" << m.NGRED
                           << "REACCIONES DE AREA:" << m.NR << "REACCIONES NODALES:" << m.MR;
    } else {
        warn_beyond_fixed_tables(m);
    }
    check_memory(m, memory_budget);

    compute_reaction_areas(m, log);
    report_reaction_areas(m, io.report);
    List(log) << "PROGRAMA PRINCIPAL";
    list_reaction_lengths(m, log, m.NTOT);

    List(io.console) << "Valores de influencia";
    List(io.console) << "n=" << m.NR << "m=" << m.MR;
    progress().step("valores de influencia, " + std::to_string(m.NR) + " reacciones de area");
    if (m.NR >= 1) compute_influence_values(m, log, Trace(io.valinf));

    List(io.console) << "Ejes";
    List(io.console) << "dentro de lecejesdiag";
    lecejesdiag(m, out, in);

    List(io.console) << "Formará la matriz global de rigidez";
    progress().step("matriz de rigidez, " + std::to_string(m.NGRED) + " ecuaciones");
    report_uniform_loads(m, io.report);
    assemble_frame(m, frame, log);
    report_total_load(m, io.report);

    if (m.nflag1 < 3) {
        List(io.console) << "Calculará modulos de campo";
        progress().step("modulos de campo");
        compute_field_moduli(m, log);
        report_field_moduli(m, io.report);
    }
    gid_results_heading(io.res, m.TITULO);
}


namespace {

// The outputs of the run in progress, for the two ways a run ends from deep
// inside the line writers: a signal and a failed write.
Io* running_ = nullptr;

// Writes a message from wherever the run stops (a signal handler among them).
void say(const char* text) {
    for (size_t n = std::strlen(text); n > 0;) {
        const ssize_t w = ::write(STDERR_FILENO, text, n);
        if (w <= 0) break;
        text += w;
        n -= static_cast<size_t>(w);
    }
}

void stop_on_signal(int sig) {
    Channel::flush_every_file();
    char line[160];
    std::snprintf(line, sizeof line,
                  "querbal: stopped by signal %d (%s); every output keeps what was written so far\n", sig,
                  sig == SIGINT ? "SIGINT" : sig == SIGTERM ? "SIGTERM" : "signal");
    std::fflush(stderr);
    say(line);
    _exit(128 + sig);
}

// A write that failed. An output file is then incomplete, so the run ends
// here (exit status 4) rather than computing what can no longer be written.
// A console that went away (a closed pipe: `querbal d.dat | head -1`) costs
// nothing but its own lines: the run goes on writing its files.
void stop_on_failed_write(const Channel& ch) {
    if (running_ && &ch == &running_->console) return;
    static bool stopping = false;
    if (stopping) return;   // a second failure while the others are flushed
    stopping = true;
    Channel::flush_every_file(&ch);
    std::fprintf(stderr, "querbal: cannot write '%s': %s; the run stops (the other outputs keep what was written)\n",
                 ch.name().c_str(), system_reason(ch.error()).c_str());
    std::fflush(stderr);
    _exit(4);
}

// The run's hold on signals and write failures, released when it ends.
struct RunGuard {
    explicit RunGuard(Io& io) {
        running_ = &io;
        Channel::on_failure(stop_on_failed_write);
    }
    void arm_signals() { install_stop_handlers(stop_on_signal); }
    ~RunGuard() {
        restore_stop_handlers();
        Channel::on_failure(nullptr);
        running_ = nullptr;
    }
};

// The results report: typed at the console in the prompt mode, otherwise the
// one given or STEM_resultados.txt.
std::string results_name(const RunSettings& s, std::istream& console_in, const std::string& data) {
    if (s.data.empty()) return read_console_name(console_in, "results-file");
    return s.results.empty() ? data_stem(data) + "_resultados.txt" : s.results;
}

// Every output of a run, inside its output folder. The prompt mode keeps the
// fixed names of the program; a run named on the command line names each
// output after its job, so that runs into one folder never share a file.
OutputPlan plan_outputs(const RunSettings& s, const std::string& data, const std::string& results,
                        std::vector<int32_t> cases) {
    const auto out = [&s](const std::string& name) { return output_path(s.outdir, name); };
    OutputPlan p;
    p.dir = s.outdir;
    p.stem = data_stem(data);
    p.vtk = s.vtk;
    p.csv = s.csv;
    p.cases = std::move(cases);
    p.legacy.report = out(results);
    if (s.job_names) {
        p.legacy.msh = out(p.stem + ".post.msh");
        p.legacy.res = out(p.stem + ".post.res");
        p.legacy.log = s.log ? out(p.stem + "_memoria.txt") : std::string();
        p.legacy.valinf = out(p.stem + "_valinf.txt");
        p.lock = out("." + p.stem + ".lock");
    } else {
        p.legacy.msh = out("arch.msh");
        p.legacy.res = out("arch.res");
        p.legacy.log = s.log ? out("MEMORIA") : std::string();
        p.legacy.valinf = out("VALINF");
        p.lock = out(".querbal.lock");
    }
    if (s.summary) {
        p.summary_json = out(p.stem + "_summary.json");
        p.cases_csv = out(p.stem + "_cases.csv");
    }
    return p;
}

// --strict: the data read and prepared with every output closed first; a
// warning refuses them before any output exists.
void refuse_warnings(const std::string& data, const ListReader& in) {
    Model dry;
    dry.data_name = data;
    FrameSystem frame;
    Io closed;
    ListReader again = in;
    prepare(dry, frame, closed, again);
    if (dry.warnings.empty()) return;
    dry.warnings.print(stderr);
    throw InputError(data + ": " + std::to_string(dry.warnings.all().size()) +
                     " warning(s) about the data, refused by --strict; nothing was written");
}

std::string utc_now() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char b[32];
    std::strftime(b, sizeof b, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return b;
}

// The status of a run whose every case ran: a case that is not a solution
// before one that did not converge.
int case_status(const std::vector<CaseRecord>& cases) {
    int status = exit_status::done;
    for (const CaseRecord& c : cases) {
        if (!c.failure.empty()) return exit_status::no_solution;
        if (!c.converged) status = exit_status::not_converged;
    }
    return status;
}

// What the run read and wrote, for its summary.
void describe(RunRecord& rec, const Model& m, const OutputPlan& plan, bool begun) {
    if (!m.TITULO.bytes().empty()) {
        rec.model_read = true;
        rec.title = m.TITULO;
        rec.units = m.UNID;
        rec.nodes = m.NN;
        rec.bars = m.NB;
        rec.slabs = m.NLOS;
        rec.footings = m.NZAP;
        rec.area_reactions = m.NR;
        rec.nodal_reactions = m.MR;
        rec.equations = m.NGRED;
        rec.kanal = m.KANAL;
    }
    for (const Warning& w : m.warnings.all())
        rec.warnings.push_back((w.line > 0 ? w.file + ":" + std::to_string(w.line) + ": " : std::string()) + w.text);
    if (!begun) return;
    for (const PlannedFile& f : plan.files())
        if (f.role.rfind("VTK", 0) != 0 && f.role != "CSV table") rec.outputs.push_back({f.role, 0, f.path});
    for (const CaseRecord& c : rec.cases)
        if (c.solved)
            for (const PlannedFile& f : plan.case_files(c.caso))
                if (f.role != "VTK collection") rec.outputs.push_back({f.role, c.caso, f.path});
    if (plan.vtk && !rec.cases.empty())
        rec.outputs.push_back({"VTK collection", 0, output_path(plan.dir, collection_name(plan.stem))});
}

// The record of a run as it begins.
RunRecord new_record(const RunSettings& s) {
    RunRecord rec;
    rec.program_version = program_version();
    rec.arithmetic = double_precision ? "double" : "single";
    rec.solver = double_precision && s.large ? "sparse" : "dense";
    rec.date = utc_now();
    progress().take_steps();
    return rec;
}

// The error that ends a run: every output flushed, the message on standard
// error and in the record. Returns `status`.
int stopped(RunRecord& rec, int status, const std::string& message) {
    Channel::flush_every_file();
    rec.message = message;
    std::fflush(stdout);
    std::fprintf(stderr, "querbal: %s\n", message.c_str());
    return status;
}

// The line of a case as it ends, when the run shows them.
void print_case_line(const RunSettings& s, const CaseRecord& c) {
    if (!s.case_lines) return;
    std::fputs((case_line(c) + "\n").c_str(), stdout);
    std::fflush(stdout);
}

// The summary files of the run, when asked for.
void write_summary_files(const OutputPlan& plan, const RunRecord& rec, const std::vector<TakenFile>& taken) {
    if (!plan.summary_json.empty()) {
        Channel json;
        open_output(json, plan.summary_json, "summary", taken);
        const std::string text = summary_json(rec);
        json.write_line(std::string_view(text).substr(0, text.size() - 1));
    }
    if (!plan.cases_csv.empty()) {
        Channel csv;
        open_output(csv, plan.cases_csv, "CSV table of the cases", taken);
        write_cases_csv(csv, rec);
    }
}

// The summary files of the run, when asked for. Returns the run's status, or
// the status of a summary that cannot be written when the run had none worse.
int write_summary(const OutputPlan& plan, const RunRecord& rec, const std::vector<TakenFile>& taken, int status) {
    try {
        write_summary_files(plan, rec, taken);
    } catch (const RunError& e) {
        std::fprintf(stderr, "querbal: %s\n", e.what());
        if (status == exit_status::done) return e.status;
    }
    return status;
}

} // namespace

int run_querbal(const RunSettings& s, std::istream& console_in, RunRecord* record) {
    const auto started = std::chrono::steady_clock::now();
    RunRecord rec = new_record(s);
    Model m;
    FrameSystem frame;
    Io io;
    if (s.console) io.console.attach_stdout();
    RunGuard guard(io);
    OutputPlan plan;
    std::optional<JobLock> lock;
    std::vector<TakenFile> taken;
    bool begun = false;   // the job holds its lock: its outputs may exist
    FileId data_id;
    int status = exit_status::done;
    try {
        // With the console of the prompt mode (--legacy-console), a
        // command-line run prints the two headings of the dialogue too, once
        // its outputs are checked (standard output may be refused).
        const bool prompts = s.data.empty();
        if (prompts) List(io.console) << "ARCHIVO DE DATOS DE ENTRADA";
        m.data_name = prompts ? read_console_name(console_in, "data-file") : s.data;
        rec.data = m.data_name;
        if (prompts) List(io.console) << "ARCHIVO DE RESULTADOS";
        const std::string results = results_name(s, console_in, m.data_name);

        // The data file is read whole and every output named and checked
        // before any output is created, so that a mistyped name, outputs
        // that would share a file or a second run of the job lose nothing.
        std::string content = read_regular_file(m.data_name, &data_id);
        rec.sha256 = sha256_hex(content);
        plan = plan_outputs(s, m.data_name, results, cases_to_solve(m.data_name, content));
        check_plan(plan, m.data_name, data_id, s.console || s.case_lines);
        if (!prompts && !s.prompted) {
            List(io.console) << "ARCHIVO DE DATOS DE ENTRADA";
            List(io.console) << "ARCHIVO DE RESULTADOS";
        }
        ListReader in(m.data_name, std::move(content));
        if (s.strict) refuse_warnings(m.data_name, in);
        // Without LAPACK, or without the memory it takes, a double-precision
        // run could not solve its first case: say so before any output exists.
        if constexpr (double_precision) {
            check_lapack_memory();
            lapack();
        }
        guard.arm_signals();
        make_output_folder(s.outdir);
        lock.emplace(plan.lock, s.job_names ? plan.stem : std::string("querbal"));
        begun = true;
        taken = open_outputs(io, plan.legacy, m.data_name, data_id);
        // The cases of an earlier run of the job go before this run writes
        // its own, so that the folder never mixes two runs under one name.
        if (s.job_names) remove_earlier_case_files(plan, data_id);
        write_banner(io.report);

        m.large = double_precision && s.large;   // the large-model path computes in double precision
        io.lean_log = m.large;
        prepare(m, frame, io, in, s.memory_budget);
        m.warnings.print(stderr);
        OpenOutputs files(plan.dir, plan.stem, s.vtk, s.csv, taken);
        run_cases(m, frame, io, files.any() ? &files : nullptr, &rec.cases, s.solver,
                  [&s](const CaseRecord& c) { print_case_line(s, c); });
        stop_point();
        progress().step("cierre de archivos");
        close_outputs(io);
        status = case_status(rec.cases);
    } catch (const RunError& e) {
        status = stopped(rec, e.status, e.about_data ? m.data_name + ": " + e.what() : e.what());
    } catch (const std::bad_alloc&) {
        status = stopped(rec, exit_status::memory, m.data_name + ": not enough memory for this model");
    }
    rec.status = status;
    describe(rec, m, plan, begun);
    rec.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    rec.timings = progress().take_steps();
    if (begun) {
        if (taken.empty()) taken.push_back({data_id, m.data_name, "data file", true});
        status = write_summary(plan, rec, taken, status);
    }
    if (record) *record = rec;
    return status;
}

} // namespace qb
