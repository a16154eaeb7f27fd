"""The array classes MVar, MConstr, MLinExpr and MQuadExpr: their members,
element-wise arithmetic by operand kind, and the cost of sums.

Cells are compared by their exact content (class, terms in order with
variable indices, constant), against the scalar operation on the same
elements in the order the kernels apply it, so the dispatch order is checked
as well as the values."""
import gc
import sys

import numpy as np
import pytest
import scipy.sparse as sp

from didazoda import LinExpr, MConstr, MLinExpr, MQuadExpr, MVar, Model, QuadExpr, Var


def content(e):
    """What a cell holds, exactly: numbers, handles and expressions term by term."""
    if isinstance(e, QuadExpr):
        lin = e.getLinExpr()
        return ("QuadExpr", content(lin)[1],
                [(float(e.getCoeff(k)), e.getVar1(k).index, e.getVar2(k).index)
                 for k in range(e.size())], lin.getConstant())
    if isinstance(e, LinExpr):
        return ("LinExpr", [(float(e.getCoeff(i)), e.getVar(i).index) for i in range(e.size())],
                e.getConstant())
    if isinstance(e, Var):
        return ("Var", e.index)
    return ("other", e)


def cells(arr):
    """The content of every cell of a one-dimensional array object."""
    return [content(arr[i].item()) for i in range(arr.shape[0])]


@pytest.fixture(scope="module")
def m():
    return Model()


# ---- Expression arrays ---------------------------------------------------------------------

TWINS = [(MLinExpr, LinExpr, "MLinExpr contains more than 1 LinExpr"),
         (MQuadExpr, QuadExpr, "MQuadExpr contains more than 1 QuadExpr")]


@pytest.mark.parametrize("cls, cell, item_error", TWINS)
def test_zeros_share_one_empty_cell(cls, cell, item_error):
    z = cls.zeros((2, 2))
    assert (type(z), z.shape, z.ndim, z.size) == (cls, (2, 2), 2, 4)
    objects = {id(z[i, j].item()) for i in range(2) for j in range(2)}
    assert len(objects) == 1 and type(z[0, 0].item()) is cell
    assert cls.zeros(()).shape == () and cls.zeros(()).size == 1
    empty = cls.zeros(0)
    assert empty.size == 0
    for whole in (z, empty):
        with pytest.raises(ValueError, match=f"^{item_error}$"):
            whole.item()


@pytest.mark.parametrize("cls, cell, item_error", TWINS)
def test_new_keeps_an_ndarray_and_wraps_anything_else(cls, cell, item_error):
    arr = np.array([cell(), cell()], dtype=object)
    wrapped = cls.new(arr)
    assert type(wrapped) is cls and wrapped.shape == (2,)
    wrapped[0] = 7
    assert arr[0] == 7  # the very array, not a copy
    single = cls.new(cell())
    assert single.shape == () and type(single.item()) is cell

    class Sub(cls):
        pass

    assert type(Sub.new(arr)) is cls and type(Sub.zeros(1)[0]) is cls


@pytest.mark.parametrize("cls, cell, item_error", TWINS)
def test_subscripts_views_copies_and_assignment(m, cls, cell, item_error):
    x = m.addMVar((2, 3))
    e = cls.new(np.array([[cell() for _ in range(3)] for _ in range(2)], dtype=object))
    one = e[0, 0]
    assert one.shape == () and one.item() is one.item() is e[0, 0].item()
    row = e[0]
    row[1] = x[1, 1].item() + 0
    assert content(e[0, 1].item()) == ("LinExpr", [(1.0, x[1, 1].item().index)], 0.0)
    copied = e.copy()
    copied[1, 2] = 3
    assert type(e[1, 2].item()) is cell
    e[0] = 5
    assert [e[0, j].item() for j in range(3)] == [5, 5, 5]
    with pytest.raises(NotImplementedError,
                       match=f"^Subscript deletion not supported by didazoda.{cls.__name__}$"):
        del e[0]
    with pytest.raises(IndexError):
        e[7]


