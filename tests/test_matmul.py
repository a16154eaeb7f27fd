"""Matrix products of the array classes (dense and sparse), Model.addMConstr,
attribute access on MVar and MConstr, and models built with products solved
against their scalar formulations, scipy's linprog and known optima."""
import numpy as np
import pytest
import scipy.optimize
import scipy.sparse as sp

from didazoda import (TVX, LinExpr, MConstr, MLinExpr, MQuadExpr, MVar, Model, QuadExpr,
                      TarvexError, Var)


def content(e):
    """A cell exactly: class, linear terms (coefficient, variable index), quadratic terms
    (coefficient, first index, second index), constant."""
    if isinstance(e, QuadExpr):
        lin = e.getLinExpr()
        return ("Q", content(lin)[1],
                [(e.getCoeff(k), e.getVar1(k).index, e.getVar2(k).index) for k in range(e.size())],
                lin.getConstant())
    if isinstance(e, LinExpr):
        return ("L", [(e.getCoeff(i), e.getVar(i).index) for i in range(e.size())], [],
                e.getConstant())
    if isinstance(e, Var):
        return ("V", e.index)
    return ("other", e)


def cells(a):
    """The content of every cell of an array object, row-major."""
    return [content(a[idx].item()) for idx in np.ndindex(a.shape)]


def lin(terms, constant=0.0):
    return ("L", terms, [], constant)


def indices(x):
    return np.vectorize(lambda v: v.index, otypes=[int])(np.array(x.tolist(), dtype=object))


# ---- Sparse products ------------------------------------------------------------------------

def test_the_worked_sparse_example():
    m = Model()
    A = m.addMVar((2, 3))
    ix = indices(A)
    S = sp.csc_matrix((np.array([1.0, 2.0, 3.0]), np.array([0, 2, 1]), np.array([0, 2, 3])),
                      shape=(3, 2))
    R = A @ S
    assert type(R) is MLinExpr and R.shape == (2, 2)
    assert cells(R) == [lin([(1.0, ix[0, 0]), (2.0, ix[0, 2])]), lin([(3.0, ix[0, 1])]),
                        lin([(1.0, ix[1, 0]), (2.0, ix[1, 2])]), lin([(3.0, ix[1, 1])])]


DENSE = np.array([[1.0, 0.0, 2.0], [0.0, 3.0, -1.5]])


def sparse_forms(dense):
    out = {}
    for fmt in ("csr", "csc", "coo"):
        out[fmt] = getattr(sp, fmt + "_matrix")(dense)
        out[fmt + "_array"] = getattr(sp, fmt + "_array")(dense)
    out["int"] = sp.csr_matrix(np.array([[1, 0, 2], [0, 3, -1]]))
    out["int64 indices"] = sp.csr_matrix(
        (dense[dense != 0], np.nonzero(dense)[1].astype(np.int64),
         np.array([0, 2, 4], dtype=np.int64)), shape=dense.shape)
    return out


@pytest.mark.parametrize("form", list(sparse_forms(DENSE)))
def test_sparse_inputs_of_every_form_skip_zeros(form):
    m = Model()
    x = m.addMVar(3)
    S = sparse_forms(DENSE)[form]
    ix = indices(x)
    want = DENSE if form != "int" else np.array([[1.0, 0, 2], [0, 3, -1]])
    expected = [lin([(want[i, j], ix[j]) for j in range(3) if want[i, j] != 0]) for i in range(2)]
    assert cells(S @ x) == expected
    assert cells(x @ S.T) == expected


