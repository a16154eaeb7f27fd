"""Semidefinite models: Model.addPsdVar, semidefinite rows through addConstr
and addRange, semidefinite objectives, solves with known optima, and the
model operations that carry PSD elements (copy, remove, attributes).

Coefficient matrices travel unsymmetrised; the solver library assembles the
symmetric matrix in arrival order (M[r, c] = M[c, r] = v, a later entry
winning), which is what PsdExpr.getValue assumes: one triangle and the full
symmetric matrix mean the same matrix.
"""
import math

import numpy as np
import pytest
import scipy.sparse as sp

import didazoda
from didazoda import Model, PsdExpr, TarvexError, TVX

C3 = np.array([[2.0, 1.0, 0.0], [1.0, 2.0, 1.0], [0.0, 1.0, 2.0]])
P1 = 2 - math.sqrt(2)


@pytest.fixture
def m():
    return Model()


def sizes(m):
    return (len(m.getPsdVars()), len(m.getConstrs()), len(m.getPsdConstrs()),
            int(m.NumPsdVars), int(m.NumConstrs))


def obj_entries(X):
    """PsdObj as a dense array, whatever form the attribute gives."""
    v = X.PsdObj
    return v.toarray() if sp.issparse(v) else np.asarray(v)


# ---- addPsdVar -------------------------------------------------------------------------

def test_add_psd_var_by_dimension_and_by_objective(m):
    X = m.addPsdVar(dim=3, name="X")
    Y = m.addPsdVar(2)
    Z = m.addPsdVar(dim=5, obj=np.eye(3))  # obj fixes the dimension
    W = m.addPsdVar(dim=2.9)
    assert [p.index for p in m.getPsdVars()] == [0, 1, 2, 3]
    assert (X.Dim, Y.Dim, Z.Dim, W.Dim) == (3, 2, 3, 2)
    assert X.PsdVarName == "X" and Y.PsdVarName == ""
    assert np.array_equal(obj_entries(Z), np.eye(3))
    assert not obj_entries(X).any()


@pytest.mark.parametrize("obj, want", [
    # Sent as held: one triangle stays one triangle.
    (np.array([[1, 2], [0, 3]]), [[1, 2], [0, 3]]),
    (sp.csc_matrix(np.array([[1.0, 2.0], [3.0, 4.0]])), [[1, 2], [3, 4]]),
    (np.zeros((2, 2)), [[0, 0], [0, 0]]),
    # An explicit zero in a sparse matrix is not sent; entries stored at one
    # position stand for their sum, which is sent.
    (sp.coo_matrix(([1.0, 0.0], ([0, 1], [0, 1])), shape=(2, 2)), [[1, 0], [0, 0]]),
    (sp.coo_matrix(([1.0, 5.0], ([0, 0], [1, 1])), shape=(2, 2)), [[0, 6], [0, 0]]),
    (np.array([[1, 0], [0, 2]], dtype=object), [[1, 0], [0, 2]]),
])
def test_objective_matrix_entries(m, obj, want):
    X = m.addPsdVar(obj=obj)
    assert np.array_equal(obj_entries(X), np.array(want, dtype=float))


@pytest.mark.parametrize("kwargs, exc, message", [
    ({}, ValueError, "one of arguments {`dim`, `obj`} should be provided"),
    ({"dim": 0}, ValueError, "one of arguments {`dim`, `obj`} should be provided"),
    ({"dim": -3}, ValueError, "dim must be positive, got -3"),
    ({"dim": None, "obj": np.eye(2)}, TypeError, "an integer is required"),
    ({"dim": 2**40}, OverflowError, "value too large to convert to int"),
    ({"dim": 2, "name": 3}, TypeError, None),
    ({"obj": [[1, 0], [0, 1]]}, TypeError, "obj should be a numpy 2d-array or scipy sparse matrix"),
    ({"obj": np.ones(3)}, TypeError, "obj should be a numpy 2d-array or scipy sparse matrix"),
    ({"obj": np.ones((2, 3))}, ValueError, "obj should be a square matrix"),
    ({"obj": np.array([[1j, 0], [0, 1]])}, TypeError, None),
    ({"obj": np.zeros((0, 0))}, TarvexError, None),
])
def test_add_psd_var_errors_change_nothing(m, kwargs, exc, message):
    m.addPsdVar(dim=2)
    before = sizes(m)
    with pytest.raises(exc) as info:
        m.addPsdVar(**kwargs)
    if message is not None:
        assert str(info.value) == message
    assert sizes(m) == before


