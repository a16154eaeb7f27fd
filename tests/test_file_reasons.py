"""A file call that fails says why in the environment's log: the file, the line
and what was wrong, while the error code stays what it was."""
import pytest

import didazoda
from didazoda import TVX, Env, TarvexError

FORMAT, READ, WRITE = (TVX.Error.FORMAT_ERROR, TVX.Error.FILE_READ_ERROR,
                       TVX.Error.FILE_WRITE_ERROR)

MPS_HEAD = "NAME t\nROWS\n N obj\n L R01\nCOLUMNS\n"
LP_HEAD = "Minimize\n obj: x + y\nSubject To\n"


@pytest.fixture
def env(tmp_path):
    return Env(str(tmp_path / "run.log"))


def log_lines(tmp_path):
    return (tmp_path / "run.log").read_text().splitlines()


def refused(call, code):
    with pytest.raises(TarvexError) as info:
        call()
    assert info.value.errno == code


# The line number counts every line of the file, comments and blanks included;
# a reason cut short here is checked up to where it stops.
@pytest.mark.parametrize("name, text, reason", [
    # afiro's .301 made 1e999: the free form's reason, not the fixed form's
    ("range.mps", MPS_HEAD + " X01 obj 1 R01 1e999\nENDATA\n",
     "line 6: '1e999' is beyond the double range in COLUMNS"),
    ("row.mps", MPS_HEAD + "* comment\n\n X01 obj 1 R09 1\nENDATA\n",
     "line 8: unknown row 'R09' in COLUMNS"),
    ("word.mps", MPS_HEAD + " X01 obj one\nENDATA\n", "line 6: 'one' is not a number in COLUMNS"),
    ("fields.mps", MPS_HEAD + " X01 obj 1 R01\nENDATA\n", "line 6: a column and one or two pairs"),
    ("bound.mps", MPS_HEAD + " X01 R01 1\nBOUNDS\n XX BND X01 1\nENDATA\n",
     "line 8: unknown bound type 'XX'"),
    ("col.mps", MPS_HEAD + " X01 R01 1\nBOUNDS\n UP BND X09 1\nENDATA\n",
     "line 8: unknown column 'X09' in BOUNDS"),
    ("dup.mps", "NAME t\nROWS\n N obj\n L R01\n G R01\nENDATA\n", "line 5: a second row named 'R01'"),
    ("section.mps", "NAME t\nROWZ\nENDATA\n", "line 2: unknown section 'ROWZ'"),
    ("cut.mps", MPS_HEAD + " X01 R01 1\n", "the file ends without ENDATA"),
    ("rows.mps", "NAME t\nROWS\n N\nENDATA\n", "line 3: a row type and a name expected in ROWS"),
    ("generic.mps", "NAME t\n stray\nENDATA\n", "line 2: cannot read this line in NAME"),
    ("sum.mps", MPS_HEAD + " X01 R01 1e308 R01 1e308\nENDATA\n",
     "row 'R01': the coefficients of 'X01' add up beyond the double range"),
    ("dup.lp", LP_HEAD + " c: x >= 1\n c: y >= 1\nEnd\n", "line 5: a second constraint named 'c'"),
    ("range.lp", LP_HEAD + " c: x + y >= 1e999\nEnd\n",
     "line 4: '1e999' is beyond the double range"),
    ("token.lp", LP_HEAD + " c: x + y >= 1\nBounds\n\n x <= <=\nEnd\n",
     "line 7: unexpected '<=' in Bounds"),
    ("relation.lp", LP_HEAD + " c: x + y >= 1\n   + 2\nBounds\nEnd\n",
     "line 5: a constraint without a relation (<=, >=, =)"),
    ("quad.lp", LP_HEAD + " c: x ^ 2 <= 1\nEnd\n", "line 4: a quadratic term outside [ ]"),
    ("cut.lp", LP_HEAD + " c: x + y >= 1\n", "the file ends without End"),
    ("sos.lp", LP_HEAD + " c: x + y >= 1\nSOS\n S1:: x:1 x:2\nEnd\n", "SOS set 1 names 'x' twice"),
    ("nul.lp", "Minimize\n obj: x\0\nEnd\n", "line 2: a NUL byte"),
    ("utf8.lp", "Minimize\n obj: x\xff\nEnd\n", "variable 'x?': the name is not valid UTF-8"),
    ("block.dat-s", "1\n1\n2\n1\n1 2 1 1 1\n", "line 5: no block of that number"),
    ("diag.dat-s", "* c\n1\n1\n-2\n1\n1 1 1 2 1\n",
     "line 6: an entry off the diagonal of a diagonal block"),
    ("sides.dat-s", "2\n1\n2\n1 x\n", "line 4: the right-hand sides hold something"),
    ("cut.dat-s", "2\n1\n2\n", "the file ends before its entries"),
    ("model.sol", "x 1\n", '".sol" files hold no model'),
    ("model.txt", "x 1\n", 'unknown file suffix ".txt"'),
])
def test_parse_errors_name_the_file_and_line(tmp_path, env, name, text, reason):
    path = tmp_path / name
    path.write_bytes(text.encode("latin-1"))
    refused(lambda: didazoda.read(str(path), env), FORMAT)
    [line] = log_lines(tmp_path)
    assert line.startswith(f'Reading "{path}" failed: {reason}')