@pytest.mark.parametrize("cls, cell, item_error", TWINS)
def test_clear_in_place_or_by_new_cells(m, cls, cell, item_error):
    v = m.addVar()
    source = cls.new(np.array([cell() + v, cell() + v], dtype=object))
    before = [source[i].item() for i in range(2)]
    source.copy().clear()
    if cls is MLinExpr:  # the cells themselves are emptied, in the source too
        assert [content(c) for c in before] == [("LinExpr", [], 0.0)] * 2
    else:  # new cells in the copy only
        assert all(c.size() == 0 and c.getLinExpr().size() == 1 for c in before)
    q = MQuadExpr.zeros((3,))
    q.clear()
    assert len({id(q[i].item()) for i in range(3)}) == 3


def test_sum_follows_numpy_reductions(m):
    x = m.addMVar((2, 2))
    ids = [v.index for row in x.tolist() for v in row]
    total = (x + 1).sum()
    assert type(total) is MLinExpr and total.shape == ()
    assert content(total.item()) == ("LinExpr", [(1.0, i) for i in ids], 4.0)
    columns = (x + 0).sum(axis=0)
    assert columns.shape == (2,)
    assert content(columns[1].item()) == ("LinExpr", [(1.0, ids[1]), (1.0, ids[3])], 0.0)
    row = (x[:1] + 0)
    assert row.sum(axis=0)[0].item() is row[0, 0].item()  # a group of one is not added
    assert MLinExpr.zeros(0).sum().item() == 0
    assert type(MQuadExpr.zeros(2).sum()) is MQuadExpr
    with pytest.raises(np.exceptions.AxisError if hasattr(np, "exceptions") else np.AxisError):
        (x + 0).sum(axis=5)


def test_empty_sums_hold_the_int_zero(m):
    for empty in (m.addMVar(0), m.addMVar((0, 3)), MLinExpr.zeros(0), MQuadExpr.zeros((2, 0))):
        total = empty.sum().item()
        assert type(total) is int and total == 0


def test_quadratic_sums_without_a_quadratic_term_are_linear(m):
    v, w = m.addVar(), m.addVar()
    assert type(QuadExpr(0) + QuadExpr(0)) is QuadExpr  # the scalar sum keeps its class
    assert content(MQuadExpr.zeros((2,)).sum().item()) == ("LinExpr", [], 0.0)
    cells = np.empty((2, 2), dtype=object)
    cells[0, 0], cells[0, 1] = QuadExpr() + v, QuadExpr() + 2 * w
    cells[1, 0], cells[1, 1] = v * w, QuadExpr() + 1
    q = MQuadExpr.new(cells)
    columns = q.sum(axis=0)
    assert type(columns) is MQuadExpr
    assert content(columns[0].item()) == ("QuadExpr", [(1.0, v.index)],
                                          [(1.0, v.index, w.index)], 0.0)
    assert content(columns[1].item()) == ("LinExpr", [(2.0, w.index)], 1.0)
    assert content(q.sum(axis=1)[0].item()) == ("LinExpr", [(1.0, v.index), (2.0, w.index)], 0.0)
    assert type(q.sum().item()) is QuadExpr
    assert q[:1].sum(axis=0)[0].item() is cells[0, 0]  # a group of one is not added
    assert [type(c) for c in cells.ravel()] == [QuadExpr] * 4  # the source is unchanged


@pytest.mark.parametrize("cls", [MVar, MLinExpr, MQuadExpr, MConstr])
def test_text_iteration_and_no_length(m, cls):
    if cls is MVar:
        a = m.addMVar((2, 2))
    elif cls is MConstr:
        a = m.addConstr(m.addMVar((2, 2)) <= 1)
    else:
        a = cls.zeros((2, 2))
    assert str(a).startswith(f"<{cls.__name__} (2, 2)>\n") and repr(a) == str(a)
    rows = list(a)
    assert [type(r) for r in rows] == [cls, cls] and rows[0].shape == (2,)
    assert list(a[0, 0]) == []
    with pytest.raises(TypeError):
        len(a)


