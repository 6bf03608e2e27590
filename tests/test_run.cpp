// Whole runs of the program: the bundled examples end normally with every
// output file, and bad data stop the run with one clear line on standard
// error and a non-zero exit status, keeping what was written so far.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <vector>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "../bench/grid_model.h"

namespace {

std::string slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

std::string example(const std::string& name) { return slurp(std::string(QB_SOURCE_DIR) + "/examples/" + name); }

// Folders of this test process, removed when it ends: other builds of the
// suite (the Debug one, other work trees) may run on the machine meanwhile.
struct ScratchRoot {
    std::string path = ::testing::TempDir() + "qb_run_" + std::to_string(getpid());
    ~ScratchRoot() { std::system(("rm -rf " + path).c_str()); }
};
std::string scratch(const std::string& tag) {
    static ScratchRoot root;
    return root.path + "/" + tag;
}

struct Outcome {
    int status = -1;
    std::string dir, err;
    std::string file(const std::string& f) const { return slurp(dir + "/" + f); }
};

// Runs querbal in a fresh folder on `data`, answering the two prompts.
Outcome run(const std::string& tag, const std::string& data, bool write_data = true) {
    Outcome o;
    o.dir = scratch(tag);
    std::system(("rm -rf " + o.dir + " && mkdir -p " + o.dir).c_str());
    if (write_data) {
        std::ofstream f(o.dir + "/datos.dat", std::ios::binary);
        f << data;
    }
    const std::string cmd = "cd " + o.dir + " && printf 'datos.dat\\nresultados.txt\\n' | " +
                            std::string(QB_QUERBAL_EXE) + " > console.txt 2> stderr.txt";
    const int rc = std::system(cmd.c_str());
    o.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    o.err = o.file("stderr.txt");
    return o;
}

// `base` with the first occurrence of `from` replaced by `to`.
std::string edit(std::string base, const std::string& from, const std::string& to) {
    const size_t p = base.find(from);
    EXPECT_NE(p, std::string::npos) << from;
    if (p != std::string::npos) base.replace(p, from.size(), to);
    return base;
}

void expect_failure(const Outcome& o, const std::string& needle) {
    EXPECT_NE(o.status, 0);
    EXPECT_NE(o.err.find(needle), std::string::npos) << "stderr was: " << o.err;
    // one line
    EXPECT_EQ(o.err.find('\n'), o.err.size() - 1) << o.err;
}

TEST(Run, BundledExamplesEndNormallyWithEveryFile) {
    for (const char* name : {"marco_zapatas.dat", "losa_zapata_aislada.dat", "reticula_janbu.dat",
                             "reticula_no_lineal.dat"}) {
        Outcome o = run(std::string("ok_") + name, example(name));
        EXPECT_EQ(o.status, 0) << name << ": " << o.err;
        EXPECT_TRUE(o.err.empty()) << o.err;
        for (const char* f : {"resultados.txt", "MEMORIA", "VALINF", "arch.msh", "arch.res"})
            EXPECT_FALSE(o.file(f).empty()) << name << " " << f;
        EXPECT_EQ(o.file("arch.res").rfind("\"GiD Post Results File 1.0\"\n#", 0), 0u);
    }
}

TEST(Run, MeshWithoutSlabs) {
    Outcome o = run("mesh_bars", example("marco_zapatas.dat"));
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.file("arch.msh"),
              "#Marco plano sobre zapata corri\n"
              "MESH dimension 3 ElemType Linear Nnode 2\n"
              "Coordinates\n"
              "        1      0.0000      0.0000      0.0000\n"
              "        2      5.0000      0.0000      0.0000\n"
              "        3     10.0000      0.0000      0.0000\n"
              "        4      0.0000      0.0000      3.0000\n"
              "        5      5.0000      0.0000      3.0000\n"
              "        6     10.0000      0.0000      3.0000\n"
              "end coordinates\n"
              "\n"
              "\n"
              "Elements\n"
              "        1        1        2        1\n"
              "        2        2        3        1\n"
              "        3        1        4        2\n"
              "        4        2        5        2\n"
              "        5        3        6        2\n"
              "        6        4        5        2\n"
              "        7        5        6        2\n"
              "end elements\n"
              " \n");
}

TEST(Run, MeshWithASlab) {
    Outcome o = run("mesh_slab", example("losa_zapata_aislada.dat"));
    ASSERT_EQ(o.status, 0) << o.err;
    const std::string msh = o.file("arch.msh");
    const std::string tail =
        "end elements\n"
        " \n"
        "MESH dimension 3 ElemType Quadrilateral Nnode 4\n"
        " \n"
        "Elements\n"
        "     1     1     2     3     4     3\n"
        "end elements\n"
        " \n";
    ASSERT_GE(msh.size(), tail.size());
    EXPECT_EQ(msh.substr(msh.size() - tail.size()), tail);
    EXPECT_EQ(msh.rfind("#Losa de cimentacion con zapata\n", 0), 0u);
    EXPECT_NE(msh.find("       14        6       10        2\n"), std::string::npos);
}

