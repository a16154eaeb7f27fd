"""Solver callbacks: where and when the callback runs, what it reads, the
cuts, branchings and solutions it gives, how it stops a solve, the
in-callback methods' argument errors, the model kept as the solve took it;
and Ctrl-C during a solve."""
import math
import random
import threading
from types import SimpleNamespace

import numpy as np
import pytest

from didazoda import TVX, Column, Model, MVar, PsdExpr, TarvexError, quicksum, read
from support import interrupt_child

CB = TVX.Callback
IN_CALLBACK = "method can only be called in callback function"


def knapsack(n=24, seed=5):
    """max value.x s.t. weight.x <= half the weights, x binary."""
    rnd = random.Random(seed)
    weights = [rnd.randrange(20, 80) for _ in range(n)]
    values = [w + rnd.randrange(25) for w in weights]
    cap = sum(weights) // 2
    m = Model()
    x = [m.addVar(vtype=TVX.BINARY, name="x%d" % j) for j in range(n)]
    m.addConstr(quicksum(w * v for w, v in zip(weights, x)) <= cap)
    m.setObjective(quicksum(c * v for c, v in zip(values, x)), TVX.MAXIMIZE)
    return m, x, values, weights, cap


def knapsack_optimum(values, weights, cap):
    best = [0] * (cap + 1)
    for v, w in zip(values, weights):
        for c in range(cap, w - 1, -1):
            best[c] = max(best[c], best[c - w] + v)
    return best[cap]


def run_once(where, action):
    """A callback that runs action(model) at the first call at where and
    keeps its result (or the exception it raised)."""
    state = {}

    def callback(model, w):
        if w != where or "done" in state:
            return
        state["done"] = True
        try:
            state["result"] = action(model)
        except Exception as e:  # noqa: BLE001 -- kept for the test to inspect
            state["error"] = e

    return callback, state


# ---- outside a callback ------------------------------------------------------------


@pytest.fixture
def small():
    m = Model()
    x = m.addVar(vtype=TVX.BINARY, name="x")
    y = m.addVar(vtype=TVX.BINARY, name="y")
    m.addConstr(x + y <= 1)
    m.setObjective(x + 2 * y, TVX.MAXIMIZE)
    return m, x, y


@pytest.mark.parametrize("call", [
    lambda m, x: m.terminate(),
    lambda m, x: m.cbGet(CB.MIP_SOLCNT),
    lambda m, x: m.cbGet(999),  # the context is tested before the code
    lambda m, x: m.cbGet(CB.MIP_SOL, [0]),
    lambda m, x: m.cbGetSolution(x),
    lambda m, x: m.cbGetSolution([x]),
    lambda m, x: m.cbGetNodeRel(0),
    lambda m, x: m.cbSetSolution(x, 1.0),
    lambda m, x: m.cbSetSolution([], []),
    lambda m, x: m.cbUseSolution(),
    lambda m, x: m.cbCut(x, "<=", 1),
    lambda m, x: m.cbCut("a", "<=", 1),  # before the type tests
    lambda m, x: m.cbCut([1.0], [0], "<=", 1),
    lambda m, x: m._cbCutP([1.0], [0], "<=", 1),
    lambda m, x: m.cbBranch(x, 0.5, 1),
    lambda m, x: m.cbBranch(0, 0.5, -1),
])
def test_outside_a_callback_every_method_refuses(small, call):
    m, x, _ = small
    with pytest.raises(RuntimeError, match=IN_CALLBACK):
        call(m, x)
    m.optimize()  # and nothing was changed
    assert m.ObjVal == 2


@pytest.mark.parametrize("call, exc", [
    (lambda m, x: m.cbBranch(x, "a", 1), TypeError),
    (lambda m, x: m.cbBranch(x, 0.5, "a"), TypeError),
    (lambda m, x: m.cbBranch(x, 0.5, 2 ** 31), OverflowError),
    (lambda m, x: m.cbBranch(x, 0.5), TypeError),
    (lambda m, x: m.cbGet(), TypeError),
    (lambda m, x: m._cbCutP([1.0], [0], "<="), TypeError),
])
def test_outside_a_callback_conversions_come_first(small, call, exc):
    m, x, _ = small
    with pytest.raises(exc):
        call(m, x)


def test_empty_lists_need_no_callback(small):
    m, _, _ = small
    assert m.cbGetSolution([]) == [] and m.cbGetNodeRel([]) == []
    assert m.terminate.__doc__.split("PURPOSE:")[1].split("\n")[1].strip().startswith(
        "Send a stop request to solver in a MIP callback function.")


# ---- inside a callback -----------------------------------------------------------------


def errno(e):
    return e.errno if isinstance(e, TarvexError) else None


WHAT = TVX.Error.CB_INVALID_WHAT
SUBMISSION = TVX.Error.CB_INVALID_SUBMISSION

