"""Arrays in a model: Model.addMVar, Model.addConstr of array comparisons,
Model.remove of arrays, evaluation, and a model built only with arrays
solved against the scalar formulation and scipy's linprog."""
import numpy as np
import pytest
import scipy.optimize
import scipy.sparse as sp

from didazoda import TVX, MConstr, MLinExpr, MVar, Model, TarvexError


def read(m, attr, items):
    return m.getAttr(attr, list(np.asarray(items, dtype=object).ravel()))


# ---- addMVar -----------------------------------------------------------------------------

@pytest.mark.parametrize("shape, expected", [
    (3, (3,)), ((2, 3), (2, 3)), ((2, 1, 2), (2, 1, 2)), ((0,), (0,)), ((2, 0), (2, 0)),
    (np.int64(2), (2,)),
])
def test_addmvar_shapes_number_the_cells_in_row_major_order(shape, expected):
    m = Model()
    m.addVar()
    x = m.addMVar(shape)
    assert type(x) is MVar and x.shape == expected
    assert [v.index for v in np.asarray(x.tolist(), dtype=object).ravel()] == \
        list(range(1, 1 + x.size))
    assert m.NumVars == 1 + x.size
    y = m.addMVar(2)
    assert [v.index for v in y.tolist()] == [1 + x.size, 2 + x.size]


@pytest.mark.parametrize("shape, error, text", [
    ((), ValueError, "empty shape"),
    ([2, 2], TypeError, None),
    (-1, ValueError, None),
    ("2", TypeError, None),
])
def test_addmvar_refused_shapes_add_nothing(shape, error, text):
    m = Model()
    with pytest.raises(error) as info:
        m.addMVar(shape)
    if text:
        assert str(info.value) == text
    assert m.NumVars == 0


FORTRAN = np.asfortranarray(np.array([[1.0, 2.0, 3.0], [4.0, 5.0, 6.0]]))


@pytest.mark.parametrize("option, attr, value, expected", [
    ("lb", "LB", 1.5, [1.5] * 6),
    ("lb", "LB", [1, 2, 3, 4, 5, 6], [1.0, 2.0, 3.0, 4.0, 5.0, 6.0]),
    ("lb", "LB", np.zeros(6), [0.0] * 6),
    ("lb", "LB", FORTRAN, [1.0, 2.0, 3.0, 4.0, 5.0, 6.0]),
    ("lb", "LB", FORTRAN.T.copy().T, [1.0, 2.0, 3.0, 4.0, 5.0, 6.0]),
    ("lb", "LB", np.arange(12.0).reshape(2, 6)[:, ::2], [0.0, 2.0, 4.0, 6.0, 8.0, 10.0]),
    ("lb", "LB", np.arange(6.0)[::-1], [5.0, 4.0, 3.0, 2.0, 1.0, 0.0]),
    ("ub", "UB", 5, [5.0] * 6),
    ("ub", "UB", 1e30, [1e20] * 6),
    ("ub", "UB", FORTRAN.T, [1.0, 4.0, 2.0, 5.0, 3.0, 6.0]),
    ("obj", "Obj", [[1, 2, 3], [4, 5, 6]], [1.0, 2.0, 3.0, 4.0, 5.0, 6.0]),
    ("obj", "Obj", FORTRAN, [1.0, 2.0, 3.0, 4.0, 5.0, 6.0]),
    ("vtype", "VType", "B", [b"B"] * 6),
    ("vtype", "VType", "IB", [b"I"] * 6),
    ("vtype", "VType", np.array([["B", "I", "C"], ["S", "N", "C"]], order="F"),
     [b"B", b"I", b"C", b"S", b"N", b"C"]),
])
def test_addmvar_options_are_read_in_row_major_order(option, attr, value, expected):
    m = Model()
    x = m.addMVar((2, 3), **{option: value})
    assert read(m, attr, x.tolist()) == expected