# ---- Semidefinite rows ---------------------------------------------------------------------

def test_rows_share_the_row_numbering(m):
    x = m.addVar(name="x")
    X = m.addPsdVar(dim=2, name="X")
    m.addConstr(x <= 1, name="lin")
    pc = m.addConstr(np.eye(2) * X + x == 2, name="psd")
    r = m.addRange(np.eye(2) * X + 3, 1, 1e30, name="rng")
    assert (pc.index, r.index) == (1, 2)
    assert m.getConstrs()[1].ConstrName == pc.PsdCName == "psd"
    assert (pc.PsdCLHS, pc.PsdCRHS) == (2.0, 2.0)
    # The constant moves into finite sides only.
    assert (r.PsdCLHS, r.PsdCRHS) == (-2.0, 1e20)
    open_row = m.addRange(np.eye(2) * X, None, None)
    assert (open_row.PsdCLHS, open_row.PsdCRHS) == (-1e20, 1e20)
    assert (int(m.NumPsdConstrs), int(m.NumConstrs)) == (3, 4)


@pytest.mark.parametrize("add, exc, message", [
    (lambda m, X, o: m.addConstr(np.eye(2) * X <= 1, name=None), TypeError, None),
    (lambda m, X, o: m.addRange(np.eye(2) * X, "a", 2), TypeError, None),
    (lambda m, X, o: m.addConstr(np.eye(2) * o <= 1), TarvexError,
     "an element of another model was given"),
    (lambda m, X, o: m.addRange(PsdExpr(np.array([[1, np.nan], [0, 1]]), X), 0, 1),
     TarvexError, None),
    (lambda m, X, o: m.addRange(np.array([[1, 0], [0, 1]], dtype=object) * X, 0, [1]),
     TypeError, None),
])
def test_row_errors_change_nothing(m, add, exc, message):
    X = m.addPsdVar(dim=2)
    other_model = Model()
    other = other_model.addPsdVar(dim=2)
    m.addConstr(np.eye(2) * X >= 0)
    before = sizes(m)
    with pytest.raises(exc) as info:
        add(m, X, other)
    if message is not None:
        assert str(info.value) == message
    assert sizes(m) == before


@pytest.mark.parametrize("build", ["constraint", "objective"])
def test_linear_terms_read_after_the_matrices_are_converted(m, build):
    a, x, y = (m.addVar(name=n) for n in "axy")

    class RemovesA:
        def __ne__(self, other):
            return True

        def __float__(self):
            if a.index >= 0:
                m.remove(a)
            return 1.0

    coeff = np.empty((1, 1), dtype=object)
    coeff[0, 0] = RemovesA()
    expr = PsdExpr(coeff, m.addPsdVar(dim=1))
    expr += 3 * x
    if build == "constraint":
        row = m.getRow(m.addConstr(expr == 1))
        linear = [(row.getVar(k).VarName, row.getCoeff(k)) for k in range(row.size())]
    else:
        m.setObjective(expr)
        linear = [(v.VarName, v.Obj) for v in m.getVars() if v.Obj != 0]
    assert linear == [("x", 3.0)]


