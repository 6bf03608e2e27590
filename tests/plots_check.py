"""The figures of a run are drawn without a display, and label what the summary says.

usage: plots_check.py QUERBAL SOURCE_DIR

Runs QUERBAL on the example with a slab, strip footings and an isolated
footing, with no DISPLAY in the environment, then scripts/querbal-plot on its
summary in this Python (which must have matplotlib: the test fails without
it). Every figure of every solved case must be written and listed, in PNG and
SVG: each PNG a PNG image of a plausible size, each SVG an XML document with
an svg root. The extremes that the figures label, listed in STEM_plots.json
and read from the CSV tables, must be those of STEM_summary.json: the largest
and smallest settlement (in mm) with their nodes, and the largest contact
pressure (the isolated footing's from the VTK grid). A summary that does not
exist must give status 1 with one line. Exits 1 on the first difference.
"""
import csv
import json
import os
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

EXAMPLE = "losa_zapata_aislada"
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def fail(what):
    print("plots_check: " + what)
    sys.exit(1)


def near(got, want, what):
    if got is None or not abs(got - want) <= 1e-6 * max(1.0, abs(want)):
        fail("%s: the figure labels %r, the summary says %r" % (what, got, want))


def main():
    if len(sys.argv) != 3:
        fail("usage: plots_check.py QUERBAL SOURCE_DIR")
    querbal, source = sys.argv[1], sys.argv[2]
    try:
        import matplotlib  # noqa: F401
    except ImportError:
        fail("matplotlib is missing in %s: the figures cannot be drawn "
             "(Debian: apt-get install python3-matplotlib, or bash .ci/setup)" % sys.executable)
    script = os.path.join(source, "scripts", "querbal-plot")
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}

    with tempfile.TemporaryDirectory() as tmp:
        run, plots = os.path.join(tmp, "run"), os.path.join(tmp, "plots")
        r = subprocess.run([querbal, "-q", "--log", "off", os.path.join(source, "examples", EXAMPLE + ".dat"),
                            "-C", run], env=env, capture_output=True, text=True)
        if r.returncode != 0:
            fail("querbal ended with status %d: %s" % (r.returncode, r.stderr.strip()))
        summary_path = os.path.join(run, EXAMPLE + "_summary.json")
        with open(summary_path, encoding="utf-8") as f:
            summary = json.load(f)

        r = subprocess.run([sys.executable, script, "--format", "png,svg", "--out", plots, summary_path],
                           env=env, capture_output=True, text=True)
        if r.returncode != 0:
            fail("querbal-plot ended with status %d: %s" % (r.returncode, r.stderr.strip()))

        # What must be there: the figures of every solved case, one per axis of
        # its diagrams table.
        expected = set()
        solved = [c for c in summary["cases"] if c["solved"]]
        if not solved:
            fail("no solved case in the example")
        for c in solved:
            n = c["case"]
            with open(os.path.join(run, "%s_case%d_diagrams.csv" % (EXAMPLE, n)), newline="",
                      encoding="utf-8") as f:
                axes = sorted({int(row["axis"]) for row in csv.DictReader(f)})
            if not axes:
                fail("case %d: no axis in the diagrams table of the example" % n)
            for kind in ["settlement", "pressure", "deformed"] + ["axis_%d" % k for k in axes]:
                for ext in ("png", "svg"):
                    expected.add(os.path.join(plots, "%s_case%d_%s.%s" % (EXAMPLE, n, kind, ext)))
        index = os.path.join(plots, EXAMPLE + "_plots.json")
        expected.add(index)
        listed = set(r.stdout.split("\n")) - {""}
        if listed != expected:
            fail("files listed and files expected differ: listed only %s; expected only %s"
                 % (sorted(listed - expected), sorted(expected - listed)))

        for path in sorted(expected):
            if not os.path.isfile(path):
                fail("listed but not written: " + path)
            with open(path, "rb") as f:
                data = f.read()
            if path.endswith(".png"):
                if not data.startswith(PNG_SIGNATURE) or data[12:16] != b"IHDR":
                    fail("not a PNG image: " + path)
                width, height = struct.unpack(">II", data[16:24])
                if not (10_000 <= len(data) <= 20_000_000 and 400 <= width <= 5000 and 300 <= height <= 5000):
                    fail("%s: %d bytes, %dx%d pixels" % (path, len(data), width, height))
            elif path.endswith(".svg"):
                try:
                    root = ET.fromstring(data)
                except ET.ParseError as e:
                    fail("%s: not XML (%s)" % (path, e))
                if root.tag not in ("svg", "{http://www.w3.org/2000/svg}svg"):
                    fail("%s: root element %s" % (path, root.tag))

        # The labelled extremes against the summary.
        with open(index, encoding="utf-8") as f:
            figures = json.load(f)["figures"]
        if summary["data"]["units"]["length"] != "m":
            fail("the example's lengths are not in m")
        for c in solved:
            n = c["case"]
            found = {f["figure"]: f for f in figures if f["case"] == n}
            settle, pressure = found.get("settlement"), found.get("pressure")
            if settle is None or pressure is None:
                fail("case %d: no settlement or pressure figure in %s" % (n, index))
            if settle["unit"] != "mm" or pressure["unit"] != summary["data"]["units"]["stress"]:
                fail("case %d: settlement in %s, pressure in %s" % (n, settle["unit"], pressure["unit"]))
            for key in ("largest", "smallest"):
                want = c["settlement"][key]
                near(settle[key]["value"], 1000.0 * want["value"], "case %d %s settlement [mm]" % (n, key))
                if settle[key]["node"] != want["node"]:
                    fail("case %d %s settlement: node %d labelled, the summary says %d"
                         % (n, key, settle[key]["node"], want["node"]))
            want = c["contact_pressure"]["largest"]
            near(pressure["largest"]["value"], want["value"], "case %d largest contact pressure" % n)

        # querbal --plots draws the same figures beside its outputs, and refuses
        # a run that writes no summary or tables to draw from.
        drawn = os.path.join(tmp, "drawn")
        r = subprocess.run([querbal, "-q", "--log", "off", "--plots", os.path.join(source, "examples", EXAMPLE + ".dat"),
                            "-C", drawn], env=env, capture_output=True, text=True)
        if r.returncode != 0:
            fail("querbal --plots ended with status %d: %s" % (r.returncode, r.stderr.strip()))
        missing = sorted(os.path.basename(f) for f in expected
                         if f.endswith((".png", ".svg")) and not os.path.exists(os.path.join(drawn, os.path.basename(f))))
        if missing:
            fail("querbal --plots did not draw %s" % ", ".join(missing))
        r = subprocess.run([querbal, "-q", "--plots", "--no-csv", os.path.join(source, "examples", EXAMPLE + ".dat"),
                            "-C", os.path.join(tmp, "refused")], env=env, capture_output=True, text=True)
        if r.returncode != 1 or os.path.exists(os.path.join(tmp, "refused")):
            fail("--plots --no-csv: status %d, and the run %s" % (r.returncode, "wrote" if os.path.exists(os.path.join(tmp, "refused")) else "wrote nothing"))

        # Unreadable input: status 1 and one line saying so.
        r = subprocess.run([sys.executable, script, "--out", plots, os.path.join(tmp, "none_summary.json")],
                           env=env, capture_output=True, text=True)
        if r.returncode != 1 or len(r.stderr.strip().split("\n")) != 1 or "none_summary.json" not in r.stderr:
            fail("a missing summary: status %d, standard error %r" % (r.returncode, r.stderr))

    print("plots_check: %d files of %d cases written and checked" % (len(expected), len(solved)))


if __name__ == "__main__":
    main()
