"""Model.addVars and Model.addConstrs: keys, member names, per-member values,
bound defaults and argument errors.

addConstrs is checked twice: against a Model subclass whose addConstr only
records its calls (the key and name handling, independent of the library),
and against the model's own addConstr once that is built.
"""
import numpy as np
import pytest

from didazoda import Model, TVX, TarvexError, tupledict, tuplelist


@pytest.fixture
def m():
    model = Model()
    yield model
    model.dispose()


class Recording(Model):
    """Records each addConstr call; returns a fresh marker per member."""

    def __init__(self):
        super().__init__()
        self._calls = []

    def addConstr(self, constr, name=""):
        self._calls.append((constr, name))
        return object()


@pytest.fixture
def rec():
    model = Recording()
    yield model
    model.dispose()


# ---- addVars: keys ---------------------------------------------------------------------------

def gen():
    yield "p"
    yield "q"


KEYS = [
    ((3,), [0, 1, 2]),
    ((2, 3), [(0, 0), (0, 1), (0, 2), (1, 0), (1, 1), (1, 2)]),
    ((0,), []),
    ((-1,), []),
    (([],), []),
    ((2, 0), []),
    ((True,), [0]),
    (([1, 1],), [1]),  # two variables, the later one kept under the key
    (([(1, 2), (3, 4)], 2), [(1, 2, 0), (1, 2, 1), (3, 4, 0), (3, 4, 1)]),  # tuples spliced
    ((tuplelist([(1, "a"), (2, "b")]),), [(1, "a"), (2, "b")]),
    ((gen(), range(1, 3)), [("p", 1), ("p", 2), ("q", 1), ("q", 2)]),
    (({"u": 0, "v": 1}, [()]), ["u", "v"]),  # an empty tuple contributes nothing
    # Strings are whole key values, never split into characters.
    ((["ab", "cd"], 2), [("ab", 0), ("ab", 1), ("cd", 0), ("cd", 1)]),
    ((["ab", "c"],), ["ab", "c"]),
    (([("ab", 1)], [b"xy"]), [("ab", 1, b"xy")]),
    (("xy",), ["x", "y"]),  # a string as the index set itself gives its characters
]


@pytest.mark.parametrize("indices, keys", KEYS)
def test_addvars_keys_in_member_order(m, indices, keys):
    before = m.NumVars
    x = m.addVars(*indices)
    assert type(x) is tupledict
    assert list(x) == keys
    added = m.getVars()[before:]
    assert m.NumVars == before + len(added)
    # The values are the model's own handles, the last member winning a repeated key.
    assert all(any(v is a for a in added) for v in x.values())
    if keys:
        assert x[keys[-1]] is added[-1]


NAMES = [
    ((3,), "x", ["x[0]", "x[1]", "x[2]"]),
    ((2, 2), "x", ["x[0,0]", "x[0,1]", "x[1,0]", "x[1,1]"]),
    (([(1, "a"), (2, "b")],), "y", ["y[1,'a']", "y[2,'b']"]),
    ((["ab", "new york"], 1), "s", ["s['ab',0]", "s['newyork',0]"]),
    ((2,), "", ["", ""]),
    ((2,), None, ["", ""]),
    ((2,), ["first", "second"], ["first", "second"]),
]


@pytest.mark.parametrize("indices, name, names", NAMES)
def test_addvars_member_names(m, indices, name, names):
    x = m.addVars(*indices, name=name)
    assert [v.VarName for v in x.values()] == names


def test_addvars_select_over_the_family(m):
    x = m.addVars(["ab", "cd"], 3, name="x")
    assert [v.VarName for v in x.select("cd", "*")] == ["x['cd',0]", "x['cd',1]", "x['cd',2]"]


# ---- addVars: per-member values -------------------------------------------------------------

VALUES = [
    (dict(), dict(lb=[0.0] * 4, ub=[1e20] * 4, obj=[0.0] * 4, vtype=[b"C"] * 4)),
    (dict(lb=-2, ub=5, obj=1.5, vtype="I"),
     dict(lb=[-2.0] * 4, ub=[5.0] * 4, obj=[1.5] * 4, vtype=[b"I"] * 4)),
    (dict(lb=[1, 2, 3, 4], ub=np.array([[5, 6], [7, 8]]), obj=(0, 1, 0, 2)),
     dict(lb=[1.0, 2.0, 3.0, 4.0], ub=[5.0, 6.0, 7.0, 8.0], obj=[0.0, 1.0, 0.0, 2.0])),
    (dict(vtype=["B", "C", "I", "B"]), dict(vtype=[b"B", b"C", b"I", b"B"])),
    (dict(lb=None, ub=None, obj=None, vtype=None), dict(lb=[0.0] * 4, ub=[1e20] * 4)),
    (dict(ub=float("inf")), dict(ub=[1e20] * 4)),  # at or above 1e20: no upper bound
]


