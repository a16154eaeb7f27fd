"""PsdExpr: constructors, accessors, arithmetic, comparisons and text, and
matrix times PsdVar.

Terms are (coefficient matrix, PsdVar) pairs kept in order, never merged, the
matrices held as given; the linear part is a LinExpr of its own.
"""
import numpy as np
import pytest
import scipy.sparse as sp

from didazoda import LinExpr, Model, PsdExpr, TarvexError


@pytest.fixture
def m():
    return Model()


@pytest.fixture
def X(m):
    return m.addPsdVar(dim=2, name="X")


@pytest.fixture
def Y(m):
    return m.addPsdVar(dim=2, name="Y")


@pytest.fixture
def x(m):
    return m.addVar(name="x")


A = np.array([[2.0, 1.0], [1.0, 2.0]])
B = np.array([[1.0, 0.0], [0.0, 3.0]])


def terms(e):
    """(coefficient object, PsdVar name) per term."""
    return [(e.getCoeff(i), e.getVar(i).PsdVarName) for i in range(e.size())]


def fields(t):
    """(expr_, lhs_, rhs_) of a TempConstr, as its pickled state holds them."""
    return t.__reduce__()[1][1][:3]


def linear(e):
    lin = e.getLinExpr()
    return [(lin.getVar(i).VarName, lin.getCoeff(i)) for i in range(lin.size())], e.getConstant()


# ---- Construction ----------------------------------------------------------------------

@pytest.mark.parametrize("make, size, lin", [
    (lambda X, x: PsdExpr(), 0, ([], 0.0)),
    (lambda X, x: PsdExpr(1), 0, ([], 1.0)),
    (lambda X, x: PsdExpr(x), 0, ([("x", 1.0)], 0.0)),
    (lambda X, x: PsdExpr(2 * x + 1), 0, ([("x", 2.0)], 1.0)),
    (lambda X, x: PsdExpr(A, X), 1, ([], 0.0)),
    (lambda X, x: PsdExpr([(A, X), (3, x)]), 1, ([("x", 3.0)], 0.0)),
    (lambda X, x: PsdExpr([(A, X, "ignored")]), 1, ([], 0.0)),
    (lambda X, x: PsdExpr([A, B], [X, X]), 2, ([], 0.0)),
    (lambda X, x: PsdExpr(0, x), 0, ([], 0.0)),
    (lambda X, x: PsdExpr([0], [x]), 0, ([], 0.0)),
])
def test_constructor_forms(X, x, make, size, lin):
    e = make(X, x)
    assert type(e) is PsdExpr
    assert e.size() == size
    assert linear(e) == lin


def test_terms_hold_the_given_matrix(X):
    e = PsdExpr(A, X)
    assert e.getCoeff(0) is A and e.getVar(0).sameAs(X)
    copy = PsdExpr(e)
    copy.addTerms(B, X)
    assert e.size() == 1 and copy.size() == 2 and copy.getCoeff(0) is A


@pytest.mark.parametrize("make, exc, message", [
    (lambda X, x: PsdExpr(np.ones((2, 3)), X), ValueError, "expect a square matrix"),
    (lambda X, x: PsdExpr(np.ones(2), X), ValueError, "expect a 2-D matrix, got shape (2,)"),
    (lambda X, x: PsdExpr([np.ones((2, 2, 2))], [X]), ValueError,
     "expect a 2-D matrix, got shape (2, 2, 2)"),
    (lambda X, x: X * [1.0, 2.0], ValueError, "expect a 2-D matrix, got shape (2,)"),
    (lambda X, x: np.ones((2, 2, 2)) * X, ValueError, "expect a 2-D matrix, got shape (2, 2, 2)"),
    (lambda X, x: PsdExpr(np.ones((3, 3)), X), ValueError,
     "coefficient has different dim from psd variable"),
    (lambda X, x: PsdExpr([(A, X), 1.0]), TarvexError,
     "Each element should be a tuple or list with length 2"),
    (lambda X, x: PsdExpr([(A,)]), TarvexError,
     "Each element should be a tuple or list with length 2"),
    (lambda X, x: PsdExpr([[[1, 0], [0, 1]]], [X]), TarvexError,
     "Expect a list of numpy ndarray or scipy sparse matrix"),
    (lambda X, x: PsdExpr(["a"], [x]), TarvexError,
     "Expect a list of float value as coefficients"),
    (lambda X, x: PsdExpr([1, 2], [x, "y"]), TarvexError, "Invalid arguments"),
    (lambda X, x: PsdExpr(A, "X"), TarvexError, "Expect a var"),
    (lambda X, x: PsdExpr(X), TypeError, None),
    (lambda X, x: PsdExpr("abc"), ValueError, None),
])
def test_constructor_errors(X, x, make, exc, message):
    with pytest.raises(exc) as info:
        make(X, x)
    if message is not None:
        assert str(info.value) == message