def test_entries_of_object_arrays_are_counted_as_written(m):
    class Odd:
        """Unequal to 0 but reading as zero: numpy would count it otherwise."""
        def __ne__(self, other):
            return True

        def __float__(self):
            return 0.0

    X = m.addPsdVar(dim=2)
    weird = np.empty((2, 2), dtype=object)
    weird[:] = [[1.0, Odd()], [Odd(), 1.0]]
    c = m.addConstr(weird * X == 2)
    assert c.index == 0
    m.setObjective(PsdExpr(np.eye(2), X))
    m.optimize()
    assert m.Status == TVX.OPTIMAL and m.ObjVal == pytest.approx(2, abs=1e-6)


# ---- Coefficients that are no matrices of numbers -----------------------------------------

ENTRIES = [(lambda x, X: x, "Var"), (lambda x, X: X, "PsdVar"),
           (lambda x, X: PsdExpr(2 * x), "PsdExpr")]
USES = {
    "addConstr": lambda m, C, X: m.addConstr(C * X == 1),
    "addRange": lambda m, C, X: m.addRange(PsdExpr(C, X) + 1, 0, 2),
    "addPsdVar": lambda m, C, X: m.addPsdVar(obj=C),
    "setObjective": lambda m, C, X: m.setObjective(C * X),
    "getValue": lambda m, C, X: (C * X).getValue(),
}


@pytest.fixture
def objective_model(m):
    """x and X with the objective 3 x + tr X; what a refused call must keep."""
    x = m.addVar(name="x")
    X = m.addPsdVar(dim=2, name="X")
    m.setObjective(PsdExpr(np.eye(2), X) + 3 * x)
    m.addConstr(np.eye(2) * X >= 1)

    def unchanged(before):
        assert sizes(m) == before
        assert np.array_equal(obj_entries(X), np.eye(2)) and x.Obj == 3.0

    return x, X, unchanged


@pytest.mark.parametrize("make, kind", ENTRIES, ids=[k for _, k in ENTRIES])
@pytest.mark.parametrize("use", sorted(USES))
def test_expressions_inside_a_coefficient_are_refused(m, objective_model, make, kind, use):
    x, X, unchanged = objective_model
    C = np.array([[1, 0], [0, 1]], dtype=object)
    C[1, 0] = make(x, X)
    before = sizes(m)
    with pytest.raises(TypeError) as info:
        USES[use](m, C, X)
    assert str(info.value) == f"entry (1, 0) of the coefficient matrix is a {kind}, not a number"
    unchanged(before)


def test_coefficient_reshaped_after_adding_is_refused_where_read(m, objective_model):
    x, X, unchanged = objective_model
    C = np.eye(2)
    e = C * X
    C.shape = (4,)  # the term holds this very array
    before = sizes(m)
    for use in (lambda: m.addConstr(e == 1), lambda: m.setObjective(e), e.getValue):
        with pytest.raises(ValueError, match=r"^expect a 2-D matrix, got shape \(4,\)$"):
            use()
    unchanged(before)


# ---- Known optima ---------------------------------------------------------------------------

def p1_matrix_form(m):
    X = m.addPsdVar(obj=C3, name="X")
    m.addConstr(np.identity(3) * X == 1, name="trace")
    return X


def p1_scalar_form(m):
    X = m.addPsdVar(dim=3, name="X")
    m.setObjective(PsdExpr([(sp.csr_matrix(C3), X)]), TVX.MINIMIZE)
    m.addRange(PsdExpr(np.identity(3), X), 1, 1, name="trace")
    return X


@pytest.mark.parametrize("build", [p1_matrix_form, p1_scalar_form])
def test_trace_one(m, build):
    X = build(m)
    m.optimize()
    assert m.Status == TVX.OPTIMAL
    assert m.ObjVal == pytest.approx(P1, abs=1e-7)
    assert m.DualObjVal == pytest.approx(P1, abs=1e-6)
    sol = X.PsdX
    assert sol.shape == (3, 3) and np.trace(sol) == pytest.approx(1, abs=1e-7)
    assert np.linalg.eigvalsh(sol).min() > -1e-7