def test_compressed_files_and_open_failures(tmp_path, env):
    broken = tmp_path / "m.mps.gz"
    broken.write_bytes(b"\x1f\x8b\x08\x00 not really gzip")
    refused(lambda: didazoda.read(str(broken), env), FORMAT)
    missing = tmp_path / "missing.lp"
    refused(lambda: didazoda.read(str(missing), env), READ)
    assert log_lines(tmp_path) == [
        f'Reading "{broken}" failed: the gzip data is corrupt or cut short',
        f'Reading "{missing}" failed: cannot open the file: No such file or directory',
    ]


def test_reads_into_a_model_and_writes(tmp_path, env):
    m = didazoda.Model("m", env)
    m.addVar(name="x")
    start = tmp_path / "start.mst"
    start.write_text("# start\nx 1\ny 2\n")
    refused(lambda: m.read(str(start)), FORMAT)
    params = tmp_path / "p.prm"
    params.write_text("MaxTime 5\n\nNumThreads -3\n")
    refused(lambda: m.read(str(params)), TVX.Error.PARAM_SET_ERROR)
    nowhere = tmp_path / "no" / "dir" / "m.lp"
    refused(lambda: m.write(str(nowhere)), WRITE)
    refused(lambda: m.write(str(tmp_path / "m.sol")), TVX.Error.NO_SOLN)
    refused(lambda: m.read(str(tmp_path / "m.lp")), FORMAT)
    assert log_lines(tmp_path) == [
        f'Reading "{start}" failed: line 3: unknown variable \'y\'',
        f'Reading "{params}" failed: line 3: \'-3\' is out of the range of NumThreads [-1, 1024]',
        f'Writing "{nowhere}" failed: cannot create the file: No such file or directory',
        f'Writing "{tmp_path / "m.sol"}" failed: the model has no solution to write',
        f'Reading "{tmp_path / "m.lp"}" failed: ".lp" files are read as a new model, not into one',
    ]


def test_a_model_no_format_can_state(tmp_path, env):
    m = didazoda.Model("m", env)
    x = m.addVar(name="x")
    m.addRange(x, 2, 1, "crossed")
    refused(lambda: m.write(str(tmp_path / "m.mps")), FORMAT)
    assert log_lines(tmp_path) == [
        f'Writing "{tmp_path / "m.mps"}" failed: row \'crossed\': MPS cannot state a lower side '
        "above the upper side, or one more than the double range below it"]


def test_a_model_sdpa_cannot_state(tmp_path, env):
    m = didazoda.Model("m", env)
    m.addVar(ub=2, name="x")
    refused(lambda: m.write(str(tmp_path / "m.dat-s")), FORMAT)
    assert log_lines(tmp_path) == [
        f'Writing "{tmp_path / "m.dat-s"}" failed: variable 0 is not continuous in [0, inf), '
        "as the format's are"]


def test_success_and_unlogged_environments_write_nothing(model_from_text, tmp_path, env):
    m = model_from_text(LP_HEAD + " c: x + y >= 1\nEnd\n", "good.lp", env)
    m.write(str(tmp_path / "again.mps"))
    assert log_lines(tmp_path) == []
    # Without a log the failure is only the exception.
    refused(lambda: didazoda.read(str(tmp_path / "missing.lp"), Env()), READ)
    assert log_lines(tmp_path) == []
