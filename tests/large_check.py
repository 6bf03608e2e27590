"""The large-model path against the dense solutions, and a model beyond the
legacy tables from start to end.

usage: large_check.py QUERBAL SOURCE_DIR

1. Every bundled example, and a generated grid of each analysis type, run
   with the large-model path forced (--solver sparse) and with the dense
   double-precision elimination (--precision double --solver dense): every
   displacement, reaction and settlement of the CSV tables agrees within
   1e-9 of the largest of its kind (1e-6 for a Newton solution, whose
   iterates stop at a tolerance of 0.01 % and whose Jacobians differ:
   analytic on one path, finite increments on the other). The linear
   examples agree with the program's own single precision within 1e-4.
2. A generated building of 2,000 nodes, beyond the legacy tables, run with
   no option: it says on standard error that it takes the large-model path,
   ends with status 0, its summary names the sparse solver, its every case
   carries its load, and its log holds no matrix (smaller than the report).
Exits 1 on the first fault.
"""
import csv
import glob
import json
import os
import shutil
import subprocess
import sys
import tempfile

KINDS = {"translation": ("dx", "dy", "dz"), "rotation": ("rx", "ry", "rz"), "reaction": ("value",),
         "settlement": ("settlement",)}


def fail(what):
    print("large_check: " + what)
    sys.exit(1)


def run(querbal, args, cwd):
    p = subprocess.run([querbal] + args, cwd=cwd, capture_output=True, text=True, errors="replace")
    return p.returncode, p.stdout, p.stderr


def columns(row, kind):
    return [k for k in row if k.split(" ")[0] in KINDS[kind]]


def worst_differences(a, b):
    """{(case, kind): max |a - b| / max |a|} over the displacement and reaction tables."""
    out = {}
    for fa in sorted(glob.glob(os.path.join(a, "*_case*_displacements.csv")) +
                     glob.glob(os.path.join(a, "*_case*_reactions.csv"))):
        fb = os.path.join(b, os.path.basename(fa))
        if not os.path.exists(fb):
            fail("%s has no counterpart %s" % (fa, fb))
        ra, rb = list(csv.DictReader(open(fa))), list(csv.DictReader(open(fb)))
        if len(ra) != len(rb):
            fail("%s and %s differ in rows" % (fa, fb))
        case = os.path.basename(fa).split("_case")[1].split("_")[0]
        for kind in KINDS:
            cols = columns(ra[0], kind) if ra else []
            if not cols:
                continue
            big = max(abs(float(r[c])) for r in ra for c in cols) or 1.0
            d = max(abs(float(x[c]) - float(y[c])) for x, y in zip(ra, rb) for c in cols)
            out[(case, kind)] = max(out.get((case, kind), 0.0), d / big)
    if not out:
        fail("no tables to compare in " + a)
    return out


def agree(querbal, data, work, tolerance, reference_args, label):
    ref, large = os.path.join(work, label + "_ref"), os.path.join(work, label + "_large")
    for d, args in ((ref, reference_args), (large, ["--solver", "sparse"])):
        status, _, err = run(querbal, [data, "-C", d, "-q", "--log", "off", "--no-vtk"] + args, work)
        if status != 0:
            fail("%s %s: status %d\n%s" % (label, " ".join(args), status, err))
    for (case, kind), v in worst_differences(ref, large).items():
        if not v <= tolerance:
            fail("%s, case %s: the %ss differ by %.3g of the largest (allowed %.0e)" % (label, case, kind, v, tolerance))


def main():
    querbal, source = sys.argv[1], sys.argv[2]
    generator = os.path.join(source, "scripts", "querbal-building")
    work = tempfile.mkdtemp(prefix="large_check_")
    try:
        double_dense = ["--precision", "double", "--solver", "dense"]
        for data in sorted(glob.glob(os.path.join(source, "examples", "*.dat"))):
            name = os.path.splitext(os.path.basename(data))[0]
            newton = "no_lineal" in name
            agree(querbal, data, work, 1e-6 if newton else 1e-9, double_dense, name)
            if not newton:
                agree(querbal, data, work, 1e-4, [], name + "_single")
        for kanal in ("0", "1", "2"):
            data = os.path.join(work, "grid%s.dat" % kanal)
            subprocess.run([sys.executable, generator, "--nx", "3", "--ny", "2", "--storeys", "2", "--strata", "3",
                            "--kanal", kanal, "--foundation", "mat" if kanal == "0" else "strips", "-o", data],
                           check=True)
            agree(querbal, data, work, 1e-6 if kanal == "2" else 1e-9, double_dense, "grid" + kanal)

        # Beyond the tables, with no option.
        data = os.path.join(work, "building.dat")
        subprocess.run([sys.executable, generator, "--nx", "19", "--ny", "9", "--storeys", "9", "--strata", "3",
                        "-o", data], check=True)
        status, _, err = run(querbal, [data, "-C", "out", "-q", "--log", "full", "--no-vtk", "--no-csv"], work)
        if status != 0:
            fail("the 2,000-node building: status %d\n%s" % (status, err))
        if "beyond the legacy tables" not in err or "large-model path" not in err:
            fail("the 2,000-node building does not say it takes the large-model path:\n" + err)
        out = os.path.join(work, "out")
        summary = json.load(open(os.path.join(out, "building_summary.json")))
        if summary["program"]["solver"] != "sparse" or summary["program"]["arithmetic"] != "double":
            fail("the summary names %r" % summary["program"])
        if summary["model"]["nodes"] != 2000:
            fail("the summary counts %r nodes" % summary["model"]["nodes"])
        for c in summary["cases"]:
            if not c["solved"] or not c["converged"]:
                fail("case %d not solved" % c["case"])
            balance = c.get("vertical_balance")
            if balance is not None and not balance["off_percent"] <= 1e-6:
                fail("case %d carries its load to %r %%" % (c["case"], balance["off_percent"]))
        log = os.path.getsize(os.path.join(out, "building_memoria.txt"))
        report = os.path.getsize(os.path.join(out, "building_resultados.txt"))
        if not log < report:
            fail("the log (%d bytes) is not smaller than the report (%d bytes)" % (log, report))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
