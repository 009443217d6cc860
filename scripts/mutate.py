#!/usr/bin/env python3
"""Seeds one small fault at a time into the program's .cpp files and reports which ones the tests catch.

Kinds of fault, drawn equally often (at most one fault a line):
  flipped    a comparison turned round (== and !=, < and >=, > and <=) or a negation (!) left out
  bound      a comparison off by one (< and <=, > and >=) or a number in a comparison or an index one higher
  dropped    a statement left out
  operator   an operator swapped: + and -, * and /, % and *, && and ||, & and |, ^ and |, += and -=,
             ++ and --, std::min and std::max
  constant   a number changed (to one more, or 0 to 1) or true and false swapped
  default    a returned value replaced by the type's default: return X; -> return {};

The faults are drawn over every folder of the program (analysis, racedata, components, platform, mainwindow,
archive, their subfolders, tools), the same number for each folder group (analysis, racedata, components,
platform, windows = mainwindow and every ui/ folder, archive, tools). A group's draw depends only on the seed,
the group and the code, so two runs with the same seed over the same code try the same faults.

Each fault is built by a worker in a source copy and build folder of its own (ninja rebuilds only what depends
on the changed file); a test program runs only when its binary changed, each under a timeout of a few times
its own unchanged run time (every test program runs when a tool the tests start changed). The workers' copies
live under --build; the checkout is never changed.

Outcomes:
  caught         a test failed, crashed or timed out
  survived       every test program that changed passed, or no test program contains the changed code
  equivalent     the fault compiles to the same object code as the unchanged file (debug data aside), or no
                 executable of the build changes: no input can change any output, file, message or pixel
  not-compiling  the build failed
The score is caught / (caught + survived): the faults that can change behaviour. A fault in window code that
only touches colours, fonts, pixel offsets, sizes or margins is marked "looks": it counts in the score and is
also reported apart, with the score leaving such faults out. The report ends with every surviving fault
(file:line, kind, the changed line) so tests can be written against them.

  scripts/mutate.py [--count N] [--seed S] [--jobs J] [--sanitize] [--report FILE] [FOLDER...]
  scripts/mutate.py --list [--count N] [--seed S] [FOLDER...]        # only the drawn faults
  scripts/mutate.py --list-survivors REPORT                           # the surviving faults of a report

Without --sanitize the build has no sanitizers, so a fault that only reads out of bounds counts as survived
although test.sh would catch it.
"""
import argparse
import hashlib
import json
import os
import queue
import random
import re
import shutil
import signal
import subprocess
import sys
import threading
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
PROGRAM_FOLDERS = ["analysis", "racedata", "components", "platform", "mainwindow", "archive", "tools"]
GROUPS = ["analysis", "racedata", "components", "platform", "windows", "archive", "tools"]
KINDS = ["flipped", "bound", "dropped", "operator", "constant", "default"]

# Binary operators written with a blank on each side; templates and stream operators are never matched.
COMPARISON = re.compile(r"(?<=\s)(==|!=|<=|>=|<|>)(?=\s)")
FLIP = {"==": "!=", "!=": "==", "<": ">=", ">=": "<", ">": "<=", "<=": ">"}
OFF_BY_ONE = {"<": "<=", "<=": "<", ">": ">=", ">=": ">"}
NEGATION = re.compile(r"(?<![\w)\]!])!(?=[\w(*])")
BINARY = re.compile(r"(?<=\s)(\+=|-=|\*=|/=|\|=|&=|&&|\|\||\+|-|\*|/|%|&|\||\^)(?=\s)")
SWAP = {"+": "-", "-": "+", "*": "/", "/": "*", "%": "*", "&&": "||", "||": "&&", "&": "|", "|": "&",
        "^": "|", "+=": "-=", "-=": "+=",
        "*=": "/=", "/=": "*=", "|=": "&=", "&=": "|="}
INCREMENT = re.compile(r"(\+\+|--)")
MINMAX = re.compile(r"\bstd::(min|max)\b")
NUMBER = re.compile(r"(?<![\w.])(0[xX][0-9a-fA-F]+|\d+\.\d*|\d+)([uUlLfF]*)(?![\w.'])")
BOOLEAN = re.compile(r"\b(true|false)\b")
RETURN = re.compile(r"^(\s*return\s+)(.+);\s*$")
# Returned values that already are a default: replacing them changes nothing.
DEFAULTS = re.compile(r"^(\{\}|0|0\.0|false|nullptr|QString\(\)|std::nullopt|std::string\(\)|\"\"|[A-Z]\w*\(\)|"
                      r"[A-Z]\w*\{\})$")
