"""The constants object TVX and the tables behind it."""
import gc
import pydoc

import pytest

import didazoda
from didazoda import TVX, TarvexError

# The tables as the interface defines them, kept apart from the module's own
# copy. WHATS: code, name, getter, kind, public, description (None: free).
ATTRS = [
    ('MinSense', 'int', 'If the objective function is min sense'),
    ('ModelSense', 'int', 'The objective function sense, 1 for min and -1 for max'),
    ('HasSolution', 'int', 'If the problem has solution'),
    ('HasPrimalRay', 'int', 'If the problem has primal ray'),
    ('HasDualRay', 'int', 'If the problem has dual ray'),
    ('NumVars', 'int', 'The total number of variables'),
    ('NumConss', 'int', 'The total number of constraints'),
    ('NumConstrs', 'int', 'Alias for NumConss. The total number of constraints'),
    ('NumSOS', 'int', 'The total number of Special Ordered Set (SOS) constraints in the model'),
    ('NumGenConstrs', 'int', 'The total number of general constraints.'),
    ('NumEnts', 'int', 'The total number of constraint matrix non-zeros'),
    ('NumNZs', 'int', 'Alias for NumEnts. The total number of constraint matrix non-zeros'),
    ('SPX/NumIters', 'int', 'The total number of iterations after a simplex method completed'),
    ('IPM/NumIters', 'int', 'The total number of iterations after a interior point method completed'),
    ('IsInteger', 'int', 'If a variable is integral type'),
    ('IISVar', 'int', 'If the upper and (or) lower bound(s) of this variable belong to IIS'),
    ('IISConstr', 'int', 'If the left-hand-side value and (or) right-hand-side value of this constraint belong to IIS'),
    ('IISCol', 'int', 'Alias for IISVar, to test if the upper and (or) lower bound(s) of this variable belong to IIS'),
    ('IISRow', 'int', 'Alias for IISConstr, to test if the left-hand-side value and (or) right-hand-side value of this constraint belong to IIS'),
    ('ColBasis', 'int', 'The basis of a column'),
    ('RowBasis', 'int', 'The basis of a row'),
    ('GenConstrType', 'int', 'The type of this general constraint'),
    ('Status', 'int', 'The optimization status after model optimized'),
    ('Dim', 'int', 'The dimension of a psd variable'),
    ('NumPsdVars', 'int', 'The total number of psd variables'),
    ('NumPsdConstrs', 'int', 'The total number of psd constraints'),
    ('ObjConst', 'double', 'The constant component of objective function'),
    ('ObjCon', 'double', 'Alias for ObjConst. The constant component of objective function'),
    ('PrimalObjVal', 'double', 'The objective value of primal solution'),
    ('ObjVal', 'double', 'Alias for PrimalObjVal. The objective value of primal solution'),
    ('DualObjVal', 'double', 'The objective value of dual solution'),
    ('PresolverTime', 'double', 'Presolver execution time in seconds'),
    ('SolverTime', 'double', 'Solver execution time in seconds'),
    ('SolutionTime', 'double', 'Total execution time in seconds'),
    ('MIP/GapAbs', 'double', 'The absolute gap for a mip solution'),
    ('MIP/GapRel', 'double', 'The relative gap for a mip solution'),
    ('LB', 'double', 'The lower bound of a variable'),
    ('UB', 'double', 'The upper bound of a variable'),
    ('Obj', 'double', 'The objective coefficient of a variable'),
    ('LHS', 'double', 'The left-hand-side value of a constraint'),
    ('RHS', 'double', 'The right-hand-side value of a constraint'),
    ('PrimalSoln', 'double', 'The solution of primal problem'),
    ('X', 'double', 'Alias for PrimalSoln. The solution of primal problem'),
    ('Start', 'double', 'The current MIP start vector'),
    ('DualSoln', 'double', 'The solution of dual problem'),
    ('Activity', 'double', 'The primal activity'),
    ('ReducedCost', 'double', 'The reduced cost'),
    ('RC', 'double', 'Alias for ReducedCost. The reduced cost'),
    ('PsdCLHS', 'double', 'psd contraint left-hand-side value'),
    ('PsdCRHS', 'double', 'psd contraint right-hand-side value'),
    ('ProbName', 'string', 'The problem name'),
    ('ModelName', 'string', 'Alias for ProbName. The problem name'),
    ('RowName', 'string', 'The constraint name'),
    ('ConstrName', 'string', 'Alias for RowName. The constraint name'),
    ('ColName', 'string', 'The variable name'),
    ('VarName', 'string', 'Alias for ColName, The variable name'),
    ('PsdVarName', 'string', 'The psd variable name'),
    ('PsdCName', 'string', 'The psd constraint name'),
    ('GenConstrName', 'string', 'The name of this general constraint'),
    ('VType', 'char', 'The variable type'),
    ('PsdX', 'matrix', 'The solution of psd variable in primal problem'),
    ('PsdObj', 'matrix', 'The objective coefficient of a psd variable'),
]
PARAMS = [
    ('Method', int, 'Set the selected optimization method'),
    ('Presolve', int, 'Set whether to enable the presolver method'),
    ('Dualization', int, 'Set whether to dualize the model'),
    ('NumThreads', int, 'Set the number of threads used'),
    ('EnableNetworkFlow', int, 'Set whether to enable the network simplex method'),
    ('EnableStochasticLP', int, 'Set whether to detect Stochastic Linear Programming problem structure'),
    ('SPX/ColumnGeneration', int, 'Set whether to use column generation in the simplex method'),
    ('SPX/CrashStart', int, 'Set whether to use the initial basis solution generation method in the simplex method'),
    ('SPX/MaxIterations', int, 'Set the maximum number of iterations in the simplex method'),
    ('SPX/PrimalPricing', int, 'Setting the primal pricing strategy in the simplex method'),
    ('SPX/DualPricing', int, 'Setting the dual pricing strategy in the simplex method'),
    ('IPM/MaxIterations', int, 'Set the maximum number of iterations in the interior point method'),
    ('MIP/MaxNodes', int, 'Set maximum node limit in MIP'),
    ('MIP/RootParallelism', int, 'Set the maximum number of concurrent threads allowed by the root node in MIP'),
    ('MIP/AutoConfiguration', int, 'Specify whether to enable automatical configuration for MIP'),
    ('MIP/MaxSols', int, 'Set the maximum solution limit in MIP'),
    ('MIP/AllowDualPresolve', int, 'Specify whether to enable dual presolve methods in MIP'),
    ('MIP/DetectDisconnectedComponents', int, 'Specify whether to enable disconnected component strategy in MIP'),
    ('MIP/SolutionPoolSize', int, 'Set the maximum number of solutions to be stored for obtaining in MIP'),
    ('MIP/MaxStallingNodes', int, 'Set the maximum allowed stalling nodes'),
    ('SolutionTarget', int, 'Set the target of solution in LP problem'),
    ('MaxTime', float, 'Set the maximum solve time'),
    ('SPX/PrimalTolerance', float, 'Set the primal feasibility tolerance for the simplex method'),
    ('SPX/DualTolerance', float, 'Set the dual feasibility tolerance for the simplex method'),
    ('IPM/PrimalTolerance', float, 'Set the primal relative feasibility tolerance in the interior point method'),
    ('IPM/DualTolerance', float, 'Set the dual relative feasibility tolerance in the interior point method'),
    ('IPM/GapTolerance', float, 'Sets the dual relative gap tolerance in the interior point method'),
    ('MIP/IntegerTolerance', float, 'Set the integer judgment precision in MIP solution'),
    ('MIP/ObjectiveTolerance', float, 'Set the objective value comparison accuracy in MIP solution'),
    ('MIP/GapAbs', float, 'Set absolute gap allowed for a MIP model'),
    ('MIP/GapRel', float, 'Set relative gap allowed for a MIP model'),
    ('MIP/LinearizationBigM', float, 'Set the largest coefficient for reformulated the non-linear functions in MIP'),
    ('MIP/Cutoff', float, 'Set the objective cutoff to avoid finding solutions worse than this value in MIP'),
]
WHATS = [
    (200, 'PRE_NUMVARS', 'cbint', 'md', True, 'Number columns of the presolved model.'),
    (201, 'PRE_NUMCONSTRS', 'cbint', 'md', True, 'Number rows of the presolved model.'),
    (202, 'PRE_NUMNZS', 'cbint', 'md', True, 'Number nonzero elements of the presolved model.'),
    (203, 'PRE_LB', 'cbdblat', 'vd', False, 'Array to hold the lower bound of columns of the presolved model.'),
    (204, 'PRE_UB', 'cbdblat', 'vd', False, 'Array to hold the upper bound of columns of the presolved model.'),
    (205, 'PRE_LHS', 'cbdblat', 'cd', False, 'Array to hold the lower bound of rows of the presolved model.'),
    (206, 'PRE_RHS', 'cbdblat', 'cd', False, 'Array to hold the upper bound of rows of the presolved model.'),
    (207, 'PRE_OBJ', 'cbdblat', 'vd', False, 'Array to hold the objective coefficients of the presolved model.'),
    (208, 'PRE_ISINT', 'cbintat', 'vd', False, 'Array to hold the integer type of columns of the presolved model.'),
    (209, 'PRE_ELEMENTS', 'cbdblat', 'cd', False, 'Array to hold the value of the nonzero elements (in CSC format) of the presolved model.'),
    (210, 'PRE_INDICES', 'cbintat', 'cd', False, 'Array to hold the row index of the nonzero elements (in CSC format) of the presolved model.'),
    (211, 'PRE_STARTS', 'cbintat', 'vd', False, 'Array to hold the start position of the nonzero elements (in CSC format) of the presolved model.'),
    (212, 'PRE_OBJCONST', 'cbdbl', 'md', False, 'The objective constant of the presolved model.'),
    (300, 'MIP_OBJBST', 'cbdbl', 'md', True, 'Current best objective (global primal bound). '),
    (301, 'MIP_OBJBND', 'cbdbl', 'md', True, 'Current best objective bound (global dual bound).'),
    (302, 'MIP_RELVAL', 'cbdbl', 'md', True, 'Current relaxation objective (local dual bound).'),
    (303, 'MIP_SOLPRE', 'cbdblat', 'vd', False, None),
    (304, 'MIP_RELPRE', 'cbdblat', 'vd', False, None),
    (305, 'MIP_RELRDCPRE', 'cbdblat', 'vd', False, None),
    (306, 'MIP_NODCNT', 'cbint', 'md', True, 'Total number of nodes explored so far. '),
    (307, 'MIP_SOLCNT', 'cbint', 'md', True, 'Total number of feasible solutions found so far. '),
    (308, 'MIP_CUTCNT', 'cbint', 'md', True, 'Total number of cutting planes applied so far. '),
    (309, 'MIP_NODLFT', 'cbint', 'md', True, 'Total number of nodes unexplored nodes. '),
    (310, 'MIP_NODEID', 'cbint', 'md', True, 'The unique ID of the current node. '),
    (311, 'MIP_DEPTH', 'cbint', 'md', True, 'The depth of the current node. '),
    (312, 'MIP_PHASE', 'cbint', 'md', True, 'Current phase in the MIP optimizer. (0: no solution; 1: far away from optimum; 2: close to the optimum) '),
    (313, 'MIP_LB', 'cbdblat', 'vd', False, 'Array to hold the lower bound of variables at the current node.'),
    (314, 'MIP_UB', 'cbdblat', 'vd', False, 'Array to hold the upper bound of variables at the current node.'),
    (316, 'MIP_SOL', 'cbdblat', 'vd', True, 'Array to hold the best solution(in original domain) found so far.'),
    (317, 'MIP_REL', 'cbdblat', 'vd', True, 'Array to hold the relaxation solution(in original domain) found so far.'),
]
ERRORS = [
    ('OKAY', 0), ('ERROR', -1), ('NOMEMORY', -2), ('INVALID_ARGUMENT', -3),
    ('HOME_ENV_NOT_FOUND', -11), ('DLL_ERROR', -12), ('IO_ERROR', -1000),
    ('FILE_READ_ERROR', -1001), ('FILE_WRITE_ERROR', -1002), ('DIRECTORY_ERROR', -1003),
    ('FORMAT_ERROR', -1100), ('VERSION_ERROR', -1101), ('REMOTE_INVALID_TOKEN', -1200),
    ('REMOTE_CONNECTION_ERROR', -1201), ('MODEL_INPUT_ERROR', -2000), ('MODEL_EMPTY', -2001),
    ('MODEL_INVALID_ROW_IDX', -2002), ('MODEL_INVALID_COL_IDX', -2003),
    ('MODEL_INVALID_ROW_NAME', -2004), ('MODEL_INVALID_COL_NAME', -2005),
    ('MODEL_INVALID_SYM_MAT_IDX', -2006), ('MODEL_INVALID_SYM_MAT_ROW_IDX', -2007),
    ('MODEL_INVALID_SYM_MAT_COL_IDX', -2008), ('MODEL_INVALID_STR_ATTR', -2010),
    ('MODEL_INVALID_INT_ATTR', -2011), ('MODEL_INVALID_REAL_ATTR', -2012),
    ('MODEL_INVALID_REAL_ATTR_SYM_MAT', -2013), ('MODEL_INVALID_CHAR_ATTR', -2014),
    ('MODEL_INVALID_MAT_ATTR', -2015), ('MODEL_INVALID_ATTR_NAME', -2019),
    ('MODEL_INVALID_SOS_TYPE', -2020), ('MODEL_INVALID_SOS_IDX', -2021),
    ('MODEL_INVALID_INDICATOR_COL_IDX', -2022), ('MODEL_INVALID_INDICATOR_ROW_IDX', -2023),
    ('MODEL_INVALID_INT_RELAX', -2024), ('DATA_NOT_AVAILABLE', -2025), ('NO_SOLN', -3000),
    ('NO_RAY', -3001), ('NO_STATISTICS', -3002), ('INVALID_BASIS_STATUS', -3003),
    ('IIS_NO_SOLN', -3004), ('IIS_FEASIBLE', -3005), ('PARAM_SET_ERROR', -4000),
    ('PARAM_GET_ERROR', -4001), ('CB_INVALID_WHERE', -5000), ('CB_INVALID_WHAT', -5001),
    ('CB_INVALID_SUBMISSION', -5002), ('ABORT_ITERATION_LIMIT', -9000),
    ('ABORT_TIME_LIMIT', -9001), ('ABORT_CTRL_C', -9002), ('ABORT_NODE_LIMIT', -9003),
    ('ABORT_STALLING_NODE_LIMIT', -9004), ('ABORT_SOLUTION_LIMIT', -9005),
    ('ABORT_INVALID_METHOD', -9011), ('ABORT_SOLVER_NOT_AVAILABLE', -9012),
    ('SIMPLEX_NUMERIC', -10000), ('INTERIOR_NUMERIC', -20000), ('IIS_NUMERIC', -30000),
]