# (name, call on (model, x, y, removed, foreign, q), exception, errno or None)
INSIDE_ERRORS = [
    ("array code without index", lambda m, *v: m.cbGet(CB.MIP_SOL), TarvexError, WHAT),
    ("no such code", lambda m, *v: m.cbGet(999), TarvexError, WHAT),
    ("no code 315", lambda m, *v: m.cbGet(315), TarvexError, WHAT),
    ("unhashable code", lambda m, *v: m.cbGet([1]), TypeError, None),
    ("numpy integer index", lambda m, *v: m.cbGet(CB.MIP_SOL, np.int64(0)), TarvexError, WHAT),
    ("numpy index array", lambda m, *v: m.cbGet(CB.MIP_SOL, np.array([0, 1])), TarvexError,
     WHAT),
    ("index for a model-wide code", lambda m, *v: m.cbGet(CB.MIP_SOLCNT, 0), TypeError, None),
    ("position past the end", lambda m, *v: m.cbGet(CB.MIP_SOL, 99), TarvexError, WHAT),
    ("negative position", lambda m, *v: m.cbGet(303, [0, -1]), TarvexError, WHAT),
    ("removed variable's value", lambda m, x, y, r, f, q: m.cbGetSolution(r), TarvexError,
     WHAT),
    ("another model's variable", lambda m, x, y, r, f, q: m.cbGetNodeRel([f]), TarvexError,
     None),
    ("int after a Var", lambda m, x, y, r, f, q: m.cbGetSolution([x, 0]), AttributeError,
     None),
    ("Var after an int", lambda m, x, y, r, f, q: m.cbGetSolution([0, x]), TarvexError, WHAT),
    ("quadratic left side", lambda m, x, y, r, f, q: m.cbCut(q, "<=", 1), TypeError, None),
    ("text right side", lambda m, x, y, r, f, q: m.cbCut(x, "<=", "a"), TypeError, None),
    ("empty sense", lambda m, x, y, r, f, q: m.cbCut(x, "", 1), IndexError, None),
    ("sense beyond ASCII", lambda m, x, y, r, f, q: m.cbCut(x, "\u00e9", 1), OverflowError,
     None),
    ("sense not a str", lambda m, x, y, r, f, q: m.cbCut(x, 5, 1), TypeError, None),
    ("unknown sense", lambda m, x, y, r, f, q: m.cbCut(x, "!", 1), TarvexError, SUBMISSION),
    ("removed variable in a cut", lambda m, x, y, r, f, q: m.cbCut(r + x, "<=", 1), TarvexError,
     SUBMISSION),
    ("another model's variable in a cut", lambda m, x, y, r, f, q: m.cbCut(f, "<=", 1),
     TarvexError, None),
    ("fewer coefficients than positions", lambda m, *v: m._cbCutP([1.0], [0, 1], "<", 1),
     ValueError, None),
    ("negative position in a cut", lambda m, *v: m.cbCut([1.0], [-1], "<"), TarvexError,
     SUBMISSION),
    ("position past the end in a cut", lambda m, *v: m.cbCut([1.0], [99], "<"), TarvexError,
     SUBMISSION),
    ("text right side of an array cut", lambda m, *v: m._cbCutP([1.0], [0], "<", "a"),
     TypeError, None),
    ("numpy integer to branch on", lambda m, *v: m.cbBranch(np.int64(0), 0.5, 1),
     AttributeError, None),
    ("removed variable to branch on", lambda m, x, y, r, f, q: m.cbBranch(r, 0.5, 1),
     TarvexError, SUBMISSION),
    ("negative column to branch on", lambda m, *v: m.cbBranch(-1, 0.5, 1), TarvexError,
     SUBMISSION),
    ("another model's variable to branch on", lambda m, x, y, r, f, q: m.cbBranch(f, 0.5, 1),
     TarvexError, None),
    ("numpy integer in a solution", lambda m, *v: m.cbSetSolution(np.int64(0), 1.0),
     AttributeError, None),
    ("one value for a list", lambda m, x, y, r, f, q: m.cbSetSolution([x, y], 1.0), TypeError,
     None),
    ("fewer values than variables", lambda m, x, y, r, f, q: m.cbSetSolution([x, y], [1.0]),
     IndexError, None),
    ("removed variable in a solution", lambda m, x, y, r, f, q: m.cbSetSolution(r, 1.0),
     TarvexError, SUBMISSION),
    ("position past the buffer", lambda m, *v: m.cbSetSolution(10 ** 6, 1.0), IndexError,
     None),
    ("value that is no number", lambda m, x, y, r, f, q: m.cbSetSolution(x, "a"), ValueError,
     None),
]


@pytest.fixture
def with_removed():
    """x, y binaries, z removed before the solve; f of another model."""
    m = Model()
    x = m.addVar(vtype=TVX.BINARY, name="x")
    z = m.addVar(vtype=TVX.BINARY, name="z")
    y = m.addVar(vtype=TVX.BINARY, name="y")
    m.addConstr(x + y <= 1.5)
    m.setObjective(3 * x + 2 * y, TVX.MAXIMIZE)
    m.remove(z)
    other = Model()
    f = other.addVar(name="f")
    f2 = other.addVar(name="f2")  # noqa: F841 -- makes f's index valid here too
    return m, x, y, z, f, other


def test_argument_errors_inside_a_callback(with_removed):
    m, x, y, removed, foreign, _ = with_removed
    assert removed.index < 0
    q = x * y
    outcomes = {}

    def callback(model, where):
        if where != CB.MIPNODE or outcomes:
            return
        for name, call, _, _ in INSIDE_ERRORS:
            try:
                call(model, x, y, removed, foreign, q)
                outcomes[name] = None
            except Exception as e:  # noqa: BLE001 -- each is checked below
                outcomes[name] = e

    m.optimize(callback)
    assert outcomes, "no MIPNODE call"
    for name, _, exc, code in INSIDE_ERRORS:
        got = outcomes[name]
        assert isinstance(got, exc), (name, got)
        if code is not None:
            assert errno(got) == code, name
    # The refusals changed nothing of the search.
    assert m.ObjVal == pytest.approx(3)


