// The command line: a run without prompts writes the files of the prompt mode
// byte for byte, plus the VTK and CSV files of the cases it solves; the
// options that change what is written, --check, the usage errors, and the
// console on a terminal.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <fcntl.h>
#include <pty.h>
#include <sys/file.h>
#include <set>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <utility>
#include <vector>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

const fs::path SOURCE(QB_SOURCE_DIR);

// A fresh folder of this test process, holding a copy of the example `name`
// as `name`.dat when one is given.
fs::path folder(const std::string& tag, const std::string& name = "") {
    static const fs::path root = fs::path(::testing::TempDir()) / ("qb_cli_" + std::to_string(getpid()));
    static const struct Cleanup {
        ~Cleanup() { fs::remove_all(root); }
    } cleanup;
    const fs::path dir = root / tag;
    fs::remove_all(dir);
    fs::create_directories(dir);
    if (!name.empty()) fs::copy_file(SOURCE / "examples" / (name + ".dat"), dir / (name + ".dat"));
    return dir;
}

struct Outcome {
    int status = -1;
    std::string out, err;
};

// Runs querbal in `dir` with the arguments `args` (shell words), standard
// input from /dev/null unless `input` is given.
Outcome querbal(const fs::path& dir, const std::string& args, const std::string& input = "") {
    const std::string feed = input.empty() ? " < /dev/null" : "";
    const std::string cmd = "cd '" + dir.string() + "' && " + (input.empty() ? "" : "printf '" + input + "' | ") +
                            std::string(QB_QUERBAL_EXE) + " " + args + feed + " > stdout.txt 2> stderr.txt";
    const int rc = std::system(cmd.c_str());
    Outcome o{WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, slurp(dir / "stdout.txt"), slurp(dir / "stderr.txt")};
    fs::remove(dir / "stdout.txt");
    fs::remove(dir / "stderr.txt");
    return o;
}

std::set<std::string> files_in(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
    return names;
}

std::string golden(const std::string& name, const std::string& file) {
    return slurp(SOURCE / "tests" / "golden" / name / file);
}

// The cases each example solves.
const std::pair<const char*, std::vector<int>> EXAMPLES[] = {
    {"marco_zapatas", {1, 2, 3, 4}},
    {"losa_zapata_aislada", {1, 2, 3, 4}},
    {"reticula_no_lineal", {2, 3, 4}},
    {"reticula_janbu", {2}},
};

// The outputs of a command-line run of job `name`, named after it.
std::set<std::string> job_files(const std::string& name, const std::vector<int>& cases, bool open_outputs = true) {
    std::set<std::string> f = {name + "_resultados.txt", name + "_memoria.txt", name + "_valinf.txt",
                               name + ".post.msh", name + ".post.res"};
    if (!open_outputs) return f;
    f.insert({name + ".pvd", name + "_summary.json", name + "_cases.csv"});
    for (int c : cases) {
        const std::string base = name + "_case" + std::to_string(c);
        for (const char* suffix : {".vtu", "_displacements.csv", "_reactions.csv", "_bar_forces.csv", "_diagrams.csv"})
            f.insert(base + suffix);
    }
    return f;
}

TEST(CommandLine, RunWritesTheLegacyFilesUnderTheJobsNameAndOneSetOfOpenFilesPerSolvedCase) {
    for (const auto& [name, cases] : EXAMPLES) {
        const fs::path dir = folder(std::string("run_") + name, name);
        const Outcome o = querbal(dir, std::string(name) + ".dat -C out --log full --legacy-console");
        ASSERT_EQ(o.status, 0) << name << ": " << o.err;
        EXPECT_EQ(o.err, "");
        // asked for, the console lines of the prompt mode, then the summary and the run's line
        const std::string console = golden(name, "console.txt");
        EXPECT_TRUE(o.out.compare(0, console.size(), console) == 0) << name << ": the console lines differ";
        EXPECT_NE(o.out.find("\n" + std::string(name) + ".dat: status 0 (every case solved)"), std::string::npos) << o.out;
        const fs::path out = dir / "out";
        const std::string job = name;
        EXPECT_TRUE(slurp(out / (job + "_resultados.txt")) == golden(name, "resultados.txt")) << name;
        for (const auto& [file, legacy] : {std::pair<std::string, const char*>{job + "_memoria.txt", "MEMORIA"},
                                           {job + "_valinf.txt", "VALINF"},
                                           {job + ".post.msh", "arch.msh"},
                                           {job + ".post.res", "arch.res"}})
            EXPECT_TRUE(slurp(out / file) == golden(name, legacy)) << name << ": " << file;
        EXPECT_EQ(files_in(out), job_files(name, cases)) << name;
        // nothing beside the data file in the working folder
        EXPECT_EQ(files_in(dir), (std::set<std::string>{std::string(name) + ".dat", "out"})) << name;
    }
    // By default a run shows one line per case as it ends, then its summary,
    // and writes no log.
    const fs::path dir = folder("run_default", "reticula_janbu");
    const Outcome o = querbal(dir, "reticula_janbu.dat -C out");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out.rfind("case 2 (immediate compression), iterative (Janbu): converged in ", 0), 0u) << o.out;
    EXPECT_EQ(o.out.find("ARCHIVO"), std::string::npos) << o.out;
    EXPECT_FALSE(fs::exists(dir / "out" / "reticula_janbu_memoria.txt"));
    EXPECT_TRUE(slurp(dir / "out" / "reticula_janbu_resultados.txt") == golden("reticula_janbu", "resultados.txt"));
}

