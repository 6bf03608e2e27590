"""A parameter study run through GNU parallel gives, row by row, what querbal
gives for the same data run on its own.

usage: sweep_check.py QUERBAL SOURCE_DIR

The template is examples/marco_zapatas.dat with a placeholder on the
immediate-compression modulus of the clay stratum and one on the concentrated
load, and a Latin-1 title holding escaped braces; the table has 12 rows, one
of them a zero modulus (no valid solution, status 2). `querbal-sweep run`
(GNU parallel) must give 12 rows in order with their parameters; for three
rows the data file made here by plain replacement must equal the expanded one
byte for byte, and querbal run on it directly must give the row's status and
figures. The Slurm script of the same table must pass `bash -n`, have one
array task per row, and its task 5 run by hand must give row 5 again.
GNU parallel missing is a failure, not a skip. Exits 1 on the first difference.
"""
import csv
import io
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

MODULI = ["800.", "1500.", "3000."]
LOADS = ["-5.0", "-10.0", "-20.0", "-40.0"]
ZERO_ROW = 7                   # its modulus is 0: case 2 has no valid solution
DIRECT_ROWS = [1, ZERO_ROW, 12]
TASK = 5

# Column of the table -> keys in a case of the summary.
FIGURES = {
    "settlement_largest": ("settlement", "largest", "value"),
    "settlement_largest_node": ("settlement", "largest", "node"),
    "differential_settlement": ("differential_settlement", "value"),
    "angular_distortion": ("angular_distortion", "value"),
    "contact_pressure_largest": ("contact_pressure", "largest", "value"),
    "balance_off_percent": ("vertical_balance", "off_percent"),
    "displacement_largest": ("displacement", "largest", "value"),
    "axial_largest": ("bar_forces", "axial", "value"),
    "moment_y_largest": ("bar_forces", "moment_y", "value"),
    "iterations": ("iterations",),
    "converged": ("converged",),
}


def fail(what):
    print("sweep_check: " + what)
    sys.exit(1)


def replace_once(text, old, new):
    if text.count(old) != 1:
        fail("examples/marco_zapatas.dat: %r is not on exactly one line" % old)
    return text.replace(old, new)


def sweep(*args):
    return subprocess.run([sys.executable, SCRIPT] + list(args), stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, universal_newlines=True)