def test_texts_of_the_argument_errors(with_removed):
    m, x, *_ = with_removed
    texts = {}

    def callback(model, where):
        for key, call in [("lhs", lambda: model.cbCut(x * x, "<=", 1)),
                          ("rhs", lambda: model.cbCut(x, "<=", [1])),
                          ("coeffs", lambda: model._cbCutP([], [0], "<", 0))]:
            try:
                call()
            except (TypeError, ValueError) as e:
                texts[key] = str(e)

    m.optimize(callback)
    assert texts == {"lhs": "`lhs` shoud be one of [number, Var, LinExpr] type",
                     "rhs": "`rhs` shoud be one of [number, Var, LinExpr] type",
                     "coeffs": "coeffs doesn't have enough elements"}


def test_node_data_only_at_mipnode():
    m, x, *_ = knapsack(12)
    seen = {}

    def callback(model, where):
        try:
            model.cbGet(CB.MIP_REL, 0)
            seen.setdefault(where, "ok")
        except TarvexError as e:
            seen.setdefault(where, e.errno)

    m.optimize(callback)
    assert seen == {CB.MIPSTART: TVX.Error.CB_INVALID_WHERE, CB.MIPNODE: "ok",
                    CB.MIPSOL: TVX.Error.CB_INVALID_WHERE}


def test_no_incumbent_reads_undefined():
    m, x, *_ = knapsack(8)
    callback, state = run_once(CB.MIPSTART, lambda model: (
        model.cbGet(CB.MIP_SOL, 0), model.cbGetSolution(x[:2]), model.cbGet(CB.MIP_SOLCNT)))
    m.optimize(callback)
    assert state["result"] == (TVX.UNDEFINED, [TVX.UNDEFINED] * 2, 0)


def test_values_by_var_and_by_position_agree():
    m, x, *_ = knapsack(10)
    pairs = []

    def callback(model, where):
        if where == CB.MIPSOL:
            by_var = model.cbGetSolution(x)
            by_position = model.cbGetSolution(list(range(10)))
            assert model.cbGetSolution(x[3]) == by_var[3] == model.cbGet(CB.MIP_SOL, 3)
            assert model.cbGet(CB.MIP_SOL, (0, 2)) == [by_var[0], by_var[2]]
            assert model.cbGet(CB.MIP_SOL, True) == by_var[1]
            assert model.cbGet(CB.MIP_SOL, []) == []
            pairs.append((by_var, by_position))
        if where == CB.MIPNODE:
            assert model.cbGetNodeRel(x) == model.cbGetNodeRel(list(range(10)))
            assert isinstance(model.cbGet(212), float)
            assert isinstance(model.cbGet(CB.MIP_SOLCNT), int)

    m.optimize(callback)
    assert pairs and all(a == b for a, b in pairs)


# ---- where and when ---------------------------------------------------------------------


def test_knapsack_with_a_recording_callback():
    m, x, values, weights, cap = knapsack(30, seed=11)
    want = knapsack_optimum(values, weights, cap)
    log = []

    def record(model, where):
        entry = {"where": where, "solcnt": model.cbGet(CB.MIP_SOLCNT),
                 "best": model.cbGet(CB.MIP_OBJBST), "bound": model.cbGet(CB.MIP_OBJBND)}
        if where == CB.MIPNODE:
            entry["relval"] = model.cbGet(CB.MIP_RELVAL)
            entry["depth"] = model.cbGet(CB.MIP_DEPTH)
        if where == CB.MIPSOL:
            sol = model.cbGetSolution(x)
            assert sum(w * v for w, v in zip(weights, sol)) <= cap + 1e-6
            assert sum(c * v for c, v in zip(values, sol)) == pytest.approx(entry["best"])
        log.append(entry)

    m.optimize(record)
    assert m.Status == TVX.OPTIMAL and m.ObjVal == pytest.approx(want)
    assert log[0]["where"] == CB.MIPSTART and log[0]["solcnt"] == 0
    assert [e["where"] for e in log].count(CB.MIPSTART) == 1
    nodes = [e for e in log if e["where"] == CB.MIPNODE]
    sols = [e["best"] for e in log if e["where"] == CB.MIPSOL]
    assert nodes and sols
    assert all(b > a for a, b in zip(sols, sols[1:]))  # improving (a maximisation)
    assert sols[-1] == pytest.approx(want)
    for e in nodes:
        assert e["bound"] >= want - 1e-6  # the search's bound holds the optimum
        assert e["relval"] >= e["best"] - 1e-6  # a node not pruned can still improve
    counts = [e["solcnt"] for e in log]
    assert counts == sorted(counts)
    # The same model without the callback.
    m.reset()
    m.optimize()
    assert m.ObjVal == pytest.approx(want)


def test_lp_with_a_callback_calls_nothing():
    m = Model()
    x = m.addVar(ub=4)
    m.setObjective(x + 0, TVX.MAXIMIZE)
    calls = []
    m.optimize(lambda model, where: calls.append(where))
    assert calls == [] and m.ObjVal == 4


# ---- a travelling salesman by subtour cuts ------------------------------------------------


def cities(n=12, seed=3):
    rnd = random.Random(seed)
    pts = [(rnd.random(), rnd.random()) for _ in range(n)]
    return [[math.dist(p, q) for q in pts] for p in pts]


def held_karp(d):
    """The shortest tour by dynamic programming over subsets: (length, edges)."""
    n = len(d)
    best = {(1 << j, j): (d[0][j], 0) for j in range(1, n)}
    for size in range(2, n):
        layer = {}
        for (mask, j), (cost, _) in best.items():
            if bin(mask).count("1") != size - 1:
                continue
            for k in range(1, n):
                if mask >> k & 1:
                    continue
                key = (mask | 1 << k, k)
                if key not in layer or cost + d[j][k] < layer[key][0]:
                    layer[key] = (cost + d[j][k], j)
        best.update(layer)
    full = (1 << n) - 2
    length, last = min((best[(full, j)][0] + d[j][0], j) for j in range(1, n))
    edges, mask, j = {frozenset((last, 0))}, full, last
    while j != 0:
        prev = best[(mask, j)][1]
        edges.add(frozenset((prev, j)))
        mask, j = mask & ~(1 << j), prev
    return length, edges