// Texts of the data file reach the outputs as the bytes they are (here
// Latin-1 accents, which are no valid UTF-8), while the program's own texts,
// UTF-8 in the source, are written in Latin-1: no output holds a UTF-8 lead
// byte 0xC3, neither a data byte encoded again nor a literal left unconverted.
TEST(Run, DataTextsPassUnchangedAndLiteralsAreLatin1) {
    std::string data = edit(example("marco_zapatas.dat"), "zapata corrida'", "zapata \xCDntegra'");
    for (const auto& [from, to] : {std::pair<std::string, std::string>{"'CONCRETO'", "'CONCRET\xD3'"},
                                   {"'ZAPATA'", "'ZAPATA \xCDNTEGRA'"}})
        for (size_t p; (p = data.find(from)) != std::string::npos;) data.replace(p, from.size(), to);
    data = edit(data, "CIMENTACION EJE A", "CIMENTACI\xD3N EJE A");
    Outcome o = run("latin1", data);
    ASSERT_EQ(o.status, 0) << o.err;
    const std::string rep = o.file("resultados.txt"), mem = o.file("MEMORIA");
    const std::string zapata = "ZAPATA \xCDNTEGRA      ", concreto = "CONCRET\xD3            ";   // 20 bytes
    EXPECT_NE(rep.find(" Marco plano sobre zapata \xCDntegra "), std::string::npos);
    EXPECT_NE(rep.find(zapata + concreto + "      1.20"), std::string::npos);         // section echo
    EXPECT_NE(rep.find("   No       SECCI\xD3N         "), std::string::npos);         // literal, 7 bytes
    EXPECT_NE(rep.find("\n CIMENTACI\xD3N EJE A   \nBARRA "), std::string::npos);    // diagram table
    EXPECT_NE(mem.find(" SECCI\xD3N:" + zapata + zapata + "\n"), std::string::npos);  // section lookup
    EXPECT_EQ(o.file("arch.msh").rfind("#Marco plano sobre zapata \xCDnteg\n", 0), 0u);
    for (const std::string& f : {rep, mem}) EXPECT_EQ(f.find('\xC3'), std::string::npos);
}

// The golden outputs of the examples (tests/golden), and the reference outputs
// of an independent implementation kept beside the repository (shared/), when
// that folder is there.
const char* const EXAMPLES[] = {"marco_zapatas", "losa_zapata_aislada", "reticula_no_lineal", "reticula_janbu"};
const char* const OUTPUTS[] = {"resultados.txt", "MEMORIA", "VALINF", "arch.msh", "arch.res", "console.txt"};

std::string golden(const std::string& example_name, const std::string& file) {
    return slurp(std::string(QB_SOURCE_DIR) + "/tests/golden/" + example_name + "/" + file);
}

TEST(Run, ExamplesMatchTheGoldenOutputsByteForByte) {
    for (const char* name : EXAMPLES) {
        Outcome o = run(std::string("golden_") + name, example(std::string(name) + ".dat"));
        ASSERT_EQ(o.status, 0) << o.err;
        EXPECT_TRUE(o.err.empty()) << o.err;
        for (const char* f : OUTPUTS) {
            const std::string g = golden(name, f);
            ASSERT_FALSE(g.empty()) << "missing golden file tests/golden/" << name << "/" << f;
            EXPECT_TRUE(o.file(f) == g) << name << ": " << f << " differs from its golden copy";
        }
    }
}

TEST(Run, GoldenOutputsAreTheSharedReferenceOutputs) {
    const std::string shared = std::string(QB_SOURCE_DIR) + "/../shared/examples/expected";
    struct stat st {};
    if (stat(shared.c_str(), &st) != 0) {
        // A plain clone has no shared folder: the golden copies stand alone.
        std::printf("no %s: nothing to compare the golden outputs with\n", shared.c_str());
        return;
    }
    for (const char* name : EXAMPLES)
        for (const char* f : OUTPUTS)
            EXPECT_TRUE(golden(name, f) == slurp(shared + "/" + name + "/" + f)) << name << ": " << f;
}

// A data file saved as UTF-8 (with a byte-order mark) gives the outputs of
// the same file saved as Latin-1, byte for byte; a character that Latin-1
// lacks is written as '?', with a warning naming its line.
TEST(Run, AUtf8DataFileGivesTheOutputsOfItsLatin1Copy) {
    const auto saved = [](const std::string& title, const std::string& material) {
        std::string d = edit(example("marco_zapatas.dat"), "'Marco plano sobre zapata corrida'", title);
        for (size_t p; (p = d.find("'CONCRETO'")) != std::string::npos;) d.replace(p, 10, material);
        return d;
    };
    const Outcome latin1 = run("enc_latin1", saved("'Cimentaci\xF3n \xABmarco\xBB'", "'CONCRETO f\xB4" "c'"));
    const Outcome utf8 = run("enc_utf8", "\xEF\xBB\xBF" + saved("'Cimentaci\xC3\xB3n \xC2\xABmarco\xC2\xBB'",
                                                                "'CONCRETO f\xC2\xB4" "c'"));
    ASSERT_EQ(utf8.status, 0) << utf8.err;
    EXPECT_TRUE(utf8.err.empty()) << utf8.err;
    EXPECT_NE(latin1.file("resultados.txt").find(" Cimentaci\xF3n \xABmarco\xBB "), std::string::npos);
    for (const char* f : OUTPUTS) EXPECT_TRUE(utf8.file(f) == latin1.file(f)) << f;

    const Outcome beyond = run("enc_beyond", saved("'Cimentaci\xC3\xB3n \xE2\x80\x94 marco \xE2\x80\x94 \xE2\x82\xAC'",
                                                   "'CONCRETO f\xE2\x80\xB2" "c'"));
    ASSERT_EQ(beyond.status, 0) << beyond.err;
    EXPECT_NE(beyond.file("resultados.txt").find(" Cimentaci\xF3n ? marco ? ? "), std::string::npos);
    EXPECT_NE(beyond.file("resultados.txt").find("\nCONCRETO f?c  "), std::string::npos);
    const std::string prime = " this line holds characters that Latin-1 cannot write ('\xE2\x80\xB2' U+2032); they "
                              "are written as '?' (the UTF-8 file is read as Latin-1, the encoding of every output): "
                              "use Latin-1 characters instead\n";
    EXPECT_EQ(beyond.err, "querbal: warning: datos.dat:1: this line holds characters that Latin-1 cannot write "
                          "('\xE2\x80\x94' U+2014, '\xE2\x82\xAC' U+20AC); they are written as '?' (the UTF-8 file is "
                          "read as Latin-1, the encoding of every output): use Latin-1 characters instead\n"
                          "querbal: warning: datos.dat:8:" + prime + "querbal: warning: datos.dat:11:" + prime +
                          "querbal: warning: datos.dat:12:" + prime + "querbal: warning: datos.dat:13:" + prime);
}