@pytest.mark.parametrize("kwargs, expected", VALUES)
def test_addvars_values_read_back(m, kwargs, expected):
    x = m.addVars(2, 2, **kwargs)
    for attr, values in expected.items():
        assert [getattr(v, attr) for v in x.values()] == values, attr


class UnorderedFloat(float):
    """A number whose comparison with TVX.INFINITY raises."""

    def __ge__(self, other):
        raise ArithmeticError("no order")


class UncomparableValue:
    """A single value whose comparison with the default raises."""

    __hash__ = None

    def __eq__(self, other):
        raise ArithmeticError("no equality")

    def __float__(self):
        return 1.0


ERRORS = [
    ((), {}, ValueError, "empty indices"),
    ((2.0,), {}, TypeError, None),
    ((np.int64(2),), {}, TypeError, None),
    # Beyond the library's 32-bit count: refused before any key is formed.
    ((2**31,), {}, OverflowError, "value too large to convert to int"),
    ((2**16, 2**15, ["a", "b"]), {}, OverflowError, "value too large to convert to int"),
    (("x" * 100000,) * 3, {}, OverflowError, "value too large to convert to int"),
    ((2, 2), dict(lb=[1, 2, 3]), ValueError, "lb doesn't have enough elements"),
    ((2,), dict(ub=[1, 2, 3]), ValueError, "ub doesn't have enough elements"),
    ((2,), dict(obj=[[1, 2]]), None, None),  # only the element count matters
    ((2,), dict(vtype=["B"]), ValueError, "vtype doesn't have enough elements"),
    ((2,), dict(vtype=5), TypeError, "vtype should be str or byte"),
    ((2,), dict(name=["a"]), ValueError, "names doesn't have enough elements"),
    ((2,), dict(lb={0: 1.0, 1: 2.0}), TypeError, None),  # a dict is one value, not per key
    ((2,), dict(lb=UncomparableValue()), ArithmeticError, "no equality"),
    ((2,), dict(obj=UncomparableValue()), ArithmeticError, "no equality"),
    ((2,), dict(ub=UnorderedFloat(5)), ArithmeticError, "no order"),
    ((2,), dict(vtype="X"), TarvexError, "Invalid model data"),  # the library's refusal
    ((2,), dict(lower=1), TypeError, "unexpected keyword argument 'lower'"),
]


@pytest.mark.parametrize("indices, kwargs, exc, text", ERRORS)
def test_addvars_errors_leave_the_model_unchanged(m, indices, kwargs, exc, text):
    if exc is None:
        assert len(m.addVars(*indices, **kwargs)) == 2
        return
    with pytest.raises(exc) as info:
        m.addVars(*indices, **kwargs)
    if text:
        assert text in str(info.value)
    assert m.NumVars == 0


def test_addvars_keyword_defaults_are_bound_at_import(m):
    assert Model.addVars.__kwdefaults__ == {
        "lb": 0.0, "ub": 1e20, "obj": 0.0, "vtype": "C", "name": ""}
    assert Model.addVars.__defaults__ is None
    assert Model.addConstrs.__defaults__ == ("",)
    saved = TVX.INFINITY, TVX.CONTINUOUS
    try:
        TVX.INFINITY, TVX.CONTINUOUS = 5.0, "I"
        assert Model.addVars.__kwdefaults__["ub"] == 1e20
        x = m.addVars(1)
        assert (x[0].ub, x[0].vtype) == (1e20, b"C")
    finally:
        TVX.INFINITY, TVX.CONTINUOUS = saved


def test_members_are_listed_and_documented():
    assert {"addVars", "addConstrs"} <= set(dir(Model))
    assert Model.addVars.__qualname__ == "Model.addVars"
    assert "SIGNATURE:" in Model.addConstrs.__doc__


# ---- addConstrs: keys and names --------------------------------------------------------------

