"""LP files we write, read by HiGHS's own LP reader (highspy) as the same model:
names, bounds, types, row sides, and the same optimum. Only forms that reader
knows are used: it has none for range rows, bracketed names, SOS or
indicators (see io/lp/writer.cpp)."""
import json
import os
import subprocess
import sys

import pytest

import didazoda
from didazoda import TVX, quicksum

INF = 1e20

# Runs in its own interpreter: highspy carries its own HiGHS, which stays
# out of the process that holds ours, and out of the sanitizers' reach.
READER = r"""
import json, math, sys
import highspy
out = {}
for path in sys.argv[1:]:
    h = highspy.Highs()
    h.setOptionValue("output_flag", False)
    if h.readModel(path) == highspy.HighsStatus.kError:
        out[path] = None
        continue
    lp = h.getLp()
    names = list(lp.col_names_) if lp.col_names_ else [""] * lp.num_col_
    kinds = [int(k) for k in lp.integrality_] or [0] * lp.num_col_
    h.run()
    out[path] = {
        "cols": [[names[j], lp.col_lower_[j], lp.col_upper_[j], kinds[j], lp.col_cost_[j]]
                 for j in range(lp.num_col_)],
        "rows": [[lp.row_names_[i] if lp.row_names_ else "", lp.row_lower_[i], lp.row_upper_[i]]
                 for i in range(lp.num_row_)],
        "offset": lp.offset_,
        "optimal": h.getModelStatus() == highspy.HighsModelStatus.kOptimal,
        "objective": h.getInfo().objective_function_value,
    }
print(json.dumps(out))
"""


def read_with_highspy(paths):
    env = {k: v for k, v in os.environ.items()
           if k not in ("LD_PRELOAD", "PYTHONMALLOC") and not k.endswith("SAN_OPTIONS")}
    done = subprocess.run([sys.executable, "-c", READER, *map(str, paths)], env=env,
                          capture_output=True, text=True, timeout=300)
    assert done.returncode == 0, done.stderr
    return json.loads(done.stdout.strip().splitlines()[-1])


# ---- Models (and their optima, worked out by hand) -------------------------

def bounds_of_each_kind():
    m = didazoda.Model("bounds")
    x = m.addVar(lb=0, ub=4, obj=-3, name="x")          # both bounds
    y = m.addVar(lb=-INF, ub=-0.5, obj=-1, name="y")    # upper only, below zero
    f = m.addVar(lb=-INF, ub=INF, obj=1, name="f")      # free
    w = m.addVar(lb=-2, ub=INF, obj=2, name="w")        # lower only, below zero
    k = m.addVar(lb=3, ub=3, obj=1, name="k")           # fixed
    u = m.addVar(obj=1, name="u")                       # the default [0, inf)
    m.setObjective(-3 * x - y + f + 2 * w + k + u + 4)
    m.addConstr(x + 2 * y + w <= 6, "cap")
    m.addConstr(f + y == 0.75, "tie")
    m.addConstr(x + w >= 1, "floor")
    m.addRange(5 * x + 5 * f, -INF, INF, "watch")       # a free row
    m.addConstr(x - f <= 2.5, "up")
    m.addLConstr(didazoda.LinExpr(), TVX.LESS_EQUAL, 1, "empty")
    return m, -6.75                                     # x 4, y -0.75, w -2, f 1.5


def mip_with_binaries():
    m = didazoda.Model("mip")
    x = m.addVar(lb=-5, ub=7, vtype="I", name="x")
    y = m.addVar(vtype="I", name="y")
    b = m.addVar(vtype="B", name="b")                   # [0, 1]
    c = m.addVar(ub=INF, vtype="B", name="c")           # binary stored with ub inf
    d = m.addVar(lb=1, ub=1, vtype="B", name="d")       # fixed binary
    z = m.addVar(ub=10, name="z")
    m.setObjective(2 * x + 3 * y - 4 * b + c + d + 0.5 * z + 7.5, TVX.MAXIMIZE)
    m.addConstr(2 * x + 3 * y + z <= 12.5, "r1")
    m.addConstr(y - 6 * b <= 1, "r2")
    m.addConstr(x + c + d <= 10, "obj")                 # the objective's usual label
    m.addConstr(x - y >= -3, "r3")
    return m, 21.75                                     # x 6, y 0, z 0.5, c d 1


