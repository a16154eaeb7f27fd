"""Rows a callback gives as cuts act as the same rows given up front, whatever
columns they hold; points offered within the engines' tolerances are taken."""
import pytest

from didazoda import TVX, Model, quicksum

CB = TVX.Callback


def facility():
    """min 3y0 + 4y1 + 5y2 + 6y3 + 2z + w + s/2: binaries y, a continuous z in
    [0, 10], an integer w in [0, 4], a semi-continuous s in {0} or [1, 3].
    Every column is 0 without rows."""
    m = Model()
    y = [m.addVar(vtype=TVX.BINARY, obj=c, name="y%d" % k) for k, c in enumerate((3, 4, 5, 6))]
    z = m.addVar(ub=10, obj=2, name="z")
    w = m.addVar(ub=4, obj=1, vtype=TVX.INTEGER, name="w")
    s = m.addVar(lb=1, ub=3, obj=0.5, vtype=TVX.SEMICONT, name="s")
    return m, y + [z, w, s]


Y0, Y1, Y2, Y3, Z, W, S = range(7)

# (id, terms, sense, rhs, optimum of facility() with the row, None: infeasible)
ROWS = [
    ("binaries", [(Y0, 1), (Y1, 1)], ">=", 1, 3.0),
    ("binaries and a continuous", [(Y0, 1), (Y1, 1), (Y2, 1), (Y3, 1), (Z, 1)], ">=", 2, 4.0),
    ("continuous only", [(Z, 1)], ">=", 2, 4.0),
    ("equality", [(Z, 1), (Y2, -1)], "==", 1.5, 3.0),
    ("less-equal", [(Y0, 2), (Z, -1)], "<=", -1.5, 3.0),
    ("integer and continuous", [(W, 1), (Z, 1)], ">=", 1.5, 2.0),
    ("semi-continuous and continuous", [(S, 1), (Z, 1)], ">=", 0.5, 0.5),
    ("large coefficient", [(Z, 1000)], ">=", 2500, 5.0),
    ("small coefficients", [(Z, 1e-3), (Y1, 1e-3)], ">=", 2e-3, 4.0),
    # No point within the bounds holds it: up front or as a cut, infeasible.
    ("beyond the bounds", [(Z, 1), (W, 1)], ">=", 14.5, None),
]


def activity(terms, values):
    return sum(c * values[j] for j, c in terms)


def violated(terms, sense, rhs, values):
    size = max(1.0, max(abs(c) for _, c in terms))
    gap = activity(terms, values) - rhs
    return (gap < -1e-6 * size if sense != "<=" else False) or \
        (gap > 1e-6 * size if sense != ">=" else False)


def solve(terms, sense, rhs, where):
    """The row up front, or cut by a callback: at MIPSOL when the candidate
    violates it, and with "node" also at MIPNODE when the relaxation does."""
    m, v = facility()
    lhs = quicksum(c * v[j] for j, c in terms)
    if where == "front":
        m.addConstr(lhs <= rhs if sense == "<=" else lhs >= rhs if sense == ">=" else lhs == rhs)
        m.addSOS(TVX.SOS_TYPE1, [v[Y3]], [1])  # CBC as well, as with a callback
        m.optimize()
        return m
    results = []

    def cut(model, where_now):
        if where_now == CB.MIPSOL:
            values = model.cbGetSolution(v)
        elif where_now == CB.MIPNODE and where == "node":
            values = model.cbGetNodeRel(v)
        else:
            return
        if violated(terms, sense, rhs, values):
            results.append(model.cbCut(lhs, sense, rhs))

    m.optimize(cut)
    # Taken, or said to be incorrect where nothing can hold it.
    assert set(results) <= {0, 1}
    return m


@pytest.mark.parametrize("terms, sense, rhs, optimum", [r[1:] for r in ROWS],
                         ids=[r[0] for r in ROWS])
@pytest.mark.parametrize("where", ["front", "mipsol", "node"])
def test_a_cut_acts_as_the_row_up_front(terms, sense, rhs, optimum, where):
    m = solve(terms, sense, rhs, where)
    if optimum is None:
        assert m.Status == TVX.INFEASIBLE
        return
    assert m.Status == TVX.OPTIMAL
    assert m.ObjVal == pytest.approx(optimum, abs=1e-6)
    x = [v.X for v in m.getVars()]
    assert not violated(terms, sense, rhs, x)


# ---- points offered within the engines' tolerances ------------------------------------

def offered_model():
    """max x + y, x integer in [0, 10], y in [0, 10], x + y == 5.5, 2x + y <= 9.5:
    optimum 5.5 at x = 4, y = 1.5. The set of one member sends it to CBC."""
    m = Model()
    x = m.addVar(ub=10, vtype=TVX.INTEGER, obj=1)
    y = m.addVar(ub=10, obj=1)
    m.addConstr(x + y == 5.5)
    m.addConstr(2 * x + y <= 9.5)
    m.addSOS(TVX.SOS_TYPE1, [x], [1])
    m.ModelSense = TVX.MAXIMIZE
    return m, [x, y]


# (id, point, taken)
OFFERS = [
    ("exact", (4, 1.5), True),
    ("integer within its tolerance", (3.99999996, 1.5), True),
    ("rows off by 2e-7", (4, 1.5000002), True),
    ("both", (3.99999996, 1.4999998), True),
    ("rows off by 1e-3", (4, 1.501), False),
    ("fractional integer", (3.9, 1.6), False),
]


@pytest.mark.parametrize("point, taken", [o[1:] for o in OFFERS], ids=[o[0] for o in OFFERS])
def test_offered_points_within_tolerance_are_taken(point, taken):
    m, v = offered_model()
    got = []

    def offer(model, where):
        if where == CB.MIPSTART:
            model.cbSetSolution(v, list(point))
            got.append(model.cbUseSolution())

    m.optimize(offer)
    result, objval = got[0]
    assert result == (0 if taken else 1)
    if taken:
        assert objval == pytest.approx(5.5, abs=1e-6)
    assert m.Status == TVX.OPTIMAL
    assert m.ObjVal == pytest.approx(5.5, abs=1e-6)

    # The same point as a MIP start: without it a search that stops at once
    # has no point.
    m, v = offered_model()
    for var, value in zip(v, point):
        var.Start = value
    m.Params.MaxTime = 0
    try:
        m.optimize()
    except Exception:  # noqa: BLE001 -- the time limit, told by the status
        pass
    if taken:
        assert m.Status in (TVX.OPTIMAL, TVX.SUB_OPTIMAL)
        assert m.ObjVal == pytest.approx(5.5, abs=1e-6)
    else:
        assert m.Status == TVX.UNKNOWN