def components(n, edges):
    parent = list(range(n))

    def find(a):
        while parent[a] != a:
            parent[a] = parent[parent[a]]
            a = parent[a]
        return a

    for i, j in edges:
        parent[find(i)] = find(j)
    groups = {}
    for i in range(n):
        groups.setdefault(find(i), []).append(i)
    return list(groups.values())


def mtz_optimum(d):
    n = len(d)
    m = Model()
    arc = {(i, j): m.addVar(vtype=TVX.BINARY) for i in range(n) for j in range(n) if i != j}
    u = [m.addVar(lb=1, ub=n - 1) for _ in range(n)]
    for i in range(n):
        m.addConstr(quicksum(arc[i, j] for j in range(n) if j != i) == 1)
        m.addConstr(quicksum(arc[j, i] for j in range(n) if j != i) == 1)
    for (i, j), a in arc.items():
        if i and j:
            m.addConstr(u[i] - u[j] + (n - 1) * a <= n - 2)
    m.setObjective(quicksum(d[i][j] * a for (i, j), a in arc.items()))
    m.optimize()
    return m.ObjVal


def test_tsp_by_subtour_cuts_reaches_the_optimum():
    d = cities(12)
    n = len(d)
    m = Model()
    x = {(i, j): m.addVar(vtype=TVX.BINARY, name="x%d_%d" % (i, j))
         for i in range(n) for j in range(i + 1, n)}
    for i in range(n):
        m.addConstr(quicksum(v for e, v in x.items() if i in e) == 2)
    m.setObjective(quicksum(d[i][j] * v for (i, j), v in x.items()))
    keys = list(x)
    cuts = {CB.MIPSOL: 0, CB.MIPNODE: 0}

    def subtours(model, where):
        if where == CB.MIPSOL:
            values, cut_at = model.cbGetSolution([x[e] for e in keys]), 0.5
        elif where == CB.MIPNODE:
            values, cut_at = model.cbGetNodeRel([x[e] for e in keys]), 1e-6
        else:
            return
        support = [e for e, v in zip(keys, values) if v > cut_at]
        groups = components(n, support)
        if len(groups) == 1:
            return
        for group in groups:
            inside = [x[i, j] for i in group for j in group if i < j]
            assert model.cbCut(quicksum(inside), "<=", len(group) - 1) == 0
            cuts[where] += 1

    m.optimize(subtours)
    assert m.Status == TVX.OPTIMAL
    tour = {frozenset(e) for e in keys if x[e].X > 0.5}
    assert len(components(n, [tuple(e) for e in tour])) == 1
    length, edges = held_karp(d)
    assert m.ObjVal == pytest.approx(length, abs=1e-6)
    assert tour == edges
    assert m.ObjVal == pytest.approx(mtz_optimum(d), abs=1e-6)
    assert cuts[CB.MIPSOL] > 0 or cuts[CB.MIPNODE] > 0


def test_tsp_with_cuts_at_mipsol_only():
    d = cities(13, seed=8)
    n = len(d)
    m = Model()
    x = {(i, j): m.addVar(vtype=TVX.BINARY) for i in range(n) for j in range(i + 1, n)}
    for i in range(n):
        m.addConstr(quicksum(v for e, v in x.items() if i in e) == 2)
    m.setObjective(quicksum(d[i][j] * v for (i, j), v in x.items()))
    keys = list(x)
    rejected = []

    def lazy(model, where):
        if where != CB.MIPSOL:
            return
        values = model.cbGetSolution([x[e] for e in keys])
        groups = components(n, [e for e, v in zip(keys, values) if v > 0.5])
        if len(groups) > 1:
            rejected.append(model.cbGet(CB.MIP_OBJBST))
            for group in groups:
                model.cbCut(quicksum(x[i, j] for i in group for j in group if i < j), "<=",
                            len(group) - 1)

    m.optimize(lazy)
    assert rejected
    assert len(components(n, [e for e in keys if x[e].X > 0.5])) == 1
    assert m.ObjVal == pytest.approx(held_karp(d)[0], abs=1e-6)


def test_array_form_of_cbcut_on_an_array_model():
    # max value.x over six binaries with 2 x0 + ... <= 7; x0 + x1 <= 1 and
    # x2 + x3 <= 1 known only to the callback, given as arrays of positions.
    values = np.array([9.0, 8.0, 7.0, 6.0, 2.0, 1.0])
    m = Model()
    x = m.addMVar(6, vtype=TVX.BINARY)
    m.addConstr(np.array([[2.0, 2.0, 2.0, 2.0, 1.0, 1.0]]) @ x <= 7)
    m.setObjective((values @ x).item() + 0, TVX.MAXIMIZE)
    positions = np.array([v.index for v in x.tolist()], dtype=np.int64)
    results = []

    def lazy(model, where):
        if where != CB.MIPSOL:
            return
        sol = np.array(model.cbGetSolution(x.tolist()))
        for pair in (positions[0:2], positions[2:4]):
            if sol[pair].sum() > 1.5:
                results.append(model.cbCut(np.ones(2), pair.reshape(1, 2), "<=", 1))

    m.optimize(lazy)
    best = max(sum(values[j] for j in range(6) if k >> j & 1) for k in range(64)
               if bin(k & 3).count("1") <= 1 and bin(k & 12).count("1") <= 1
               and sum((2 if j < 4 else 1) for j in range(6) if k >> j & 1) <= 7)
    assert results and set(results) == {0}
    assert m.ObjVal == pytest.approx(best)
    got = x.X
    assert got[0] + got[1] <= 1 + 1e-6 and got[2] + got[3] <= 1 + 1e-6