# Lines that start a declaration: dropping them only stops the build.
DECLARATION = re.compile(
    r"^\s*(const\b|constexpr\b|static\b|auto\b|int\b|bool\b|double\b|char\b|unsigned\b|long\b|size_t\b|"
    r"std::|Q[A-Z]\w*\b[^(=]*\w+\s*[=({;]|[A-Z]\w*(<[^;]*>)?\s+[*&]?\w+\s*[=({;]|using\b|typedef\b|return\b|"
    r"case\b|default\b|public\b|private\b|protected\b|namespace\b|template\b|class\b|struct\b|enum\b|"
    r"static_assert\b|\w+(::\w+)*(<[^;]*>)?[*&]?\s+[*&]?\w+\s*(;|=|\{))")
# Lines where a fault cannot change behaviour or only stops the build.
SKIP = re.compile(r"\b(static_assert|reserve|Q_OBJECT|Q_ASSERT|assert)\b")
# Window code that only decides how things look: colours, fonts, pixel offsets and sizes, margins.
WINDOW_FOLDER = re.compile(r"(^mainwindow$|/ui$|^platform/gui$)")
LOOKS = re.compile(
    r"(QColor|Qt::(white|black|red|blue|green|yellow|gray|darkGray|lightGray|cyan|magenta|dark\w+|transparent)\b|"
    r"\b(set)?(Color|Pen|Brush|Font|PointSize|PixelSize|Bold|Palette|StyleSheet|Alignment|FrameStyle|LineWidth|"
    r"FixedWidth|FixedHeight|FixedSize|Geometry|MinimumWidth|MinimumHeight|MinimumSize|MaximumWidth|"
    r"MaximumHeight|MaximumSize|ContentsMargins|Spacing|Margin|ColumnWidth|RowHeight|DefaultSectionSize|"
    r"Stretch|AutoFillBackground|Icon)\b|\bset(Color|Pen|Brush|Font|Palette|StyleSheet|Alignment|Fixed\w+|"
    r"Geometry|Minimum\w+|Maximum\w+|ContentsMargins|Spacing|ColumnWidth|RowHeight|DefaultSectionSize|"
    r"Stretch\w*|Frame\w*)\(|\b(resize|move|addSpacing|addStretch|rgb|QPen|QBrush|QFont|QRect|QRectF|QPoint|"
    r"QPointF|QSize|QMargins)\b|\b\w*([wW]idth|[hH]eight|[mM]argin|[oO]ffset|[sS]pacing|[iI]nset|"
    r"[fF]ont\w*|[cC]olou?r\w*|[lL]eft|[tT]op|[rR]ight|[bB]ottom|Px|px)\b)")
# Calls whose leaving out draws nothing: the painted content itself is more than looks.
DRAWS = re.compile(r"\b(draw\w*|fillRect|setText|addItem|insert\w*|append)\s*\(")


def strip_strings(line):
    """The line with string and character literals blanked, so a fault never lands inside text."""
    return re.sub(r'"(\\.|[^"\\])*"|\'(\\.|[^\'\\])*\'', lambda m: " " * len(m.group(0)), line)


def group_of(folder):
    if folder == "mainwindow" or folder.startswith("mainwindow/") or folder.endswith("/ui") or "/ui/" in folder:
        return "windows"
    return folder.split("/")[0]


def bump(literal):
    """A number one higher, written in the same base; None when it is not a number we change."""
    if literal.lower().startswith("0x"):
        return hex(int(literal, 16) + 1)
    if "." in literal:
        return repr(float(literal) + 1.0)
    return str(int(literal) + 1)