@pytest.mark.parametrize("cls", [MLinExpr, MQuadExpr])
@pytest.mark.parametrize("name", ["shape", "ndim", "size", "__array_priority__"])
def test_expression_array_properties_are_read_only(cls, name):
    z = cls.zeros(2)
    with pytest.raises(TypeError, match="^Value is readonly$"):
        setattr(z, name, 1)
    assert z.__array_priority__ == 1000.0


# ---- MVar and MConstr -------------------------------------------------------------------------

def test_mvar_shape_operations(m):
    x = m.addMVar((3, 3))
    flat = [v for row in x.tolist() for v in row]
    assert x[0, 0].shape == () and x[0, 0].item() is flat[0] is x.tolist()[0][0]
    assert x[0].shape == (3,) and [r.shape for r in x] == [(3,)] * 3
    assert x.diagonal().tolist() == [flat[0], flat[4], flat[8]]
    assert x[:2].T.shape == (3, 2) and x[:2].transpose().shape == (3, 2)
    assert x.copy().tolist() == x.tolist()
    four = MVar.fromlist(flat[:4]).reshape(2, 2)
    assert four.tolist() == [flat[:2], flat[2:4]]
    assert four.reshape(-1, order="F").tolist() == [flat[0], flat[2], flat[1], flat[3]]
    assert four.reshape((2, 2)).tolist() == four.tolist()
    assert x[0, 0].tolist() is flat[0]
    with pytest.raises(ValueError, match="^MVar contains more than 1 variable$"):
        x.item()
    with pytest.raises(ValueError, match="^MVar contains more than 1 variable$"):
        x[:0].item()
    with pytest.raises(ValueError):
        x[0].diagonal()
    with pytest.raises(TypeError):
        x.reshape(9, bogus=1)


@pytest.mark.parametrize("arg, message", [
    (3, "Argument 'var' has incorrect type (expected didazoda.Var, got int)"),
    ("x", "Argument 'var' has incorrect type (expected didazoda.Var, got str)"),
])
def test_fromvar(m, arg, message):
    v = m.addVar()
    one = MVar.fromvar(v)
    assert one.shape == (1,) and one.item() is v
    with pytest.raises(TypeError) as info:
        MVar.fromvar(arg)
    assert str(info.value) == message


def test_fromvar_lets_none_through_and_every_use_refuses_it():
    """A cell holding None is refused wherever a variable is needed, before the library."""
    m = Model()
    v = m.addVar()
    x = MVar.fromvar(None)
    assert x.shape == (1,) and x.item() is None
    uses = [lambda: x.lb, lambda: setattr(x, "ub", 1), lambda: np.ones((1, 1)) @ x,
            lambda: x @ sp.csc_matrix(np.ones((1, 1))), lambda: x * v,
            lambda: m.addMConstr(np.ones((1, 1)), x, "<", [1]), lambda: m.addConstr(x <= 1),
            lambda: m.setObjective((x @ np.ones(1)).item())]
    for use in uses:
        with pytest.raises(TypeError):
            use()
    m.optimize()
    assert m.NumConstrs == 0 and m.ObjVal == 0


def test_fromlist_of_numbers_and_hash(m):
    assert MVar.fromlist([1.0, 2.0]).tolist() == [1.0, 2.0]
    with pytest.raises(TypeError, match="^unsupported operand type\\(s\\) for hash\\(\\): `MVar`$"):
        hash(m.addMVar(1))
    with pytest.raises(TypeError, match="MLinExpr"):
        {MLinExpr.zeros(1): 1}


def test_mconstr_members(m):
    x = m.addMVar((2, 3))
    c = m.addConstr(x <= 1)
    assert (c.shape, c.ndim, c.size) == ((2, 3), 2, 6)
    assert c[1, 2].item() is c.tolist()[1][2] and c[1, 2].shape == ()
    with pytest.raises(ValueError, match="^MConstr contains more than 1 constraint$"):
        c.item()
    assert MConstr._fromlist([c.tolist()[0][0]]).shape == (1,)
    other = MConstr._fromlist(c.tolist())
    assert c == c and c != other and {c: 1}[c] == 1
    with pytest.raises(TypeError):
        c + 1