# ---- solutions, branching, stopping -------------------------------------------------------


def test_solution_given_at_mipnode_becomes_the_incumbent():
    m, x, values, weights, cap = knapsack(26, seed=2)
    m.optimize()
    best = [v.X for v in x]
    want = m.ObjVal
    m.reset()
    events = []
    results = {}

    def give(model, where):
        events.append((where, model.cbGet(CB.MIP_OBJBST), model.cbGet(CB.MIP_SOLCNT)))
        if where != CB.MIPNODE or results:
            return
        model.cbSetSolution(x, [1.0] * len(x))  # breaks the capacity
        results["infeasible"] = model.cbUseSolution()
        results["nothing"] = model.cbUseSolution()
        model.cbSetSolution(x[0], 1.0)
        model.cbSetSolution(0, 1.0)
        results["mixed"] = model.cbUseSolution()
        model.cbSetSolution(x, best)
        results["best"] = model.cbUseSolution()

    m.optimize(give)
    assert results["infeasible"][0] == 1
    assert results["nothing"] == (1000, None) == results["mixed"]
    status, objective = results["best"]
    at = len(events)
    if status == 0:  # nothing better known yet: MIPSOL follows with it
        assert objective == pytest.approx(want)
        first = next(k for k, e in enumerate(events) if e[0] == CB.MIPSOL and
                     e[1] == pytest.approx(want))
        node = max(k for k, e in enumerate(events[:first]) if e[0] == CB.MIPNODE)
        assert events[first][2] >= events[node][2]
        at = first
    else:
        assert status == 2
    assert at < len(events)
    assert m.ObjVal == pytest.approx(want)


def test_stored_solution_is_submitted_by_the_bridge():
    m, x, values, weights, cap = knapsack(20, seed=4)
    m.optimize()
    best = [v.X for v in x]
    m.reset()
    seen = []

    def give(model, where):
        seen.append((where, model.cbGet(CB.MIP_OBJBST)))
        if where == CB.MIPSTART:
            model.cbSetSolution(list(range(len(x))), best)  # by presolved column

    m.optimize(give)
    # MIPSOL with the gift comes right after MIPSTART.
    assert seen[0][0] == CB.MIPSTART and seen[1] == (CB.MIPSOL, pytest.approx(m.ObjVal))


def test_partial_solution_is_completed():
    m = Model()
    x = [m.addVar(vtype=TVX.BINARY) for _ in range(3)]
    m.addConstr(quicksum(x) <= 2)
    m.setObjective(x[0] + 2 * x[1] + 3 * x[2], TVX.MAXIMIZE)
    got = {}

    def give(model, where):
        if where == CB.MIPSTART:
            model.cbSetSolution(x[2], 1.0)
            got["partial"] = model.cbUseSolution()

    m.optimize(give)
    assert got["partial"] == (0, pytest.approx(5))
    assert m.ObjVal == pytest.approx(5)


def test_buffer_holds_the_presolved_columns():
    # An indicator adds columns to the presolved problem: positions past
    # NumVars are in the buffer, past PRE_NUMVARS they are not.
    m = Model()
    b = m.addVar(vtype=TVX.BINARY)
    y = m.addVar(ub=10)
    m.addConstr(y >= 2)
    m.addGenConstrIndicator(b, True, y <= 1)
    m.setObjective(y - 5 * b)
    got = {}

    def probe(model, where):
        if where != CB.MIPSTART:
            return
        columns = model.cbGet(CB.PRE_NUMVARS)
        got["columns"] = columns
        model.cbSetSolution(columns - 1, 0.0)
        try:
            model.cbSetSolution(columns, 0.0)
        except IndexError:
            got["past"] = True

    m.optimize(probe)
    assert got["columns"] > m.NumVars and got["past"]
    assert m.ObjVal == pytest.approx(2)


def test_branch_request_is_the_next_split():
    m, x, *_ = knapsack(22, seed=9)
    m.setParam("MIP/GapRel", 0)
    m.setParam("MIP/GapAbs", 0)
    asked = {}
    children = []

    def branch(model, where):
        if where != CB.MIPNODE:
            return
        depth = model.cbGet(CB.MIP_DEPTH)
        if not asked and depth == 0:
            lb, ub = model.cbGet(313, list(range(22))), model.cbGet(314, list(range(22)))
            j = next(k for k in range(22) if lb[k] < ub[k])
            asked["j"] = j
            asked["outside"] = model.cbBranch(x[j], 5.5, 1)  # no such split in [0, 1]
            asked["result"] = model.cbBranch(x[j], 0.5, -1)
        elif asked.get("result") == 0 and depth == 1:
            j = asked["j"]
            children.append((model.cbGet(313, j), model.cbGet(314, j)))

    m.optimize(branch)
    assert asked["outside"] == 1 and asked["result"] == 0
    assert children and all(lo == hi for lo, hi in children)


def test_branch_on_a_continuous_variable_is_not_taken():
    m = Model()
    n = m.addVar(ub=4, vtype=TVX.INTEGER)
    c = m.addVar(ub=4)
    m.addConstr(n + c >= 2.5)
    m.setObjective(n + c)
    callback, state = run_once(CB.MIPNODE, lambda model: model.cbBranch(c, 1.5, 1))
    m.optimize(callback)
    assert state["result"] == 2 and m.ObjVal == pytest.approx(2.5)


