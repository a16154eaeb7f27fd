"""Column: construction, terms, removal, copies, pickling, dir()."""
import copy
import gc
import os
import pickle
import weakref

import numpy as np
import pytest

import didazoda
from didazoda import Column, TarvexError

LP = os.path.join(os.path.dirname(__file__), "data", "lp_small.lp")
PICKLE_REFUSAL = "self.mdl_ cannot be converted to a Python object for pickling"
BAD_ITEM = "Argument `item` should be an integer or constr"


@pytest.fixture(scope="module")
def models():
    ms = [didazoda.read(LP), didazoda.read(LP)]
    yield ms
    for m in ms:
        m.dispose()


@pytest.fixture(scope="module")
def c(models):
    """The three constraints of the first model."""
    return models[0].getConstrs()


def terms(col):
    """(coefficient, constraint) pairs; coefficients must be exact floats."""
    out = [(col.getCoeff(i), col.getConstr(i)) for i in range(col.size())]
    assert all(type(k) is float for k, _ in out)
    return out


def same(actual, expected):
    """Term lists equal, constraints compared by identity."""
    return [(k, id(x)) for k, x in actual] == [(k, id(x)) for k, x in expected]


# ---- Construction and addTerms -----------------------------------------------------------

# Builds the constructor arguments from the constraints, and the terms expected.
FORMS = {
    "empty": (lambda c: (), lambda c: []),
    "one term": (lambda c: (1, c[0]), lambda c: [(1.0, c[0])]),
    "lists": (lambda c: ([1, 2], [c[0], c[1]]), lambda c: [(1.0, c[0]), (2.0, c[1])]),
    "tuple of constrs": (lambda c: ([1, 2.5], (c[0], c[1])), lambda c: [(1.0, c[0]), (2.5, c[1])]),
    "ndarray coeffs": (lambda c: (np.array([1, 2]), [c[1], c[0]]),
                       lambda c: [(1.0, c[1]), (2.0, c[0])]),
    "object ndarray constrs": (lambda c: (("3", np.float32(0.5)), np.array(c, dtype=object)),
                               lambda c: [(3.0, c[0]), (0.5, c[1])]),
    "repeated constr": (lambda c: ([1, 2], [c[2], c[2]]), lambda c: [(1.0, c[2]), (2.0, c[2])]),
    "extra constrs ignored": (lambda c: ([4], c), lambda c: [(4.0, c[0])]),
    "no coeffs, any constrs": (lambda c: ([], 7), lambda c: []),
}


@pytest.mark.parametrize("args, expected", FORMS.values(), ids=FORMS.keys())
def test_constructor_and_addterms_forms(c, args, expected):
    assert same(terms(Column(*args(c))), expected(c))
    col = Column(5, c[2])
    if args(c):
        assert col.addTerms(*args(c)) is None
    assert same(terms(col), [(5.0, c[2])] + expected(c))


def test_constructor_keywords(c):
    assert same(terms(Column(coeffs=[1], constrs=[c[0]])), [(1.0, c[0])])


# args, exception, text (None: not checked), terms left by addTerms on an empty column
ERRORS = {
    "coeffs None": (lambda c: (None, [c[0]]), TarvexError, "Argument `coeffs` cannot be None",
                    None),
    "constrs None": (lambda c: ([1], None), TarvexError, "Argument `constrs` cannot be None",
                     None),
    "one coeff, list": (lambda c: (1, [c[0]]), TarvexError, "Expect a constr", []),
    "one coeff, var": (lambda c: (1, 5), TarvexError, "Expect a constr", []),
    "bad float": (lambda c: ("x", c[0]), ValueError, None, []),
    "no constr in list": (lambda c: ([1, 2], [c[0], 5]), TarvexError, "Expect a list of constr",
                          [(1.0, "c0")]),
    "constrs too short": (lambda c: ([1, 2, 3], [c[0], c[1]]), IndexError, None,
                          [(1.0, "c0"), (2.0, "c1")]),
    "bad float in list": (lambda c: ([1, None], [c[0], c[1]]), TypeError, None, [(1.0, "c0")]),
    "0-d array": (lambda c: (np.array(1.0), [c[0]]), TypeError, None, []),
}