def test_calling_the_class_gives_an_empty_shell():
    for cls in (MVar, MConstr, MLinExpr, MQuadExpr):
        shell = cls()
        with pytest.raises(AttributeError, match="NoneType"):
            shell.shape
        with pytest.raises(AttributeError, match="NoneType"):
            str(shell)


# ---- Element-wise arithmetic --------------------------------------------------------------

KINDS = ["n", "a", "v", "l", "q", "mv", "ml", "mq"]
ARRAYS = {"mv", "ml", "mq"}
RANK = {"mv": 1, "ml": 2, "mq": 3}


@pytest.fixture(scope="module")
def operands():
    model = Model()
    x, y = model.addMVar(3), model.addMVar(3)
    v, w = model.addVar(), model.addVar()
    return {
        "n": 2.5,
        "a": np.array([1.5, -2.0, 3.25]),
        "v": v,
        "l": 2 * w + 1,
        "q": w * v + 3 * w,
        "mv": x,
        "ml": 2 * y + np.array([1.0, 2.0, 3.0]),
        "mq": y * x + 1,
    }


def element(kind, o, i):
    """Cell i of an operand as the kernels see it."""
    if kind == "a":
        return float(o[i])
    if kind in ARRAYS:
        return o[i].item()
    return o


def expected_cells(op, lk, left, rk, right):
    """The scalar operation per cell, in the order the kernels apply it."""
    out = []
    for i in range(3):
        a, b = element(lk, left, i), element(rk, right, i)
        if lk in ARRAYS and rk in ARRAYS:
            first_left = RANK[lk] >= RANK[rk]
        elif lk in ARRAYS or rk in ARRAYS:
            first_left = lk in ARRAYS if rk != "a" and lk != "a" else lk == "a"
        else:  # an array-like with a scalar expression: the array-like's cell first
            first_left = lk == "a"
        out.append(op(a, b) if first_left else op(b, a))
    return [content(c) for c in out]


def involved(lk, rk):
    if lk in ARRAYS or rk in ARRAYS:
        return True
    return {lk, rk} & {"a"} and {lk, rk} & {"v", "l", "q"}


PAIRS = [(lk, rk) for lk in KINDS for rk in KINDS if involved(lk, rk)]


def add_class(lk, rk):
    return MQuadExpr if {lk, rk} & {"q", "mq"} else MLinExpr


def mul_class(lk, rk):
    kinds = {lk, rk}
    if kinds & {"q", "mq"}:
        return MQuadExpr if kinds & {"n", "a"} else None
    return MLinExpr if kinds & {"n", "a"} else MQuadExpr


def snapshot(operands):
    return {k: (cells(o) if k in ARRAYS else content(o) if k != "a" else list(o))
            for k, o in operands.items()}


@pytest.mark.parametrize("lk, rk", PAIRS)
def test_addition_table(operands, lk, rk):
    before = snapshot(operands)
    left, right = operands[lk], operands[rk]
    result = left + right
    assert type(result) is add_class(lk, rk) and result.shape == (3,)
    assert [content(result[i].item()) for i in range(3)] == \
        expected_cells(lambda a, b: a + b, lk, left, rk, right)
    assert snapshot(operands) == before


@pytest.mark.parametrize("lk, rk", PAIRS)
def test_multiplication_table(operands, lk, rk):
    before = snapshot(operands)
    left, right = operands[lk], operands[rk]
    cls = mul_class(lk, rk)
    if cls is None:
        with pytest.raises(TypeError) as info:
            left * right
        assert str(info.value) == "unsupported operand type(s) for *: `{}` and `{}`".format(
            type(left).__name__, type(right).__name__)
        return
    result = left * right
    assert type(result) is cls and result.shape == (3,)
    assert [content(result[i].item()) for i in range(3)] == \
        expected_cells(lambda a, b: a * b, lk, left, rk, right)
    assert snapshot(operands) == before