def bounded_and_ranged(m):
    x1 = m.addVar(lb=0, ub=1, name="x1")
    x2 = m.addVar(lb=-1, ub=1, name="x2")
    X = m.addPsdVar(dim=3, name="X")
    upper_only = np.zeros((3, 3))
    upper_only[0, 1] = 1.0  # one triangle: 2 X01 by the convention
    corner = np.zeros((3, 3))
    corner[2, 2] = 1.0
    objective = C3 * X + x1 - x2
    m.setObjective(objective, TVX.MINIMIZE)
    rows = [m.addConstr(np.identity(3) * X == 1, name="trace"),
            m.addRange(upper_only * X + x1 + x2, 0.5, 2, name="range"),
            m.addConstr(corner * X + x1 <= 0.3, name="corner")]
    exprs = [np.identity(3) * X, upper_only * X + x1 + x2, corner * X + x1]
    return (x1, x2, X), objective, rows, exprs


def test_bounded_variables_and_range_rows(m):
    (x1, x2, X), objective, rows, exprs = bounded_and_ranged(m)
    m.optimize()
    assert m.Status == TVX.OPTIMAL
    assert m.ObjVal == pytest.approx(-0.344949, abs=1e-6)
    assert (x1.X, x2.X) == (pytest.approx(0, abs=1e-6), pytest.approx(1, abs=1e-6))
    sol = X.PsdX
    assert sol[0, 1] == pytest.approx(-0.25, abs=1e-6)
    assert sol[2, 2] == pytest.approx(0.3, abs=1e-6)
    # getValue of the objective and of each row's expression agrees with the
    # solver's objective and activities.
    assert objective.getValue() == pytest.approx(m.ObjVal, abs=1e-9)
    for c, e in zip(rows, exprs):
        assert e.getValue() == pytest.approx(m.getConstrs()[c.index].Activity, abs=1e-9)
    assert [m.getConstrs()[c.index].DualSoln for c in rows] == [
        pytest.approx(v, abs=1e-3) for v in (1.1377, 0.6377, -0.5459)]


def test_terms_of_one_variable_in_either_triangle_add_up(m):
    X = m.addPsdVar(dim=2, name="X")
    upper, lower = np.array([[0.0, 1.0], [0.0, 0.0]]), np.array([[0.0, 0.0], [1.0, 0.0]])
    e = upper * X + lower * X  # each term is 2 X01
    m.setObjective(PsdExpr(np.eye(2), X))
    c = m.addConstr(e == 1)
    m.addConstr(np.array([[1.0, 0.0], [0.0, -1.0]]) * X == 0)
    m.optimize()
    assert m.Status == TVX.OPTIMAL
    assert e.getValue() == pytest.approx(m.getConstrs()[c.index].Activity, abs=1e-9)
    assert 4 * X.PsdX[0, 1] == pytest.approx(1, abs=1e-6)


# ---- Statuses -------------------------------------------------------------------------
# One 2 x 2 PSD variable X. DSDP judges the model through its dual, which has
# no interior when the objective is zero or constant on part of the cone: the
# statuses must not depend on that.

E00, E11 = np.diag([1.0, 0.0]), np.diag([0.0, 1.0])
E01 = np.array([[0.0, 0.5], [0.5, 0.0]])  # <E01, X> = X01
I2 = np.identity(2)
C2 = np.array([[2.0, 1.0], [1.0, 3.0]])


def psd_rows(*rows):
    """Rows <M, X> sense rhs, as (M, sense, rhs) with sense one of "=", "<", ">"."""
    def add(m, X):
        for M, sense, rhs in rows:
            e = M * X
            m.addConstr(e == rhs if sense == "=" else e <= rhs if sense == "<" else e >= rhs)
    add.rows = rows
    return add


def lp_part_infeasible(m, X):
    m.addConstr(I2 * X == 1)
    x = m.addVar(lb=0, ub=1)
    m.addConstr(x >= 2)


def infeasible_through_a_free_variable(m, X):
    # t = 1 - X00 is eliminated through the first row, leaving 2 X00 == -2.
    t = m.addVar(lb=-TVX.INFINITY)
    m.addConstr(E00 * X + t == 1)
    m.addConstr(E00 * X - t == -3)


