import os
import re
import subprocess

import didazoda

HERE = os.path.dirname(didazoda.__file__)
LIBDIR = os.path.join(HERE, "linux64-x86", "lib")


def readelf(*args):
    return subprocess.run(["readelf", *args], capture_output=True, text=True, check=True).stdout


def test_library_loaded_from_beside_the_module():
    with open("/proc/self/maps") as maps:
        paths = {line.split()[-1] for line in maps if "libtarvex" in line}
    assert paths == {os.path.join(LIBDIR, "libtarvex.so.1.0.1")}
    assert os.path.exists(os.path.join(LIBDIR, "libhighs.so"))


def test_module_search_path_and_dependency():
    dynamic = readelf("-d", didazoda.__file__)
    assert "[libtarvex.so.1.0.1]" in dynamic
    assert "[$ORIGIN:$ORIGIN/linux64-x86/lib]" in dynamic


def test_module_exports_entry_and_array_helpers_only():
    symbols = set()
    for line in readelf("--dyn-syms", "-W", didazoda.__file__).splitlines():
        fields = line.split()
        if len(fields) >= 8 and fields[4] == "GLOBAL" and fields[6] != "UND":
            symbols.add(fields[7].split("@")[0])
    numpy_helpers = {s for s in symbols if s.startswith("numpy_")}
    assert len(numpy_helpers) == 21
    assert symbols - numpy_helpers == {"PyInit_didazoda"}


def test_library_exports_only_versioned_tvx_functions():
    for line in readelf("--dyn-syms", "-W", os.path.join(LIBDIR, "libtarvex.so.1.0.1")).splitlines():
        fields = line.split()
        if len(fields) >= 8 and fields[6] != "UND" and fields[4] == "GLOBAL":
            name, _, node = fields[7].partition("@")
            if fields[3] == "OBJECT" and name == "libtarvex.so":
                continue  # the version node itself
            assert re.match(r"TVX\w+$", name), name
            assert node.lstrip("@") == "libtarvex.so", fields[7]
