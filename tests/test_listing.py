"""Member listing of the classes, and the layout and SIGNATURE line of every public docstring."""
import inspect
import re

import pytest

import didazoda

HANDLE_DIR = ["getAttr", "index", "sameAs", "setAttr"]
EXPR_ARRAY_DIR = ["__delitem__", "__getitem__", "__iadd__", "__imul__", "__isub__", "__setitem__",
                  "clear", "copy", "getValue", "item", "ndim", "shape", "size", "sum", "zeros"]
EXPECTED_DIR = {
    "TarvexError": ["errno", "message"],
    "tuplelist": ["__add__", "__contains__", "__delitem__", "__iadd__", "__imul__", "__mul__",
                  "__radd__", "__rmul__", "__setitem__", "clean", "select"],
    "tupledict": ["__delitem__", "__ior__", "__setitem__", "clean", "prod", "select", "sum"],
    "Var": HANDLE_DIR, "Constr": HANDLE_DIR, "SOS": HANDLE_DIR, "GenConstr": HANDLE_DIR,
    "PsdConstr": HANDLE_DIR,
    "PsdVar": ["__mul__", "__rmul__"] + HANDLE_DIR,
    "LinExpr": ["__iadd__", "__imul__", "__isub__", "add", "addConstant", "addTerms", "clear",
                "getCoeff", "getConstant", "getValue", "getVar", "remove", "size"],
    "QuadExpr": ["__iadd__", "__imul__", "__isub__", "add", "addConstant", "addTerms", "clear",
                 "copy", "getCoeff", "getConstant", "getLinExpr", "getValue", "getVar1",
                 "getVar2", "remove", "size"],
    "TempConstr": ["__rrshift__", "__rshift__"],
    "Column": ["addTerms", "clear", "copy", "getCoeff", "getConstr", "remove", "size"],
    "Env": ["dispose", "resetParam", "setParam", "start", "writeParams"],
    "MVar": ["T", "__getitem__", "copy", "diagonal", "fromlist", "fromvar", "getAttr", "item",
             "ndim", "reshape", "setAttr", "shape", "size", "sum", "tolist", "transpose"],
    "MConstr": ["__getitem__", "getAttr", "item", "ndim", "setAttr", "shape", "size", "tolist"],
    "MLinExpr": EXPR_ARRAY_DIR,
    "MQuadExpr": EXPR_ARRAY_DIR,
}
MODEL_DIR = [
    "addConstr", "addConstrs", "addGenConstrIndicator", "addLConstr", "addMConstr", "addMVar",
    "addPsdVar", "addRange", "addSOS", "addVar", "addVars", "cbBranch", "cbCut", "cbGet",
    "cbGetNodeRel", "cbGetSolution", "cbSetSolution", "cbUseSolution", "chgCoeff",
    "computeIIS", "copy", "dispose", "getA", "getAttr", "getCoeff", "getCol",
    "getConstrByName", "getConstrs", "getGenConstrIndicator", "getGenConstrs", "getObjective",
    "getParamInfo", "getPsdConstrs", "getPsdVars", "getRow", "getSOS", "getSOSs",
    "getVarByName", "getVars", "message", "optimize", "read", "remove", "reset",
    "resetParams", "setAttr", "setObjective", "setParam", "terminate", "write",
]


@pytest.mark.parametrize("name", sorted(EXPECTED_DIR))
def test_dir_of_class(name):
    assert dir(getattr(didazoda, name)) == EXPECTED_DIR[name]


def test_dir_of_model_lists_only_built_documented_members():
    listed = dir(didazoda.Model)
    assert set(listed) <= set(MODEL_DIR)
    assert {"dispose", "getVars", "getAttr", "setAttr", "copy"} <= set(listed)