TEST(Run, AnAnalysisTypeThatSelectsNoSolutionIsWarnedOnce) {
    // Case 2 ends with its bar-force pass on the cleared solution; cases 3
    // and 4 write their names only.
    Outcome o = run("kanal7", edit(example("reticula_no_lineal.dat"), "\n2 0 1 1 1 3\n", "\n7 0 1 1 1 3\n"));
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.err, "querbal: warning: datos.dat:5: the analysis type KANAL = 7 selects no solution; cases 2, 3 and 4 are not solved\n");
    const std::string rep = o.file("resultados.txt");
    EXPECT_NE(rep.find("  BARRA      ELEMENTOS     GRADO DE"), std::string::npos);
    EXPECT_EQ(rep.find("SOLUCION CASO"), std::string::npos);
    EXPECT_NE(o.file("console.txt").find(" ANALISIS POR CONSOLIDACION PRIMARIA\n"), std::string::npos);

    // The iterative analysis solves case 2 only.
    o = run("kanal1", edit(example("reticula_no_lineal.dat"), "\n2 0 1 1 1 3\n", "\n1 0 1 1 1 3\n"));
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.err, "querbal: warning: datos.dat:5: the iterative analysis (KANAL = 1) solves case 2 only; cases 3 and 4 are "
                     "not solved\n");
    EXPECT_NE(o.file("resultados.txt").find("SOLUCION CASO LINEAL, JAMBU"), std::string::npos);
}

TEST(Run, FileNamesLongerThanFiftyCharactersAreAccepted) {
    const std::string dir = scratch("long_names");
    std::system(("rm -rf " + dir + " && mkdir -p " + dir).c_str());
    const std::string data = "un_archivo_de_datos_con_un_nombre_bastante_mas_largo_que_cincuenta.dat";
    const std::string results = "resultados_de_un_analisis_con_un_nombre_tambien_muy_largo.txt";
    {
        std::ofstream f(dir + "/" + data, std::ios::binary);
        f << example("marco_zapatas.dat");
    }
    const std::string cmd = "cd " + dir + " && printf '" + data + "\\n" + results + "\\n' | " +
                            std::string(QB_QUERBAL_EXE) + " > console.txt 2> stderr.txt";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_NE(slurp(dir + "/" + results).find("PROGRAMA QUERBAL"), std::string::npos);
}

TEST(RunErrors, MissingDataFile) {
    Outcome o = run("missing", "", false);
    expect_failure(o, "cannot open the data file 'datos.dat'");
}

TEST(RunErrors, MalformedNumberEarlyEndAndBadCounts) {
    const std::string base = example("marco_zapatas.dat");
    expect_failure(run("malformed", edit(base, "2.4        2213594.", "2.4        22x3594.")),
                   "datos.dat:8: reading material 1: expected a real number, found '22x3594.'");
    expect_failure(run("early_eof", base.substr(0, base.find("ESTRATO 2"))),
                   "expected a heading line, found the end of the file");
    expect_failure(run("negative", edit(base, "\n7\nBARRA", "\n-7\nBARRA")),
                   "reading the bar count: expected a count of 0 or more, found -7");
    expect_failure(run("too_many", edit(base, "\n6\nNODO", "\n834\nNODO")),
                   "reading the node count: expected a count the rest of the file can hold");
    expect_failure(run("huge", edit(base, "\n6\nNODO", "\n99999999999\nNODO")),
                   "expected an integer, found '99999999999'");
}

TEST(RunErrors, NodeNumbersOutsideTheModel) {
    const std::string base = example("marco_zapatas.dat");
    expect_failure(run("bar_node", edit(base, "'VIGA'     5  6", "'VIGA'     5  9")),
                   "datos.dat:30: reading bar 7: expected a node number from 1 to 6 for its second node PJ, found 9");
    expect_failure(run("load_node", edit(base, "5   0.0  0.0  -10.0", "0   0.0  0.0  -10.0")),
                   "reading nodal load 1: expected a node number from 1 to 6 for the load, found 0");
    expect_failure(run("spring_node", edit(base, "0\nRIGIDECES ADICIONALES: NODO  KX KY KZ KMX KMY KMZ\n",
                                           "1\nRIGIDECES ADICIONALES: NODO  KX KY KZ KMX KMY KMZ\n7 1 0 0 0 0 0\n")),
                   "reading additional spring 1: expected a node number from 1 to 6 for the spring, found 7");
    const std::string slab = example("losa_zapata_aislada.dat");
    expect_failure(run("slab_node", edit(slab, "1  1  2  3  4  0.25", "1  1  2  3  44  0.25")),
                   "reading slab 1: expected a node number from 1 to 10 for a slab corner, found 44");
    expect_failure(run("footing_node", edit(slab, "1   2.0   2.0   0.4   9", "1   2.0   2.0   0.4   11")),
                   "reading isolated footing 1: expected a node number from 1 to 10 for the footing's node, found 11");
}

TEST(RunErrors, AxisBarsProfilesCoincidentNodesAndDivisions) {
    const std::string base = example("marco_zapatas.dat");
    expect_failure(run("axis_bar", edit(base, "CIMENTACION EJE A\n2  1  2", "CIMENTACION EJE A\n2  1  8")),
                   "reading the bars of axis 1: expected a bar number from 1 to 7, found 8");
    expect_failure(run("profile", edit(base, "1  0  1   1       1.0\n4", "1  0  1   2       1.0\n4")),
                   "datos.dat:18: node 3 (end of foundation bar 2) names soil profile 2, but the soil block defines 1 profile(s)");
    expect_failure(run("coincident", edit(base, "2      5.0   0.0   0.0", "2      0.0   0.0   0.0")),
                   "reading bar 1: expected two distinct end points");
    expect_failure(run("ndiv", edit(base, "1  4\nCIMENTACION", "1  0\nCIMENTACION")),
                   "expected NDIV from 1 to 1000");
    expect_failure(run("ndiv_huge", edit(base, "1  4\nCIMENTACION", "1  2147483647\nCIMENTACION")),
                   "expected NDIV from 1 to 1000");
}