WHERES = [
    ("MIPSTART", 3, "MIP Optimizer is in initial optimization phase."),
    ("MIPSOL", 4, "MIP Optimizer just found a new incumbent solution."),
    ("MIPNODE", 5, "MIP Optimizer is currently exploring a node."),
]

STATUS = [("UNKNOWN", 0), ("OPTIMAL", 1), ("INFEASIBLE", 2), ("UNBOUNDED", 3),
          ("INF_OR_UBD", 4), ("SUB_OPTIMAL", 5)]

PLAIN = [
    ("UNDEFINED", -1.23457e+88), ("INFINITY", 1e+20), ("GENCONSTR_INDICATOR", 6),
    ("CONTINUOUS", "C"), ("BINARY", "B"), ("INTEGER", "I"), ("SEMICONT", "S"),
    ("SEMIINT", "N"), ("EQUAL", "="), ("LESS_EQUAL", "<"), ("GREATER_EQUAL", ">"),
    ("MINIMIZE", 1), ("MAXIMIZE", -1), ("SOS_TYPE1", 1), ("SOS_TYPE2", 2),
    ("MAXINT", 2000000000), ("MAX_NAMELEN", 255), ("MAX_STRLEN", 512),
]

PUBLIC_WHATS = [w for w in WHATS if w[4]]
HIDDEN_WHATS = [w for w in WHATS if not w[4]]


