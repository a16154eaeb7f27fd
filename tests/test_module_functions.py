"""Module functions on models and parameters: models, setParam, readParams,
resetParams, writeParams, paramHelp.

These functions look at the global names of the Python code that calls them,
so the calls run in code executed with exec() in a dictionary of globals.
"""
import textwrap

import pytest

import didazoda
from didazoda import TVX, Env, Model, TarvexError

SET_MAXTIME = "Set parameter MaxTime to value 7"
MAXTIME_DEFAULT = Model("d", Env()).getParamInfo("MaxTime")[5]


@pytest.fixture(autouse=True)
def no_default_env():
    didazoda.disposeDefaultEnv()
    yield
    didazoda.disposeDefaultEnv()


def lines(capsys):
    return capsys.readouterr().out.splitlines()


def run(code, g=None):
    """Executes code with g (a fresh dict by default) as its globals; returns g."""
    g = {"didazoda": didazoda, "Model": Model, "Env": Env} if g is None else g
    exec(textwrap.dedent(code), g)
    return g


# A live model in its own Env, one disposed, one created empty: the walks
# must skip the last two, whose handles are freed or were never made.
MIXED = """
    live = Model("live", Env())
    dead = Model("dead", Env())
    dead.dispose()
    empty = Model(empty=True)
"""


def maxtime(model):
    return model.getParamInfo("MaxTime")[2]


def file_params(path):
    return dict(line.split() for line in path.read_text().splitlines())


# ---- models -----------------------------------------------------------------------


def test_models_lists_every_model_bound_to_a_global_name(capsys):
    g = run(MIXED + """
    class Sub(Model):
        pass
    sub = Sub("sub", Env())
    twice = alias = live
    not_a_model = [live]
    didazoda.models()
    """)
    names = ["live", "dead", "empty", "sub", "twice", "alias"]
    assert lines(capsys) == ["Currently loaded models:"] + [f"{n} : {g[n]}" for n in names]
    assert str(g["live"]).startswith("<didazoda.Model object at 0x")


@pytest.mark.parametrize("code", [
    "didazoda.models()",
    # Locals of a function are not searched, only its module's globals.
    "def f():\n    m = Model('local', Env())\n    didazoda.models()\nf()",
])
def test_models_without_global_models(capsys, code):
    run(code)
    assert lines(capsys) == ["No models currently loaded"]


def test_models_with_no_calling_frame(run_python):
    # Called straight from native code at exit: there is no caller to search.
    p = run_python("""
        import atexit, didazoda
        m = didazoda.Model("m", didazoda.Env())
        atexit.register(didazoda.models)
    """)
    assert (p.returncode, p.stdout, p.stderr) == (0, "No models currently loaded\n", "")


# ---- setParam, readParams, resetParams: the walks -------------------------------------


def test_nothing_happens_without_default_env_or_models(capsys, tmp_path):
    run("""
    didazoda.setParam("MaxTime", 10)
    didazoda.readParams("missing.prm")
    didazoda.readParams(123)  # the file name is looked at only for an environment
    didazoda.resetParams()
    """)
    assert lines(capsys) == []
    didazoda.writeParams(str(tmp_path / "p.prm"))
    assert lines(capsys) == ["Failed to write parameters because default environment has been "
                             "disposed"]
    assert list(tmp_path.iterdir()) == []


# name, value, lines printed per environment visited
SETTINGS = [
    ("MaxTime", 7, [SET_MAXTIME]),
    ("maxti*", 7, [SET_MAXTIME]),
    ("nothing", 1, ["No parameters matching 'nothing' found"]),
    ("*MaxIterations", 5, ["Matching parameters: ['SPX/MaxIterations', 'IPM/MaxIterations']",
                           "No parameters matching '*MaxIterations' found"]),
]


@pytest.mark.parametrize("name, value, printed", SETTINGS)
def test_setparam_visits_default_env_then_each_found_model(capsys, tmp_path, name, value,
                                                           printed):
    # Model() creates the default environment; `alias` names `m` again, so m is set twice.
    g = run(MIXED + f"""
    m = alias = Model("m")
    didazoda.setParam({name!r}, {value!r})
    """)
    assert lines(capsys) == printed * 4  # default env, live, m, alias
    expected = 7.0 if printed == [SET_MAXTIME] else MAXTIME_DEFAULT
    assert (maxtime(g["live"]), maxtime(g["m"])) == (expected, expected)
    didazoda.writeParams(str(tmp_path / "default.prm"))
    assert float(file_params(tmp_path / "default.prm")["MaxTime"]) == expected


def test_setparam_error_stops_the_walk(capsys):
    g = run("""
    a = Model("a", Env())
    b = Model("b", Env())
    """)
    with pytest.raises(ValueError):
        run('didazoda.setParam("Method", "abc")', g)
    # Printed before the conversion failed; b was never reached.
    assert lines(capsys) == ["Set parameter Method to value abc"]


class DisposingOut:
    """A stdout whose first write disposes one model."""

    def __init__(self, model):
        self.model, self.text = model, ""

    def write(self, s):
        if self.model is not None:
            self.model.dispose()
            self.model = None
        self.text += s

    def flush(self):
        pass


