#!/usr/bin/env python3
"""Fails when a product file includes a folder above its own (the order in
README's code map) or when files include each other in a circle."""
import os, re, sys

ORDER = ["resources", "base", "config", "input", "security", "report", "exec", "actions", "app"]
root = sys.argv[1] if len(sys.argv) > 1 else "."
include = re.compile(r'#include "([^"]+)"')
graph, faults = {}, []
for folder in ORDER:
    for name in sorted(os.listdir(os.path.join(root, folder))):
        if not name.endswith((".h", ".cpp")):
            continue
        path = folder + "/" + name
        unit = os.path.splitext(path)[0]   # a header and its source are one unit
        with open(os.path.join(root, path), encoding="utf-8") as f:
            for target in include.findall(f.read()):
                top = target.split("/")[0]
                if top in ORDER and ORDER.index(top) > ORDER.index(folder):
                    faults.append(f"{path} includes {target}, a folder above its own")
                other = os.path.splitext(target)[0]
                if other != unit:
                    graph.setdefault(unit, set()).add(other)

state = {}
def visit(unit, trail):
    state[unit] = 1
    for other in sorted(graph.get(unit, ())):
        if state.get(other) == 1:
            faults.append("circle: " + " -> ".join(trail[trail.index(other):] + [other]))
        elif other not in state:
            visit(other, trail + [other])
    state[unit] = 2
for unit in sorted(graph):
    if unit not in state:
        visit(unit, [unit])

print("\n".join(faults) if faults else f"{len(graph)} units: includes point down, no circle")
sys.exit(1 if faults else 0)