def key_of(name):
    return name.replace("/", "_").lower()


def prop_of(obj, name):
    return type(obj).__dict__[name]


@pytest.fixture(scope="module")
def private():
    """The module-private tables, found among the live objects."""

    def find(member, size):
        found = [o for o in gc.get_objects()
                 if type(o) is dict and len(o) == size and member in o
                 and all(type(v) is list for v in o.values())]
        assert len(found) == 1, member
        return found[0]

    return {
        "attrs": find("mip_gapabs", 62), "params": find("mip_gapabs", 33),
        "wheres": find("MIPSOL", 3), "whats": find(307, 30),
        "errors": find("ABORT_CTRL_C", 58), "status": find("OPTIMAL", 6),
    }


@pytest.mark.parametrize("name", ["attrs", "params", "wheres", "whats", "errors", "status"])
def test_private_tables_are_not_module_attributes(name):
    assert not hasattr(didazoda, name)


def test_table_keys_in_row_order(private):
    assert list(private["attrs"]) == [key_of(a[0]) for a in ATTRS]
    assert list(private["params"]) == [key_of(p[0]) for p in PARAMS]
    assert list(private["wheres"]) == [w[0] for w in WHERES]
    assert list(private["whats"]) == [w[0] for w in WHATS]
    assert list(private["errors"]) == [e[0] for e in ERRORS]
    assert list(private["status"]) == [s[0] for s in STATUS]