@pytest.mark.parametrize("kwargs, error, text", [
    ({"lb": [1, 2, 3]}, ValueError, "lb doesn't have enough elements"),
    ({"lb": list(range(7))}, ValueError, "lb doesn't have enough elements"),
    ({"ub": [1, 2]}, ValueError, "ub doesn't have enough elements"),
    ({"obj": np.ones(5)}, ValueError, "obj doesn't have enough elements"),
    ({"vtype": ["B"]}, ValueError, "vtype doesn't have enough elements"),
    ({"vtype": 5}, TypeError, "vtype should be str or byte"),
    ({"vtype": [1, 2, 3, 4, 5, 6]}, TypeError, None),
    ({"name": ["a", "b"]}, ValueError, "names doesn't have enough elements"),
    ({"lb": "x"}, ValueError, None),
])
def test_addmvar_refused_options_add_nothing(kwargs, error, text):
    m = Model()
    with pytest.raises(error) as info:
        m.addMVar((2, 3), **kwargs)
    if text:
        assert str(info.value) == text
    elif kwargs.get("vtype") == [1, 2, 3, 4, 5, 6]:
        assert str(info.value) == "vtype contains bad type {} at 0".format(
            type(np.array([1])[0]).__name__)
    assert m.NumVars == 0


@pytest.mark.parametrize("shape, name, expected", [
    (3, "x", ["x[0]", "x[1]", "x[2]"]),
    ((2, 2), "y", ["y[0,0]", "y[0,1]", "y[1,0]", "y[1,1]"]),
    ((2,), ["p", "q"], ["p", "q"]),
    ((2, 1), np.array([["p"], ["q"]]), ["p", "q"]),
    ((2,), "", ["", ""]),
    ((2,), None, ["", ""]),
])
def test_addmvar_names(shape, name, expected):
    m = Model()
    x = m.addMVar(shape, name=name)
    assert read(m, "VarName", x.tolist()) == expected


def test_addmvar_defaults_and_arguments():
    m = Model()
    x = m.addMVar(2)
    assert read(m, "LB", x.tolist()) == [0.0, 0.0] and read(m, "UB", x.tolist()) == [1e20, 1e20]
    y = m.addMVar(shape=1, lb=-1, ub=1, obj=2, vtype="I", name="v")
    assert read(m, "VarName", y.tolist()) == ["v[0]"]
    with pytest.raises(TypeError):
        m.addMVar(1, bogus=1)
    with pytest.raises(TypeError):
        m.addMVar()


# ---- addConstr of arrays ---------------------------------------------------------------

INF = 1e20


def rows(m):
    """Each row as (coefficients over all variables, lower side, upper side, name)."""
    a = m.getA().toarray()
    cs = m.getConstrs()
    return [(list(a[i]), m.getAttr("LHS", [c])[0], m.getAttr("RHS", [c])[0],
             m.getAttr("ConstrName", [c])[0]) for i, c in enumerate(cs)]


