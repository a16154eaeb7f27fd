"""Term lists, linear and quadratic expressions, quicksum.

Variables are Var handles of no model (support.make_var); no model is needed, since expressions make no library
calls. Evaluation uses a Var subclass whose getAttr answers from a table.
Expressions are compared as lists of (coefficient, variable name) terms.
"""
import gc
import inspect
import pickle
import sys
from fractions import Fraction

import numpy as np
import pytest

import didazoda
from didazoda import LinExpr, List, Operand, QuadExpr, TarvexError, Var, quicksum

from support import expr_readers, make_var

x, y, z = make_var(1), make_var(2), make_var(3)
name, lin, quad = expr_readers({"x": x, "y": y, "z": z})


def base_lin():
    e = LinExpr([2, 3, 4], [x, y, x])
    e.addConstant(1)
    return e


BASE_LIN = ([(2.0, "x"), (3.0, "y"), (4.0, "x")], 1.0)


def base_quad():
    q = QuadExpr(LinExpr([5, 6], [x, z]))
    q.addTerms(2, x, y)
    q.addTerms([3, 7], [y, x], [x, x])
    q.addConstant(1)
    return q


BASE_QUAD = ([(2.0, "x", "y"), (3, "y", "x"), (7, "x", "x")], [(5.0, "x"), (6.0, "z")], 1.0)


# ---- List ----------------------------------------------------------------------------------

@pytest.mark.parametrize("make, items", [
    (lambda: List(), []),
    (lambda: List([1.0, 2.0]), [1.0, 2.0]),
    (lambda: List(data=["a"]), ["a"]),
    (lambda: List(type("L", (list,), {})([3])), [3]),
    (lambda: List.__new__(List), []),
])
def test_list_construction(make, items):
    lst = make()
    assert len(lst) == len(items) and list(lst) == items
    assert repr(lst) == str(lst) == repr(items)


@pytest.mark.parametrize("data", [(1.0, 2.0), None, "ab", {1: 2}])
def test_list_takes_only_lists(data):
    with pytest.raises(TypeError, match="^Expect a list$"):
        List(data)


@pytest.mark.parametrize("index, error, message", [
    (-1, IndexError, "list index out of range"),
    (2, IndexError, "list index out of range"),
    ("0", TypeError, "an integer is required"),
    (2**40, OverflowError, "value too large to convert to int"),
])
def test_list_index_errors(index, error, message):
    with pytest.raises(error, match=f"^{message}$"):
        List([1.0, 2.0])[index]


def test_list_index_truncates_floats():
    assert List([1.0, 2.0])[1.9] == 2.0


def test_list_views_share_blocks_copy_on_write():
    a = List([1.0])
    b = a + []
    a += [2.0]
    assert list(b) == [1.0] and list(a) == [1.0, 2.0]
    with pytest.raises(IndexError):
        b[1]
    b += [3.0]
    assert list(b) == [1.0, 3.0] and list(a) == [1.0, 2.0]
    # Once a is gone, b is its block's only holder; a's item stays invisible.
    c = List([1.0])
    d = c + []
    c += [2.0]
    del c
    d += [3.0]
    assert list(d) == [1.0, 3.0]


def test_list_iadd_identity_and_self():
    empty = List()
    alias = empty
    empty += [1.0]
    assert alias is not empty and len(alias) == 0 and list(empty) == [1.0]
    full = List([1.0, 2.0])
    alias = full
    full += full
    assert alias is full and list(full) == [1.0, 2.0, 1.0, 2.0]
    full += List([3.0])
    assert list(full) == [1.0, 2.0, 1.0, 2.0, 3.0]


@pytest.mark.parametrize("other, name", [((1.0,), "tuple"), (5, "int"), (np.array([1.0]), "ndarray")])
def test_list_add_refuses_other_types(other, name):
    lst = List([1.0])
    for op in (lambda: lst + other, lambda: lst.__iadd__(other)):
        with pytest.raises(TypeError, match=f"^unsupport operation \\+=: `List` and `{name}`$"):
            op()
    assert list(lst) == [1.0]
    with pytest.raises(TypeError):
        [1.0] + lst