@pytest.mark.parametrize("name, word, desc", ATTRS)
def test_attribute_row(private, name, word, desc):
    assert private["attrs"][key_of(name)] == [name, word, desc]
    prop = name.replace("/", "_")
    assert getattr(TVX.Attr, prop) == name
    assert prop_of(TVX.Attr, prop).__doc__ == "Type: {}\nDesc: {}".format(word, desc)


@pytest.mark.parametrize("name, ptype, desc", PARAMS)
def test_parameter_row(private, name, ptype, desc):
    row = private["params"][key_of(name)]
    assert row == [name, ptype, desc] and row[1] is ptype
    prop = name.replace("/", "_")
    assert getattr(TVX.Param, prop) == name
    assert prop_of(TVX.Param, prop).__doc__ == "Type: {}\nDesc: {}".format(ptype, desc)


@pytest.mark.parametrize("name, code, desc", WHERES)
def test_where_row(private, name, code, desc):
    assert private["wheres"][name] == [code, desc]
    assert getattr(TVX.Callback, name) == code
    assert prop_of(TVX.Callback, name).__doc__ == "Code = {}\nDesc: {}".format(code, desc)


@pytest.mark.parametrize("code, name, getter, kind, public, desc", WHATS)
def test_what_row(private, code, name, getter, kind, public, desc):
    row = private["whats"][code]
    assert row[0] == name and row[1].__name__ == getter
    assert row[2] == kind and row[3] is public and type(row[4]) is str
    if desc is not None:
        assert row[4] == desc
    if public:
        assert getattr(TVX.Callback, name) == code
        assert prop_of(TVX.Callback, name).__doc__ == "Code = {}\nDesc: {}".format(code, desc)
    else:
        with pytest.raises(AttributeError):
            getattr(TVX.Callback, name)