@pytest.mark.parametrize("args, exc, text, left", ERRORS.values(), ids=ERRORS.keys())
def test_construction_errors(c, args, exc, text, left):
    with pytest.raises(exc) as info:
        Column(*args(c))
    if text is not None:
        assert str(info.value) == text
    if exc is TarvexError:
        assert info.value.errno == -1
    if left is not None:
        # Terms before the failing one stay; the lists stay parallel.
        col = Column()
        with pytest.raises(exc):
            col.addTerms(*args(c))
        names = {"c0": c[0], "c1": c[1]}
        assert same(terms(col), [(k, names[n]) for k, n in left])


def test_init_again_empties_the_column(c):
    col = Column([1, 2], [c[0], c[1]])
    col.__init__()
    assert col.size() == 0
    col.addTerms(1, c[0])
    with pytest.raises(TarvexError):
        col.__init__(None, [c[0]])
    assert col.size() == 0


def test_coefficient_that_clears_the_column_mid_call(c):
    col = Column()

    class Clearing:
        def __float__(self):
            col.clear()
            return 3.0

    col.addTerms([1, Clearing(), 2], list(c))
    assert same(terms(col), [(3.0, c[1]), (2.0, c[2])])


def test_subclass_methods_are_found_by_lookup(c):
    calls = []

    class Logged(Column):
        def addTerms(self, coeffs, constrs):
            calls.append("addTerms")
            super().addTerms(coeffs, constrs)

        def size(self):
            return 1  # remove(constr) looks only at the first term

    col = Logged([1, 2], [c[0], c[1]])
    assert calls == ["addTerms"]
    col.remove(c[1])
    assert same(terms(Column.copy(col)), [(1.0, c[0])])
    assert type(col.copy()) is Column


# ---- Reading terms ------------------------------------------------------------------------


@pytest.mark.parametrize("index, position", [(0, 0), (2, 2), (-1, 2), (-3, 0), (1.9, 1),
                                             (True, 1), (np.int64(2), 2)])
def test_getcoeff_getconstr(c, index, position):
    col = Column([1, 2, 3], list(c))
    assert col.getCoeff(index) == position + 1.0
    assert col.getConstr(i=index) is c[position]


@pytest.mark.parametrize("index, exc, text", [
    (3, IndexError, "list index out of range"),
    (-4, IndexError, "list index out of range"),
    ("0", TypeError, "an integer is required"),
    (None, TypeError, "an integer is required"),
    (2 ** 40, OverflowError, "value too large to convert to int"),
])
def test_getcoeff_getconstr_errors(c, index, exc, text):
    col = Column([1, 2, 3], list(c))
    for get in (col.getCoeff, col.getConstr):
        with pytest.raises(exc) as info:
            get(index)
        assert str(info.value) == text


# ---- Removing terms ------------------------------------------------------------------------


@pytest.mark.parametrize("item, kept", [
    (0, [1, 2]),
    (-1, [0, 1]),
    (True, [0, 2]),
    ("c0", [1]),           # every term on that constraint
    ("c2", [0, 1, 2]),     # a constraint the column does not hold
    ("other c0", [0, 1, 2]),  # same index, another model
])
def test_remove(models, c, item, kept):
    start = [(1.0, c[0]), (2.0, c[1]), (3.0, c[0])]
    col = Column([1, 2, 3], [c[0], c[1], c[0]])
    if isinstance(item, str):
        item = models[1].getConstrs()[0] if item == "other c0" else c[int(item[1])]
    assert col.remove(item) is None
    assert same(terms(col), [start[k] for k in kept])


@pytest.mark.parametrize("item, exc, text", [
    (3, IndexError, "list assignment index out of range"),
    (-4, IndexError, "list assignment index out of range"),
    (2 ** 70, IndexError, None),
    (1.0, TypeError, BAD_ITEM),
    (np.int64(0), TypeError, BAD_ITEM),
    ("0", TypeError, BAD_ITEM),
    (None, TypeError, BAD_ITEM),
])
def test_remove_errors_change_nothing(c, item, exc, text):
    col = Column([1, 2, 3], list(c))
    with pytest.raises(exc) as info:
        col.remove(item)
    if text:
        assert str(info.value) == text
    assert same(terms(col), [(1.0, c[0]), (2.0, c[1]), (3.0, c[2])])


def test_clear_and_size(c):
    col = Column([1, 2], [c[0], c[1]])
    assert col.size() == 2
    assert col.clear() is None
    assert col.size() == 0


