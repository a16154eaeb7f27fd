"""Solving models with SOS and indicator constraints: known optima, the
indicator formulation against its big-M twin, semi-continuous variables
beside sets, files, limits, MIP starts and concurrent solves."""
import threading

import pytest

import didazoda
from didazoda import TVX, Model, TarvexError, quicksum


def errno_of(call):
    with pytest.raises(TarvexError) as info:
        call()
    return info.value.errno


def xs(vars_):
    return [round(v.X, 9) for v in vars_]


def four_items(sos_type, sense=TVX.MINIMIZE):
    """min -x0 - 2x1 - 3x2 - x3, sum <= 2.5, 0 <= x <= 1, one set over x0..x2."""
    m = Model()
    x = [m.addVar(ub=1, name="x%d" % j) for j in range(4)]
    s = 1 if sense == TVX.MINIMIZE else -1
    m.setObjective(quicksum(s * c * v for c, v in zip([-1, -2, -3, -1], x)), sense)
    m.addConstr(quicksum(x) <= 2.5)
    m.addSOS(sos_type, x[:3], [1, 2, 3])
    return m, x


@pytest.mark.parametrize("sos_type, sense, want, objval", [
    (TVX.SOS_TYPE1, TVX.MINIMIZE, [0, 0, 1, 1], -4),
    (TVX.SOS_TYPE2, TVX.MINIMIZE, [0, 1, 1, 0.5], -5.5),
    (TVX.SOS_TYPE1, TVX.MAXIMIZE, [0, 0, 1, 1], 4),
    (TVX.SOS_TYPE2, TVX.MAXIMIZE, [0, 1, 1, 0.5], 5.5),
])
def test_sos_known_optima(sos_type, sense, want, objval):
    m, x = four_items(sos_type, sense)
    m.optimize()
    assert m.Status == TVX.OPTIMAL
    assert xs(x) == pytest.approx(want, abs=1e-6)
    assert m.ObjVal == pytest.approx(objval, abs=1e-6)
    assert m.getAttr("MIP/GapAbs") == pytest.approx(0, abs=1e-4)


# x in [-10, 10] by a row (bounds free or also [-10, 10]), b binary, and the
# indicator (b = binval) -> x sense rhs with a bonus of 9 while it is active:
# the active side wins unless b is fixed against it.
@pytest.mark.parametrize("sense, rhs, coeff, x_active", [
    ("<=", 2, 1, 2), (">=", -2, -1, -2), ("==", 3, 1, 3),
])
@pytest.mark.parametrize("binval", [True, False])
@pytest.mark.parametrize("fix", [None, "active", "inactive"])
@pytest.mark.parametrize("bounded", [False, True])
def test_indicator_every_case(sense, rhs, coeff, x_active, binval, fix, bounded):
    m = Model()
    lim = 10 if bounded else TVX.INFINITY
    x = m.addVar(lb=-lim, ub=lim, name="x")
    b = m.addVar(vtype=TVX.BINARY, name="b")
    if fix is not None:
        b.LB = b.UB = 1 if (fix == "active") == binval else 0
    m.addConstr(x <= 10)
    m.addConstr(x >= -10)
    active = b if binval else 1 - b
    m.setObjective(coeff * x + 9 * active, TVX.MAXIMIZE)
    body = {"<=": x <= rhs, ">=": x >= rhs, "==": x == rhs}[sense]
    if binval and sense != "==":  # the operator form takes no equality
        m.addConstr((b == 1) >> body)
    else:
        m.addGenConstrIndicator(b, binval, body)
    m.optimize()
    assert m.Status == TVX.OPTIMAL
    is_active = fix != "inactive"
    assert x.X == pytest.approx(x_active if is_active else 10 * coeff, abs=1e-6)
    assert b.X == pytest.approx(1 if is_active == binval else 0, abs=1e-6)
    assert m.ObjVal == pytest.approx(coeff * x_active + 9 if is_active else 10, abs=1e-6)


OPEN_COST = {"w1": 80, "w2": 95, "w3": 70, "w4": 110}
CAPACITY = {"w1": 45, "w2": 70, "w3": 35, "w4": 80}
DEMAND = {"c1": 20, "c2": 35, "c3": 15, "c4": 25, "c5": 10}
SHIP_COST = {(w, c): 1 + (3 * i + 5 * j) % 7 for i, w in enumerate(OPEN_COST)
             for j, c in enumerate(DEMAND)}


def facility(indicators, open_only=None):
    """Open warehouses at a fixed cost and ship from them to meet demand:
    a closed warehouse ships nothing, by an indicator or by a big-M row."""
    m = Model()
    is_open = m.addVars(OPEN_COST, vtype=TVX.BINARY, name="open")
    ship = m.addVars(SHIP_COST, name="ship")
    m.addConstrs(ship.sum("*", c) == d for c, d in DEMAND.items())
    for w in OPEN_COST:
        if open_only is not None:
            is_open[w].LB = is_open[w].UB = 1 if w in open_only else 0
        if indicators:
            m.addConstr(ship.sum(w, "*") <= CAPACITY[w])
            m.addConstr((is_open[w] == 0) >> (ship.sum(w, "*") <= 0))
        else:
            m.addConstr(ship.sum(w, "*") <= CAPACITY[w] * is_open[w])
    m.setObjective(is_open.prod(OPEN_COST) + ship.prod(SHIP_COST))
    return m, is_open, ship


