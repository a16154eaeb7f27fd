"""Index containers: tuplelist (shape rule, list overrides, lazily built index,
pattern selection), tupledict (selection, sum, prod), multidict, pickling.

Selections are checked against a brute-force filter over the same data.
"""
import copy
import gc
import pickle
import sys
import weakref

import pytest

import didazoda
from didazoda import multidict, tupledict, tuplelist

MIXED = "Cannot mix scalar and tuple values in a tuplelist"
BAD_LENGTH = "All tuples in a tuplelist must be the same length"
HANDLE_REFUSAL = "self.mdl_ cannot be converted to a Python object for pickling"


def field_ok(field, value, wildcard):
    if field == wildcard or field == value:
        return True
    return isinstance(field, (list, tuple)) and any(m == value for m in field)


def brute(elements, pattern, wildcard="*"):
    """What select(*pattern) must return, by testing every element."""
    out = []
    for e in elements:
        if isinstance(e, (tuple, list)):
            fields = e
        else:
            fields = (e,)
        if len(pattern) > len(fields):
            continue
        if all(field_ok(f, fields[k], wildcard) for k, f in enumerate(pattern)):
            out.append(e)
    return out


def assert_selects(tl, elements, patterns, wildcard="*"):
    for p in patterns:
        got = tl.select(*p)
        assert type(got) is tuplelist and got.wildcard_ == "*" and got.tuple_index_ is None
        assert got == brute(elements, p, wildcard), p
        assert all(a is b for a, b in zip(got, brute(elements, p, wildcard)))
        assert (p in tl) == bool(got), p