def test_list_subclass_copy_on_write_hook_is_used():
    calls = []

    class Tracing(List):
        def _make_append_safe(self):
            calls.append("append")
            return super()._make_append_safe()

    t = Tracing([1.0])
    t += [2.0, 3.0]
    assert calls == ["append", "append"] and list(t) == [1.0, 2.0, 3.0]
    assert t._make_update_safe() is None


def test_list_releases_items_with_its_last_view():
    item = object()
    before = sys.getrefcount(item)
    a = List([item, item])
    b = a + []
    b += [item]
    assert sys.getrefcount(item) == before + 3
    del a
    assert sys.getrefcount(item) == before + 3
    del b
    assert sys.getrefcount(item) == before


def test_deeply_nested_lists_are_released_without_recursion(run_python):
    done = run_python("""
        import didazoda
        l = didazoda.List()
        for _ in range(10**6):
            l = didazoda.List([l])
        del l
        q, x = didazoda.QuadExpr(), didazoda.Var()
        for _ in range(10**5):
            outer = didazoda.QuadExpr()
            outer.addTerms([q], [x], [x])
            q = outer
        del q, outer
        print("released")
    """)
    assert done.returncode == 0 and done.stdout == "released\n", done.stderr


def test_list_class_surface():
    assert type(List) is type
    assert {"_make_append_safe", "_make_update_safe", "__getitem__", "__len__"} <= set(dir(List))
    assert not {"copy", "add", "map", "imul", "remove", "clear", "size"} & set(dir(List))
    assert List._make_append_safe.__doc__ is None
    assert not gc.is_tracked(List([1.0]))
    assert "List" in vars(didazoda) and "List" not in didazoda.__all__


# ---- LinExpr construction ------------------------------------------------------------------

@pytest.mark.parametrize("args, expected", [
    ((), ([], 0.0)),
    ((1,), ([], 1.0)),
    (("2.5",), ([], 2.5)),
    ((x,), ([(1.0, "x")], 0.0)),
    ((2, y), ([(2.0, "y")], 0.0)),
    (((1, 2, 3), (x, y, z)), ([(1.0, "x"), (2.0, "y"), (3.0, "z")], 0.0)),
    (([1, 1], [x, x]), ([(1.0, "x"), (1.0, "x")], 0.0)),
    (([(1, x), (2, y)],), ([(1.0, "x"), (2.0, "y")], 0.0)),
    (([(1, x, 5)],), ([(1.0, "x")], 0.0)),
    ((np.array([1.0, 2.0]), [x, y]), ([(1.0, "x"), (2.0, "y")], 0.0)),
    ((List([0, 2]), {0: None, 1: y}), ([(2.0, "y")], 0.0)),
    (([0, 2], [None, y]), ([(2.0, "y")], 0.0)),
    ((0, x), ([], 0.0)),
    ((-0.0, x), ([], 0.0)),
])
def test_linexpr_constructor(args, expected):
    e = LinExpr(*args)
    assert lin(e) == expected
    assert all(type(e.getCoeff(i)) is float for i in range(e.size()))


@pytest.mark.parametrize("args, error, message", [
    (([1, 2],), TarvexError, "Each element should be a tuple or list with length 2"),
    (((1.5, z),), TarvexError, "Each element should be a tuple or list with length 2"),
    (([(1,)],), TarvexError, "Each element should be a tuple or list with length 2"),
    ((1, "a"), TarvexError, "Expect a var"),
    ((0, "a"), TarvexError, "Expect a var"),
    (([1], ["a"]), TarvexError, "Expect a list of var"),
    (([1, 1], [x]), IndexError, None),
    (("a", x), TypeError, None),
    ((object(),), TypeError, None),
    (("abc",), ValueError, None),
    ((QuadExpr(),), TypeError, None),
])
def test_linexpr_constructor_errors(args, error, message):
    with pytest.raises(error) as info:
        LinExpr(*args)
    if message:
        assert str(info.value) == message
        assert info.value.errno == -1


def test_linexpr_constructor_keeps_terms_before_a_failure():
    e = LinExpr()
    with pytest.raises(TarvexError):
        e.__init__([(1, x), (2, y), 5])
    assert lin(e) == ([(1.0, "x"), (2.0, "y")], 0.0)
    e.__init__()
    assert lin(e) == ([], 0.0)