TEST(RunErrors, FoundationNodesMustBeNumberedFirst) {
    // node 2 held vertically: the second area reaction falls on node 3
    const std::string data = edit(example("marco_zapatas.dat"), "2      5.0   0.0   0.0   1  1  0  1",
                                  "2      5.0   0.0   0.0   1  1  1  1");
    expect_failure(run("numbering", data),
                   "datos.dat:18: the soil reactions must be on nodes 1 to 2 (number the foundation nodes first), but area "
                   "reaction 2 is on node 3");
}

TEST(RunErrors, AnAreaReactionOffTheFoundationNeedsAProfile) {
    // node 4 ends no foundation bar; with laboratory moduli (NFLAG1 = 3) its
    // reaction used to reach the solver and stop it as a mechanism
    const std::string data = edit(example("marco_zapatas.dat"), "3.0   0  1  0  1  0  1   0", "3.0   0  1  2  1  0  1   0");
    const Outcome o = run("reaction_profile", data);
    expect_failure(o, "datos.dat:19: node 4 carries area reaction 4 (DZ restraint code 2) on soil profile 0, which is "
                      "not one of the 1 profile(s) of the soil block");
    EXPECT_EQ(o.status, 1);
}

TEST(RunErrors, MalformedSlabNamesItsLine) {
    const std::string slab = example("losa_zapata_aislada.dat");
    expect_failure(run("slab_order", edit(slab, "1  1  2  3  4  0.25", "1  2  3  4  1  0.25")),
                   "datos.dat:75: slab 1: corners must run NI->NJ along +X");
}

// Damaged data files: every value replaced in turn by awkward values. The run
// must either finish or stop with its one-line message; it must never crash
// (the sanitizer build makes any stray access fatal).
TEST(RunErrors, DamagedDataNeverCrash) {
    const char* awkward[] = {"0", "-1", "-7", "99999", "1e30", "-1e30", "0.0", "abc", "'x'", "/", ",", "3*", "1e-40",
                             "nan", "inf", "2147483647", "7", "2"};
    std::mt19937 gen(2026);
    int runs = 0;
    for (const char* name : {"marco_zapatas.dat", "losa_zapata_aislada.dat"}) {
        const std::string base = example(name);
        // positions of the values (words) of the file
        std::vector<std::pair<size_t, size_t>> words;
        for (size_t i = 0; i < base.size();) {
            if (base[i] == ' ' || base[i] == '\n') { ++i; continue; }
            size_t j = i;
            while (j < base.size() && base[j] != ' ' && base[j] != '\n') ++j;
            words.emplace_back(i, j - i);
            i = j;
        }
        std::uniform_int_distribution<size_t> pick(0, words.size() - 1);
        std::uniform_int_distribution<size_t> what(0, std::size(awkward) - 1);
        for (int k = 0; k < 60; ++k) {
            std::string data = base;
            // two damaged values per file
            auto a = words[pick(gen)], b = words[pick(gen)];
            if (a.first < b.first) std::swap(a, b);
            data.replace(a.first, a.second, awkward[what(gen)]);
            data.replace(b.first, b.second, awkward[what(gen)]);
            Outcome o = run("damaged", data);
            ++runs;
            EXPECT_TRUE(o.status == 0 || o.status == 1 || o.status == 2) << "status " << o.status << "\n" << data;
            EXPECT_EQ(o.err.find("Sanitizer"), std::string::npos) << o.err << "\n" << data;
            EXPECT_EQ(o.err.find("runtime error"), std::string::npos) << o.err << "\n" << data;
            if (o.status != 0) {
                EXPECT_NE(o.err.find("querbal: "), std::string::npos) << o.err;
            }
            if (HasFailure()) return;
        }
    }
    EXPECT_EQ(runs, 120);
}

TEST(RunErrors, WhatWasWrittenBeforeTheErrorIsKept) {
    const std::string base = example("marco_zapatas.dat");
    Outcome o = run("kept", edit(base, "'VIGA'     5  6", "'VIGA'     5  9"));
    EXPECT_NE(o.status, 0);
    EXPECT_NE(o.file("resultados.txt").find("PROPIEDADES DE LAS BARRAS"), std::string::npos);
    EXPECT_NE(o.file("arch.msh").find("        6        4        5        2\n"), std::string::npos);
    EXPECT_NE(o.file("MEMORIA").find("LECTURA DE BARRAS"), std::string::npos);
}

} // namespace

// ---- files are never lost ---------------------------------------------------------

namespace {

// A fresh folder holding the data file "datos.dat" (the marco example).
std::string folder(const std::string& tag) {
    const std::string dir = scratch(tag);
    std::system(("rm -rf " + dir + " && mkdir -p " + dir).c_str());
    std::ofstream(dir + "/datos.dat", std::ios::binary) << example("marco_zapatas.dat");
    return dir;
}

// Runs querbal in `dir` answering the prompts with `data` and `results`.
Outcome run_in(const std::string& dir, const std::string& data, const std::string& results) {
    Outcome o;
    o.dir = dir;
    const std::string cmd = "cd " + dir + " && printf '%s\\n%s\\n' '" + data + "' '" + results + "' | " +
                            std::string(QB_QUERBAL_EXE) + " > console.txt 2> stderr.txt";
    const int rc = std::system(cmd.c_str());
    o.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    o.err = o.file("stderr.txt");
    return o;
}

bool exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

} // namespace

// The results name is the data file under another name: the run is refused
// before a byte of the data is lost (it used to empty the data and then blame
// it for ending early).
TEST(RunFiles, AResultsNameThatIsTheDataFileIsRefused) {
    const std::string data = example("marco_zapatas.dat");
    const std::string dir = folder("clash_data");
    ASSERT_EQ(symlink("datos.dat", (dir + "/enlace").c_str()), 0);
    for (const char* results : {"datos.dat", "./datos.dat", "enlace"}) {
        const Outcome o = run_in(dir, "datos.dat", results);
        expect_failure(o, "is the data file 'datos.dat' itself");
        EXPECT_EQ(o.status, 1) << results;
        EXPECT_TRUE(o.file("datos.dat") == data) << results;
        EXPECT_FALSE(exists(dir + "/MEMORIA")) << results;   // nothing created either
    }
}