def test_sequence_form_keeps_terms_before_a_failure(X, x):
    e = PsdExpr()
    with pytest.raises(TarvexError, match="Invalid arguments"):
        e.addTerms([1, 2], [x, "y"])
    assert linear(e) == ([("x", 1.0)], 0.0)
    with pytest.raises(IndexError):
        e.addTerms([A, B], [X])


# ---- Accessors and editing -------------------------------------------------------------

def test_accessors(X, x):
    e = PsdExpr([(A, X), (2, x)])
    e.addConstant(1.5)
    assert e.getConstant() == 1.5
    assert e.getLinExpr() is e.getLinExpr()
    e.getLinExpr().addConstant(1)
    assert e.getConstant() == 2.5
    for bad in (-1, 1):
        with pytest.raises(IndexError, match="list index out of range"):
            e.getCoeff(bad)
        with pytest.raises(IndexError, match="list index out of range"):
            e.getVar(bad)


def test_add_with_multiplier_leaves_the_other_expression(X, Y, x):
    e, f = PsdExpr(A, X), PsdExpr([(B, Y), (2, x)])
    f.addConstant(3)
    e.add(f, -1)
    assert [name for _, name in terms(e)] == ["X", "Y"]
    assert np.array_equal(e.getCoeff(1), -B)
    assert linear(e) == ([("x", -2.0)], -3.0)
    assert f.getCoeff(0) is B and linear(f) == ([("x", 2.0)], 3.0)
    with pytest.raises(TypeError, match="has incorrect type"):
        e.add(None)
    with pytest.raises(TypeError, match="has incorrect type"):
        e.add(LinExpr())


def test_remove_and_clear(X, Y, x):
    e = PsdExpr([(A, X), (B, Y), (B, X), (1, x)])
    e.remove(7)
    assert e.size() == 3
    e.remove(X)
    assert [name for _, name in terms(e)] == ["Y"]
    e.remove(x)
    assert linear(e) == ([], 0.0) and e.size() == 1
    e.remove(0)
    assert e.size() == 0
    with pytest.raises(TypeError, match="Argument `item` should be an integer or Var"):
        e.remove("X")
    e = PsdExpr([(A, X), (1, x)])
    lin = e.getLinExpr()
    e.addConstant(4)
    e.clear()
    assert e.size() == 0 and linear(e) == ([], 0.0) and lin.size() == 0


# ---- Arithmetic ----------------------------------------------------------------------------

def test_binary_operators_make_new_expressions(X, x):
    e = PsdExpr(A, X)
    for r in (e + 0, 0 + e, e - 0, e * 1, 1 * e):
        assert type(r) is PsdExpr and r is not e and r.getCoeff(0) is not None
    assert (e + 0).getCoeff(0) is A
    two = e * 2
    assert np.array_equal(two.getCoeff(0), 2.0 * A) and e.getCoeff(0) is A
    assert np.array_equal((2 * e).getCoeff(0), 2.0 * A)
    zero = e * 0
    assert zero.size() == 1 and not zero.getCoeff(0).any()
    sub = 0 - e
    assert sub.getCoeff(0).dtype == np.float64 and np.array_equal(sub.getCoeff(0), -A)
    ints = PsdExpr(np.array([[2, 1], [1, 2]]), X)
    assert (-ints).getCoeff(0).dtype.kind == "i"
    mixed = e + x - 3
    assert linear(mixed) == ([("x", 1.0)], -3.0)


def test_in_place_operators_change_the_expression(X, x):
    e = PsdExpr(A, X)
    e.addConstant(1)
    same = e
    e += e
    assert e is same and e.size() == 2 and e.getConstant() == 2.0
    e -= e
    assert e.size() == 4 and e.getConstant() == 0.0
    assert np.array_equal(e.getCoeff(3), -A)
    e += 2.5
    e += x
    assert linear(e) == ([("x", 1.0)], 2.5)
    e *= 2
    assert linear(e) == ([("x", 2.0)], 5.0)


