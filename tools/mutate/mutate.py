#!/usr/bin/env python3
"""Plants small faults in the game's portable code, one at a time, and runs
the unit test program against each: killed (a test failed or hung), survived
(every test passed) or invalid (it does not build).

    nice -n 10 tools/mutate/mutate.py run [--count 200] [--seed 1]
    tools/mutate/mutate.py report
    nice -n 10 tools/mutate/mutate.py retry  # the survivors again, on HEAD as it is now
    tools/mutate/mutate.py list            # the sample, without running it

It works on a copy of the committed tree (git archive HEAD) in its own
folder, with its own build (Debug, no desktop back end, ccache, -j1), so the
work tree stays free to edit while a campaign runs. Every verdict is appended
to results.jsonl there as soon as it is known: a stopped campaign goes on
where it stopped, and `--fresh` starts over. `retry` copies the committed
tree again and plants each survivor once more (found by its line's text, the
line numbers may have moved), so the tests written since are judged against
the same faults; its verdicts go to retried.jsonl. Not part of CI.
"""

import argparse
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
FOLDERS = ["rules", "gamefiles", "presentation", "platform/machine"]

# Each operator: a name, a pattern, and what a match becomes. Binary operators
# are matched with the spaces clang-format puts round them, which keeps
# templates, shifts, arrows and includes out.
SWAPS = [
    ("eq-ne", r" == ", " != "),
    ("ne-eq", r" != ", " == "),
    ("lt-le", r" < ", " <= "),
    ("le-lt", r" <= ", " < "),
    ("gt-ge", r" > ", " >= "),
    ("ge-gt", r" >= ", " > "),
    ("plus-minus", r" \+ ", " - "),
    ("minus-plus", r" - ", " + "),
    ("times-div", r" \* ", " / "),
    ("and-or", r" && ", " || "),
    ("or-and", r" \|\| ", " && "),
    ("true-false", r"\btrue\b", "false"),
    ("false-true", r"\bfalse\b", "true"),
    ("inc-dec", r"\+= ", "-= "),
]
DECIMAL = re.compile(r"(?<![\w.])(\d+)(?![\w.'])")
HEX = re.compile(r"\b0x([0-9A-Fa-f]{6})\b")
CALL = re.compile(r"^\s*[\w:.\->\[\]()]*\w\([^;{}]*\);\s*$")
LOCK = re.compile(r"^\s*std::lock_guard\b.*;\s*$")


def code_part(line):
    """The line without its comment and string literals (blanked, same length)."""
    out, i, quote = [], 0, None
    while i < len(line):
        c = line[i]
        if quote:
            out.append(" ")
            if c == "\\":
                out.append(" ")
                i += 1
            elif c == quote:
                quote = None
        elif c in "\"'":
            quote = c
            out.append(" ")
        elif line.startswith("//", i):
            break
        else:
            out.append(c)
        i += 1
    return "".join(out)


def candidates(root):
    """Every fault the operators can plant, in a fixed order."""
    found = []
    for folder in FOLDERS:
        for name in sorted(os.listdir(os.path.join(root, folder))):
            if not name.endswith(".cpp"):
                continue
            path = f"{folder}/{name}"
            with open(os.path.join(root, path), encoding="latin-1") as f:
                lines = f.read().split("\n")
            for n, line in enumerate(lines, 1):
                code = code_part(line)
                stripped = code.strip()
                if not stripped or stripped.startswith(("#", "static_assert", "namespace")):
                    continue
                # Tables of data (the font) are pictures, not logic.
                if len(DECIMAL.findall(code)) + len(re.findall(r"0x", code)) > 4:
                    continue
                for op, pattern, repl in SWAPS:
                    for k, m in enumerate(re.finditer(pattern, code)):
                        new = line[: m.start()] + repl + line[m.end():]
                        found.append((path, n, f"{op}#{k}", line, new))
                for k, m in enumerate(HEX.finditer(code)):
                    value = int(m.group(1), 16) ^ 0x000040
                    new = line[: m.start()] + f"0x{value:06X}" + line[m.end():]
                    found.append((path, n, f"colour#{k}", line, new))
                for k, m in enumerate(DECIMAL.finditer(code)):
                    if HEX.match(code, max(0, m.start() - 2)):
                        continue
                    value = int(m.group(1))
                    new = line[: m.start()] + str(value + 1) + line[m.end():]
                    found.append((path, n, f"const#{k}", line, new))
                if LOCK.match(code):
                    found.append((path, n, "lock-out", line, "// " + line))
                elif CALL.match(code) and not stripped.startswith(("return", "throw")):
                    found.append((path, n, "call-out", line, ";"))
    return [
        {"id": f"{p}:{n}:{op}", "file": p, "line": n, "op": op, "before": b, "after": a}
        for p, n, op, b, a in found
    ]