TEST(CommandLine, OutputNameLogOffQuietAndOpenFilesOff) {
    // A relative report name lands in the output folder, created with its
    // parents; without the log and the console everything else is unchanged,
    // and the console keeps the run's one line.
    const fs::path dir = folder("options", "marco_zapatas");
    Outcome o = querbal(dir, "-q --log off --no-vtk --no-csv --no-summary marco_zapatas.dat -o informe.txt -C a/b");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out.rfind("marco_zapatas.dat: status 0 (every case solved), cases 1 2 3 4 solved, ", 0), 0u) << o.out;
    EXPECT_EQ(std::count(o.out.begin(), o.out.end(), '\n'), 1) << o.out;
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(files_in(dir / "a" / "b"), (std::set<std::string>{"informe.txt", "marco_zapatas_valinf.txt",
                                                                "marco_zapatas.post.msh", "marco_zapatas.post.res"}));
    EXPECT_TRUE(slurp(dir / "a" / "b" / "informe.txt") == golden("marco_zapatas", "resultados.txt"));

    // The prompt mode writes its own files only, under their fixed names,
    // unless asked for the others.
    o = querbal(dir, "", "marco_zapatas.dat\\nr.txt\\n");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(o.out == golden("marco_zapatas", "console.txt"));
    EXPECT_EQ(files_in(dir), (std::set<std::string>{"marco_zapatas.dat", "a", "r.txt", "MEMORIA", "VALINF", "arch.msh",
                                                     "arch.res"}));
    o = querbal(dir, "--vtk --summary -C v", "marco_zapatas.dat\\nr.txt\\n");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(fs::exists(dir / "v" / "marco_zapatas_case4.vtu"));
    EXPECT_TRUE(fs::exists(dir / "v" / "marco_zapatas.pvd"));
    EXPECT_TRUE(fs::exists(dir / "v" / "marco_zapatas_summary.json"));
    EXPECT_FALSE(fs::exists(dir / "v" / "marco_zapatas_case4_reactions.csv"));
}