def test_what_getters_are_distinct_callables(private):
    getters = [row[1] for row in private["whats"].values()]
    assert len({id(g) for g in getters}) == 30


@pytest.mark.parametrize("name, code", ERRORS)
def test_error_row(private, name, code):
    assert private["errors"][name] == [code]
    assert type(TVX.Error).__dict__[name] == code and type(code) is int
    assert getattr(TVX.Error, name) == getattr(TVX, name) == code


@pytest.mark.parametrize("name, code", STATUS)
def test_status_row(private, name, code):
    assert private["status"][name] == [code]
    assert getattr(TVX.Status, name) == getattr(TVX, name) == code


@pytest.mark.parametrize("name, value", PLAIN)
def test_plain_constant(name, value):
    got = getattr(TVX, name)
    assert got == value and type(got) is type(value)


def test_named_examples():
    assert TVX.Attr.X == "X" and TVX.Attr.ObjVal == "ObjVal"
    assert TVX.Attr.SPX_NumIters == "SPX/NumIters"
    assert TVX.Param.MIP_GapRel == "MIP/GapRel" == TVX.Attr.MIP_GapRel
    assert TVX.Callback.MIPSOL == 4 and TVX.Callback.MIP_SOLCNT == 307
    assert TVX.Error.ABORT_CTRL_C == TVX.ABORT_CTRL_C == -9002
    assert -TVX.INFINITY == -1e20
    with pytest.raises(AttributeError):
        TVX.Attr.mip_gapabs  # property names keep their case


