"""Parameters: name matching, the setter, Model.Params, getParamInfo, resetParams."""
import copy
import math
import pickle

import pytest

import didazoda
from didazoda import Env, Model, ParamClass, TarvexError

INVALID_ARGUMENT = -3
PARAM_SET_ERROR = -4000


def lines(capsys):
    return capsys.readouterr().out.splitlines()


def env_value(env, name, tmp_path):
    """The value of one parameter of env, read back from a parameter file."""
    path = tmp_path / "env.prm"
    env.writeParams(str(path))
    for line in path.read_text().splitlines():
        key, value = line.split()
        if key == name:
            try:
                return int(value)
            except ValueError:
                return float(value)
    raise KeyError(name)


@pytest.fixture
def model():
    m = Model("m", Env())
    yield m
    m.dispose()


# Each writer sets a parameter by name and reads it back by canonical name.
class ModelWriter:
    def __init__(self, tmp_path):
        self.m = Model("w", Env())

    def set(self, name, value):
        assert self.m.setParam(name, value) is None

    def get(self, canonical):
        return self.m.getParamInfo(canonical)[2]


class ParamsWriter(ModelWriter):
    def set(self, name, value):
        setattr(self.m.Params, name, value)


class EnvWriter:
    def __init__(self, tmp_path):
        self.env, self.tmp_path = Env(), tmp_path
        self.result = None

    def set(self, name, value):
        self.result = self.env.setParam(name, value)
        assert self.result in (True, False)

    def get(self, canonical):
        return env_value(self.env, canonical, self.tmp_path)


WRITERS = [ModelWriter, ParamsWriter, EnvWriter]

AMBIGUOUS_GAP = "Matching parameters: ['MIP/GapAbs', 'MIP/GapRel']"
AMBIGUOUS_ITER = "Matching parameters: ['SPX/MaxIterations', 'IPM/MaxIterations']"

# name as written -> parameter it sets (None: nothing), printed lines
SPELLINGS = [
    ("MIP/GapRel", "MIP/GapRel", ["Set parameter MIP/GapRel to value 0.25"]),
    ("mip_gaprel", "MIP/GapRel", ["Set parameter MIP/GapRel to value 0.25"]),
    ("mip_GAPREL", "MIP/GapRel", ["Set parameter MIP/GapRel to value 0.25"]),
    ("Mip/gapREL", "MIP/GapRel", ["Set parameter MIP/GapRel to value 0.25"]),
    ("mip_gap?el", "MIP/GapRel", ["Set parameter MIP/GapRel to value 0.25"]),
    ("MaxT*", "MaxTime", ["Set parameter MaxTime to value 0.25"]),
    ("[m]axtime", "MaxTime", ["Set parameter MaxTime to value 0.25"]),
    ("MIP/Gap*", None, [AMBIGUOUS_GAP, "No parameters matching 'MIP/Gap*' found"]),
    ("*MaxIterations", None, [AMBIGUOUS_ITER, "No parameters matching '*MaxIterations' found"]),
    ("NoSuchThing", None, ["No parameters matching 'NoSuchThing' found"]),
    ("MaxTime\0", None, ["No parameters matching 'MaxTime\0' found"]),
]


@pytest.mark.parametrize("writer", WRITERS)
@pytest.mark.parametrize("name, target, printed", SPELLINGS, ids=[s[0] for s in SPELLINGS])
def test_names_in_every_spelling(writer, name, target, printed, capsys, tmp_path):
    w = writer(tmp_path)
    before = {p: w.get(p) for p in ("MIP/GapRel", "MIP/GapAbs", "MaxTime")}
    capsys.readouterr()
    w.set(name, 0.25)
    assert lines(capsys) == printed
    after = {p: w.get(p) for p in before}
    expected = dict(before, **({target: 0.25} if target else {}))
    assert after == expected
    if writer is EnvWriter:
        assert w.result is (target is not None)


@pytest.mark.parametrize("name, target, printed", SPELLINGS, ids=[s[0] for s in SPELLINGS])
def test_reading_in_every_spelling(model, name, target, printed, capsys):
    model.setParam("MIP/GapRel", 0.125)
    model.setParam("MaxTime", 0.5)
    capsys.readouterr()
    if target is None:
        with pytest.raises(AttributeError) as info:
            getattr(model.Params, name)
        assert str(info.value) == "Param `{}` does not exist".format(name)
        assert lines(capsys) == printed[:-1]  # the ambiguity line only
        assert model.getParamInfo(name) is None
        assert lines(capsys) == printed[:-1]
    else:
        assert getattr(model.Params, name) == {"MIP/GapRel": 0.125, "MaxTime": 0.5}[target]
        assert model.getParamInfo(name)[0] == target
        assert lines(capsys) == []