ROWS = {
    "X00 == -1": psd_rows((E00, "=", -1)),
    "X00 <= -1": psd_rows((E00, "<", -1)),
    "tr X == -1": psd_rows((I2, "=", -1)),
    "unit diagonal, X01 == 2": psd_rows((E00, "=", 1), (E11, "=", 1), (E01, "=", 2)),
    "tr X == 1, X01 == 1.5": psd_rows((I2, "=", 1), (E01, "=", 1.5)),
    "LP part infeasible": lp_part_infeasible,
    "free variable": infeasible_through_a_free_variable,
    "X00 == -1e6": psd_rows((E00, "=", -1e6)),
    "diagonal 1e3, X01 == 2e3": psd_rows((E00, "=", 1e3), (E11, "=", 1e3), (E01, "=", 2e3)),
    # feasible
    "X00 == 1": psd_rows((E00, "=", 1)),
    "X00 <= 1": psd_rows((E00, "<", 1)),
    "X00 >= 1": psd_rows((E00, ">", 1)),
    "X01 == 1": psd_rows((E01, "=", 1)),
    "tr X == 1": psd_rows((I2, "=", 1)),
    "unit diagonal": psd_rows((E00, "=", 1), (E11, "=", 1)),
    "X00 == 1e-6": psd_rows((E00, "=", 1e-6)),
    "X00 == 1e6": psd_rows((E00, "=", 1e6)),
}
INFEASIBLE = list(ROWS)[:9]

OBJECTIVES = {
    "none": None,
    "zero matrix": (np.zeros((2, 2)), TVX.MINIMIZE),
    "min tr X": (I2, TVX.MINIMIZE),  # bounded below on the cone
    "min X01": (E01, TVX.MINIMIZE),
    "max X00": (E00, TVX.MAXIMIZE),
    "min X00": (E00, TVX.MINIMIZE),
    "max X11": (E11, TVX.MAXIMIZE),
    "min <C2, X>": (C2, TVX.MINIMIZE),
}


def status_model(m, rows, objective):
    X = m.addPsdVar(dim=2)
    ROWS[rows](m, X)
    if OBJECTIVES[objective] is not None:
        matrix, sense = OBJECTIVES[objective]
        m.setObjective(PsdExpr(matrix, X), sense)
    m.optimize()
    return X


@pytest.mark.parametrize("objective", list(OBJECTIVES)[:5])
@pytest.mark.parametrize("rows", INFEASIBLE)
def test_infeasible_rows_whatever_the_objective(m, rows, objective):
    X = status_model(m, rows, objective)
    assert m.Status == TVX.INFEASIBLE
    with pytest.raises(TarvexError):
        X.PsdX


