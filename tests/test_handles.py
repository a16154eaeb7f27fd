"""Element handles: index, sameAs, hash, text forms, attribute syntax, pickling.

Most handles here are of no model (support.make_var); the few tests that need
a handle to name a model write its fields (support.set_handle_fields). Where a
test needs attribute values without a model, a subclass overrides
getAttr/setAttr.
"""
import copy
import gc
import pickle

import numpy as np
import pytest
import scipy.sparse as sp

import didazoda
from support import make_var, set_handle_fields

# class, sameAs argument, name attribute shown by str() (None: the index),
# index docstring
KINDS = [
    ("Var", "var", "VarName", "The index position of the variable."),
    ("PsdVar", "var", "PsdVarName", "The index position of the psd variable."),
    ("Constr", "constr", "ConstrName", "The index of the constraint."),
    ("SOS", "sos", None, "The index position of the SOS constraint."),
    ("GenConstr", "genconstr", "GenConstrName", "The index position of the general constraint."),
    ("PsdConstr", "constr", "PsdCName", "Index position of PsdConstr"),
]
NAMES = [k[0] for k in KINDS]
by_name = pytest.mark.parametrize("name", NAMES)
by_kind = pytest.mark.parametrize("name, argname, name_attr, index_doc", KINDS)

READONLY = "Value is readonly"
PICKLE_REFUSAL = "self.mdl_ cannot be converted to a Python object for pickling"

def make(name, mdl=0, index=0):
    """A handle of that class with the given fields (mdl values the library refuses)."""
    cls = getattr(didazoda, name)
    if not mdl:
        return make_var(index, cls)
    h = cls()
    set_handle_fields(h, mdl, index)
    return h


def recording(name, values=None):
    """A subclass whose getAttr/setAttr record their calls instead of reaching the engine."""

    class Recording(getattr(didazoda, name)):
        def getAttr(self, attrname):
            calls.append(("get", attrname))
            if values is None or attrname not in values:
                raise AttributeError(f"Attribute `{attrname}` does not exist")
            return values[attrname]

        def setAttr(self, attrname, attrvalue):
            calls.append(("set", attrname, attrvalue))
            return "discarded"

    calls = []
    return Recording(), calls


@by_kind
def test_index_is_read_only_property(name, argname, name_attr, index_doc):
    cls = getattr(didazoda, name)
    h = make(name, index=7)
    assert h.index == 7 and type(h.index) is int
    assert isinstance(cls.index, property)
    assert cls.index.__doc__.strip() == index_doc
    assert cls.index.__doc__.startswith("\n")
    with pytest.raises(TypeError, match=f"^{READONLY}$"):
        cls.index.fset(h, 3)
    with pytest.raises(AttributeError):
        del h.index
    assert h.index == 7
    # The getter refuses an object of another class instead of reading it as a handle.
    with pytest.raises(TypeError):
        cls.index.fget(object())


@by_name
def test_every_assignment_goes_to_setAttr(name):
    h, calls = recording(name)
    h.index = 5
    h.ub = 1.5
    h.sameAs = None
    assert calls == [("set", "index", 5), ("set", "ub", 1.5), ("set", "sameAs", None)]
    assert h.index == 0
    assert callable(h.sameAs)
    assert vars(h) == {}  # nothing is stored on the handle
    with pytest.raises(AttributeError):
        del h.ub


@by_name
def test_attribute_read_falls_back_to_getAttr(name):
    h, calls = recording(name, {"X": 2.5})
    assert h.X == 2.5
    assert calls == [("get", "X")]
    # Class members never reach getAttr.
    h.index, h.sameAs, h.getAttr, h.setAttr
    assert calls == [("get", "X")]
    with pytest.raises(AttributeError, match="Attribute `nope` does not exist"):
        h.nope


@by_name
def test_names_that_are_no_attribute_raise_attribute_error(name):
    h = getattr(didazoda, name)()
    with pytest.raises(AttributeError, match="^Attribute `nope` does not exist$"):
        h.nope
    with pytest.raises(AttributeError, match="^Attribute `index` does not exist$"):
        h.index = 5
    assert h.index == 0
    # Protocol probes see a plain missing attribute.
    assert getattr(h, "__deepcopy__", None) is None
    assert "sameAs" in dir(h)
    assert np.ndim(h) == 0