def test_dense_products_keep_zeros_and_read_any_layout():
    m = Model()
    x = m.addMVar(3)
    ix = indices(x)
    expected = [lin([(DENSE[i, j], ix[j]) for j in range(3)]) for i in range(2)]
    assert cells(DENSE @ x) == expected
    assert cells(x @ DENSE.T) == expected
    assert cells(np.asfortranarray(DENSE) @ x) == expected
    assert cells(DENSE.T.copy().T @ x) == expected
    assert cells(DENSE.tolist() @ x) == expected
    assert cells(np.array([[1, 0, 2], [0, 3, -1]]) @ x)[0] == lin([(1.0, ix[0]), (0.0, ix[1]),
                                                                    (2.0, ix[2])])
    reversed_ = [lin([(DENSE[i, j], ix[2 - j]) for j in range(3)]) for i in range(2)]
    assert cells(DENSE @ x[::-1]) == reversed_
    assert cells(DENSE[:, ::-1][:, ::-1] @ x) == expected
    wide = np.arange(12.0).reshape(2, 6)[:, ::2]
    assert cells(wide @ x) == [lin([(wide[i, j], ix[j]) for j in range(3)]) for i in range(2)]


def test_dense_product_of_two_mvars_keeps_operand_order():
    m = Model()
    x, y = m.addMVar(2), m.addMVar(2)
    q = (y @ x).item()
    ix, iy = indices(x), indices(y)
    assert content(q) == ("Q", [], [(1, iy[0], ix[0]), (1, iy[1], ix[1])], 0.0)
    assert type(q.getCoeff(0)) is int
    assert content((x @ x).item())[2] == [(1, ix[0], ix[0]), (1, ix[1], ix[1])]


X23 = "addMVar((2, 3))"


@pytest.mark.parametrize("left, right, cls, shape", [
    ("np.ones((4, 3))", "x3", MLinExpr, (4,)),
    ("np.ones(3)", "x3", MLinExpr, ()),
    ("np.ones((4, 3))", "x23.T", MLinExpr, (4, 2)),
    ("x3", "np.ones((3, 4))", MLinExpr, (4,)),
    ("x23", "np.ones(3)", MLinExpr, (2,)),
    ("x23", "np.ones((3, 5))", MLinExpr, (2, 5)),
    ("x3", "x3", MQuadExpr, ()),
    ("x23", "x23.T", MQuadExpr, (2, 2)),
    ("x3", "x3 + 1", MQuadExpr, ()),
    ("x3 + 1", "x3", MQuadExpr, ()),
    ("x3 + 1", "np.ones((3, 2))", MLinExpr, (2,)),
    ("x3 * x3", "np.ones(3)", MQuadExpr, ()),
    ("np.ones((2, 3))", "x3 + 1", MLinExpr, (2,)),
    ("np.ones((2, 3))", "x3 * x3", MQuadExpr, (2,)),
    ("sp.csr_matrix(np.ones((4, 3)))", "x3", MLinExpr, (4,)),
    ("sp.csr_matrix(np.ones((4, 3)))", "x3 + 1", MLinExpr, (4,)),
    ("sp.csr_matrix(np.ones((4, 3)))", "x3 * x3", MQuadExpr, (4,)),
    ("sp.csc_array(np.ones((4, 2)))", "x23", MLinExpr, (4, 3)),
    ("x3", "sp.csr_matrix(np.ones((3, 4)))", MLinExpr, (4,)),
    ("x23", "sp.csc_matrix(np.ones((3, 1)))", MLinExpr, (2, 1)),
    ("x3 * x3", "sp.csc_matrix(np.ones((3, 2)))", MQuadExpr, (2,)),
    ("x3", "sp.csr_matrix((3, 0))", MLinExpr, (0,)),
])
def test_product_shapes(left, right, cls, shape):
    m = Model()
    env = {"np": np, "sp": sp, "x3": m.addMVar(3), "x23": m.addMVar((2, 3))}
    result = eval(left, env) @ eval(right, env)
    assert type(result) is cls and result.shape == shape