def candidates(path):
    """Every (line index, kind, description, new line) fault that fits a line of the file."""
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
        if SKIP.search(code):
            prev_end = stripped[-1]
            continue

        def at(m, text, group=1):
            return line[:m.start(group)] + text + line[m.end(group):]

        for m in COMPARISON.finditer(code):
            op = m.group(1)
            out.append((i, "flipped", f"{op} to {FLIP[op]}", at(m, FLIP[op])))
            if op in OFF_BY_ONE:
                out.append((i, "bound", f"{op} to {OFF_BY_ONE[op]}", at(m, OFF_BY_ONE[op])))
        for m in NEGATION.finditer(code):
            out.append((i, "flipped", "! left out", at(m, "", 0)))
        for m in NUMBER.finditer(code):
            before, after = code[:m.start()].rstrip(), code[m.end():].lstrip()
            compared = (COMPARISON.search(before[-2:].rjust(3) + " ") is not None
                        or COMPARISON.match(" " + after[:2] + " ") is not None)
            indexed = before.rfind("[") > before.rfind("]")
            new = bump(m.group(1))
            if compared or indexed:
                out.append((i, "bound", f"{m.group(1)} to {new}", at(m, new)))
            else:
                out.append((i, "constant", f"{m.group(1)} to {new}", at(m, new)))
        for m in BOOLEAN.finditer(code):
            new = "false" if m.group(1) == "true" else "true"
            out.append((i, "constant", f"{m.group(1)} to {new}", at(m, new)))
        for m in BINARY.finditer(code):
            op = m.group(1)
            out.append((i, "operator", f"{op} to {SWAP[op]}", at(m, SWAP[op])))
        for m in INCREMENT.finditer(code):
            new = "--" if m.group(1) == "++" else "++"
            out.append((i, "operator", f"{m.group(1)} to {new}", at(m, new)))
        for m in MINMAX.finditer(code):
            new = "max" if m.group(1) == "min" else "min"
            out.append((i, "operator", f"std::{m.group(1)} to std::{new}", at(m, new)))
        r = RETURN.match(code)
        if r and not DEFAULTS.match(r.group(2).strip()) and "(" + r.group(2) + ")" != "()":
            out.append((i, "default", "returns {}", line[:len(r.group(1))] + "{};"))
        if (stripped.endswith(";") and stripped not in ("};", "});") and prev_end in "{};:"
                and not DECLARATION.match(code) and stripped.count("(") == stripped.count(")")
                and stripped.count("{") == stripped.count("}")):
            out.append((i, "dropped", "statement left out", ""))
        prev_end = stripped[-1]
    return lines, out


def program_sources(folders):
    """Every .cpp of the program under the folders, as paths relative to the root, sorted."""
    files = []
    for folder in folders:
        # A single file narrows the draw to it, for working on one file's tests.
        paths = [ROOT / folder] if (ROOT / folder).is_file() else sorted((ROOT / folder).rglob("*.cpp"))
        for path in paths:
            rel = path.relative_to(ROOT)
            if any(part.startswith("build") or part in ("tests", "bench", "fuzz") for part in rel.parts):
                continue
            files.append(rel)
    return sorted(set(files))


def changed_part(code, new):
    """The argument (or, outside any call, the statement) where the fault changes the line, and the name of the
    call it is an argument of."""
    start = 0
    while start < min(len(code), len(new)) and code[start] == new[start]:
        start += 1
    depth, open_at = 0, -1
    for k in range(start - 1, -1, -1):
        if code[k] in ")]":
            depth += 1
        elif code[k] in "([":
            if depth == 0:
                open_at = k
                break
            depth -= 1
    if open_at < 0:
        return code, ""
    callee = re.search(r"([\w:]*)\s*$", code[:open_at]).group(1)
    # The argument holding the change: from the comma (or bracket) before it to the one after it.
    depth, left = 0, open_at + 1
    for k in range(open_at + 1, start):
        if code[k] in "([{":
            depth += 1
        elif code[k] in ")]}":
            depth -= 1
        elif code[k] == "," and depth == 0:
            left = k + 1
    depth, right = 0, len(code)
    for k in range(start, len(code)):
        if code[k] in "([{":
            depth += 1
        elif code[k] in ")]}":
            if depth == 0:
                right = k
                break
            depth -= 1
        elif code[k] == "," and depth == 0:
            right = k
            break
    return code[left:right], callee