def sample(root, count, seed, only=None):
    pool = [m for m in candidates(root) if only is None or m["op"].split("#")[0] == only]
    random.Random(seed).shuffle(pool)
    return pool[:count], len(pool)


def run(cmd, cwd, timeout, log):
    try:
        proc = subprocess.run(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              timeout=timeout)
        log.write(proc.stdout[-4000:])
        return proc.returncode
    except subprocess.TimeoutExpired as e:
        log.write((e.stdout or b"")[-4000:])
        return None


def prepare(work, fresh, again=False):
    src, build = os.path.join(work, "src"), os.path.join(work, "build")
    if fresh and os.path.isdir(work):
        shutil.rmtree(work)
    if again and os.path.isdir(src):
        shutil.rmtree(src)
    if not os.path.isdir(src):
        os.makedirs(src)
        archive = subprocess.run(["git", "archive", "HEAD"], cwd=ROOT, check=True,
                                 stdout=subprocess.PIPE).stdout
        subprocess.run(["tar", "-x", "-C", src], input=archive, check=True)
    if not os.path.isfile(os.path.join(build, "build.ninja")):
        subprocess.run(["cmake", "-S", src, "-B", build, "-G", "Ninja",
                        "-DCMAKE_BUILD_TYPE=Debug", "-DCMAKE_CXX_FLAGS_DEBUG=-O0",
                        "-DSCHLINGO_DESKTOP=OFF", "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"],
                       check=True)
        # The first build of everything may use both cores; each fault then
        # rebuilds one file and the link with one.
        subprocess.run(["cmake", "--build", build, "--target", "unit_tests", "-j2"], check=True)
    return src, build


def build_and_test(src, build, args, log):
    rc = run(["cmake", "--build", build, "--target", "unit_tests", "-j1"], src,
             args.build_timeout, log)
    if rc != 0:
        return "invalid"
    # Most of the tests' time is spent waiting for the clock, not computing:
    # shards side by side take little more of a core than one run.
    shards = []
    for index in range(args.shards):
        env = dict(os.environ, GTEST_TOTAL_SHARDS=str(args.shards), GTEST_SHARD_INDEX=str(index))
        shards.append(subprocess.Popen(
            [os.path.join(build, "tests", "unit_tests"), "--gtest_brief=1", "--gtest_fail_fast"],
            cwd=os.path.join(build, "tests"), env=env, stdout=subprocess.PIPE,
            stderr=subprocess.STDOUT))
    deadline = time.time() + args.test_timeout
    verdict = "survived"
    for shard in shards:
        try:
            out, _ = shard.communicate(timeout=max(1, deadline - time.time()))
            log.write(out[-4000:])
            if shard.returncode != 0:
                verdict = "killed"
        except subprocess.TimeoutExpired:
            shard.kill()
            shard.communicate()
            verdict = "killed"  # hung
    return verdict


def campaign(args):
    os.environ.setdefault("CCACHE_DIR", "/work/.ccache")
    src, build = prepare(args.work, args.fresh)
    results = os.path.join(args.work, "results.jsonl")
    done = {}
    if os.path.exists(results):
        with open(results) as f:
            done = {r["id"]: r for r in map(json.loads, f)}
    mutants, pool = sample(src, args.count, args.seed, args.only)
    print(f"{len(mutants)} of {pool} possible faults; {len(done)} already judged", flush=True)
    judge(src, build, args, mutants, done, results)
    report(args)


def retry(args):
    """The survivors of the campaign planted again in the tree as committed now."""
    os.environ.setdefault("CCACHE_DIR", "/work/.ccache")
    src, build = prepare(args.work, False, again=True)
    # Every file of the fresh copy is new to the build: both cores, once.
    subprocess.run(["cmake", "--build", build, "--target", "unit_tests", "-j2"], check=True)
    with open(os.path.join(args.work, "results.jsonl")) as f:
        survivors = [r for r in map(json.loads, f) if r["verdict"] == "survived"]
    results = os.path.join(args.work, "retried.jsonl")
    done = {}
    if os.path.exists(results):
        with open(results) as f:
            done = {r["id"]: r for r in map(json.loads, f)}
    judge(src, build, args, survivors, done, results)
    report(args)


