"""Attribute engine: name resolution, typed reads and writes, model copies, read().

Models with elements come from read() of a small MPS file written here; the
read() tests use the model files in tests/data (described in its README).
"""
import bz2
import gc
import gzip
import os

import numpy as np
import pytest
import scipy.sparse as sp

import didazoda
from didazoda import TVX, Model, TarvexError
from support import handle_fields, set_handle_fields

DATA = os.path.join(os.path.dirname(__file__), "data")

NO_SOLN = TVX.Error.NO_SOLN
NO_STATISTICS = TVX.Error.NO_STATISTICS
IIS_NO_SOLN = TVX.Error.IIS_NO_SOLN
INVALID_ARGUMENT = TVX.Error.INVALID_ARGUMENT

# Four variables (x continuous, y integer, z continuous, b binary), three rows,
# two indicator constraints and one SOS.
MPS = """\
NAME          attrs
ROWS
 N  obj
 L  c0
 G  c1
 E  c2
 L  ind1
 G  ind2
COLUMNS
    x         obj       1.5          c0        1.0
    x         c1        2.0          ind1      1.0
    MARKER    'MARKER'  'INTORG'
    y         obj       -2.0         c0        1.0
    y         c2        3.0          ind2      1.0
    MARKER    'MARKER'  'INTEND'
    z         obj       0.5          c1        1.0
    z         ind1      1.0          ind2      1.0
    b         obj       1.0
RHS
    rhs       c0        4.0          c1        1.0
    rhs       c2        6.0          ind1      2.0
BOUNDS
 UP bnd       x         3.0
 LO bnd       y         -1.0
 UP bnd       y         5.0
 LO bnd       z         0.25
 BV bnd       b
SOS
 S1 SOS
    x         1
    z         2
INDICATORS
 IF ind1      b         1
 IF ind2      b         0
ENDATA
"""


def missing(name):
    return f"^Attribute `{name}` does not exist$"


@pytest.fixture(scope="module")
def mps_path(text_file):
    """The model's file, for the tests that read it themselves."""
    return text_file(MPS, "attrs.mps")


@pytest.fixture
def m(model_from_text):
    return model_from_text(MPS, "attrs.mps")


# ---- Name resolution and argument checks ---------------------------------------------


def test_names_match_without_regard_to_case_or_slash():
    m = Model("named")
    for spelling in ("ModelName", "modelname", "MODELNAME", "mOdElNaMe"):
        assert m.getAttr(spelling) == "named"
    # "/" and "_" both reach MIP/GapAbs, which has no value yet.
    for spelling in ("MIP/GapAbs", "mip_gapabs", "Mip/GAPABS"):
        with pytest.raises(TarvexError) as info:
            m.getAttr(spelling)
        assert info.value.errno == NO_SOLN


@pytest.mark.parametrize("call", [
    lambda m, h: m.getAttr("No/Such"),
    lambda m, h: m.setAttr("No/Such", 1),
    lambda m, h: m.getAttr("No/Such", [h]),
    lambda m, h: m.setAttr("No/Such", [h], [1]),
    lambda m, h: h.getAttr("No/Such"),
    lambda m, h: h.setAttr("No/Such", 1),
    lambda m, h: getattr(h, "No/Such"),
    lambda m, h: getattr(m, "No/Such"),
])
def test_unknown_name_is_reported_as_written(call):
    # Resolution comes first: even a dead model and a model-less handle say so.
    for m in (Model(), Model(empty=True)):
        with pytest.raises(AttributeError, match=missing("No/Such")):
            call(m, didazoda.Var())


@pytest.mark.parametrize("bad, got", [(5, "int"), (np.str_("X"), "numpy.str_"), (b"X", "bytes")])
def test_attrname_must_be_exactly_str(bad, got):
    m = Model()
    text = f"Argument 'attrname' has incorrect type (expected str, got {got})"
    for call in (lambda: m.getAttr(bad), lambda: m.setAttr(bad, 1)):
        with pytest.raises(TypeError) as info:
            call()
        assert str(info.value) == text
    with pytest.raises(AttributeError, match="replace"):
        m.getAttr(None)


