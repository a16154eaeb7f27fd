"""Model.addConstr, addLConstr and addRange: the sides the library is given,
the merged terms of a row, the handles appended, and refusals that leave the
model unchanged.

A row's sides are stated against the terms alone: the expression's constant
moves to the sides, except that a side at or beyond 1e+20 is snapped to
+-1e+20 unshifted. The terms are read back from an MPS file the model
writes, whose COLUMNS section lists each stored coefficient (zeros too).
"""
import math

import numpy as np
import pytest

from didazoda import Model, TarvexError, TVX

INF = 1e20


@pytest.fixture
def m():
    return Model()


@pytest.fixture
def xyb(m):
    return m.addVar(name="x"), m.addVar(name="y"), m.addVar(vtype="B", name="b")


def stored_terms(m, tmp_path):
    """{row name: {var name: coefficient}} as the library holds the rows."""
    path = str(tmp_path / "rows.mps")
    m.write(path)
    terms, section = {}, None
    for line in open(path).read().splitlines():
        if not line.startswith(" "):
            section = line.split()[0] if line.strip() else None
            continue
        if section == "COLUMNS":
            var, row, value = line.split()
            if row != "OBJ":
                terms.setdefault(row, {})[var] = float(value)
    return terms


FORMS = [
    # (call, lower, upper, terms)
    (lambda m, x, y: m.addConstr(x <= 1), -INF, 1, {"x": 1}),
    (lambda m, x, y: m.addConstr(x + 2 >= 5), 3, INF, {"x": 1}),
    (lambda m, x, y: m.addConstr(x == 3), 3, 3, {"x": 1}),
    (lambda m, x, y: m.addConstr(x + y == [1, 4]), 1, 4, {"x": 1, "y": 1}),
    (lambda m, x, y: m.addConstr(x <= 1e30), -INF, 1e30, {"x": 1}),
    # terms merged per variable, in index order; a cancelled sum is kept
    (lambda m, x, y: m.addConstr(2 * y + x - y + 5 <= 7), -INF, 2, {"x": 1, "y": 1}),
    (lambda m, x, y: m.addConstr(x - x + 2.5 * y >= -3), -3, INF, {"x": 0, "y": 2.5}),
    (lambda m, x, y: m.addConstr(x + 3 == [1, 4]), -2, 1, {"x": 1}),
    (lambda m, x, y: m.addRange(x, None, 1e30), -INF, INF, {"x": 1}),
    (lambda m, x, y: m.addRange(x, -math.inf, 5), -INF, 5, {"x": 1}),
    (lambda m, x, y: m.addRange(x, 0, None), 0, INF, {"x": 1}),
    (lambda m, x, y: m.addRange(x + y + 3, 1, math.inf), -2, INF, {"x": 1, "y": 1}),
    (lambda m, x, y: m.addRange(2 * x, np.float64(1), np.int32(10)), 1, 10, {"x": 2}),
    # exact ints and floats against the constant; ints beyond 2**53 and sides
    # beyond INF as Python computes them
    (lambda m, x, y: m.addRange(x + 0.5, -3, 7), -3.5, 6.5, {"x": 1}),
    (lambda m, x, y: m.addRange(x + 1, 2**60, 10**25), float(2**60) - 1, INF, {"x": 1}),
    (lambda m, x, y: m.addRange(x - 0.25, -10**21, 2**53), -INF, 2.0**53 + 0.25, {"x": 1}),
    (lambda m, x, y: m.addConstr(x + 0.5 == y), -0.5, -0.5, {"x": 1, "y": -1}),
    (lambda m, x, y: m.addConstr(x == 2**60 + 1), float(2**60), float(2**60), {"x": 1}),
    (lambda m, x, y: m.addLConstr(x, TVX.LESS_EQUAL, 1), -INF, 1, {"x": 1}),
    (lambda m, x, y: m.addLConstr(2, ">", x), -2, INF, {"x": -1}),
    (lambda m, x, y: m.addLConstr(x + 1, "=", y), -1, -1, {"x": 1, "y": -1}),
    (lambda m, x, y: m.addLConstr(x + y >= 1), 1, INF, {"x": 1, "y": 1}),
]


@pytest.mark.parametrize("call,lower,upper,terms", FORMS)
def test_forms_give_sides_terms_and_handles(m, xyb, tmp_path, call, lower, upper, terms):
    x, y, _ = xyb
    first = m.addConstr(y <= 100, name="first")
    c = call(m, x, y)
    assert c.index == 1 and m.getConstrs()[1] is c
    assert len(m.getPsdConstrs()) == 2 and m.getPsdConstrs()[1].index == 1
    assert m.NumConstrs == 2
    assert (c.LHS, c.RHS) == (lower, upper)
    assert c.ConstrName == ""
    rows = stored_terms(m, tmp_path)
    assert rows["first"] == {"y": 1}
    # the unnamed row is the one that is not "first"
    assert [v for k, v in rows.items() if k != "first"] == [terms]
    assert first.index == 0