def test_constant_sets_list_their_properties():
    def props(obj):
        return [n for n in dir(obj) if isinstance(getattr(type(obj), n, None), property)]

    assert sorted(props(TVX.Attr)) == sorted(a[0].replace("/", "_") for a in ATTRS)
    assert sorted(props(TVX.Param)) == sorted(p[0].replace("/", "_") for p in PARAMS)
    assert sorted(props(TVX.Callback)) == sorted(
        [w[0] for w in WHERES] + [w[1] for w in PUBLIC_WHATS])
    assert {e[0] for e in ERRORS} <= set(dir(TVX.Error))


def test_property_getter_returns_its_context():
    fget = prop_of(TVX.Attr, "X").fget
    assert fget(None) == "X" and fget(None, "other") == "other"
    assert prop_of(TVX.Callback, "MIPSOL").fget(0) == 4


@pytest.mark.parametrize("name", ["AttrConstClass", "ParamConstClass", "ErrorConstClass",
                                  "StatusConstClass", "CallbackClass"])
def test_constant_classes_are_plain(name):
    cls = getattr(didazoda, name)
    assert type(cls) is type and cls.__bases__ == (object,)
    assert cls.__module__ == "didazoda" and cls.__doc__ is None


def test_constants_object_and_its_members():
    cls = type(TVX)
    assert cls.__name__ == "TVX" and cls.__module__ == "didazoda" and cls.__doc__ is None
    assert type(cls) is type and didazoda.TVX is TVX
    assert all(v is not cls for v in vars(didazoda).values())  # reachable only as type(TVX)
    assert [n for n in cls.__dict__ if not n.startswith("__")][:6] == [
        "Attr", "attr", "Param", "param", "Callback", "callback"]
    assert TVX.Attr is TVX.attr is didazoda.attr
    assert TVX.Param is TVX.param is didazoda.param
    assert TVX.Callback is TVX.callback() is didazoda.callback
    assert TVX.error is TVX.Error and TVX.status is TVX.Status
    assert type(TVX.Error) is didazoda.ErrorConstClass
    assert type(TVX.Status) is didazoda.StatusConstClass
    assert cls.attr.__doc__ is None and cls.param.__doc__ is None
    assert cls.callback.__doc__ is None and cls.callback.__qualname__ == "TVX.callback"
    with pytest.raises(AttributeError):
        TVX.callback.MIPSOL


@pytest.mark.parametrize("member, cls_name, marker, count", [
    ("Attr", "AttrConstClass", "Type: ", 62),
    ("Param", "ParamConstClass", "Type: ", 33),
    ("Callback", "CallbackClass", "Code = ", 18),
])
def test_rendered_documentation(member, cls_name, marker, count):
    doc = getattr(type(TVX), member).__doc__
    assert doc == pydoc.render_doc(getattr(didazoda, cls_name))
    assert pydoc.plain(doc).count("\n |      " + marker) == count


def test_members_read_the_module_namespace(monkeypatch):
    monkeypatch.setattr(didazoda, "callback", None)
    monkeypatch.setattr(didazoda, "attr", "replaced")
    assert TVX.Callback is None and TVX.callback() is None
    assert TVX.Attr == "replaced" == TVX.attr