def test_model_getattr_objs_forms():
    m = Model()
    for empty in ([], (), np.array([], dtype=object)):
        assert m.getAttr("anything at all", empty) == []
    for objs, name in [({}, "dict"), ("x", "str"), (3, "int"),
                       ([[didazoda.Var()]], "list"),
                       (np.array([[didazoda.Var()]], dtype=object), "ndarray")]:
        with pytest.raises(TypeError, match=f"^type {name} temporary not support$"):
            m.getAttr("X", objs)


@pytest.mark.parametrize("objs, newvalues, exc, text", [
    (lambda h: None, 1.0, ValueError, "objs is None"),
    (lambda h: [h, h], 1.0, ValueError, "invalid newvalues"),
    (lambda h: h, [1.0], ValueError, "invalid newvalues"),
    (lambda h: [], [], IndexError, None),
    (lambda h: {}, 1.0, TypeError, "type dict temporary not support"),
])
def test_model_setattr_argument_rules(objs, newvalues, exc, text):
    with pytest.raises(exc) as info:
        Model().setAttr("UB", objs(didazoda.Var()), newvalues)
    if text:
        assert str(info.value) == text


# ---- Reading: every attribute reachable now, through its owner ----------------------

INT, DBL, STR, CHAR = np.int32, np.float64, str, np.bytes_
PY = {INT: int, DBL: float, STR: str, CHAR: bytes}

# name, owner ("m" model, "v" Var, "lin" Constr, "psdc" PsdConstr, "gen" GenConstr),
# expected type or the library's code while there is no solution.
ATTRS = [
    ("MinSense", "m", INT), ("ModelSense", "m", INT), ("HasSolution", "m", INT),
    ("HasPrimalRay", "m", INT), ("HasDualRay", "m", INT), ("NumVars", "m", INT),
    ("NumConss", "m", INT), ("NumConstrs", "m", INT), ("NumSOS", "m", INT),
    ("NumGenConstrs", "m", INT), ("NumEnts", "m", INT), ("NumNZs", "m", INT),
    ("SPX/NumIters", "m", NO_STATISTICS), ("IPM/NumIters", "m", NO_STATISTICS),
    ("Status", "m", INT), ("NumPsdVars", "m", INT), ("NumPsdConstrs", "m", INT),
    ("ObjConst", "m", DBL), ("ObjCon", "m", DBL), ("PrimalObjVal", "m", NO_SOLN),
    ("ObjVal", "m", NO_SOLN), ("DualObjVal", "m", NO_SOLN),
    ("PresolverTime", "m", NO_STATISTICS), ("SolverTime", "m", NO_STATISTICS),
    ("SolutionTime", "m", NO_STATISTICS), ("MIP/GapAbs", "m", NO_SOLN),
    ("MIP/GapRel", "m", NO_SOLN), ("ProbName", "m", STR), ("ModelName", "m", STR),
    ("IsInteger", "v", INT), ("IISVar", "v", IIS_NO_SOLN), ("IISCol", "v", IIS_NO_SOLN),
    ("ColBasis", "v", NO_SOLN), ("LB", "v", DBL), ("UB", "v", DBL), ("Obj", "v", DBL),
    ("PrimalSoln", "v", NO_SOLN), ("X", "v", NO_SOLN), ("Start", "v", DBL),
    ("ReducedCost", "v", NO_SOLN), ("RC", "v", NO_SOLN), ("ColName", "v", STR),
    ("VarName", "v", STR), ("VType", "v", CHAR),
    ("IISConstr", "lin", IIS_NO_SOLN), ("IISRow", "lin", IIS_NO_SOLN),
    ("RowBasis", "lin", NO_SOLN), ("LHS", "lin", DBL), ("RHS", "lin", DBL),
    ("DualSoln", "lin", NO_SOLN), ("Activity", "lin", NO_SOLN), ("RowName", "lin", STR),
    ("ConstrName", "lin", STR),
    ("PsdCLHS", "psdc", DBL), ("PsdCRHS", "psdc", DBL), ("PsdCName", "psdc", STR),
    ("GenConstrType", "gen", INT), ("GenConstrName", "gen", STR),
]
# Attributes of semidefinite variables: no model file read yet holds one.
WAITING = {"Dim", "PsdVarName", "PsdX", "PsdObj"}