def test_terminate_stops_a_long_search_with_the_incumbent():
    m, x, values, weights, cap = knapsack(60, seed=21)

    def stop(model, where):
        if where == CB.MIPNODE and model.cbGet(CB.MIP_SOLCNT) > 0:
            model.terminate()
            model.terminate()  # twice changes nothing more

    with pytest.raises(TarvexError) as info:
        m.optimize(stop)
    assert info.value.errno == TVX.Error.ABORT_CTRL_C
    assert m.Status == TVX.SUB_OPTIMAL
    assert m.ObjVal <= knapsack_optimum(values, weights, cap) + 1e-6
    assert sum(w * v.X for w, v in zip(weights, x)) <= cap + 1e-6


def test_terminate_is_cleared_at_every_call():
    m, *_ = knapsack(12)
    calls = []

    def once(model, where):
        calls.append(where)
        if len(calls) == 1:
            model.terminate()

    with pytest.raises(TarvexError):
        m.optimize(once)
    assert calls == [CB.MIPSTART]  # stopped at once: nothing more is called
    m.reset()
    m.optimize(lambda model, where: None)
    assert m.Status == TVX.OPTIMAL


class Mine(Exception):
    pass


def test_an_exception_comes_out_unchanged_and_the_context_goes():
    m, *_ = knapsack(14)
    raised = Mine("from the callback")
    kept = []

    def fail(model, where):
        kept.append(model)
        if where == CB.MIPNODE:
            raise raised

    with pytest.raises(Mine) as info:
        m.optimize(fail)
    assert info.value is raised
    assert "PyCallback" in "".join(
        str(t.name) for t in __import__("traceback").extract_tb(info.value.__traceback__))
    with pytest.raises(RuntimeError, match=IN_CALLBACK):
        kept[-1].cbGet(CB.MIP_SOLCNT)
    # callbackLock is free again: another model's callback runs.
    other, *_ = knapsack(8)
    calls = []
    other.optimize(lambda model, where: calls.append(where))
    assert calls and other.Status == TVX.OPTIMAL


def test_a_solve_inside_a_callback_is_refused():
    m, *_ = knapsack(10)
    other, *_ = knapsack(6)
    errors = []

    def nested(model, where):
        for call in (model.optimize, lambda: other.optimize(lambda mm, w: None),
                     other.computeIIS, lambda: other.optimize()):
            try:
                call()
            except RuntimeError as e:
                errors.append(str(e))

    m.optimize(nested)
    assert len(errors) >= 4 and set(errors) == {
        "a solve cannot be started inside a callback function"}
    assert m.Status == TVX.OPTIMAL
    other.optimize()  # and outside it solves


