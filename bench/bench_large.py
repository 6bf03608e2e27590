#!/usr/bin/python3
"""The large-model path: scaling, the targets, and its agreement with the
dense solutions.

usage: bench_large.py BUILD_DIR [--quick] [--keep DIR]

Generates regular buildings with scripts/querbal-building (strip footings,
three strata, ten levels unless said), runs each with the build's querbal in
a child process of its own (--log off, no VTK or CSV) and reads the seconds
of every step from its summary. Prints:
  1. the scaling table: nodes 1k, 2k, 5k, 10k, 20k, 50k against wall time,
     peak memory (maximum resident set) and the split into reading,
     influence values, assembly, frame factor, soil flexibility, reduced
     solve and outputs, with the slope of time against nodes (log-log);
  2. the targets: 10,000 nodes with four linear cases, with KANAL 2 (Newton)
     and KANAL 1 (Janbu), and 50,000 nodes on 2,000 reactions;
  3. the agreement rows: the 810-node legacy-limit model on the large-model
     path against the dense double-precision elimination (largest difference
     of every displacement, reaction and settlement over the largest of its
     kind), and the bundled examples against the program's own single
     precision.
--quick stops the scaling at 10,000 nodes and skips the 50,000-node target.
The machine is shared and noisy: compare within one run.
"""
import csv
import glob
import json
import math
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(HERE)
GENERATOR = os.path.join(SOURCE, "scripts", "querbal-building")

# (label, nx bays, ny bays, storeys): (nx+1)(ny+1) reactions, storeys+1 levels
SCALING = [("1k", 9, 9, 9), ("2k", 19, 9, 9), ("5k", 24, 19, 9), ("10k", 39, 24, 9), ("20k", 49, 39, 9),
           ("50k", 49, 39, 24)]

# step of the summary -> column of the table
COLUMNS = ["reading", "influence", "assembly", "factor", "flexibility", "reduced", "outputs"]


def column_of(step):
    for prefix, col in (("lectura", "reading"), ("valores de influencia", "influence"),
                        ("matriz de rigidez", "assembly"), ("modulos de campo", "assembly"),
                        ("factor del marco", "factor"), ("flexibilidad", "flexibility"),
                        ("sistema acoplado", "reduced"), ("Janbu", "reduced"), ("Newton", "reduced"),
                        ("fuerzas", "outputs"), ("archivos", "outputs"), ("cierre", "outputs")):
        if step.startswith(prefix):
            return col
    return "outputs"


def generate(path, nx, ny, storeys, kanal=0):
    subprocess.run([sys.executable, GENERATOR, "--nx", str(nx), "--ny", str(ny), "--storeys", str(storeys),
                    "--strata", "3", "--kanal", str(kanal), "-o", path], check=True)


def run(querbal, data, out, extra=()):
    """Wall seconds, peak MB, status and the summary of one run."""
    shutil.rmtree(out, ignore_errors=True)
    args = [querbal, data, "-C", out, "-q", "--log", "off", "--no-vtk"] + ([] if "--csv" in extra else ["--no-csv"]) + list(extra)
    t0 = time.monotonic()
    p = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(p.pid, 0)
    seconds = time.monotonic() - t0
    stem = os.path.splitext(os.path.basename(data))[0]
    summary = {}
    path = os.path.join(out, stem + "_summary.json")
    if os.path.exists(path):
        summary = json.load(open(path))
    return seconds, usage.ru_maxrss / 1024.0, os.waitstatus_to_exitcode(status), summary


def split(summary):
    out = dict.fromkeys(COLUMNS, 0.0)
    for t in summary.get("timings", []):
        out[column_of(t["step"])] += t["seconds"]
    return out