// The fixed output names are files like any other: a results file or a data
// file of one of those names would share its file with an output.
TEST(RunFiles, OutputsThatWouldShareAFileAreRefused) {
    const std::string data = example("marco_zapatas.dat");
    const std::string dir = folder("clash_fixed");
    std::ofstream(dir + "/MEMORIA") << "old log\n";
    for (const char* results : {"MEMORIA", "VALINF", "arch.msh", "./arch.res"}) {
        const Outcome o = run_in(dir, "datos.dat", results);
        expect_failure(o, "are one file; each output needs a file of its own");
        EXPECT_EQ(o.status, 1) << results;
        EXPECT_EQ(o.file("MEMORIA"), "old log\n") << results;
        for (const char* f : {"VALINF", "arch.msh", "arch.res"}) EXPECT_FALSE(exists(dir + "/" + f)) << results;
    }
    std::ofstream(dir + "/arch.res", std::ios::binary) << data;
    const Outcome o = run_in(dir, "arch.res", "resultados.txt");
    expect_failure(o, "the GiD results file 'arch.res' is the data file 'arch.res' itself");
    EXPECT_TRUE(o.file("arch.res") == data);
    EXPECT_EQ(o.file("MEMORIA"), "old log\n");
}

// A mistyped data name, a folder or a device: refused before any output is
// opened, so an existing results file keeps its contents.
TEST(RunFiles, ADataFileThatCannotBeReadTouchesNoOutput) {
    const std::string dir = folder("bad_data");
    std::ofstream(dir + "/resultados.txt") << "results of yesterday\n";
    std::system(("mkdir " + dir + "/carpeta").c_str());
    const std::pair<const char*, const char*> cases[] = {
        {"dato.dat", "cannot open the data file 'dato.dat': No such file or directory"},
        {"carpeta", "the data file 'carpeta' is a folder"},
        {"/dev/zero", "the data file '/dev/zero' is not a regular file"}};
    for (const auto& [data, message] : cases) {
        const Outcome o = run_in(dir, data, "resultados.txt");
        expect_failure(o, message);
        EXPECT_EQ(o.status, 1);
        EXPECT_EQ(o.file("resultados.txt"), "results of yesterday\n") << data;
        EXPECT_FALSE(exists(dir + "/MEMORIA")) << data;
    }
}

// A write that fails (a full device) ends the run with status 4, naming the
// file and the system's reason; the other outputs keep what was written.
TEST(RunFiles, AWriteErrorEndsTheRunWithStatusFour) {
    if (!exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this machine";
    std::string dir = folder("full_report");
    Outcome o = run_in(dir, "datos.dat", "/dev/full");
    expect_failure(o, "cannot write '/dev/full': No space left on device");
    EXPECT_EQ(o.status, 4);
    EXPECT_NE(o.file("arch.msh").find("Coordinates"), std::string::npos);

    dir = folder("full_log");
    ASSERT_EQ(symlink("/dev/full", (dir + "/MEMORIA").c_str()), 0);
    o = run_in(dir, "datos.dat", "resultados.txt");
    expect_failure(o, "cannot write 'MEMORIA': No space left on device");
    EXPECT_EQ(o.status, 4);
    EXPECT_NE(o.file("resultados.txt").find("PROGRAMA QUERBAL"), std::string::npos);

    dir = folder("no_folder");
    o = run_in(dir, "datos.dat", "no/such/folder.txt");
    expect_failure(o, "cannot create the results file 'no/such/folder.txt': No such file or directory");
    EXPECT_EQ(o.status, 4);
}

// SIGTERM in the middle of a run: every output is flushed up to a whole line
// and the status is 128 + 15.
TEST(RunFiles, ASignalFlushesEveryOutput) {
    const std::string dir = scratch("signal");
    std::system(("rm -rf " + dir + " && mkdir -p " + dir).c_str());
    std::ofstream(dir + "/datos.dat") << grid_model(12, 12, 2);
    const std::string cmd = "cd " + dir + " && (printf 'datos.dat\\nr.txt\\n' | " + std::string(QB_QUERBAL_EXE) +
                            " > console.txt 2> stderr.txt & p=$!; "
                            "while kill -0 $p 2>/dev/null && [ ! -s VALINF ]; do sleep 0.05; done; "
                            "kill -TERM $p; wait $p; echo $? > status.txt)";
    std::system(cmd.c_str());
    const std::string status = slurp(dir + "/status.txt"), err = slurp(dir + "/stderr.txt");
    if (status == "0\n") GTEST_SKIP() << "the run ended before the signal";
    EXPECT_EQ(status, "143\n");
    EXPECT_NE(err.find("stopped by signal 15 (SIGTERM)"), std::string::npos) << err;
    for (const char* f : {"r.txt", "MEMORIA", "VALINF", "arch.msh"}) {
        const std::string s = slurp(dir + "/" + f);
        ASSERT_FALSE(s.empty()) << f;
        EXPECT_EQ(s.back(), '\n') << f;
    }
}

// ---- no run reports success with results it did not compute --------------------

TEST(RunErrors, NonFiniteNumbersInTheDataAreRefused) {
    const std::string base = example("marco_zapatas.dat");
    for (const char* bad : {"nan", "-Inf", "1e39", "-3.5E+38"}) {
        const Outcome o = run(std::string("nonfinite_") + bad, edit(base, "2.4        2213594.", std::string("2.4  ") + bad));
        expect_failure(o, std::string("datos.dat:8: reading material 1: expected a finite real number (at most "
                                      "3.4E+38 in magnitude), found '") + bad + "'");
        EXPECT_EQ(o.status, 1);
    }
}

// A singular system and a solution that overflows stop the run (status 2),
// naming the case and the most likely cause.
TEST(RunSolutions, ASingularOrNonFiniteSolutionStopsNamingTheCase) {
    const std::string base = example("marco_zapatas.dat");
    // columns of an unknown section: the beam floats
    std::string data = base;
    for (const char* bar : {"3      'COLUMNA'", "4      'COLUMNA'", "5      'COLUMNA'"})
        data = edit(data, bar, std::string(bar).substr(0, 7) + "'COLUMNAS'");
    Outcome o = run("singular", data);
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find("case 1 (expansion): the coupled system is singular; the run stops. Likely cause: bar 3 "
                         "has no stiffness: its section 'COLUMNAS' matches no section"),
              std::string::npos)
        << o.err;
    // a beam load at the top of the float range: case 2 overflows
    o = run("overflow", edit(base, "4  5  0    0.0  0    2.0", "4  5  0    0.0  0    3e38"));
    expect_failure(o, "case 2 (immediate compression), linear solution: 18 displacement(s) or reaction(s) are not "
                      "finite");
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.file("resultados.txt").find("NaN"), std::string::npos);
}