// Every name is a data file: a glob runs each job in turn with outputs of its
// own, and can never overwrite a data file.
TEST(CommandLine, ABatchRunsEveryDataFileWithItsOwnOutputs) {
    const fs::path dir = folder("batch", "marco_zapatas");
    fs::copy_file(SOURCE / "examples" / "reticula_janbu.dat", dir / "reticula_janbu.dat");
    Outcome o = querbal(dir, "-q --log full marco_zapatas.dat reticula_janbu.dat");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(std::count(o.out.begin(), o.out.end(), '\n'), 3) << o.out;
    EXPECT_NE(o.out.find("\nreticula_janbu.dat: status 0"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("\nquerbal: 2 runs, exit status 0\n"), std::string::npos) << o.out;
    std::set<std::string> expected = job_files("marco_zapatas", {1, 2, 3, 4});
    for (const std::string& f : job_files("reticula_janbu", {2})) expected.insert(f);
    expected.insert({"marco_zapatas.dat", "reticula_janbu.dat"});
    EXPECT_EQ(files_in(dir), expected);
    EXPECT_TRUE(slurp(dir / "reticula_janbu_resultados.txt") == golden("reticula_janbu", "resultados.txt"));
    EXPECT_TRUE(slurp(dir / "marco_zapatas.dat") == slurp(SOURCE / "examples" / "marco_zapatas.dat"));

    // the old form, a report name after the data: refused, nothing created
    const fs::path old = folder("batch_old", "marco_zapatas");
    o = querbal(old, "marco_zapatas.dat informe.txt");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("querbal: no such data file 'informe.txt'"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("-o FILE"), std::string::npos) << o.err;
    EXPECT_EQ(files_in(old), std::set<std::string>{"marco_zapatas.dat"});
}

TEST(CommandLine, CheckReadsTheDataAndWritesNothing) {
    const fs::path dir = folder("check", "losa_zapata_aislada");
    Outcome o = querbal(dir, "--check losa_zapata_aislada.dat");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.err, "");
    for (const char* line : {"  slabs              1\n", "  isolated footings  1\n", "  area reactions     4\n",
                             "  nodal reactions    6\n", "  equations          48 (coupled system: 58)\n",
                             "  cases              1 2 3 4 (KANAL 0: linear)\n"})
        EXPECT_NE(o.out.find(line), std::string::npos) << line << "in\n" << o.out;
    EXPECT_EQ(files_in(dir), (std::set<std::string>{"losa_zapata_aislada.dat"}));

    // The data's warnings are those of a run; -q keeps only them.
    std::string data = slurp(dir / "losa_zapata_aislada.dat");
    data.replace(data.find("\n0 1 1 1 1"), 10, "\n7 1 1 1 1");
    std::ofstream(dir / "k7.dat", std::ios::binary) << data;
    o = querbal(dir, "-q --check k7.dat");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, "");
    EXPECT_NE(o.err.find("KANAL = 7 selects no solution"), std::string::npos) << o.err;

    // Bad data: the run's one-line message and status 1.
    std::ofstream(dir / "bad.dat", std::ios::binary) << data.substr(0, data.find("NODO"));
    o = querbal(dir, "--check bad.dat");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "");
    EXPECT_NE(o.err.find("querbal: bad.dat:"), std::string::npos) << o.err;
    EXPECT_EQ(o.err.find('\n'), o.err.size() - 1) << o.err;
    EXPECT_EQ(files_in(dir), (std::set<std::string>{"losa_zapata_aislada.dat", "k7.dat", "bad.dat"}));
}

TEST(CommandLine, HelpVersionAndUsageErrorsNeverAskAtTheConsole) {
    const fs::path dir = folder("usage", "marco_zapatas");
    Outcome o = querbal(dir, "--help");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out.rfind("querbal: ", 0), 0u) << o.out;
    EXPECT_NE(o.out.find("--outdir DIR"), std::string::npos);
    o = querbal(dir, "--version");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out.rfind(std::string("querbal ") + QB_VERSION + "\n", 0), 0u) << o.out;
    EXPECT_NE(o.out.find("sparse solver (the large-model path): CHOLMOD from libcholmod.so.3"), std::string::npos)
        << o.out;
    for (const char* bad : {"--frobnicate x.dat", "--log verbose x.dat", "--threads -1 x.dat", "--threads many x.dat",
                            "--check", "--vtk --no-vtk x.dat", "a.dat b.txt c.txt", "marco_zapatas.dat -o a.txt b.dat",
                            "marco_zapatas.dat ../usage/marco_zapatas.dat", "marco_zapatas.dat marco_zapatas.dat -C ."}) {
        o = querbal(dir, bad);
        EXPECT_EQ(o.status, 1) << bad;
        EXPECT_EQ(o.out, "") << bad;
        EXPECT_NE(o.err.find("--help"), std::string::npos) << bad << ": " << o.err;
        // every line of a usage error is the program's
        for (size_t a = 0; a < o.err.size(); a = o.err.find('\n', a) + 1)
            EXPECT_EQ(o.err.compare(a, 9, "querbal: "), 0) << bad << ": " << o.err;
    }
    EXPECT_EQ(files_in(dir), std::set<std::string>{"marco_zapatas.dat"});
    EXPECT_TRUE(slurp(dir / "marco_zapatas.dat") == slurp(SOURCE / "examples" / "marco_zapatas.dat"));

    // what is printed must reach standard output: a full device is status 4
    for (const char* args : {"--help", "--version", "--check marco_zapatas.dat"}) {
        const int rc = std::system(("cd '" + dir.string() + "' && " + QB_QUERBAL_EXE + " " + args +
                                    " > /dev/full 2> /dev/null").c_str());
        EXPECT_EQ(WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, 4) << args;
    }
}

