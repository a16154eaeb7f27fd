"""Small random MIPs for the differential test of the solve paths
(test_fuzz_cbc.py): their generator, the source that builds each one, the
solve of one model by one path (run in a fuzz worker's child), and the
enumeration that gives the true answer of the small ones.

A model is plain data (a dict), so that a failure prints as the source that
builds it again."""
import itertools
import json
import math
import random

import numpy as np

INF = float("inf")

# The paths each model is solved by. "default" is the dispatcher's choice
# (HiGHS for a MIP without sets or indicators); "cbc" forces the CBC engine
# without a callback through a set of one member, which holds always.
PATHS = ("default", "cbc", "noop", "offer")
# The paths of a model with hidden rows (hidden_rows): "default" and "noop"
# have them up front; "cut" has a callback cut each one a candidate violates
# at MIPSOL, and "cut-offer" also offers the candidate's discrete values
# back, for the search to complete within its cuts.
HIDDEN_PATHS = ("default", "noop", "cut", "cut-offer")
# More enumerated pieces than this and the model is not small.
MAX_PIECES = 400


def generate(seed):
    """The model of seed: every fourth one larger, past enumeration."""
    rnd = random.Random(seed)
    large = seed % 4 == 3
    n = rnd.randint(6, 10) if large else rnd.randint(2, 5)
    vars_ = []
    for _ in range(n):
        kind = rnd.choice("CCIIBBSN")
        if kind == "B":
            lb, ub = 0, 1
        elif kind in "SN":
            lb = rnd.choice([1, 2, -3, 0])
            ub = rnd.choice([3, 4, INF]) if lb >= 0 else rnd.choice([-1, 2])
        else:
            lb = rnd.choice([0, 0, -2, -INF])
            ub = rnd.choice([3, 4, 1, INF])
        vars_.append({"type": kind, "lb": lb, "ub": ub, "obj": rnd.randint(-3, 3)})
    # Most rows hold at a point within the bounds, so that most models are
    # feasible until their sets and indicators have a say.
    anchor = [_anchor(rnd, v) for v in vars_]
    rows = [_row(rnd, n, anchor) for _ in range(rnd.randint(1, 7 if large else 4))]
    sos = []
    for _ in range(rnd.choice([0, 0, 1, 1, 2] + ([3, 4] if large else []))):
        size = rnd.randint(2, min(6 if large else 4, n))
        members = rnd.sample(range(n), size)
        sos.append({"type": rnd.choice([1, 2]), "members": members,
                    "weights": sorted(rnd.sample(range(1, 10), size))})
    indicators = []
    binaries = [j for j, v in enumerate(vars_) if v["type"] == "B"]
    for _ in range(rnd.choice([0, 0, 1, 2] + ([3] if large else [])) if binaries else 0):
        indicators.append({"binvar": rnd.choice(binaries), "binval": rnd.choice([0, 1]),
                           "row": _row(rnd, n, anchor)})
    spec = {"seed": seed, "sense": rnd.choice(["min", "max"]), "vars": vars_, "rows": rows,
            "sos": sos, "indicators": indicators, "anchor": anchor}
    _data_families(seed, spec)
    _small_cost_ray(seed, spec)
    return spec


# ---- families of data that engines once mishandled --------------------------------------
# Each draws from a generator of its own, so the base model of a seed stays the same.

def _data_families(seed, spec):
    rnd = random.Random("data-%d" % seed)
    if rnd.random() < 0.3:
        _fractional_bounds(rnd, spec)
    if rnd.random() < 0.2:
        _far_semi_bounds(rnd, spec)
    if rnd.random() < 0.25:
        _scaled_data(rnd, spec)


def _fractional_bounds(rnd, spec):
    """Bounds of integer, binary and semi-integer variables off their
    integers: by a fraction, or by a hair either side (within the
    integrality tolerance or just beyond it); sometimes with no integer left
    in the range."""
    for v in spec["vars"]:
        if v["type"] not in "INB" or rnd.random() < 0.3:
            continue
        for side, inward in (("lb", 1), ("ub", -1)):
            if math.isinf(v[side]) or rnd.random() < 0.3:
                continue
            shift = rnd.choice([0.2, 0.5, 0.75, 1e-7, 1 - 1e-7, 2e-6])
            v[side] += inward * shift if rnd.random() < 0.8 else -inward * shift
        if rnd.random() < 0.1 and not math.isinf(v["lb"]):
            k = math.floor(v["lb"])
            v["lb"], v["ub"] = k + 0.2, k + 0.8


