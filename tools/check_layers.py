#!/usr/bin/env python3
"""Checks that includes run one way only.

  src/core/<area>  standard C++ only; an area includes only areas below it
  src/ui/<area>    Qt; includes the core and the ui areas below it
  src/cli          includes the core only
  src/gdal         the GDAL adapter; includes the core only

Prints every include that runs the wrong way and exits 1, else exits 0.
Usage: check_layers.py [SRC_DIR]
"""
import os
import re
import sys

# Bottom to top. A new area goes into this list at its place.
CORE = ["platform", "base", "mesh", "zip", "view", "formats", "tiles", "edit",
        "settings", "scenery", "document"]
UI = ["widgets", "dialogs", "main", "commands"]
# Standard headers of the platform layer that name an operating system.
OS_HEADERS = re.compile(r"^(unistd\.h|fcntl\.h|sys/.*|poll\.h|signal\.h|spawn\.h|dirent\.h)$")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def rank(names, name):
    return names.index(name) if name in names else None


def check(src):
    problems = []
    for root, _, files in os.walk(src):
        for f in files:
            if not f.endswith((".h", ".cpp")):
                continue
            path = os.path.join(root, f)
            rel = os.path.relpath(path, src).replace(os.sep, "/")
            parts = rel.split("/")
            tree = parts[0]
            area = parts[1] if len(parts) > 2 else None
            if tree == "core" and rank(CORE, area) is None:
                problems.append(f"{rel}: core area '{area}' is not in the layer list")
                continue
            if tree == "ui" and rank(UI, area) is None:
                problems.append(f"{rel}: ui area '{area}' is not in the layer list")
                continue
            with open(path, encoding="utf-8") as fh:
                for n, line in enumerate(fh, 1):
                    m = INCLUDE.match(line)
                    if not m:
                        continue
                    kind, target = m.groups()
                    where = f"{rel}:{n}: {line.strip()}"
                    if kind == "<":
                        if tree in ("core", "cli", "gdal") and re.match(r"Q[A-Za-z]*(/|$)", target):
                            problems.append(f"{where}  (Qt outside src/ui)")
                        if tree == "core" and "gdal" in target.lower():
                            problems.append(f"{where}  (GDAL inside the core)")
                        if tree == "core" and area != "platform" and OS_HEADERS.match(target):
                            problems.append(f"{where}  (system header outside core/platform)")
                        continue
                    tparts = target.split("/")
                    if len(tparts) < 2:
                        continue  # generated headers such as version.h
                    ttree = tparts[0]
                    tarea = tparts[1] if len(tparts) > 2 else None
                    if tree in ("core", "cli", "gdal") and ttree == "ui":
                        problems.append(f"{where}  ({tree} must not include the ui)")
                    elif tree == "core" and ttree in ("cli", "gdal"):
                        problems.append(f"{where}  (the core includes only itself)")
                    elif tree == "cli" and ttree == "gdal":
                        pass  # the optional adapter
                    elif tree == "core" and ttree == "core":
                        r, t = rank(CORE, area), rank(CORE, tarea)
                        if t is None or t > r:
                            problems.append(f"{where}  (core/{area} must not include core/{tarea})")
                    elif tree == "ui" and ttree == "ui":
                        r, t = rank(UI, area), rank(UI, tarea)
                        if t is None or t > r:
                            problems.append(f"{where}  (ui/{area} must not include ui/{tarea})")
    return problems


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "src")
    problems = check(src)
    for p in problems:
        print(p)
    if problems:
        print(f"{len(problems)} include(s) run the wrong way")
        return 1
    print("layers: every include runs one way")
    return 0


if __name__ == "__main__":
    sys.exit(main())