TEST(CommandLine, AnOutputFolderThatCannotBeMadeEndsWithStatus4) {
    const fs::path dir = folder("outdir", "marco_zapatas");
    std::ofstream(dir / "plain") << "a file, not a folder\n";
    const Outcome o = querbal(dir, "marco_zapatas.dat -C plain/out");
    EXPECT_EQ(o.status, 4);
    EXPECT_NE(o.err.find("querbal: cannot create the output folder 'plain/out'"), std::string::npos) << o.err;
    EXPECT_EQ(o.err.find('\n'), o.err.size() - 1) << o.err;
}

TEST(CommandLine, OutputsThatShareAFileAreRefusedBeforeAnythingIsWritten) {
    // STEM.pvd would replace the data file x.pvd, or the report named m.pvd;
    // standard output, or a link, could be one of the outputs: status 1, and
    // no output file is created.
    const fs::path dir = folder("open_clash", "marco_zapatas");
    const std::string data = slurp(dir / "marco_zapatas.dat");
    fs::copy_file(dir / "marco_zapatas.dat", dir / "x.pvd");
    Outcome o = querbal(dir, "-q x.pvd");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("the VTK collection 'x.pvd' is the data file 'x.pvd' itself"), std::string::npos) << o.err;
    EXPECT_TRUE(slurp(dir / "x.pvd") == data);

    o = querbal(dir, "-q marco_zapatas.dat -o marco_zapatas.pvd");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("results file 'marco_zapatas.pvd' and the VTK collection 'marco_zapatas.pvd' are one file"),
              std::string::npos) << o.err;
    EXPECT_EQ(files_in(dir), (std::set<std::string>{"marco_zapatas.dat", "x.pvd"}));

    const std::string csv = "marco_zapatas_case1_displacements.csv";
    int rc = std::system(("cd '" + dir.string() + "' && " + QB_QUERBAL_EXE + " marco_zapatas.dat > " + csv +
                          " 2> err.txt").c_str());
    EXPECT_EQ(WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, 1);
    EXPECT_NE(slurp(dir / "err.txt").find("the CSV table '" + csv + "' is standard output"), std::string::npos);
    EXPECT_EQ(slurp(dir / csv).rfind("marco_zapatas.dat: status 1", 0), 0u) << "only the run's line";
    fs::remove(dir / "err.txt");

    fs::remove(dir / csv);
    std::ofstream(dir / "marco_zapatas_case2_reactions.csv") << "kept\n";
    fs::create_hard_link(dir / "marco_zapatas_case2_reactions.csv", dir / "marco_zapatas_case3_reactions.csv");
    o = querbal(dir, "-q marco_zapatas.dat");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("are one file"), std::string::npos) << o.err;
    EXPECT_EQ(slurp(dir / "marco_zapatas_case3_reactions.csv"), "kept\n");
    EXPECT_EQ(files_in(dir).size(), 4u);

    // a name longer than a file system takes is found before case 1
    const std::string longname(240, 'd');
    fs::copy_file(dir / "marco_zapatas.dat", dir / (longname + ".dat"));
    o = querbal(dir, "-q " + longname + ".dat");
    EXPECT_EQ(o.status, 4);
    EXPECT_NE(o.err.find("more than the 255 a file system takes"), std::string::npos) << o.err;
    EXPECT_EQ(files_in(dir).size(), 5u);
}

// A case that stops the run is in the summary with its reason, and so are the
// cases after it, not solved.
TEST(CommandLine, TheSummaryListsEveryCaseOfARunThatStopped) {
    const fs::path dir = folder("stopped", "marco_zapatas");
    std::string data = slurp(dir / "marco_zapatas.dat");
    data.replace(data.find("1500.  0.35"), 11, "0.     0.35");   // case 2: a zero modulus
    std::ofstream(dir / "e0.dat", std::ios::binary) << data;
    const Outcome o = querbal(dir, "-q --no-vtk --no-csv e0.dat");
    EXPECT_EQ(o.status, 2) << o.err;
    const std::string json = slurp(dir / "e0_summary.json");
    for (int c = 1; c <= 4; ++c)
        EXPECT_NE(json.find("\"case\": " + std::to_string(c) + ","), std::string::npos) << c << json;
    EXPECT_NE(json.find("\"failure\": \"case 2 (immediate compression): the soil modulus E2"), std::string::npos) << json;
    EXPECT_NE(json.find("\"failure\": \"not solved: the run stopped in case 2 (immediate compression)\""),
              std::string::npos) << json;
    const std::string csv = slurp(dir / "e0_cases.csv");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 5) << csv;
}