def test_table_covers_every_attribute():
    names = {getattr(TVX.Attr, n) for n in dir(TVX.Attr) if not n.startswith("_")}
    assert names == {row[0] for row in ATTRS} | WAITING


def handles(m, owner):
    return {"v": m.getVars, "lin": m.getConstrs, "psdc": m.getPsdConstrs,
            "gen": m.getGenConstrs, "sos": m.getSOSs}[owner]()


# A handle of another kind for each owner; an SOS owns no attribute at all.
OTHER = {"m": "v", "v": "lin", "lin": "v", "psdc": "lin", "gen": "v"}


@pytest.mark.parametrize("name, owner, expected", ATTRS, ids=[row[0] for row in ATTRS])
def test_read_through_owner_gives_its_type(m, name, owner, expected):
    def check(read, ptype):
        if isinstance(expected, int):
            with pytest.raises(TarvexError) as info:
                read()
            assert info.value.errno == expected
        else:
            value = read()
            assert type(value) is ptype
            if ptype is CHAR:
                assert len(value) == 1

    if owner == "m":
        check(lambda: m.getAttr(name), expected)
        check(lambda: getattr(m, name.replace("/", "_")), expected)
    else:
        first, second = handles(m, owner)[:2]
        check(lambda: first.getAttr(name), expected)
        check(lambda: m.getAttr(name, second), expected)
        if not isinstance(expected, int):
            values = m.getAttr(name, [first, second])
            assert [type(v) for v in values] == [PY[expected]] * 2
        with pytest.raises(AttributeError, match=missing(name.lower())):
            m.getAttr(name.lower())

    for other in (handles(m, OTHER[owner])[0], m.getSOSs()[0]):
        with pytest.raises(AttributeError, match=missing(name)):
            other.getAttr(name)
        with pytest.raises(AttributeError, match=missing(name)):
            m.getAttr(name, [other])


def test_values_read_back_as_the_file_states(m):
    x, y, z, _ = m.getVars()
    assert m.getAttr("VarName", m.getVars()) == ["x", "y", "z", "b"]
    assert m.getAttr("ConstrName", m.getConstrs()) == ["c0", "c1", "c2"]
    assert (x.ub, x.UB, x.getAttr("ub"), m.getAttr("UB", x)) == (3.0, 3.0, 3.0, 3.0)
    assert m.getAttr("UB", [x, y]) == [x.ub, y.UB] == [3.0, 5.0]
    assert m.getAttr("LB", np.array([y, z], dtype=object)) == [-1.0, 0.25]
    assert m.getAttr("Obj", (x, y, z)) == [1.5, -2.0, 0.5]
    assert m.getAttr("VType", [x, y]) == [b"C", b"I"]
    assert y.vtype == b"I" and y.IsInteger == 1
    c0, c1, c2 = m.getConstrs()
    assert [c.RHS for c in (c0, c2)] == [4.0, 6.0]
    assert (c1.LHS, c2.LHS) == (1.0, 6.0)
    # A row's PSD twin reads the same row.
    pc = m.getPsdConstrs()[2]
    assert (pc.PsdCName, pc.PsdCRHS) == ("c2", 6.0)
    assert (m.NumVars, m.NumConstrs, m.NumEnts, m.ModelName) == (4, 3, 5, "attrs")
    assert (m.NumSOS, m.NumGenConstrs) == (1, 2)
    assert m.getAttr("GenConstrName", m.getGenConstrs()) == ["ind1", "ind2"]


