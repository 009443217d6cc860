#!/usr/bin/env python3
"""Seeds one small fault at a time into the .cpp files of chosen folders and reports which ones the tests catch.

Faults: a flipped comparison (== and !=, < and >=, > and <=), a bound off by one (< and <=, > and >=, or a
number in a comparison or index one higher) and a dropped statement. The lines are a seeded random pick, so
two runs with the same seed and the same code try the same faults.

Each fault is built in a build folder of its own (ninja rebuilds only what depends on the changed file), then
only the test programs that were relinked run, each under a timeout. The file is always put back, also when
the run is interrupted.

  scripts/mutate.py [--count N] [--seed S] [--build DIR] [--jobs J] [--timeout SECONDS] FOLDER...

Outcomes: caught (a test failed, crashed or timed out), survived (every relinked test passed, or no test
program links the file), not-compiling. The percentage caught is of the faults that compiled. Without
--sanitize the build has no sanitizers, so a fault that only reads out of bounds counts as survived although
test.sh would catch it.
"""
import argparse
import os
import random
import re
import signal
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent

# Binary comparisons written with a blank on each side; templates and stream operators are never matched.
COMPARISON = re.compile(r"(?<=\s)(==|!=|<=|>=|<|>)(?=\s)")
FLIP = {"==": "!=", "!=": "==", "<": ">=", ">=": "<", ">": "<=", "<=": ">"}
OFF_BY_ONE = {"<": "<=", "<=": "<", ">": ">=", ">=": ">"}
NUMBER = re.compile(r"(?<![\w.])(\d+)(?![\w.])")
# Lines that start a declaration: dropping them only stops the build.
DECLARATION = re.compile(
    r"^\s*(const\b|constexpr\b|static\b|auto\b|int\b|bool\b|double\b|char\b|unsigned\b|long\b|size_t\b|"
    r"std::|Q[A-Z]\w*\b[^(=]*\w+\s*[=({;]|[A-Z]\w*(<[^;]*>)?\s+[*&]?\w+\s*[=({;]|using\b|typedef\b|return\b|"
    r"case\b|default\b|public\b|private\b|protected\b|namespace\b|template\b|class\b|struct\b|enum\b)")


def strip_strings(line):
    """The line with string and character literals blanked, so a fault never lands inside text."""
    return re.sub(r'"(\\.|[^"\\])*"|\'(\\.|[^\'\\])*\'', lambda m: " " * len(m.group(0)), line)


def candidates(path):
    """Every (line index, kind, new line) fault that fits a line of the file."""
    lines = path.read_text(encoding="utf-8").split("\n")
    out = []
    in_comment = False
    prev_end = "{"
    for i, line in enumerate(lines):
        code = line
        if in_comment:
            if "*/" not in code:
                continue
            in_comment = False
            code = " " * (code.index("*/") + 2) + code[code.index("*/") + 2:]
        code = strip_strings(code)
        if "//" in code:
            code = code[:code.index("//")]
        if "/*" in code:
            if "*/" not in code[code.index("/*"):]:
                in_comment = True
            code = code[:code.index("/*")]
        stripped = code.strip()
        if not stripped or stripped.startswith("#"):
            continue
        faults = []
        for m in COMPARISON.finditer(code):
            op = m.group(1)
            new = line[:m.start()] + FLIP[op] + line[m.end():]
            faults.append(("flipped " + op, new))
            if op in OFF_BY_ONE:
                new = line[:m.start()] + OFF_BY_ONE[op] + line[m.end():]
                faults.append(("bound " + op + " to " + OFF_BY_ONE[op], new))
        for m in NUMBER.finditer(code):
            # Only a number that is a bound: an operand of a comparison or part of an index.
            before, after = code[:m.start()].rstrip(), code[m.end():].lstrip()
            compared = (COMPARISON.search(before[-2:].rjust(3)) is not None
                        or COMPARISON.match(" " + after[:2] + " ") is not None)
            indexed = before.rfind("[") > before.rfind("]")
            if compared or indexed:
                new = line[:m.start()] + str(int(m.group(1)) + 1) + line[m.end():]
                faults.append(("bound " + m.group(1) + " + 1", new))
        if (stripped.endswith(";") and stripped not in ("};", "});") and prev_end in "{};:"
                and not DECLARATION.match(code) and stripped.count("(") == stripped.count(")")):
            faults.append(("dropped statement", ""))
        if faults:
            out.append((i, faults))
        prev_end = stripped[-1] if stripped else prev_end
    return lines, out


class Restorer:
    """Puts a mutated file back on every way out."""

    def __init__(self):
        self.path = None
        self.text = None

    def set(self, path, text):
        self.path, self.text = path, text

    def restore(self):
        if self.path is not None:
            self.path.write_text(self.text, encoding="utf-8")
            self.path = None


def run(cmd, timeout=None, env=None):
    try:
        p = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=timeout, env=env,
                           start_new_session=True)
        return p.returncode, p.stdout.decode(errors="replace")
    except subprocess.TimeoutExpired as e:
        return "timeout", (e.stdout or b"").decode(errors="replace")