def test_linexpr_copy_is_a_snapshot():
    e = base_lin()
    s = LinExpr(e)
    e += z
    assert lin(s) == BASE_LIN
    s += y
    s.addTerms(5, x)
    assert lin(e) == (BASE_LIN[0] + [(1.0, "z")], 1.0)
    assert lin(s) == (BASE_LIN[0] + [(1.0, "y"), (5.0, "x")], 1.0)


# ---- LinExpr editing -----------------------------------------------------------------------

def f_expr():
    f = LinExpr(1, z)
    f.addConstant(2)
    return f


def apply(e, op):
    result = op(e)
    return e if result is None else result


@pytest.mark.parametrize("op, expected", [
    (lambda e: e.addTerms(0, x), BASE_LIN),
    (lambda e: e.addTerms(5, z), (BASE_LIN[0] + [(5.0, "z")], 1.0)),
    (lambda e: e.addTerms([0, 2], [None, y]), (BASE_LIN[0] + [(2.0, "y")], 1.0)),
    (lambda e: e.add(f_expr()), (BASE_LIN[0] + [(1.0, "z")], 3.0)),
    (lambda e: e.add(f_expr(), 2), (BASE_LIN[0] + [(2.0, "z")], 5.0)),
    (lambda e: e.add(f_expr(), 0), BASE_LIN),
    (lambda e: e.add(None, 0), BASE_LIN),
    (lambda e: e.add(e), (BASE_LIN[0] * 2, 2.0)),
    (lambda e: e.addConstant(2), (BASE_LIN[0], 3.0)),
    (lambda e: e.addConstant(Fraction(1, 2)), (BASE_LIN[0], 1.5)),
    (lambda e: e.clear(), ([], 0.0)),
    (lambda e: e.remove(1), ([(2.0, "x"), (4.0, "x")], 1.0)),
    (lambda e: e.remove(True), ([(2.0, "x"), (4.0, "x")], 1.0)),
    (lambda e: e.remove(7), BASE_LIN),
    (lambda e: e.remove(-1), BASE_LIN),
    (lambda e: e.remove(x), ([(3.0, "y")], 1.0)),
    (lambda e: e.remove(z), BASE_LIN),
    (lambda e: e.__iadd__(2), (BASE_LIN[0], 3.0)),
    (lambda e: e.__iadd__(np.float32(0.5)), (BASE_LIN[0], 1.5)),
    (lambda e: e.__iadd__(x), (BASE_LIN[0] + [(1.0, "x")], 1.0)),
    (lambda e: e.__iadd__(f_expr()), (BASE_LIN[0] + [(1.0, "z")], 3.0)),
    (lambda e: e.__iadd__(e), (BASE_LIN[0] * 2, 2.0)),
    (lambda e: e.__isub__(1), (BASE_LIN[0], 0.0)),
    (lambda e: e.__imul__(2), ([(4.0, "x"), (6.0, "y"), (8.0, "x")], 2.0)),
    (lambda e: e.__imul__(0), ([(0.0, "x"), (0.0, "y"), (0.0, "x")], 0.0)),
    (lambda e: e.__imul__(True), BASE_LIN),
])
def test_linexpr_editing(op, expected):
    e = base_lin()
    result = apply(e, op)
    assert result is e
    assert lin(e) == expected


@pytest.mark.parametrize("op, error, message", [
    (lambda e: e.add(5), TypeError,
     "Argument 'expr' has incorrect type (expected didazoda.LinExpr, got int)"),
    (lambda e: e.add(None), TypeError,
     "Argument 'expr' has incorrect type (expected didazoda.LinExpr, got NoneType)"),
    (lambda e: e.add(e, "a"), TypeError, None),
    (lambda e: e.addConstant("a"), TypeError, None),
    (lambda e: e.remove(1.0), TypeError, "Argument `item` should be an integer or Var"),
    (lambda e: e.remove(None), TypeError, "Argument `item` should be an integer or Var"),
    (lambda e: e.__iadd__("a"), TypeError, "unsupport operation +=: `LinExpr` and `str`"),
    (lambda e: e.__iadd__(QuadExpr()), TypeError,
     "unsupport operation +=: `LinExpr` and `QuadExpr`"),
    (lambda e: e.__imul__(x), TypeError, "unsupport operation *=: `LinExpr` and `Var`"),
    (lambda e: e.__imul__(e), TypeError, "unsupport operation *=: `LinExpr` and `LinExpr`"),
    (lambda e: e.__imul__(1j), TypeError, None),
    (lambda e: e.__iadd__(1j), TypeError, None),
    (lambda e: e.__isub__("a"), TypeError, None),
    (lambda e: e.getCoeff(-1), IndexError, "list index out of range"),
    (lambda e: e.getVar(3), IndexError, "list index out of range"),
    (lambda e: e.getCoeff("a"), TypeError, "an integer is required"),
    (lambda e: e.size(1), TypeError, None),
])
def test_linexpr_refusals_change_nothing(op, error, message):
    e = base_lin()
    with pytest.raises(error) as info:
        op(e)
    if message:
        assert str(info.value) == message
    assert lin(e) == BASE_LIN


