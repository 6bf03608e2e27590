"""The VTK and CSV files of a run hold what its report says.

usage: open_outputs_check.py vtk|csv QUERBAL SOURCE_DIR

Runs QUERBAL on the bundled examples (linear, with a slab and an isolated
footing, nonlinear, iterative) and compares every solved case's files with the
tables of its report: displacements and rotations, reactions, settlements,
bar end forces and diagrams. `vtk` reads the grids with VTK's own reader (the
distribution's python3-vtk9, so run it with /usr/bin/python3), and those of a
double-precision run against the single-precision ones; `csv` parses the
tables with the csv module. Exits 1 on the first difference.
"""
import csv
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

HEADINGS = {
    "ANALISIS DE EXPANSIONES": 1,
    "ANALISIS DE COMPRESIONES": 2,
    "ANALISIS DE CONSOLIDACI\xd3N PRIMARIA": 3,
    "ANALISIS DE CONSOLIDACI\xd3N SECUNDARIA": 4,
}
EXAMPLES = {"marco_zapatas": [1, 2, 3, 4], "losa_zapata_aislada": [1, 2, 3, 4],
            "reticula_no_lineal": [2, 3, 4], "reticula_janbu": [2]}


class Mismatch(Exception):
    pass


def f32(x):
    """x rounded to single precision, as the program holds it."""
    return struct.unpack("f", struct.pack("f", x))[0]


def near(got, want, tol, what):
    if not abs(got - want) <= tol:
        raise Mismatch("%s: %r, the report says %r" % (what, got, want))


def exact(got, want, what):
    if got != want:
        raise Mismatch("%s: %r, expected %r" % (what, got, want))


# ---- the report -----------------------------------------------------------------

def case_sections(report):
    """{case: its lines}, from the case heading to the next one."""
    lines = report.split("\n")
    starts = [(i, HEADINGS[l]) for i, l in enumerate(lines) if l in HEADINGS]
    return {c: lines[i:(starts[k + 1][0] if k + 1 < len(starts) else len(lines))]
            for k, (i, c) in enumerate(starts)}


def last_block(lines, heading, skip, stop=lambda l: l.strip() == ""):
    """Rows after the last line starting with `heading` (and `skip` more lines),
    up to the first that `stop` accepts."""
    at = max(i for i, l in enumerate(lines) if l.startswith(heading))
    rows = []
    for l in lines[at + 1 + skip:]:
        if stop(l):
            break
        rows.append(l.split())
    return rows


class CaseReport:
    def __init__(self, lines, nn):
        self.nonlinear = "NO-LINEAL" in lines[1]
        nonlinear = self.nonlinear
        is_row = lambda l: l.strip() == "" or not l.split()[0].lstrip("-").isdigit()
        table = last_block(lines, "   nodo    dx", 0, stop=is_row)[:nn]
        self.disp = {int(r[0]): [float(v) for v in r[1:7]] for r in table}
        self.forces = {}
        for r in last_block(lines, "  BARRA      ELEMENTOS", 2, stop=lambda l: l.strip() == "" or is_row(l)):
            self.forces.setdefault(int(r[0]), []).append(float(r[-1]))
        if nonlinear:
            self.reactions = [float(r[1]) for r in last_block(lines, " REACCIONES, ", 0, stop=is_row)]
            self.settlements = [(float(r[1]), 0.5e-8) for r in last_block(lines, " HUNDIMIENTOS, ", 0, stop=is_row)]
        else:
            self.reactions = [float(r[1]) for r in last_block(lines, " REACCIONES ESTIMADAS:", 0)]
            self.settlements = [(float(r[1]), 0.5e-5) for r in last_block(lines, "NUDO, HUNDIMIENTO", 1, stop=is_row)]
        at = max(i for i, l in enumerate(lines) if l.startswith("DIAGRAMAS DE ELEMENTOS MECANICOS"))
        self.diagram = [[float(v) for v in l.split()] for l in lines[at:]
                        if l.strip() and l.split()[0].isdigit() and len(l.split()) == 7]