@pytest.mark.parametrize("left, right, error, text", [
    ("np.ones((4, 2))", "x3", ValueError, "matmul: (4, 2) @ (3,) operation not support"),
    ("np.ones(3)", "x23", ValueError, "matmul: (3,) @ (2, 3) operation not support"),
    ("x3", "np.ones((4, 2))", ValueError, "matmul: (3,) @ (4, 2) operation not support"),
    ("np.ones((0, 3))", "x3", ValueError, "matmul operand is empty"),
    ("[]", "x3[:0]", ValueError, "matmul operand is empty"),
    ("sp.csr_matrix(np.ones((4, 2)))", "x3", ValueError,
     "matmul: (4, 2) @ (3, 1) operation not support"),
    ("x3", "sp.csr_matrix(np.ones((2, 4)))", ValueError,
     "matmul: (1, 3) @ (2, 4) operation not support"),
    ("x3[:0]", "sp.csr_matrix((0, 4))", ValueError, "ndarray is empty"),
    ("x3", "3", TypeError, "unsupported operand type(s) for @: `MVar` and `int`"),
    ("x3", "x3[0].item()", TypeError, "unsupported operand type(s) for @: `MVar` and `Var`"),
    ("x3", "x3 * x3", TypeError, "unsupported operand type(s) for @: `MVar` and `MQuadExpr`"),
    ("x3 * x3", "x3", TypeError, "unsupported operand type(s) for @: `MQuadExpr` and `MVar`"),
    ("x3 + 1", "x3 * x3", TypeError,
     "unsupported operand type(s) for @: `MLinExpr` and `MQuadExpr`"),
    ("x3[0].item()", "x3", TypeError, "unsupported operand type(s) for @: `Var` and `MVar`"),
    ("MVar.fromlist([1.0, 2.0, 3.0])", "np.ones((3, 2))", TypeError,
     "Cannot convert numpy.float64 to didazoda.Var"),
    ("np.ones((2, 3))", "MVar.fromlist([1, 2, 3])", TypeError,
     "Cannot convert numpy.int64 to didazoda.Var"),
    ("np.ones((2, 3))", "MVar.fromlist([None, None, None])", TypeError,
     "Cannot convert NoneType to didazoda.Var"),
    ("sp.csr_matrix(np.ones((2, 3)))", "MVar.fromlist([1.0, 2.0, 3.0])", TypeError,
     "Cannot convert numpy.float64 to didazoda.Var"),
    ("sp.csr_matrix(np.ones((2, 3)))", "MLinExpr.new(np.array([x3[0].item() + 1, None, 1], "
     "dtype=object))", TypeError, "Cannot convert NoneType to didazoda.Var"),
    ("sp.csr_matrix(np.ones((2, 3)))", "MLinExpr.new(np.array([x3[0].item() + 1, 5, 1], "
     "dtype=object))", TypeError, "Cannot convert int to didazoda.LinExpr"),
])
def test_refused_products(left, right, error, text):
    m = Model()
    env = {"np": np, "sp": sp, "MVar": MVar, "MLinExpr": MLinExpr, "x3": m.addMVar(3),
           "x23": m.addMVar((2, 3))}
    with pytest.raises(error) as info:
        eval(left, env) @ eval(right, env)
    assert str(info.value) == text.replace("numpy.int64", type(np.array([1])[0]).__module__ + "."
                                           + type(np.array([1])[0]).__name__)


def test_sparse_elements_not_reached_are_not_checked():
    m = Model()
    x = m.addMVar(2)
    odd = MLinExpr.new(np.array([x[0].item() + 1, 5], dtype=object))
    assert cells(sp.csr_matrix([[2.0, 0.0]]) @ odd)[0] == ("L", [(2.0, x[0].item().index)], [], 2.0)


def bad_structure(kind):
    S = sp.csr_matrix(np.array([[1.0, 0, 2], [0, 3, 0]]))
    if kind == "index":
        S.indices[1] = 7
    elif kind == "negative":
        S.indices[0] = -1
    elif kind == "pointer":
        S.indptr[1] = 5
    elif kind == "decreasing":
        S.indptr[:] = [0, 3, 2]
    elif kind == "short":
        S.indptr = S.indptr[:2]
    return S