def no_locals(model):
    v = model.addVars(1)[0]

    def g():
        yield v <= 1
        yield v >= 0

    return g()


def given_constraints(model):
    v = model.addVars(1)[0]
    cs = [v <= 1, v >= 0]
    return (c for c in cs), cs


CONSTRS = [
    (lambda x: (x[0, i] <= 1 for i in range(3)), "c", [0, 1, 2], ["c[0]", "c[1]", "c[2]"]),
    (lambda x: (x[i, j] <= 1 for i in range(2) for j in range(3)), "c",
     [(0, 0), (0, 1), (0, 2), (1, 0), (1, 1), (1, 2)],
     ["c[0,0]", "c[0,1]", "c[0,2]", "c[1,0]", "c[1,1]", "c[1,2]"]),
    (lambda x: (x[i, j] >= 0 for i, j in x if j == 2), "row",
     [(0, 2), (1, 2)], ["row[0,2]", "row[1,2]"]),
    (lambda x: (x[1, j] == 1 for j in ["ab", "new york"] if j), "c",
     ["ab", "new york"], ["c['ab']", "c['newyork']"]),
    (lambda x: (x[i, 0] <= 1 for i in range(2)), "", [0, 1], ["", ""]),
    (lambda x: (x[i, 0] <= 1 for i in range(2)), None, [0, 1], [None, None]),
]


@pytest.mark.parametrize("make, name, keys, names", CONSTRS)
def test_addconstrs_keys_and_names_reach_addconstr(rec, make, name, keys, names):
    x = {(i, j): v for (i, j), v in rec.addVars(2, 3).items()}
    x[1, "ab"] = x[1, "new york"] = x[1, 0]
    result = rec.addConstrs(make(x), name=name)
    assert type(result) is tupledict
    assert list(result) == keys
    assert [n for _, n in rec._calls] == names
    assert all(type(c).__name__ == "TempConstr" for c, _ in rec._calls)


def test_addconstrs_counts_members_without_loop_variables(rec):
    result = rec.addConstrs(no_locals(rec), "g")
    assert list(result) == [0, 1]
    assert [n for _, n in rec._calls] == ["g[0]", "g[1]"]
    gen, cs = given_constraints(rec)
    result = rec.addConstrs(gen)
    assert list(result) == cs and all(a is b for a, b in zip(result, cs))


def yields_then(model, *tail):
    v = model.addVars(1)[0]

    def g():
        yield v <= 1
        yield from tail

    return g()


CONSTR_ERRORS = [
    (lambda r: [r.addVars(1)[0] <= 1], {}, TypeError, "list object is not an iterator", 0),
    (lambda r: iter([r.addVars(1)[0] <= 1]), {}, AttributeError, None, 0),
    (lambda r: yields_then(r, 3.0), {}, TypeError,
     "only accept generator which generates TempConstr value", 1),
    (lambda r: (v <= 1 for v in r.addVars(1).values()), dict(name=5), TypeError,
     "Argument 'name' has incorrect type (expected str, got int)", 0),
]


@pytest.mark.parametrize("make, kwargs, exc, text, added", CONSTR_ERRORS)
def test_addconstrs_errors(rec, make, kwargs, exc, text, added):
    with pytest.raises(exc) as info:
        rec.addConstrs(make(rec), **kwargs)
    if text:
        assert str(info.value) == text
    assert len(rec._calls) == added


def test_stop_iteration_from_addconstr_is_not_taken_for_the_end(rec):
    class Stopping(Recording):
        def addConstr(self, constr, name=""):
            super().addConstr(constr, name)
            raise StopIteration

    s = Stopping()
    try:
        x = s.addVars(2)
        with pytest.raises(StopIteration):
            s.addConstrs(x[i] <= 1 for i in range(2))
        assert len(s._calls) == 1
    finally:
        s.dispose()


def test_addconstrs_through_the_model(m):
    x = m.addVars(2, 3, name="x")
    c = m.addConstrs((x[i, j] <= 1 for i in range(2) for j in range(3)), name="c")
    assert list(c) == [(i, j) for i in range(2) for j in range(3)]
    assert [r.ConstrName for r in c.values()] == [
        "c[{},{}]".format(i, j) for i in range(2) for j in range(3)]
    assert all(a is b for a, b in zip(c.values(), m.getConstrs()))
    assert m.NumConstrs == 6
