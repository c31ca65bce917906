#!/usr/bin/env python3
"""peer-compare.py LINUX WINDOWS [KNOWN]: compares the pixel peer outputs of
tests/peer (the same scenarios drawn on the software platform and on the
system's DirectDraw). For each scenario prints "ok", or names the first
differing pixel (or status) and how many differ. KNOWN lists the scenarios
expected to differ, one "name: cause" a line; a listed difference prints
"ok ... (known: cause)", a listed scenario that no longer differs fails, so
the list stays true, unless its line starts with "?" (a difference that
comes and goes with the peer's state). Exits 1 on any unlisted difference or missing scenario."""
import sys


def read(path):
    scenes, order, cur = {}, [], None
    with open(path, encoding="ascii") as f:
        for n, line in enumerate(f, 1):
            word, *rest = line.split()
            if word == "scenario":
                name, w, h, bpp = rest[0], *map(int, rest[1:4])
                cur = {"size": (w, h, bpp), "status": [], "rows": []}
                if name in scenes:
                    sys.exit(f"{path}:{n}: scenario {name} twice")
                scenes[name] = cur
                order.append(name)
            elif word == "status" and cur is not None:
                cur["status"] = rest
            elif word == "row" and cur is not None:
                cur["rows"].append([int(v, 16) for v in rest])
            else:
                sys.exit(f"{path}:{n}: unexpected line")
    return scenes, order


def difference(a, b):
    """A description of how b differs from a, or None."""
    if a["size"] != b["size"]:
        return f"size {a['size']} against {b['size']}", 0
    if a["status"] != b["status"]:
        return f"statuses {' '.join(a['status'])} against {' '.join(b['status'])}", 0
    first, count = None, 0
    for y, (ra, rb) in enumerate(zip(a["rows"], b["rows"])):
        for x, (pa, pb) in enumerate(zip(ra, rb)):
            if pa != pb:
                count += 1
                if first is None:
                    first = f"first differing pixel ({x}, {y}): {pa:X} against {pb:X}"
    if len(a["rows"]) != len(b["rows"]) or any(len(ra) != len(rb) for ra, rb in zip(a["rows"], b["rows"])):
        return "rows of different lengths", 0
    return (first, count) if first else None


def main(argv):
    if len(argv) not in (3, 4):
        sys.exit(__doc__)
    linux, order = read(argv[1])
    windows, _ = read(argv[2])
    known, varies = {}, set()
    if len(argv) == 4:
        with open(argv[3], encoding="utf-8") as f:
            for line in f:
                line = line.strip()
                if line and not line.startswith("#"):
                    name, _, cause = line.partition(":")
                    name = name.strip()
                    if name.startswith("?"):
                        name = name[1:].strip()
                        varies.add(name)
                    known[name] = cause.strip()
    fails = 0
    for name in order:
        if name not in windows:
            print(f"FAIL  {name}: not drawn on Windows")
            fails += 1
            continue
        d = difference(linux[name], windows[name])
        if d is None and name in known and name not in varies:
            print(f"FAIL  {name}: listed as differing ({known[name]}) but now identical")
            fails += 1
        elif d is None:
            print(f"ok    {name}: identical")
        else:
            what, count = d
            pixels = f", {count} pixel(s)" if count else ""
            if name in known:
                print(f"ok    {name}: {what}{pixels} (known: {known[name]})")
            else:
                print(f"FAIL  {name}: {what}{pixels} (Linux against Windows)")
                fails += 1
    for name in windows:
        if name not in linux:
            print(f"FAIL  {name}: not drawn on Linux")
            fails += 1
    for name in known:
        if name not in linux:
            print(f"FAIL  {name}: listed as differing but no such scenario")
            fails += 1
    return 1 if fails else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
