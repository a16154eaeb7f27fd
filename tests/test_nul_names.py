"""A text the library would see cut at an embedded NUL (file names, element,
model and log names) is refused as Python's own open() refuses such a path,
before anything is written, read or added."""
import os

import numpy as np
import pytest

import didazoda
from didazoda import TVX, Env, Model

NUL = "a\0b"


def counts(m):
    return (m.NumVars, m.NumConstrs, m.NumSOS, m.NumGenConstrs, m.NumPsdVars, m.NumPsdConstrs)


@pytest.fixture
def model():
    m = Model("m")
    x = m.addVar(name="x")
    m.addVar(vtype="B", name="z")
    m.addConstr(x <= 1, name="c")
    return m


def refused(call):
    with pytest.raises(ValueError, match="null"):
        call()


# Each call that names an element it adds: nothing is added.
@pytest.mark.parametrize("add", [
    lambda m, x: m.addVar(name="ab\0cd"),
    lambda m, x: m.addVars(2, name=NUL),
    lambda m, x: m.addVars(["p", "q"], name=["p", NUL]),
    lambda m, x: m.addMVar((2, 3), name=NUL),
    lambda m, x: m.addConstr(x >= 0, name=NUL),
    lambda m, x: m.addLConstr(x, TVX.LESS_EQUAL, 1, NUL),
    lambda m, x: m.addRange(x, 0, 1, NUL),
    lambda m, x: m.addConstrs((x >= k for k in range(3)), name=NUL),
    lambda m, x: m.addMConstr(np.ones((1, 2)), m.getVars(), "<", np.ones(1), name=NUL),
    lambda m, x: m.addGenConstrIndicator(m.getVarByName("z"), True, x <= 0, name=NUL),
    lambda m, x: m.addPsdVar(dim=2, name=NUL),
], ids=["addVar", "addVars", "addVars list", "addMVar", "addConstr", "addLConstr", "addRange",
        "addConstrs", "addMConstr", "indicator", "addPsdVar"])
def test_adding_an_element_named_with_a_nul(model, add):
    x = model.getVarByName("x")
    before = counts(model)
    refused(lambda: add(model, x))
    assert counts(model) == before


def test_a_psd_row_named_with_a_nul(model):
    X = model.addPsdVar(dim=2, name="X")
    before = counts(model)
    refused(lambda: model.addConstr(X * np.eye(2) == 1, name=NUL))
    assert counts(model) == before


@pytest.mark.parametrize("attr, get", [
    ("VarName", lambda m: m.getVars()[0]),
    ("ConstrName", lambda m: m.getConstrs()[0]),
])
def test_renaming_with_a_nul_keeps_the_name(model, attr, get):
    element = get(model)
    old = getattr(element, attr)
    refused(lambda: setattr(element, attr, NUL))
    refused(lambda: model.setAttr(attr, [element], [NUL]))
    refused(lambda: setattr(model, "ModelName", NUL))
    assert getattr(element, attr) == old
    assert model.ModelName == "m"


def test_lookups_and_log_lines(model):
    # "x\0y" is not the name of x.
    refused(lambda: model.getVarByName("x\0y"))
    refused(lambda: model.getConstrByName("c\0d"))
    refused(lambda: model.message("line\0cut"))


def test_file_names(model, tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    model.setParam("MaxTime", 7)
    for name in ["out.lp\0.mps", "out.prm\0.lp", "out.mst\0.x"]:
        refused(lambda name=name: model.write(name))
    (tmp_path / "in.prm").write_text("MaxTime 3\n")
    refused(lambda: model.read("in.prm\0.lp"))
    refused(lambda: didazoda.read("in.prm\0.lp"))
    refused(lambda: didazoda.readParams("in.prm\0.lp"))
    refused(lambda: didazoda.writeParams("out.prm\0.lp"))
    refused(lambda: Env().writeParams("out.prm\0.lp"))
    refused(lambda: Env("run.log\0x"))
    refused(lambda: Model(NUL))
    assert sorted(os.listdir(tmp_path)) == ["in.prm"]
    assert model.Params.MaxTime == 7
