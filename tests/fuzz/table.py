"""What the fuzz test calls: one row per target.

Func(expr, lo, hi, *keywords): a callable with lo..hi positional arguments.
Class(name, *factories, skip=..., keywords=...): a class of the module: its
    constructor (with its keyword names), its never-initialised instance and,
    on objects made by each factory (default `Name()` and `new(Name)`), every
    public method and attribute but those in skip, the operators, pickling and
    copying. A factory that fails (a class not built yet) only ends its call.
Instance(expr, ...): the same for one object not made by a class call; expr is
    evaluated once in the test process to list its members.

Every factory is also a hostile argument for every other call, so the objects
a class's row makes (handles of another model, removed handles, disposed
models) reach every other target too; helpers that build such objects belong
in fuzz/hostile.py. Names are those of fuzz.hostile."""
from .targets import Class, Func, Instance, add_factories_to_pool

UNPICKLERS = ["TarvexError", "Operand", "tuplelist", "tupledict", "MVar", "MConstr", "LinExpr",
              "QuadExpr", "MLinExpr", "MQuadExpr", "PsdExpr", "TempConstr", "Column"]

TABLE = [
    Func("models", 0, 1),
    Func("disposeDefaultEnv", 0, 1),
    Func("multidict", 0, 2, "d"),
    Func("paramHelp", 0, 2, "name"),
    Func("quicksum", 0, 2, "li"),
    Func("read", 0, 3, "filename", "env"),
    Func("readParams", 0, 2, "filename"),
    Func("resetParams", 0, 1),
    Func("setParam", 0, 3, "name", "value"),
    Func("writeParams", 0, 2, "filename"),
    Func("version", 0, 1),
    Func("didazoda._set_handle_index", 0, 3, "handle", "index"),
    *[Func(f"didazoda._unpickle_{name}", 0, 3) for name in UNPICKLERS],
    Class("TarvexError", "TarvexError(3, 'x')", "TarvexError('\\u00e9')",
          keywords=("arg1", "arg2")),
    Class("Operand"),
    Class("tuplelist", "tuplelist([(1, 2), (1, 3)])", "tuplelist()"),
    Class("tupledict", "tupledict({(1, 2): 1.5})", "tupledict()"),
    Class("Var"),
    Class("MVar", "mvar()", "mvar('removed')", "mvar('stale')", "mvar('mixed')", "mvar('empty')",
          "mvar('0d')", "mvar('reversed')", "MVar.fromlist([1.0, 2.0])", "MVar.fromlist([None])",
          "MVar()"),
    Class("PsdVar", "PsdVar()", "psd_var()"),
    Class("Constr"),
    Class("MConstr", "mconstr()", "mconstr('removed')", "mconstr('stale')", "mconstr('mixed')",
          "mconstr('empty')", "mconstr('reversed')", "MConstr._fromlist([1, None])", "MConstr()"),
    Class("SOS"),
    Class("GenConstr"),
    Class("PsdConstr", "PsdConstr()", "psd_constr()"),
    Class("List"),
    Class("LinExpr"),
    Class("QuadExpr"),
    Class("MLinExpr", "mvar() + 1", "MLinExpr.zeros((2, 2))", "2 * mvar('reversed') - mvar()",
          "mvar('stale') + 1", "MLinExpr.new([1, None])", "MLinExpr()"),
    Class("MQuadExpr", "mvar() * mvar()", "MQuadExpr.zeros(3)", "mvar() ** 2 + mvar('mixed')[0]",
          "MQuadExpr.new([None])", "MQuadExpr()"),
    Class("PsdExpr", "PsdExpr()", "psd_expr()", keywords=("arg1", "arg2")),
    Class("TempConstr"),
    Class("Column"),
    Class("Env", "Env()", "Env(empty=True)", "disposed(Env())",
          keywords=("logfilename", "empty", "params")),
    Class("ParamClass"),
    Class("Model", "Model()", "Model(empty=True)", "disposed(Model())", "psd_model()",
          keywords=("name", "env", "empty")),
    Instance("TVX"),
    # The in-callback methods inside a callback (outside one, the Model row
    # reaches them): their own model's variables as "x0" and "x1".
    *[Func(f"in_callback({name!r})", 0, 5) for name in (
        "cbGet", "cbGetSolution", "cbGetNodeRel", "cbSetSolution", "cbUseSolution", "cbCut",
        "_cbCutP", "cbBranch", "terminate")],
    *[Func(f"in_callback({name!r}, 4)", 0, 5) for name in (
        "cbGet", "cbGetSolution", "cbSetSolution", "cbCut", "cbBranch")],
    Func("in_callback('cbSetSolution', 3)", 0, 3),
]

# Public names not called, and why.
EXCLUDED = {
    "system": "runs a shell command",
}

# Instances of the module's classes are hostile arguments too.
add_factories_to_pool(TABLE)