// The cases of an earlier run of the job are gone once a rerun into the same
// folder creates its outputs, whatever it solves or writes; a rerun refused
// before that removes nothing, and nothing but the job's own case files is
// ever removed.
TEST(CommandLine, ARerunLeavesNoCaseFilesOfTheEarlierRun) {
    const fs::path dir = folder("rerun", "marco_zapatas");
    const fs::path out = dir / "out";
    const std::string job = "marco_zapatas";
    const std::string data = slurp(dir / "marco_zapatas.dat");
    Outcome o = querbal(dir, "-q --log full marco_zapatas.dat -C out");
    ASSERT_EQ(o.status, 0) << o.err;
    const std::set<std::string> all = job_files(job, {1, 2, 3, 4});
    ASSERT_EQ(files_in(out), all);

    // Case 2 alone: the control record and the property lines of the others.
    std::string only2 = data;
    only2.replace(only2.find("\n0 1 1 1 1 3\n"), 13, "\n0 0 1 0 0 3\n");
    for (const char* line : {"2000.  0.30  5.0\n", "800.   1.5   1.0\n", "1200.  1.2   0.5  1.0\n",
                             "6000.  0.25  8.0\n", "3000.  3.0   1.0\n", "4000.  2.5   0.5  1.0\n"})
        only2.erase(only2.find(line), std::strlen(line));
    fs::create_directories(dir / "b");
    std::ofstream(dir / "b" / "marco_zapatas.dat", std::ios::binary) << only2;

    // Refused before any output is created: a clash of names, bad data found
    // by --strict (the property lines left in), a running job.
    o = querbal(dir, "-q b/marco_zapatas.dat -C out -o marco_zapatas.pvd");
    EXPECT_EQ(o.status, 1) << o.err;
    std::string bad = data;
    bad.replace(bad.find("\n0 1 1 1 1 3\n"), 13, "\n0 0 1 0 0 3\n");
    fs::create_directories(dir / "bad");
    std::ofstream(dir / "bad" / "marco_zapatas.dat", std::ios::binary) << bad;
    o = querbal(dir, "-q --strict bad/marco_zapatas.dat -C out");
    EXPECT_EQ(o.status, 1) << o.err;
    EXPECT_NE(o.err.find("expected an integer"), std::string::npos) << o.err;
    const int fd = ::open((out / ".marco_zapatas.lock").c_str(), O_RDWR | O_CREAT, 0666);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    o = querbal(dir, "-q b/marco_zapatas.dat -C out");
    EXPECT_EQ(o.status, 1) << o.err;
    ::close(fd);
    fs::remove(out / ".marco_zapatas.lock");
    EXPECT_EQ(files_in(out), all);
    EXPECT_TRUE(slurp(out / (job + "_resultados.txt")) == golden(job, "resultados.txt"));

    o = querbal(dir, "-q b/marco_zapatas.dat -C out");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(files_in(out), job_files(job, {2}));
    EXPECT_EQ(slurp(out / (job + ".pvd")).find("_case1.vtu"), std::string::npos);

    // A case that fails leaves none of its files, nor do the cases not solved
    // after it: case 2 without a soil modulus stops the run in case 2.
    std::string e0 = data;
    e0.replace(e0.find("1500.  0.35"), 11, "0.     0.35");
    fs::create_directories(dir / "e0");
    std::ofstream(dir / "e0" / "marco_zapatas.dat", std::ios::binary) << e0;
    ASSERT_EQ(querbal(dir, "-q marco_zapatas.dat -C out").status, 0);
    o = querbal(dir, "-q e0/marco_zapatas.dat -C out");
    EXPECT_EQ(o.status, 2) << o.err;
    EXPECT_EQ(files_in(out), job_files(job, {1}));

    // Without VTK and CSV files none is left. A symbolic link by such a name,
    // and the data file itself under such a name, are not the program's:
    // they stay, with a warning.
    std::ofstream(dir / "target.txt") << "kept\n";
    fs::create_symlink("../target.txt", out / (job + "_case3.vtu"));
    fs::copy_file(dir / "marco_zapatas.dat", out / (job + "_case4_reactions.csv"));
    fs::create_directories(dir / "s");
    fs::create_symlink("../out/" + job + "_case4_reactions.csv", dir / "s" / "marco_zapatas.dat");
    o = querbal(dir, "-q --no-vtk --no-csv s/marco_zapatas.dat -C out");
    ASSERT_EQ(o.status, 0) << o.err;
    std::set<std::string> expected = job_files(job, {}, false);
    expected.insert({job + "_summary.json", job + "_cases.csv", job + "_case3.vtu", job + "_case4_reactions.csv"});
    EXPECT_EQ(files_in(out), expected);
    EXPECT_TRUE(fs::is_symlink(out / (job + "_case3.vtu")));
    EXPECT_EQ(slurp(dir / "target.txt"), "kept\n");
    EXPECT_TRUE(slurp(out / (job + "_case4_reactions.csv")) == data);
    EXPECT_NE(o.err.find("querbal: warning: 'out/" + job + "_case3.vtu' has the name of a VTK grid of this job but is "
                         "a symbolic link; it is left as it is\n"),
              std::string::npos) << o.err;
    EXPECT_NE(o.err.find("is the data file; it is left as it is\n"), std::string::npos) << o.err;

    // A job name too long for the names of the case files: a run without
    // them has nothing to remove.
    const std::string longname(236, 'd');
    fs::copy_file(dir / "marco_zapatas.dat", dir / (longname + ".dat"));
    o = querbal(dir, "-q --no-vtk --no-csv --no-summary " + longname + ".dat");
    EXPECT_EQ(o.status, 0) << o.err;
}