def convex_qp():
    m = didazoda.Model("qp")
    x = m.addVar(lb=-INF, name="x")
    y = m.addVar(ub=3, name="y")
    m.addConstr(x + y <= 2, "r")
    m.setObjective(x * x - 0.5 * x * y + 1.5 * y * y - x - 2 * y)
    return m, -26 / 23                                  # x 16/23, y 18/23


def semi_continuous():
    m = didazoda.Model("semi")
    s = m.addVar(lb=2, ub=6, obj=1, vtype="S", name="s")
    x = m.addVar(ub=10, obj=1.5, name="x")
    n = m.addVar(lb=1, ub=5, obj=1, vtype="N", name="n")
    y = m.addVar(ub=1, obj=3, name="y")
    m.addConstr(s + x >= 1, "r")                        # s 0, x 1: 1.5 (s 2 costs 2)
    m.addConstr(n + y >= 1.5, "q")                      # n 2: 2 (n 1.5 is not integer)
    return m, 3.5


def names_and_long_rows():
    m = didazoda.Model("names")
    odd = ["a!#$%&", "b'()", "c,.;?@_", "d`{}~", "E1", "e"]
    xs = [m.addVar(ub=1, obj=-1, name=n) for n in odd]
    xs += [m.addVar(ub=1, obj=-1, name=f"variable_with_a_long_name_{j}") for j in range(40)]
    m.addConstr(quicksum(xs) <= 3.5)                    # unnamed, and wrapped
    m.addConstr(xs[0] + xs[1] <= 1, "r;?@_")
    m.addConstr(xs[2] - xs[3] >= -1)
    return m, -3.5


def no_rows():
    m = didazoda.Model("")
    x = m.addVar(lb=1, ub=2, name="x")
    m.setObjective(x + 7.5)
    return m, 8.5


MODELS = [bounds_of_each_kind, mip_with_binaries, convex_qp, semi_continuous,
          names_and_long_rows, no_rows]

VTYPE_KIND = {"C": 0, "B": 1, "I": 1, "S": 2, "N": 3}


@pytest.fixture(scope="module")
def written(tmp_path_factory):
    """Each model, our optimum, and what highspy read from our file."""
    folder = tmp_path_factory.mktemp("lp_readers")
    cases = {}
    for make in MODELS:
        m, optimum = make()
        path = folder / f"{make.__name__}.lp"
        m.write(str(path))
        cases[make.__name__] = (m, optimum, path)
    theirs = read_with_highspy(path for _, _, path in cases.values())
    return {name: (m, optimum, theirs[str(path)]) for name, (m, optimum, path) in cases.items()}


def side(v):
    return v if abs(v) < INF else float("inf") if v > 0 else float("-inf")


@pytest.mark.parametrize("name", [make.__name__ for make in MODELS])
def test_highspy_reads_the_same_model(written, name):
    m, optimum, theirs = written[name]
    assert theirs is not None, "highspy refused the file"
    ours_cols = []
    for v in m.getVars():
        lb, ub = side(v.LB), side(v.UB)
        if v.VType == b"B":
            lb, ub = max(lb, 0), min(ub, 1)
        ours_cols.append([v.VarName, lb, ub, VTYPE_KIND[v.VType.decode()], v.Obj])
    assert theirs["cols"] == ours_cols
    named = [[r[0], r[1], r[2]] for r in theirs["rows"]]
    ours_rows = [[c.ConstrName, side(c.LHS), side(c.RHS)] for c in m.getConstrs()]
    assert [t[1:] for t in named] == [o[1:] for o in ours_rows]
    assert [t[0] for t, o in zip(named, ours_rows) if o[0]] == [o[0] for o in ours_rows if o[0]]
    assert theirs["offset"] == m.ObjCon

    m.optimize()
    assert m.Status == TVX.Status.OPTIMAL
    assert m.ObjVal == pytest.approx(optimum, abs=1e-5)
    assert theirs["optimal"]
    assert theirs["objective"] == pytest.approx(optimum, abs=1e-5)