@by_name
def test_attribute_read_fallback_only_after_attribute_error(name):
    class Faulty(getattr(didazoda, name)):
        @property
        def broken(self):
            raise ValueError("from the property")

        def getAttr(self, attrname):
            raise AssertionError("getAttr must not run")

    with pytest.raises(ValueError, match="from the property"):
        Faulty().broken


@by_name
def test_missing_getAttr_and_setAttr_do_not_recurse(name):
    class NoHooks(getattr(didazoda, name)):
        @property
        def getAttr(self):
            raise AttributeError("no getAttr")

        @property
        def setAttr(self):
            raise AttributeError("no setAttr")

    h = NoHooks()
    with pytest.raises(AttributeError, match="no getAttr"):
        h.anything
    with pytest.raises(AttributeError, match="no setAttr"):
        h.anything = 1


@by_name
def test_attrname_must_be_exactly_str(name):
    h = getattr(didazoda, name)()
    for bad, got in [(5, "int"), (np.str_("X"), "numpy.str_"), (b"X", "bytes")]:
        for call in (lambda bad=bad: h.getAttr(bad), lambda bad=bad: h.setAttr(bad, 1)):
            with pytest.raises(TypeError) as info:
                call()
            assert str(info.value) == (
                f"Argument 'attrname' has incorrect type (expected str, got {got})")


@by_name
def test_getAttr_setAttr_argument_counts(name):
    h = getattr(didazoda, name)()
    with pytest.raises(TypeError, match=r"^getAttr\(\) takes exactly 1 positional argument "
                                        r"\(0 given\)$"):
        h.getAttr()
    with pytest.raises(TypeError, match=r"^setAttr\(\) takes exactly 2 positional arguments "
                                        r"\(1 given\)$"):
        h.setAttr("X")


@by_kind
def test_text_forms_read_the_name_through_attribute_syntax(name, argname, name_attr, index_doc):
    h, calls = recording(name, {name_attr: "x1"} if name_attr else None)
    expected = f"<{name} x1>" if name_attr else f"<{name} 0>"
    assert str(h) == expected
    assert repr(h) == expected
    assert calls == ([("get", name_attr)] * 2 if name_attr else [])


@by_kind
def test_text_form_formats_any_value(name, argname, name_attr, index_doc):
    h, _ = recording(name, {name_attr: 3} if name_attr else None)
    assert str(h) == f"<{name} 3>" if name_attr else f"<{name} 0>"


@by_name
def test_repr_calls_overridden_str(name):
    class Named(getattr(didazoda, name)):
        def __str__(self):
            return "custom"

    assert repr(Named()) == "custom"


@by_name
@pytest.mark.parametrize("index, expected", [(0, 0), (5, 5), (-1, -2), (-3, -3),
                                             (2**31 - 1, 2**31 - 1)])
def test_hash_is_the_index(name, index, expected):
    h = make(name, index=index)
    assert hash(h) == expected == hash(h.index)


@by_name
def test_hash_of_subclass_follows_its_index(name):
    class Moved(getattr(didazoda, name)):
        index = property(lambda self: -1)

    assert hash(Moved()) == -2


@pytest.mark.parametrize("name", [n for n in NAMES if n != "Var"])
def test_handles_compare_by_identity_and_key_dicts(name):
    a, b = make(name, 1, 4), make(name, 1, 4)
    assert a == a and a != b
    assert {a: "a"}[a] == "a"
    with pytest.raises(TypeError):
        a < b


def test_var_hash_comes_from_operand():
    assert "__hash__" not in vars(didazoda.Var)
    assert didazoda.Var.__hash__ is not None
    assert hash(make("Var", 1, 9)) == 9