def test_handles_of_the_same_model_but_another_kind_use_their_index(m):
    x, y, z, _ = m.getVars()
    c2 = m.getConstrs()[2]
    assert m.getAttr("UB", [x, c2]) == [x.UB, z.UB]


def test_handle_of_another_model_is_refused(m, model_from_text):
    other = model_from_text(MPS, "attrs.mps")
    x, y = m.getVars()[:2]
    foreign = other.getVars()[0]
    with pytest.raises(TarvexError):
        m.getAttr("UB", [x, foreign])
    with pytest.raises(TarvexError):
        m.getAttr("UB", foreign)
    with pytest.raises(TarvexError):
        m.setAttr("UB", [y, foreign], [7.0, 7.0])
    with pytest.raises(TarvexError):
        m.setAttr("UB", didazoda.Var(), 7.0)  # a handle of no model
    assert (x.UB, y.UB, foreign.UB) == (3.0, 5.0, 3.0)


# ---- Writing ----------------------------------------------------------------------------


def test_element_writes(m):
    x, y, z, _ = m.getVars()
    x.UB = 2
    assert x.ub == 2.0 and type(x.ub) is np.float64
    x.setAttr("lb", np.float64(0.5))
    assert x.LB == 0.5
    m.setAttr("VarName", [x, y], ["a", "b"])
    assert m.getAttr("VarName", [x, y, z]) == ["a", "b", "z"]
    m.setAttr("Obj", [x, y, z], np.array([1.0, 2.0, 3.0]))
    assert m.getAttr("Obj", [x, y, z]) == [1.0, 2.0, 3.0]
    m.setAttr("UB", np.array([z, y], dtype=object), [[8.0], [9.0]])  # row-major
    assert (z.UB, y.UB) == (8.0, 9.0)
    m.setAttr("VType", [x, z], ["I", b"B"])
    assert m.getAttr("VType", [x, y, z]) == [b"I", b"I", b"B"]
    m.setAttr("RHS", m.getConstrs()[0], 10)
    m.getConstrs()[1].ConstrName = "first"
    m.getPsdConstrs()[1].PsdCName = "renamed"
    assert m.getAttr("RowName", m.getConstrs()) == ["c0", "renamed", "c2"]
    assert m.getConstrs()[0].rhs == 10.0


def test_model_writes():
    m = Model()
    m.modelname = "diet"
    assert m.ModelName == "diet"
    m.setAttr("ObjCon", [2.5, 7.0])  # a model value is the first entry
    assert m.ObjCon == 2.5
    m.setAttr("ObjCon", np.array(3.5))
    assert m.getAttr("objcon") == 3.5
    m.ModelSense = -1.9
    assert m.ModelSense == -1
    with pytest.raises(AttributeError, match=missing("Params")):
        m.Params = None
    assert m.Params is not None


# The values as counted: nested lists flattened, a character per value.
WRONG_COUNTS = [
    ("UB", [1.0], 1), ("UB", [1.0, 2.0, 3.0], 3), ("ub", [[1.0, 2.0, 3.0]], 3),
    ("IsInteger", [1], 1), ("VarName", ["a"], 1), ("VarName", ["a", "b", "c"], 3),
    ("VType", ["B"], 1), ("VType", ["BI", "CI"], 4),
]


@pytest.mark.parametrize("name, values, given", WRONG_COUNTS)
def test_wrong_value_count_changes_nothing(m, name, values, given):
    x, y = m.getVars()[:2]
    before = m.getAttr(name, [x, y])
    with pytest.raises(ValueError) as info:
        m.setAttr(name, [x, y], values)
    assert str(info.value) == f"expected 2 values for `{name}` (one per element), got {given}"
    assert m.getAttr(name, [x, y]) == before


