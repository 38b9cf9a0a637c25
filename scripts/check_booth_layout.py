#!/usr/bin/env python3
"""The booth folder's structure rules: the main window stays thin, only its own files (and the
program's composition root) include its header, and no booth files include each other round a
circle. A header and the .cpp files that define its classes' members (the one of the same name,
or any other, as a class spread over several files) are one unit; an include of any of them is an
edge of the unit.

Usage: check_booth_layout.py SOURCE_DIR   (exit 1 and one line per broken rule)
"""
import pathlib
import re
import sys

WINDOW_HEADER = "booth/dlg_corvantis.h"
# The window's own files may include its header; so may the composition root outside booth/.
WINDOW_FILES = {"booth/dlg_corvantis.cpp", "booth/screen_controls.cpp", "booth/screen_input.cpp"}
LIMITS = {"booth/dlg_corvantis.cpp": 400, "booth/dlg_corvantis.h": 150}
INCLUDE = re.compile(r'^\s*#\s*include\s+"(booth/[^"]+)"', re.M)
CLASS = re.compile(r"^(?:class|struct)\s+(\w+)\b(?!\s*;)", re.M)
MEMBER = re.compile(r"^[^\s/#][^(=;]*?\b(\w+)::~?\w+\s*\(", re.M)


def stem(path):
    return path.rsplit(".", 1)[0]


def cycles(graph):
    """Strongly connected components of more than one node (Tarjan, iterative)."""
    index, low, on, stack, found, counter = {}, {}, set(), [], [], [0]
    for root in graph:
        if root in index:
            continue
        work = [(root, iter(sorted(graph[root])))]
        index[root] = low[root] = counter[0]
        counter[0] += 1
        stack.append(root)
        on.add(root)
        while work:
            node, edges = work[-1]
            advanced = False
            for nxt in edges:
                if nxt not in graph:
                    continue
                if nxt not in index:
                    index[nxt] = low[nxt] = counter[0]
                    counter[0] += 1
                    stack.append(nxt)
                    on.add(nxt)
                    work.append((nxt, iter(sorted(graph[nxt]))))
                    advanced = True
                    break
                if nxt in on:
                    low[node] = min(low[node], index[nxt])
            if advanced:
                continue
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[node])
            if low[node] == index[node]:
                component = []
                while True:
                    top = stack.pop()
                    on.discard(top)
                    component.append(top)
                    if top == node:
                        break
                if len(component) > 1:
                    found.append(sorted(component))
    return found


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    problems = []
    files = {p.relative_to(root).as_posix(): p.read_text(encoding="utf-8")
             for p in sorted((root / "booth").glob("*.[ch]*"))}
    # Which header declares each class, and so which unit a member definition belongs to.
    owner = {}
    for rel, text in files.items():
        if rel.endswith(".h"):
            for name in CLASS.findall(text):
                owner.setdefault(name, stem(rel))
    # A .cpp joins its own header's unit and that of every class whose members it defines.
    parent = {stem(rel): stem(rel) for rel in files}

    def find(u):
        while parent[u] != u:
            parent[u] = parent[parent[u]]
            u = parent[u]
        return u

    for rel, text in files.items():
        if rel.endswith(".cpp"):
            for name in MEMBER.findall(text):
                if name in owner:
                    parent[find(owner[name])] = find(stem(rel))
    unit = {rel: find(stem(rel)) for rel in files}
    graph = {}
    for rel, text in files.items():
        includes = INCLUDE.findall(text)
        if WINDOW_HEADER in includes and rel not in WINDOW_FILES and rel != WINDOW_HEADER:
            problems.append("%s includes %s: give it a small interface instead" % (rel, WINDOW_HEADER))
        edges = graph.setdefault(unit[rel], set())
        edges.update(find(stem(i)) for i in includes if stem(i) in parent and find(stem(i)) != unit[rel])
    for component in cycles(graph):
        problems.append("include circle among: " + ", ".join(component))
    for rel, limit in LIMITS.items():
        lines = len((root / rel).read_text(encoding="utf-8").splitlines())
        if lines >= limit:
            problems.append("%s has %d lines (under %d wanted)" % (rel, lines, limit))
    for p in problems:
        print(p)
    print("booth layout: %d files, %d problems" % (len(graph), len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