@pytest.mark.parametrize("kind", ["mv", "ml", "mq"])
def test_negation_division_and_subtraction(operands, kind):
    o = operands[kind]
    cls = MQuadExpr if kind == "mq" else MLinExpr
    assert type(-o) is cls and [content((-o)[i].item()) for i in range(3)] == \
        [content(o[i].item() * -1) for i in range(3)]
    assert [content((o / 4)[i].item()) for i in range(3)] == \
        [content(o[i].item() * 0.25) for i in range(3)]
    with pytest.raises(ZeroDivisionError, match="^float division$"):
        o / 0
    arr = np.array([1.0, 2.0, 3.0])
    assert [content((o - arr)[i].item()) for i in range(3)] == \
        [content(o[i].item() + -arr[i]) for i in range(3)]
    assert [content((arr - o)[i].item()) for i in range(3)] == \
        [content(arr[i] + o[i].item() * -1) for i in range(3)]


def test_powers(operands):
    x, ml = operands["mv"], operands["ml"]
    assert [content((x ** 2)[i].item()) for i in range(3)] == \
        [content(x[i].item() * x[i].item()) for i in range(3)]
    assert [content((ml ** 2)[i].item()) for i in range(3)] == \
        [content(ml[i].item() * ml[i].item()) for i in range(3)]


def test_two_mvars_subtract_with_the_negation_first(operands):
    x = operands["mv"]
    z = Model().addMVar(3)
    diff = x - z  # -z is an MLinExpr, the higher kind: its cells come first
    assert [content(diff[i].item()) for i in range(3)] == \
        [content(z[i].item() * -1 + x[i].item()) for i in range(3)]


@pytest.mark.parametrize("right, error, text", [
    ("abc", TypeError, "unsupported operand type(s) for +: `MVar` and `str`"),
    (None, TypeError, "unsupported operand type(s) for +: `MVar` and `NoneType`"),
    ({}, TypeError, "unsupported operand type(s) for +: `MVar` and `dict`"),
    ({1}, TypeError, "unsupported operand type(s) for +: `MVar` and `set`"),
    (object(), TypeError, "unsupported operand type(s) for +: `MVar` and `object`"),
    (sp.csr_matrix(np.eye(3)), TypeError,
     "unsupported operand type(s) for +: `MVar` and `csr_matrix`"),
    (1j, TypeError, None),
    ([1.0, 2.0], ValueError, None),
])
def test_refused_addends(operands, right, error, text):
    with pytest.raises(error) as info:
        operands["mv"] + right
    if text:
        assert str(info.value) == text


def test_objects_numpy_only_wraps_whole_are_refused_at_once(operands):
    x = operands["mv"]
    other = Model()
    handle = other.addConstr(other.addVar() <= 1)
    for bad in (handle, other, MConstr._fromlist([handle])):
        for op in ("+", "*"):
            with pytest.raises(TypeError) as info:
                x + bad if op == "+" else x * bad
            assert str(info.value) == "unsupported operand type(s) for {}: `MVar` and `{}`".format(
                op, type(bad).__name__)


def test_broadcasting(m):
    x = m.addMVar((2, 3))
    assert (x + np.ones(3)).shape == (2, 3)
    assert (x + m.addMVar(3)).shape == (2, 3)
    assert (x * m.addMVar((2, 1))).shape == (2, 3)
    with pytest.raises(ValueError):
        x + m.addMVar(2)


def test_empty_arrays(m):
    x = m.addMVar(0)
    assert (x + 0).shape == (0,) and (x * 2).shape == (0,)
    with pytest.raises(ValueError):
        x + m.addVar()