def test_library_refusal_changes_nothing(m):
    x, y, z, _ = m.getVars()
    before = {name: m.getAttr(name, [x, y, z]) for name in ("VType", "UB", "VarName")}
    refused = [
        (("VType", [x, y], ["B", "Q"]), TVX.Error.MODEL_INPUT_ERROR),
        (("UB", [x, z], [1.0, float("nan")]), TVX.Error.MODEL_INPUT_ERROR),
        (("IsInteger", [x], [1]), None),  # read-only
    ]
    for args, code in refused:
        with pytest.raises(TarvexError) as info:
            m.setAttr(*args)
        assert code is None or info.value.errno == code
    with pytest.raises(TypeError):
        m.setAttr("VarName", [x, y], ["a", 5])
    assert {name: m.getAttr(name, [x, y, z]) for name in before} == before


@pytest.mark.parametrize("name, elements", [("LB", "getVars"), ("RHS", "getConstrs")])
def test_values_are_converted_before_the_indices_are_read(m, name, elements):
    first, second, third = getattr(m, elements)()[:3]
    untouched = third.getAttr(name)

    class RemovesFirst:
        def __float__(self):
            m.remove(first)
            return 5.0

    m.setAttr(name, [second], [RemovesFirst()])
    assert (second.getAttr(name), third.getAttr(name)) == (5.0, untouched)


@pytest.mark.parametrize("name, owner", [
    ("UB", "m"), ("ModelName", "v"), ("VType", "m"), ("LHS", "v"), ("PsdCName", "lin"),
])
def test_write_through_wrong_kind(m, name, owner):
    with pytest.raises(AttributeError, match=missing(name)):
        if owner == "m":
            m.setAttr(name, 1)
        else:
            handles(m, owner)[0].setAttr(name, 1)


def psd_handle(m, index=0):
    """A PsdVar handle on m's solver model: no model file read here holds one."""
    p = didazoda.PsdVar()
    mdl, _ = handle_fields(m.getVars()[0])
    set_handle_fields(p, mdl, index)
    return p


@pytest.mark.parametrize("value, exc, text", [
    (np.zeros(3), ValueError, "Expect a numpy 2d-array or scipy sparse matrix"),
    (np.zeros((2, 2, 2)), ValueError, "Expect a numpy 2d-array or scipy sparse matrix"),
    ([[1.0, 0.0], [0.0, 1.0]], AttributeError, "shape"),
    (np.eye(2), TarvexError, None),
    (sp.csr_matrix(np.eye(2)), TarvexError, None),
    (sp.coo_matrix(([1.0, 2.0], ([0, 0], [1, 1])), shape=(2, 2)), TarvexError, None),
])
def test_matrix_values_are_checked_before_the_library(m, value, exc, text):
    p = psd_handle(m)
    with pytest.raises(exc) as info:
        p.setAttr("PsdObj", value)
    if text:
        assert text in str(info.value)
    if exc is TarvexError:  # converted, then refused: the model has no PSD variable
        assert info.value.errno == TVX.Error.MODEL_INVALID_SYM_MAT_IDX
    with pytest.raises(ValueError, match=r"^expected 2 values for `PsdObj` \(one per element\), got 1$"):
        m.setAttr("PsdObj", [p, p], [np.eye(2)])
    with pytest.raises(AttributeError, match=missing("PsdObj")):
        m.setAttr("PsdObj", np.eye(2))
    with pytest.raises(AttributeError, match=missing("psdx")):
        m.getAttr("psdx")
    with pytest.raises(TarvexError):
        p.PsdX


# ---- Model attribute hooks --------------------------------------------------------------


def test_user_members_and_hook_rules():
    m = Model()
    m._calls = 3
    assert m._calls == 3
    with pytest.raises(KeyError):
        m._other
    with pytest.raises(AttributeError):
        m.__anything = 1
    with pytest.raises(AttributeError):
        m.__anything
    with pytest.raises(AttributeError):
        del m._calls
    assert m._calls == 3
    assert not hasattr(m, "NoSuchThing")
    assert m.getVars() == [] and m.Params is m.params


# ---- Dead models ---------------------------------------------------------------------