HANDLE_MEMBERS = "sameAs getAttr setAttr index"
EXPR_ARRAY_MEMBERS = "new copy clear getValue item ndim shape size sum zeros __array_priority__"
BINDING_ORDER = {
    "TarvexError": "errno message",
    "Operand": "__array_priority__",
    "TVX": "Attr attr Param param Callback callback",  # the class body's order
    "tuplelist": "select clean append clear copy insert pop remove reverse",
    "tupledict": "select sum prod clean clear pop popitem update setdefault",
    "Var": HANDLE_MEMBERS,
    "MVar": "getAttr setAttr shape ndim size T copy diagonal transpose reshape fromlist fromvar "
            "tolist sum item __array_priority__",
    "PsdVar": "sameAs getAttr setAttr __array_priority__ index",
    "Constr": HANDLE_MEMBERS,
    "MConstr": "getAttr setAttr shape ndim size _fromlist tolist item",
    "SOS": HANDLE_MEMBERS,
    "GenConstr": HANDLE_MEMBERS,
    "PsdConstr": HANDLE_MEMBERS,
    "List": "_make_append_safe _make_update_safe",
    "LinExpr": "addTerms add getCoeff getVar getValue addConstant getConstant size clear remove",
    "QuadExpr": "add addConstant getConstant addTerms clear copy getCoeff getVar1 getVar2 "
                "getLinExpr getValue remove size",
    "MLinExpr": EXPR_ARRAY_MEMBERS,
    "MQuadExpr": EXPR_ARRAY_MEMBERS,
    "PsdExpr": "__array_priority__ addTerms add getCoeff getVar getLinExpr getValue addConstant "
               "getConstant size clear remove",
    "TempConstr": "new",
    "Column": "addTerms copy getCoeff getConstr size clear remove",
    "Env": "start resetParam setParam writeParams dispose",
    "Model": "copy dispose addVar addMVar addVars addPsdVar addConstr addConstrs addLConstr "
             "addMConstr addSOS addGenConstrIndicator addRange getVars getConstrs getGenConstrs "
             "getSOSs getPsdVars getPsdConstrs getCol getRow getSOS getGenConstrIndicator getA "
             "getConstrByName getVarByName chgCoeff getCoeff remove setObjective getObjective "
             "setAttr getAttr setParam resetParams getParamInfo optimize computeIIS cleanupMilp "
             "_cbCutP cbCut cbBranch cbGet cbGetNodeRel cbGetSolution cbSetSolution "
             "cbUseSolution terminate reset message read write",
}


@pytest.mark.parametrize("name", list(BINDING_ORDER))
def test_class_dictionary_holds_the_members_in_binding_order(name):
    cls = type(didazoda.TVX) if name == "TVX" else getattr(didazoda, name)
    members = BINDING_ORDER[name].split()
    if "__getmetaclass__" in vars(cls):
        members.insert(0, "__getmetaclass__")  # received before the members
    assert [key for key in vars(cls) if key in members] == members


def test_dir_of_instance_is_ordinary():
    e = didazoda.TarvexError(1, "x")
    assert "args" in dir(e) and "__class__" in dir(e)


def test_subclass_gets_the_metaclass_of_its_base():
    class Mine(didazoda.Column):
        def extra(self):
            """Documented."""

    assert type(Mine) is type(didazoda.Column)
    assert dir(Mine) == EXPECTED_DIR["Column"]


def test_import_time_defaults_are_kept():
    tvx = didazoda.TVX
    saved = tvx.INFINITY, tvx.CONTINUOUS, tvx.MAXINT
    try:
        tvx.INFINITY, tvx.CONTINUOUS, tvx.MAXINT = 5.0, "I", 7
        for member in ("addVar", "setObjective", "addMVar", "addVars"):
            f = didazoda.Model.__dict__[member]
            values = list(f.__defaults__ or ()) + list((f.__kwdefaults__ or {}).values())
            assert 5.0 not in values and "I" not in values and 7 not in values, member
    finally:
        tvx.INFINITY, tvx.CONTINUOUS, tvx.MAXINT = saved


SECTIONS = ["SIGNATURE:", "PURPOSE:", "ARGUMENTS:", "EXAMPLE:", "NOTE:"]


def layout_problems(doc, base):
    """Violations of the docstring layout, as a list of texts."""
    problems = []
    if not doc.startswith("\n"):
        problems.append("does not begin with a line break")
    lines = doc.split("\n")[1:]
    pad, inner = " " * base, " " * (base + 4)
    headers = [line.strip() for line in lines
               if line.startswith(pad) and not line.startswith(inner) and line.strip()]
    if headers[:3] != SECTIONS[:3]:
        problems.append("sections {} do not start SIGNATURE, PURPOSE, ARGUMENTS".format(headers))
    order = [SECTIONS.index(h) for h in headers if h in SECTIONS]
    if order != sorted(order) or len(order) != len(headers):
        problems.append("unexpected or misordered sections {}".format(headers))
    if "ARGUMENTS:" in headers:
        start = lines.index(pad + "ARGUMENTS:") + 1
        body = []
        for line in lines[start:]:
            if line.strip() in SECTIONS:
                break
            body.append(line)
        entries = [line for line in body if line.strip()]
        if entries and entries[0].strip() != "None.":
            for i, line in enumerate(body[:-1]):
                nxt = body[i + 1]
                if nxt.strip() and set(nxt.strip()) == {"-"}:
                    if len(nxt.strip()) != len(line.strip()) or not line.startswith(inner) \
                            or not nxt.startswith(inner):
                        problems.append("underline of {!r} does not match".format(line.strip()))
            if not any(set(line.strip()) == {"-"} for line in entries):
                problems.append("ARGUMENTS has neither None. nor underlined names")
    return problems