def looks_only(rel, line, kind, new):
    """Whether a fault in window code can only change how something looks: the part of the line it changes
    (the argument it lands in, and the call that argument goes to) is about colours, fonts, sizes or offsets."""
    if not WINDOW_FOLDER.search(str(rel.parent)):
        return False
    code = strip_strings(line)
    if kind == "dropped":
        return not DRAWS.search(code) and LOOKS.search(code) is not None
    part, callee = changed_part(code, strip_strings(new))
    if callee in ("if", "while", "for", "switch", "return"):
        callee = ""
    return LOOKS.search(part) is not None or (callee != "" and LOOKS.search(callee + "(") is not None)


def draw(folders, count, seed):
    """The faults for this seed: `count` a group, kinds equally often, at most one a line."""
    by_group = {}
    for rel in program_sources(folders):
        lines, cands = candidates(ROOT / rel)
        for i, kind, what, new in cands:
            by_group.setdefault(group_of(str(rel.parent)), {}).setdefault(kind, []).append(
                (rel, i, kind, what, lines[i], new))
    mutants = []
    for group in sorted(by_group, key=lambda g: GROUPS.index(g) if g in GROUPS else len(GROUPS)):
        rng = random.Random(f"{seed}/{group}")
        kinds = {k: list(v) for k, v in sorted(by_group[group].items())}
        for faults in kinds.values():
            rng.shuffle(faults)
        used, picked = set(), 0
        while picked < count and any(kinds.values()):
            faults = kinds[rng.choice(sorted(k for k, v in kinds.items() if v))]
            while faults:
                rel, i, kind, what, old, new = faults.pop()
                if (rel, i) not in used:
                    used.add((rel, i))
                    mutants.append({"group": group, "file": str(rel), "line": i, "kind": kind, "what": what,
                                    "old": old, "new": new, "looks": looks_only(rel, old, kind, new)})
                    picked += 1
                    break
    return mutants


def run(cmd, timeout=None, env=None, cwd=None):
    """Return code (or "timeout") and output; on a timeout the whole process group is killed."""
    p = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=env, cwd=cwd,
                         start_new_session=True)
    try:
        out, _ = p.communicate(timeout=timeout)
        return p.returncode, out.decode(errors="replace")
    except subprocess.TimeoutExpired:
        try:
            os.killpg(p.pid, signal.SIGKILL)
        except OSError:
            pass
        out, _ = p.communicate()
        return "timeout", out.decode(errors="replace")
    finally:
        if p.poll() is None:
            os.killpg(p.pid, signal.SIGKILL)
            p.wait()


def file_hash(path, strip_debug=False):
    if strip_debug:
        tmp = path.with_suffix(path.suffix + ".nodebug")
        rc, _ = run(["objcopy", "--strip-debug", str(path), str(tmp)])
        if rc == 0:
            data = tmp.read_bytes()
            tmp.unlink()
            return hashlib.sha1(data).hexdigest()
    return hashlib.sha1(path.read_bytes()).hexdigest()


def executables(build):
    """Every program the build links (test programs, tools, the program, fuzz replays)."""
    out = []
    for p in build.rglob("*"):
        if (p.is_file() and os.access(p, os.X_OK) and "CMakeFiles" not in p.parts and not p.suffix
                and p.open("rb").read(4) == b"\x7fELF"):
            out.append(p)
    return sorted(out)


def copy_tree(dest):
    """A copy of the checkout's files (tracked and new ones) in dest; unchanged files keep their time."""
    rc, out = run(["git", "-C", str(ROOT), "ls-files", "-co", "--exclude-standard"])
    wanted = set(l for l in out.split("\n") if l and (ROOT / l).is_file())
    for rel in wanted:
        src, dst = ROOT / rel, dest / rel
        if dst.exists() and dst.read_bytes() == src.read_bytes():
            continue
        dst.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(src, dst)
        # Timed now, not as the checkout's file: a build from an older fault or an older checkout must not
        # look newer than it.
        os.utime(dst, None)
    for p in dest.rglob("*"):
        if p.is_file() and str(p.relative_to(dest)) not in wanted:
            p.unlink()