def test_nan_coefficients_are_terms():
    nan = float("nan")
    q = QuadExpr(LinExpr(nan, x))
    q.addTerms(nan, x, y)
    assert q.size() == 1 and q.getLinExpr().size() == 1
    assert np.isnan(q.getCoeff(0)) and np.isnan(q.getLinExpr().getCoeff(0))


def test_linexpr_accessors_return_stored_objects():
    e = base_lin()
    assert e.getVar(1) is y and e.getCoeff(1.9) == 3.0
    assert e.getCoeff(0) is e.getCoeff(0)


def test_linexpr_getvalue_reads_x_of_each_term():
    values = {1: 1.5, 2: -2.0}
    calls = []

    class Valued(Var):
        def getAttr(self, attrname):
            calls.append(attrname)
            return np.float64(values[self.index])

    a, b = make_var(1, Valued), make_var(2, Valued)
    e = LinExpr([2, 3], [a, b])
    e.addConstant(0.5)
    value = e.getValue()
    assert value == 0.5 + 2 * 1.5 + 3 * -2.0 and type(value) is np.float64
    assert calls == ["X", "X"]
    assert LinExpr(4).getValue() == 4.0 and type(LinExpr(4).getValue()) is float
    q = QuadExpr(e)
    q.addTerms([2, 1], [a, b], [b, b])
    assert q.getValue() == value + 2 * 1.5 * -2.0 + 1 * -2.0 * -2.0
    assert calls.count("X") == 2 + 2 + 4  # each variable read afresh per term


# ---- QuadExpr ------------------------------------------------------------------------------

def test_quadexpr_constructors():
    assert quad(QuadExpr()) == ([], [], 0.0)
    assert quad(QuadExpr(None)) == ([], [], 0.0)
    assert quad(QuadExpr(5)) == ([], [], 5.0)
    assert quad(QuadExpr(x)) == ([], [(1.0, "x")], 0.0)
    assert quad(QuadExpr(base_lin())) == ([],) + BASE_LIN
    assert quad(QuadExpr([(2, y)])) == ([], [(2.0, "y")], 0.0)
    with pytest.raises(TarvexError, match="Each element should be a tuple or list"):
        QuadExpr([1])
    with pytest.raises(TypeError):
        QuadExpr(expr=object())


@pytest.mark.parametrize("copy", [QuadExpr, lambda q: q.copy()])
def test_quadexpr_copies_are_independent(copy):
    q = base_quad()
    c = copy(q)
    assert type(c) is QuadExpr and quad(c) == BASE_QUAD
    c.addTerms(1, z, z)
    c.addTerms(1, z)
    assert quad(q) == BASE_QUAD
    q.addTerms(1, y, y)
    q.getLinExpr().addConstant(1)
    assert quad(c)[0] == BASE_QUAD[0] + [(1.0, "z", "z")] and quad(c)[2] == 1.0


def test_quadexpr_copy_of_subclass_is_quadexpr():
    sub = type("Sub", (QuadExpr,), {})(x)
    assert type(sub.copy()) is QuadExpr and quad(sub.copy()) == quad(sub)


