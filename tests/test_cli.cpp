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
#include <pty.h>
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

TEST(CommandLine, RunWritesThePromptModeFilesAndOneSetOfOpenFilesPerSolvedCase) {
    for (const auto& [name, cases] : EXAMPLES) {
        const fs::path dir = folder(std::string("run_") + name, name);
        const Outcome o = querbal(dir, std::string(name) + ".dat -C out");
        ASSERT_EQ(o.status, 0) << name << ": " << o.err;
        EXPECT_EQ(o.err, "");
        EXPECT_TRUE(o.out == golden(name, "console.txt")) << name << ": the console lines differ";
        const fs::path out = dir / "out";
        EXPECT_TRUE(slurp(out / (std::string(name) + "_resultados.txt")) == golden(name, "resultados.txt")) << name;
        std::set<std::string> expected = {std::string(name) + "_resultados.txt", "MEMORIA", "VALINF", "arch.msh",
                                          "arch.res", std::string(name) + ".pvd"};
        for (const char* f : {"MEMORIA", "VALINF", "arch.msh", "arch.res"})
            EXPECT_TRUE(slurp(out / f) == golden(name, f)) << name << ": " << f;
        for (int c : cases) {
            const std::string base = std::string(name) + "_case" + std::to_string(c);
            for (const char* suffix : {".vtu", "_displacements.csv", "_reactions.csv", "_bar_forces.csv", "_diagrams.csv"})
                expected.insert(base + suffix);
        }
        EXPECT_EQ(files_in(out), expected) << name;
        // nothing beside the data file in the working folder
        EXPECT_EQ(files_in(dir), (std::set<std::string>{std::string(name) + ".dat", "out"})) << name;
    }
}

TEST(CommandLine, ResultsNameLogOffQuietAndOpenFilesOff) {
    // A relative report name lands in the output folder, created with its
    // parents; without the log and the console everything else is unchanged.
    const fs::path dir = folder("options", "marco_zapatas");
    Outcome o = querbal(dir, "-q --log off --no-vtk --no-csv marco_zapatas.dat informe.txt -C a/b");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(files_in(dir / "a" / "b"), (std::set<std::string>{"informe.txt", "VALINF", "arch.msh", "arch.res"}));
    EXPECT_TRUE(slurp(dir / "a" / "b" / "informe.txt") == golden("marco_zapatas", "resultados.txt"));

    // The prompt mode writes its own files only, unless asked for the others.
    o = querbal(dir, "", "marco_zapatas.dat\\nr.txt\\n");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(o.out == golden("marco_zapatas", "console.txt"));
    EXPECT_EQ(files_in(dir), (std::set<std::string>{"marco_zapatas.dat", "a", "r.txt", "MEMORIA", "VALINF", "arch.msh",
                                                     "arch.res"}));
    o = querbal(dir, "--vtk -C v", "marco_zapatas.dat\\nr.txt\\n");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(fs::exists(dir / "v" / "marco_zapatas_case4.vtu"));
    EXPECT_TRUE(fs::exists(dir / "v" / "marco_zapatas.pvd"));
    EXPECT_FALSE(fs::exists(dir / "v" / "marco_zapatas_case4_reactions.csv"));
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
    EXPECT_EQ(o.out, std::string("querbal ") + QB_VERSION + "\n");
    for (const char* bad : {"--frobnicate x.dat", "--log verbose x.dat", "--threads -1 x.dat", "--threads many x.dat",
                            "--check", "--vtk --no-vtk x.dat", "a.dat b.txt c.txt",
                            "marco_zapatas.dat ../usage/marco_zapatas.dat", "marco_zapatas.dat marco_zapatas.dat -C ."}) {
        o = querbal(dir, bad);
        EXPECT_EQ(o.status, 1) << bad;
        EXPECT_EQ(o.out, "") << bad;
        EXPECT_NE(o.err.find("--help"), std::string::npos) << bad << ": " << o.err;
    }
    EXPECT_EQ(files_in(dir), std::set<std::string>{"marco_zapatas.dat"});
    EXPECT_TRUE(slurp(dir / "marco_zapatas.dat") == slurp(SOURCE / "examples" / "marco_zapatas.dat"));
}

TEST(CommandLine, AnOutputFolderThatCannotBeMadeEndsWithStatus4) {
    const fs::path dir = folder("outdir", "marco_zapatas");
    std::ofstream(dir / "plain") << "a file, not a folder\n";
    const Outcome o = querbal(dir, "marco_zapatas.dat -C plain/out");
    EXPECT_EQ(o.status, 4);
    EXPECT_NE(o.err.find("querbal: cannot create the output folder 'plain/out'"), std::string::npos) << o.err;
    EXPECT_EQ(o.err.find('\n'), o.err.size() - 1) << o.err;
}

TEST(CommandLine, AnOpenOutputThatIsTheDataFileOrTheReportIsRefused) {
    // STEM.pvd would replace the data file x.pvd, or the report named m.pvd:
    // status 1 before the collection is opened, the data intact, the report
    // whole as far as it was written.
    const fs::path dir = folder("open_clash", "marco_zapatas");
    const std::string data = slurp(dir / "marco_zapatas.dat");
    fs::copy_file(dir / "marco_zapatas.dat", dir / "x.pvd");
    Outcome o = querbal(dir, "-q x.pvd");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("the VTK collection 'x.pvd' is the data file 'x.pvd' itself"), std::string::npos) << o.err;
    EXPECT_TRUE(slurp(dir / "x.pvd") == data);

    o = querbal(dir, "-q marco_zapatas.dat marco_zapatas.pvd");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("results file 'marco_zapatas.pvd' and the VTK collection 'marco_zapatas.pvd' are one file"),
              std::string::npos) << o.err;
    EXPECT_TRUE(slurp(dir / "marco_zapatas.dat") == data);
    const std::string report = slurp(dir / "marco_zapatas.pvd");
    EXPECT_FALSE(report.empty());
    EXPECT_EQ(golden("marco_zapatas", "resultados.txt").compare(0, report.size(), report), 0);
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
            for (const auto& [table, cols] : {std::pair<std::string, std::vector<std::string>>{"_displacements.csv", {"dx", "dy", "dz"}},
                                              {"_displacements.csv", {"rx", "ry", "rz"}},
                                              {"_reactions.csv", {"value"}},
                                              {"_reactions.csv", {"settlement"}}}) {
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
    std::string screen = on_terminal(dir, "marco_zapatas.dat -C utf8", "C.UTF-8");
    EXPECT_NE(screen.find(" Formar\xC3\xA1 la matriz global de rigidez\n"), std::string::npos) << screen;
    EXPECT_NE(screen.find(" ANALISIS POR CONSOLIDACI\xC3\x93N SECUNDARIA\n"), std::string::npos) << screen;
    // the progress line shows each case and is erased before a console line
    EXPECT_NE(screen.find("\rquerbal: caso 3"), std::string::npos) << screen;
    EXPECT_NE(screen.find("\r\033[K ANALISIS POR CONSOLIDACION PRIMARIA\n"), std::string::npos) << screen;
    // the files keep their Latin-1 bytes
    EXPECT_TRUE(slurp(dir / "utf8" / "marco_zapatas_resultados.txt") == golden("marco_zapatas", "resultados.txt"));

    screen = on_terminal(dir, "marco_zapatas.dat -C latin1", "C");
    EXPECT_NE(screen.find(" Formar\xE1 la matriz global de rigidez\n"), std::string::npos) << screen;

    // -q: nothing at all
    EXPECT_EQ(on_terminal(dir, "-q marco_zapatas.dat -C quiet", "C.UTF-8"), "");
}

} // namespace