class Worker:
    """A source copy and a build folder of its own, where one fault at a time is built and tested."""

    def __init__(self, base, n, args, env):
        self.dir = base / f"w{n}"
        self.src = self.dir / "src"
        self.build = self.dir / "build"
        self.args = args
        self.env = env
        self.hashes = {}  # executable -> (mtime, hash)
        self.original = {}  # executable -> hash of the unchanged build
        self.objects = {}  # source -> object file
        self.original_objects = {}

    def prepare(self, jobs):
        self.src.mkdir(parents=True, exist_ok=True)
        copy_tree(self.src)
        cmd = ["cmake", "-S", str(self.src), "-B", str(self.build), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=None",
               "-DCMAKE_CXX_FLAGS=" + ("-O1 -g" if self.args.sanitize else "-O1"),
               "-DCORVINA_SANITIZE=" + ("ON" if self.args.sanitize else "OFF"), "-DCORVINA_BENCH=OFF",
               "-DCORVINA_WERROR=OFF", "-DCORVINA_TESTDATA=" + str(ROOT.parent / "shared" / "testdata")]
        if shutil.which("ccache"):
            cmd.append("-DCMAKE_CXX_COMPILER_LAUNCHER=ccache")
        # Most of a fault's time goes to relinking the test programs: lld links them several times faster.
        if shutil.which("ld.lld"):
            cmd.append("-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld")
        rc, out = run(cmd)
        if rc != 0:
            sys.exit("configure failed:\n" + out)
        rc, out = run(["ninja", "-C", str(self.build), "-j", str(jobs)])
        if rc != 0:
            sys.exit("the unchanged tree does not build:\n" + out[-3000:])
        commands = json.loads((self.build / "compile_commands.json").read_text())
        for c in commands:
            f = Path(c["file"])
            if f.is_relative_to(self.src):
                output = c.get("output") or re.search(r"\s-o\s+(\S+)", c["command"]).group(1)
                self.objects.setdefault(str(f.relative_to(self.src)), []).append(Path(c["directory"]) / output)
        self.original = {str(p.relative_to(self.build)): self.hash_of(p) for p in executables(self.build)}

    def here(self, text):
        """A path of the first worker's copy or build as the same path in this worker's."""
        return text.replace(str(self.dir.parent / "w0") + "/", str(self.dir) + "/")

    def hash_of(self, p):
        st = p.stat()
        known = self.hashes.get(p)
        if known and known[0] == (st.st_mtime_ns, st.st_size):
            return known[1]
        h = file_hash(p)
        self.hashes[p] = ((st.st_mtime_ns, st.st_size), h)
        return h

    def changed(self):
        return [rel for rel, h in self.original.items()
                if not (self.build / rel).exists() or self.hash_of(self.build / rel) != h]

    def try_fault(self, m, tests):
        path = self.src / m["file"]
        text = path.read_text(encoding="utf-8")
        objs = self.objects.get(m["file"], [])
        if m["file"] not in self.original_objects:
            self.original_objects[m["file"]] = [file_hash(o, strip_debug=True) for o in objs]
        lines = text.split("\n")
        assert lines[m["line"]] == m["old"], "the copy differs from the checkout"
        lines[m["line"]] = m["new"]
        started = time.time()
        try:
            time.sleep(0.01)
            path.write_text("\n".join(lines), encoding="utf-8")
            rc, out = run(["ninja", "-C", str(self.build), "-j", str(self.args.ninja_jobs)])
        finally:
            # Written after the fault's build, so the next build compiles the unchanged file again.
            time.sleep(0.01)
            path.write_text(text, encoding="utf-8")
        result = {"failed": None}
        if rc != 0:
            result["outcome"] = "not-compiling"
        elif objs and self.original_objects[m["file"]] == [file_hash(o, strip_debug=True) for o in objs]:
            result["outcome"] = "equivalent"
            result["why"] = "same object code"
        else:
            changed = self.changed()
            if not changed:
                result["outcome"] = "equivalent"
                result["why"] = "no executable changes"
            else:
                tools_changed = any(c.startswith("tools/") for c in changed)
                to_run = [t for t in tests if t["exe"] in changed or (tools_changed and t["uses_tools"])]
                result["ran"] = len(to_run)
                for t in to_run:
                    limit = max(30.0, 5 * t["seconds"] + 20)
                    rc, out = run([self.here(a) for a in t["command"]], timeout=limit, cwd=self.here(t["cwd"]),
                                  env=dict(self.env, **{k: self.here(v) for k, v in t["env"].items()}))
                    if rc != 0:
                        result["failed"] = t["name"] + (" (timeout)" if rc == "timeout" else "")
                        break
                result["outcome"] = "caught" if result["failed"] else "survived"
                if not to_run:
                    result["why"] = "no test program contains it"
        result["seconds"] = round(time.time() - started)
        return result


