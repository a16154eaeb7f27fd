"""Benchmark runner: model building and solving in didazoda and its peers.

Every measurement runs in a fresh interpreter (`run.py --worker ...`) so that
peak memory belongs to one library and one model. Per case the optimum is
first checked across libraries (one full solve each, also reported as the
solve time); then the build is timed, the solve stopped by a zero time limit,
for several repetitions with the libraries taking turns.

    python bench/run.py                 # smallest size of each case
    python bench/run.py --full          # the larger sizes (lqcp 1000-2000, fac 50-100, basic 300-1000)
    python bench/run.py --reps 5 --libs didazoda pyoptinterface --cases lqcp
    python bench/run.py --profile       # also profile didazoda on the largest lqcp run
"""
import argparse
import importlib
import json
import os
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
RESULTS = os.path.join(HERE, "results")
# The C++ floors: the model fed to the library's C functions from ready-made
# arrays, one program per case that has one.
FLOORS = {case: os.path.join(ROOT, "build", "bench", case + "_floor") for case in ("lqcp", "array")}
sys.path.insert(0, HERE)

import models  # noqa: E402

LIBS = ["didazoda", "cpp", "pyoptinterface", "highspy", "linopy", "mip", "pyomo", "pulp"]
IMPORTS = {
    "didazoda": ["didazoda"],
    "pyoptinterface": ["pyoptinterface", "pyoptinterface.highs"],
    "highspy": ["highspy"],
    "linopy": ["linopy", "highspy"],
    "mip": ["mip"],
    "pyomo": ["pyomo.environ", "pyomo.contrib.solver.solvers.highs"],
    "pulp": ["pulp", "highspy"],
}
# The quick run takes the first size of each case; --full the paper's sizes
# (and both array sizes).
SIZES = {"lqcp": [500], "fac": [25], "basic": [100], "array": [10 ** 5]}
FULL_SIZES = {"lqcp": [1000, 2000], "fac": [50, 75, 100], "basic": [300, 1000],
              "array": [10 ** 5, 10 ** 6]}
PARITY = {"parity-lp": 300, "parity-mip": 120}
REL_TOL = 1e-5
# HiGHS's QP solver, behind every library here alike, stalls on lqcp from
# N = 20 and fails from N = 40: the optimum is checked on the same code at a
# size it solves. fac's full MIP solves take minutes per library from N = 75
# (over an hour for all of them); its optimum (0) is checked at N = 25.
CHECK_SIZE = {"lqcp": 10, "fac": 25, "array": 10 ** 4}


def _status_kb(field):
    with open("/proc/self/status") as f:
        for line in f:
            if line.startswith(field):
                return int(line.split()[1])
    raise RuntimeError("no {} in /proc/self/status".format(field))


def peak_kb():
    # Not getrusage: its maxrss survives exec, so a worker would inherit the
    # runner's peak.
    return _status_kb("VmHWM:")


def rss_kb():
    # The current resident size: a transient peak during the imports must
    # not hide the model's own memory.
    return _status_kb("VmRSS:")


# ---- parity: the same models through didazoda and through highspy directly --