@pytest.mark.parametrize("kind, text", [
    ("index", "invalid sparse matrix: an index outside its dimension"),
    ("negative", "invalid sparse matrix: an index outside its dimension"),
    ("pointer", "invalid sparse matrix: index pointer not non-decreasing within the entries"),
    ("decreasing", "invalid sparse matrix: index pointer not non-decreasing within the entries"),
    ("short", "invalid sparse matrix: index pointer of the wrong length"),
])
def test_sparse_structure_is_validated_before_the_walk(kind, text):
    m = Model()
    x, y = m.addMVar(3), m.addMVar(2)
    # Both orders: the matrix read as it is, or turned into the other
    # compressed form here rather than by scipy, which trusts the indices.
    for product in (lambda: bad_structure(kind) @ x, lambda: y @ bad_structure(kind)):
        with pytest.raises(ValueError) as info:
            product()
        assert str(info.value) == text
    with pytest.raises(ValueError):  # scipy may refuse the transpose itself
        x @ bad_structure(kind).T


@pytest.mark.parametrize("write", [
    lambda m, x, S: setattr(x, "lb", S),
    lambda m, x, S: x.setAttr("UB", S),
    lambda m, x, S: m.setAttr("LB", x.tolist(), S),
])
def test_attribute_values_from_a_corrupted_sparse_matrix_are_refused(write):
    m = Model()
    x = m.addMVar(6)
    S = sp.coo_matrix(np.ones((2, 3)))
    S.row[4] = 40
    for bad in (S, bad_structure("index")):
        with pytest.raises(ValueError, match="^invalid sparse matrix: an index outside its"):
            write(m, x, bad)
    write(m, x, sp.csr_matrix(np.arange(6.0).reshape(2, 3)))
    assert x.lb.tolist() == [0.0, 1.0, 2.0, 3.0, 4.0, 5.0] or x.ub.tolist() == list(
        np.arange(6.0))


def test_sparse_dimensions_beyond_32_bits_are_refused():
    x = Model().addMVar(3)
    wide = sp.csr_matrix((1, 2 ** 31 + 5))
    with pytest.raises(OverflowError, match="^value too large to convert to int$"):
        wide @ x


def test_general_dense_path_is_numpy_object_matmul():
    m = Model()
    x = m.addMVar(2)
    e = x + 1
    ix = indices(x)
    r = np.array([[2.0, 3.0]]) @ e
    assert type(r) is MLinExpr and r.shape == (1,)
    assert content(r[0].item()) == lin([(2.0, ix[0]), (3.0, ix[1])], 5.0)


def test_operands_are_unchanged():
    m = Model()
    x = m.addMVar((2, 2))
    A = np.array([[1.0, 2.0], [3.0, 4.0]])
    S = sp.csr_matrix(A)
    before = (A.copy(), S.toarray().copy(), indices(x).copy())
    for product in (lambda: A @ x, lambda: x @ A, lambda: S @ x, lambda: x @ S, lambda: x @ x):
        product()
    assert np.array_equal(A, before[0]) and np.array_equal(S.toarray(), before[1])
    assert np.array_equal(indices(x), before[2])


# ---- Models built with products ------------------------------------------------------------

def lp_instance(seed=3, m=6, n=5):
    rng = np.random.default_rng(seed)
    A = rng.integers(0, 4, size=(m, n)).astype(float)
    A[A == 1] = 0
    b = rng.integers(5, 20, size=m).astype(float)
    c = -rng.integers(1, 6, size=n).astype(float)
    return A, b, c


@pytest.mark.parametrize("form", ["dense", "csr", "csc_array"])
def test_lp_from_a_matrix_product_matches_scalar_form_and_linprog(form):
    A, b, c = lp_instance()
    model = Model()
    x = model.addMVar(A.shape[1], ub=10)
    matrix = {"dense": A, "csr": sp.csr_matrix(A), "csc_array": sp.csc_array(A)}[form]
    rows = model.addConstr(matrix @ x <= b)
    assert type(rows) is MConstr and rows.shape == (A.shape[0],)
    model.setObjective((c @ x).item())
    model.optimize()
    scalar = Model()
    xs = [scalar.addVar(ub=10) for _ in range(A.shape[1])]
    for i in range(A.shape[0]):
        scalar.addConstr(sum(A[i, j] * xs[j] for j in range(A.shape[1])) <= b[i])
    scalar.setObjective(sum(c[j] * xs[j] for j in range(A.shape[1])))
    scalar.optimize()
    ref = scipy.optimize.linprog(c, A_ub=A, b_ub=b, bounds=(0, 10))
    assert model.ObjVal == pytest.approx(ref.fun) == pytest.approx(scalar.ObjVal)
    assert np.allclose(model.getA().toarray(), A)
    assert np.allclose((matrix @ x).getValue(), A @ x.X)