@pytest.mark.parametrize("writer", WRITERS)
@pytest.mark.parametrize("name, word, default", [
    ("MaxTime", "default", 1e20), ("maxtime", "DEFAULT", 1e20),
    ("MIP/GapRel", "Default", None), ("Method", "default", None),
])
def test_default_restores(writer, name, word, default, capsys, tmp_path):
    w = writer(tmp_path)
    canonical = {"maxtime": "MaxTime"}.get(name, name)
    original = w.get(canonical)
    if default is not None:
        assert original == default
    w.set(name, 2)
    assert w.get(canonical) == 2
    capsys.readouterr()

    class Word(str):
        pass

    w.set(name, Word(word))
    assert w.get(canonical) == original
    assert lines(capsys) == ["Set parameter {} to value {}".format(canonical, original)]


# name, value, printed value, stored value or exception (text)
CONVERSIONS = [
    ("Method", 2.7, "2.7", 2),
    ("Method", -1.9, "-1.9", -1),
    ("Method", True, "True", 1),
    ("Method", "2", "2", 2),
    ("MaxTime", 10, "10", 10.0),
    ("MaxTime", "12.5", "12.5", 12.5),
    ("MIP/GapAbs", 1e-06, "1e-06", 1e-06),
    ("Method", "abc", "abc", ValueError),
    ("Method", "1.5", "1.5", ValueError),
    ("Method", None, "None", TypeError),
    ("Method", [1], "[1]", TypeError),
    ("Method", float("nan"), "nan", ValueError),
    ("Method", 2 ** 31, str(2 ** 31), (OverflowError, "value too large to convert to int")),
    ("Method", 1e300, "1e+300", (OverflowError, "value too large to convert to int")),
    ("MaxTime", "x", "x", ValueError),
    ("MaxTime", None, "None", TypeError),
    ("Method", 4, "4", PARAM_SET_ERROR),  # above its maximum
    ("MaxTime", -1, "-1", PARAM_SET_ERROR),
    ("MaxTime", float("nan"), "nan", PARAM_SET_ERROR),
]


@pytest.mark.parametrize("name, value, shown, outcome", CONVERSIONS)
def test_conversions(model, name, value, shown, outcome, capsys):
    before = model.getParamInfo(name)[2]
    capsys.readouterr()
    if isinstance(outcome, (int, float)) and not isinstance(outcome, bool) \
            and outcome != PARAM_SET_ERROR:
        model.setParam(name, value)
        stored = model.getParamInfo(name)[2]
        assert stored == outcome and type(stored) is type(outcome)
    else:
        exc, text = outcome if isinstance(outcome, tuple) else (outcome, None)
        if exc == PARAM_SET_ERROR:
            exc = TarvexError
        with pytest.raises(exc) as info:
            model.setParam(name, value)
        if text:
            assert str(info.value) == text
        if exc is TarvexError:
            assert info.value.errno == PARAM_SET_ERROR
        assert model.getParamInfo(name)[2] == before
    # Printed before the value is converted, so also for a refused value.
    assert lines(capsys) == ["Set parameter {} to value {}".format(name, shown)]


def test_value_rendered_by_format(model, capsys):
    class Shown(float):
        def __format__(self, spec):
            return "three"

        def __str__(self):
            return "not this"

    model.setParam("MaxTime", Shown(3))
    assert lines(capsys) == ["Set parameter MaxTime to value three"]
    assert model.Params.MaxTime == 3.0


def test_get_param_info(model, capsys):
    model.setParam("Method", 2)
    model.setParam("MaxTime", 7.5)
    capsys.readouterr()
    for name, expected, ptype, current in [
            ("Method", "Method", int, 2), ("max_time", None, None, None),
            ("MaxTime", "MaxTime", float, 7.5), ("mip_gaprel", "MIP/GapRel", float, 1e-4)]:
        info = model.getParamInfo(name)
        if expected is None:
            assert info is None
            continue
        assert type(info) is tuple and len(info) == 6
        canonical, got_type, cur, lo, hi, default = info
        assert canonical == expected and got_type is ptype
        assert all(type(v) is ptype for v in info[2:])
        assert cur == current and lo <= default <= hi and lo <= cur <= hi
    assert model.getParamInfo("MaxTime")[5] == 1e20
    assert math.isinf(model.getParamInfo("MaxTime")[4])
    assert lines(capsys) == []
    assert model.getParamInfo(name="Method")[2] == 2


