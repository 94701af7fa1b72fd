#!/usr/bin/env python3
"""Reads the #include lines of the program's sources and fails when one runs
against the order of the layers, or when files reach each other in a circle.

The order, lowest first: a folder may include itself and any folder before it.
ui/ and tools/ sit side by side above app/: both may use app/, neither the
other. pack_window/ joins them for the packer window and may use both.
main/ holds the stub's process entries and may use everything.
A file is a unit together with its header (x.h and x.cpp are one node), so a
circle is two or more units that reach each other through their includes."""
import os
import re
import sys

ORDER = ["base", "platform", "fs", "stream", "crypto", "archive", "container", "app"]
TOP = ["ui", "tools"]
# The packer window: above both, since it joins the window (ui/) and the
# packer (tools/).
JOINT = "pack_window"
ENTRIES = "main"
RANK = {name: i for i, name in enumerate(ORDER)}
RANK.update({name: len(ORDER) for name in TOP})
RANK[JOINT] = len(ORDER) + 1
RANK[ENTRIES] = len(ORDER) + 2
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def layer(path):
    return path.split("/", 1)[0]


def allowed(source, target):
    a, b = layer(source), layer(target)
    if a == b:
        return True
    if a in TOP and b in TOP:
        return False
    return RANK[b] < RANK[a]


def unit(path):
    return os.path.splitext(path)[0]


def main(root):
    files = []
    for folder in ORDER + TOP + [JOINT, ENTRIES]:
        for dirpath, _, names in os.walk(os.path.join(root, folder)):
            for name in names:
                if name.endswith((".h", ".cpp", ".c")):
                    files.append(os.path.relpath(os.path.join(dirpath, name), root))
    problems = []
    edges = {}
    for path in sorted(files):
        with open(os.path.join(root, path), encoding="utf-8") as f:
            text = f.read()
        for target in INCLUDE.findall(text):
            if layer(target) not in RANK:
                continue
            if not allowed(path, target):
                rule = ("ui/ and tools/ may both use app/, never each other"
                        if layer(path) in TOP and layer(target) in TOP else
                        "a folder uses only the folders below it: " + " < ".join(ORDER) +
                        " < " + " and ".join(TOP) + " < " + JOINT + " < " + ENTRIES)
                problems.append(f"{path}: includes {target} ({rule})")
            if unit(target) != unit(path):
                edges.setdefault(unit(path), set()).add(unit(target))
    # Circles among units: Tarjan's strongly connected components.
    index, low, stack, on_stack, circles = {}, {}, [], set(), []
    counter = [0]

    def visit(node):
        index[node] = low[node] = counter[0]
        counter[0] += 1
        stack.append(node)
        on_stack.add(node)
        for nxt in edges.get(node, ()):
            if nxt not in index:
                visit(nxt)
                low[node] = min(low[node], low[nxt])
            elif nxt in on_stack:
                low[node] = min(low[node], index[nxt])
        if low[node] == index[node]:
            component = []
            while True:
                top = stack.pop()
                on_stack.discard(top)
                component.append(top)
                if top == node:
                    break
            if len(component) > 1:
                circles.append(sorted(component))

    sys.setrecursionlimit(10000)
    for node in sorted(edges):
        if node not in index:
            visit(node)
    for circle in circles:
        problems.append("files reach each other in a circle (no two files may need each other): " +
                        ", ".join(circle))
    for problem in problems:
        print(problem)
    print(f"layers: {len(files)} files read")
    print(f"layers: {0 if problems else 1} passed, {len(problems)} failed")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))