def test_programs(worker):
    """The CTest tests grouped by program: one run of a GoogleTest program runs all of its tests."""
    rc, out = run(["ctest", "--show-only=json-v1"], cwd=worker.build)
    data = json.loads(out[out.index("{"):])
    programs = {}
    for t in data["tests"]:
        cmd = t.get("command") or []
        if not cmd:
            continue
        exe = Path(cmd[0])
        props = {p["name"]: p["value"] for p in t.get("properties", [])}
        env = dict(e.split("=", 1) for e in props.get("ENVIRONMENT", []))
        cwd = props.get("WORKING_DIRECTORY", str(exe.parent))
        gtest = any(a.startswith("--gtest_filter") for a in cmd)
        key = str(exe)
        if gtest:
            programs.setdefault(key, {"command": [str(exe), "--gtest_brief=1"], "env": env, "cwd": cwd})
        else:
            programs[key + " " + " ".join(cmd[1:])] = {"command": cmd, "env": env, "cwd": cwd}
    tests = []
    for key, p in sorted(programs.items()):
        exe = Path(p["command"][0])
        rel = str(exe.relative_to(worker.build))
        uses_tools = b"CORVINA_TOOLS_DIR" in exe.read_bytes()
        tests.append(dict(p, exe=rel, name=exe.name, uses_tools=uses_tools))
    return tests


def baseline(worker, tests, jobs, env):
    """Each test program's run time on the unchanged build; a program that fails there is left out."""
    def one(t):
        started = time.time()
        rc, out = run(t["command"], timeout=1800, env=dict(env, **t["env"]), cwd=t["cwd"])
        t["seconds"] = time.time() - started
        t["ok"] = rc == 0
        if rc != 0:
            t["output"] = out[-2000:]
    threads = []
    pending = list(tests)
    lock = threading.Lock()

    def loop():
        while True:
            with lock:
                if not pending:
                    return
                t = pending.pop()
            one(t)
    for _ in range(jobs):
        th = threading.Thread(target=loop)
        th.start()
        threads.append(th)
    for th in threads:
        th.join()


def fault_line(m, r=None):
    where = f"{m['file']}:{m['line'] + 1}"
    text = f"{where}: {m['kind']} ({m['what']}){' [looks]' if m['looks'] else ''}: {m['old'].strip()}  ->  " \
           f"{m['new'].strip() or '(nothing)'}"
    if r is None:
        return text
    extra = f"  [{r['failed']}]" if r.get("failed") else (f"  [{r['why']}]" if r.get("why") else "")
    return f"{r['outcome']:13} {text}{extra}  ({r['seconds']}s)"