def _far_semi_bounds(rnd, spec):
    """Semi-continuous and semi-integer variables whose far bound lies from
    1e4 to 1e7, and rows that reach for it."""
    n = len(spec["vars"])
    for j, v in enumerate(spec["vars"]):
        if v["type"] not in "SN":
            continue
        far = rnd.choice([1e4, 1e5, 1e5 + 1, 1.5e5, 1e6, 1e7])
        below = v["ub"] < 0
        if below:
            v["lb"] = -far
        else:
            v["lb"], v["ub"] = max(v["lb"], 1), far
        if rnd.random() < 0.6:
            share = rnd.choice([0.5, 0.9, 0.999])
            spec["rows"].append([[j, 1], "<=", -share * far] if below
                                else [[j, 1], ">=", share * far])
        if rnd.random() < 0.5 and n > 1:
            k = rnd.choice([i for i in range(n) if i != j])
            spec["rows"].append([[j, 1], [k, 1], "<=" if not below else ">=",
                                 (1 - 2 * below) * rnd.randint(2, 9) * far / 10])


def _scaled_data(rnd, spec):
    """Rows and objective scaled by powers of ten from 1e-9 to 1e25 (the same
    model, its optimum scaled), or one coefficient that large: beyond an
    engine's limit, every path refuses the model alike."""
    def scale():
        return 10.0 ** rnd.randint(-9, 25)

    if rnd.random() < 0.5:
        s = scale()
        for v in spec["vars"]:
            v["obj"] *= s
    for row in spec["rows"]:
        if rnd.random() < 0.4:
            s = scale()
            *terms, sense, rhs = row
            row[:] = [[j, c * s] for j, c in terms] + [sense, rhs * s]
    if rnd.random() < 0.2 and spec["rows"]:
        row = rnd.choice(spec["rows"])
        row[0] = [row[0][0], rnd.choice([-1, 1]) * 10.0 ** rnd.randint(15, 25)]


def _small_cost_ray(seed, spec):
    """A variable unbounded on one side whose cost, from 1e-8 to 1e-4,
    improves the objective without end along it, in rows that hold all the
    way: the model is unbounded once the rest is feasible. Its own generator,
    so that the models of the other families stay as they were."""
    rnd = random.Random("ray-%d" % seed)
    if rnd.random() >= 0.2:
        return
    n = len(spec["vars"])
    way = rnd.choice([1, -1])
    cost = 10.0 ** rnd.uniform(-8, -4)
    gain = 1 if spec["sense"] == "max" else -1
    spec["vars"].append({"type": rnd.choice("CI"), "lb": 0 if way > 0 else -INF,
                         "ub": INF if way > 0 else 0, "obj": gain * way * cost})
    spec["ray"] = {"var": n, "cost": cost}
    spec["anchor"] = spec["anchor"] + [0]
    # The row of the model that stated the fault (-4e-6 x <= 6.6e-5), and
    # rows that tie the ray to a bounded variable.
    if rnd.random() < 0.7:
        a = rnd.choice([4e-6, 1e-3, 1, 1e3])
        spec["rows"].append([[n, -way * a], "<=", rnd.choice([0, 6.6e-5, 3])])
    for k in rnd.sample(range(n), min(n, rnd.randint(0, 2))):
        v = spec["vars"][k]
        if math.isinf(v["ub"]):
            continue
        a = rnd.choice([4e-6, 1e-3, 1, 1e3])
        spec["rows"].append([[n, way * a], [k, -1], ">=", -v["ub"]])


def tiny_ray(spec):
    """Whether the model's ray has a cost so small beside its others that an
    engine may take it for none (within its dual tolerance, 1e-7, with the
    costs scaled): OPTIMAL then agrees with UNBOUNDED."""
    ray = spec.get("ray")
    if ray is None:
        return False
    largest = max(abs(v["obj"]) for v in spec["vars"])
    return ray["cost"] < 1e-6 * max(1.0, largest)


# ---- hidden rows: rows a callback gives as cuts -----------------------------------------