SMALL = [(1, 2, 3), (2, 2, 3), (1, 3, 3)]
# Field 0 takes 2 values (long position lists), field 1 is nearly unique
# (short lists), field 2 takes 7 values, field 3 holds strings: intersections
# and element tests both get their turn.
BIG = [(i % 2, i // 3, i % 7, "ab" if i % 5 else "a") for i in range(600)]

PATTERNS = [
    (), ("*",), ("*", "*", "*"), (1,), (1.0,), (9,), (1, 2), ("*", 2, 3), (1, 2, 3), (1, 2, 3, 4),
    ([1, 2], 2), ([1, 9], "*", 3), ([1, 9], 3), ([8, 9],), ((2, 1), "*", [3]), ([],),
    (0, 7), (1, [5, 50, 51, 52], 2), ("*", [10, 11, 12, 13, 199], [0, 1, 2, 3]),
    ([0, 1], "*", 4), (0, "*", "*", "ab"), ("*", "*", [1, 1, 1.0], "a"), ("*", "*", "*", "b"),
    (1, 99, 1, "ab"), ([0], [1, 2, 3, 4, 5, 6], [6, 5], ["a"]),
]


@pytest.mark.parametrize("data", [SMALL, BIG], ids=["small", "big"])
def test_select_against_brute_force(data):
    tl = tuplelist(data)
    assert_selects(tl, data, PATTERNS)
    assert tl.tuple_index_ is not None


def test_select_edge_cases_and_index_layout():
    tl = tuplelist(SMALL)
    assert tl.select(1) == [(1, 2, 3), (1, 3, 3)]
    assert tl.tuple_index_ == [{1: [0, 2], 2: [1]}, {2: [0, 1], 3: [2]}, {3: [0, 1, 2]}]
    empty = tuplelist()
    assert empty.select(1) == [] and empty.select() == [] and empty.tuple_index_ is None
    with pytest.raises(TypeError):
        tl.select(query=1)


@pytest.mark.parametrize("data, wildcard, patterns", [
    ([5, 6, 5], "*", [(5,), ([5, 6],), (5, 6), ("*",), (7,)]),
    (["ab", "c", "a"], "*", [("ab",), ("a",), (["ab", "c"],), ("b",)]),
    ([("ab", 1), ("a", 2)], "*", [("a",), ("ab", "*"), (["a", "b"],)]),
    ([(1, "*"), (2, "x")], "?", [("?", "*"), ("*",), ("?",), (2, "?")]),
    ([(1, None), (2, 3)], None, [(None, 3), (None,), (1, None), ("*",)]),
])
def test_select_scalars_strings_and_wildcards(data, wildcard, patterns):
    tl = tuplelist(data, wildcard)
    assert_selects(tl, data, patterns, wildcard)


def test_strings_are_never_split():
    tl = tuplelist(["ab", "c"])
    assert tl.select("a") == [] and tl.select("ab") == ["ab"]
    td = tupledict({("ab", 1): 1, ("a", 2): 2})
    assert td.select("a") == [2] and td.select(["ab"]) == [1]


EQUAL_TO_LAST = tuple([1, 3, 3])  # equal to SMALL[-1], another object

# mutation applied to a tuplelist and to the plain list mirroring it;
# whether it keeps the index built before it
MUTATIONS = [
    ("append", lambda s: s.append((1, 9, 9)), False),
    ("insert", lambda s: s.insert(1, (2, 9, 3)), False),
    ("extend", lambda s: s.extend([(1, 2, 0), (7, 7, 7)]), False),
    ("extend-self", lambda s: s.extend(s), False),
    ("pop", lambda s: s.pop(), False),
    ("pop-first", lambda s: s.pop(0), False),
    ("remove", lambda s: s.remove((2, 2, 3)), False),
    ("reverse", lambda s: s.reverse(), False),
    ("sort", lambda s: s.sort(reverse=True), False),
    ("sort-key", lambda s: s.sort(key=lambda e: e[1]), False),
    ("clear", lambda s: s.clear(), False),
    ("setitem", lambda s: s.__setitem__(0, (2, 3, 3)), False),
    ("setitem-equal", lambda s: s.__setitem__(-1, EQUAL_TO_LAST), False),
    ("setitem-same", lambda s: s.__setitem__(1, s[1]), True),
    ("setslice", lambda s: s.__setitem__(slice(0, 2), [(5, 5, 5)]), False),
    ("setslice-same", lambda s: s.__setitem__(slice(0, 2), s[0:2]), False),
    ("setslice-step", lambda s: s.__setitem__(slice(None, None, -2), [(4, 4, 4), (6, 6, 6)]), False),
    ("delitem", lambda s: s.__delitem__(0), False),
    ("delslice", lambda s: s.__delitem__(slice(1, None)), False),
    ("iadd", lambda s: s.__iadd__([(1, 1, 1)]), False),
    ("imul", lambda s: s.__imul__(2), False),
]


@pytest.mark.parametrize("name, mutate, keeps", MUTATIONS, ids=[m[0] for m in MUTATIONS])
def test_selection_after_mutation(name, mutate, keeps):
    tl, mirror = tuplelist(SMALL), list(SMALL)
    tl.select(1)
    index = tl.tuple_index_
    mutate(tl)
    mutate(mirror)
    assert list(tl) == mirror and type(tl) is tuplelist
    assert (tl.tuple_index_ is index) if keeps else (tl.tuple_index_ is None)
    assert_selects(tl, mirror, PATTERNS)


def test_clean_and_reinit_rebuild_the_index():
    tl = tuplelist(SMALL)
    tl.select(1)
    tl.clean()
    assert tl.tuple_index_ is None
    assert tl.select(2) == [(2, 2, 3)] and tl.tuple_index_ is not None
    tl.__init__([(7, 8)], "?")
    assert tl.tuple_index_ is None and tl.wildcard_ == "?" and tl.select("?", 8) == [(7, 8)]


def test_failed_index_build_leaves_no_index():
    tl = tuplelist([(1, 2), ([3], 4)])  # the list [3] cannot be a dict key
    for _ in range(2):
        with pytest.raises(TypeError, match="unhashable"):
            tl.select(1)
        assert tl.tuple_index_ is None
    tl[1] = (3, 4)
    assert tl.select("*", 4) == [(3, 4)]


def test_changes_during_selection_fail_cleanly():
    tl = tuplelist()

    class Grows:
        def __hash__(self):
            return 1

        def __eq__(self, other):
            tl.append((Grows(), 0))
            return False

    tl.extend([(Grows(), 0), (Grows(), 0)])
    with pytest.raises(RuntimeError, match="tuplelist changed during selection"):
        tl.select(1)
    assert tl.tuple_index_ is None


class EqualToOne:
    """A pattern field equal to 1 (and hashed like it), running action
    whenever compared: while the index's position lists are looked up."""

    def __init__(self, action):
        self.action = action

    def __hash__(self):
        return hash(1)

    def __eq__(self, other):
        self.action()
        return other == 1


class Unequal:
    """An element field equal to nothing, running action when compared: only
    while the candidates left after merging are tested element by element."""

    __hash__ = object.__hash__

    def __init__(self, action):
        self.action = action

    def __eq__(self, other):
        self.action()
        return False


def raise_error():
    raise ArithmeticError("compared")


# (the hostile field in a pattern or in an element, what it does when compared,
# the error the selection raises)
HOSTILE_SELECTIONS = [
    ("pattern", "grow", RuntimeError, "tuplelist changed during selection"),
    ("pattern", "raise", ArithmeticError, "compared"),
    ("element", "grow", RuntimeError, "tuplelist changed during selection"),
    ("element", "raise", ArithmeticError, "compared"),
]


@pytest.mark.parametrize("where, does, exc, text", HOSTILE_SELECTIONS)
def test_comparisons_during_selection_fail_cleanly(where, does, exc, text):
    tl = tuplelist()
    action = (lambda: tl.append((7, 7))) if does == "grow" else raise_error
    if where == "pattern":
        tl.extend([(1, 2), (3, 4)])
        pattern = (EqualToOne(action),)
    else:
        # Position 0 alone holds 0 and nearly every element holds 5: merging
        # the two lists costs more than testing the one candidate.
        tl.extend([(0, Unequal(action))] + [(k, 5) for k in range(1, 20)])
        pattern = (0, 5)
    with pytest.raises(exc, match=text):
        tl.select(*pattern)
    kept = list(tl)
    tl.clean()
    assert tl.select(3) == [e for e in kept if e[0] == 3]


@pytest.mark.parametrize("index", [[], [{1: [5]}, {}], [{1: [1, 0]}, {}], [{1: "x"}, {}], [5, {}]])
def test_hand_made_index_is_checked(index):
    tl = tuplelist([(1, 2), (3, 4)])
    tl.tuple_index_ = index
    with pytest.raises(ValueError, match="tuple_index_ does not index this tuplelist"):
        tl.select(1)


@pytest.mark.parametrize("make, text", [
    (lambda: tuplelist([(1, 2), (3,)]), BAD_LENGTH),
    (lambda: tuplelist([1, (2, 3)]), MIXED),
    (lambda: tuplelist([(2, 3), 1]), MIXED),
    (lambda: tuplelist([(1, 2)]).append((1,)), BAD_LENGTH),
    (lambda: tuplelist([(1, 2)]).append(1), MIXED),
    (lambda: tuplelist([1]).insert(0, (1,)), MIXED),
    (lambda: tuplelist([(1, 2)]).extend([(3, 4), (5,)]), BAD_LENGTH),
    (lambda: tuplelist([(1, 2)]).__setitem__(0, (1, 2, 3)), BAD_LENGTH),
    (lambda: tuplelist([(1, 2)]).__setitem__(slice(0, 0), [(5,)]), BAD_LENGTH),
    (lambda: tuplelist([(1, 2)]) + [(5,)], BAD_LENGTH),
    (lambda: [(5,)] + tuplelist([(1, 2)]), BAD_LENGTH),
    (lambda: tupledict({1: 10, (1, 2): 20}).select(), MIXED),
    (lambda: multidict({1: [1], (2, 3): [4]}), MIXED),
])
def test_shape_rule(make, text):
    with pytest.raises(ValueError) as info:
        make()
    assert info.value.args == (text,)


def test_shape_failure_changes_nothing():
    tl = tuplelist([(1, 2), (3, 4)])
    tl.select(1)
    index = tl.tuple_index_
    for bad in (lambda: tl.append((1,)), lambda: tl.extend([(5, 6), 7]),
                lambda: tl.insert(0, 1), lambda: tl.__setitem__(0, 5)):
        with pytest.raises(ValueError):
            bad()
        assert tl == [(1, 2), (3, 4)] and tl.tuple_index_ is index
    empty = tuplelist()
    empty.append((1, 2, 3))
    with pytest.raises(ValueError):
        empty.append((4,))
    assert empty == [(1, 2, 3)]


@pytest.mark.parametrize("initial, key, value, expected", [
    ([(1, 2), (3, 4)], slice(None), [(1, 2, 3)], [(1, 2, 3)]),
    ([(1, 2), (3, 4)], slice(0, 1), [(5, 6), (7, 8)], [(5, 6), (7, 8), (3, 4)]),
    ([(1, 2), (3, 4)], slice(0, 1), [(5,)], BAD_LENGTH),
    ([(1, 2), (3, 4)], slice(1, None), [9], MIXED),
    ([(1, 2), (3, 4)], slice(None, None, 2), [(5, 6)], [(5, 6), (3, 4)]),
    ([1, 2], slice(0, 1), (x for x in [7, 8]), [7, 8, 2]),
    ([1, 2], slice(0, 1), 5, "can only assign an iterable"),
])
def test_slice_assignment_tests_each_element(initial, key, value, expected):
    tl = tuplelist(initial)
    if isinstance(expected, str):
        with pytest.raises((ValueError, TypeError), match=expected):
            tl[key] = value
        assert tl == initial
    else:
        tl[key] = value
        assert tl == expected


def test_selection_keeps_reference_counts():
    e, v = (1, 2), 2
    tl = tuplelist([e, e, (v, 3)])
    before = sys.getrefcount(e), sys.getrefcount(tl)
    for _ in range(50):
        tl.select(1, [2, 5])
        tl.select("*", 2)
        assert (1,) in tl
        tl.clean()
    assert (sys.getrefcount(e), sys.getrefcount(tl)) == before


@pytest.mark.parametrize("li, expected", [
    (None, []), ([], []), ([[1, 2], (3, 4)], [[1, 2], (3, 4)]), (["ab", "c"], ["ab", "c"]),
    (range(3), [0, 1, 2]), (((1, 2),), [(1, 2)]), (tuplelist([(1,)], "?"), [(1,)]),
])
def test_construction(li, expected):
    tl = tuplelist(li)
    assert tl == expected and tl.wildcard_ == "*" and tl.tuple_index_ is None
    assert tuplelist(li, wildcard=None).wildcard_ is None


@pytest.mark.parametrize("call, exc, text", [
    (lambda: tuplelist([(1, 2)], wildcard=5), TypeError, "Expected unicode, got int"),
    (lambda: tuplelist(x for x in [1]), TypeError, "object of type 'generator' has no len()"),
    (lambda: tuplelist([], "*", 1), TypeError, "__init__() takes at most 2 positional arguments (3 given)"),
    (lambda: tuplelist([(1, 2)]).insert("a", (1, 2)), TypeError, "an integer is required"),
    (lambda: tuplelist([(1, 2)]).insert(2**40, (1, 2)), OverflowError, "value too large to convert to int"),
    (lambda: tuplelist([(1, 2)]) + ((5, 6),), TypeError, 'can only concatenate list (not "tuple") to list'),
    (lambda: tuplelist([1]) * 1.5, TypeError, "can't multiply sequence by non-int of type 'float'"),
    (lambda: tuplelist().pop(), IndexError, "pop from empty list"),
    (lambda: tuplelist([1]).remove(2), ValueError, None),
    (lambda: tuplelist([1])[3], IndexError, "list index out of range"),
    (lambda: tuplelist([1]).__setitem__(3, 2), IndexError, "list index out of range"),
    (lambda: tuplelist([1]).__setitem__("a", 2), TypeError, "list indices must be integers or slices, not str"),
    (lambda: (1,) in tuplelist([1]) and 1 in tuplelist([1]), TypeError, "Expected tuple, got int"),
    (lambda: [1] in tuplelist([(1,)]), TypeError, "Expected tuple, got list"),
    (lambda: type("T", (tuple,), {})((1,)) in tuplelist([(1,)]), TypeError, "Expected tuple, got T"),
    (lambda: None in tuplelist([(1,)]), TypeError, "object of type 'NoneType' has no len()"),
])
def test_list_operation_errors(call, exc, text):
    with pytest.raises(exc) as info:
        call()
    if text is not None:
        assert str(info.value) == text


def test_membership():
    tl = tuplelist(SMALL)
    assert (1, 2) in tl and ("*", 2) in tl and () in tl and ([9, 2], 2) in tl
    assert (1, 9) not in tl and (1, 2, 3, 4) not in tl
    assert None not in tuplelist() and (1,) not in tuplelist()
    assert (5,) in tuplelist([5, 6]) and (7,) not in tuplelist([5, 6])


def test_new_lists_from_operations():
    tl = tuplelist([(1, 2), (3, 4)], wildcard="?")
    for made in (tl.copy(), tl + [(5, 6)], [(5, 6)] + tl, tl * 2, 2 * tl, tl.select()):
        assert type(made) is tuplelist and made.wildcard_ == "*" and made.tuple_index_ is None
    assert tl + [(5, 6)] == [(1, 2), (3, 4), (5, 6)]
    assert [(5, 6)] + tl == [(5, 6), (1, 2), (3, 4)]
    assert tl * 2 == 2 * tl == list(tl) * 2
    assert tl == [(1, 2), (3, 4)] and tl.wildcard_ == "?"


def test_in_place_operators_keep_the_object():
    tl = tuplelist([(1, 2)])
    same = tl
    tl += [(5,)]  # no shape test, as the list's own +=
    tl *= 2
    assert tl is same and tl == [(1, 2), (5,), (1, 2), (5,)]
    with pytest.raises(TypeError, match="can't multiply sequence by non-int of type 'float'"):
        tl *= 1.5


def test_attributes():
    tl = tuplelist([(1, 2)])
    with pytest.raises(TypeError, match="^Expected list, got dict$"):
        tl.tuple_index_ = {}
    with pytest.raises(TypeError, match="^Expected unicode, got int$"):
        tl.wildcard_ = 5
    tl.tuple_index_ = [{}, {}]
    del tl.tuple_index_
    del tl.wildcard_
    assert tl.tuple_index_ is None and tl.wildcard_ is None
    assert tl.select(None, 2) == [(1, 2)]


def test_item_assignment_compares_by_identity():
    class Boom(tuple):
        def __eq__(self, other):
            raise AssertionError("compared")

        __ne__ = __eq__
        __hash__ = tuple.__hash__

    v = didazoda.Var()
    tl = tuplelist([Boom((1, 2)), (v, 1)])
    tl.select(1)
    tl[0] = Boom((1, 3))  # never compared with the old element
    assert tl.tuple_index_ is None
    tl.select("*", 1)
    tl[1] = (v, 1)
    assert tl.tuple_index_ is None


def test_dir_defaults_and_docstrings():
    assert dir(tuplelist) == ["__add__", "__contains__", "__delitem__", "__iadd__", "__imul__",
                              "__mul__", "__radd__", "__rmul__", "__setitem__", "clean", "select"]
    assert dir(tupledict) == ["__delitem__", "__ior__", "__setitem__", "clean", "prod", "select",
                              "sum"]
    assert tuplelist.pop.__defaults__ == (-1,)
    assert tupledict.setdefault.__defaults__ == (None,)
    assert tuplelist.sort.__kwdefaults__ == {"key": None, "reverse": False}
    for member, signature in [(tuplelist.__init__, "__init__(li, wildcard)"),
                              (tuplelist.select, "select(*query=[])"), (tuplelist.clean, "clean()"),
                              (tupledict.select, "select(*query)"), (tupledict.sum, "sum(*query=[])"),
                              (tupledict.prod, "prod(coeffs, *query=[])"), (multidict, "multidict(d)")]:
        lines = member.__doc__.split("\n")
        assert lines[0] == "" and lines[1].strip() == "SIGNATURE:" and lines[2].strip() == signature
    for name in ("append", "clear", "copy", "insert", "pop", "remove", "reverse"):
        assert getattr(tuplelist, name).__doc__ is None
    for name in ("clear", "pop", "popitem", "update", "setdefault"):
        assert getattr(tupledict, name).__doc__ is None


TD = [((1, 2), 10), ((2, 2), 20), ((1, 3), 30)]

DICT_MUTATIONS = [
    ("setitem-new", lambda d: d.__setitem__((3, 2), 40)),
    ("setitem-old", lambda d: d.__setitem__((1, 2), 11)),
    ("delitem", lambda d: d.__delitem__((1, 2))),
    ("pop", lambda d: d.pop((2, 2))),
    ("popitem", lambda d: d.popitem()),
    ("setdefault", lambda d: d.setdefault((4, 2), 50)),
    ("update", lambda d: d.update([((5, 3), 1)], **{})),
    ("clear", lambda d: d.clear()),
]
if sys.version_info >= (3, 9):
    DICT_MUTATIONS.append(("ior", lambda d: d.__ior__({(6, 2): 7})))


@pytest.mark.parametrize("name, mutate", DICT_MUTATIONS, ids=[m[0] for m in DICT_MUTATIONS])
def test_tupledict_select_after_mutation(name, mutate):
    td, mirror = tupledict(TD), dict(TD)
    assert td.select() == [10, 20, 30]
    mutate(td)
    mutate(mirror)
    assert td == mirror and type(td) is tupledict
    for p in PATTERNS[:16]:
        assert td.select(*p) == [mirror[k] for k in brute(list(mirror), p)], p


def test_tupledict_operations():
    td = tupledict(TD)
    assert td.select(1) == [10, 30] and td.select("*", 2) == [10, 20] and td.select(5) == []
    assert td.setdefault((1, 2), 99) == 10 and td.setdefault((9, 9), 99) == 99
    with pytest.raises(KeyError):
        td.pop((8, 8))
    with pytest.raises(TypeError):
        td.pop((1, 2), None)
    assert td.popitem() == ((9, 9), 99)
    assert tupledict(a=1, B=2).select("a") == [1]
    if sys.version_info < (3, 9):
        with pytest.raises(AttributeError):
            td |= {}
    with pytest.raises(TypeError):
        td.select(a=1)


@pytest.fixture
def recorded_quicksum(monkeypatch):
    monkeypatch.setattr(didazoda, "quicksum", lambda li: ("quicksum", li))


def test_sum_and_prod_hand_their_terms_to_quicksum(recorded_quicksum):
    td = tupledict({(1, 1): 3, (1, 2): 5, (2, 1): None, (2, 2): 7})
    assert td.sum() == ("quicksum", [3, 5, None, 7])
    assert td.sum("*", 2) == ("quicksum", [5, 7])
    coeffs = {(2, 2): 10, (9, 9): 4, (1, 1): 0, (2, 1): 2}
    # Without a query, in the order of coeffs; keys absent from either side
    # and None values are skipped; a 0 coefficient stays.
    assert td.prod(coeffs) == ("quicksum", [70, 0])
    assert td.prod(coeffs=coeffs) == ("quicksum", [70, 0])
    # With a query, in key order; keys absent from coeffs and None
    # coefficients are skipped.
    assert td.prod({(1, 2): None, (2, 2): 10}, "*", 2) == ("quicksum", [70])
    ordered = tupledict({(1, 1): 3, (2, 2): 7})
    assert ordered.prod({(2, 2): 10, (1, 1): 2}, "*") == ("quicksum", [6, 70])
    assert ordered.prod({(2, 2): 10, (1, 1): 2}) == ("quicksum", [70, 6])
    for coeffs, query in [({(2, 1): 2}, (2,)), ({(1, 2): None}, ())]:
        with pytest.raises(TypeError):
            td.prod(coeffs, *query)  # 2 * None, None * 5
    assert tupledict({1: 2, (1, 2): 3}).prod({1: 5}) == ("quicksum", [10])
    for bad in ([2, 3], None):
        with pytest.raises(TypeError, match="^expect a dict for argument `coeffs`$"):
            td.prod(bad)


def terms(expr):
    return [(expr.getCoeff(i), expr.getVar(i)) for i in range(expr.size())]


def test_sum_builds_expressions():
    x, y, z = didazoda.Var(), didazoda.Var(), didazoda.Var()
    td = tupledict({(1, 1): x, (1, 2): y, (2, 1): z})
    for query, expected in [((), [x, y, z]), (("*", 1), [x, z]), ((5,), [])]:
        expr = td.sum(*query)
        assert isinstance(expr, didazoda.LinExpr) and expr.getConstant() == 0
        assert [c for c, _ in terms(expr)] == [1.0] * len(expected)
        assert all(v is w for (_, v), w in zip(terms(expr), expected))
        assert expr.size() == len(expected)


def test_prod_builds_expressions():
    x, y, z = didazoda.Var(), didazoda.Var(), didazoda.Var()
    td = tupledict({(1, 1): x, (1, 2): y, (2, 1): z})
    coeffs = {(1, 1): 2.0, (1, 2): 3.0, (2, 1): 5.0, (7, 7): 9.0}
    for query, expected in [((), [(2.0, x), (3.0, y), (5.0, z)]), (("*", 1), [(2.0, x), (5.0, z)]),
                            ((1, "*"), [(2.0, x), (3.0, y)])]:
        got = terms(td.prod(coeffs, *query))
        assert [c for c, _ in got] == [c for c, _ in expected]
        assert all(v is w for (_, v), (_, w) in zip(got, expected))


@pytest.mark.parametrize("d, expected", [
    ({"a": [1, 2], "b": [3, 4]}, [["a", "b"], {"a": 1, "b": 3}, {"a": 2, "b": 4}]),
    ({"a": [1, 2], "b": [3, 4, 5]}, [["a", "b"], {"a": 1, "b": 3}, {"a": 2, "b": 4}]),
    ({"a": 1, "b": [2, 3]}, [["a", "b"], {"a": 1, "b": [2, 3]}]),
    ({"a": [5]}, [["a"], {"a": 5}]),
    ({"a": ("x", "y")}, [["a"], {"a": "x"}, {"a": "y"}]),
    ({"a": "xy"}, [["a"], {"a": "xy"}]),
    ({}, [[], {}]),
    ({(1, 2): [3, 4], (5, 6): [7, 8]}, [[(1, 2), (5, 6)], {(1, 2): 3, (5, 6): 7}, {(1, 2): 4, (5, 6): 8}]),
])
def test_multidict_splits(d, expected):
    before = copy.deepcopy(d)
    result = multidict(d)
    assert type(result) is list and result == expected and d == before
    assert type(result[0]) is tuplelist and result[0].wildcard_ == "*"
    assert all(type(r) is tupledict for r in result[1:])
    assert [r.select() for r in result[1:]] == [list(e.values()) for e in expected[1:]]


def test_multidict_keeps_array_values_whole():
    np = pytest.importorskip("numpy")
    a = np.array([1, 2])
    keys, values = multidict({"a": a})
    assert keys == ["a"] and values["a"] is a
    assert multidict({(1, 2): [3], (5, 6): [7]})[0].select(1, "*") == [(1, 2)]


@pytest.mark.parametrize("call, exc, text", [
    (lambda: multidict({"a": [], "b": [1]}), IndexError, "list index out of range"),
    (lambda: multidict({"a": (), "b": [1]}), IndexError, "tuple index out of range"),
    (lambda: multidict(tupledict()), TypeError,
     "Argument 'd' has incorrect type (expected dict, got didazoda.tupledict)"),
    (lambda: multidict(None), AttributeError, "'NoneType' object has no attribute 'items'"),
    (lambda: multidict({}, {}), TypeError, "multidict() takes exactly 1 positional argument (2 given)"),
])
def test_multidict_errors(call, exc, text):
    with pytest.raises(exc) as info:
        call()
    assert str(info.value) == text


def pickled(obj):
    return pickle.loads(pickle.dumps(obj, protocol=pickle.HIGHEST_PROTOCOL))


@pytest.mark.parametrize("clone", [pickled, copy.copy, copy.deepcopy], ids=["pickle", "copy", "deepcopy"])
def test_containers_keep_contents_through_pickle_and_copy(clone):
    tl = tuplelist([(1, "a"), (2, "b")], wildcard="?")
    tl.select(1)
    odd = tuplelist([(1, 2)])
    odd += [(3,)]  # holds what the shape rule would refuse
    td = tupledict({(1, 2): [10], (3, 4): "x"})
    td.select(1)
    for original in (tl, odd, td, tuplelist(), tupledict()):
        made = clone(original)
        assert type(made) is type(original) and made == original and made is not original
    made = clone(tl)
    assert made.wildcard_ == "?" and made.tuple_index_ is None
    assert made.select("?", "b") == [(2, "b")]
    assert clone(td).select(3) == ["x"]
    if clone is copy.copy:
        assert clone(td)[(1, 2)] is td[(1, 2)]
    if clone is copy.deepcopy:
        assert clone(td)[(1, 2)] is not td[(1, 2)]


def test_self_referencing_containers_round_trip():
    tl = tuplelist()
    tl.append(tl)
    td = tupledict()
    td[1] = td
    for clone in (pickled, copy.deepcopy):
        a, b = clone(tl), clone(td)
        assert a[0] is a and b[1] is b


def test_subclass_attributes_travel():
    made = pickled(Tagged([(1,)]))
    assert type(made) is Tagged and made == [(1,)] and made.tag == "t"


class Tagged(tuplelist):
    def __init__(self, li):
        super().__init__(li)
        self.tag = "t"


def test_containers_of_handles_copy_but_refuse_pickling():
    v = didazoda.Var()
    tl, td = tuplelist([(v, 1)]), tupledict({(1, 1): v})
    for original in (tl, td):
        made = copy.copy(original)
        assert made == original and all(a is b for a, b in zip(made, original))
        for refuse in (pickle.dumps, copy.deepcopy):
            with pytest.raises(TypeError, match=HANDLE_REFUSAL):
                refuse(original)
    assert copy.copy(td)[(1, 1)] is v


@pytest.mark.parametrize("call", [
    lambda: didazoda._unpickle_tuplelist(tuplelist, (5, None)),
    lambda: didazoda._unpickle_tuplelist(dict, ("*", None)),
    lambda: didazoda._unpickle_tupledict(tupledict, ("x",)),
    lambda: tuplelist().__setstate__((1, 2)),
    lambda: tupledict().__setstate__([(1, 2)]),
    lambda: tuplelist.__setstate__(tupledict(), []),
])
def test_reconstruction_checks_its_input(call):
    with pytest.raises((TypeError, ValueError, AttributeError)):
        call()


def test_caches_take_part_in_garbage_collection():
    class Holder:
        pass

    tl, td, h = tuplelist([1]), tupledict(), Holder()
    tl.tuple_index_ = [h]
    h.back = tl
    g = Holder()
    td[(g,)] = 1
    g.back = td
    td.select()  # the key list holds g too
    refs = [weakref.ref(h), weakref.ref(g)]
    del tl, td, h, g
    gc.collect()
    assert all(r() is None for r in refs)


def test_deep_nesting_is_freed_without_crashing(run_python):
    done = run_python("""
        from didazoda import tuplelist, tupledict
        t, d = tuplelist(), tupledict()
        for _ in range(300000):
            t, d = tuplelist([t]), tupledict({1: d})
        del t, d
        print("ok")
    """)
    assert done.returncode == 0 and done.stdout == "ok\n", done.stderr