def summary(results):
    """Lines of caught / behaviour-changing faults by folder, by group and in all."""
    def tally(items):
        t = {"caught": 0, "survived": 0, "equivalent": 0, "not-compiling": 0, "lc": 0, "ls": 0}
        for m, r in items:
            t[r["outcome"]] += 1
            if m["looks"] and r["outcome"] in ("caught", "survived"):
                t["lc" if r["outcome"] == "caught" else "ls"] += 1
        return t

    def fmt(name, t):
        beh = t["caught"] + t["survived"]
        pct = f"{100.0 * t['caught'] / beh:3.0f} %" if beh else "  - "
        nl_c, nl_b = t["caught"] - t["lc"], beh - t["lc"] - t["ls"]
        nl = f"{100.0 * nl_c / nl_b:3.0f} %" if nl_b else "  - "
        return (f"{name:22} {pct}  caught {t['caught']:3} of {beh:3}   without looks {nl} ({nl_c}/{nl_b})"
                f"   looks {t['lc']}/{t['lc'] + t['ls']}   equivalent {t['equivalent']}"
                f"   not-compiling {t['not-compiling']}")

    out = ["score = caught / faults that can change behaviour (caught + survived)", "", "by folder:"]
    folders = sorted(set(str(Path(m["file"]).parent) for m, _ in results))
    for f in folders:
        out.append(fmt(f, tally([(m, r) for m, r in results if str(Path(m["file"]).parent) == f])))
    out += ["", "by group:"]
    for g in GROUPS:
        items = [(m, r) for m, r in results if m["group"] == g]
        if items:
            out.append(fmt(g, tally(items)))
    out.append(fmt("all", tally(results)))
    return out


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("folders", nargs="*", help="folders or single .cpp files under the source root (default: every "
                                               "folder of the program), e.g. mainwindow/ui archive/Masks.cpp")
    ap.add_argument("--count", type=int, default=17, help="faults a folder group (default 17)")
    ap.add_argument("--seed", type=int, default=14)
    ap.add_argument("--build", help="where the workers' copies live (default build-mutate, build-mutate-sanitize "
                                    "with --sanitize)")
    ap.add_argument("--jobs", type=int, default=3, help="faults built and tested at once (default 3)")
    ap.add_argument("--ninja-jobs", type=int, default=1, help="ninja jobs of each worker (default 1)")
    ap.add_argument("--sanitize", action="store_true",
                    help="build with the sanitizers, as test.sh does (slower; an out-of-bounds read is caught)")
    ap.add_argument("--list", action="store_true", help="only list the drawn faults")
    ap.add_argument("--report", help="write the report (every outcome, the scores, the survivors) here")
    ap.add_argument("--list-survivors", metavar="REPORT", help="print the surviving faults of a report")
    ap.add_argument("--rescore", metavar="REPORT",
                    help="write REPORT again with this script's scoring (the code must be the one it measured)")
    ap.add_argument("--again", metavar="REPORT",
                    help="try only the faults a former run (same seed and count) left surviving in REPORT")
    args = ap.parse_args()

    if args.rescore:
        text = rescore(args.rescore)
        Path(args.rescore).write_text(text, encoding="utf-8")
        print(text, end="")
        return 0
    if args.list_survivors:
        text = Path(args.list_survivors).read_text(encoding="utf-8")
        for line in text.split("\n"):
            if line.startswith("survived "):
                print(line[len("survived "):].strip())
        return 0

    folders = args.folders or [f for f in PROGRAM_FOLDERS if (ROOT / f).is_dir()]
    mutants = draw(folders, args.count, args.seed)
    if args.again:
        text = Path(args.again).read_text(encoding="utf-8")
        survivors = set(re.findall(r"^survived +(\S+):(\d+):", text, re.M))
        mutants = [m for m in mutants if (m["file"], str(m["line"] + 1)) in survivors]
    if args.list:
        for m in mutants:
            print(f"{m['group']:10} {fault_line(m)}")
        return 0

    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    env.pop("CORVINA_HOME", None)
    env.setdefault("ASAN_OPTIONS", "detect_leaks=0:halt_on_error=1")
    env.setdefault("UBSAN_OPTIONS", "halt_on_error=1")
    env.setdefault("CCACHE_BASEDIR", str(ROOT.parent))
    env.setdefault("CCACHE_NOHASHDIR", "1")
    os.environ.update({k: env[k] for k in ("CCACHE_BASEDIR", "CCACHE_NOHASHDIR")})
    base = Path(args.build or ROOT / ("build-mutate-sanitize" if args.sanitize else "build-mutate")).resolve()
    workers = [Worker(base, n, args, env) for n in range(max(1, args.jobs))]
    print(f"{len(mutants)} faults; preparing {len(workers)} build folders under {base} ...", flush=True)
    # The first build folder is brought up to date with every job, the others share them.
    workers[0].prepare(max(args.jobs, args.ninja_jobs))
    tests = test_programs(workers[0])
    # The unchanged run times are kept beside the build, for as long as the test programs stay the same.
    cache = workers[0].build / "mutate-baseline.json"
    key = {t["exe"] + " " + " ".join(t["command"][1:]): workers[0].original.get(t["exe"]) for t in tests}
    known = json.loads(cache.read_text()) if cache.exists() else {}
    if known.get("key") == key:
        for t in tests:
            t.update(known["tests"][t["exe"] + " " + " ".join(t["command"][1:])])
    else:
        print(f"running the {len(tests)} test programs on the unchanged build ...", flush=True)
        baseline(workers[0], tests, len(workers), env)
        cache.write_text(json.dumps({"key": key, "tests": {
            t["exe"] + " " + " ".join(t["command"][1:]): {k: t[k] for k in ("seconds", "ok", "output") if k in t}
            for t in tests}}))
    broken = [t for t in tests if not t["ok"]]
    for t in broken:
        print(f"left out, fails unchanged: {t['name']}\n{t.get('output', '')}", flush=True)
    tests = [t for t in tests if t["ok"]]
    tests.sort(key=lambda t: t["seconds"])  # the quick ones first: a caught fault stops sooner
    share = max(1, max(args.jobs, args.ninja_jobs) // max(1, len(workers) - 1))
    threads = [threading.Thread(target=w.prepare, args=(share,)) for w in workers[1:]]
    for th in threads:
        th.start()
    for th in threads:
        th.join()

    report = open(args.report, "w", encoding="utf-8") if args.report else None

    def emit(line):
        print(line, flush=True)
        if report:
            print(line, file=report, flush=True)

    emit(f"seed {args.seed}, {args.count} faults a group, folders: {' '.join(folders)}, "
         f"{'sanitizer build' if args.sanitize else 'build without sanitizers'}, "
         f"{len(tests)} test programs" + (f" ({len(broken)} left out: fail unchanged: "
                                          f"{', '.join(t['name'] for t in broken)})" if broken else ""))
    # Faults of one file go to one worker, one after another, so its build relinks less.
    work = queue.Queue()
    for m in sorted(mutants, key=lambda m: (m["file"], m["line"])):
        work.put(m)
    results = []
    lock = threading.Lock()
    stop = threading.Event()

    def loop(w):
        while not stop.is_set():
            try:
                m = work.get_nowait()
            except queue.Empty:
                return
            r = w.try_fault(m, tests)
            with lock:
                results.append((m, r))
                emit(f"[{len(results)}/{len(mutants)}] {m['group']:10} {fault_line(m, r)}")

    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    threads = [threading.Thread(target=loop, args=(w,)) for w in workers]
    for th in threads:
        th.start()
    try:
        for th in threads:
            while th.is_alive():
                th.join(1)
    except KeyboardInterrupt:
        stop.set()
        for th in threads:
            th.join()
    order = {(m["file"], m["line"]): n for n, m in enumerate(mutants)}
    results.sort(key=lambda x: order[(x[0]["file"], x[0]["line"])])
    closing(emit, results)
    if report:
        report.close()
    return 0


def closing(emit, results):
    """The scores and the surviving faults."""
    emit("")
    for line in summary(results):
        emit(line)
    emit("")
    emit("surviving faults (file:line: kind (change): old line -> new line):")
    for m, r in sorted(results, key=lambda x: (x[0]["file"], x[0]["line"])):
        if r["outcome"] == "survived":
            emit("survived " + fault_line(m) + (f"  [{r['why']}]" if r.get("why") else ""))


OUTCOME = re.compile(r"^\[(\d+)/(\d+)\] +(\S+) +(\S+) +(\S+?):(\d+): .*?(?:  \[([^\]]+)\])?  \((\d+)s\)$")


def rescore(path):
    """A report written again from its outcomes, with the faults drawn again (same seed, count and folders, on
    the same code) and judged as looks-only by this script."""
    text = Path(path).read_text(encoding="utf-8").split("\n")
    head = re.match(r"seed (\d+), (\d+) faults a group, folders: ([^,]+),", text[0])
    if not head:
        sys.exit(f"{path}: not a report")
    mutants = draw(head.group(3).split(), int(head.group(2)), int(head.group(1)))
    by_place = {(m["file"], m["line"] + 1): m for m in mutants}
    out, results = [text[0]], []
    for line in text[1:]:
        o = OUTCOME.match(line)
        if not o:
            continue
        m = by_place.get((o.group(5), int(o.group(6))))
        if m is None:
            sys.exit(f"{path}: {o.group(5)}:{o.group(6)} is not drawn again; has the code changed?")
        r = {"outcome": o.group(4), "seconds": int(o.group(8)), "failed": None}
        if o.group(7):
            r["failed" if r["outcome"] == "caught" else "why"] = o.group(7)
        results.append((m, r))
        out.append(f"[{o.group(1)}/{o.group(2)}] {m['group']:10} {fault_line(m, r)}")
    closing(out.append, results)
    return "\n".join(out) + "\n"


if __name__ == "__main__":
    sys.exit(main())