@pytest.mark.parametrize("rows, objective, status, value", [
    ("X00 == 1", "none", TVX.OPTIMAL, 0),
    ("X00 == 1", "zero matrix", TVX.OPTIMAL, 0),
    ("unit diagonal", "none", TVX.OPTIMAL, 0),
    ("X01 == 1", "zero matrix", TVX.OPTIMAL, 0),
    ("X00 == 1", "min tr X", TVX.OPTIMAL, 1),
    ("X01 == 1", "min tr X", TVX.OPTIMAL, 2),
    ("tr X == 1", "min X01", TVX.OPTIMAL, -0.5),
    ("unit diagonal", "min X01", TVX.OPTIMAL, -1),
    ("tr X == 1", "min <C2, X>", TVX.OPTIMAL, (5 - math.sqrt(5)) / 2),  # smallest eigenvalue
    # objectives constant on the feasible set
    ("X01 == 1", "min X01", TVX.OPTIMAL, 1),
    ("unit diagonal", "min X00", TVX.OPTIMAL, 1),
    ("unit diagonal", "max X00", TVX.OPTIMAL, 1),
    # unbounded along a ray (X11 grows) or along a curve only (X01 = -sqrt(X11))
    ("X00 == 1", "max X11", TVX.UNBOUNDED, None),
    ("X00 >= 1", "max X00", TVX.UNBOUNDED, None),
    ("X00 == 1", "min X01", TVX.UNBOUNDED, None),
    ("X00 <= 1", "min X01", TVX.UNBOUNDED, None),
    ("X00 == 1e-6", "min X01", TVX.UNBOUNDED, None),
    ("X00 == 1e6", "min X01", TVX.UNBOUNDED, None),
])
def test_feasible_rows_keep_their_status(m, rows, objective, status, value):
    X = status_model(m, rows, objective)
    assert m.Status == status
    if status != TVX.OPTIMAL:
        with pytest.raises(TarvexError):
            X.PsdX
        return
    assert m.ObjVal == pytest.approx(value, abs=1e-6)
    sol = X.PsdX
    assert np.linalg.eigvalsh(sol).min() > -1e-7
    for M, sense, rhs in ROWS[rows].rows:
        activity = np.sum(M * sol)
        if sense != "<":
            assert activity > rhs - 1e-6
        if sense != ">":
            assert activity < rhs + 1e-6


def test_max_cut_relaxation_of_the_five_cycle(m):
    n = 5
    laplacian = np.zeros((n, n))
    for i in range(n):
        j = (i + 1) % n
        laplacian[i, i] += 1
        laplacian[j, j] += 1
        laplacian[i, j] = laplacian[j, i] = -1
    X = m.addPsdVar(obj=laplacian / 4, name="X")
    for i in range(n):
        unit = np.zeros((n, n))
        unit[i, i] = 1
        m.addConstr(unit * X == 1)
    m.ModelSense = TVX.MAXIMIZE
    m.optimize()
    assert m.ObjVal == pytest.approx(n / 2 * (1 + math.cos(math.pi / n)), abs=1e-6)


def test_large_objective_is_not_capped(m):
    X = m.addPsdVar(obj=C3 * 1e7)
    m.addConstr(np.identity(3) * X == 1)
    m.optimize()
    assert m.ObjVal == pytest.approx(1e7 * P1, rel=1e-7)


def test_free_variable_linked_to_the_matrix(m):
    t = m.addVar(lb=-TVX.INFINITY, name="t")
    X = m.addPsdVar(obj=C3, name="X")
    m.setObjective(C3 * X + t)
    m.addConstr(np.identity(3) * X + t == 1)
    m.addConstr(t >= -2)
    m.optimize()
    assert m.ObjVal == pytest.approx(-2 + 3 * P1, abs=1e-6)
    assert t.X == pytest.approx(-2, abs=1e-6)


def test_refused_with_integer_variables(m):
    m.addVar(vtype=TVX.INTEGER)
    X = m.addPsdVar(obj=C3)
    m.addConstr(np.identity(3) * X == 1)
    with pytest.raises(TarvexError) as info:
        m.optimize()
    assert info.value.errno == TVX.Error.ABORT_SOLVER_NOT_AVAILABLE


# ---- Objective, copy, remove -------------------------------------------------------------------

def test_objective_round_trip(m):
    x = m.addVar(name="x")
    X, Y = m.addPsdVar(dim=2, name="X"), m.addPsdVar(dim=2, name="Y")
    m.setObjective(np.array([[1.0, 2.0], [0.0, 1.0]]) * X + 3 * x + 4)
    got = m.getObjective()
    assert type(got) is PsdExpr and got.size() == 1 and got.getVar(0).sameAs(X)
    assert np.array_equal(np.asarray(got.getCoeff(0)), [[1, 2], [0, 1]])
    assert got.getConstant() == 4.0 and got.getLinExpr().size() == 1
    assert not obj_entries(Y).any()
    m.setObjective(3 * x)
    assert not obj_entries(X).any() and type(m.getObjective()).__name__ == "LinExpr"


