"""The summary of a run says what its report says.

usage: summary_check.py QUERBAL SOURCE_DIR

Runs QUERBAL on a linear example and on a nonlinear one, reads
STEM_summary.json with the json module and checks, for every case, its
figures against the tables of the report: the largest and smallest
settlement with their nodes, the largest nodal displacement, the largest
axial force and bending moment in the bars, and the run's status. Exits 1 on
the first difference.
"""
import json
import math
import os
import shutil
import subprocess
import sys
import tempfile

HEADINGS = {
    "ANALISIS DE EXPANSIONES": 1,
    "ANALISIS DE COMPRESIONES": 2,
    "ANALISIS DE CONSOLIDACI\xd3N PRIMARIA": 3,
    "ANALISIS DE CONSOLIDACI\xd3N SECUNDARIA": 4,
}


def fail(what):
    print("summary_check: " + what)
    sys.exit(1)


def near(got, want, tol, what):
    if got is None or not abs(got - want) <= tol:
        fail("%s: the summary says %r, the report %r" % (what, got, want))


def sections(report):
    """{case: its lines}, from the first heading of the case to the next heading."""
    lines = report.split("\n")
    starts = [(i, HEADINGS[l]) for i, l in enumerate(lines) if l in HEADINGS]
    out = {}
    for k, (i, c) in enumerate(starts):
        if c not in out:
            out[c] = lines[i:(starts[k + 1][0] if k + 1 < len(starts) else len(lines))]
    return out


def rows_after(lines, heading, skip, width):
    """Rows of numbers after the line `heading` (skipping `skip` lines), each
    with at least `width` fields, until a row that is not one."""
    i = next(k for k, l in enumerate(lines) if l.strip() == heading.strip()) + 1 + skip
    rows = []
    for l in lines[i:]:
        f = l.split()
        try:
            values = [float(x) for x in f]
        except ValueError:
            break
        if len(values) < width:
            break
        rows.append(values)
    return rows


def check_case(case, lines, nonlinear):
    if nonlinear:
        settle = [(int(r[0]), r[1]) for r in rows_after(lines, " HUNDIMIENTOS, m", 0, 2)]
    else:
        settle = [(int(r[0]), r[1]) for r in rows_after(lines, "NUDO, HUNDIMIENTO DEL NUDO", 1, 2)]
    s = case["settlement"]
    node, value = min(settle, key=lambda t: t[1])
    # F20.8 or F10.5 in the report, the digits of a float in the summary
    tol = (5e-9 if nonlinear else 5e-6) + 1.2e-7 * abs(value)
    near(s["largest"]["value"], value, tol, "case %d largest settlement" % case["case"])
    if abs(s["largest"]["value"] - min(v for _, v in settle)) <= tol and node != s["largest"]["node"]:
        near(dict(settle)[s["largest"]["node"]], value, tol, "case %d node of the largest settlement" % case["case"])
    node, value = max(settle, key=lambda t: t[1])
    near(s["smallest"]["value"], value, tol, "case %d smallest settlement" % case["case"])

    table = rows_after(lines, "nodo    dx          dy          dz          tx          ty          tz", 0, 7)
    norms = [(int(r[0]), math.sqrt(r[1] ** 2 + r[2] ** 2 + r[3] ** 2)) for r in table]
    node, value = max(norms, key=lambda t: t[1])
    d = case["displacement"]["largest"]
    near(d["value"], value, 2e-6, "case %d largest displacement" % case["case"])
    near(dict(norms)[d["node"]], value, 2e-6, "case %d node of the largest displacement" % case["case"])

    forces = {}
    for l in lines:
        f = l.split()
        if len(f) == 5 and f[1] in ("NORMAL", "FLEXIONANTE") and f[0].isdigit():
            forces.setdefault(f[1] + f[2][0], []).append((int(f[0]), int(f[2][1]), float(f[4])))
    for key, name in (("NORMALX", "axial"), ("FLEXIONANTEY", "moment_y"), ("FLEXIONANTEZ", "moment_z")):
        bar, end, value = max(forces[key], key=lambda t: abs(t[2]))
        b = case["bar_forces"][name]
        near(abs(b["value"]), abs(value), 5e-8 + 1e-6 * abs(value), "case %d largest %s" % (case["case"], name))


def main():
    querbal, source = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp(prefix="qb_summary_")
    try:
        for name, cases, nonlinear in (("marco_zapatas", [1, 2, 3, 4], False),
                                       ("reticula_no_lineal", [2, 3, 4], True)):
            shutil.copy(os.path.join(source, "examples", name + ".dat"), work)
            r = subprocess.run([querbal, "-q", "--no-vtk", "--no-csv", name + ".dat"], cwd=work,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            if r.returncode != 0:
                fail("%s: status %d: %s" % (name, r.returncode, r.stderr.decode("latin-1")))
            with open(os.path.join(work, name + "_summary.json"), encoding="utf-8") as f:
                summary = json.load(f)
            with open(os.path.join(work, name + "_resultados.txt"), encoding="latin-1") as f:
                report = sections(f.read())
            if summary["summary_version"] != 1 or summary["run"]["status"] != 0:
                fail("%s: version or status" % name)
            if [c["case"] for c in summary["cases"]] != cases:
                fail("%s: cases %r" % (name, [c["case"] for c in summary["cases"]]))
            for case in summary["cases"]:
                if not (case["solved"] and case["converged"]) or case["failure"] is not None:
                    fail("%s: case %d not solved and converged" % (name, case["case"]))
                if case["vertical_balance"] is not None and case["vertical_balance"]["off_percent"] > 1:
                    fail("%s: case %d off balance" % (name, case["case"]))
                check_case(case, report[case["case"]], nonlinear and case["case"] >= 2)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