def hidden_rows(seed, spec):
    """One to three rows over mixed supports (a continuous or semi-continuous
    variable in most), with fractional, large and small coefficients; most
    hold at the point the model's rows hold at, tight or with some room, a
    few at a random point within the bounds or just off it. For a callback
    to give as cuts. Drawn from a generator of their own."""
    rnd = random.Random("hidden-%d" % seed)
    n = len(spec["vars"])
    point = spec["anchor"] if rnd.random() < 0.7 else [_hidden_value(rnd, v)
                                                      for v in spec["vars"]]
    # The rows leave a small-cost ray's variable alone, so that the ray
    # stays one (the enumeration takes every feasible model of that family
    # for unbounded).
    ray = spec.get("ray", {}).get("var")
    free = [j for j in range(n) if j != ray]
    smooth = [j for j in free if spec["vars"][j]["type"] in "CS"]
    rows = []
    for _ in range(rnd.choice([1, 1, 2, 3])):
        cols = rnd.sample(free, rnd.randint(1, min(len(free), 4)))
        if smooth and rnd.random() < 0.8 and not set(cols) & set(smooth):
            cols.append(rnd.choice(smooth))
        scale = rnd.choice([1, 1, 1, 1e3, 1e-3])
        terms = [[j, scale * rnd.choice([-3, -2, -1.5, -1, 0.5, 1, 1, 2, 2.25, 3])] for j in cols]
        sense = rnd.choice(["<=", ">=", ">=", "=="])
        activity = sum(c * point[j] for j, c in terms)
        slack = 0 if sense == "==" else scale * rnd.choice([0, 0, 0.5, 1.25, 0.1, -0.75])
        rows.append(terms + [sense, activity + slack if sense == "<=" else activity - slack])
    return rows


def _hidden_value(rnd, v):
    lb = -3 if math.isinf(v["lb"]) else v["lb"]
    ub = lb + 4 if math.isinf(v["ub"]) else max(v["ub"], lb)
    if v["type"] in "CS":
        return rnd.choice([lb, ub, round(rnd.uniform(lb, ub), 3)])
    low, high = math.ceil(lb), math.floor(ub)
    return rnd.randint(low, high) if low <= high else lb


def is_mip(spec):
    """Whether the model has an integer, binary or semi-variable, an SOS or an
    indicator: an LP calls no callback."""
    return bool(spec["sos"] or spec["indicators"]
                or any(v["type"] != "C" for v in spec["vars"]))


def with_rows(spec, rows):
    """The model of spec with rows added up front."""
    return dict(spec, rows=spec["rows"] + rows)


def _anchor(rnd, v):
    lb = -3 if math.isinf(v["lb"]) else v["lb"]
    ub = lb + 3 if math.isinf(v["ub"]) else v["ub"]
    return rnd.randint(math.ceil(lb), math.floor(ub)) if lb <= ub else 0


def _row(rnd, n, anchor):
    terms = _linear(rnd, n)
    sense = rnd.choice(["<=", ">=", "=="])
    if rnd.random() < 0.15:
        return terms + [sense, rnd.randint(-4, 6)]
    activity = sum(c * anchor[j] for j, c in terms)
    slack = 0 if sense == "==" else rnd.randint(0, 3)
    return terms + [sense, activity + slack if sense == "<=" else activity - slack]


def _linear(rnd, n):
    cols = rnd.sample(range(n), rnd.randint(1, n))
    return [[j, rnd.choice([-3, -2, -1, 1, 1, 2, 3])] for j in cols]


def _num(v):
    return "INF" if v == INF else "-INF" if v == -INF else repr(v)


def _expr(terms):
    return " + ".join("%r * x[%d]" % (c, j) for j, c in terms)


def source(spec):
    """Source that builds the model as m, its variables as x (needs TVX, Model, INF)."""
    types = {"C": "CONTINUOUS", "I": "INTEGER", "B": "BINARY", "S": "SEMICONT", "N": "SEMIINT"}
    lines = ["m = Model()", "x = []"]
    for v in spec["vars"]:
        lines.append("x.append(m.addVar(lb=%s, ub=%s, obj=%r, vtype=TVX.%s))"
                     % (_num(v["lb"]), _num(v["ub"]), v["obj"], types[v["type"]]))
    lines.append("m.ModelSense = %s" % ("TVX.MINIMIZE" if spec["sense"] == "min"
                                         else "TVX.MAXIMIZE"))
    for *terms, sense, rhs in spec["rows"]:
        lines.append("m.addConstr(%s %s %r)" % (_expr(terms), sense, rhs))
    for s in spec["sos"]:
        lines.append("m.addSOS(TVX.SOS_TYPE%d, [%s], %r)"
                     % (s["type"], ", ".join("x[%d]" % j for j in s["members"]), s["weights"]))
    for ind in spec["indicators"]:
        *terms, sense, rhs = ind["row"]
        lines.append("m.addGenConstrIndicator(x[%d], %s, %s %s %r)"
                     % (ind["binvar"], bool(ind["binval"]), _expr(terms), sense, rhs))
    return "\n".join(lines)


