"""Helpers shared by the test files: handles of no model, the independent
evaluator that reads expressions through their accessors only, and Ctrl-C sent
to a child interpreter."""
import ctypes
import signal
import subprocess
import sys
import textwrap
import time

import pytest

import didazoda
from didazoda import LinExpr, QuadExpr, Var

# The value of each variable index: distinct and non-zero, so that a wrong
# coefficient or a swapped variable changes the result.
POINT = {0: 0.75, 1: 1.5, 2: -2.25, 3: 3.125}


def make_var(index, cls=Var):
    """A handle of no model, an instance of cls (a handle class or a subclass
    of one), numbered index. No library call is ever made for it."""
    h = cls()
    didazoda._set_handle_index(h, index)
    return h


def value(o):
    """The value of a number, Var or expression at POINT."""
    if isinstance(o, Var):
        return POINT[o.index]
    if isinstance(o, QuadExpr):
        return value(o.getLinExpr()) + sum(
            float(o.getCoeff(k)) * value(o.getVar1(k)) * value(o.getVar2(k)) for k in range(o.size()))
    if isinstance(o, LinExpr):
        return o.getConstant() + sum(float(o.getCoeff(i)) * value(o.getVar(i)) for i in range(o.size()))
    return float(o)


# A handle is the object header, its solver model pointer, then its index.
HEAD = object.__basicsize__


def set_handle_fields(h, mdl, index):
    """Writes both fields of a handle: only for the tests that need a handle
    to name a model (a pointer the library refuses, or another handle's), which
    no public call can make. Tied to the handle's layout, checked here."""
    assert type(h).__basicsize__ >= HEAD + 12
    ctypes.c_void_p.from_address(id(h) + HEAD).value = mdl
    ctypes.c_int.from_address(id(h) + HEAD + 8).value = index


def handle_fields(h):
    """(model pointer, index) of a handle, read as set_handle_fields writes them."""
    return (ctypes.c_void_p.from_address(id(h) + HEAD).value,
            ctypes.c_int.from_address(id(h) + HEAD + 8).value)


def expr_readers(named):
    """(name, lin, quad) for expressions over the variables of named ({name: var}):
    name(v) is v's name (anything else as it is), lin(e) the (terms, constant) of a
    LinExpr, each term (coefficient, variable name), and quad(q) the (quadratic
    terms, linear terms, constant) of a QuadExpr."""
    names = {id(v): n for n, v in named.items()}

    def name(v):
        return names.get(id(v), v)

    def lin(e):
        return [(e.getCoeff(i), name(e.getVar(i))) for i in range(e.size())], e.getConstant()

    def quad(q):
        terms = [(q.getCoeff(k), name(q.getVar1(k)), name(q.getVar2(k))) for k in range(q.size())]
        return (terms,) + lin(q.getLinExpr())

    return name, lin, quad


def vars_by_name(model):
    """The variables of model, by name."""
    return {v.VarName: v for v in model.getVars()}


def interrupt_child(tmp_path, code, *args, delay):
    """Runs code as a script in a fresh interpreter (args on its command line) and
    sends it SIGINT delay seconds after it prints the line "solving". Returns its
    (stdout, stderr, seconds from the signal to its end)."""
    script = tmp_path / "child.py"
    script.write_text(textwrap.dedent(code))
    child = subprocess.Popen([sys.executable, str(script), *args], stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE, text=True)
    try:
        for line in child.stdout:
            if line.strip() == "solving":
                break
        else:
            pytest.fail("the child ended before solving: " + child.stderr.read())
        time.sleep(delay)
        child.send_signal(signal.SIGINT)
        sent = time.monotonic()
        out, err = child.communicate(timeout=120)
        return out, err, time.monotonic() - sent
    finally:
        if child.poll() is None:
            child.kill()