def best_by_enumeration():
    """The optimum over every set of open warehouses, one LP each."""
    best = float("inf")
    for k in range(1, 1 << len(OPEN_COST)):
        chosen = {w for i, w in enumerate(OPEN_COST) if k >> i & 1}
        m, _, _ = facility(False, chosen)
        try:
            m.optimize()
        except TarvexError:
            continue
        if m.Status == TVX.OPTIMAL:
            best = min(best, m.ObjVal)
    return best


def test_facility_with_indicators_matches_big_m():
    want = best_by_enumeration()
    for indicators in (True, False):
        m, is_open, ship = facility(indicators)
        m.optimize()
        assert m.Status == TVX.OPTIMAL
        assert m.ObjVal == pytest.approx(want, abs=1e-6)
        for w in OPEN_COST:
            if is_open[w].X < 0.5:
                assert ship.sum(w, "*").getValue() == pytest.approx(0, abs=1e-6)


def semi_continuous_beside_a_set():
    # s in {0} u [2, 6], t in {0} u [3, 8] integer, y in {0} u [-4, -1],
    # one SOS1 over s and t: max s + 2t - y with s + t <= 9.5 and
    # y + t >= 5 takes t = 8 alone and y = -3.
    m = Model()
    s = m.addVar(lb=2, ub=6, vtype=TVX.SEMICONT, name="s")
    t = m.addVar(lb=3, ub=8, vtype=TVX.SEMIINT, name="t")
    y = m.addVar(lb=-4, ub=-1, vtype=TVX.SEMICONT, name="y")
    m.addConstr(s + t <= 9.5)
    m.addConstr(y + t >= 5)
    m.addSOS(TVX.SOS_TYPE1, [s, t])
    m.setObjective(s + 2 * t - y, TVX.MAXIMIZE)
    return m


def test_semi_continuous_beside_a_set():
    m = semi_continuous_beside_a_set()
    s, t, y = m.getVars()
    m.optimize()
    assert xs([s, t, y]) == pytest.approx([0, 8, -3], abs=1e-6)
    assert m.ObjVal == pytest.approx(19, abs=1e-6)


@pytest.mark.parametrize("suffix", [".lp", ".mps"])
def test_written_model_solves_the_same(tmp_path, suffix):
    m, _, _ = facility(True)
    m.addSOS(TVX.SOS_TYPE1, m.getVars()[:2], [1, 2])
    m.optimize()
    path = str(tmp_path / ("f" + suffix))
    m.write(path)
    again = didazoda.read(path)
    again.optimize()
    assert again.ObjVal == pytest.approx(m.ObjVal, abs=1e-6)


def test_limits_and_start():
    m, is_open, ship = facility(True)
    m.Params.MaxTime = 0
    assert errno_of(m.optimize) == TVX.Error.ABORT_TIME_LIMIT
    assert m.Status == TVX.UNKNOWN
    # A feasible start is kept as the incumbent of a search that stops at
    # once: every warehouse open, the shipments completed by an LP.
    for w in OPEN_COST:
        is_open[w].Start = 1
    m.reset()
    assert errno_of(m.optimize) == TVX.Error.ABORT_TIME_LIMIT
    assert m.Status == TVX.SUB_OPTIMAL
    assert m.ObjVal >= best_by_enumeration() - 1e-6
    assert all(is_open[w].X == pytest.approx(1) for w in OPEN_COST)


@pytest.mark.parametrize("build", [
    lambda: four_items(TVX.SOS_TYPE1)[0],
    lambda: four_items(TVX.SOS_TYPE2, TVX.MAXIMIZE)[0],
    lambda: facility(True)[0],
    semi_continuous_beside_a_set,
], ids=["sos1", "sos2", "indicators", "semi-continuous"])
def test_a_callback_changes_no_optimum(build):
    m = build()
    m.optimize()
    want = m.ObjVal
    # The callback reads at every where; the search is CBC's either way.
    seen = []

    def watch(model, where):
        seen.append((where, model.cbGet(TVX.Callback.MIP_SOLCNT)))
        if where == TVX.Callback.MIPSOL:
            model.cbGetSolution(model.getVars())

    m.reset()
    m.optimize(watch)
    assert m.Status == TVX.OPTIMAL
    assert m.ObjVal == pytest.approx(want, abs=1e-6)
    assert seen[0] == (TVX.Callback.MIPSTART, 0)
    assert TVX.Callback.MIPSOL in [w for w, _ in seen]


def test_concurrent_solves_from_threads():
    results = {}

    def run(k):
        m, _ = four_items(TVX.SOS_TYPE2 if k % 2 else TVX.SOS_TYPE1)
        for _ in range(20):
            m.reset()
            m.optimize()
            results.setdefault(k, set()).add(round(m.ObjVal, 9))

    threads = [threading.Thread(target=run, args=(k,)) for k in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert results == {0: {-4}, 1: {-5.5}, 2: {-4}, 3: {-5.5}}