@pytest.mark.parametrize("args, expected", [
    ((2, y, x), ([(2.0, "x", "y")], [])),
    ((2, x, y), ([(2.0, "x", "y")], [])),
    ((2, x, x), ([(2.0, "x", "x")], [])),
    (([2], [y], [x]), ([(2, "y", "x")], [])),
    (((1, 0), (x, y), (y, z)), ([(1, "x", "y"), (0, "y", "z")], [])),
    ((List([1.5]), List([y]), List([z])), ([(1.5, "y", "z")], [])),
    ((np.array([1.5]), [y], (z,)), ([(1.5, "y", "z")], [])),
    ((3, x), ([], [(3.0, "x")])),
    (([3, 4], [x, y]), ([], [(3.0, "x"), (4.0, "y")])),
    ((0, x, "a"), ([], [])),
])
def test_quadexpr_addterms(args, expected):
    q = QuadExpr()
    q.addTerms(*args)
    assert quad(q)[:2] == expected


@pytest.mark.parametrize("args, error, message", [
    ((1, x, "a"), TarvexError, "Expect a var"),
    ((1, "a", x), TarvexError, "Expect a var"),
    (([1], x, [y]), TypeError, None),
    (([1], [x], y), TypeError, None),
    (("a", x, y), TypeError, None),
])
def test_quadexpr_addterms_refusals_change_nothing(args, error, message):
    q = base_quad()
    with pytest.raises(error, match=message):
        q.addTerms(*args)
    assert quad(q) == BASE_QUAD


@pytest.mark.parametrize("op, expected", [
    (lambda q: q.getLinExpr().addConstant(1), BASE_QUAD[:2] + (2.0,)),
    (lambda q: q.addConstant(2), BASE_QUAD[:2] + (3.0,)),
    (lambda q: q.remove(5), BASE_QUAD),
    (lambda q: q.remove(-1), BASE_QUAD),
    (lambda q: q.remove(0), (BASE_QUAD[0][1:],) + BASE_QUAD[1:]),
    (lambda q: q.remove(x), ([], [(6.0, "z")], 1.0)),
    (lambda q: q.remove(z), (BASE_QUAD[0], [(5.0, "x")], 1.0)),
    (lambda q: q.add(q), (BASE_QUAD[0] * 2, BASE_QUAD[1] * 2, 2.0)),
    (lambda q: q.add(QuadExpr(x), 0), BASE_QUAD),
    (lambda q: q.add(LinExpr(2, y), 3), (BASE_QUAD[0], BASE_QUAD[1] + [(6.0, "y")], 1.0)),
    (lambda q: q.add(q, 2),
     (BASE_QUAD[0] + [(4.0, "x", "y"), (6.0, "y", "x"), (14.0, "x", "x")],
      BASE_QUAD[1] + [(10.0, "x"), (12.0, "z")], 3.0)),
    (lambda q: q.clear(), ([], [], 0.0)),
    (lambda q: q.__iadd__(1), BASE_QUAD[:2] + (2.0,)),
    (lambda q: q.__iadd__(x), (BASE_QUAD[0], BASE_QUAD[1] + [(1.0, "x")], 1.0)),
    (lambda q: q.__iadd__(LinExpr(2, y)), (BASE_QUAD[0], BASE_QUAD[1] + [(2.0, "y")], 1.0)),
    (lambda q: q.__iadd__(q), (BASE_QUAD[0] * 2, BASE_QUAD[1] * 2, 2.0)),
    (lambda q: q.__isub__(1), BASE_QUAD[:2] + (0.0,)),
    (lambda q: q.__imul__(2),
     ([(4.0, "x", "y"), (6, "y", "x"), (14, "x", "x")], [(10.0, "x"), (12.0, "z")], 2.0)),
    (lambda q: q.__imul__(0),
     ([(0.0, "x", "y"), (0, "y", "x"), (0, "x", "x")], [(0.0, "x"), (0.0, "z")], 0.0)),
])
def test_quadexpr_editing(op, expected):
    q = base_quad()
    assert apply(q, op) is q
    assert quad(q) == expected


def test_quadexpr_scaling_keeps_coefficient_types():
    q = QuadExpr()
    q.addTerms([2, Fraction(1, 3)], [x, x], [y, y])
    q *= 3
    assert [type(q.getCoeff(k)) for k in range(2)] == [int, Fraction]
    assert [q.getCoeff(k) for k in range(2)] == [6, 1]


