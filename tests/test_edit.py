"""Reading the stored problem back (getRow, getCol, getA, getCoeff, chgCoeff),
SOS and indicator constraints, and Model.remove with the renumbering of
every handle. Rows are built through the API and checked against the terms
that were given, so nothing here restates the module's own readers.
"""
import numpy as np
import pytest

import didazoda
from didazoda import Model, TarvexError, TVX, quicksum

MSG_TYPE = "Argument '{}' has incorrect type (expected {}, got {})"


def terms(e):
    return [(e.getCoeff(i), e.getVar(i)) for i in range(e.size())]


def col_terms(col):
    return [(col.getCoeff(i), col.getConstr(i)) for i in range(col.size())]


@pytest.fixture
def m():
    return Model()


@pytest.fixture
def xyb(m):
    return m.addVar(name="x"), m.addVar(name="y"), m.addVar(vtype="B", name="b")


def random_model(seed, nvars=6, nrows=5):
    rng = np.random.default_rng(seed)
    m = Model()
    xs = [m.addVar(name="v%d" % j) for j in range(nvars)]
    dense = np.zeros((nrows, nvars))
    rows = []
    for i in range(nrows):
        cols = rng.choice(nvars, size=rng.integers(0, nvars + 1), replace=False)
        coefs = rng.integers(1, 9, size=len(cols)) * rng.choice([-1.0, 1.0], size=len(cols))
        dense[i, cols] = coefs
        rows.append(m.addConstr(quicksum(c * xs[j] for c, j in zip(coefs, cols)) <= 10,
                                name="r%d" % i))
    return m, xs, rows, dense


# ---- reading back -------------------------------------------------------------


@pytest.mark.parametrize("seed", [1, 2, 3])
def test_matrix_reads_agree_with_rows_given(seed):
    m, xs, rows, dense = random_model(seed)
    A = m.getA()
    assert A.shape == dense.shape and A.indices.dtype == np.int32
    assert np.array_equal(A.toarray(), dense)
    for i, c in enumerate(rows):
        got = {x.index: v for v, x in terms(m.getRow(c))}
        assert got == {j: dense[i, j] for j in np.flatnonzero(dense[i])}
        assert all(any(x is v for v in m.getVars()) for _, x in terms(m.getRow(c)))
    for j, x in enumerate(xs):
        got = {c.index: v for v, c in col_terms(m.getCol(x))}
        assert got == {i: dense[i, j] for i in np.flatnonzero(dense[:, j])}
        assert all(c is rows[c.index] for _, c in col_terms(m.getCol(x)))
        for i, c in enumerate(rows):
            assert m.getCoeff(c, x) == dense[i, j]


def test_chgCoeff_shows_in_every_read(m, xyb):
    x, y, _ = xyb
    c = m.addConstr(x + 3 * y <= 4)
    m.chgCoeff(c, x, 2.5)
    m.chgCoeff(c, y, np.float32(-1))
    assert m.getCoeff(c, x) == 2.5 and m.getCoeff(c, y) == -1.0
    assert sorted((v, v2.index) for v, v2 in terms(m.getRow(c))) == [(-1.0, 1), (2.5, 0)]
    assert m.getA().toarray().tolist() == [[2.5, -1.0, 0.0]]


def test_stored_zero_is_a_term_in_every_read(m, xyb):
    x, y, _ = xyb
    c = m.addConstr(x + 3 * y <= 4)
    m.chgCoeff(c, x, 0.0)
    assert [(v, v2.index) for v, v2 in terms(m.getRow(c))] == [(0.0, 0), (3.0, 1)]
    assert [(v, c2.index) for v, c2 in col_terms(m.getCol(x))] == [(0.0, 0)]
    A = m.getA()
    assert A.nnz == 2 and A.indices.tolist() == [0, 1] and A.data.tolist() == [0.0, 3.0]


def test_empty_reads(m, xyb):
    x, _, _ = xyb
    A = m.getA()
    assert A.shape == (0, 3) and A.indptr.tolist() == [0]
    c = m.addConstr(x - x <= 1)
    assert m.getCol(m.getVars()[1]).size() == 0
    assert m.getRow(c).getConstant() == 0.0
    assert m.getRow(c) is not m.getRow(c)


@pytest.mark.parametrize("call, exc, text", [
    (lambda m, c, x: m.getCol(c), TypeError, MSG_TYPE.format("var", "didazoda.Var", "didazoda.Constr")),
    (lambda m, c, x: m.getCoeff(x, x), TypeError,
     MSG_TYPE.format("constr", "didazoda.Constr", "didazoda.Var")),
    (lambda m, c, x: m.chgCoeff(c, c, 1), TypeError,
     MSG_TYPE.format("var", "didazoda.Var", "didazoda.Constr")),
    (lambda m, c, x: m.chgCoeff(x, x, "a"), TypeError, None),  # value converted first
    (lambda m, c, x: m.getCoeff(None, x), AttributeError, None),
])
def test_read_argument_errors(m, xyb, call, exc, text):
    x = xyb[0]
    c = m.addConstr(x <= 1)
    with pytest.raises(exc) as err:
        call(m, c, x)
    if text:
        assert str(err.value) == text
    assert m.getCoeff(c, x) == 1.0