def find_line(lines, m):
    """The line the fault was planted in, by its text, nearest to where it was."""
    at = [i + 1 for i, line in enumerate(lines) if line == m["before"]]
    return min(at, key=lambda n: abs(n - m["line"])) if at else None


def restore_planted(work, src):
    """Puts back a file whose fault a stopped run left planted."""
    marker = os.path.join(work, "planted.json")
    if os.path.exists(marker):
        with open(marker) as f:
            planted = json.load(f)
        with open(os.path.join(src, planted["file"]), "w", encoding="latin-1") as f:
            f.write(planted["original"])
        os.remove(marker)


def judge(src, build, args, mutants, done, results):
    marker = os.path.join(args.work, "planted.json")
    restore_planted(args.work, src)
    with open(os.path.join(args.work, "baseline.log"), "wb") as log:
        if build_and_test(src, build, args, log) != "survived":
            sys.exit("the unmutated tree does not pass its tests: see baseline.log")
    for i, m in enumerate(mutants, 1):
        if m["id"] in done:
            continue
        path = os.path.join(src, m["file"])
        with open(path, encoding="latin-1") as f:
            original = f.read()
        lines = original.split("\n")
        line = find_line(lines, m)
        if line is None:
            record = dict(m, verdict="gone", seconds=0)  # the line itself was rewritten
            with open(results, "a") as f:
                f.write(json.dumps(record) + "\n")
            continue
        lines[line - 1] = m["after"]
        started = time.time()
        with open(marker, "w") as f:
            json.dump({"file": m["file"], "original": original}, f)
        try:
            with open(path, "w", encoding="latin-1") as f:
                f.write("\n".join(lines))
            with open(os.path.join(args.work, "mutant.log"), "wb") as log:
                verdict = build_and_test(src, build, args, log)
        finally:
            restore_planted(args.work, src)
        record = dict(m, verdict=verdict, seconds=round(time.time() - started))
        with open(results, "a") as f:
            f.write(json.dumps(record) + "\n")
        print(f"[{i}/{len(mutants)}] {verdict:8} {m['id']}: {m['after'].strip()}", flush=True)


def report(args):
    with open(os.path.join(args.work, "results.jsonl")) as f:
        rows = list(map(json.loads, f))
    retried = {}
    if os.path.exists(os.path.join(args.work, "retried.jsonl")):
        with open(os.path.join(args.work, "retried.jsonl")) as f:
            retried = {r["id"]: r["verdict"] for r in map(json.loads, f)}
    for title, verdict_of in (("before", lambda r: r["verdict"]),
                              ("after", lambda r: retried.get(r["id"], r["verdict"]))):
        if title == "after" and not retried:
            break
        count = {v: sum(verdict_of(r) == v for r in rows)
                 for v in ("killed", "survived", "invalid", "gone")}
        judged = count["killed"] + count["survived"]
        share = 100.0 * count["killed"] / judged if judged else 0.0
        print(f"{title}: planted {len(rows)}: killed {count['killed']}, survived "
              f"{count['survived']}, invalid {count['invalid']} (does not build), gone "
              f"{count['gone']}; killed {share:.1f} % of those that build")
    for r in rows:
        if retried.get(r["id"], r["verdict"]) == "survived":
            print(f"  survived {r['id']}\n    - {r['before'].strip()}\n    + {r['after'].strip()}")


def main():
    # A stop by signal still puts the planted file back (the finally clauses).
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("stopped"))
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("command", choices=["run", "retry", "report", "list"])
    parser.add_argument("--count", type=int, default=200)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--work", default="/tmp/schlingo-mutate")
    parser.add_argument("--build-timeout", type=int, default=600)
    parser.add_argument("--test-timeout", type=int, default=180)
    parser.add_argument("--shards", type=int, default=3)
    parser.add_argument("--only", help="one kind of fault, e.g. lock-out")
    parser.add_argument("--fresh", action="store_true")
    args = parser.parse_args()
    if args.command == "list":
        mutants, pool = sample(ROOT, args.count, args.seed, args.only)
        for m in mutants:
            print(f"{m['id']}: {m['after'].strip()}")
        print(f"{len(mutants)} of {pool}")
    elif args.command == "report":
        report(args)
    elif args.command == "retry":
        retry(args)
    else:
        campaign(args)


if __name__ == "__main__":
    main()