def test_objective_with_quadratic_and_psd_terms_is_not_split(m):
    x = m.addVar(name="x")
    X = m.addPsdVar(obj=np.eye(2))
    m.setObjective(x * x)
    X.PsdObj = np.eye(2)
    with pytest.raises(TarvexError, match="quadratic and semidefinite"):
        m.getObjective()


def test_copy_solves_the_same(m):
    bounded_and_ranged(m)
    c = m.copy()
    assert sizes(c) == sizes(m)
    c.optimize()
    assert c.ObjVal == pytest.approx(-0.344949, abs=1e-6)
    assert c.getPsdVars()[0].PsdVarName == "X"


def test_removing_a_psd_row_renumbers_the_rows_after_it(m):
    (x1, x2, X), _, rows, _ = bounded_and_ranged(m)
    m.remove(m.getConstrs()[1])
    assert [c.index for c in rows] == [0, -2, 1]
    assert [c.PsdCName for c in m.getPsdConstrs()] == ["trace", "corner"]
    assert (int(m.NumPsdConstrs), int(m.NumConstrs)) == (2, 2)
    m.optimize()
    assert m.Status == TVX.OPTIMAL


def test_solves_print_nothing(m, capfd):
    bounded_and_ranged(m)
    m.optimize()
    # the bounded questions asked of infeasible and unbounded models too
    for rows, objective in [("X00 == -1", "none"), ("X00 == 1", "min X01")]:
        status_model(Model(), rows, objective)
    assert capfd.readouterr() == ("", "")


# ---- ".dat-s" files ------------------------------------------------------------------------

def fitting(m):
    """min x + <C, X> with tr X + x = 2 and X01 + x = 1 as equality rows, x >= 0."""
    x = m.addVar(name="x")
    X = m.addPsdVar(obj=C3, name="X")
    m.setObjective(C3 * X + x)
    upper = np.zeros((3, 3))
    upper[0, 1] = 0.5
    m.addConstr(np.identity(3) * X + x == 2)
    m.addConstr(upper * X + x == 1)
    return x, X


@pytest.mark.parametrize("suffix", [".dat-s", ".dat-s.gz", ".dat-s.bz2"])
def test_dat_s_round_trip_solves_to_the_same_optimum(m, tmp_path, suffix):
    fitting(m)
    m.optimize()
    path = str(tmp_path / ("model" + suffix))
    m.write(path)
    back = didazoda.read(path)
    assert sizes(back) == sizes(m)
    assert int(back.ModelSense) == TVX.MINIMIZE
    back.optimize()
    assert back.ObjVal == pytest.approx(m.ObjVal, abs=1e-8)
    assert np.allclose(back.getPsdVars()[0].PsdX, m.getPsdVars()[0].PsdX, atol=1e-6)


def test_reads_a_hand_made_dat_s_file(model_from_text):
    m = model_from_text('"max <-C, X> s.t. tr X = 1"\n1\n1\n3\n1.0\n'
                        "0 1 1 1 -2\n0 1 1 2 -1\n0 1 2 2 -2\n0 1 2 3 -1\n0 1 3 3 -2\n"
                        "1 1 1 1 1\n1 1 2 2 1\n1 1 3 3 1\n", "trace.dat-s")
    assert (len(m.getPsdVars()), len(m.getConstrs())) == (1, 1)
    m.optimize()
    assert m.ObjVal == pytest.approx(-P1, abs=1e-7)


def test_models_the_format_cannot_state_are_refused(m, tmp_path):
    x, X = fitting(m)
    m.addConstr(np.identity(3) * X <= 5)
    with pytest.raises(TarvexError) as info:
        m.write(str(tmp_path / "range.dat-s"))
    assert info.value.errno == TVX.Error.FORMAT_ERROR
    assert not (tmp_path / "range.dat-s").exists()
    with pytest.raises(TarvexError) as info:
        m.write(str(tmp_path / "model.lp"))
    assert info.value.errno == TVX.Error.FORMAT_ERROR