# Handles of another model name an unrelated element here: refused.
@pytest.mark.parametrize("call", [
    lambda m, c, x: m.getRow(c),
    lambda m, c, x: m.getCol(x),
    lambda m, c, x: m.getCoeff(c, m.getVars()[0]),
    lambda m, c, x: m.chgCoeff(m.getConstrs()[0], x, 5),
    lambda m, c, x: m.addSOS(TVX.SOS_TYPE1, [x]),
    lambda m, c, x: m.addGenConstrIndicator(x, True, m.getVars()[0] <= 1),
    lambda m, c, x: m.addGenConstrIndicator(m.getVars()[2], True, x <= 1),
    lambda m, c, x: m.remove([m.getVars()[0], x]),
])
def test_foreign_handles_refused(m, xyb, call):
    x, y, b = xyb
    m.addConstr(x + y <= 1)
    other = Model()
    ox = other.addVar(vtype="B")
    oc = other.addConstr(ox <= 1)
    with pytest.raises(TarvexError):
        call(m, oc, ox)
    assert m.NumVars == 3 and m.NumSOS == 0 and m.NumGenConstrs == 0
    assert m.getCoeff(m.getConstrs()[0], x) == 1.0


def test_foreign_sos_and_genconstr_reads_refused(m, xyb):
    other = Model()
    ob = other.addVar(vtype="B")
    s = other.addSOS(TVX.SOS_TYPE1, [ob])
    g = other.addGenConstrIndicator(ob, True, ob <= 1)
    x, y, b = xyb
    m.addSOS(TVX.SOS_TYPE1, [x])
    m.addGenConstrIndicator(b, True, x <= 1)
    with pytest.raises(TarvexError):
        m.getSOS(s)
    with pytest.raises(TarvexError):
        m.getGenConstrIndicator(g)


# ---- SOS and indicators ---------------------------------------------------------


@pytest.mark.parametrize("stype, wts, expected", [
    (TVX.SOS_TYPE1, None, [1.0, 2.0, 3.0]),
    (TVX.SOS_TYPE2, [3, 1, 2.5], [3.0, 1.0, 2.5]),
])
def test_sos_round_trip(m, xyb, stype, wts, expected):
    first = m.addSOS(TVX.SOS_TYPE1, [xyb[0]])
    s = m.addSOS(stype, list(xyb), wts)
    assert (first.index, s.index) == (0, 1) and m.getSOSs() == [first, s]
    t, members, weights = m.getSOS(s)
    assert t == stype and weights == expected
    assert all(a is b for a, b in zip(members, xyb)) and len(members) == 3


@pytest.mark.parametrize("args, exc, text", [
    (("a", "vars"), TypeError, "an integer is required"),
    ((2 ** 40, "vars"), OverflowError, "value too large to convert to int"),
    ((1, "tuple"), TypeError, MSG_TYPE.format("vars", "list", "tuple")),
    ((1, "tuplelist"), TypeError, MSG_TYPE.format("vars", "list", "didazoda.tuplelist")),
    ((1, "vars", (1, 2, 3)), TypeError, MSG_TYPE.format("wts", "list", "tuple")),
    ((1, "vars", [1, 2]), ValueError, "wts doesn't have enough elements"),
    ((1, "vars", [1, 2, 3, 4]), ValueError, "wts doesn't have enough elements"),
    ((1, "vars", [1, "a", 3]), ValueError, None),
    ((1, None), TypeError, None),
])
def test_addSOS_errors(m, xyb, args, exc, text):
    kinds = {"vars": list(xyb), "tuple": tuple(xyb), "tuplelist": didazoda.tuplelist(xyb)}
    args = (args[0], kinds.get(args[1], args[1])) + args[2:]
    with pytest.raises(exc) as err:
        m.addSOS(*args)
    if text:
        assert str(err.value) == text
    assert m.getSOSs() == [] and m.NumSOS == 0