// A case file of an earlier run that cannot be removed ends the run with
// status 4, naming it.
TEST(CommandLine, ACaseFileThatCannotBeRemovedEndsWithStatus4) {
    const fs::path dir = folder("rerun_pinned", "marco_zapatas");
    ASSERT_EQ(querbal(dir, "-q marco_zapatas.dat -C out").status, 0);
    // Without root a folder without write permission keeps its files; root
    // needs the immutable attribute (the lock file, left in place, can still
    // be opened).
    const fs::path pinned = dir / "out" / "marco_zapatas_case3_diagrams.csv";
    const std::string pin = ::geteuid() == 0 ? "chattr +i '" + pinned.string() + "'"
                                             : "touch '" + (dir / "out" / ".marco_zapatas.lock").string() +
                                                   "' && chmod a-w '" + (dir / "out").string() + "'";
    const std::string unpin = ::geteuid() == 0 ? "chattr -i '" + pinned.string() + "'"
                                               : "chmod u+w '" + (dir / "out").string() + "'";
    if (std::system((pin + " 2> /dev/null").c_str()) != 0) GTEST_SKIP() << "cannot protect a file from removal here";
    const Outcome o = querbal(dir, "-q --no-csv marco_zapatas.dat -C out");
    std::system(unpin.c_str());
    EXPECT_EQ(o.status, 4);
    EXPECT_EQ(o.err.rfind("querbal: cannot remove the ", 0), 0u) << o.err;
    EXPECT_NE(o.err.find("'out/marco_zapatas"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find(" of an earlier run: "), std::string::npos) << o.err;
    EXPECT_EQ(o.err.find('\n'), o.err.size() - 1) << o.err;
    EXPECT_TRUE(fs::exists(pinned));
}

// A second run of a job that is running stops at once, touching nothing; a
// console that goes away or a closed standard error costs no output.
TEST(CommandLine, ARunningJobAClosedPipeAndClosedStreamsLoseNothing) {
    const fs::path dir = folder("lock", "marco_zapatas");
    const int fd = ::open((dir / ".marco_zapatas.lock").c_str(), O_RDWR | O_CREAT, 0666);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    Outcome o = querbal(dir, "marco_zapatas.dat");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("another run of job 'marco_zapatas' is writing its outputs into this folder"),
              std::string::npos) << o.err;
    EXPECT_EQ(files_in(dir), (std::set<std::string>{"marco_zapatas.dat", ".marco_zapatas.lock"}));
    ::close(fd);

    // `querbal d.dat | head -1`: the console is dropped, the files are whole
    int rc = std::system(("bash -c \"cd '" + dir.string() + "' && " + QB_QUERBAL_EXE +
                      " marco_zapatas.dat -C pipe 2> err.txt | head -1 > first.txt; exit \\${PIPESTATUS[0]}\"")
                         .c_str());
    EXPECT_EQ(WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, 0) << slurp(dir / "err.txt");
    EXPECT_EQ(slurp(dir / "first.txt").rfind("case 1 (expansion), linear: converged", 0), 0u) << slurp(dir / "first.txt");
    EXPECT_TRUE(slurp(dir / "pipe" / "marco_zapatas_resultados.txt") == golden("marco_zapatas", "resultados.txt"));
    EXPECT_TRUE(slurp(dir / "pipe" / "marco_zapatas.post.res") == golden("marco_zapatas", "arch.res"));

    // standard error closed: a warning goes nowhere, never into the report
    std::string data = slurp(dir / "marco_zapatas.dat");
    data.replace(data.find("2213594.    0.2"), 15, "2213594.    0.2  9");
    std::ofstream(dir / "w.dat", std::ios::binary) << data;
    rc = std::system(("cd '" + dir.string() + "' && " + QB_QUERBAL_EXE + " -q w.dat -C closed > /dev/null 2>&-").c_str());
    EXPECT_EQ(WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, 0);
    EXPECT_TRUE(slurp(dir / "closed" / "w_resultados.txt") == golden("marco_zapatas", "resultados.txt"));
}