def test_callbacks_of_models_in_threads_run_one_at_a_time():
    inside = []
    overlap = []
    lock = threading.Lock()

    def watch(model, where):
        with lock:
            if inside:
                overlap.append(where)
            inside.append(1)
        sum(range(2000))
        with lock:
            inside.pop()

    results = {}

    def run(k):
        m, x, values, weights, cap = knapsack(16, seed=k)
        m.optimize(watch)
        results[k] = (m.ObjVal, knapsack_optimum(values, weights, cap))

    threads = [threading.Thread(target=run, args=(k,)) for k in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert not overlap
    assert all(a == pytest.approx(b) for a, b in results.values()) and len(results) == 4


# ---- the model stays as the solve took it ------------------------------------------------

REFUSED = ("a model cannot be changed while a callback of its solve runs; inside the callback "
           "use cbCut, cbBranch, cbSetSolution or terminate instead")


@pytest.fixture
def every_kind(tmp_path):
    """A knapsack with an element of each kind a MIP holds: an SOS1 and an
    indicator over a binary b that can stay 0 (the optimum is the knapsack's),
    and a redundant array row over the MVar of x; a MIP start file."""
    m, x, values, weights, cap = knapsack(10, seed=3)
    b = m.addVar(vtype=TVX.BINARY, name="b")
    sos = m.addSOS(TVX.SOS_TYPE1, [b, x[0]])
    gen = m.addGenConstrIndicator(b, True, x[1] <= 0, name="g")
    xm = MVar.fromlist(x)
    mc = m.addMConstr(np.ones((1, 10)), xm, "<", [10], name="all")
    start = tmp_path / "start.mst"
    b.Start = 1
    m.write(str(start))
    m.reset(1)
    return SimpleNamespace(m=m, x=x, b=b, c=m.getConstrs()[0], sos=sos, gen=gen, xm=xm, mc=mc,
                           start=str(start), optimum=knapsack_optimum(values, weights, cap))


def fingerprint(m):
    """Everything of the problem and its names, as the library reads it back."""
    vs, cs, gs = m.getVars(), m.getConstrs(), m.getGenConstrs()
    return (m.NumVars, m.NumConstrs, m.NumSOS, m.NumGenConstrs, m.NumPsdVars, m.ModelSense,
            m.ObjCon, m.ModelName, str(m.getObjective()), m.getA().toarray().tolist(),
            [m.getAttr(a, vs) for a in ("LB", "UB", "Obj", "VType", "VarName", "Start")],
            [m.getAttr(a, cs) for a in ("LHS", "RHS", "ConstrName")],
            m.getAttr("GenConstrName", gs), [e.index for e in vs + cs + m.getSOSs() + gs])


# Every way to change a model, as (name, call on (model, handles)). Each is a
# valid call: outside a callback it goes through.
EDITS = [
    ("addVar", lambda m, h: m.addVar()),
    ("addVar with a column", lambda m, h: m.addVar(column=Column([1.0], [h.c]))),
    ("addVars", lambda m, h: m.addVars(3)),
    ("addMVar", lambda m, h: m.addMVar((2,))),
    ("addConstr", lambda m, h: m.addConstr(h.x[0] + h.x[1] <= 1)),
    ("addConstr of an array", lambda m, h: m.addConstr(h.xm <= 1)),
    ("addConstr of an indicator", lambda m, h: m.addConstr((h.b == 1) >> (h.x[2] <= 0))),
    ("addConstr of a semidefinite row", lambda m, h: m.addConstr(PsdExpr(h.x[0]) <= 1)),
    ("addConstrs", lambda m, h: m.addConstrs(v <= 1 for v in h.x[:2])),
    ("addConstrs of no row", lambda m, h: m.addConstrs(v <= 1 for v in [])),
    ("addLConstr", lambda m, h: m.addLConstr(h.x[0] + h.x[1], TVX.LESS_EQUAL, 1)),
    ("addRange", lambda m, h: m.addRange(h.x[0] + h.x[1], 0, 1)),
    ("addMConstr", lambda m, h: m.addMConstr(np.ones((1, 10)), h.xm, "<", [5])),
    ("addSOS", lambda m, h: m.addSOS(TVX.SOS_TYPE1, [h.x[0], h.x[1]])),
    ("addGenConstrIndicator", lambda m, h: m.addGenConstrIndicator(h.b, True, h.x[2] <= 0)),
    ("addPsdVar", lambda m, h: m.addPsdVar(dim=2)),
    ("remove a variable", lambda m, h: m.remove(h.x[0])),
    ("remove a row", lambda m, h: m.remove(h.c)),
    ("remove an SOS", lambda m, h: m.remove(h.sos)),
    ("remove an indicator", lambda m, h: m.remove(h.gen)),
    ("remove an MConstr", lambda m, h: m.remove(h.mc)),
    ("remove nothing", lambda m, h: m.remove([])),
    ("chgCoeff", lambda m, h: m.chgCoeff(h.c, h.x[0], 1000)),
    ("setObjective", lambda m, h: m.setObjective(h.x[0] + 0)),
    ("setObjective quadratic", lambda m, h: m.setObjective(h.x[0] * h.x[1], TVX.MINIMIZE)),
    ("setAttr of the model", lambda m, h: m.setAttr("ModelSense", TVX.MINIMIZE)),
    ("model attribute", lambda m, h: setattr(m, "ObjCon", 5)),
    ("model name", lambda m, h: setattr(m, "ModelName", "other")),
    ("setAttr of variables", lambda m, h: m.setAttr("UB", h.x[:2], [0, 0])),
    ("setAttr of a row", lambda m, h: m.setAttr("RHS", h.c, 0)),
    ("variable attribute", lambda m, h: setattr(h.x[0], "UB", 0)),
    ("Var.setAttr", lambda m, h: h.x[0].setAttr("LB", 1)),
    ("variable name", lambda m, h: setattr(h.x[0], "VarName", "y")),
    ("variable start", lambda m, h: setattr(h.x[0], "Start", 1)),
    ("row attribute", lambda m, h: setattr(h.c, "RHS", 0)),
    ("Constr.setAttr", lambda m, h: h.c.setAttr("ConstrName", "r")),
    ("general constraint name", lambda m, h: setattr(h.gen, "GenConstrName", "other")),
    ("PsdConstr name of a row", lambda m, h: setattr(m.getPsdConstrs()[0], "PsdCName", "r")),
    ("MVar attribute", lambda m, h: setattr(h.xm, "UB", 0)),
    ("MVar.setAttr", lambda m, h: h.xm.setAttr("Obj", 0)),
    ("MConstr attribute", lambda m, h: setattr(h.mc, "RHS", 0)),
    ("reset", lambda m, h: m.reset()),
    ("reset all", lambda m, h: m.reset(1)),
    ("read a MIP start", lambda m, h: m.read(h.start)),
    ("cleanupMilp", lambda m, h: m.cleanupMilp()),
    ("dispose", lambda m, h: m.dispose()),
    ("__init__ again", lambda m, h: m.__init__()),
]


@pytest.mark.parametrize("edit", [e[1] for e in EDITS], ids=[e[0] for e in EDITS])
def test_a_change_inside_the_callback_is_refused_and_the_solve_kept(every_kind, edit):
    h = every_kind
    before = fingerprint(h.m)
    outcome = []

    def callback(model, where):
        if not outcome:
            try:
                outcome.append(edit(model, h))
            except Exception as e:  # noqa: BLE001 -- checked below
                outcome.append(e)

    h.m.optimize(callback)
    assert isinstance(outcome[0], RuntimeError) and str(outcome[0]) == REFUSED
    assert h.m.Status == TVX.OPTIMAL and h.m.ObjVal == pytest.approx(h.optimum)
    assert fingerprint(h.m) == before
    edit(h.m, h)  # afterwards the same call goes through


def test_reads_files_copies_and_other_models_stay_open_inside_a_callback(every_kind, tmp_path):
    h = every_kind
    other = Model()
    seen = {}

    def reads(model):
        return (model.NumVars, h.x[0].UB, model.getCoeff(h.c, h.x[0]), str(model.getRow(h.c)),
                h.xm.getAttr("Obj").tolist(), model.getVarByName("b").index)

    def callback(model, where):
        if seen:
            return
        seen["read"] = reads(model)
        model.write(str(tmp_path / "m.lp"))
        copy = model.copy()
        copy.addVar(name="extra")
        seen["copy"] = copy
        other.setObjective(other.addVar(ub=2) + 0, TVX.MAXIMIZE)
        # Parameters are the settings of the next solve: this one took its own.
        model.setParam("MaxTime", 1000)
        model.message("inside the callback")

    h.m.optimize(callback)
    assert h.m.Status == TVX.OPTIMAL and h.m.ObjVal == pytest.approx(h.optimum)
    assert seen["read"] == reads(h.m)
    assert read(str(tmp_path / "m.lp")).NumVars == 11
    seen["copy"].optimize()
    assert seen["copy"].NumVars == 12 and seen["copy"].ObjVal == pytest.approx(h.optimum)
    other.optimize()
    assert other.ObjVal == 2
    assert h.m.Params.MaxTime == 1000


def hard_split(rows=4, cols=30, seed=7):
    """A market-split feasibility problem: a MIP search or an IIS search on it
    runs for minutes unless stopped."""
    rnd = random.Random(seed)
    m = Model()
    x = [m.addVar(vtype=TVX.BINARY) for _ in range(cols)]
    for _ in range(rows):
        a = [rnd.randrange(100) for _ in range(cols)]
        m.addConstr(quicksum(c * v for c, v in zip(a, x)) == sum(a) // 2)
    m.setParam("MaxTime", 120)  # a safety net only: the test stops the search itself
    return m


@pytest.mark.parametrize("solve, code", [("optimize", TVX.Error.NO_SOLN),
                                         ("computeIIS", TVX.Error.IIS_NO_SOLN)])
def test_a_change_from_another_thread_during_the_solve_is_not_taken_for_a_result(solve, code):
    a = hard_split()
    started, changed = threading.Event(), threading.Event()
    late = []

    def watch(model, where):
        started.set()
        if changed.is_set() and not late:
            # The new variable lies past what the search knows.
            extra = model.getVars()[-1]
            try:
                model.cbGet(CB.MIP_SOL, extra.index)
            except TarvexError as e:
                late.append(e.errno)
            model.cbSetSolution(extra, 1.0)  # the buffer has room; the library reads less
            model.terminate()

    outcome = {}

    def run():
        try:
            getattr(a, solve)(watch)
        except Exception as e:  # noqa: BLE001 -- checked below
            outcome["error"] = e

    thread = threading.Thread(target=run)
    thread.start()
    try:
        assert started.wait(60)
        # From this thread, between two of a's callbacks: while one runs the
        # change is refused as inside it.
        while True:
            try:
                a.addVar(name="late")
                break
            except RuntimeError as e:
                assert str(e) == REFUSED
        changed.set()
    finally:
        thread.join(150)
    assert not thread.is_alive()
    error = outcome.get("error")
    assert isinstance(error, TarvexError), error
    assert error.errno == code and "the model was changed while this call ran" in str(error)
    assert late == [TVX.Error.CB_INVALID_WHAT]
    assert a.NumVars == 31 and a.Status == TVX.UNKNOWN
    with pytest.raises(TarvexError):
        a.getVars()[0].X


# ---- IIS -------------------------------------------------------------------------------------


def test_compute_iis_calls_back_during_its_solves():
    m = Model()
    x = [m.addVar(vtype=TVX.BINARY) for _ in range(3)]
    both = m.addConstr(x[0] + x[1] >= 2)
    few = m.addConstr(x[0] + x[1] + x[2] <= 1)
    m.addConstr(x[2] <= 1)
    calls = []
    m.computeIIS(lambda model, where: calls.append(where))
    assert calls and calls[0] == CB.MIPSTART
    assert both.IISConstr == 1 and few.IISConstr == 1

    def stop(model, where):
        model.terminate()

    with pytest.raises(TarvexError) as info:
        m.computeIIS(stop)
    assert info.value.errno == TVX.Error.ABORT_CTRL_C

    def fail(model, where):
        raise Mine()

    with pytest.raises(Mine):
        m.computeIIS(fail)


# ---- Ctrl-C ----------------------------------------------------------------------------------

SIGINT_CHILD = """
    import os, random, signal, sys, time
    from didazoda import TVX, Model, TarvexError, quicksum

    rnd = random.Random(7)
    m = Model()
    x = [m.addVar(vtype=TVX.BINARY) for _ in range(30)]
    slack = []
    for i in range(4):
        a = [rnd.randrange(100) for _ in range(30)]
        up, down = m.addVar(), m.addVar()
        slack += [up, down]
        m.addConstr(quicksum(c * v for c, v in zip(a, x)) + up - down == sum(a) // 2)
    m.setObjective(quicksum(slack))
    m.setParam("MaxTime", 30)  # a signal that came too early ends as a time limit
    callback = (lambda model, where: None) if sys.argv[1] == "callback" else None
    print("solving", flush=True)
    try:
        m.optimize(callback)
        print("finished")
    except TarvexError as e:
        print("errno", e.errno)
        print("status", m.Status)
        if m.Status == TVX.SUB_OPTIMAL:
            total = sum(v.X for v in slack)
            print("objective", abs(total - m.ObjVal) <= 1e-6, total, m.ObjVal)
    try:
        os.kill(os.getpid(), signal.SIGINT)
        time.sleep(1)
        print("no interrupt")
    except KeyboardInterrupt:
        print("KeyboardInterrupt")
"""


@pytest.mark.parametrize("engine", ["highs", "callback"])
def test_ctrl_c_stops_a_long_solve(tmp_path, engine):
    out, err, _ = interrupt_child(tmp_path, SIGINT_CHILD, engine, delay=1.0)
    lines = out.split()
    assert "errno" in out, (out, err)
    assert lines[lines.index("errno") + 1] == str(TVX.Error.ABORT_CTRL_C)
    status = int(lines[lines.index("status") + 1])
    assert status in (TVX.SUB_OPTIMAL, TVX.UNKNOWN)
    if status == TVX.SUB_OPTIMAL:
        assert "objective True" in out
    # The interpreter's own handler is back afterwards.
    assert out.strip().endswith("KeyboardInterrupt"), (out, err)