@pytest.mark.parametrize("op, error, message", [
    (lambda q: q.add(3), TypeError, "Argument `expr` cannot be <class 'int'> type"),
    (lambda q: q.add(x), TypeError, "Argument `expr` cannot be <class 'didazoda.Var'> type"),
    (lambda q: q.add(q, "a"), TypeError, None),
    (lambda q: q.remove(2.0), TypeError, "Argument `item` should be an integer or Var"),
    (lambda q: q.getCoeff(-1), IndexError, "list index out of range"),
    (lambda q: q.getVar2(3), IndexError, "list index out of range"),
    (lambda q: q.getVar1(None), TypeError, "an integer is required"),
    (lambda q: q.__iadd__("a"), TypeError, "unsupport operation +=: `QuadExpr` and `str`"),
    (lambda q: q.__imul__(x), TypeError, "unsupport operation *=: `QuadExpr` and `Var`"),
    (lambda q: q.__imul__(q), TypeError, "unsupport operation *=: `QuadExpr` and `QuadExpr`"),
    (lambda q: q.__imul__(1j), TypeError, None),
])
def test_quadexpr_refusals_change_nothing(op, error, message):
    q = base_quad()
    with pytest.raises(error) as info:
        op(q)
    if message:
        assert str(info.value) == message
    assert quad(q) == BASE_QUAD


def test_quadexpr_linear_part_is_its_own():
    q = base_quad()
    assert q.getLinExpr() is q.getLinExpr()
    assert q.size() == 3 and q.getLinExpr().size() == 2
    assert q.getCoeff(i=1) == 3 and q.getVar1(i=1) is y


# ---- quicksum ------------------------------------------------------------------------------

def quad_item():
    q = QuadExpr(LinExpr(2, y))
    q.addTerms(3, z, x)
    q.addConstant(1)
    return q


@pytest.mark.parametrize("li, kind, expected", [
    ([], LinExpr, ([], [], 0.0)),
    ([x, x], LinExpr, ([], [(1.0, "x"), (1.0, "x")], 0.0)),
    ([1, 2.5, True, Fraction(1, 2), np.int64(1)], LinExpr, ([], [], 6.0)),
    ((v for v in (x, y)), LinExpr, ([], [(1.0, "x"), (1.0, "y")], 0.0)),
    ((z, LinExpr([1, 2], [x, y]), 3), LinExpr,
     ([], [(1.0, "z"), (1.0, "x"), (2.0, "y")], 3.0)),
    ({x: 1, y: 2}.keys(), LinExpr, ([], [(1.0, "x"), (1.0, "y")], 0.0)),
    (np.array([x, y], dtype=object), LinExpr, ([], [(1.0, "x"), (1.0, "y")], 0.0)),
    ([QuadExpr(x)], LinExpr, ([], [(1.0, "x")], 0.0)),
    ([x, quad_item(), base_lin()], QuadExpr,
     ([(3.0, "x", "z")], [(1.0, "x"), (2.0, "y")] + BASE_LIN[0], 2.0)),
])
def test_quicksum(li, kind, expected):
    s = quicksum(li)
    assert type(s) is kind
    assert (quad(s) if kind is QuadExpr else ([],) + lin(s)) == expected


def test_quicksum_result_is_new_and_a_snapshot():
    e, q = base_lin(), QuadExpr(x)
    s = quicksum([e])
    assert s is not e and quicksum([q]) is not q.getLinExpr()
    e += y
    assert lin(s) == BASE_LIN
    s += z
    assert lin(e) == (BASE_LIN[0] + [(1.0, "y")], 1.0)
    assert quicksum(li=[x]).size() == 1


@pytest.mark.parametrize("li, error, message", [
    ([x, "a"], TypeError, "bad type for quicksum: str"),
    ([Operand()], TypeError, "bad type for quicksum: Operand"),
    ([List()], TypeError, "bad type for quicksum: List"),
    ([1j], TypeError, None),
    (5, TypeError, None),
    (None, TypeError, None),
])
def test_quicksum_errors(li, error, message):
    with pytest.raises(error) as info:
        quicksum(li)
    if message:
        assert str(info.value) == message


def test_quicksum_of_a_million_variables():
    s = quicksum([x] * 10**6)
    assert type(s) is LinExpr and s.size() == 10**6
    assert s.getVar(10**6 - 1) is x and s.getCoeff(10**6 - 1) == 1.0


# ---- Hostile inputs ------------------------------------------------------------------------

class NoFloat(int):
    def __float__(self):
        raise ValueError("no float")