// A data-file name that is not UTF-8 is written as UTF-8 in the XML and CSV
// outputs, which must stay well formed.
TEST(CommandLine, NamesOfTheDataBecomeUtf8InTheOpenOutputs) {
    const fs::path dir = folder("latin1", "marco_zapatas");
    std::string data = slurp(dir / "marco_zapatas.dat");
    for (size_t p; (p = data.find("'VIGA'")) != std::string::npos;) data.replace(p, 6, "'VIG\xC1'");
    std::ofstream(dir / "d\xE9.dat", std::ios::binary) << data;
    const Outcome o = querbal(dir, "-q d\xE9.dat");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(slurp(dir / "d\xE9.pvd").find("file=\"d\xC3\xA9_case1.vtu\""), std::string::npos);
    EXPECT_NE(slurp(dir / "d\xE9_case1_bar_forces.csv").find(",VIG\xC3\x81,"), std::string::npos);
    EXPECT_NE(slurp(dir / "d\xE9_summary.json").find("\"d\xC3\xA9.dat\""), std::string::npos);
    // the report keeps the data's own bytes
    EXPECT_NE(slurp(dir / "d\xE9_resultados.txt").find("VIG\xC1"), std::string::npos);
}

// Runs querbal with standard output and standard error on a pseudo-terminal
// (raw: no line-end translation) and returns all the terminal received.
std::string on_terminal(const fs::path& dir, const std::string& args, const char* locale) {
    int master = -1;
    termios raw{};
    cfmakeraw(&raw);
    const pid_t pid = forkpty(&master, nullptr, &raw, nullptr);
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(127);
        setenv("LC_ALL", locale, 1);
        execl("/bin/sh", "sh", "-c", (std::string(QB_QUERBAL_EXE) + " " + args + " < /dev/null").c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string got;
    char buf[4096];
    for (ssize_t n; (n = read(master, buf, sizeof buf)) > 0;) got.append(buf, size_t(n));
    int status = 0;
    waitpid(pid, &status, 0);
    close(master);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << got;
    return got;
}

// The numeric columns of a CSV table, by header name.
std::vector<std::vector<double>> csv_columns(const fs::path& file, const std::vector<std::string>& names) {
    std::istringstream in(slurp(file));
    std::string line;
    std::getline(in, line);
    std::vector<std::string> header;
    for (std::istringstream h(line); std::getline(h, line, ',');) header.push_back(line);
    std::vector<size_t> at;
    for (const std::string& n : names) {
        const auto it = std::find(header.begin(), header.end(), n);
        EXPECT_NE(it, header.end()) << file << ": no column " << n;
        at.push_back(static_cast<size_t>(it - header.begin()));
    }
    std::vector<std::vector<double>> cols(names.size());
    while (std::getline(in, line)) {
        std::vector<std::string> cell;
        for (std::istringstream r(line); std::getline(r, line, ',');) cell.push_back(line);
        for (size_t k = 0; k < at.size(); ++k) cols[k].push_back(at[k] < cell.size() ? std::atof(cell[at[k]].c_str()) : 0.0);
    }
    return cols;
}

TEST(CommandLine, DoublePrecisionAgreesWithTheProgramsOwnArithmetic) {
    // Same equations, another arithmetic: translations, rotations, reactions
    // and settlements of every case within 1e-4 of the largest value of their
    // kind (a small horizontal movement carries the rounding of the vertical
    // ones in single precision).
    for (const char* name : {"marco_zapatas", "losa_zapata_aislada"}) {
        const fs::path dir = folder(std::string("precision_") + name, name);
        const std::string data = std::string(name) + ".dat";
        ASSERT_EQ(querbal(dir, data + " -q --no-vtk -C single").status, 0);
        const Outcome d = querbal(dir, data + " -q --precision double -C double");
        ASSERT_EQ(d.status, 0) << d.err;
        EXPECT_EQ(d.err, "");   // well-posed systems: no conditioning warning
        EXPECT_NE(slurp(dir / "double" / (std::string(name) + "_resultados.txt")).find("CALCULO EN DOBLE PRECISION"),
                  std::string::npos);
        EXPECT_EQ(slurp(dir / "single" / (std::string(name) + "_resultados.txt")).find("DOBLE PRECISION"),
                  std::string::npos);
        for (int caso = 1; caso <= 4; ++caso) {
            const std::string stem = std::string(name) + "_case" + std::to_string(caso);
            if (!fs::exists(dir / "single" / (stem + "_displacements.csv"))) continue;
            for (const auto& [table, cols] :
                 {std::pair<std::string, std::vector<std::string>>{"_displacements.csv", {"dx [m]", "dy [m]", "dz [m]"}},
                  {"_displacements.csv", {"rx [rad]", "ry [rad]", "rz [rad]"}},
                  {"_reactions.csv", {"value"}},
                  {"_reactions.csv", {"settlement [m]"}}}) {
                const auto s = csv_columns(dir / "single" / (stem + table), cols);
                const auto t = csv_columns(dir / "double" / (stem + table), cols);
                double scale = 0.0;
                for (const auto& col : s)
                    for (double v : col) scale = std::max(scale, std::fabs(v));
                for (size_t k = 0; k < cols.size(); ++k) {
                    ASSERT_EQ(s[k].size(), t[k].size());
                    for (size_t i = 0; i < s[k].size(); ++i)
                        EXPECT_NEAR(t[k][i], s[k][i], 1e-4 * scale) << stem << table << " " << cols[k] << " row " << i + 1;
                }
            }
        }
    }
}

TEST(Terminal, ProgressAndUtf8ConsoleOnATerminalOnly) {
    const fs::path dir = folder("terminal", "marco_zapatas");
    std::string screen = on_terminal(dir, "--legacy-console marco_zapatas.dat -C utf8", "C.UTF-8");
    EXPECT_NE(screen.find(" Formar\xC3\xA1 la matriz global de rigidez\n"), std::string::npos) << screen;
    EXPECT_NE(screen.find(" ANALISIS POR CONSOLIDACI\xC3\x93N SECUNDARIA\n"), std::string::npos) << screen;
    // the progress line shows each case and is erased before a console line
    EXPECT_NE(screen.find("\rquerbal: caso 3"), std::string::npos) << screen;
    EXPECT_NE(screen.find("\r\033[K ANALISIS POR CONSOLIDACION PRIMARIA\n"), std::string::npos) << screen;
    // the files keep their Latin-1 bytes
    EXPECT_TRUE(slurp(dir / "utf8" / "marco_zapatas_resultados.txt") == golden("marco_zapatas", "resultados.txt"));

    screen = on_terminal(dir, "--legacy-console marco_zapatas.dat -C latin1", "C");
    EXPECT_NE(screen.find(" Formar\xE1 la matriz global de rigidez\n"), std::string::npos) << screen;

    // -q: the run's line and nothing else
    screen = on_terminal(dir, "-q marco_zapatas.dat -C quiet", "C.UTF-8");
    EXPECT_EQ(screen.rfind("marco_zapatas.dat: status 0 (every case solved)", 0), 0u) << screen;
    EXPECT_EQ(std::count(screen.begin(), screen.end(), '\n'), 1) << screen;
}

} // namespace