def test_operand_hash_refuses_everything_but_var():
    class Expr(didazoda.Operand):
        pass

    for obj, type_name in [(didazoda.Operand(), "Operand"), (Expr(), "Expr")]:
        with pytest.raises(TypeError) as info:
            hash(obj)
        assert str(info.value) == f"unsupported operand type(s) for hash(): `{type_name}`"


@by_kind
def test_sameAs(name, argname, name_attr, index_doc):
    cls = getattr(didazoda, name)
    h = make(name, 1, 3)

    class Sub(cls):
        pass

    sub = Sub()
    set_handle_fields(sub, 1, 3)
    cases = [
        (h, True),
        (make(name, 1, 3), True),
        (make(name, 1, 4), False),   # other index
        (make(name, 2, 3), False),   # other model
        (sub, True),
        (None, False),
    ]
    for other, expected in cases:
        assert h.sameAs(other) is expected
    assert h.sameAs(**{argname: make(name, 1, 3)}) is True


@by_kind
def test_sameAs_refuses_other_classes(name, argname, name_attr, index_doc):
    h = getattr(didazoda, name)()
    other_name = "Constr" if name != "Constr" else "Var"
    for other, got in [(getattr(didazoda, other_name)(), f"didazoda.{other_name}"), (3, "int")]:
        with pytest.raises(TypeError) as info:
            h.sameAs(other)
        assert str(info.value) == (f"Argument '{argname}' has incorrect type "
                                   f"(expected didazoda.{name}, got {got})")
    with pytest.raises(TypeError, match=r"^sameAs\(\) takes exactly 1 positional argument "
                                        r"\(0 given\)$"):
        h.sameAs()
    # Called through the class with a foreign self.
    with pytest.raises(TypeError):
        getattr(didazoda, name).sameAs(object(), h)


@by_name
def test_pickling_and_copying_refused(name):
    h = getattr(didazoda, name)()
    attempts = [lambda p=p: pickle.dumps(h, protocol=p)
                for p in range(pickle.HIGHEST_PROTOCOL + 1)]
    attempts += [lambda: copy.copy(h), lambda: copy.deepcopy(h)]
    for attempt in attempts:
        with pytest.raises(TypeError) as info:
            attempt()
        assert str(info.value) == PICKLE_REFUSAL


@by_name
def test_no_gc_tracking_no_instance_storage(name):
    cls = getattr(didazoda, name)
    assert not gc.is_tracked(cls())
    assert cls.__dictoffset__ == 0
    assert cls.__weakrefoffset__ == 0
    assert cls.__flags__ & (1 << 10)  # subclassable


DIR = {
    "Var": ["getAttr", "index", "sameAs", "setAttr"],
    "PsdVar": ["__mul__", "__rmul__", "getAttr", "index", "sameAs", "setAttr"],
    "Constr": ["getAttr", "index", "sameAs", "setAttr"],
    "SOS": ["getAttr", "index", "sameAs", "setAttr"],
    "GenConstr": ["getAttr", "index", "sameAs", "setAttr"],
    "PsdConstr": ["getAttr", "index", "sameAs", "setAttr"],
}


@by_name
def test_dir_and_binding_order(name):
    cls = getattr(didazoda, name)
    assert dir(cls) == DIR[name]
    bound = [n for n in vars(cls) if n in ("sameAs", "getAttr", "setAttr", "index",
                                            "__array_priority__")]
    expected = ["sameAs", "getAttr", "setAttr", "index"]
    if name == "PsdVar":
        expected.insert(3, "__array_priority__")
    assert bound == expected
    for method in ("sameAs", "getAttr", "setAttr"):
        f = vars(cls)[method]
        assert f.__qualname__ == f"{name}.{method}"
        assert f.__module__ == "didazoda"