@pytest.mark.parametrize("op", [
    lambda e: e.__iadd__(NoFloat(1)),
    lambda e: e.__imul__(NoFloat(2)),
    lambda e: e.addTerms(NoFloat(2), z),
    lambda e: e.add(e, NoFloat(2)),
    lambda e: quicksum([e, NoFloat(1)]),
])
def test_raising_float_conversion_changes_nothing(op):
    e = base_lin()
    with pytest.raises(ValueError, match="no float"):
        op(e)
    assert lin(e) == BASE_LIN


def test_number_subclasses_are_numbers():
    class F(float):
        pass

    class Int(int):
        pass

    e = LinExpr([F(2.0), Int(3)], [x, y])
    assert lin(e) == ([(2.0, "x"), (3.0, "y")], 0.0)
    assert all(type(e.getCoeff(i)) is float for i in range(2))
    e += Int(1)
    e *= F(2.0)
    assert lin(e) == ([(4.0, "x"), (6.0, "y")], 2.0)
    assert quicksum([F(1.5), Int(2), x]).getConstant() == 3.5


def test_equality_that_mutates_the_expression():
    e = base_lin()

    class Evil(int):
        def __eq__(self, other):
            e.clear()
            e.addTerms([1] * 5, [z] * 5)
            return int(self) == other

        __hash__ = int.__hash__

    e.remove(Evil(1))
    # Whatever the outcome, the lists stay parallel and readable.
    terms, _ = lin(e)
    assert e.size() == len(terms) and quicksum([e]).size() == e.size()


def test_coefficient_product_that_mutates_the_expression():
    class Hook:
        def __mul__(self, other):
            q.addTerms(1, x, y)
            return 5

    q = QuadExpr(2)
    q.addTerms([Hook()], [x], [y])
    with pytest.raises(RuntimeError, match="expression changed during \\*="):
        q *= 3
    assert q.size() == 2 and q.getConstant() == 2.0
    assert isinstance(q.getCoeff(0), Hook) and q.getCoeff(1) == 1.0


def test_coefficient_product_that_does_not_mutate():
    class Hook:
        def __mul__(self, other):
            return 5

    q = QuadExpr(2)
    q.addTerms([Hook()], [x], [y])
    q *= 3
    assert quad(q) == ([(5, "x", "y")], [], 6.0)


@pytest.mark.parametrize("cls", [List, LinExpr, QuadExpr])
def test_objects_made_without_init_are_usable(cls):
    obj = cls.__new__(cls)
    if cls is List:
        obj += [1.0]
        assert list(obj) == [1.0] and list(List.__new__(List) + [2.0]) == [2.0]
        return
    obj += x
    obj *= 2
    assert obj.size() == (1 if cls is LinExpr else 0) and obj.getConstant() == 0.0
    assert quicksum([obj, cls.__new__(cls)]).size() == 1
    fresh = cls.__new__(cls)
    assert fresh.getValue() == 0.0
    fresh.remove(x)
    fresh.clear()
    LinExpr().add(LinExpr.__new__(LinExpr))
    QuadExpr().add(fresh)


def test_term_lists_of_unequal_length_are_refused_by_readers():
    q = QuadExpr()
    q.addTerms([1, 2], [x], [y])
    assert q.size() == 2 and q.getVar1(0) is x
    with pytest.raises(IndexError):
        q.getVar1(1)
    for op in (lambda: quicksum([q]), q.getValue, lambda: q.remove(x), lambda: q.remove(0),
               lambda: q.add(q), lambda: QuadExpr().add(q, 2), lambda: q.copy().__iadd__(q)):
        with pytest.raises(ValueError, match="unequal lengths"):
            op()
    # A LinExpr's lists reached through the pickling protocol.
    e = base_lin()
    coeffs = e.__reduce__()[1][1][0]
    coeffs += [9.0]
    for op in (lambda: quicksum([e]), e.getValue, lambda: e.remove(x), lambda: LinExpr().add(e)):
        with pytest.raises(ValueError, match="unequal lengths"):
            op()


def test_expressions_give_back_their_references():
    v = make_var(5)
    before = sys.getrefcount(v)
    for _ in range(3):
        e = LinExpr([1, 2], [v, v])
        e += v
        s = LinExpr(e)
        s *= 2
        s.remove(v)
        q = QuadExpr(e)
        q.addTerms([1, 2], [v, v], [v, v])
        q.add(q, 3)
        q *= 2
        t = quicksum([e, q, v, s, 1])
        q.remove(v)
        e.clear()
    del e, s, q, t
    gc.collect()
    assert sys.getrefcount(v) == before