@pytest.mark.parametrize("make, binval, expected", [
    (lambda x, y: (x + y <= 3,), True, ([(1.0, 0), (1.0, 1)], "<", 3.0)),
    (lambda x, y: (x + y >= 3,), False, ([(1.0, 0), (1.0, 1)], ">", 3.0)),
    (lambda x, y: (x + y == 3,), True, ([(1.0, 0), (1.0, 1)], "=", 3.0)),
    (lambda x, y: (x + y == [2, 2],), True, ([(1.0, 0), (1.0, 1)], "=", 2.0)),
    (lambda x, y: (2 * y + x + 1, "<=", 5), True, ([(1.0, 0), (2.0, 1)], "<", 4.0)),
    (lambda x, y: (x + x + 1, TVX.LESS_EQUAL, 5), True, ([(2.0, 0)], "<", 4.0)),
    (lambda x, y: (5, TVX.LESS_EQUAL, 3), True, ([], "<", -2.0)),
    (lambda x, y: (y, ">=", 1.5), True, ([(1.0, 1)], ">", 1.5)),
])
def test_indicator_round_trip(m, xyb, make, binval, expected):
    x, y, b = xyb
    g = m.addGenConstrIndicator(b, binval, *make(x, y), name="g")
    assert g.index == 0 and m.getGenConstrs() == [g]
    bv, val, expr, sense, rhs = m.getGenConstrIndicator(g)
    assert bv is b and val is binval and expr.getConstant() == 0.0
    assert ([(c, v.index) for c, v in terms(expr)], sense, rhs) == expected


def test_indicator_form_of_addConstr(m, xyb):
    x, y, b = xyb
    g = m.addConstr((b == 0) >> (x + 2 * y <= 3), name="ind")
    assert isinstance(g, didazoda.GenConstr)
    bv, val, expr, sense, rhs = m.getGenConstrIndicator(g)
    assert (bv, val, [(c, v.index) for c, v in terms(expr)], sense, rhs) == \
        (b, False, [(1.0, 0), (2.0, 1)], "<", 3.0)


@pytest.mark.parametrize("args, exc, text", [
    (("b", 1, "le"), TypeError, "binval should be a boolean value"),
    (("b", True, "x", "<", "3"), TypeError, "rhs should be a numeric value"),
    (("b", True, "le", "<", 3), ValueError,
     "both 'sense' and 'rhs' should be None if lhs is TempConstr"),
    (("b", True, "quad_le"), TypeError, "indicator constraints can only be in linear form"),
    (("b", True, "quad", "<", 1), TypeError, "Expect a LinExpr"),
    (("b", True, "range"), ValueError, None),  # one row cannot hold two sides
    (("b", True, "x"), TypeError, None),  # rhs None
    (("y", True, "le"), TypeError, MSG_TYPE.format("binvar", "didazoda.Var", "didazoda.Constr")),
    (("b", True, "x", "", 1), IndexError, None),
    (("b", True, "x", None, 1), TypeError, None),
])
def test_addGenConstrIndicator_errors(m, xyb, args, exc, text):
    x, y, b = xyb
    c = m.addConstr(x <= 1)
    objs = {"b": b, "x": x, "y": c, "le": x + y <= 3, "quad_le": x * x <= 1,
            "quad": x * x, "range": x + y == [1, 3]}
    args = tuple(objs.get(a, a) if isinstance(a, str) and a in objs else a for a in args)
    with pytest.raises(exc) as err:
        m.addGenConstrIndicator(*args)
    if text:
        assert str(err.value) == text
    assert m.getGenConstrs() == [] and m.NumGenConstrs == 0


def test_name_must_be_str(m, xyb):
    x, _, b = xyb
    with pytest.raises(TypeError, match="Argument 'name' has incorrect type"):
        m.addGenConstrIndicator(b, True, x <= 1, name=b"g")


@pytest.mark.parametrize("suffix", [".mps", ".lp"])
def test_sos_and_indicators_survive_files(m, xyb, tmp_path, suffix):
    x, y, b = xyb
    m.addConstr(x + y <= 4, name="c")
    m.addSOS(TVX.SOS_TYPE2, [x, y], [1, 2])
    m.addGenConstrIndicator(b, True, x + 2 * y >= 1, name="g")
    path = str(tmp_path / ("m" + suffix))
    m.write(path)
    r = didazoda.read(path)
    rx, ry, rb = r.getVars()
    t, members, weights = r.getSOS(r.getSOSs()[0])
    assert (t, [v.index for v in members], weights) == (TVX.SOS_TYPE2, [0, 1], [1.0, 2.0])
    bv, val, expr, sense, rhs = r.getGenConstrIndicator(r.getGenConstrs()[0])
    assert (bv is rb, val, [(c, v.index) for c, v in terms(expr)], sense, rhs) == \
        (True, True, [(1.0, 0), (2.0, 1)], ">", 1.0)


# ---- remove ---------------------------------------------------------------------