def test_class_comes_from_the_kernel_not_the_cells(operands):
    v, x = operands["v"], operands["mv"]
    quads = np.array([v * v, v * v, v * v], dtype=object)
    assert type(quads + x) is MLinExpr and isinstance((quads + x)[0].item(), QuadExpr)
    assert type(np.array([v, v, v], dtype=object) * v) is MLinExpr


@pytest.mark.parametrize("cls", [MLinExpr, MQuadExpr])
def test_in_place_operators_return_new_arrays(m, cls):
    v = m.addVar()
    e = cls.zeros((2, 2))
    shared = e[0, 0].item()
    alias = e
    e += v
    assert e is not alias and len({id(e[i, j].item()) for i in range(2) for j in range(2)}) == 4
    assert content(shared) == content(cls.zeros(1)[0].item())
    e -= np.array([1.0, 2.0])
    e *= 2
    e *= np.array([1.0, 3.0])
    assert type(e) is cls
    cell = e[1, 1].item()
    assert (cell.getLinExpr() if cls is MQuadExpr else cell).getConstant() == -12.0
    with pytest.raises(TypeError):
        e -= [1.0, 2.0]
    for bad in (v, v + 1, m.addMVar(2), sp.csr_matrix(np.eye(2)), "s"):
        with pytest.raises(TypeError) as info:
            e *= bad
        assert str(info.value) == f"unsupport operation *=: `{cls.__name__}` and " \
                                  f"`{type(bad).__name__}`"
    lin = MLinExpr.zeros(2)
    lin += v * v
    assert type(lin) is MQuadExpr


# ---- Failures inside an operator -------------------------------------------------------------

@pytest.fixture(scope="module")
def three():
    """Array objects of three cells, and an MVar and an array of four to mismatch them."""
    model = Model()
    x = model.addMVar(3)
    return {"MVar": x, "MLinExpr": 2 * x + 1, "MQuadExpr": x * x + 1, "four": model.addMVar(4)}


def in_place(op):
    def run(a, b):
        c = a
        if op == "+=":
            c += b
        elif op == "-=":
            c -= b
        else:
            c *= b
        return c
    return run


SHAPE_MISMATCHES = [
    ("a + b", lambda a, b: a + b), ("b + a", lambda a, b: b + a),
    ("a - b", lambda a, b: a - b), ("b - a", lambda a, b: b - a),
    ("a * b", lambda a, b: a * b), ("b * a", lambda a, b: b * a),
    ("a <= b", lambda a, b: a <= b), ("b <= a", lambda a, b: b <= a),
    ("a >= b", lambda a, b: a >= b), ("b >= a", lambda a, b: b >= a),
    ("a == b", lambda a, b: a == b), ("b == a", lambda a, b: b == a),
    ("a += b", in_place("+=")), ("a -= b", in_place("-=")), ("a *= b", in_place("*=")),
]


def refused_by_kind(name, other, form):
    """Pairings refused before any shape is looked at: a degree above two, and *= of an
    array object."""
    return other == "MVar" and ("*" in form and name == "MQuadExpr" or
                                form == "a *= b" and name != "MVar")


MISMATCH_CASES = [(name, other, form, build) for name in ["MVar", "MLinExpr", "MQuadExpr"]
                  for other in ["ndarray", "MVar"] for form, build in SHAPE_MISMATCHES
                  if not refused_by_kind(name, other, form)]


@pytest.mark.parametrize("name, other, form, build", MISMATCH_CASES,
                         ids=[f"{n} {f} {o}" for n, o, f, _ in MISMATCH_CASES])
def test_unbroadcastable_shapes_raise_numpys_error(three, name, other, form, build):
    b = np.ones(4) if other == "ndarray" else three["four"]
    with pytest.raises(ValueError, match="could not be broadcast"):
        build(three[name], b)


def test_matrix_product_against_a_right_side_of_another_length(three):
    x = three["MVar"]
    for build in (lambda: np.ones((2, 3)) @ x <= np.ones(3),
                  lambda: np.ones((2, 3)) @ x == np.ones(3),
                  lambda: np.ones(3) >= sp.csr_matrix(np.ones((2, 3))) @ x):
        with pytest.raises(ValueError, match="could not be broadcast"):
            build()