def solve(spec, path, out, max_time=5.0, hidden=()):
    """Solves the model by path and writes what came out to the file out as
    JSON: status, objective and point, or the error. hidden: the rows the
    paths "cut" and "cut-offer" give as cuts (the others have them in spec)."""
    from didazoda import TVX, Model, TarvexError  # noqa: F401 -- the source uses them

    ns = {"TVX": TVX, "Model": Model, "INF": INF}
    exec(source(spec), ns)
    m, x = ns["m"], ns["x"]
    m.setParam("MaxTime", max_time)
    # Optima compared within 1e-6: no search may stop within the default gap.
    m.setParam("MIP/GapRel", 0)
    callback = None
    if path == "cbc" and not spec["sos"] and not spec["indicators"]:
        m.addSOS(TVX.SOS_TYPE1, [x[0]], [1])
    elif path == "noop":
        def callback(model, where):
            pass
    elif path == "offer":
        def callback(model, where):
            if where == TVX.Callback.MIPSOL:
                model.cbSetSolution(x, model.cbGetSolution(x))
    elif path in ("cut", "cut-offer"):
        callback = _cutting_callback(spec, hidden, x, path == "cut-offer")
    result = {}
    try:
        m.optimize(callback)
        result["status"] = int(m.Status)
        if m.Status == TVX.OPTIMAL:
            result["obj"] = float(m.ObjVal)
            result["x"] = [float(v.X) for v in x]
    except TarvexError as e:
        result["error"] = "%s: %s" % (e.errno, e)
    with open(out, "w") as f:
        json.dump(result, f)


def _cutting_callback(spec, rows, x, offer):
    from didazoda import TVX, quicksum

    discrete = [j for j, v in enumerate(spec["vars"]) if v["type"] in "IBN"]

    def callback(model, where):
        if where != TVX.Callback.MIPSOL:
            return
        values = model.cbGetSolution(x)
        for *terms, sense, rhs in rows:
            if _violation(terms, sense, rhs, values) > 1e-6:
                model.cbCut(quicksum(c * x[j] for j, c in terms), sense, rhs)
        if offer and discrete:
            model.cbSetSolution([x[j] for j in discrete], [values[j] for j in discrete])

    return callback


def _violation(terms, sense, rhs, values):
    """How far values are outside a row, in units of its largest coefficient."""
    gap = sum(c * values[j] for j, c in terms) - rhs
    size = max([1.0] + [abs(c) for _, c in terms])
    below, above = max(0.0, -gap), max(0.0, gap)
    return {"<=": above, ">=": below, "==": max(above, below)}[sense] / size


# ---- the true answer, by enumeration ---------------------------------------------------

OPTIMAL, INFEASIBLE, UNBOUNDED, INF_OR_UBD = 1, 2, 3, 4


# How far from an integer a bound may be and still count as that integer
# (MIP/IntegerTolerance).
INTEGRALITY = 1e-6


def _integers(v):
    """The integers within a variable's bounds, rounded as the solves take them."""
    return range(math.ceil(v["lb"] - INTEGRALITY), math.floor(v["ub"] + INTEGRALITY) + 1)


def _choices(v):
    """The values of a discrete variable, None for one that is continuous
    (after the semi-continuous choice: 'off' fixes it at 0, 'on' keeps the range)."""
    lb, ub, kind = v["lb"], v["ub"], v["type"]
    if kind == "B":
        return [b for b in _integers(v) if b in (0, 1)]
    if kind == "I":
        return list(_integers(v))
    if kind == "N":
        return sorted(set(_integers(v)) | {0})
    if kind == "S":
        return ["off", "on"] if lb > 0 or ub < 0 else None
    return None