def test_a_hundred_thousand_sparse_rows_read_back_equal():
    rng = np.random.default_rng(7)
    rows, cols, nnz = 10 ** 5, 2 * 10 ** 4, 10 ** 6
    A = sp.random(rows, cols, density=nnz / (rows * cols), format="csr", random_state=rng)
    A.data[:] = rng.integers(1, 9, size=A.nnz)
    m = Model()
    x = m.addMVar(cols)
    c = m.addConstr(A @ x <= np.ones(rows))
    assert c.shape == (rows,) and m.NumConstrs == rows
    got = m.getA().tocsr()
    assert got.shape == A.shape and (got != A).nnz == 0


def test_quadratic_objective_from_products():
    Q = np.array([[2.0, 0.5], [0.5, 1.0]])
    c = np.array([-2.0, -3.0])
    m = Model()
    x = m.addMVar(2, lb=-10, ub=10)
    objective = x @ Q @ x + c @ x
    assert type(objective) is MQuadExpr and objective.shape == ()
    m.setObjective(objective.item())
    m.optimize()
    s = Model()
    y = [s.addVar(lb=-10, ub=10) for _ in range(2)]
    s.setObjective(sum(Q[i, j] * y[i] * y[j] for i in range(2) for j in range(2))
                   + sum(c[i] * y[i] for i in range(2)))
    s.optimize()
    known = np.linalg.solve(Q + Q.T, -c)  # the unconstrained minimiser, inside the bounds
    assert np.allclose(x.X, known, atol=1e-5)
    assert m.ObjVal == pytest.approx(s.ObjVal, abs=1e-6)
    assert m.ObjVal == pytest.approx(known @ Q @ known + c @ known, abs=1e-6)


# ---- addMConstr -----------------------------------------------------------------------------

def test_addmconstr_rows_names_and_senses():
    m = Model()
    x = m.addMVar(2)
    c = m.addMConstr([[1, 2], [3, 4]], x, "<", [1, 2])
    assert type(c) is MConstr and c.shape == (2,)
    c2 = m.addMConstr(sp.csr_matrix([[1.0, 0.0], [0.0, 2.0], [1.0, 1.0]]), None, ["<", ">", "="],
                      np.array([5.0, 6.0, 7.0]), name="c")
    c3 = m.addMConstr(np.eye(2), x, TVX.EQUAL, [8, 9], name=None)
    constrs = m.getConstrs()
    assert m.getAttr("ConstrName", constrs) == ["[0]", "[1]", "c[0]", "c[1]", "c[2]", "", ""]
    assert m.getAttr("LHS", constrs) == [-1e20, -1e20, -1e20, 6.0, 7.0, 8.0, 9.0]
    assert m.getAttr("RHS", constrs) == [1.0, 2.0, 5.0, 1e20, 7.0, 8.0, 9.0]
    assert np.array_equal(m.getA().toarray(),
                          [[1, 2], [3, 4], [1, 0], [0, 2], [1, 1], [1, 0], [0, 1]])
    assert c2[2].item() is constrs[4] and c3.shape == (2,)