def test_models_of_one_environment_are_independent(capsys, tmp_path):
    env = Env()
    env.setParam("MaxTime", 30)
    a, b = Model("a", env), Model("b", env)
    assert a.Params.MaxTime == b.Params.MaxTime == 30
    a.setParam("MaxTime", 5)
    a.Params.Method = 1
    assert (a.Params.MaxTime, a.Params.Method) == (5, 1)
    assert (b.Params.MaxTime, b.Params.Method) == (30, -1)
    assert env_value(env, "MaxTime", tmp_path) == 30
    # The environment's later settings reach neither model.
    env.setParam("MaxTime", 99)
    assert (a.Params.MaxTime, b.Params.MaxTime) == (5, 30)
    # resetParams resets only its own model.
    a.resetParams()
    assert (a.Params.MaxTime, a.Params.Method, b.Params.MaxTime) == (1e20, -1, 30)
    # A model outlives its Env with its parameters.
    env.dispose()
    assert b.Params.MaxTime == 30
    b.Params.MaxTime = 12
    assert b.getParamInfo("MaxTime")[2] == 12
    for m in (a, b):
        m.dispose()
    capsys.readouterr()


def test_env_params_go_through_the_setter(capsys, tmp_path):
    env = Env(params={"maxt*": 5, "MIP/Gap*": 1, "mip_GAPABS": 0.5, "Method": "default"})
    assert lines(capsys) == [
        "Set parameter MaxTime to value 5",
        AMBIGUOUS_GAP, "No parameters matching 'MIP/Gap*' found",
        "Set parameter MIP/GapAbs to value 0.5",
        "Set parameter Method to value -1",
    ]
    assert env_value(env, "MaxTime", tmp_path) == 5
    assert env_value(env, "MIP/GapAbs", tmp_path) == 0.5
    assert env.setParam("MIP/Gap?el", 0.75) is True
    assert env.setParam("MIP/Gap*", 1) is False
    assert env_value(env, "MIP/GapRel", tmp_path) == 0.75


def test_params_object(model, capsys):
    p = model.Params
    assert type(p) is ParamClass and model.params is p
    assert type(p.MaxTime) is float and type(p.Method) is int
    assert p.__class__ is ParamClass  # own members are never parameters
    assert p.__getattr__("mip_gaprel") == p.MIP_GapRel == getattr(p, "mip/GAPREL")
    assert not hasattr(p, "NoSuchThing")
    assert lines(capsys) == []

    p.MaxTime = 60
    assert model.Params.MaxTime == 60.0
    p.NoSuchThing = 1  # only reported
    assert lines(capsys) == ["Set parameter MaxTime to value 60",
                             "No parameters matching 'NoSuchThing' found"]
    with pytest.raises(AttributeError):
        del p.MaxTime
    assert p.MaxTime == 60.0
    assert "MaxTime" not in dir(p)


def test_params_subclass_matches_once(model, capsys):
    class Sub(ParamClass):
        pass

    sub = Sub()
    Model.Params.__set__(model, sub)
    with pytest.raises(AttributeError, match="^Param `MIP/Gap\\*` does not exist$"):
        sub.__getattr__("MIP/Gap*")
    with pytest.raises(AttributeError, match="^Param `MIP/Gap\\*` does not exist$"):
        getattr(sub, "MIP/Gap*")
    assert lines(capsys) == [AMBIGUOUS_GAP, AMBIGUOUS_GAP]

    class Own(ParamClass):
        def __getattr__(self, name):
            return "own " + name

    assert Own().MaxTime == "own MaxTime"


@pytest.mark.parametrize("call, exc, text", [
    (lambda m: m.setParam(5, 1), AttributeError, "'int' object has no attribute 'replace'"),
    (lambda m: m.setParam(b"MaxTime", 1), TypeError, None),
    (lambda m: m.getParamInfo(None), AttributeError,
     "'NoneType' object has no attribute 'replace'"),
    (lambda m: m.Params.__getattr__(5), AttributeError,
     "'int' object has no attribute 'replace'"),
    (lambda m: setattr(m.Params, 5, 1), TypeError, None),
    (lambda m: m.setParam("MaxTime"), TypeError,
     "setParam() takes exactly 2 positional arguments (1 given)"),
    (lambda m: m.getParamInfo(), TypeError,
     "getParamInfo() takes exactly 1 positional argument (0 given)"),
    (lambda m: m.resetParams(1), TypeError,
     "resetParams() takes exactly 0 positional arguments (1 given)"),
    (lambda m: m.setParam(paramname="MaxTime", value=1), TypeError,
     "setParam() got an unexpected keyword argument 'paramname'"),
])
def test_argument_errors(model, call, exc, text, capsys):
    with pytest.raises(exc) as info:
        call(model)
    if text:
        assert str(info.value) == text
    assert model.Params.MaxTime == 1e20
    assert lines(capsys) == []


