#!/usr/bin/env python3
"""The complete example of the data-file reference is a valid data file.

usage: data_format_example.py QUERBAL DOC

Takes the one code block of DOC fenced with the info string `querbal-data`
and runs `QUERBAL --check` on it. It must read as valid data (exit status 0)
and without a single warning: an example that reads only with warnings has
drifted from the reader (a field too many or too few slides the values of the
records after it, and a stray line is only warned about).
"""
import pathlib
import subprocess
import sys
import tempfile


def example(doc):
    blocks, block = [], None
    for line in pathlib.Path(doc).read_text(encoding="utf-8").splitlines():
        if block is None:
            if line.strip() == "```querbal-data":
                block = []
        elif line.strip() == "```":
            blocks.append(block)
            block = None
        else:
            block.append(line)
    if block is not None:
        sys.exit(f"{doc}: the querbal-data block is not closed")
    if len(blocks) != 1:
        sys.exit(f"{doc}: expected one querbal-data block, found {len(blocks)}")
    return "\n".join(blocks[0]) + "\n"


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    querbal, doc = sys.argv[1], sys.argv[2]
    text = example(doc)
    with tempfile.TemporaryDirectory() as tmp:
        data = pathlib.Path(tmp) / "example.dat"
        data.write_bytes(text.encode("latin-1"))   # the program reads Latin-1 bytes
        r = subprocess.run([querbal, "--check", str(data)], capture_output=True, timeout=60)
    out = r.stdout.decode("latin-1")
    err = r.stderr.decode("latin-1")
    if r.returncode != 0 or err.strip() or "valid data" not in out:
        sys.exit(f"the example of {doc} does not read cleanly (exit status {r.returncode}):\n{err}{out}")
    print(out, end="")


if __name__ == "__main__":
    main()