@pytest.mark.parametrize("args, error, text", [
    (([1, 2], "x", "<", [1, 2]), TypeError, "argument A shoud be a matrix"),
    ((np.eye(2), "x21", "<", [1, 2]), TypeError, "argument x shoud be a 1-D array or a matrix"),
    ((np.eye(3), "x", "<", [1, 2, 3]), ValueError,
     "first dimension of x should be equal to second dimension of A"),
    ((np.eye(2), "x", [["<"], ["<"]], [1, 2]), ValueError, "sense should be a scalar or 1-D array"),
    ((np.eye(2), "x", ["<"], [1, 2]), ValueError,
     "length of sense should be equal to first dimension of A"),
    ((np.eye(2), "x", "L", [1, 2]), TarvexError, "Invalid sense `L`"),
    ((np.eye(2), "x", ["<", "<="], [1, 2]), TarvexError, "Invalid sense `['<', '<=']`"),
    ((np.eye(2), "x", "<", 3), TypeError, "argument b shoud be a 1-D array"),
    ((np.eye(2), "x", "<", [1, 2, 3]), ValueError,
     "length of b should be equal to first dimension of A"),
    ((np.zeros((0, 2)), "x", "<", []), ValueError, "matmul operand is empty"),
    ((np.eye(2), "x", "=", ["a", "b"]), TypeError, "range constraint requires numeric values"),
    ((np.eye(2), "x", "<", [1, 2], 5), TypeError, None),
])
def test_addmconstr_refusals_leave_the_model_unchanged(args, error, text):
    m = Model()
    env = {"x": m.addMVar(2), "x21": m.addMVar((2, 1))}
    args = tuple(env.get(a, a) if isinstance(a, str) and a in env else a for a in args)
    with pytest.raises(error) as info:
        m.addMConstr(*args)
    if text:
        assert str(info.value) == text
    assert m.NumConstrs == 0


def test_addmconstr_keeps_the_rows_before_a_failing_one():
    class Failing(Model):
        calls = 0

        def addConstr(self, constr, name=""):
            Failing.calls += 1
            if Failing.calls == 4:
                raise RuntimeError("row 3")
            return super().addConstr(constr, name)

    m = Failing()
    x = m.addMVar(2)
    with pytest.raises(RuntimeError, match="row 3"):
        m.addMConstr(np.ones((5, 2)), x, "<", np.arange(5.0))
    assert m.NumConstrs == 3


# ---- Attributes of MVar and MConstr --------------------------------------------------------

@pytest.mark.parametrize("select, shape", [
    (lambda b: b.reshape(2, 3), (2, 3)), (lambda b: b[:3], (3,)), (lambda b: b[4], ()),
    (lambda b: b.reshape(2, 3).T[::-1], (3, 2)), (lambda b: b[:0], (0,)),
    (lambda b: b.reshape(2, 3)[:, :0], (2, 0)),
])
def test_mvar_attributes_take_the_arrays_shape(select, shape):
    m = Model()
    base = m.addMVar(6, lb=np.arange(6.0))
    x = select(base)
    for read in (x.lb, x.LB, x.getAttr("LB"), x.getAttr("lb")):
        if x.size == 0:
            assert read.shape == (0,) and read.dtype == object
        else:
            assert read.shape == shape and read.dtype == np.float64
            assert np.array_equal(read, np.arange(6.0)[indices(x)])
    x.lb = -1
    assert np.array_equal(base.lb == -1, np.isin(np.arange(6), indices(x)))
    if x.size == 0:
        assert x.anything.shape == (0,) and hasattr(x, "anything")
    else:
        assert x.VarName.shape == shape


def test_mvar_attribute_writes_in_row_major_order():
    m = Model()
    x = m.addMVar((2, 2))
    x.lb = [1.0, 2.0, 3.0, 4.0]
    assert np.array_equal(x.lb, [[1, 2], [3, 4]])
    x.setAttr("LB", 5.0)
    assert np.array_equal(x.lb, np.full((2, 2), 5.0))
    x.lb = np.array([[1, 2], [3, 4]])
    assert np.array_equal(x.lb, [[1, 2], [3, 4]])
    x.T.lb = np.array([[10, 20], [30, 40]])
    assert np.array_equal(x.lb, [[10, 30], [20, 40]])
    x.lb = [9, 8, 7, 6]
    assert np.array_equal(x.lb, [[9, 8], [7, 6]])
    x.lb = sp.csr_matrix([[1.0, 0.0], [0.0, 2.0]])
    assert np.array_equal(x.lb, [[1, 0], [0, 2]])
    x[0, 0].lb = 11
    assert x.lb[0, 0] == 11
    x.varname = ["a", "b", "c", "d"]
    assert x.VarName.tolist() == [["a", "b"], ["c", "d"]]
    assert x.varname[1, 0] == "c"