@pytest.mark.parametrize("call", [
    lambda m, x: m.addConstr(x <= 1, name="c0"),
    lambda m, x: m.addConstr(x <= 1, "c0"),
    lambda m, x: m.addLConstr(x, "<", 1, name="c0"),
    lambda m, x: m.addRange(x, 0, 1, "c0"),
    lambda m, x: m.addConstr(constr=x <= 1, name="c0"),
])
def test_names(m, xyb, call):
    c = call(m, xyb[0])
    assert c.ConstrName == "c0"


def test_range_name_none_is_empty(m, xyb):
    c = m.addRange(2 * xyb[0], 1, 10, name=None)
    assert c.ConstrName == "" and (c.LHS, c.RHS) == (1, 10)


def test_defaults():
    assert Model.addConstr.__defaults__ == ("",)
    assert Model.addLConstr.__defaults__ == (None, None, "")
    assert Model.addRange.__defaults__ == ("",)


ERRORS = [
    (lambda m, x, y, b: m.addConstr(None), TypeError, "has incorrect type"),
    (lambda m, x, y, b: m.addConstr(x), TypeError, "expected didazoda.TempConstr, got"),
    (lambda m, x, y, b: m.addConstr(x * y <= 1), TypeError,
     "quadratic constraint is not currently supported"),
    (lambda m, x, y, b: m.addConstr(x <= 1, name=None), TypeError,
     "expected bytes, NoneType found"),
    (lambda m, x, y, b: m.addConstr(x <= 1, name=3), TypeError, None),
    (lambda m, x, y, b: m.addConstr((b == 1) >> (x + y == 3)), ValueError,
     "indicator value can only be one of [0, 1]"),
    (lambda m, x, y, b: m.addLConstr(x, "<=", 1), TarvexError, "Invalid sense `<=`"),
    (lambda m, x, y, b: m.addLConstr(x, b"<", 1), TarvexError, "Invalid sense `b'<'`"),
    (lambda m, x, y, b: m.addLConstr(x <= 1, "<", 1), ValueError,
     "sense and rhs should be None if lhs is s TempConstr"),
    (lambda m, x, y, b: m.addLConstr(x * y <= 1), TypeError,
     "expression in TempConstr shoud be one of [constant, Var, LinExpr] type"),
    (lambda m, x, y, b: m.addLConstr(x), ValueError,
     "sense and rhs can not be None if lhs is not a TempConstr"),
    (lambda m, x, y, b: m.addLConstr(x, "<", "1"), TypeError,
     "rhs shoud be one of [constant, Var, LinExpr, TempConstr] type"),
    (lambda m, x, y, b: m.addLConstr("x", "<", 1), TypeError,
     "lhs shoud be one of [constant, Var, LinExpr, TempConstr] type"),
    (lambda m, x, y, b: m.addRange(x, None, None), TypeError, None),
    (lambda m, x, y, b: m.addRange("x", 0, 1), TypeError,
     "expr should be one of [Var, LinExpr, PsdExpr] type"),
    (lambda m, x, y, b: m.addRange(x * y, 0, 1), TypeError,
     "expr should be one of [Var, LinExpr, PsdExpr] type"),
    (lambda m, x, y, b: m.addRange(x, "0", 1), TypeError, None),
    (lambda m, x, y, b: m.addRange(x, np.array([0, 1]), 2), ValueError, "truth value"),
    (lambda m, x, y, b: m.addConstr(x <= math.nan), TarvexError, None),
    (lambda m, x, y, b: m.addConstr(x + math.inf * y <= 1), TarvexError, None),
    (lambda m, x, y, b: m.addConstr(x + y <= "a"), TypeError, None),
]


@pytest.mark.parametrize("call,exc,text", ERRORS)
def test_refusals_add_nothing(m, xyb, call, exc, text):
    m.addConstr(xyb[0] <= 5)
    with pytest.raises(exc) as info:
        call(m, *xyb)
    if text is not None:
        assert text in str(info.value)
    assert m.NumConstrs == 1
    assert len(m.getConstrs()) == len(m.getPsdConstrs()) == 1


def test_variable_of_another_model_is_refused(m, xyb):
    other = Model()
    z = other.addVar(name="z")
    x = xyb[0]
    for call in (lambda: m.addConstr(x + z <= 1), lambda: m.addRange(z, 0, 1),
                 lambda: m.addLConstr(x, ">", z)):
        with pytest.raises(TarvexError, match="another model"):
            call()
    assert m.NumConstrs == other.NumConstrs == 0
    assert m.getConstrs() == [] and m.getPsdConstrs() == []


def test_disposed_model_is_refused(m, xyb):
    x = xyb[0]
    m.dispose()
    with pytest.raises(TarvexError) as info:
        m.addConstr(x <= 1)
    assert info.value.errno == -3