def parity_data(case, n):
    import numpy as np
    rng = np.random.default_rng(7)
    if case == "parity-lp":
        # A transportation problem: n sources, n sinks.
        supply = rng.integers(50, 100, n).astype(float)
        demand = supply * rng.uniform(0.5, 0.9, n)
        demand *= supply.sum() * 0.8 / demand.sum()
        cost = rng.uniform(1, 20, (n, n)).round(2)
        return dict(supply=supply, demand=demand, cost=cost)
    # Capacitated facility location: n/4 sites, n customers.
    f = max(2, n // 4)
    demand = rng.integers(5, 35, n).astype(float)
    cap = rng.integers(60, 160, f).astype(float)
    cap *= demand.sum() * 2.5 / cap.sum()
    fixed = rng.integers(100, 300, f).astype(float)
    cost = rng.uniform(1, 30, (f, n)).round(2)
    return dict(demand=demand, cap=cap, fixed=fixed, cost=cost)


def parity_didazoda(case, d):
    from didazoda import TVX, Model, quicksum
    m = Model("parity")
    if case == "parity-lp":
        n = len(d["supply"])
        x = m.addVars(n, n)
        m.addConstrs(quicksum(x[i, j] for j in range(n)) <= d["supply"][i] for i in range(n))
        m.addConstrs(quicksum(x[i, j] for i in range(n)) >= d["demand"][j] for j in range(n))
        m.setObjective(quicksum(d["cost"][i, j] * x[i, j] for i in range(n) for j in range(n)),
                       TVX.MINIMIZE)
    else:
        f, n = d["cost"].shape
        o = m.addVars(f, vtype=TVX.BINARY)
        x = m.addVars(f, n, ub=1.0)
        m.addConstrs(x.sum("*", j) == 1 for j in range(n))
        m.addConstrs(quicksum(d["demand"][j] * x[i, j] for j in range(n)) <= d["cap"][i] * o[i]
                     for i in range(f))
        m.addConstrs(x[i, j] <= o[i] for i in range(f) for j in range(n))
        m.setObjective(quicksum(d["fixed"][i] * o[i] for i in range(f))
                       + quicksum(d["cost"][i, j] * d["demand"][j] * x[i, j]
                                  for i in range(f) for j in range(n)), TVX.MINIMIZE)
    t = time.perf_counter()
    m.optimize()
    return time.perf_counter() - t, m.ObjVal


def parity_highspy(case, d):
    import numpy as np
    import highspy
    h = highspy.Highs()
    h.silent()
    inf = highspy.kHighsInf
    starts, index, value, lo, up = [], [], [], [], []

    def row(idx, val, low, upp):
        starts.append(len(index))
        index.extend(idx)
        value.extend(val)
        lo.append(low)
        up.append(upp)

    if case == "parity-lp":
        n = len(d["supply"])
        nv = n * n
        cost = d["cost"].ravel()
        lb, ub = np.zeros(nv), np.full(nv, inf)
        for i in range(n):
            row(range(i * n, i * n + n), [1.0] * n, -inf, d["supply"][i])
        for j in range(n):
            row(range(j, nv, n), [1.0] * n, d["demand"][j], inf)
        integer = []
    else:
        f, n = d["cost"].shape
        nv = f + f * n
        cost = np.concatenate([d["fixed"], (d["cost"] * d["demand"]).ravel()])
        lb, ub = np.zeros(nv), np.ones(nv)

        def X(i, j):
            return f + i * n + j

        for j in range(n):
            row([X(i, j) for i in range(f)], [1.0] * f, 1.0, 1.0)
        for i in range(f):
            row([X(i, j) for j in range(n)] + [i], list(d["demand"]) + [-d["cap"][i]], -inf, 0.0)
        for i in range(f):
            for j in range(n):
                row([X(i, j), i], [1.0, -1.0], -inf, 0.0)
        integer = list(range(f))
    h.addVars(nv, lb, ub)
    h.changeColsCost(nv, np.arange(nv, dtype=np.int32), cost)
    if integer:
        h.changeColsIntegrality(len(integer), np.array(integer, dtype=np.int32),
                                np.array([highspy.HighsVarType.kInteger] * len(integer)))
    h.addRows(len(lo), np.array(lo), np.array(up), len(index), np.array(starts, dtype=np.int32),
              np.array(index, dtype=np.int32), np.array(value))
    t = time.perf_counter()
    h.run()
    return time.perf_counter() - t, h.getInfo().objective_function_value


# ---- worker: one library, one model, one process ---------------------------

def worker(lib, case, n, solve):
    for name in IMPORTS.get(lib, []):
        importlib.import_module(name)
    if case.startswith("parity"):
        d = parity_data(case, n)
        base = rss_kb()
        seconds, obj = (parity_didazoda if lib == "didazoda" else parity_highspy)(case, d)
    else:
        build = models.builder(lib, case)
        data = models.DATA[case](n) if case in models.DATA else None
        base = rss_kb()
        t = time.perf_counter()
        obj = build(n, solve) if data is None else build(n, solve, data)
        seconds = time.perf_counter() - t
    print(json.dumps({"seconds": seconds, "obj": obj, "mem_kb": peak_kb() - base}))


def _limit_memory(gib):
    def apply():
        import resource
        limit = int(gib * 2**30)
        resource.setrlimit(resource.RLIMIT_AS, (limit, limit))
    return apply if gib else None


def measure(lib, case, n, solve, limits):
    timeout, mem_gib = limits
    if lib == "cpp":
        cmd = [FLOORS[case], str(n), str(int(solve))]
    else:
        cmd = [sys.executable, os.path.abspath(__file__), "--worker", lib, case, str(n),
               str(int(solve))]
    try:
        p = subprocess.run(cmd, capture_output=True, text=True, timeout=timeout,
                           preexec_fn=_limit_memory(mem_gib))
    except subprocess.TimeoutExpired:
        return {"error": "timeout"}
    lines = [line for line in p.stdout.splitlines() if line.startswith("{")]
    if p.returncode != 0 or not lines:
        err = (p.stderr.strip().splitlines() or ["exit {}".format(p.returncode)])[-1]
        return {"error": err[:120]}
    return json.loads(lines[-1])


def available(lib):
    if lib == "cpp":
        return any(os.path.exists(f) for f in FLOORS.values())
    try:
        for name in IMPORTS[lib]:
            importlib.import_module(name)
        return True
    except Exception:
        return False


def libs_for(case, libs):
    out = []
    for lib in libs:
        if case.startswith("parity"):
            if lib in ("didazoda", "highspy"):
                out.append(lib)
        elif lib == "cpp":
            if os.path.exists(FLOORS.get(case, "")):
                out.append(lib)
        elif models.builder(lib, case) is not None:
            out.append(lib)
    return out


def fmt(x, spec):
    return "-" if x is None else format(x, spec)


def _out_of_limits(error):
    # A run that met the time or memory limit once would only meet it again.
    return error is not None and (error == "timeout" or "MemoryError" in error
                                  or "bad_alloc" in error)


def run_case(case, n, libs, reps, limits, log):
    nnz = models.NNZ[case](n) if case in models.NNZ else None
    rows = {lib: {"lib": lib, "case": case, "n": n, "nnz": nnz} for lib in libs}
    # The optimum, checked across libraries before anything is timed.
    cn = min(n, CHECK_SIZE.get(case, n))
    for lib in libs:
        r = measure(lib, case, cn, True, limits)
        rows[lib]["solve"] = r.get("seconds") if cn == n else None
        rows[lib]["obj"] = r.get("obj")
        rows[lib]["error"] = r.get("error")
        log("  check {:<15} N={} {}".format(lib, cn, r.get("error") or "obj {:.10g}  solve {:.3f}s".format(
            r["obj"], r["seconds"])))
    known = models.OPTIMUM.get(case)
    objs = [rows[lib]["obj"] for lib in libs if rows[lib]["obj"] is not None]
    ref = known(cn) if known else (rows["didazoda"]["obj"] if rows.get("didazoda", {}).get("obj")
                                  is not None else (statistics.median(objs) if objs else None))
    for lib in libs:
        o = rows[lib]["obj"]
        rows[lib]["check"] = ("-" if o is None or ref is None else
                              ("ok" if cn == n else "ok at N={}".format(cn)) if abs(o - ref) <= REL_TOL * max(1.0, abs(ref)) else
                              "DIFF {:.6g}".format(o))
    if case.startswith("parity"):
        # The solve itself is what is compared: time it, alternating.
        times = {lib: [] for lib in libs}
        for k in range(reps):
            for lib in (libs if k % 2 == 0 else libs[::-1]):
                r = measure(lib, case, n, True, limits)
                if "seconds" in r:
                    times[lib].append(r["seconds"])
        for lib in libs:
            rows[lib]["solve"] = statistics.median(times[lib]) if times[lib] else None
            rows[lib]["build"] = None
            rows[lib]["mem_kb"] = None
        return list(rows.values())
    times = {lib: [] for lib in libs}
    mems = {lib: [] for lib in libs}
    for k in range(reps):
        order = libs[k % len(libs):] + libs[:k % len(libs)]
        for lib in order:
            if _out_of_limits(rows[lib]["error"]):
                continue
            r = measure(lib, case, n, False, limits)
            if "seconds" in r:
                times[lib].append(r["seconds"])
                mems[lib].append(r["mem_kb"])
            else:
                rows[lib]["error"] = r["error"]
    for lib in libs:
        rows[lib]["build"] = statistics.median(times[lib]) if times[lib] else None
        rows[lib]["mem_kb"] = max(mems[lib]) if mems[lib] else None
        log("  build {:<15} {}".format(lib, fmt(rows[lib]["build"], ".3f")))
    return list(rows.values())


def table(results):
    head = ("| case | nnz | library | build s (median) | ns/nnz | vs didazoda | solve s "
            "| peak MB | bytes/nnz | optimum |")
    out = [head, "|" + "---|" * 10]
    for case_rows in results:
        base = {r["lib"]: r for r in case_rows}.get("didazoda", {})
        parity = case_rows[0]["case"].startswith("parity")
        key = "solve" if parity else "build"
        for r in case_rows:
            t = r.get(key)
            ratio = (t / base[key] if t is not None and base.get(key) else None)
            nnz = r["nnz"]
            note = r["check"] if not r.get("error") else "error: " + r["error"]
            out.append("| {}-{} | {} | {} | {} | {} | {} | {} | {} | {} | {} |".format(
                r["case"], r["n"], nnz or "-", r["lib"], fmt(r.get("build"), ".3f"),
                fmt(r["build"] * 1e9 / nnz if r.get("build") and nnz else None, ".0f"),
                fmt(ratio, ".2f"), fmt(r.get("solve"), ".3f"),
                fmt(r["mem_kb"] / 1024 if r.get("mem_kb") is not None else None, ".1f"),
                fmt(r["mem_kb"] * 1024 / nnz if r.get("mem_kb") is not None and nnz else None,
                    ".0f"),
                note))
    return "\n".join(out)


def plot(results, path):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    built = [rows for rows in results if not rows[0]["case"].startswith("parity")]
    if not built:
        return
    fig, axes = plt.subplots(1, 2, figsize=(14, 5))
    labels = ["{}-{}".format(rows[0]["case"], rows[0]["n"]) for rows in built]
    libs = [lib for lib in LIBS if any(r["lib"] == lib for rows in built for r in rows)]
    width = 0.8 / max(1, len(libs))
    for ax, key, title, scale in ((axes[0], "build", "build + hand-over time (s)", 1.0),
                                  (axes[1], "mem_kb", "peak memory per nonzero (bytes)", None)):
        for k, lib in enumerate(libs):
            xs, ys = [], []
            for c, rows in enumerate(built):
                r = {r["lib"]: r for r in rows}.get(lib)
                if r and r.get(key) is not None:
                    v = r[key] if scale else r[key] * 1024 / r["nnz"]
                    xs.append(c + (k - len(libs) / 2 + 0.5) * width)
                    ys.append(v)
            ax.bar(xs, ys, width, label=lib)
        ax.set_xticks(range(len(labels)))
        ax.set_xticklabels(labels)
        ax.set_yscale("log")
        ax.set_title(title)
    axes[0].legend(fontsize=8)
    fig.tight_layout()
    fig.savefig(path, dpi=110)


def profile(case, n):
    import cProfile
    import pstats
    import io
    prof = cProfile.Profile()
    prof.enable()
    models.builder("didazoda", case)(n, False)
    prof.disable()
    s = io.StringIO()
    pstats.Stats(prof, stream=s).sort_stats("tottime").print_stats(15)
    return s.getvalue()


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawTextHelpFormatter)
    ap.add_argument("--full", action="store_true", help="the larger sizes, not the quick ones")
    ap.add_argument("--reps", type=int, default=3)
    ap.add_argument("--libs", nargs="+", default=LIBS)
    ap.add_argument("--cases", nargs="+", default=["lqcp", "fac", "basic", "array", "parity-lp",
                                                    "parity-mip"])
    ap.add_argument("--sizes", nargs="+", type=int, help="sizes for every case given")
    ap.add_argument("--timeout", type=float, default=600.0, help="seconds per process")
    ap.add_argument("--mem-limit", type=float, default=12.0,
                    help="address space per process, GiB (0: none); a peer that needs more "
                         "gets an error row instead of taking the machine down")
    ap.add_argument("--profile", action="store_true")
    ap.add_argument("--worker", nargs=4, metavar=("LIB", "CASE", "N", "SOLVE"),
                    help=argparse.SUPPRESS)
    a = ap.parse_args()
    if a.worker:
        lib, case, n, solve = a.worker
        worker(lib, case, int(n), solve == "1")
        return

    def log(msg):
        print(msg, file=sys.stderr, flush=True)

    libs = []
    for lib in a.libs:
        if available(lib):
            libs.append(lib)
        else:
            log("skipped {}: not installed (or the C++ floor not built)".format(lib))
    results = []
    for case in a.cases:
        if case in PARITY:
            sizes = a.sizes or [PARITY[case]]
        else:
            sizes = a.sizes or (FULL_SIZES if a.full else SIZES)[case]
        for n in sizes:
            log("{}-{}".format(case, n))
            results.append(run_case(case, n, libs_for(case, libs), a.reps, (a.timeout, a.mem_limit),
                                    log))
    os.makedirs(RESULTS, exist_ok=True)
    text = table(results)
    missing = [lib for lib in a.libs if lib not in libs]
    note = ("\nBuild: model building and hand-over to the solver, the solve stopped by a zero "
            "time limit; median of {} runs, each in a fresh process, libraries taking turns. "
            "Solve: one full solve (parity rows: median of the timed solve alone). Peak MB: peak "
            "RSS over the run minus the RSS after the imports. Linear-only layers (mip, pulp) do "
            "not state lqcp; cpp is the C-function floor (lqcp, array). array: A @ x <= b from a scipy CSR "
            "matrix of nnz nonzeros, made before the timer starts.{}\n").format(
                a.reps, " Missing: {}.".format(", ".join(missing)) if missing else "")
    with open(os.path.join(RESULTS, "results.md"), "w") as f:
        f.write("# Benchmark results\n\n" + text + "\n" + note)
    print(text)
    print(note)
    try:
        plot(results, os.path.join(RESULTS, "results.png"))
        print("wrote {}".format(os.path.join(RESULTS, "results.png")))
    except Exception as e:  # the table stands without the picture
        log("plot failed: {}".format(e))
    if a.profile and "lqcp" in a.cases and "didazoda" in libs:
        n = max(a.sizes or (FULL_SIZES if a.full else SIZES)["lqcp"])
        text = profile("lqcp", n)
        with open(os.path.join(RESULTS, "profile.txt"), "w") as f:
            f.write(text)
        print(text)


if __name__ == "__main__":
    main()