def run(querbal, source, workdir, name, extra=(), folder=None):
    data = os.path.join(workdir, name + ".dat")
    if not os.path.exists(data):
        shutil.copy(os.path.join(source, "examples", name + ".dat"), data)
    out = os.path.join(workdir, folder or name)
    p = subprocess.run([querbal, data, "-C", out, "--log", "off", "-q"] + list(extra),
                       stdin=subprocess.DEVNULL, capture_output=True)
    if p.returncode != 0:
        raise Mismatch("%s: exit status %d: %s" % (name, p.returncode, p.stderr.decode("latin-1")))
    with open(os.path.join(out, name + "_resultados.txt"), encoding="latin-1") as f:
        report = f.read()
    return out, report


def counts(report):
    """Nodes (the count summary) and area reactions (the dofs with a reaction
    length, listed before the cases)."""
    lines = report.split("\n")
    nn = int(next(l for l in lines if l.startswith("NN    NUMERO DE NODOS")).split()[-1])
    at = lines.index(" GL DE REACCION   LONGITUD    AREA")
    nr = 0
    while lines[at + 1 + nr].split() and lines[at + 1 + nr].split()[0].isdigit():
        nr += 1
    return nn, nr


# ---- VTK ------------------------------------------------------------------------

def read_grid(vtk, path, where):
    errors = []
    reader = vtk.vtkXMLUnstructuredGridReader()
    reader.AddObserver("ErrorEvent", lambda obj, ev: errors.append(ev))
    reader.SetFileName(path)
    reader.Update()
    if errors or reader.GetErrorCode():
        raise Mismatch("%s: VTK cannot read the grid" % where)
    return reader.GetOutput()