def test_keywords(model, capsys):
    assert model.setParam(value=3, name="MaxTime") is None
    assert model.getParamInfo(name="MaxTime")[2] == 3
    assert model.resetParams() is None
    assert model.Params.MaxTime == 1e20


@pytest.mark.parametrize("dump", [pickle.dumps, copy.copy, copy.deepcopy])
def test_params_pickling_refused(model, dump):
    with pytest.raises(TypeError) as info:
        dump(model.Params)
    assert str(info.value) == "self.env_ cannot be converted to a Python object for pickling"


def disposed_model():
    m = Model("gone", Env())
    p = m.Params
    m.dispose()
    return m, p


DEAD_CALLS = {
    "setParam": lambda m, p: m.setParam("MaxTime", 1),
    "setParam_nomatch": lambda m, p: m.setParam("nothing", 1),
    "getParamInfo": lambda m, p: m.getParamInfo("MaxTime"),
    "resetParams": lambda m, p: m.resetParams(),
    "read": lambda m, p: p.MaxTime,
    "write": lambda m, p: setattr(p, "Method", 1),
    "write_default": lambda m, p: setattr(p, "Method", "default"),
}


@pytest.mark.parametrize("make", [
    disposed_model,
    lambda: (Model(empty=True), ParamClass()),
], ids=["disposed", "empty"])
@pytest.mark.parametrize("call", DEAD_CALLS.values(), ids=list(DEAD_CALLS))
def test_dead_model_raises(make, call, capsys):
    m, p = make()
    with pytest.raises(TarvexError) as info:
        call(m, p)
    assert info.value.errno == INVALID_ARGUMENT
    assert info.value.message == TarvexError(INVALID_ARGUMENT).message
    # An unmatched name on the parameter object still only fails to match.
    with pytest.raises(AttributeError):
        p.NoSuchThing
    capsys.readouterr()


def test_dead_owner_refused_before_printing(capsys):
    m = Model(empty=True)
    env = Env()
    env.dispose()
    for call in (lambda: m.setParam("MIP/Gap*", 1), lambda: m.getParamInfo("MIP/Gap*"),
                 lambda: env.setParam("MaxTime", 1)):
        with pytest.raises(TarvexError):
            call()
    assert lines(capsys) == []


class Disposing:
    """A value whose conversion disposes the owner being set."""

    def __init__(self, owner):
        self.owner = owner

    def __index__(self):
        self.owner.dispose()
        return 1

    __int__ = __index__

    def __float__(self):
        self.owner.dispose()
        return 1.0


@pytest.mark.parametrize("name", ["Method", "MaxTime"])
@pytest.mark.parametrize("kind", ["model", "params", "env"])
def test_owner_disposed_during_conversion(kind, name, capsys):
    env = Env()
    m = Model("m", env)
    owner = env if kind == "env" else m
    with pytest.raises(TarvexError) as info:
        if kind == "env":
            env.setParam(name, Disposing(owner))
        elif kind == "model":
            m.setParam(name, Disposing(owner))
        else:
            setattr(m.Params, name, Disposing(owner))
    assert info.value.errno == INVALID_ARGUMENT
    capsys.readouterr()
    m.dispose()


def test_output_follows_sys_stdout(model, monkeypatch):
    import io
    import sys
    out = io.StringIO()
    monkeypatch.setattr(sys, "stdout", out)
    model.setParam("MaxT*", 4)
    model.setParam("MIP/Gap*", 4)
    assert out.getvalue() == ("Set parameter MaxTime to value 4\n" + AMBIGUOUS_GAP +
                              "\nNo parameters matching 'MIP/Gap*' found\n")


def test_binding():
    assert Model.setParam.__qualname__ == "Model.setParam"
    for name in ("setParam", "resetParams", "getParamInfo"):
        doc = getattr(Model, name).__doc__
        assert doc.startswith("\n        SIGNATURE:\n            " + name + "(")
    assert "ParamClass" not in didazoda.__all__