def differences(a, b):
    """The largest difference over the largest value, by kind, over every case."""
    kinds = {"translation": ("dx", "dy", "dz"), "rotation": ("rx", "ry", "rz"), "reaction": ("value",),
             "settlement": ("settlement",)}
    worst = dict.fromkeys(kinds, 0.0)
    for fa in glob.glob(os.path.join(a, "*_case*_displacements.csv")) + glob.glob(os.path.join(a, "*_case*_reactions.csv")):
        ra = list(csv.DictReader(open(fa)))
        rb = list(csv.DictReader(open(os.path.join(b, os.path.basename(fa)))))
        for kind, names in kinds.items():
            cols = [k for k in (ra[0] if ra else {}) if k.split(" ")[0] in names]
            if not cols:
                continue
            big = max(abs(float(r[c])) for r in ra for c in cols) or 1.0
            d = max(abs(float(x[c]) - float(y[c])) for x, y in zip(ra, rb) for c in cols)
            worst[kind] = max(worst[kind], d / big)
    return worst


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(SOURCE, "build")
    quick = "--quick" in sys.argv
    querbal = os.path.join(build, "querbal")
    work = tempfile.mkdtemp(prefix="bench_large_")
    try:
        print("1. scaling: strip footings, three strata, four linear cases, --log off")
        print("%6s %6s %7s %8s %8s  %s" % ("nodes", "reac.", "seconds", "peak MB", "status",
                                            "  ".join("%11s" % c for c in COLUMNS)))
        points = []
        for label, nx, ny, storeys in SCALING:
            if quick and label in ("20k", "50k"):
                continue
            data = os.path.join(work, "b%s.dat" % label)
            generate(data, nx, ny, storeys)
            seconds, peak, status, summary = run(querbal, data, os.path.join(work, "o" + label))
            nodes = (nx + 1) * (ny + 1) * (storeys + 1)
            parts = split(summary)
            print("%6d %6d %7.2f %8.0f %8d  %s" % (nodes, (nx + 1) * (ny + 1), seconds, peak, status,
                                                  "  ".join("%11.2f" % parts[c] for c in COLUMNS)))
            sys.stdout.flush()
            points.append((nodes, seconds))
        if len(points) >= 2:
            xs = [math.log(n) for n, _ in points]
            ys = [math.log(s) for _, s in points]
            mx, my = sum(xs) / len(xs), sum(ys) / len(ys)
            slope = sum((x - mx) * (y - my) for x, y in zip(xs, ys)) / sum((x - mx) ** 2 for x in xs)
            print("   slope of log(time) against log(nodes): %.2f" % slope)

        print("\n2. targets")
        for what, nx, ny, storeys, kanal in (("10,000 nodes, four linear cases", 39, 24, 9, 0),
                                             ("10,000 nodes, KANAL 2 (Newton, cases 2-4)", 39, 24, 9, 2),
                                             ("10,000 nodes, KANAL 1 (Janbu, case 2)", 39, 24, 9, 1),
                                             ("50,000 nodes on 2,000 reactions, four linear cases", 49, 39, 24, 0)):
            if quick and nx == 49:
                continue
            data = os.path.join(work, "t%d_%d.dat" % (nx, kanal))
            generate(data, nx, ny, storeys, kanal)
            seconds, peak, status, summary = run(querbal, data, os.path.join(work, "t"))
            iterations = ", ".join("case %d: %d" % (c["case"], c["iterations"]) for c in summary.get("cases", []))
            print("   %-52s %7.2f s  %6.0f MB peak  status %d  (iterations %s)" % (what, seconds, peak, status,
                                                                                  iterations))
            sys.stdout.flush()

        print("\n3. agreement (largest difference over the largest value of its kind)")
        limit = os.path.join(work, "limit.dat")
        subprocess.run([os.path.join(build, "bench_whole"), "write-limit", limit], check=True)
        runs = {}
        for name, extra in (("dense", ["--precision", "double", "--solver", "dense", "--csv"]),
                            ("sparse", ["--solver", "sparse", "--csv"])):
            seconds, peak, status, _ = run(querbal, limit, os.path.join(work, "limit_" + name), extra)
            runs[name] = seconds
            print("   limit model, %-6s %6.2f s  %6.0f MB peak  status %d" % (name, seconds, peak, status))
        d = differences(os.path.join(work, "limit_dense"), os.path.join(work, "limit_sparse"))
        print("   limit model, large-model path against dense double: %s" %
              ", ".join("%s %.1e" % (k, v) for k, v in d.items()))
        print("   limit model, dense / sparse time: %.1f" % (runs["dense"] / runs["sparse"]))
        for data in sorted(glob.glob(os.path.join(SOURCE, "examples", "*.dat"))):
            name = os.path.splitext(os.path.basename(data))[0]
            run(querbal, data, os.path.join(work, "ex_single"), ["--csv"])
            run(querbal, data, os.path.join(work, "ex_sparse"), ["--solver", "sparse", "--csv"])
            d = differences(os.path.join(work, "ex_single"), os.path.join(work, "ex_sparse"))
            print("   %-22s large-model path against single precision: %s" %
                  (name, ", ".join("%s %.1e" % (k, v) for k, v in d.items())))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