def _count(v):
    """len(_choices(v)) or 1, without listing a range of millions."""
    if v["type"] in "IN":
        values = _integers(v)
        return max(len(values) + (v["type"] == "N" and 0 not in values), 1)
    return len(_choices(v) or [None])


def _windows(s):
    k = len(s["members"])
    order = [j for _, j in sorted(zip(s["weights"], s["members"]))]
    width = s["type"]
    return [set(order[i:i + width]) for i in range(max(1, k - width + 1))]


def pieces(spec):
    """How many pieces the enumeration solves; None when an integer is unbounded."""
    count = 1
    for v in spec["vars"]:
        if v["type"] in "IN" and (math.isinf(v["lb"]) or math.isinf(v["ub"])):
            return None
        count *= _count(v)
    for s in spec["sos"]:
        count *= len(_windows(s))
    return count


def enumerate_answer(spec):
    """(status, objective) by enumeration, or None when the model is not small."""
    count = pieces(spec)
    if count is None or count > MAX_PIECES:
        return None
    n = len(spec["vars"])
    sign = 1 if spec["sense"] == "min" else -1
    cost = np.array([sign * v["obj"] for v in spec["vars"]], dtype=float)
    discrete = [(j, _choices(v)) for j, v in enumerate(spec["vars"]) if _choices(v) is not None]
    best, unbounded = INF, False
    windows = [_windows(s) for s in spec["sos"]]
    for values in itertools.product(*[c for _, c in discrete]):
        lower = [v["lb"] for v in spec["vars"]]
        upper = [v["ub"] for v in spec["vars"]]
        for (j, _), value in zip(discrete, values):
            if value == "off":
                lower[j] = upper[j] = 0
            elif value != "on":
                lower[j] = upper[j] = value
        for chosen in itertools.product(*windows):
            lo, up = list(lower), list(upper)
            ok = True
            for s, window in zip(spec["sos"], chosen):
                for j in s["members"]:
                    if j not in window:
                        if lo[j] > 0 or up[j] < 0:
                            ok = False
                        lo[j] = up[j] = 0
            if not ok:
                continue
            rows = list(spec["rows"])
            for ind in spec["indicators"]:
                if lo[ind["binvar"]] == ind["binval"]:
                    rows.append(ind["row"])
            status, value = _lp(cost, lo, up, rows, n)
            if status == UNBOUNDED:
                unbounded = True
            elif status == OPTIMAL:
                best = min(best, value)
    if best == INF and not unbounded:
        return INFEASIBLE, None
    # linprog may take a ray of tiny cost for none; every feasible piece has it.
    if unbounded or "ray" in spec:
        return UNBOUNDED, None
    return OPTIMAL, sign * best


def _lp(cost, lower, upper, rows, n):
    # Imported here: the children that solve never need it.
    from scipy.optimize import linprog

    a_ub, b_ub, a_eq, b_eq = [], [], [], []
    for *terms, sense, rhs in rows:
        a = np.zeros(n)
        for j, c in terms:
            a[j] += c
        # Rows and objective of scaled data are solved at scale 1 here.
        size = np.abs(a).max()
        if size > 0:
            a, rhs = a / size, rhs / size
        if sense == "<=":
            a_ub.append(a)
            b_ub.append(rhs)
        elif sense == ">=":
            a_ub.append(-a)
            b_ub.append(-rhs)
        else:
            a_eq.append(a)
            b_eq.append(rhs)
    bounds = [(None if math.isinf(lo) else lo, None if math.isinf(up) else up)
              for lo, up in zip(lower, upper)]

    def run(c):
        return linprog(c, A_ub=np.array(a_ub) if a_ub else None, b_ub=b_ub or None,
                       A_eq=np.array(a_eq) if a_eq else None, b_eq=b_eq or None,
                       bounds=bounds, method="highs")

    scale = np.abs(cost).max() or 1.0
    res = run(cost / scale)
    if res.status == 0:
        return OPTIMAL, res.fun * scale
    if res.status == 3:  # unbounded, once a feasible point is seen
        return (UNBOUNDED, None) if run(np.zeros(n)).status == 0 else (INFEASIBLE, None)
    if res.status == 2:
        return INFEASIBLE, None
    raise AssertionError("linprog failed: %s" % res.message)