def check_vtk(querbal, source, workdir):
    try:
        import vtk
    except ImportError:
        raise Mismatch("no VTK module in %s: install python3-vtk9 (bash .ci/setup) and run this check with "
                       "/usr/bin/python3" % sys.executable)
    for name, cases in EXAMPLES.items():
        out, report = run(querbal, source, workdir, name)
        nn, nr = counts(report)
        sections = case_sections(report)
        bar_sections = {}
        with open(os.path.join(out, name + "_case%d_bar_forces.csv" % cases[0]), encoding="utf-8") as f:
            for row in csv.DictReader(f):
                bar_sections[int(row["bar"])] = row["section"]

        pvd = ET.parse(os.path.join(out, name + ".pvd")).getroot()
        listed = [(int(d.get("timestep")), d.get("file")) for d in pvd.iter("DataSet")]
        exact(listed, [(c, "%s_case%d.vtu" % (name, c)) for c in cases], name + ".pvd")

        for c in cases:
            where = "%s case %d" % (name, c)
            g = read_grid(vtk, os.path.join(out, listed[cases.index(c)][1]), where)
            pd, cd, fd = g.GetPointData(), g.GetCellData(), g.GetFieldData()
            r = CaseReport(sections[c], nn)
            nb = len(r.forces)
            slabs = g.GetNumberOfCells() - nb
            exact(g.GetNumberOfPoints(), nn, where + ": points")
            exact([g.GetCellType(k) for k in range(g.GetNumberOfCells())], [3] * nb + [9] * slabs, where + ": cells")
            exact(int(fd.GetArray("case").GetTuple1(0)), c, where + ": field 'case'")
            names = fd.GetAbstractArray("section_names")
            section, slab = cd.GetArray("section"), cd.GetArray("slab")
            for j in range(1, nb + 1):
                exact(names.GetValue(int(section.GetTuple1(j - 1))), bar_sections[j], "%s: section of bar %d" % (where, j))
            exact([int(slab.GetTuple1(k)) for k in range(g.GetNumberOfCells())], [0] * nb + [1] * slabs, where + ": slab")

            disp, rot = pd.GetArray("displacement"), pd.GetArray("rotation")
            for n in range(1, nn + 1):
                for k, v in enumerate(disp.GetTuple3(n - 1) + rot.GetTuple3(n - 1)):
                    near(v, r.disp[n][k], 0.5e-6 + 1e-12, "%s: node %d component %d" % (where, n, k + 1))
            forces = cd.GetArray("end_forces")
            for j in range(1, nb + 1):
                for k, v in enumerate(forces.GetTuple(j - 1)):
                    near(v, r.forces[j][k], 0.5e-8 + 1e-12, "%s: bar %d force %d" % (where, j, k + 1))
            # Area reaction j stands on node j; the report's free-format reals
            # carry every digit of the float, its fixed ones are rounded.
            soil, settlement = pd.GetArray("soil_reaction"), pd.GetArray("settlement")
            for j in range(1, nr + 1):
                if r.nonlinear:
                    near(soil.GetTuple1(j - 1), r.reactions[j - 1], 0.5e-8 + 1e-12, "%s: reaction %d" % (where, j))
                else:
                    exact(soil.GetTuple1(j - 1), f32(r.reactions[j - 1]), "%s: reaction %d" % (where, j))
                near(settlement.GetTuple1(j - 1), r.settlements[j - 1][0], r.settlements[j - 1][1] + 1e-12,
                     "%s: settlement %d" % (where, j))
            footing = pd.GetArray("footing_reaction")
            nodal = [v for n in range(nn) for v in footing.GetTuple(n) if v != 0.0]
            exact(nodal, [f32(v) for v in r.reactions[nr:] if v != 0.0], where + ": footing reactions")
        print("vtk: %s, cases %s: counts, sections and values as in the report" % (name, cases))

    # The grids of --precision double hold 8-byte reals: read as such, their
    # translations and rotations agree with those of the single-precision run
    # above within 1e-4 of the largest value of their kind.
    for name in ("marco_zapatas", "losa_zapata_aislada"):
        run(querbal, source, workdir, name, ["--precision", "double"], folder=name + "_double")
        for c in EXAMPLES[name]:
            where = "%s case %d, double precision" % (name, c)
            single, double = (read_grid(vtk, os.path.join(workdir, f, "%s_case%d.vtu" % (name, c)), where)
                              for f in (name, name + "_double"))
            for array in ("displacement", "rotation"):
                s, d = single.GetPointData().GetArray(array), double.GetPointData().GetArray(array)
                exact(d.GetDataType(), vtk.VTK_DOUBLE, "%s: type of %s" % (where, array))
                sv = [v for k in range(s.GetNumberOfTuples()) for v in s.GetTuple(k)]
                dv = [v for k in range(d.GetNumberOfTuples()) for v in d.GetTuple(k)]
                exact(len(dv), len(sv), "%s: values of %s" % (where, array))
                scale = max(abs(v) for v in sv)
                for k, (got, want) in enumerate(zip(dv, sv)):
                    near(got, want, 1e-4 * scale, "%s: %s value %d" % (where, array, k + 1))
        print("vtk: %s in double precision: the grids agree with the single-precision ones" % name)


# ---- CSV ------------------------------------------------------------------------

# The headers of the examples' tables: their units are t and m.
HEADERS = {
    "displacements": "case,node,x [m],y [m],z [m],dx [m],dy [m],dz [m],rx [rad],ry [rad],rz [rad]",
    "reactions": "case,reaction,type,node,dof,length [m],area [m2],value,unit,settlement [m]",
    "bar_forces": "case,bar,node1,node2,section,on_soil,N1 [t],Vy1 [t],Vz1 [t],T1 [t-m],My1 [t-m],Mz1 [t-m],"
                  "N2 [t],Vy2 [t],Vz2 [t],T2 [t-m],My2 [t-m],Mz2 [t-m]",
    "diagrams": "case,axis,name,bar,s [m],N [t],Vz [t],My [t-m],Vy [t],Mz [t-m]",
}


def read_csv(path, table, case):
    """The rows of a case table without its case column, which must be `case`."""
    with open(path, encoding="utf-8", newline="") as f:
        rows = list(csv.reader(f))
    exact(rows[0], HEADERS[table].split(","), os.path.basename(path) + ": header")
    for row in rows[1:]:
        exact(row[0], str(case), os.path.basename(path) + ": case column")
        for v in row[1:]:
            if v == "-0":
                raise Mismatch(os.path.basename(path) + ": a negative zero")
    return [row[1:] for row in rows[1:]]