# ---- Copies and pickling ----------------------------------------------------------------------


@pytest.mark.parametrize("make_copy", [Column.copy, copy.copy], ids=["copy()", "copy.copy"])
def test_copies_are_independent(c, make_copy):
    col = Column([1, 2], [c[0], c[1]])
    dup = make_copy(col)
    assert type(dup) is Column and dup is not col
    assert same(terms(dup), terms(col))
    dup.clear()
    dup.addTerms(9, c[2])
    assert same(terms(col), [(1.0, c[0]), (2.0, c[1])])


class Sub(Column):
    pass


def test_pickling(c):
    for col in (Column(), Sub()):
        for protocol in range(pickle.HIGHEST_PROTOCOL + 1):
            back = pickle.loads(pickle.dumps(col, protocol))
            assert type(back) is type(col) and back.size() == 0
    # A column holding handles pickles its lists, and handles refuse.
    for make in (lambda col: pickle.dumps(col), copy.deepcopy):
        with pytest.raises(TypeError, match=PICKLE_REFUSAL):
            make(Column(1, c[0]))


@pytest.mark.parametrize("state", [
    lambda c: ([1.0], [], None),      # unequal lengths
    lambda c: ([1], [c[0]], None),    # a coefficient that is not a float
    lambda c: ([1.0], [5], None),     # an entry that is not a Constr
    lambda c: (None, [], None),       # one list missing
])
def test_reconstruction_keeps_the_lists_parallel(c, state):
    with pytest.raises(ValueError, match="invalid pickled state"):
        didazoda._unpickle_Column(Column, state(c))


@pytest.mark.parametrize("state", [("x", [], None), ([], [], None, 1)])
def test_reconstruction_refuses_malformed_states(state):
    with pytest.raises((TypeError, ValueError)):
        didazoda._unpickle_Column(Column, state)


# ---- Columns whose __init__ never ran, and cycles ---------------------------------------------


@pytest.mark.parametrize("call, exc, text", [
    (lambda col, c: col.addTerms(1, c[0]), AttributeError,
     "'NoneType' object has no attribute 'append'"),
    (lambda col, c: col.addTerms([1], [c[0]]), AttributeError,
     "'NoneType' object has no attribute 'append'"),
    (lambda col, c: col.getCoeff(0), TypeError, "'NoneType' object is not subscriptable"),
    (lambda col, c: col.getConstr(0), TypeError, "'NoneType' object is not subscriptable"),
    (lambda col, c: col.remove(0), TypeError, "'NoneType' object is not subscriptable"),
    (lambda col, c: col.remove(c[0]), TypeError, "object of type 'NoneType' has no len()"),
    (lambda col, c: col.size(), TypeError, "object of type 'NoneType' has no len()"),
])
def test_uninitialised_column(c, call, exc, text):
    col = Column.__new__(Column)
    with pytest.raises(exc) as info:
        call(col, c)
    assert str(info.value) == text
    assert col.copy().size() == 0
    assert pickle.loads(pickle.dumps(col)).__reduce__()[1][1] == (None, None, None)


def test_cycles_are_collected_and_tampered_lists_are_safe(c):
    col = Sub(1, c[0])
    coeffs = col.__reduce__()[1][1][0]  # the column's own list
    coeffs.append(col)
    with pytest.raises(IndexError):
        col.getConstr(1)
    with pytest.raises(IndexError):
        col.remove(1)
    assert col.size() == 2
    ref = weakref.ref(col)
    del col, coeffs
    gc.collect()
    assert ref() is None


# ---- Class surface --------------------------------------------------------------------------


def test_dir_and_docstrings():
    assert dir(Column) == ["addTerms", "clear", "copy", "getCoeff", "getConstr", "remove", "size"]
    assert Column.__doc__.startswith(
        "Column contains the coefficient information of a variable in existing constraints.")
    signatures = {
        "__init__": "__init__(coeffs=None, constrs=None)", "addTerms": "addTerms(coeffs, constrs)",
        "copy": "copy()", "getCoeff": "getCoeff(index)", "getConstr": "getConstr(index)",
        "size": "size()", "clear": "clear()", "remove": "remove(item)",
    }
    for name, sig in signatures.items():
        assert getattr(Column, name).__doc__.startswith(
            f"\n        SIGNATURE:\n            {sig}\n\n        PURPOSE:\n")