@pytest.mark.parametrize("op, right", [
    (lambda e, o: e + o, "QuadExpr"),
    (lambda e, o: e.__iadd__(o), "QuadExpr"),
    (lambda e, o: e * o, "QuadExpr"),
    (lambda e, o: e * e, "PsdExpr"),
    (lambda e, o: e + [1], "list"),
])
def test_unsupported_operands(X, x, op, right):
    e = PsdExpr(A, X)
    with pytest.raises(TypeError) as info:
        op(e, x * x)
    assert str(info.value) == f"unsupport operation +=: `PsdExpr` and `{right}`"


@pytest.mark.parametrize("op", [
    lambda e: e - "s", lambda e: e / 2, lambda e: e ** 2, lambda e: abs(e), lambda e: +e,
    lambda e: e < 5, lambda e: e > 5, lambda e: hash(e),
])
def test_undefined_operators_raise_type_error(X, op):
    with pytest.raises(TypeError):
        op(PsdExpr(A, X))


def test_ndarray_gives_way_to_the_expression(X):
    e = PsdExpr(A, X)
    assert PsdExpr.__array_priority__ == 1000
    with pytest.raises(TypeError, match="unsupport operation"):
        np.ones((2, 2)) * e


# ---- Comparisons ---------------------------------------------------------------------------

def test_comparisons(X, x):
    e = PsdExpr(A, X)
    expr, lhs, rhs = fields(e <= 5)
    assert type(expr) is PsdExpr and expr is not e and expr.getConstant() == -5.0
    assert (lhs, rhs) == (None, 0)
    expr, lhs, rhs = fields(5 <= e)
    assert expr.getConstant() == -5.0 and (lhs, rhs) == (0, None)
    expr, lhs, rhs = fields(e == 5)
    assert expr.getConstant() == -5.0 and (lhs, rhs) == (0, 0)
    expr, lhs, rhs = fields(e == [1, 2])
    assert expr is e and (lhs, rhs) == (1, 2)
    assert fields(e == [None, 5])[1:] == (None, 0)
    assert (e != 5) is False
    with pytest.raises(ValueError, match=r"expect an array with 2 elements"):
        e == [1, 2, 3]
    with pytest.raises(TypeError, match="range constraint requires numeric values"):
        e == [1, "a"]
    with pytest.raises(TypeError):
        e == x


# ---- Matrix times PsdVar -------------------------------------------------------------------

@pytest.mark.parametrize("product", [
    lambda X: X * A, lambda X: A * X, lambda X: np.identity(2) * X,
    lambda X: X * sp.csr_matrix(A), lambda X: [[2, 1], [1, 2]] * X,
])
def test_matrix_times_psdvar(X, product):
    e = product(X)
    assert type(e) is PsdExpr and e.size() == 1 and e.getVar(0).sameAs(X)
    assert linear(e) == ([], 0.0)


def test_product_keeps_arrays_and_converts_lists(X):
    assert (X * A).getCoeff(0) is A
    listed = ([[2, 1], [1, 2]] * X).getCoeff(0)
    assert isinstance(listed, np.ndarray) and listed.dtype.kind == "i"
    with pytest.raises(ValueError, match="coefficient has different dim"):
        X * np.identity(3)


# ---- Text ---------------------------------------------------------------------------------

def test_text(m, x):
    X3 = m.addPsdVar(dim=3, name="X")
    C = np.identity(3)
    assert str(PsdExpr()) == repr(PsdExpr()) == "<PsdExpr: >"
    assert str(PsdExpr(5)) == "<PsdExpr: 5.0>"
    assert str(PsdExpr(-1 * x)) == "<PsdExpr: - x>"
    assert str(C * X3) == "<PsdExpr: (3, 3) * X>"
    assert str(C * X3 + 2 * x + 1) == "<PsdExpr: (3, 3) * X + 2.0 * x + 1.0>"
    # A negative linear part after matrix terms keeps its sign.
    assert str(C * X3 - x) == "<PsdExpr: (3, 3) * X - x>"
    assert str(C * X3 - 2) == "<PsdExpr: (3, 3) * X - 2.0>"
    twice = PsdExpr([(C, X3), (sp.csr_matrix(C), X3)])
    assert str(twice) == "<PsdExpr: (3, 3) * X + (3, 3) * X>"


def test_long_text_is_shortened(m):
    X = m.addPsdVar(dim=2, name="V" * 60)
    e = PsdExpr([(A, X)] * 4)
    body = str(e)[len("<PsdExpr: "):-1]
    assert len(body) == 251 and " ... " in body