def main():
    global SCRIPT
    querbal, source = sys.argv[1], sys.argv[2]
    SCRIPT = os.path.join(source, "scripts", "querbal-sweep")
    gnu = shutil.which("parallel")
    version = subprocess.run([gnu, "--version"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                             universal_newlines=True).stdout if gnu else ""
    if "GNU parallel" not in version:
        fail("GNU parallel is not installed (%s): apt-get install parallel; .ci/setup installs it"
             % ("'parallel' is another program" if gnu else "no 'parallel' on the PATH"))

    with open(os.path.join(source, "examples", "marco_zapatas.dat"), "rb") as f:
        example = f.read().decode("latin-1")
    template = replace_once(example, "\n1500.  0.35  5.0", "\n{E_arcilla}  0.35  5.0")
    template = replace_once(template, "\n5   0.0  0.0  -10.0", "\n5   0.0  0.0  {P}")
    template = replace_once(template, "'Marco plano sobre zapata corrida'", "'Marco {{E}} sobre zapata \xe1'")
    rows = [(e, p) for e in MODULI for p in LOADS]
    rows[ZERO_ROW - 1] = ("0.", rows[ZERO_ROW - 1][1])

    with tempfile.TemporaryDirectory() as tmp:
        tpl = os.path.join(tmp, "marco.dat")
        with open(tpl, "wb") as f:
            f.write(template.encode("latin-1"))
        params = os.path.join(tmp, "params.csv")
        with open(params, "w") as f:
            f.write("E_arcilla,P\n" + "".join("%s,%s\n" % r for r in rows))

        out = os.path.join(tmp, "sweep")
        done = sweep("run", tpl, params, "-o", out, "--querbal", querbal)
        if done.returncode != 1:           # one run has status 2
            fail("querbal-sweep run: exit status %d, 1 is due\n%s%s" % (done.returncode, done.stdout, done.stderr))
        with open(os.path.join(out, "results.csv"), newline="") as f:
            table = list(csv.DictReader(f))
        if [(t["run"], t["E_arcilla"], t["P"]) for t in table] != \
                [("run_%04d" % (k + 1),) + r for k, r in enumerate(rows)]:
            fail("the table's runs and parameters are not those of the 12 rows:\n%s"
                 % "\n".join("%s %s %s" % (t["run"], t["E_arcilla"], t["P"]) for t in table))
        settled = [t["case2_settlement_largest"] for t in table if t["status"] == "0"]
        if len(settled) != 11 or len(set(settled)) != 11:
            fail("11 runs of 11 different case-2 settlements are due: %s" % settled)

        # Single runs of the same data, made here, straight through querbal.
        direct = os.path.join(tmp, "direct")
        os.mkdir(direct)
        for n in DIRECT_ROWS:
            e, p = rows[n - 1]
            data = template.replace("{E_arcilla}", e).replace("{P}", p).replace("{{E}}", "{E}")
            name = os.path.join(direct, "row%d.dat" % n)
            with open(name, "wb") as f:
                f.write(data.encode("latin-1"))
            with open(os.path.join(out, "run_%04d.dat" % n), "rb") as f:
                if f.read() != data.encode("latin-1"):
                    fail("run_%04d.dat is not the template with the row's values" % n)
            status = subprocess.run([querbal, "-q", "--log", "off", "--no-vtk", "--no-csv", name, "-C", direct],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
            row = table[n - 1]
            if row["status"] != str(status):
                fail("run_%04d: status %s in the table, querbal's own run %d" % (n, row["status"], status))
            with open(os.path.join(direct, "row%d_summary.json" % n), encoding="utf-8") as f:
                summary = json.load(f)
            solved = {c["case"]: c for c in summary["cases"]}
            cases = sorted({int(m.group(1)) for m in map(re.compile(r"case(\d+)_").match, row) if m})
            for case in set(range(1, 5)) - set(cases):
                fail("run_%04d: no columns of case %d" % (n, case))
            for case in cases:
                for column, keys in FIGURES.items():
                    got = row["case%d_%s" % (case, column)]
                    if case not in solved:
                        if got != "":
                            fail("run_%04d: case%d_%s is %r, the run has no case %d" % (n, case, column, got, case))
                        continue
                    want = solved[case]
                    for k in keys:
                        want = want.get(k) if isinstance(want, dict) else None
                    if want is None:
                        # a case that was not solved has no figures
                        if got != "":
                            fail("run_%04d: case%d_%s is %r, querbal's own summary has none" % (n, case, column, got))
                        continue
                    if isinstance(want, bool):
                        ok = got == ("1" if want else "0")
                    else:
                        ok = got != "" and float(got) == want
                    if not ok:
                        fail("run_%04d: case%d_%s is %r in the table, %r in querbal's own summary"
                             % (n, case, column, got, want))
            print("run_%04d (E %s, P %s): status %d, cases %s as querbal's own run"
                  % (n, e, p, status, ",".join(str(c) for c in sorted(solved))))

        # The Slurm job array of the same table.
        array = os.path.join(tmp, "array")
        done = sweep("slurm", tpl, params, "-o", array, "--querbal", querbal, "--time", "00:05:00")
        script = os.path.join(array, "sweep.sbatch")
        if done.returncode != 0 or not os.path.isfile(script):
            fail("querbal-sweep slurm: exit status %d\n%s" % (done.returncode, done.stderr))
        check = subprocess.run(["bash", "-n", script], stderr=subprocess.PIPE, universal_newlines=True)
        if check.returncode != 0:
            fail("bash -n %s: %s" % (script, check.stderr))
        with open(script) as f:
            tasks = re.findall(r"^#SBATCH --array=1-(\d+)(?:%\d+)?$", f.read(), re.M)
        if tasks != [str(len(table))]:
            fail("#SBATCH --array: %s tasks, the table has %d rows" % (tasks, len(table)))
        env = dict(os.environ, SLURM_ARRAY_TASK_ID=str(TASK))
        subprocess.run(["bash", script], env=env, cwd=tmp, stdout=subprocess.DEVNULL)
        done = sweep("collect", array, "-o", "-")
        by_slurm = list(csv.DictReader(io.StringIO(done.stdout)))
        if len(by_slurm) != len(table) or by_slurm[TASK - 1] != table[TASK - 1] \
                or any(t["status"] for k, t in enumerate(by_slurm) if k != TASK - 1):
            fail("task %d of the job array does not give row %d alone:\n%s" % (TASK, TASK, done.stdout))
        print("sweep.sbatch: %s array tasks, task %d gives row %d" % (tasks[0], TASK, TASK))


if __name__ == "__main__":
    main()
