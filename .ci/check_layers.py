#!/usr/bin/env python3
"""The program's folders include each other downwards only.

Each folder may include its own headers and those of the layers below it, as
the list below gives them (the same order as the CMake targets). Prints the
include graph between folders and exits 1 on any include that goes upwards or
sideways, or on a cycle.

usage: check_layers.py [source root]
"""
import os
import re
import sys

# Each layer and the layers it may include (directly or through the others).
LAYERS = {
    "textio": [],
    "model": ["textio"],
    "frame": ["model"],
    "soil": ["model"],
    "solver": ["soil"],
    "output": ["solver", "frame"],
    "input": ["output"],
    "driver": ["input"],
}


def below(layer):
    seen, todo = set(), list(LAYERS[layer])
    while todo:
        x = todo.pop()
        if x not in seen:
            seen.add(x)
            todo.extend(LAYERS[x])
    return seen


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.getcwd()
    include = re.compile(r'^\s*#\s*include\s+"([^"/]+)/[^"]+"', re.M)
    edges, bad = {}, []
    for layer in LAYERS:
        folder = os.path.join(root, layer)
        if not os.path.isdir(folder):
            bad.append("missing folder %s" % layer)
            continue
        allowed = below(layer) | {layer}
        for f in sorted(os.listdir(folder)):
            if not f.endswith((".h", ".cpp")):
                continue
            text = open(os.path.join(folder, f), encoding="latin-1").read()
            for target in include.findall(text):
                if target == layer:
                    continue
                edges.setdefault(layer, set()).add(target)
                if target not in allowed:
                    bad.append("%s/%s includes %s/" % (layer, f, target))
    for layer in LAYERS:
        print("%-8s -> %s" % (layer, " ".join(sorted(edges.get(layer, ()))) or "-"))
    if bad:
        print("includes against the layers:\n  " + "\n  ".join(bad))
        return 1
    print("layers: %d folders, every include goes downwards" % len(LAYERS))
    return 0


if __name__ == "__main__":
    sys.exit(main())