def test_remove_renumbers_every_holder():
    m = Model()
    xs = [m.addVar(name="x%d" % j) for j in range(10)]
    old = m.getVars()
    td = didazoda.tupledict({j: xs[j] for j in range(10)})
    expr = xs[3] + 2 * xs[4] + 3 * xs[8]
    c = m.addConstr(expr <= 10, name="c")
    m.remove([xs[7], (xs[3],), [[xs[7]]]])
    assert [x.index for x in old] == [0, 1, 2, -4, 3, 4, 5, -8, 6, 7]
    assert m.getVars() == [x for x in old if x.index >= 0] and old is not m.getVars()
    assert [v.VarName for v in m.getVars()] == ["x%d" % j for j in (0, 1, 2, 4, 5, 6, 8, 9)]
    assert td[4] is xs[4] and td[4].index == 3
    assert sorted(v.index for _, v in terms(expr)) == [-4, 3, 6]
    assert sorted((cf, v.VarName) for cf, v in terms(m.getRow(c))) == [(2.0, "x4"), (3.0, "x8")]
    assert m.NumVars == 8
    m.remove([xs[3], xs[7]])  # removed handles are skipped
    m.remove({})
    assert m.NumVars == 8 and xs[3].index == -4


def test_remove_reads_indices_after_the_walk():
    m = Model()
    a, x, y = (m.addVar(name=n) for n in "axy")

    def items():
        yield x
        m.remove(a)  # x and y move down while x waits to be removed

    m.remove(items())
    assert [v.VarName for v in m.getVars()] == ["y"]


def test_remove_each_kind(m, xyb):
    x, y, b = xyb
    cs = [m.addConstr(x + k * y <= k, name="c%d" % k) for k in range(1, 4)]
    soss = [m.addSOS(TVX.SOS_TYPE1, [x, y]), m.addSOS(TVX.SOS_TYPE1, [y])]
    gs = [m.addGenConstrIndicator(b, True, x <= k) for k in range(1, 4)]
    psd = m.getPsdConstrs()
    m.remove({"a": cs[0], "b": [soss[0], gs[1]], "c": (gs[1], cs[0])})
    assert [c.index for c in cs] == [-1, 0, 1] and [p.index for p in psd] == [-1, 0, 1]
    assert len(m.getConstrs()) == len(m.getPsdConstrs()) == 2
    assert [s.index for s in soss] == [-1, 0] and m.getSOS(soss[1])[1] == [y]
    assert [g.index for g in gs] == [0, -2, 1]
    assert m.getGenConstrIndicator(gs[2])[4] == 3.0
    assert m.getConstrs()[0].ConstrName == "c2"
    assert (m.NumConstrs, m.NumSOS, m.NumGenConstrs) == (2, 1, 2)


def test_remove_variable_keeps_other_sos_members(m, xyb):
    x, y, b = xyb
    s = m.addSOS(TVX.SOS_TYPE1, [x, y, b], [1, 2, 3])
    m.remove(x)
    assert m.getSOS(s)[1:] == ([y, b], [2.0, 3.0])


def test_remove_indicator_binary_refused(m, xyb):
    x, y, b = xyb
    g = m.addGenConstrIndicator(b, True, x <= 1)
    with pytest.raises(TarvexError) as err:
        m.remove([x, b])
    assert err.value.errno == -2022
    assert [v.index for v in (x, y, b)] == [0, 1, 2] and m.NumVars == 3
    m.remove(g)
    m.remove(b)
    assert b.index == -3 and m.getVars() == [x, y]


@pytest.mark.parametrize("items, exc, text", [
    (5, TypeError, "unsupported type: `int`"),
    ("x", TypeError, "unsupported type: `str`"),
    (["ok", 1], TypeError, "unsupported type: `str`"),
    ([np.float64(1)], TypeError, "unsupported type: `float64`"),
    (None, TypeError, None),
    ([object()], TypeError, None),
    ("psdvar", TypeError, "remove psd variable temporary not support"),
    ("psdconstr", TypeError, "remove psd constraint temporary not support"),
    ("self_list", RecursionError, None),
])
def test_remove_refusals_delete_nothing(m, xyb, items, exc, text):
    x, y, b = xyb
    c = m.addConstr(x <= 1)
    if items == "psdvar":
        items = [x, didazoda.PsdVar()]
    elif items == "psdconstr":
        items = [c, m.getPsdConstrs()[0]]
    elif items == "self_list":
        items = [x]
        items.append(items)
    elif isinstance(items, list):
        items = [x] + items
    with pytest.raises(exc) as err:
        m.remove(items)
    if text:
        assert str(err.value) == text
    assert (x.index, c.index, m.NumVars, m.NumConstrs) == (0, 0, 3, 1)


def test_remove_arrays_of_any_shape(m):
    X = m.addMVar((2, 2))
    xs = X.tolist()
    m.remove(X[0])
    m.remove(X[1, 1])  # index 1 once row 0 is gone
    assert [v.index for row in xs for v in row] == [-1, -2, 0, -2]
    m.remove(X)
    assert m.NumVars == 0