class Cell:
    """An array cell whose own operators fail with an error of its own."""

    def __neg__(self):
        raise ValueError("cell negation")

    def __add__(self, other):
        raise ArithmeticError("cell addition")

    __radd__ = __add__


@pytest.mark.parametrize("left", ["Var", "LinExpr", "QuadExpr", "MVar", "MLinExpr", "MQuadExpr"])
def test_errors_raised_by_the_cells_pass_unchanged(left):
    m = Model()
    v = m.addVar()
    a = {"Var": v, "LinExpr": 2 * v, "QuadExpr": v * v, "MVar": m.addMVar(2),
         "MLinExpr": m.addMVar(2) + 1, "MQuadExpr": m.addMVar(2) * v}[left]
    cells = np.array([Cell(), Cell()], dtype=object)
    builds = [(lambda: a - cells, ValueError, "cell negation"),
              (lambda: a <= cells, ValueError, "cell negation"),
              (lambda: a + cells, ArithmeticError, "cell addition")]
    if left.startswith("M"):  # a scalar expression == two values is a range
        builds.append((lambda: a == cells, ValueError, "cell negation"))
    for build, error, text in builds:
        with pytest.raises(error, match=text):
            build()


def test_subtracting_a_list_is_the_error_of_its_unary_minus(three):
    for a in (three["MVar"], three["MLinExpr"], three["MQuadExpr"]):
        with pytest.raises(TypeError, match=r"^bad operand type for unary -: 'list'$"):
            a - [1, 2, 3]
        assert type(a + [-1, -2, -3]) in (MLinExpr, MQuadExpr)


def test_numpy_scalars_reach_numpys_matrix_product(three):
    x, e = three["MVar"], three["MLinExpr"]
    for build in (lambda: x @ np.float64(2), lambda: np.float64(2) @ x, lambda: e @ np.int64(2),
                  lambda: three["MQuadExpr"] @ np.float32(2)):
        with pytest.raises(ValueError, match="matmul"):
            build()
    with pytest.raises(TypeError, match=r"^unsupported operand type\(s\) for @: `MVar` and `int`$"):
        x @ 2


# ---- Linear cost ---------------------------------------------------------------------------

def test_sum_of_a_million_cells_has_a_million_terms():
    m = Model()
    x = m.addMVar(10 ** 6)
    total = x.sum().item()
    assert total.size() == 10 ** 6
    assert (2 * x + 1).sum().item().getConstant() == 10 ** 6


def test_sums_sharing_a_term_list_stay_apart(m):
    v = m.addMVar(4).tolist()
    e = v[0] + v[1]
    f = e + v[2]
    g = e + v[3]
    f += v[0]
    assert content(e) == ("LinExpr", [(1.0, v[0].index), (1.0, v[1].index)], 0.0)
    assert content(g)[1] == content(e)[1] + [(1.0, v[3].index)]
    assert content(f)[1] == content(e)[1] + [(1.0, v[2].index), (1.0, v[0].index)]
    q = v[0] * v[1]
    r, s = q + v[2], q + v[3]
    assert content(r)[1] == [(1.0, v[2].index)] and content(s)[1] == [(1.0, v[3].index)]
    assert content(q) == content(v[0] * v[1])


def test_array_operations_keep_reference_counts(m):
    x = m.addMVar(3)
    v = m.addVar()
    arr = np.array([1.0, 2.0, 3.0])
    for _ in range(2):
        for build in (lambda: x + v, lambda: x * arr, lambda: -x, lambda: x ** 2,
                      lambda: (x + 1).sum(), lambda: x <= 1, lambda: x == arr):
            build()
        for bad in (None, "s"):
            with pytest.raises(TypeError):
                x + bad
        if _ == 0:
            gc.collect()
            before = [sys.getrefcount(o) for o in (x, v, arr)]
    gc.collect()
    assert [sys.getrefcount(o) for o in (x, v, arr)] == before