def test_array_comparisons_add_one_row_per_cell():
    m = Model()
    x = m.addMVar((2, 2))
    y = m.addMVar((2, 2))
    c1 = m.addConstr(x <= 1, name="le")
    assert type(c1) is MConstr and c1.shape == (2, 2)
    b = np.array([[1.0, 2.0], [3.0, 4.0]])
    c2 = m.addConstr(x + y == b)
    c3 = m.addConstr(2 * x - y >= np.array([5.0, 6.0]), name="ge")
    c4 = m.addConstr(x[0] == 3)
    assert (c2.shape, c3.shape, c4.shape) == ((2, 2), (2, 2), (2,))
    got = rows(m)
    assert len(got) == 4 + 4 + 4 + 2
    e = np.eye(8)
    for k in range(4):
        assert got[k] == (list(e[k]), -INF, 1.0, "le[{},{}]".format(k // 2, k % 2))
        assert got[4 + k][0] == list(e[k] + e[4 + k])
        assert got[8 + k][0] == list(2 * e[k] - e[4 + k])
        assert got[8 + k][1:] == ([5.0, 6.0][k % 2], INF, "ge[{},{}]".format(k // 2, k % 2))
    assert [r[1:3] for r in got[4:8]] == [(v, v) for v in b.ravel()]
    assert [r[1:3] for r in got[12:]] == [(3.0, 3.0), (3.0, 3.0)]
    assert c1[1, 0].item().index == 2 and c4.tolist()[1].index == 13


def test_equality_with_a_two_element_vector_is_element_wise():
    m = Model()
    x = m.addMVar(2)
    c = m.addConstr(x == [4, 7])
    assert c.shape == (2,) and [r[1:3] for r in rows(m)] == [(4.0, 4.0), (7.0, 7.0)]


def test_array_constraint_from_a_zero_dim_and_an_empty_array():
    m = Model()
    x = m.addMVar(3)
    one = m.addConstr(x.sum() <= 2, name="s")
    assert one.shape == () and rows(m)[0] == ([1.0, 1.0, 1.0], -INF, 2.0, "s[]")
    none = m.addConstr(x[:0] >= 1)
    assert none.shape == (0,) and m.NumConstrs == 1


def test_refused_array_constraints_add_nothing():
    m = Model()
    x = m.addMVar(2)
    other = Model().addMVar(2)
    for tc, error in ((x * x <= 1, TypeError), (x + other <= 1, TarvexError),
                      (MLinExpr.new(np.array([1, 2], dtype=object)) <= 1, TypeError)):
        with pytest.raises(error):
            m.addConstr(tc)
    assert m.NumConstrs == 0


# ---- Attribute writes on arrays ----------------------------------------------------------

def array_of(kind):
    """A 2-by-2 MVar or a 4-row MConstr with its model."""
    m = Model()
    x = m.addMVar((2, 2), ub=7.0)
    if kind == "MVar":
        return m, x, "UB", 7.0
    return m, m.addMConstr(np.eye(4), x.reshape(4), "<", np.full(4, 7.0)), "RHS", 7.0


@pytest.mark.parametrize("values", [[1, 2, 3], [1, 2, 3, 4, 5], np.ones((2, 3)), np.ones(1),
                                    sp.csr_matrix(np.ones((1, 5)))],
                         ids=["3", "5", "2x3", "1", "sparse 5"])
@pytest.mark.parametrize("how", ["attribute", "setAttr"])
@pytest.mark.parametrize("kind", ["MVar", "MConstr"])
def test_array_writes_of_a_wrong_count_write_nothing(kind, how, values):
    m, arr, attr, before = array_of(kind)
    given = np.size(values) if not sp.issparse(values) else values.shape[0] * values.shape[1]
    with pytest.raises(ValueError) as info:
        if how == "attribute":
            setattr(arr, attr.lower(), values)
        else:
            arr.setAttr(attr, values)
    name = attr.lower() if how == "attribute" else attr
    assert str(info.value) == f"expected 4 values for `{name}` (one per cell), got {given}"
    assert np.array_equal(arr.getAttr(attr).ravel(), np.full(4, before))


def test_array_writes_of_an_unknown_name_are_refused_by_name_first():
    m, x, _, _ = array_of("MVar")
    with pytest.raises(AttributeError, match="^Attribute `bogus` does not exist$"):
        x.bogus = [1, 2, 3]


@pytest.mark.parametrize("values, letter, cell", [
    (["C", "Q", "B", "I"], "Q", 1),
    ("q", "q", 0),
    ([[b"B", b"I"], [b"N", b"x"]], "x", 3),
    (np.array([["c", "b"], ["i", "?"]]), "?", 3),
    ([1, 2, 3, 4], "1", 0),
])
def test_array_type_writes_name_the_refused_letter(values, letter, cell):
    m = Model()
    x = m.addMVar((2, 2), vtype="I")
    with pytest.raises(TarvexError) as info:
        x.vtype = values
    assert info.value.errno == TVX.Error.MODEL_INPUT_ERROR
    assert str(info.value) == f"Invalid model data: variable type '{letter}' (cell {cell}) " \
                              "is none of C, B, I, S, N"
    with pytest.raises(TarvexError, match=f"'{letter}' \\(cell {cell}\\)"):
        x.setAttr("VType", values)
    assert x.VType.tolist() == [[b"I", b"I"], [b"I", b"I"]]
    x.vtype = ["c", "B", "s", "N"]  # either case, as the library takes them
    assert x.VType.tolist() == [[b"C", b"B"], [b"S", b"N"]]


# ---- remove ------------------------------------------------------------------------------

@pytest.mark.parametrize("select", [
    lambda a: a, lambda a: a[0], lambda a: a[1, 2], lambda a: a[:, ::-1], lambda a: a[:0],
    lambda a: a[::-1], lambda a: [a[0], a[1, 1]],
])
def test_remove_arrays_of_any_shape(select):
    m = Model()
    x = m.addMVar((2, 3))
    c = m.addConstr(x <= 1)
    for arr, count in ((c, "NumConstrs"), (x, "NumVars")):
        part = select(arr)
        removed = handles_of(part)
        before = getattr(m, count)
        m.remove(part)
        assert getattr(m, count) == before - len(removed)
        assert all(h.index < 0 for h in removed)
        kept = [h for h in handles_of(arr) if h.index >= 0]
        assert [h.index for h in kept] == list(range(len(kept)))


def handles_of(part):
    out = []
    for p in part if isinstance(part, list) else [part]:
        cells = p.tolist()
        out += list(np.asarray(cells, dtype=object).ravel()) if isinstance(cells, list) else [cells]
    return out


# ---- Evaluation --------------------------------------------------------------------------

def test_getvalue_reads_the_solution_once_for_all_cells():
    m = Model()
    x = m.addMVar((2, 2), lb=np.array([[1.0, 2.0], [3.0, 4.0]]), ub=np.array([[1, 2], [3, 4]]))
    m.setObjective(x.sum().item())
    e, q = 2 * x + 1, x * x - x
    with pytest.raises(TarvexError):
        e.getValue()
    assert np.array_equal(MLinExpr.zeros((2, 2)).getValue(), np.zeros((2, 2)))
    m.optimize()
    assert np.array_equal(e.getValue(), [[3.0, 5.0], [7.0, 9.0]])
    assert np.array_equal(q.getValue(), [[0.0, 2.0], [6.0, 12.0]])
    assert e[1, 1].getValue().shape == () and e[1, 1].getValue() == 9.0
    assert e[:0].getValue().shape == (0, 2)
    assert x.sum().getValue() == 10.0
    mixed = MLinExpr.new(np.array([e[0, 0].item(), 5], dtype=object))
    with pytest.raises(AttributeError):
        mixed.getValue()

    class Custom:
        def getValue(self):
            return 2.5

    assert list(MLinExpr.new(np.array([Custom(), e[0, 1].item()], dtype=object)).getValue()) == \
        [2.5, 5.0]


def test_getvalue_of_cells_from_two_models_reads_each_model():
    a, b = Model(), Model()
    x, y = a.addMVar(1, lb=1, ub=1), b.addMVar(1, lb=2, ub=2)
    for m in (a, b):
        m.optimize()
    e = MLinExpr.new(np.array([x[0].item() + y[0].item()], dtype=object))
    assert list(e.getValue()) == [3.0]


# ---- A model built with arrays ---------------------------------------------------------

SUPPLY = np.array([20.0, 30.0, 25.0])
DEMAND = np.array([10.0, 25.0, 15.0, 20.0])
COST = np.array([[8.0, 6.0, 10.0, 9.0], [9.0, 12.0, 13.0, 7.0], [14.0, 9.0, 16.0, 5.0]])


def transport_arrays():
    m = Model()
    x = m.addMVar(COST.shape, name="x")
    m.addConstr(x.sum(axis=1) <= SUPPLY, name="supply")
    m.addConstr(x.sum(axis=0) >= DEMAND, name="demand")
    m.setObjective((COST * x).sum().item())
    m.optimize()
    return m, x


def transport_scalar():
    m = Model()
    x = [[m.addVar() for _ in range(4)] for _ in range(3)]
    for i in range(3):
        m.addConstr(sum(x[i]) <= SUPPLY[i])
    for j in range(4):
        m.addConstr(sum(x[i][j] for i in range(3)) >= DEMAND[j])
    m.setObjective(sum(COST[i, j] * x[i][j] for i in range(3) for j in range(4)))
    m.optimize()
    return m


def test_transportation_problem_solved_with_arrays():
    m, x = transport_arrays()
    reference = scipy.optimize.linprog(
        COST.ravel(),
        A_ub=np.vstack([np.kron(np.eye(3), np.ones(4)), -np.kron(np.ones(3), np.eye(4))]),
        b_ub=np.concatenate([SUPPLY, -DEMAND]), bounds=(0, None))
    assert reference.status == 0
    assert m.ObjVal == pytest.approx(reference.fun) == pytest.approx(transport_scalar().ObjVal)
    flows = np.array(read(m, "X", x.tolist())).reshape(3, 4)
    assert np.allclose(x.sum(axis=0).getValue(), flows.sum(axis=0))
    assert (COST * x).sum().getValue() == pytest.approx(m.ObjVal)
    assert np.all(x.sum(axis=1).getValue() <= SUPPLY + 1e-7)