def check_csv(querbal, source, workdir):
    for name, cases in EXAMPLES.items():
        out, report = run(querbal, source, workdir, name, ["--no-vtk"])
        nn, nr = counts(report)
        sections = case_sections(report)
        for c in cases:
            where = "%s case %d" % (name, c)
            base = os.path.join(out, "%s_case%d" % (name, c))
            r = CaseReport(sections[c], nn)

            rows = read_csv(base + "_displacements.csv", "displacements", c)
            exact([int(row[0]) for row in rows], list(range(1, nn + 1)), where + ": nodes")
            for row in rows:
                for k in range(6):
                    near(f32(float(row[4 + k])), r.disp[int(row[0])][k], 0.5e-6 + 1e-12,
                         "%s: node %s %s" % (where, row[0], "dx dy dz rx ry rz".split()[k]))

            rows = read_csv(base + "_reactions.csv", "reactions", c)
            # the nonlinear report lists the area reactions only
            exact(len(rows) if not r.nonlinear else len(rows[:nr]), len(r.reactions), where + ": reactions")
            for j, row in enumerate(rows[:len(r.reactions)], 1):
                exact(row[1:4] if j <= nr else row[1], ["area", str(j), "dz"] if j <= nr else "nodal",
                      "%s: reaction %d" % (where, j))
                value = f32(float(row[6]))
                if r.nonlinear:
                    near(value, r.reactions[j - 1], 0.5e-8 + 1e-12, "%s: reaction %d" % (where, j))
                else:
                    exact(value, f32(r.reactions[j - 1]), "%s: reaction %d" % (where, j))
                exact(row[7], "t/m" if j <= nr else ("t" if row[3] in ("dx", "dy", "dz") else "t-m"),
                      "%s: unit of reaction %d" % (where, j))
                if j <= len(r.settlements):
                    near(f32(float(row[8])), r.settlements[j - 1][0], r.settlements[j - 1][1] + 1e-12,
                         "%s: settlement %d" % (where, j))

            rows = read_csv(base + "_bar_forces.csv", "bar_forces", c)
            exact(len(rows), len(r.forces), where + ": bars")
            for row in rows:
                for k in range(12):
                    near(f32(float(row[5 + k])), r.forces[int(row[0])][k], 0.5e-8 + 1e-12,
                         "%s: bar %s force %d" % (where, row[0], k + 1))

            rows = read_csv(base + "_diagrams.csv", "diagrams", c)
            exact(len(rows), len(r.diagram), where + ": diagram points")
            for row, want in zip(rows, r.diagram):
                exact(int(row[2]), int(want[0]), where + ": diagram bar")
                near(f32(float(row[3])), want[1], 0.005 + 1e-9, where + ": diagram s")
                for k in range(5):
                    near(f32(float(row[4 + k])), want[2 + k], 0.0005 + 1e-9, "%s: diagram bar %s" % (where, row[2]))
        print("csv: %s, cases %s: every table as in the report" % (name, cases))

    # Names with a comma or a quote are quoted and come back whole.
    with open(os.path.join(source, "examples", "marco_zapatas.dat"), encoding="latin-1") as f:
        data = f.read().replace("'VIGA'", "'VIGA, \"T\"'")
    with open(os.path.join(workdir, "comma.dat"), "w", encoding="latin-1") as f:
        f.write(data)
    out, _ = run(querbal, source, workdir, "comma", ["--no-vtk"])
    rows = read_csv(os.path.join(out, "comma_case1_bar_forces.csv"), "bar_forces", 1)
    exact([row[3] for row in rows], ["ZAPATA"] * 2 + ["COLUMNA"] * 3 + ['VIGA, "T"'] * 2, "quoted section names")
    print("csv: a section name with a comma and quotes reads back whole")


def main():
    if len(sys.argv) != 4 or sys.argv[1] not in ("vtk", "csv"):
        sys.exit(__doc__)
    mode, querbal, source = sys.argv[1:]
    workdir = tempfile.mkdtemp(prefix="qb_open_%s_" % mode)
    try:
        (check_vtk if mode == "vtk" else check_csv)(querbal, source, workdir)
    except Mismatch as e:
        print("FAILED: %s" % e)
        return 1
    finally:
        shutil.rmtree(workdir, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