// With nothing under it the frame is nearly singular: the elimination still
// gives an answer (displacements of hundreds of metres) whose loads do not
// come back as reactions. It is written as computed, every case says on
// standard error that it is not a solution, and the run ends with status 2.
TEST(RunSolutions, ASolutionThatDoesNotCarryItsLoadsEndsWithStatusTwo) {
    std::string data = example("marco_zapatas.dat");
    for (const char* node : {"1      0.0 ", "2      5.0 ", "3     10.0 "}) {
        const size_t p = data.find(node), e = data.find('\n', p);
        data.replace(e - 14, 14, "   0       0.0");   // no soil profile
    }
    const Outcome o = run("floating", data);
    EXPECT_EQ(o.status, 2) << o.err;
    int lines = 0;
    for (size_t p = 0; (p = o.err.find("off by 100 %", p)) != std::string::npos; ++p) ++lines;
    EXPECT_EQ(lines, 4) << o.err;
    EXPECT_NE(o.err.find("case 2 (immediate compression): the linear solution is not valid: vertical loads -85.06 "
                         "against vertical reactions 0"),
              std::string::npos)
        << o.err;
    EXPECT_NE(o.file("resultados.txt").find("  949.5"), std::string::npos);

    // Valid models that look alike stay sound: a rigid soil (NFLAG1 0, case 1
    // alone) and a bar of no stiffness beside the frame.
    std::string rigid = edit(example("marco_zapatas.dat"), "\n0 1 1 1 1 3\n", "\n0 1 0 0 0 0\n");
    for (const char* line : {"1500.  0.35  5.0  0.6  150.  0.5  2.0\n", "800.   1.5   1.0\n", "1200.  1.2   0.5  1.0\n",
                             "5000.  0.30  8.0  0.5  400.  0.6  5.0\n", "3000.  3.0   1.0\n", "4000.  2.5   0.5  1.0\n"})
        rigid = edit(rigid, line, "");
    Outcome r = run("rigid", rigid);
    EXPECT_EQ(r.status, 0) << r.err;
    std::string idle = edit(example("marco_zapatas.dat"), "\n7\nBARRA", "\n8\nBARRA");
    idle = edit(idle, "3.0     0.0\n0\nZAPATAS", "3.0     0.0\n8      'NULA'     4  6  0    0.0  0    0.0   0.0   0.0    0.0     0.0\n0\nZAPATAS");
    idle = edit(edit(idle, "\n3\nSECCION", "\n4\nSECCION"), "'VIGA'      'CONCRETO'", "'NULA' 'CONCRETO' 0.0 0.0\n'VIGA'      'CONCRETO'");
    r = run("idle_bar", idle);
    EXPECT_EQ(r.status, 0) << r.err;
}

