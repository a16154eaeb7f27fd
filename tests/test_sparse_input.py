"""Sparse matrices with repeated entries, wherever one is read.

A scipy matrix that stores several entries at one (row, column) position
stands for their sum: a COO matrix built from triplets (a Laplacian assembled
from an edge list) or a CSR/CSC matrix not in canonical form. Each reader is
run with such a matrix and with its dense twin, and both are checked against
an independent value (numpy's eigenvalues, closed forms, the dense matrix).
"""
import numpy as np
import pytest
import scipy.sparse as sp

from didazoda import Model, PsdExpr, TVX

DENSE = np.array([[2.0, 1.0, 0.0], [1.0, 3.0, 0.0], [0.0, 0.0, 1.0]])
EIGEN = np.linalg.eigvalsh(DENSE)

# Triplets summing to DENSE: split diagonal and off-diagonal entries, and a
# pair at (0, 2) that cancels (keeping only the later one gives -5 there).
ROWS = np.array([0, 1, 0, 1, 0, 0, 2, 1, 0, 0])
COLS = np.array([0, 1, 1, 0, 0, 2, 2, 1, 1, 2])
VALS = np.array([1.0, 2.0, 0.5, 1.0, 1.0, 5.0, 1.0, 1.0, 0.5, -5.0])


def compressed(cls, major, minor):
    order = np.argsort(major, kind="stable")
    indptr = np.searchsorted(major[order], np.arange(4))
    matrix = cls((VALS[order], minor[order], indptr), shape=(3, 3))
    assert not matrix.has_canonical_format
    return matrix


FORMS = {
    "dense": lambda: DENSE.copy(),
    "coo": lambda: sp.coo_matrix((VALS, (ROWS, COLS)), shape=(3, 3)),
    "csr": lambda: compressed(sp.csr_matrix, ROWS, COLS),
    "csc": lambda: compressed(sp.csc_matrix, COLS, ROWS),
}


def dense_of(value):
    return value.toarray() if sp.issparse(value) else np.asarray(value, dtype=float)


def solved(m):
    m.optimize()
    assert m.Status == TVX.OPTIMAL
    return m.ObjVal


def trace_one(m, X):
    m.addConstr(np.eye(3) * X == 1)


# Each reader: (what it makes of the matrix C, the value C = DENSE gives).

def row(m, C):  # min tr X s.t. <C, X> = 3
    X = m.addPsdVar(dim=3)
    m.addConstr(C * X == 3)
    m.setObjective(PsdExpr(np.eye(3), X))
    return solved(m)


def row_of_two_terms(m, C):  # the terms of one variable summed first
    X = m.addPsdVar(dim=3)
    m.addConstr(C * X + C * X == 6)
    m.setObjective(PsdExpr(np.eye(3), X))
    return solved(m)


def psdvar_objective(m, C):  # min <C, X> s.t. tr X = 1
    trace_one(m, m.addPsdVar(obj=C))
    return solved(m)


def set_objective(m, C):
    X = m.addPsdVar(dim=3)
    trace_one(m, X)
    m.setObjective(C * X)
    return solved(m)


def objective_attribute(m, C):
    X = m.addPsdVar(dim=3)
    X.PsdObj = C
    return dense_of(X.PsdObj)


def objective_attribute_by_model(m, C):
    X = m.addPsdVar(dim=3)
    m.setAttr("PsdObj", [X], [C])
    return dense_of(X.PsdObj)


FIXED = np.array([[1.0, 0.2, 0.1], [0.2, 2.0, -0.3], [0.1, -0.3, 1.5]])


def value(m, C):  # <C, X> at the one feasible X = FIXED
    X = m.addPsdVar(dim=3)
    for i in range(3):
        for j in range(i, 3):
            unit = np.zeros((3, 3))
            unit[i, j] = 1.0  # one triangle: X[i, j] + X[j, i] off the diagonal
            m.addConstr(unit * X == FIXED[i, j] * (1 if i == j else 2))
    solved(m)
    return (C * X).getValue()


def product(m, C):
    x = m.addMVar(3)
    m.addConstr(C @ x <= 1)
    return m.getA().toarray()


def array_attribute(m, C):
    x = m.addMVar((3, 3))
    x.Obj = C
    return np.asarray(x.Obj)


READERS = [
    (row, 3 / EIGEN[-1]),
    (row_of_two_terms, 3 / EIGEN[-1]),
    (psdvar_objective, EIGEN[0]),
    (set_objective, EIGEN[0]),
    (objective_attribute, DENSE),
    (objective_attribute_by_model, DENSE),
    (value, np.sum(DENSE * FIXED)),
    (product, DENSE),
    (array_attribute, DENSE),
]


@pytest.mark.parametrize("form", sorted(FORMS))
@pytest.mark.parametrize("reader, want", READERS, ids=[r.__name__ for r, _ in READERS])
def test_repeated_entries_stand_for_their_sum(reader, want, form):
    got = reader(Model(), FORMS[form]())
    assert np.allclose(got, want, rtol=0, atol=1e-6)


@pytest.mark.parametrize("C", [
    sp.coo_matrix(([3.0, 0.0], ([1, 0], [0, 1])), shape=(2, 2)),
    sp.coo_matrix(([3.0, 1.0, -1.0], ([1, 0, 0], [0, 1, 1])), shape=(2, 2)),
], ids=["stored zero", "cancelled"])
def test_zero_at_the_mirror_of_an_entry_is_no_entry(C):
    # Both stand for 3 at (1, 0), so for 6 X01: min tr X s.t. 6 X01 = 6 is 2.
    # A zero kept as an entry would overwrite the 3 and its mirror.
    m = Model()
    X = m.addPsdVar(dim=2)
    e = C * X
    m.addConstr(e == 6)
    m.setObjective(PsdExpr(np.eye(2), X))
    assert solved(m) == pytest.approx(2, abs=1e-6)
    assert e.getValue() == pytest.approx(6, abs=1e-6)


def complete_graph_laplacian(n, sparse):
    """L = n I - J assembled edge by edge, as from an edge list."""
    rows, cols, vals = [], [], []
    for i in range(n):
        for j in range(i + 1, n):
            rows += [i, j, i, j]
            cols += [i, j, j, i]
            vals += [1.0, 1.0, -1.0, -1.0]
    matrix = sp.coo_matrix((vals, (rows, cols)), shape=(n, n))
    return matrix if sparse else matrix.toarray()


@pytest.mark.parametrize("sparse", [True, False])
def test_max_cut_relaxation_from_an_edge_list(sparse):
    # max <L/4, X> s.t. diag X = 1 for the complete graph: X = (n I - J)/(n - 1)
    # reaches the bound <L, X> <= n^2, so the optimum is n^2 / 4.
    n = 30
    m = Model()
    X = m.addPsdVar(obj=complete_graph_laplacian(n, sparse) / 4)
    for i in range(n):
        unit = sp.coo_matrix(([1.0], ([i], [i])), shape=(n, n))
        m.addConstr(unit * X == 1)
    m.ModelSense = TVX.MAXIMIZE
    assert solved(m) == pytest.approx(n * n / 4, rel=1e-6)