def test_programs(build):
    return sorted(p for p in (build / "tests").rglob("*Test") if p.is_file() and os.access(p, os.X_OK))


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("folders", nargs="+", help="folders under the source root, e.g. mainwindow racedata/ui")
    ap.add_argument("--count", type=int, default=40, help="faults in all (default 40)")
    ap.add_argument("--seed", type=int, default=14)
    ap.add_argument("--build", default=str(ROOT / "build-mutate"))
    ap.add_argument("--jobs", type=int, default=3)
    ap.add_argument("--timeout", type=int, default=300, help="seconds per test program")
    ap.add_argument("--sanitize", action="store_true",
                    help="build with the sanitizers, as test.sh does (slower; an out-of-bounds read is caught)")
    ap.add_argument("--list", action="store_true", help="only list the picked faults")
    ap.add_argument("--log", help="also write each outcome line here")
    ap.add_argument("--again", metavar="LOG",
                    help="try only the faults a former run (same seed and count) left surviving in LOG")
    args = ap.parse_args()

    rng = random.Random(args.seed)
    pool = []
    for folder in args.folders:
        for path in sorted((ROOT / folder).glob("*.cpp")):
            if path.name == "main.cpp":
                continue
            _, cands = candidates(path)
            pool += [(path, i, faults) for i, faults in cands]
    # The three kinds of fault are picked equally often (setup code has many more statements than
    # comparisons), at most one fault a line.
    by_kind = {}
    for path, i, faults in pool:
        for kind, new in faults:
            by_kind.setdefault(kind.split()[0], []).append((path, i, (kind, new)))
    for faults in by_kind.values():
        rng.shuffle(faults)
    kinds = sorted(by_kind)
    mutants, used = [], set()
    while len(mutants) < args.count and any(by_kind.values()):
        faults = by_kind[rng.choice(kinds)]
        while faults:
            path, i, fault = faults.pop()
            if (path, i) not in used:
                used.add((path, i))
                mutants.append((path, i, fault))
                break
    mutants.sort(key=lambda m: (str(m[0]), m[1]))
    if args.again:
        survivors = set(re.findall(r"\] survived +(\S+):(\d+):", Path(args.again).read_text(encoding="utf-8")))
        mutants = [m for m in mutants if (str(m[0].relative_to(ROOT)), str(m[1] + 1)) in survivors]
    if args.list:
        for path, i, (kind, new) in mutants:
            old = path.read_text(encoding="utf-8").split("\n")[i]
            print(f"{path.relative_to(ROOT)}:{i + 1}: {kind}: {old.strip()}  ->  {new.strip() or '(nothing)'}")
        return 0

    build = Path(args.build)
    if not (build / "build.ninja").exists():
        rc, out = run(["cmake", "-S", str(ROOT), "-B", str(build), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=None",
                       "-DCMAKE_CXX_FLAGS=-O0", "-DCORVINA_SANITIZE=" + ("ON" if args.sanitize else "OFF"),
                       "-DCORVINA_BENCH=OFF"])
        if rc != 0:
            sys.exit("configure failed:\n" + out)
    print("building the unchanged tree ...", flush=True)
    rc, out = run(["ninja", "-C", str(build), "-j", str(args.jobs)])
    if rc != 0:
        sys.exit("the unchanged tree does not build:\n" + out[-3000:])

    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", CORVINA_TOOLS_DIR=str(build / "tools"))
    env.pop("CORVINA_HOME", None)
    env.setdefault("ASAN_OPTIONS", "detect_leaks=0:halt_on_error=1")
    env.setdefault("UBSAN_OPTIONS", "halt_on_error=1")
    restorer = Restorer()
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(130))
    signal.signal(signal.SIGHUP, lambda *_: sys.exit(130))
    log = open(args.log, "w") if args.log else None
    tally = {"caught": 0, "survived": 0, "not-compiling": 0}
    per_folder = {}
    try:
        for n, (path, i, (kind, new)) in enumerate(mutants, 1):
            text = path.read_text(encoding="utf-8")
            lines = text.split("\n")
            old = lines[i]
            lines[i] = new
            restorer.set(path, text)
            started = time.time()
            time.sleep(0.01)
            path.write_text("\n".join(lines), encoding="utf-8")
            rc, out = run(["ninja", "-C", str(build), "-j", str(args.jobs)])
            failed = []
            if rc != 0:
                outcome = "not-compiling"
            else:
                relinked = [p for p in test_programs(build) if p.stat().st_mtime >= started]
                tools_changed = any(p.stat().st_mtime >= started for p in (build / "tools").rglob("*")
                                    if p.is_file() and os.access(p, os.X_OK))
                if tools_changed:
                    relinked = test_programs(build)
                for prog in relinked:
                    rc, _ = run([str(prog), "--gtest_brief=1"], timeout=args.timeout, env=env)
                    if rc != 0:
                        failed.append(prog.name + (" (timeout)" if rc == "timeout" else ""))
                        break
                outcome = "caught" if failed else "survived"
                if not relinked:
                    outcome = "survived"
            restorer.restore()
            tally[outcome] += 1
            folder = str(path.parent.relative_to(ROOT))
            per_folder.setdefault(folder, {"caught": 0, "survived": 0, "not-compiling": 0})[outcome] += 1
            line = (f"[{n}/{len(mutants)}] {outcome:13} {path.relative_to(ROOT)}:{i + 1}: {kind}: "
                    f"{old.strip()}  ->  {new.strip() or '(nothing)'}"
                    + (f"  [{failed[0]}]" if failed else "") + f"  ({time.time() - started:.0f}s)")
            print(line, flush=True)
            if log:
                print(line, file=log, flush=True)
    finally:
        restorer.restore()

    def summary(name, t):
        built = t["caught"] + t["survived"]
        pct = 100.0 * t["caught"] / built if built else 0.0
        total = built + t["not-compiling"]
        return (f"{name:16} {total:3} faults: caught {t['caught']}, survived {t['survived']}, "
                f"not-compiling {t['not-compiling']} ({pct:.0f} % of those that compiled caught)")

    print()
    for folder, t in sorted(per_folder.items()):
        print(summary(folder, t))
    print(summary("all", tally))
    if log:
        print(summary("all", tally), file=log)
    # Leave the build matching the restored sources.
    run(["ninja", "-C", str(build), "-j", str(args.jobs)])
    return 0


if __name__ == "__main__":
    sys.exit(main())