// A Newton case that does not converge keeps its last iterate, says so in the
// report and on standard error, and the run ends with status 5, in the prompt
// mode too.
TEST(RunSolutions, ACaseThatDoesNotConvergeEndsWithStatusFive) {
    const std::string loads = "0\nCARGAS CONCENTRADAS: NODO  PX PY PZ MX MY MZ\n";
    std::string data = example("reticula_no_lineal.dat");
    data.replace(data.find(loads), loads.size(), "1\n" + loads.substr(2) + "1 0 0 120 0 0 0\n");
    const Outcome o = run("no_convergence", data);
    EXPECT_EQ(o.status, 5) << o.err;
    EXPECT_NE(o.err.find("did not converge in 20 iterations"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("--precision double"), std::string::npos) << o.err;
    EXPECT_NE(o.file("resultados.txt").find(" NO CONVERGE EN 20 ITERACIONES\n REACCIONES, t/m\n"), std::string::npos);
}

// What makes a solution impossible is named: a Poisson ratio under a footing
// that the spring formulas divide by, magnitudes that overflow, a zero field
// modulus.
TEST(RunSolutions, TheCauseOfAFailedSolutionIsNamed) {
    const std::string slab = example("losa_zapata_aislada.dat");
    // the Poisson ratio of case 1, stratum 1, set to 1
    const std::string nu1 = edit(slab, "1800.  0.30  4.0", "1800.  1.0  4.0");
    Outcome o = run("poisson", nu1);
    EXPECT_EQ(o.status, 2) << o.err;
    EXPECT_NE(o.err.find("lies outside -1 to 0.5 under isolated footing 1"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("has a Poisson ratio of 1, and the footing springs divide by"), std::string::npos) << o.err;

    // a load of 1e20 makes the Newton system singular: overflow, not a mechanism
    const std::string loads = "0\nCARGAS CONCENTRADAS: NODO  PX PY PZ MX MY MZ\n";
    std::string huge = example("reticula_no_lineal.dat");
    huge.replace(huge.find(loads), loads.size(), "1\n" + loads.substr(2) + "10 0 0 -1e20 0 0 0\n");
    o = run("overflow20", huge);
    EXPECT_EQ(o.status, 2) << o.err;
    EXPECT_NE(o.err.find("the coupled system is singular; the run stops. Likely cause: overflow: the data hold "
                         "magnitudes up to 1e+20 (a nodal load)"),
              std::string::npos) << o.err;

    // a Janbu pass with a reaction in tension: the modulus is undefined there
    std::string lifted = example("reticula_janbu.dat");
    lifted.replace(lifted.find(loads), loads.size(), "1\n" + loads.substr(2) + "1 0 0 300 0 0 0\n");
    o = run("janbu_tension", lifted);
    EXPECT_EQ(o.status, 2) << o.err;
    EXPECT_NE(o.err.find("case 2 (immediate compression): in Janbu pass 2 area reaction 1 (node 1) is in tension"),
              std::string::npos) << o.err;

    // field moduli (NFLAG1 2) from a laboratory stress of 0: a zero modulus
    std::string field = edit(example("marco_zapatas.dat"), "\n0 1 1 1 1 3\n", "\n0 1 0 0 0 2\n");
    field = edit(field, "2000.  0.30  5.0\n", "2000.  0.30  0.0\n");
    for (const char* line : {"1500.  0.35  5.0  0.6  150.  0.5  2.0\n", "800.   1.5   1.0\n", "1200.  1.2   0.5  1.0\n",
                             "5000.  0.30  8.0  0.5  400.  0.6  5.0\n", "3000.  3.0   1.0\n", "4000.  2.5   0.5  1.0\n"})
        field = edit(field, line, "");
    o = run("field_zero", field);
    EXPECT_EQ(o.status, 2) << o.err;
    EXPECT_NE(o.err.find("case 1 (expansion): the field modulus of stratum 1 of profile 1 under area reaction 1 "
                         "(node 1) is 0"),
              std::string::npos) << o.err;
}

// ---- warnings for data a stored file may hold --------------------------------------

// Each odd value gives one line on standard error, with its file and line,
// and the run goes on as it did.
TEST(RunWarnings, OddButLegitimateDataIsWarnedWithItsLine) {
    std::string data = edit(example("marco_zapatas.dat"), "\n0 1 1 1 1 3\n", "\n0 1 1 1 2 0\n");
    data = edit(edit(data, "1200.  1.2   0.5  1.0\n", ""), "4000.  2.5   0.5  1.0\n", "");   // no case 4
    data = edit(data, "'CONCRETO'      2.4        2213594.    0.2", "'CONCRETO' 2.4 2213594. 0,2");
    data = edit(data, "'t/m2'", "'kg/cm2'");
    data = edit(data, "\n3\nSECCION", "\n4\nSECCION");
    data = edit(data, "'VIGA'      'CONCRETO'", "'VIGA_DE_CONCRETO_DE_99' 'ACERO' 0.0 0.3\n'VIGA_DE_CONCRETO_DE_12M' 'CONCRETO'");
    data = edit(data, "'VIGA'     4  5  0", "'VIGA'     4  5  7");
    data = edit(data, "6     10.0   0.0   3.0   0  1  0", "16    10.0   0.0   3.0   0  1  5");
    data = edit(data, "2  1  10.0  1.8", "2  3  10.0  1.8");
    const Outcome o = run("warnings", data);
    ASSERT_EQ(o.status, 0) << o.err;
    const char* expected[] = {
        "datos.dat:3: reading the unit labels: the text 'kg/cm2' has 6 characters and is cut to its first 4, 'kg/c'",
        "datos.dat:5: CASO(4) = 2 is neither 0 nor 1: case 4 is not solved",
        "datos.dat:5: NFLAG1 = 0 is not 1, 2 or 3: no soil moduli are chosen",
        "datos.dat:8: reading material 1: the line goes on after the record's last value; '2' is not read (a decimal "
        "comma, as in 0,2, reads as two values)",
        "datos.dat:13: reading section 3: the text 'VIGA_DE_CONCRETO_DE_99' has 22 characters and is cut to its "
        "first 20, 'VIGA_DE_CONCRETO_DE_'",
        "datos.dat:13: section 'VIGA_DE_CONCRETO_DE_': its material 'ACERO' matches no material",
        "datos.dat:13: section 'VIGA_DE_CONCRETO_DE_' has zero base or depth",
        "datos.dat:14: section 4 has the name 'VIGA_DE_CONCRETO_DE_' of section 3 (line 13) in its first 20 "
        "characters; every lookup takes this one",
        "datos.dat:14: reading section 4: the text 'VIGA_DE_CONCRETO_DE_12M' has 23 characters",
        "datos.dat:22: node 6 is numbered 16: nodes are referred to by their position",
        "datos.dat:22: node 6: restraint code 5 of component 3 is not 0 (free), 1 (fixed), 2 or 3",
        "datos.dat:30: bar 6: its section 'VIGA' matches no section",
        "datos.dat:30: bar 6: the end condition NCND = 7 is not 0 to 3",
        "datos.dat:31: bar 7: its section 'VIGA' matches no section",
        "datos.dat:47: soil profile 1, stratum 2: the stratum type 3 is neither 1 (sand) nor 2 (clay)",
    };
    for (const char* w : expected)
        EXPECT_NE(o.err.find(std::string("querbal: warning: ") + w), std::string::npos) << w << "\n" << o.err;
    EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), int(std::size(expected))) << o.err;
}