READONLY = "Value is readonly"

ASSIGNMENTS = [
    # (object, name, exception, message); None: an ordinary writable attribute
    ("TVX", "Attr", TypeError, READONLY),
    ("TVX", "attr", TypeError, READONLY),
    ("TVX", "Param", TypeError, READONLY),
    ("TVX", "param", TypeError, READONLY),
    ("TVX", "Callback", TypeError, READONLY),
    ("TVX.Attr", "X", AttributeError, None),
    ("TVX.Param", "MaxTime", AttributeError, None),
    ("TVX.Callback", "MIPSOL", AttributeError, None),
    ("TVX.Error", "NOMEMORY", None, None),
    ("TVX", "NOMEMORY", None, None),
    ("TVX.Status", "OPTIMAL", None, None),
    ("TVX", "INF_OR_UBD", None, None),
    ("TVX", "INFINITY", None, None),
    ("TVX", "CONTINUOUS", None, None),
    ("TVX", "Error", None, None),
    ("TVX", "status", None, None),
]


@pytest.mark.parametrize("owner, name, exc, message", ASSIGNMENTS)
def test_assignment(owner, name, exc, message):
    obj = eval(owner, {"TVX": TVX})
    before = getattr(obj, name)
    class_value = type(obj).__dict__[name]
    if exc is None:
        setattr(obj, name, 12345)
        try:
            assert getattr(obj, name) == 12345
            assert type(obj).__dict__[name] is class_value
        finally:
            delattr(obj, name)
    else:
        with pytest.raises(exc) as info:
            setattr(obj, name, 12345)
        if message:
            assert str(info.value) == message
        with pytest.raises((AttributeError, TypeError)):
            delattr(obj, name)
    assert getattr(obj, name) == before


# ---- the what-code getters ---------------------------------------------------

@pytest.fixture(scope="module")
def getter(private):
    return lambda code: private["whats"][code][1]


@pytest.fixture
def model():
    return didazoda.Model.__new__(didazoda.Model)


@pytest.mark.parametrize("code, args, exc, text", [
    (200, (1, 200), TypeError,
     "Argument 'model' has incorrect type (expected didazoda.Model, got int)"),
    (200, (None, 200), TypeError,
     "Argument 'model' has incorrect type (expected didazoda.Model, got NoneType)"),
    (316, ("m", 316, 0), TypeError,
     "Argument 'model' has incorrect type (expected didazoda.Model, got str)"),
    (200, ("M", "200"), TypeError, "an integer is required"),
    (316, ("M", 316, None), TypeError, "an integer is required"),
    (200, ("M", 2 ** 31), OverflowError, "value too large to convert to int"),
    (316, ("M", 316, -2 ** 31 - 1), OverflowError, "value too large to convert to int"),
    (200, ("M",), TypeError, None),
    (300, ("M", 300, 0), TypeError, None),
    (316, ("M", 316), TypeError, None),
])
def test_getter_argument_errors(getter, model, code, args, exc, text):
    args = tuple(model if a == "M" else a for a in args)
    with pytest.raises(exc) as info:
        getter(code)(*args)
    if text:
        assert str(info.value) == text


@pytest.mark.parametrize("code, args", [
    (200, (316,)),     # an array code through the integer getter
    (200, (300,)),     # a double code through the integer getter
    (300, (999,)),     # no such row
    (300, (315,)),
    (208, (203, 0)),   # a double array through the integer array getter
    (316, (200, 0)),   # a scalar code through an array getter
])
def test_getter_refuses_codes_of_other_getters(getter, model, code, args):
    with pytest.raises(TarvexError) as info:
        getter(code)(model, *args)
    assert info.value.errno == TVX.Error.CB_INVALID_WHAT


@pytest.mark.parametrize("code, args", [(200, (200,)), (300, (300,)), (316, (316, 0)),
                                        (208, (208, 0))])
def test_getter_outside_a_callback(getter, model, code, args):
    with pytest.raises(RuntimeError, match="^method can only be called in callback function$"):
        getter(code)(model, *args)