def documented_callables():
    for name in didazoda.__all__:
        obj = getattr(didazoda, name, None)
        if type(obj).__name__ == "function" and obj.__doc__:
            yield name, obj.__doc__, 4
        if isinstance(obj, type):
            for member, value in vars(obj).items():
                if isinstance(value, staticmethod):
                    value = value.__func__
                if type(value).__name__ == "function" and value.__doc__ \
                        and getattr(value, "__text_signature__", None) != "__internal__":
                    yield "{}.{}".format(name, member), value.__doc__, 8


def test_docstring_layout_of_every_public_callable():
    problems = {}
    for where, doc, base in documented_callables():
        found = layout_problems(doc, base)
        if found:
            problems[where] = found
    assert not problems, "\n".join("{}: {}".format(k, v) for k, v in sorted(problems.items()))


def test_read_only_properties_have_one_framed_line():
    bad = []
    for name in didazoda.__all__:
        cls = getattr(didazoda, name, None)
        if not isinstance(cls, type):
            continue
        for member, value in vars(cls).items():
            if isinstance(value, property) and value.__doc__ is not None:
                if not re.fullmatch(r"\n +\S[^\n]*\n\s*", value.__doc__):
                    bad.append("{}.{}: {!r}".format(name, member, value.__doc__))
    assert not bad, bad


# SIGNATURE lines kept as documented although they differ from the signature the
# callable shows: other argument names, float('inf') for the default 1e+20, parameters
# left out or invented. cbGet shows only `what`, while its docstring names `index` too.
FIXED_SIGNATURE_LINES = {
    "paramHelp": "paramHelp(paramname)",
    "setParam": "setParam(paramname, paramvalue)",
    "system": "system(command)",
    "tuplelist.select": "select(*query=[])",
    "tupledict.sum": "sum(*query=[])",
    "tupledict.prod": "prod(coeffs, *query=[])",
    "MVar.reshape": "reshape(*shape)",
    "MVar.setAttr": "setAttr(attrname, attrvalues)",
    "MConstr.setAttr": "setAttr(attrname, attrvalues)",
    "QuadExpr.getCoeff": "getCoeff(index)",
    "QuadExpr.getVar1": "getVar1(index)",
    "QuadExpr.getVar2": "getVar2(index)",
    "Column.getCoeff": "getCoeff(index)",
    "Column.getConstr": "getConstr(index)",
    "Env.setParam": "setParam(paramname, paramvalue)",
    "Model.addVar": "addVar(lb=0, ub=float('inf'), obj=0, vtype='C', name='', column=None)",
    "Model.addMVar": "addMVar(shape, lb=0.0, ub=float('inf'), obj=0.0, vtype='C', name='')",
    "Model.addVars": "addVars(*indices, lb=0.0, ub=float('inf'), obj=0.0, vtype='C', name='')",
    "Model.addConstr": "addConstr(tmpConstr, name='')",
    "Model.addGenConstrIndicator":
        "addGenConstrIndicator(binvar|Var, binval|bool, lhs, sense=None|str, rhs=None|float)",
    "Model.remove": "remove(item)",
    "Model.setObjective": "setObjective(expr, sense=0)",
    "Model.setParam": "setParam(paramname, paramvalue)",
    "Model.getParamInfo": "getParamInfo(paramname)",
    "Model.cbGet": "cbGet(what, index=None)",
}
DOCUMENTED = {where: doc for where, doc, _ in documented_callables()}


def callable_of(where):
    owner, _, member = where.rpartition(".")
    if not owner:
        return getattr(didazoda, member)
    value = vars(getattr(didazoda, owner))[member]
    return value.__func__ if isinstance(value, staticmethod) else value


def shown_signature(f):
    """The callable's signature without `self`."""
    params = list(inspect.signature(f).parameters.values())
    return inspect.Signature(params[1:] if params and params[0].name == "self" else params)


def documented_signature(line):
    """The signature a SIGNATURE line states, or None when it is not Python."""
    scope = {}
    try:
        exec("def {}: pass".format(line), {}, scope)
    except SyntaxError:
        return None
    ((name, f),) = scope.items()
    return name, inspect.signature(f)


@pytest.mark.parametrize("where", sorted(DOCUMENTED))
def test_signature_line_matches_the_callable(where):
    lines = [text.strip() for text in DOCUMENTED[where].split("\n")]
    line = lines[lines.index("SIGNATURE:") + 1]
    f = callable_of(where)
    expected = (where.rpartition(".")[2], shown_signature(f))
    if where in FIXED_SIGNATURE_LINES:
        assert line == FIXED_SIGNATURE_LINES[where]
        assert documented_signature(line) != expected, "no longer differs: drop the entry"
    else:
        assert documented_signature(line) == expected, line
    if getattr(f, "__text_signature__", None):
        # A signature shown by hand still names the leading arguments the method takes.
        shown = list(inspect.signature(f).parameters)
        assert list(f.__code__.co_varnames[:len(shown)]) == shown