// A slip that reads as something else is named for what it most likely is.
TEST(RunWarnings, LikelySlipsAreNamed) {
    const std::string base = example("marco_zapatas.dat");
    // a misspelt section, and a decimal comma inside a record
    std::string data = edit(base, "'VIGA'     5  6", "'Viga'     5  6");
    data = edit(data, "'CONCRETO'      2.4        2213594.    0.2", "'CONCRETO' 2,4 2213594. 0.2");
    Outcome o = run("slips", data);
    EXPECT_NE(o.err.find("datos.dat:30: bar 7: its section 'Viga' matches no section (did you mean 'VIGA'?)"),
              std::string::npos) << o.err;
    EXPECT_NE(o.err.find("datos.dat:8: reading material 1: the line goes on after the record's last value; '0.2' is "
                         "not read (a decimal comma, as in 0,2, reads as two values)"),
              std::string::npos) << o.err;
    // --strict refuses what is only warned otherwise, before any output exists
    // (the prompt mode takes the option too)
    const std::string dir = o.dir;
    std::system(("cd " + dir + " && rm -f resultados.txt MEMORIA VALINF arch.msh arch.res").c_str());
    const int rc = std::system(("cd " + dir + " && printf 'datos.dat\\nresultados.txt\\n' | " +
                                std::string(QB_QUERBAL_EXE) + " --strict > console.txt 2> stderr.txt").c_str());
    EXPECT_EQ(WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, 1);
    EXPECT_NE(slurp(dir + "/stderr.txt").find("--strict"), std::string::npos);
    EXPECT_FALSE(std::ifstream(dir + "/resultados.txt").good());

    // a node table shorter than its count meets the next heading
    expect_failure(run("short_table", edit(base, "\n6\nNODO", "\n7\nNODO")),
                   "datos.dat:23: reading node 7: expected a real number, found 'BARRA' (a heading? the count asks for "
                   "7 node lines: the table may have fewer)");
}

// ---- bounded resources ------------------------------------------------------------

// A grid building read and prepared with every case switched off.
std::string grid_without_cases(int nx, int ny) {
    std::string g = edit(grid_model(nx, ny, 1), "0 1 1 1 1 3", "0 0 0 0 0 3");
    for (const char* line : {"2000. 0.30 5.0\n", "1500. 0.35 5.0 0.6 150. 0.5 2.0\n", "800. 1.5 1.0\n",
                             "1200. 1.2 0.5 1.0\n", "6000. 0.25 8.0\n", "5000. 0.30 8.0 0.5 400. 0.6 5.0\n",
                             "3000. 3.0 1.0\n", "4000. 2.5 0.5 1.0\n"})
        g = edit(g, line, "");
    return g;
}

// A few kilobytes of axes must not ask for gigabytes of force tables: tables
// beyond the row limit are refused. A bar twice on one axis is legal data: its
// table is repeated, the distance going on.
TEST(RunResources, ForceTablesAlongAxesAreBounded) {
    const std::string base = example("marco_zapatas.dat");
    const std::string axes = "NEJES  NDIV\n1  4\nCIMENTACION EJE A\n2  1  2\n";
    Outcome o = run("axis_repeat", edit(base, axes, "NEJES  NDIV\n1  4\nEJE A\n3  1  2  1\n"));
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.err, "querbal: warning: datos.dat:58: axis 1 lists bar 1 more than once; its force table is written "
                     "each time, the distance along the axis going on\n");
    const std::string report = o.file("resultados.txt");
    EXPECT_NE(report.find("\n    1   15.00"), std::string::npos) << "the third bar ends 15 m along the axis";

    // 100 axes of 100 different bars of a grid, 1000 divisions each
    std::string grid = grid_without_cases(10, 10);
    std::string axes100 = "NEJES NDIV\n100 1000\n";
    for (int i = 0; i < 100; ++i) {
        axes100 += "EJE\n100";
        for (int b = 1; b <= 100; ++b) axes100 += " " + std::to_string(b);
        axes100 += "\n";
    }
    grid = grid.substr(0, grid.find("NEJES NDIV\n")) + axes100;
    o = run("axis_rows", grid);
    expect_failure(o, "reading the bars of axis 20: expected force tables along the axes of at most 2000000 rows per "
                      "case (bars on the axes x (NDIV + 1)), found 2002000 rows up to axis 20");
}

// A model beyond the 140 area reactions of the original influence tables is
// computed, with one warning; a model whose dense tables exceed the memory
// the process may take stops before allocating them (status 3).
TEST(RunResources, LargeModelsAreWarnedOrStoppedBeforeTheirTables) {
    Outcome o = run("fixed_tables", grid_without_cases(12, 12));
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.err, "querbal: warning: datos.dat: the model goes beyond the fixed tables of earlier versions of the "
                     "program with 169 area reactions (the influence tables held 140); the tables here are sized to "
                     "the model and compute it all the same\n");
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "an address-space limit cannot be set under AddressSanitizer";
#else
    const std::string dir = scratch("memory");
    std::system(("rm -rf " + dir + " && mkdir -p " + dir).c_str());
    std::ofstream(dir + "/datos.dat") << grid_without_cases(19, 19);
    const std::string cmd = "cd " + dir + " && (ulimit -v 120000; printf 'datos.dat\\nr.txt\\n' | " +
                            std::string(QB_QUERBAL_EXE) + " > console.txt 2> stderr.txt)";
    const int rc = std::system(cmd.c_str());
    const std::string err = slurp(dir + "/stderr.txt");
    EXPECT_EQ(WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, 3) << err;
    EXPECT_NE(err.find("the coupled system of order 4000 (3600 equations, 400 area and 0 nodal reactions) and the "
                       "influence values need 132,"),
              std::string::npos)
        << err;

    // --check says the same, and so does a double-precision run that could
    // not take LAPACK's work buffers (before any output exists)
    for (const char* args : {"--check datos.dat", "--precision double -q datos.dat -C double"}) {
        const int status = std::system(("cd " + dir + " && (ulimit -v 120000; " + std::string(QB_QUERBAL_EXE) + " " +
                                        args + " > console.txt 2> stderr.txt)").c_str());
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 3) << args << slurp(dir + "/stderr.txt");
    }
    EXPECT_NE(slurp(dir + "/stderr.txt").find("for LAPACK (its library and a work buffer"), std::string::npos);
    EXPECT_FALSE(std::ifstream(dir + "/double").good());
#endif
}