# ---- Pickling ------------------------------------------------------------------------------

@pytest.mark.parametrize("obj", [List([1.0]), LinExpr(), base_lin(), QuadExpr(), base_quad(),
                                 LinExpr.__new__(LinExpr)])
def test_pickling_is_refused(obj):
    with pytest.raises(TypeError,
                       match="^self.list_ cannot be converted to a Python object for pickling$"):
        pickle.dumps(obj)


def test_reconstruction_takes_own_views():
    coeffs, vars_ = List([2.0]), List([x])
    e = didazoda._unpickle_LinExpr(LinExpr, (coeffs, 1.5, vars_, None))
    assert lin(e) == ([(2.0, "x")], 1.5)
    coeffs += [3.0]
    e += y
    assert list(coeffs) == [2.0, 3.0] and list(vars_) == [x]
    assert lin(e) == ([(2.0, "x"), (1.0, "y")], 1.5)
    q = didazoda._unpickle_QuadExpr(QuadExpr, (List([1.0]), e, List([x]), List([y]), None))
    q.getLinExpr().addConstant(1)
    assert e.getConstant() == 1.5 and quad(q) == ([(1.0, "x", "y")], lin(e)[0], 2.5)
    for bad in ((List([1.0]), 0.0, List([]), None), (None, 0.0, List(), None),
                ([1.0], 0.0, List(), None)):
        with pytest.raises((TypeError, ValueError)):
            didazoda._unpickle_LinExpr(LinExpr, bad)


# ---- Class surface ---------------------------------------------------------------------------

LINEXPR_DIR = ["__iadd__", "__imul__", "__isub__", "add", "addConstant", "addTerms", "clear",
               "getCoeff", "getConstant", "getValue", "getVar", "remove", "size"]
QUADEXPR_DIR = ["__iadd__", "__imul__", "__isub__", "add", "addConstant", "addTerms", "clear",
                "copy", "getCoeff", "getConstant", "getLinExpr", "getValue", "getVar1",
                "getVar2", "remove", "size"]


@pytest.mark.parametrize("cls, names", [(LinExpr, LINEXPR_DIR), (QuadExpr, QUADEXPR_DIR)])
def test_expression_class_surface(cls, names):
    assert dir(cls) == names
    assert issubclass(cls, Operand) and cls.__array_priority__ == 1000
    assert gc.is_tracked(cls())
    with pytest.raises(TypeError, match=f"unsupported operand type\\(s\\) for hash\\(\\): `{cls.__name__}`"):
        hash(cls())
    for member in names:
        if member.startswith("_"):
            continue
        doc = getattr(cls, member).__doc__
        assert doc.startswith(f"\n        SIGNATURE:\n            {member}(")
        assert "\n        PURPOSE:\n" in doc and "\n        ARGUMENTS:\n" in doc
    init = cls.__init__.__doc__
    assert init.startswith(f"\n        SIGNATURE:\n            {cls.__name__}(")


@pytest.mark.parametrize("member, signature", [
    (LinExpr.add, "(self, expr, mult=1.0)"),
    (LinExpr.addTerms, "(self, coeffs, vars)"),
    (LinExpr.getCoeff, "(self, index)"),
    (QuadExpr.add, "(self, expr, mult=1.0)"),
    (QuadExpr.addTerms, "(self, coeffs, vars, vars2=None)"),
    (QuadExpr.getVar1, "(self, i)"),
    (quicksum, "(li)"),
])
def test_signatures_and_defaults(member, signature):
    assert str(inspect.signature(member)) == signature


def test_methods_check_their_instance():
    with pytest.raises(TypeError, match="requires a 'didazoda.LinExpr' object"):
        LinExpr.size(QuadExpr())
    with pytest.raises(TypeError, match="requires a 'didazoda.QuadExpr' object"):
        QuadExpr.getLinExpr(LinExpr())


def test_quicksum_docstring():
    assert quicksum.__doc__.startswith("\n    SIGNATURE:\n        quicksum(li)\n")
    assert "quicksum" in didazoda.__all__