@pytest.mark.parametrize("victim, error", [("b", None), ("a", TarvexError)])
def test_models_disposed_during_the_walk_never_reach_the_library(monkeypatch, victim, error):
    g = run("""
    a = Model("a", Env())
    b = Model("b", Env())
    """)
    out = DisposingOut(g[victim])
    monkeypatch.setattr("sys.stdout", out)
    if error:
        # a's own line disposed it before its value was sent.
        with pytest.raises(error) as info:
            run('didazoda.setParam("MaxTime", 7)', g)
        assert info.value.errno == TVX.Error.INVALID_ARGUMENT
    else:
        run('didazoda.setParam("MaxTime", 7)', g)
        assert maxtime(g["a"]) == 7.0
    assert out.text.splitlines() == [SET_MAXTIME]


def test_parameter_files_round_trip_through_every_environment(capsys, tmp_path):
    saved, again = tmp_path / "saved.prm", tmp_path / "again.prm"
    g = run(MIXED + f"""
    m = Model("m")
    didazoda.setParam("MaxTime", 7)
    didazoda.setParam("Method", 2)
    didazoda.writeParams({str(saved)!r})
    didazoda.resetParams()
    """)
    capsys.readouterr()
    assert file_params(saved)["Method"] == "2"
    for model in (g["live"], g["m"]):
        assert (maxtime(model), model.Params.Method) == (MAXTIME_DEFAULT, -1)
    didazoda.writeParams(str(again))
    assert file_params(again)["Method"] == "-1"

    run(f"didazoda.readParams({str(saved)!r})", g)
    for model in (g["live"], g["m"]):
        assert (maxtime(model), model.Params.Method) == (7.0, 2)
    didazoda.writeParams(str(again))
    assert again.read_text() == saved.read_text()
    assert lines(capsys) == []


@pytest.mark.parametrize("filename, errno", [
    ("missing.prm", TVX.Error.FILE_READ_ERROR),
    ("bad.prm", TVX.Error.FORMAT_ERROR),
])
def test_readparams_failure_raises_and_changes_nothing(tmp_path, filename, errno):
    (tmp_path / "bad.prm").write_text("NoSuchParameter 1\n")
    g = run("m = Model('m', Env())\nm.Params.MaxTime = 7")
    with pytest.raises(TarvexError) as info:
        run(f"didazoda.readParams({str(tmp_path / filename)!r})", g)
    assert info.value.errno == errno
    assert maxtime(g["m"]) == 7.0


def test_writeparams_errors(tmp_path):
    Model("m")  # creates the default environment
    with pytest.raises(TarvexError) as info:
        didazoda.writeParams(str(tmp_path / "no" / "such" / "dir.prm"))
    assert info.value.errno == TVX.Error.FILE_WRITE_ERROR
    with pytest.raises(TypeError):
        didazoda.writeParams(5)


# ---- paramHelp ------------------------------------------------------------------------

GAPABS = ["MIP/GapAbs (float)", "    Set absolute gap allowed for a MIP model"]


@pytest.mark.parametrize("name, printed", [
    ("MaxTime", ["MaxTime (float)", "    Set the maximum solve time"]),
    ("MIP/GapAbs", GAPABS),
    ("mip_gapabs", GAPABS),
    ("Mip/GAPABS", GAPABS),
    ("IPM*", ["Matching parameters: ['IPM/MaxIterations', 'IPM/PrimalTolerance', "
              "'IPM/DualTolerance', 'IPM/GapTolerance']"]),
    ("maxtim?", ["Matching parameters: ['MaxTime']"]),
    ("zz*", ["Matching parameters: []"]),
    ("nothing", []),
    ("[m]axtime", []),  # brackets alone do not select the wildcard mode
])
def test_paramhelp(capsys, name, printed):
    assert didazoda.paramHelp(name) is None
    assert lines(capsys) == printed


def test_paramhelp_lists_every_parameter(capsys):
    didazoda.paramHelp()
    out = lines(capsys)
    assert len(out) == 2 * 33
    assert out[:2] == ["Method (int)", "    Set the selected optimization method"]
    blocks = [out[i:i + 2] for i in range(0, len(out), 2)]
    for block in blocks:
        didazoda.paramHelp(block[0].split(" (")[0])
        assert lines(capsys) == block


@pytest.mark.parametrize("name, exc", [(5, AttributeError), (b"MaxTime", TypeError)])
def test_paramhelp_name_must_be_text(name, exc):
    with pytest.raises(exc):
        didazoda.paramHelp(name)


# ---- Calling forms ----------------------------------------------------------------------


@pytest.mark.parametrize("call, text", [
    (lambda: didazoda.models(1), "models() takes exactly 0 positional arguments (1 given)"),
    (lambda: didazoda.resetParams(1), "resetParams() takes exactly 0 positional arguments "
                                      "(1 given)"),
    (lambda: didazoda.writeParams(), "writeParams() takes exactly 1 positional argument "
                                     "(0 given)"),
    (lambda: didazoda.paramHelp("a", "b"), "paramHelp() takes at most 1 positional argument "
                                           "(2 given)"),
])
def test_argument_counts(call, text):
    with pytest.raises(TypeError) as info:
        call()
    assert str(info.value) == text


def test_keywords_and_docstrings():
    didazoda.setParam(name="MaxTime", value=1)
    didazoda.paramHelp(name="nothing")
    didazoda.readParams(filename="unused.prm")
    docs = {
        didazoda.models: "models()",
        didazoda.setParam: "setParam(paramname, paramvalue)",
        didazoda.readParams: "readParams(filename)",
        didazoda.resetParams: "resetParams()",
        didazoda.writeParams: "writeParams(filename)",
        didazoda.paramHelp: "paramHelp(paramname)",
    }
    for f, sig in docs.items():
        assert f.__doc__.startswith(f"\n    SIGNATURE:\n        {sig}\n\n    PURPOSE:\n        ")
