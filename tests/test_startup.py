import builtins
import ctypes
import importlib
import inspect
import os
import pickle
import shutil
import subprocess
import sys
import sysconfig
import types

import pytest

import didazoda

ALL = [
    "TVX", "models", "disposeDefaultEnv", "multidict", "paramHelp", "quicksum", "read",
    "readParams", "resetParams", "setParam", "system", "writeParams", "version",
    "TarvexError", "tuplelist", "tupledict", "Var", "MVar", "Constr", "SOS", "GenConstr",
    "MConstr", "PsdVar", "PsdConstr", "LinExpr", "QuadExpr", "MLinExpr", "MQuadExpr",
    "PsdExpr", "TempConstr", "Column", "Env", "Model",
]

CLASSES = [
    "TarvexError", "Operand", "tuplelist", "tupledict", "Var", "MVar", "PsdVar", "Constr",
    "MConstr", "SOS", "GenConstr", "PsdConstr", "List", "LinExpr", "QuadExpr", "MLinExpr",
    "MQuadExpr", "PsdExpr", "TempConstr", "Column", "Env", "ParamClass", "Model",
]
PLAIN_METACLASS = {"Operand", "List", "ParamClass"}


def test_all_names_in_order():
    assert didazoda.__all__ == ALL
    for name in ALL[1:]:
        assert hasattr(didazoda, name), name


def test_reimport_returns_same_module_and_state():
    before = didazoda.__all__
    del sys.modules["didazoda"]
    again = importlib.import_module("didazoda")
    assert again is didazoda
    assert again.__all__ is before


def test_exec_on_another_module_object_is_refused():
    lib = ctypes.PyDLL(didazoda.__file__)
    lib.PyInit_didazoda.restype = ctypes.c_void_p
    definition = lib.PyInit_didazoda()
    exec_def = ctypes.pythonapi.PyModule_ExecDef
    exec_def.argtypes = [ctypes.py_object, ctypes.c_void_p]
    exec_def.restype = ctypes.c_int
    with pytest.raises(RuntimeError) as info:
        exec_def(types.ModuleType("didazoda"), definition)
    assert str(info.value) == (
        "Module 'tarvexpy' has already been imported. Re-initialisation is not supported.")
    assert sys.modules["didazoda"] is didazoda
    # Running it again on the recorded module is a no-op.
    assert exec_def(didazoda, definition) == 0


@pytest.mark.parametrize("name", CLASSES)
def test_class_metaclass(name):
    cls = getattr(didazoda, name)
    assert cls.__module__ == "didazoda"
    meta = type(cls)
    if name in PLAIN_METACLASS:
        assert meta is type
    else:
        assert meta is not type and issubclass(meta, type)
        assert meta.__name__ == "MetaClass"
        assert meta.__qualname__ == "__getmetaclass__.<locals>.MetaClass"
        assert meta.__module__ == "didazoda"


def test_metaclasses_are_distinct():
    assert type(didazoda.Model) is not type(didazoda.Env)


@pytest.mark.parametrize("sub, base, expected", [
    ("TarvexError", Exception, True),
    ("tuplelist", list, True),
    ("tupledict", dict, True),
    ("Var", "Operand", True),
    ("MQuadExpr", "Operand", True),
    ("LinExpr", "Operand", True),
    ("PsdVar", "Operand", False),
    ("MConstr", "Operand", False),
])
def test_bases(sub, base, expected):
    if isinstance(base, str):
        base = getattr(didazoda, base)
    assert issubclass(getattr(didazoda, sub), base) is expected


def test_builtins_attribute_is_the_builtins_module():
    assert didazoda.__builtins__ is builtins


def test_private_variables_are_not_attributes():
    for name in ("callbackLock", "_default_env", "attrs", "params", "constant", "signature"):
        assert not hasattr(didazoda, name), name


def test_array_priority_is_int_and_inherited():
    assert didazoda.Operand.__array_priority__ == 1000
    assert type(didazoda.Operand.__array_priority__) is int
    assert didazoda.Var.__array_priority__ is didazoda.Operand.__array_priority__


def test_constructor_docstrings():
    assert "LinExpr" in didazoda.LinExpr.__init__.__doc__
    assert didazoda.Var.__init__.__doc__ == object.__init__.__doc__
    # Attaching a docstring must never touch the shared slot wrappers.
    assert list.__init__.__doc__ == didazoda.tuplelist.__mro__[1].__init__.__doc__
    assert "tuplelist" not in list.__init__.__doc__


def test_module_functions_report_argument_names():
    assert str(inspect.signature(didazoda.read)) == "(filename, env=None)"
    assert str(inspect.signature(didazoda.system)) == "(*args, **kwargs)"
    assert str(inspect.signature(didazoda.paramHelp)) == "(name=None)"
    assert didazoda.read.__module__ == "didazoda"


def test_version():
    v = didazoda.version()
    assert v == (1, 0, 1)
    assert all(type(x) is int for x in v)
    assert "SIGNATURE:" in didazoda.version.__doc__