def test_dead_model_handles_raise(run_python, mps_path):
    r = run_python(f"""
        import gc
        import didazoda
        from didazoda import TarvexError

        def handles(model):
            return [model.getVars()[0], model.getConstrs()[0], model.getPsdConstrs()[0],
                    model.getGenConstrs()[0]]

        disposed = didazoda.read({mps_path!r})
        collected = didazoda.read({mps_path!r})
        dead = handles(disposed) + handles(collected)
        disposed.dispose()
        del collected
        gc.collect()
        calls = [lambda m: m.NumVars, lambda m: m.getAttr("ModelName"),
                 lambda m: m.setAttr("ObjCon", 1.0), lambda m: m.copy(),
                 lambda m: m.getAttr("UB", m.getVars())]
        for call in calls:
            try:
                call(disposed)
            except TarvexError as e:
                assert e.errno == -3, e.errno
            else:
                raise SystemExit("a disposed model answered")
        names = {{"Var": "UB", "Constr": "RHS", "PsdConstr": "PsdCRHS",
                  "GenConstr": "GenConstrName"}}
        for h in dead:
            name = names[type(h).__name__]
            for call in (lambda: h.getAttr(name), lambda: getattr(h, name.lower()),
                         lambda: h.setAttr(name, 1.0), lambda: setattr(h, name, 1.0),
                         lambda: str(h)):
                try:
                    call()
                except TarvexError as e:
                    assert e.errno == -3, e.errno
                else:
                    raise SystemExit("a dead handle answered")
        print("ok")
    """)
    assert r.returncode == 0, r.stderr
    assert r.stdout.strip() == "ok"


# ---- copy() ---------------------------------------------------------------------------


def test_copy_is_equal_and_independent(m):
    m.setParam("MaxTime", 7)
    m.getVars()[0].UB = 2.5
    c = m.copy()
    assert type(c) is Model and c.Params is None
    for lists in ("getVars", "getConstrs", "getPsdConstrs", "getSOSs", "getGenConstrs",
                  "getPsdVars"):
        ours, theirs = getattr(m, lists)(), getattr(c, lists)()
        assert len(ours) == len(theirs)
        assert [h.index for h in theirs] == list(range(len(theirs)))
        assert not any(a is b or a.sameAs(b) for a, b in zip(ours, theirs))
    for name in ("VarName", "LB", "UB", "Obj", "VType"):
        assert c.getAttr(name, c.getVars()) == m.getAttr(name, m.getVars())
    for name in ("ConstrName", "LHS", "RHS"):
        assert c.getAttr(name, c.getConstrs()) == m.getAttr(name, m.getConstrs())
    assert c.ModelName == m.ModelName
    assert c.getParamInfo("MaxTime")[2] == 7.0
    # Changes on either side stay there.
    c.getVars()[1].VarName = "copy"
    m.getVars()[2].UB = 4.0
    assert m.getVars()[1].VarName == "y" and c.getVars()[2].UB != 4.0
    # The copy owns its solver model and parameters.
    m.dispose()
    assert c.getAttr("UB", c.getVars())[0] == 2.5
    c.setParam("MaxTime", 5)
    assert c.getParamInfo("MaxTime")[2] == 5.0
    c2 = c.copy()
    c.dispose()
    assert c2.getVars()[1].VarName == "copy"


def test_copy_of_a_subclass_is_a_model():
    class Sub(Model):
        pass

    c = Sub("sub").copy()
    assert type(c) is Model and c.ModelName == "sub"


def test_copies_free_their_solver_model(m):
    copies = [m.copy() for _ in range(3)]
    handles = [c.getVars()[0] for c in copies]
    del copies
    gc.collect()
    for h in handles:
        with pytest.raises(TarvexError):
            h.UB
    assert m.getVars()[0].UB == 3.0


# ---- read() ---------------------------------------------------------------------------