@pytest.mark.parametrize("call, error, text", [
    (lambda x: setattr(x, "lb", [1, 2]), ValueError,
     "expected 4 values for `lb` (one per cell), got 2"),
    (lambda x: x.setAttr("LB", np.ones(3)), ValueError,
     "expected 4 values for `LB` (one per cell), got 3"),
    (lambda x: x.bogus, AttributeError, "Attribute `bogus` does not exist"),
    (lambda x: setattr(x, "shape", (4,)), AttributeError, "Attribute `shape` does not exist"),
    (lambda x: x.getAttr(5), TypeError,
     "Argument 'attrname' has incorrect type (expected str, got int)"),
    (lambda x: x.setAttr(None, 1), AttributeError, None),
    (lambda x: delattr(x, "lb"), AttributeError, None),
    (lambda x: x.X, TarvexError, None),
    (lambda x: MVar.fromlist([1.0, 2.0]).lb, TypeError,
     "Cannot convert numpy.float64 to didazoda.Var"),
    (lambda x: MVar.fromlist([None]).lb, TypeError, "Cannot convert NoneType to didazoda.Var"),
    (lambda x: MVar.fromlist([x[0, 0].item(), Model().addVar()]).lb, TarvexError,
     "an element of another model was given"),
    (lambda x: MConstr._fromlist([1, 2]).rhs, TypeError,
     "Cannot convert numpy.int64 to didazoda.Constr"),
])
def test_attribute_refusals_change_nothing(call, error, text):
    m = Model()
    x = m.addMVar((2, 2), lb=1)
    with pytest.raises(error) as info:
        call(x)
    if text:
        assert str(info.value) == text.replace("numpy.int64", type(np.array([1])[0]).__module__
                                               + "." + type(np.array([1])[0]).__name__)
    assert np.array_equal(x.lb, np.ones((2, 2)))


def test_mconstr_attributes():
    m = Model()
    x = m.addMVar(2)
    c = m.addMConstr([[1, 2], [3, 4]], x, "<", [1, 2])
    c.constrname = ["c0", "c1"]
    assert c.constrname.tolist() == ["c0", "c1"] and c.getAttr("ConstrName").tolist() == ["c0", "c1"]
    assert c.RHS.shape == (2,) and c.RHS.dtype == np.float64
    c.setAttr("RHS", 5.0)
    assert c.rhs.tolist() == [5.0, 5.0]
    rows = m.addConstr(m.addMVar((2, 3)) >= 1)
    assert rows.LHS.shape == (2, 3) and rows[:0].RHS.shape == (0,)
    rows[:0].rhs = "anything"
    m.setObjective(x.sum().item(), TVX.MAXIMIZE)
    m.optimize()
    assert c.DualSoln.shape == (2,) and x.X.shape == (2,)
    assert np.allclose(x.X, [5.0 / 3.0, 0.0]) and np.allclose(c.DualSoln, [0.0, 1.0 / 3.0])


def test_cells_of_two_models_are_refused():
    a, b = Model(), Model()
    x, y = a.addMVar(1), b.addMVar(1)
    both = MVar.fromlist([x[0].item(), y[0].item()])
    for access in (lambda: both.lb, lambda: both.setAttr("LB", 1.0)):
        with pytest.raises(TarvexError, match="an element of another model was given"):
            access()
    rows = MConstr._fromlist([a.addConstr(x <= 1)[0].item(), b.addConstr(y <= 1)[0].item()])
    with pytest.raises(TarvexError, match="an element of another model was given"):
        rows.RHS