@by_kind
def test_docstring_layout(name, argname, name_attr, index_doc):
    cls = getattr(didazoda, name)
    note = ("        NOTE:\n"
            "            Attribute can also be read and written directly through object "
            "attributes, in this\n"
            "            case, the attribute name is case-insensitive\n")
    for method, signature, args in [("sameAs", f"sameAs({argname})", [argname]),
                                    ("getAttr", "getAttr(attrname)", ["attrname"]),
                                    ("setAttr", "setAttr(attrname, attrvalue)",
                                     ["attrname", "attrvalue"])]:
        doc = getattr(cls, method).__doc__
        assert doc.startswith(f"\n        SIGNATURE:\n            {signature}\n\n"
                              "        PURPOSE:\n            ")
        for arg in args:
            assert f"            {arg}\n            {'-' * len(arg)}\n" in doc
        assert (note in doc) == (method != "sameAs")
        sections = [line.strip() for line in doc.splitlines()
                    if line.startswith("        ") and line[8:9].isupper()]
        optional = ["EXAMPLE:", "NOTE:"] if method != "sameAs" else ["EXAMPLE:"]
        assert sections[:3] == ["SIGNATURE:", "PURPOSE:", "ARGUMENTS:"]
        assert sections[3:] == [s for s in optional if s in sections]
        assert doc.endswith("\n\n        ")


def test_psdvar_array_priority():
    x = didazoda.PsdVar()
    assert x.__array_priority__ == 1000.0
    assert type(x.__array_priority__) is float
    assert didazoda.PsdVar.__array_priority__.__doc__ is None
    with pytest.raises(TypeError, match=f"^{READONLY}$"):
        didazoda.PsdVar.__array_priority__.fset(x, 1)


@pytest.mark.parametrize("product, right", [
    (lambda x: x * 2, "int"),
    (lambda x: 2 * x, "int"),
    (lambda x: x * x, "PsdVar"),
    (lambda x: x * (1, 2), "tuple"),
    (lambda x: x * np.float64(2.0), "float64"),
    (lambda x: np.float64(2.0) * x, "float64"),
    (lambda x: x.__rmul__(2), "int"),
])
def test_psdvar_product_refuses_non_matrices(product, right):
    with pytest.raises(TypeError) as info:
        product(didazoda.PsdVar())
    assert str(info.value) == f"unsupported operand type(s) for *: `PsdVar` and `{right}`"


def test_psdvar_product_hands_the_matrix_to_psdexpr(monkeypatch):
    made = []
    monkeypatch.setattr(didazoda, "PsdExpr", lambda coeff, var: made.append((coeff, var)) or "e")
    x = didazoda.PsdVar()
    a = np.identity(2)
    s = sp.csr_matrix(a)
    assert x * a == "e" and a * x == "e" and x * s == "e"
    assert all(var is x for _, var in made)
    assert [c is m for (c, _), m in zip(made, [a, a, s])] == [True] * 3
    made.clear()
    x * [[2, 1], [1, 2]]
    [[2, 1], [1, 2]] * x
    for coeff, _ in made:
        assert type(coeff) is np.ndarray
        assert coeff.tolist() == [[2, 1], [1, 2]]


@by_name
def test_model_less_handle_never_crashes(name):
    h = getattr(didazoda, name)()
    operations = [
        str, repr, hash, dir, lambda h: h.index, lambda h: h.sameAs(h),
        lambda h: h.getAttr("X"), lambda h: h.setAttr("UB", 1.0), lambda h: h.getAttr(None),
        lambda h: h.setAttr(None, None), lambda h: h.VarName, lambda h: setattr(h, "ub", 2),
        lambda h: delattr(h, "ub"), lambda h: pickle.dumps(h), lambda h: [h] * 3,
        lambda h: np.array([h, h]), lambda h: h * h, lambda h: -h, lambda h: h == h,
    ]
    for operation in operations:
        try:
            operation(h)
        except Exception:
            pass
    assert h.index == 0


def test_set_handle_index_numbers_only_handles_of_no_model():
    h = make_var(7, didazoda.Constr)
    assert h.index == 7
    m = didazoda.Model()
    x = m.addVar()
    with pytest.raises(ValueError, match="a handle of a model cannot be renumbered"):
        didazoda._set_handle_index(x, 3)
    assert x.index == 0
    with pytest.raises(TypeError, match="expected an element handle"):
        didazoda._set_handle_index(didazoda.LinExpr(), 1)
    with pytest.raises(OverflowError):
        didazoda._set_handle_index(h, 2**31)
    assert h.index == 7