def test_read_arguments(mps_path, tmp_path):
    with pytest.raises(TypeError, match="^Cannot convert int to didazoda.Env$"):
        didazoda.read(mps_path, env=5)
    with pytest.raises(TypeError):
        didazoda.read(123)
    with pytest.raises(TarvexError) as info:
        didazoda.read(str(tmp_path / "missing.mps"))
    assert info.value.errno == TVX.Error.FILE_READ_ERROR
    env = didazoda.Env()
    m = didazoda.read(mps_path, env)
    env.dispose()
    assert m.NumVars == 4 and m.Params is m.params and m.Params is not None
    with pytest.raises(TarvexError):
        didazoda.read(mps_path, env)


INF = 1e20
# What each file in tests/data states: name, sense, variables (name, type,
# lb, ub, obj) and rows (name, lhs, rhs).
FILES = {
    "lp_small.lp": ("lp_small", -1,
                    [("x", b"C", 0, 3, 3), ("y", b"C", -2, 5, 2), ("z", b"C", 0, INF, 4)],
                    [("c1", -INF, 4), ("c2", -INF, 6), ("c3", 1, 3.5)]),
    "mip_small.mps": ("mip_small", 1,
                      [("x", b"C", 0, 5, 1.5), ("n", b"I", 0, 10, -1), ("b", b"B", 0, 1, 2)],
                      [("cap", -INF, 12), ("demand", 1, INF), ("balance", 0, 0)]),
    "qp_small.qps": ("qp_small", 1, [("x", b"C", 0, 3, -2), ("y", b"C", 0, 3, -3)],
                     [("c1", 1, INF), ("c2", 2, 4)]),
}
COMPRESSORS = {"": None, ".gz": gzip.compress, ".bz2": bz2.compress}


@pytest.mark.parametrize("suffix", COMPRESSORS)
@pytest.mark.parametrize("file", FILES)
def test_read_gives_the_model_the_file_states(file, suffix, tmp_path):
    path = os.path.join(DATA, file + suffix)
    if not os.path.exists(path):  # compressed here when the data has no such copy
        with open(os.path.join(DATA, file), "rb") as plain:
            (tmp_path / (file + suffix)).write_bytes(COMPRESSORS[suffix](plain.read()))
        path = str(tmp_path / (file + suffix))
    name, sense, variables, rows = FILES[file]
    m = didazoda.read(path)
    assert (m.ModelName, m.ModelSense) == (name, sense)
    assert (m.NumVars, m.NumConstrs) == (len(variables), len(rows))
    xs, cs = m.getVars(), m.getConstrs()
    for lst in (xs, cs, m.getPsdConstrs()):
        assert [h.index for h in lst] == list(range(len(lst)))
    assert len(m.getPsdConstrs()) == len(cs)
    assert m.getSOSs() == m.getGenConstrs() == m.getPsdVars() == []
    columns = [m.getAttr(a, xs) for a in ("VarName", "VType", "LB", "UB", "Obj")]
    assert list(zip(*columns)) == variables
    assert list(zip(*[m.getAttr(a, cs) for a in ("ConstrName", "LHS", "RHS")])) == rows
    assert m.getParamInfo("MaxTime")[0] == "MaxTime"


@pytest.mark.parametrize("suffix, text", [
    (".lp", "Minimize\n obj: x\nSubject To\n c: x >= 0\nBounds\n x <= 8\n"
            "General\n x\nSemi-Continuous\n x\nEnd\n"),
    (".lp", "Minimize\n obj: x\nSubject To\n c: x >= 0\nBounds\n x <= 8\n"
            "Semi-Continuous\n x\nGeneral\n x\nEnd\n"),
    (".mps", "NAME si\nROWS\n N obj\n G c\nCOLUMNS\n x obj 1 c 1\nRHS\nBOUNDS\n"
             " SI BND x 8\nENDATA\n"),
])
def test_semi_integer_variables_read_back(model_from_text, suffix, text):
    x = model_from_text(text, "si" + suffix).getVars()[0]
    assert x.VType == b"N" and x.UB == 8
