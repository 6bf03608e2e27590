"""The building generator writes data that querbal reads as the geometry asked.

usage: generator_check.py QUERBAL SOURCE_DIR

Writes a small model on strip footings and a small one on a slab mat with
scripts/querbal-building, reads each with `QUERBAL --check`, and compares the
counts it prints with those the grid implies: nodes, bars, slabs, area
reactions and equations (six per node, less DX, DY and MZ of every foundation
node); a generated model reads without a warning. The strips model is also written to standard output, which must give
the same bytes as the file. Exits 1 on the first difference.
"""
import os
import re
import subprocess
import sys
import tempfile


def main():
    querbal, source = sys.argv[1], sys.argv[2]
    generator = os.path.join(source, "scripts", "querbal-building")
    models = [("strips", 3, 2, 2, "2", ["--kanal", "1"]),
              ("mat", 2, 3, 1, "3", ["--kanal", "2", "--cases", "2,3,4"])]
    with tempfile.TemporaryDirectory() as tmp:
        for foundation, nx, ny, storeys, strata, extra in models:
            args = [sys.executable, generator, "--foundation", foundation, "--nx", str(nx), "--ny", str(ny),
                    "--storeys", str(storeys), "--strata", strata, "--point-load", "10"] + extra
            data = os.path.join(tmp, foundation + ".dat")
            subprocess.run(args + ["-o", data], check=True)
            if foundation == "strips":
                with open(data, "rb") as f:
                    if subprocess.run(args, check=True, stdout=subprocess.PIPE).stdout != f.read():
                        sys.exit("%s: standard output differs from the file" % foundation)
            check = subprocess.run([querbal, "--check", data], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                   universal_newlines=True)
            if check.returncode != 0 or check.stderr:
                sys.exit("%s: querbal --check exit status %d\n%s" % (foundation, check.returncode, check.stderr))
            got = dict(re.findall(r"^  (nodes|bars|slabs|area reactions|equations) +(\d+)", check.stdout, re.M))
            per_level = (nx + 1) * (ny + 1)
            lines = nx * (ny + 1) + ny * (nx + 1)          # bars of one level's grid
            want = {
                "nodes": per_level * (storeys + 1),
                "bars": lines * (storeys + 1) + per_level * storeys,
                "slabs": nx * ny if foundation == "mat" else 0,
                "area reactions": per_level,
                "equations": 6 * per_level * (storeys + 1) - 3 * per_level,
            }
            for what, n in want.items():
                if got.get(what) != str(n):
                    sys.exit("%s: %s %s, the grid implies %d\n%s" % (foundation, what, got.get(what), n,
                                                                     check.stdout))
            print("%s: %s" % (foundation, ", ".join("%s %d" % kv for kv in want.items())))


if __name__ == "__main__":
    main()