@pytest.mark.parametrize("name", ["Var", "Constr", "SOS", "GenConstr", "PsdVar", "PsdConstr"])
def test_handles_refuse_pickling(name):
    with pytest.raises(TypeError, match=r"^self\.mdl_ cannot be converted to a Python object "
                                        r"for pickling$"):
        pickle.dumps(getattr(didazoda, name)())


def test_operand_pickles():
    assert type(pickle.loads(pickle.dumps(didazoda.Operand()))) is didazoda.Operand


def test_star_import_brings_all(run_python):
    r = run_python("""
        import didazoda
        ns = {}
        exec("from didazoda import *", ns)
        missing = [n for n in didazoda.__all__ if n not in ns]
        assert not missing, missing
        print("ok")
    """)
    assert r.returncode == 0, r.stderr
    assert r.stdout.strip() == "ok"


def test_second_interpreter_refused(run_python):
    r = run_python("""
        import didazoda
        import _testcapi
        code = (
            "import sys\\n"
            "try:\\n"
            "    import didazoda\\n"
            "except ImportError as e:\\n"
            "    sys.stdout.write(str(e))\\n"
        )
        assert _testcapi.run_in_subinterp(code) == 0
    """)
    if "No module named '_testcapi'" in r.stderr:
        pytest.skip("no _testcapi")
    assert r.returncode == 0, r.stderr
    assert r.stdout == ("Interpreter change detected - this module can only be loaded "
                        "into one interpreter per process.")


def test_failed_start_up_leaves_nothing_behind(run_python):
    r = run_python("""
        import sys, traceback
        sys.modules["numpy"] = None
        try:
            import didazoda
        except ImportError:
            tb = traceback.format_exc()
            assert "init tarvexpy" in tb, tb
        else:
            raise SystemExit("import should fail")
        assert "didazoda" not in sys.modules
        del sys.modules["numpy"]
        import didazoda
        assert didazoda.version() == (1, 0, 1)
        print("ok")
    """)
    assert r.returncode == 0, r.stderr
    assert r.stdout.strip() == "ok"


def test_no_warning_on_matching_interpreter(run_python):
    r = run_python("import didazoda", "-W", "error::RuntimeWarning")
    assert r.returncode == 0, r.stderr


# The running interpreter's version text comes from Py_GetVersion(), which a
# preloaded library can replace when the interpreter links libpython shared.
# Other compiled modules imported on the way may warn too: only ours is shown.
RECORD_WARNINGS = ("import warnings\n"
                   "with warnings.catch_warnings(record=True) as caught:\n"
                   "    warnings.simplefilter('always')\n"
                   "    import didazoda\n"
                   "for w in caught:\n"
                   "    if 'tarvexpy' in str(w.message):\n"
                   "        print(w.category.__name__, w.message)\n")
SHIM = 'const char *Py_GetVersion(void) { return "%s (main, Jan 1 2000, 00:00:00) [GCC]"; }\n'


@pytest.fixture
def run_with_version(tmp_path):
    compiler = shutil.which("cc") or shutil.which("gcc")
    if not compiler or not sysconfig.get_config_var("Py_ENABLE_SHARED"):
        pytest.skip("needs a C compiler and a shared libpython to replace Py_GetVersion")

    def run(version, *flags, code=RECORD_WARNINGS):
        src = tmp_path / "shim.c"
        lib = tmp_path / ("shim-%s.so" % version)
        src.write_text(SHIM % version)
        subprocess.run([compiler, "-shared", "-fPIC", "-o", str(lib), str(src)], check=True)
        env = dict(os.environ)
        env["LD_PRELOAD"] = " ".join(filter(None, [env.get("LD_PRELOAD"), str(lib)]))
        return subprocess.run([sys.executable, *flags, "-c", code], env=env, capture_output=True,
                              text=True, timeout=120)

    return run


def test_version_mismatch_warns(run_with_version):
    major, minor = sys.version_info[:2]
    r = run_with_version("%d.%d.0" % (major, minor + 1))
    assert r.returncode == 0, r.stderr
    assert r.stdout.splitlines() == [
        "RuntimeWarning compile time Python version %d.%d of module 'tarvexpy' does not match "
        "runtime version %d.%d" % (major, minor, major, minor + 1)]


@pytest.mark.parametrize("micro", ["0", "99"])
def test_version_with_other_micro_does_not_warn(run_with_version, micro):
    r = run_with_version("%d.%d.%s" % (sys.version_info[0], sys.version_info[1], micro))
    assert r.returncode == 0, r.stderr
    assert r.stdout == ""


def test_version_warning_as_error_fails_import(run_with_version):
    major, minor = sys.version_info[:2]
    r = run_with_version("%d.%d.1" % (major + 1, minor), "-W", "error::RuntimeWarning",
                         code="import didazoda")
    assert r.returncode != 0
    assert ("RuntimeWarning: compile time Python version %d.%d of module 'tarvexpy' does not "
            "match runtime version %d.%d" % (major, minor, major + 1, minor)) in r.stderr
