// Model files: MPS (free and fixed form), QPS and LP, plain and compressed,
// read into stores that are compared field by field with what the file
// states; malformed files, missing files and unknown suffixes; the
// compressed stream layer in both directions; TVXreadmodel.
#include <bzlib.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "io/file_io.h"
#include "io/formats.h"
#include "io/model_files.h"
#include "store/store.h"
#include "tarvex.h"
#include "model_text.h"
#include "test_support.h"

namespace {

using namespace test_support;
using namespace model_text;

namespace fs = std::filesystem;
using tvx::Compression;
using tvx::Store;

// ---- Fixtures on disk -----------------------------------------------------

// Compressed with the libraries' own one-shot interfaces, independent of
// the stream layer under test.
std::string gzip(const std::string &text) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::string out(deflateBound(&z, text.size()) + 64, '\0');
  z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(text.data()));
  z.avail_in = static_cast<uInt>(text.size());
  z.next_out = reinterpret_cast<Bytef *>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

std::string bzip2(const std::string &text) {
  auto size = static_cast<unsigned>(text.size() + text.size() / 100 + 600);
  std::string out(size, '\0');
  EXPECT_EQ(BZ2_bzBuffToBuffCompress(out.data(), &size, const_cast<char *>(text.data()),
                                     static_cast<unsigned>(text.size()), 9, 0, 0),
            BZ_OK);
  out.resize(size);
  return out;
}

std::string gunzip(const std::string &data) {
  z_stream z{};
  EXPECT_EQ(inflateInit2(&z, 16 + MAX_WBITS), Z_OK);
  std::string out;
  char buf[4096];
  z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  int rc;
  do {
    z.next_out = reinterpret_cast<Bytef *>(buf);
    z.avail_out = sizeof buf;
    rc = inflate(&z, Z_NO_FLUSH);
    out.append(buf, sizeof buf - z.avail_out);
  } while (rc == Z_OK);
  EXPECT_EQ(rc, Z_STREAM_END);
  inflateEnd(&z);
  return out;
}

std::string bunzip2(const std::string &data, std::size_t size) {
  std::string out(size + 1, '\0');
  auto got = static_cast<unsigned>(out.size());
  EXPECT_EQ(BZ2_bzBuffToBuffDecompress(out.data(), &got, const_cast<char *>(data.data()),
                                       static_cast<unsigned>(data.size()), 0, 0),
            BZ_OK);
  out.resize(got);
  return out;
}

std::string encode(const std::string &text, Compression c) {
  switch (c) {
    case Compression::Gzip:
      return gzip(text);
    case Compression::Bzip2:
      return bzip2(text);
    default:
      return text;
  }
}

const char *suffix_of(Compression c) {
  switch (c) {
    case Compression::Gzip:
      return ".gz";
    case Compression::Bzip2:
      return ".bz2";
    default:
      return "";
  }
}

// Writes text, compressed as the name's suffix says, as base + suffix.
std::string fixture(const std::string &base, const std::string &text,
                    Compression c = Compression::None) {
  const fs::path path = temp_dir() / (base + suffix_of(c));
  put_bytes(path, encode(text, c));
  return path.string();
}

// ---- One model in every format ---------------------------------------------

// Each section the readers know, with values that tell the fields apart.
const char kRichMps[] = R"(* every section the reader knows
NAME          demo
OBJSENSE
    MAX
ROWS
 N  obj
 E  r_eq
 L  r_le
 G  r_ge
 N  r_free
 L  ind1
COLUMNS
    x         obj       1            r_eq      1
    x         r_le      2            ind1      1
    MARKER    'MARKER'  'INTORG'
    y         obj       -1           r_eq      1
    y         r_ge      3
    MARKER    'MARKER'  'INTEND'
    b         obj       0.5
    f         r_free    1            r_ge      -1
    m         obj       0
    n         r_le      1.5
    z         obj       2            ind1      1
    s         r_ge      1
    k         obj       1e-3
RHS
    RHS       obj       -2.5         r_eq      5
    RHS       r_le      10           r_ge      1
    RHS       ind1      3
RANGES
    RNG       r_eq      -8           r_le      4
    RNG       r_ge      2
BOUNDS
 UP BND       x         4
 UP BND       y         10
 BV BND       b
 FR BND       f
 MI BND       m
 UP BND       m         5
 UP BND       n         -2
 FX BND       z         3
 SC BND       s         8
 LI BND       k         2
 UP BND       k         1e30
SOS
 S1 SOS       s1        1
    s1        x         1
    s1        y         2
 S2 SOS       s2        2
    s2        f         1
    s2        m         2
    s2        n         3
QUADOBJ
    x         x         2
    x         y         3
INDICATORS
 IF ind1      b         1
ENDATA
)";

const char kRichLp[] = R"(\Problem name: demo
Maximize
 obj: x - y + 0.5 b + 0 f + 0 m + 0 n + 2 z + 0 s + 0.001 k
      + [ 2 x ^ 2 + 6 x * y ] / 2 + 2.5
Subject To
 r_eq: -3 <= x + y <= 5
 r_le: 6 <= 2 x + 1.5 n <= 10
 r_ge: 1 <= 3 y - f + s <= 3
 r_free: f >= -inf
 ind1: b = 1 -> x + z <= 3
Bounds
 x <= 4
 y <= 10
 f free
 -inf <= m <= 5
 -inf <= n <= -2
 z = 3
 s <= 8
 2 <= k <= 1e30
General
 y k
Binary
 b
Semi-Continuous
 s
SOS
 s1: S1:: x:1 y:2
 s2: S2:: f:1 m:2 n:3
End
)";

// Written out by hand from the files above.
const char kRichModel[] = R"(model 'demo' sense -1 objcon 2.5
var 'x' C [0, 4] obj 1
var 'y' I [0, 10] obj -1
var 'b' B [0, 1] obj 0.5
var 'f' C [-1e+20, 1e+20] obj 0
var 'm' C [-1e+20, 5] obj 0
var 'n' C [-1e+20, -2] obj 0
var 'z' C [3, 3] obj 2
var 's' S [0, 8] obj 0
var 'k' I [2, 1e+30] obj 0.001
row 'r_eq' [-3, 5] 0:1 1:1
row 'r_le' [6, 10] 0:2 5:1.5
row 'r_ge' [1, 3] 1:3 3:-1 7:1
row 'r_free' [-1e+20, 1e+20] 3:1
sos 1 0:1 1:2
sos 2 3:1 4:2 5:3
ind 'ind1' x2=1 < 3 0:1 6:1
q 0 0 1
q 0 1 3
)";

struct FormatCase {
  const char *label;
  const char *suffix;
  const char *text;
  Compression compression;
};

class RichModel : public ::testing::TestWithParam<FormatCase> {};

TEST_P(RichModel, ReadsExactlyWhatTheFileStates) {
  const FormatCase &c = GetParam();
  const std::string path =
      fixture(std::string("rich_") + c.label + c.suffix, c.text, c.compression);
  int rc;
  EXPECT_EQ(read_back(path, &rc), kRichModel);
  EXPECT_EQ(rc, TVX_ERROR_OKAY);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, RichModel,
    ::testing::Values(FormatCase{"mps", ".mps", kRichMps, Compression::None},
                      FormatCase{"mps_gz", ".mps", kRichMps, Compression::Gzip},
                      FormatCase{"mps_bz2", ".mps", kRichMps, Compression::Bzip2},
                      FormatCase{"qps", ".qps", kRichMps, Compression::None},
                      FormatCase{"qps_gz", ".QPS", kRichMps, Compression::Gzip},
                      FormatCase{"lp", ".lp", kRichLp, Compression::None},
                      FormatCase{"lp_gz", ".lp", kRichLp, Compression::Gzip},
                      FormatCase{"lp_bz2", ".lp", kRichLp, Compression::Bzip2}),
    NameBy<&FormatCase::label>());

// ---- Fixed-form MPS -------------------------------------------------------

// A line with fields at the fixed columns 2, 5, 15, 25, 40 and 50.
std::string fixed_line(const std::vector<std::string> &fields) {
  static const std::size_t kStart[] = {1, 4, 14, 24, 39, 49};
  std::string line;
  for (std::size_t k = 0; k < fields.size(); ++k) {
    line.resize(kStart[k], ' ');
    line += fields[k];
  }
  return line + "\n";
}

TEST(FixedMps, NamesWithBlanksAndAnEmptyVectorName) {
  std::string text = "NAME          fixed form\nROWS\n";
  text += fixed_line({"N", "COST"}) + fixed_line({"L", "LIM 1"}) + fixed_line({"G", "LIM 2"}) +
          fixed_line({"E", "MY EQN"});
  text += "COLUMNS\n";
  text += fixed_line({"", "X ONE", "COST", "1.0", "LIM 1", "1.0"});
  text += fixed_line({"", "X ONE", "LIM 2", "1.0"});
  text += fixed_line({"", "Y TWO", "COST", "2.0", "LIM 1", "1.0"});
  text += fixed_line({"", "Y TWO", "MY EQN", "-1.0"});
  text += "RHS\n" + fixed_line({"", "", "LIM 1", "4.0", "LIM 2", "1.0"});
  text += "RANGES\n" + fixed_line({"", "RNG", "MY EQN", "2.0"});
  text +=
      "BOUNDS\n" + fixed_line({"UP", "BND", "X ONE", "4.0"}) + fixed_line({"MI", "BND", "Y TWO"});
  text += "ENDATA\n";
  int rc;
  EXPECT_EQ(read_back(fixture("fixed.mps", text), &rc),
            "model 'fixed form' sense 1 objcon 0\n"
            "var 'X ONE' C [0, 4] obj 1\n"
            "var 'Y TWO' C [-1e+20, 1e+20] obj 2\n"
            "row 'LIM 1' [-1e+20, 4] 0:1 1:1\n"
            "row 'LIM 2' [1, 1e+20] 0:1\n"
            "row 'MY EQN' [0, 2] 1:-1\n");
  EXPECT_EQ(rc, TVX_ERROR_OKAY);
}

// ---- What other writers produce -------------------------------------------

struct TextCase {
  const char *label;
  const char *filename;
  const char *text;
  const char *model;
};

class Liberal : public ::testing::TestWithParam<TextCase> {};

TEST_P(Liberal, Accepts) {
  const TextCase &c = GetParam();
  int rc;
  EXPECT_EQ(read_back(fixture(c.filename, c.text), &rc), c.model);
  EXPECT_EQ(rc, TVX_ERROR_OKAY);
}

INSTANTIATE_TEST_SUITE_P(
    Written, Liberal,
    ::testing::Values(
        // Byte order mark, CRLF, tabs, comments, blank lines, lower-case
        // sections, the sense on the header line, an RHS without a vector
        // name, a coefficient given twice, no final newline.
        TextCase{"MpsLayout", "layout.mps",
                 "\xEF\xBB\xBFNAME\r\n* comment\r\n\r\nobjsense maximize\r\nrows\r\n N obj\r\n"
                 "\tL c1\r\n  \t \r\nCOLUMNS\r\n x obj 1 c1 1\r\n\tx\tc1\t1\r\n"
                 "RHS\r\n c1 4\r\nENDATA",
                 "model '' sense -1 objcon 0\n"
                 "var 'x' C [0, 1e+20] obj 1\n"
                 "row 'c1' [-1e+20, 4] 0:2\n"},
        // OBJNAME picks the second N row and the first stays as a free row;
        // only the first RHS vector counts; a negative UP after an explicit
        // LO 0 keeps it; QMATRIX lists the whole matrix, halved per term.
        TextCase{"MpsObjnameQmatrix", "q.qps",
                 "NAME q\nOBJNAME\n cost2\nROWS\n N cost1\n N cost2\n G c\nCOLUMNS\n"
                 " x cost1 5 cost2 1\n x cost2 1 c 1\n y cost2 2 c 1\n"
                 "RHS\n R1 c 1 cost2 4\n R2 c 7\nBOUNDS\n LO B y 0\n UP B y -1\n"
                 "QMATRIX\n x x 2\n x y 1\n y x 1\nENDATA\n",
                 "model 'q' sense 1 objcon -4\n"
                 "var 'x' C [0, 1e+20] obj 2\n"
                 "var 'y' C [0, -1] obj 2\n"
                 "row 'cost1' [-1e+20, 1e+20] 0:5\n"
                 "row 'c' [1, 1e+20] 0:1 1:1\n"
                 "q 0 0 1\nq 0 1 0.5\nq 1 0 0.5\n"},
        // SOS header "name S1" with weightless members; a member's set name
        // left out; an indicator on value 0 of a G row.
        TextCase{"MpsSosIndicator", "sos.mps",
                 "NAME\nROWS\n N obj\n G g\nCOLUMNS\n a g 1\n b g 2\n c obj 1\n"
                 "RHS\n rhs g 1.5\nBOUNDS\n BV bnd c\nSOS\n set1 S2\n a\n b\n c\n"
                 "INDICATORS\n IF g c 0\nENDATA\n",
                 "model '' sense 1 objcon 0\n"
                 "var 'a' C [0, 1e+20] obj 0\n"
                 "var 'b' C [0, 1e+20] obj 0\n"
                 "var 'c' B [0, 1] obj 1\n"
                 "sos 2 0:1 1:2 2:3\n"
                 "ind 'g' x2=0 > 1.5 0:1 1:2\n"},
        // Comments, spellings, terms over lines, "3x", =< and =>, constants
        // on the terms' side, unnamed rows, a constant first, a range with
        // >=, an explicit zero (a number too small for a double), repeated
        // terms adding up, weightless SOS members, text after End.
        TextCase{"LpSpellings", "spell.lp",
                 "\\ a comment\nminimise\n  cost: 3x + 2 y\n    - z   \\ trailing\ns.t.\n"
                 "  c1: x + y + 2 =< 6\n  -x + 2 y => -1\n  c3: 3 >= z\n"
                 "  c4: 2 x - x + 1e-400 y = 1\n  c5: 5 >= x >= 1\nbounds\n  x >= -infinity\n"
                 "  y <= +inf\ngenerals\n  y\nbinaries\n  z\nsos\n  S2:: x y z\nend\n"
                 "this is never read\n",
                 "model '' sense 1 objcon 0\n"
                 "var 'x' C [-1e+20, 1e+20] obj 3\n"
                 "var 'y' I [0, 1e+20] obj 2\n"
                 "var 'z' B [0, 1] obj -1\n"
                 "row 'c1' [-1e+20, 4] 0:1 1:1\n"
                 "row '' [-1, 1e+20] 0:-1 1:2\n"
                 "row 'c3' [-1e+20, 3] 2:1\n"
                 "row 'c4' [1, 1] 0:1 1:0\n"
                 "row 'c5' [1, 5] 0:1\n"
                 "sos 2 0:1 1:2 2:3\n"},
        // Sections in another order; variables first named in Bounds or
        // General; a binary keeps a bound stated for it; an indicator on 0
        // with >=; a keyword used as a name where an operator follows it;
        // quadratic terms without "/ 2" and a negated bracket.
        TextCase{"LpOrderAndNames", "order.lp",
                 "Minimize\n obj: [ x * y ] - [ 4 y ^ 2 ] / 2\nBounds\n b <= 0\n -5 <= w\n"
                 "Binary\n b\nSubject To\n bin + w >= 1\n on: b = 0 -> w + x >= 2\n"
                 "General\n g\nEnd\n",
                 "model '' sense 1 objcon 0\n"
                 "var 'x' C [0, 1e+20] obj 0\n"
                 "var 'y' C [0, 1e+20] obj 0\n"
                 "var 'b' B [0, 0] obj 0\n"
                 "var 'w' C [-5, 1e+20] obj 0\n"
                 "var 'bin' C [0, 1e+20] obj 0\n"
                 "var 'g' I [0, 1e+20] obj 0\n"
                 "row '' [1, 1e+20] 4:1 3:1\n"
                 "ind 'on' x2=0 > 2 3:1 0:1\n"
                 "q 0 1 1\nq 1 1 -2\n"},
        // A constant first with each relation, and constants on both sides.
        TextCase{"LpConstantFirst", "first.lp",
                 "Minimize\n obj: x\nSubject To\n a: 2 <= x\n b: 4 = x + y\n"
                 " c: -1 >= y - 3\nEnd\n",
                 "model '' sense 1 objcon 0\n"
                 "var 'x' C [0, 1e+20] obj 1\n"
                 "var 'y' C [0, 1e+20] obj 0\n"
                 "row 'a' [2, 1e+20] 0:1\n"
                 "row 'b' [4, 4] 0:1 1:1\n"
                 "row 'c' [-1e+20, 2] 1:1\n"},
        // Names with symbols, brackets inside names among quadratic brackets.
        TextCase{"LpNamesWithSymbols", "names.lp",
                 "Minimize\n obj: 2 x[1] + y(2,3) + [ x[1] * y(2,3)]/2\nSubject To\n"
                 " c.1#: x[1] - y(2,3) >= 0\nEnd\n",
                 "model '' sense 1 objcon 0\n"
                 "var 'x[1]' C [0, 1e+20] obj 2\n"
                 "var 'y(2,3)' C [0, 1e+20] obj 1\n"
                 "row 'c.1#' [0, 1e+20] 0:1 1:-1\n"
                 "q 0 1 0.5\n"}),
    NameBy<&TextCase::label>());

// ---- MPS bounds ------------------------------------------------------------

// Free-form BOUNDS lines with and without a vector name and a value, and the
// columns x and y they leave.
struct BoundCase {
  const char *label;
  const char *bounds;
  const char *x, *y;  // type, bounds and objective
};

class MpsBounds : public ::testing::TestWithParam<BoundCase> {};

TEST_P(MpsBounds, SetWhatTheLinesState) {
  const BoundCase &c = GetParam();
  const std::string text =
      std::string("NAME\nROWS\n N obj\nCOLUMNS\n x obj 1\n y obj 2\nBOUNDS\n") + c.bounds +
      "ENDATA\n";
  int rc;
  EXPECT_EQ(read_back(fixture("bounds.mps", text), &rc),
            std::string("model '' sense 1 objcon 0\nvar 'x' ") + c.x + "\nvar 'y' " + c.y + "\n");
  EXPECT_EQ(rc, TVX_ERROR_OKAY);
}

const char kX[] = "C [0, 1e+20] obj 1", kY[] = "C [0, 1e+20] obj 2";

INSTANTIATE_TEST_SUITE_P(
    FreeForm, MpsBounds,
    ::testing::Values(
        BoundCase{"UpperWithoutVector", " UP x 4\n", "C [0, 4] obj 1", kY},
        BoundCase{"FreeWithoutVector", " FR x\n", "C [-1e+20, 1e+20] obj 1", kY},
        BoundCase{"MinusThenUpper", " MI x\n UP x 5\n", "C [-1e+20, 5] obj 1", kY},
        BoundCase{"PlusAfterUpper", " UP x 4\n PL x\n", kX, kY},
        BoundCase{"Fixed", " FX x 2.5\n", "C [2.5, 2.5] obj 1", kY},
        BoundCase{"Binary", " BV x\n", "B [0, 1] obj 1", kY},
        BoundCase{"IntegerBounds", " LI x 2\n UI x 7\n", "I [2, 7] obj 1", kY},
        BoundCase{"NegativeIntegerUpper", " UI x -3\n", "I [-1e+20, -3] obj 1", kY},
        BoundCase{"NegativeUpperTwice", " UP x -1\n UP x -2\n", "C [-1e+20, -2] obj 1", kY},
        BoundCase{"SemiWithoutValue", " SC x\n", "S [0, 1e+20] obj 1", kY},
        BoundCase{"SemiValueWithoutVector", " SC x 8\n", "S [0, 8] obj 1", kY},
        BoundCase{"SemiIntegerWithoutValue", " SI x\n", "N [0, 1e+20] obj 1", kY},
        BoundCase{"SemiIntegerValue", " SI bnd x 6\n", "N [0, 6] obj 1", kY},
        // A type without a value whose third field is a column: the second
        // field names the vector.
        BoundCase{"VectorNamedLikeAColumn", " MI x y\n", kX, "C [-1e+20, 1e+20] obj 2"},
        BoundCase{"OnlyTheFirstVector", " UP b1 x 4\n UP b2 x 9\n LO b2 y 1\n", "C [0, 4] obj 1",
                  kY}),
    NameBy<&BoundCase::label>());

// ---- Refused files --------------------------------------------------------

struct BadCase {
  const char *label;
  const char *filename;
  std::string text;
};

class Malformed : public ::testing::TestWithParam<BadCase> {};

// Through the C interface, so that "no model" means no handle at all.
TEST_P(Malformed, IsFormatErrorAndNoModel) {
  const BadCase &c = GetParam();
  const std::string path = fixture(c.filename, c.text);
  TVXenv *env = nullptr;
  ASSERT_EQ(TVXloadenv(&env, ""), TVX_ERROR_OKAY);
  TVXmodel *model = reinterpret_cast<TVXmodel *>(&env);  // must be cleared
  EXPECT_EQ(TVXreadmodel(env, path.c_str(), &model), kFormat);
  EXPECT_EQ(model, nullptr);
  EXPECT_EQ(TVXfreeenv(env), TVX_ERROR_OKAY);
}

const char kMpsHead[] = "NAME t\nROWS\n N obj\n L c\n E e\nCOLUMNS\n x obj 1 c 1\n y c 2 e 1\n";
const char kLpHead[] = "Minimize\n obj: x + y\nSubject To\n";

std::string mps(const std::string &tail) { return kMpsHead + tail; }
std::string lp(const std::string &tail) { return kLpHead + tail; }

INSTANTIATE_TEST_SUITE_P(
    Bad, Malformed,
    ::testing::Values(
        BadCase{"Empty", "empty.mps", ""}, BadCase{"MpsNoEndata", "a.mps", mps("RHS\n rhs c 1\n")},
        BadCase{"MpsUnknownSection", "a.mps", mps("QCMATRIX c\n x x 1\nENDATA\n")},
        BadCase{"MpsDataBeforeSection", "a.mps", " N obj\nROWS\n N obj\nENDATA\n"},
        BadCase{"MpsUnknownRow", "a.mps", mps(" z nosuchrow 1\nENDATA\n")},
        BadCase{"MpsFieldCount", "a.mps", mps(" z c 1 e\nENDATA\n")},
        BadCase{"MpsBadRowType", "a.mps", "NAME\nROWS\n X r\nENDATA\n"},
        BadCase{"MpsDuplicateRow", "a.mps", "NAME\nROWS\n N obj\n L c\n G c\nENDATA\n"},
        BadCase{"MpsBadNumber", "a.mps", mps(" z c 1.5.2\nENDATA\n")},
        BadCase{"MpsNaN", "a.mps", mps("RHS\n rhs c nan\nENDATA\n")},
        BadCase{"MpsOverflow", "a.mps", mps("RHS\n rhs c 1e999\nENDATA\n")},
        BadCase{"MpsInfiniteCoefficient", "a.mps", mps(" z c inf\nENDATA\n")},
        BadCase{"MpsUnknownMarker", "a.mps", mps(" M 'MARKER' 'SOSORG'\nENDATA\n")},
        BadCase{"MpsRhsUnknownRow", "a.mps", mps("RHS\n rhs nosuchrow 1\nENDATA\n")},
        BadCase{"MpsBoundUnknownColumn", "a.mps", mps("BOUNDS\n UP bnd w 1\nENDATA\n")},
        BadCase{"MpsBadBoundType", "a.mps", mps("BOUNDS\n XX bnd x 1\nENDATA\n")},
        BadCase{"MpsBoundWithoutValue", "a.mps", mps("BOUNDS\n UP x\nENDATA\n")},
        BadCase{"MpsBoundBadValue", "a.mps", mps("BOUNDS\n UP bnd x 1e\nENDATA\n")},
        BadCase{"MpsBoundValueIsAColumn", "a.mps", mps("BOUNDS\n UP x y\nENDATA\n")},
        BadCase{"MpsBoundTypeOnly", "a.mps", mps("BOUNDS\n FR\nENDATA\n")},
        BadCase{"MpsBoundFieldCount", "a.mps", mps("BOUNDS\n UP bnd x 1 extra\nENDATA\n")},
        BadCase{"MpsBoundManyFields", "a.mps", mps("BOUNDS\n UP a b c d e f g h\nENDATA\n")},
        BadCase{"MpsSosMemberFirst", "a.mps", mps("SOS\n x 1\nENDATA\n")},
        BadCase{"MpsSosTwice", "a.mps", mps("SOS\n S1 SOS s\n x 1\n x 2\nENDATA\n")},
        BadCase{"MpsQuadUnknownColumn", "a.mps", mps("QUADOBJ\n x w 1\nENDATA\n")},
        BadCase{"MpsIndicatorValue", "a.mps", mps("INDICATORS\n IF c x 2\nENDATA\n")},
        BadCase{"MpsIndicatorOnObjective", "a.mps", mps("INDICATORS\n IF obj x 1\nENDATA\n")},
        BadCase{"MpsIndicatorOnRange", "a.mps",
                mps("RANGES\n rng c 2\nINDICATORS\n IF c x 1\nENDATA\n")},
        BadCase{"MpsIndicatorTwice", "a.mps", mps("INDICATORS\n IF c x 1\n IF c y 1\nENDATA\n")},
        BadCase{"MpsObjnameNotFound", "a.mps",
                "NAME\nOBJNAME cost\nROWS\n N obj\nCOLUMNS\n x obj 1\nENDATA\n"},
        BadCase{"MpsBadSense", "a.mps", "NAME\nOBJSENSE\n UP\nROWS\n N obj\nENDATA\n"},
        BadCase{"MpsNotUtf8", "a.mps", mps(" \xff\xfe c 1\nENDATA\n")},
        BadCase{"MpsNulByte", "a.mps", mps(std::string(" z c 1\0\nENDATA\n", 14))},
        BadCase{"LpNoEnd", "a.lp", lp(" c: x + y <= 1\n")},
        BadCase{"LpNothingBeforeSection", "a.lp", "x + y\nMinimize\n obj: x\nEnd\n"},
        BadCase{"LpNoRelation", "a.lp", lp(" c: x + y 1\nEnd\n")},
        BadCase{"LpNoRightHandSide", "a.lp", lp(" c: x + y <=\nEnd\n")},
        BadCase{"LpDanglingSign", "a.lp", lp(" c: x + >= 1\nEnd\n")},
        BadCase{"LpVariableOnRight", "a.lp", lp(" c: x >= y\nEnd\n")},
        BadCase{"LpQuadraticConstraint", "a.lp", lp(" c: [ x ^ 2 ] <= 1\nEnd\n")},
        BadCase{"LpQuadraticOutsideBrackets", "a.lp", "Minimize\n obj: x ^ 2\nEnd\n"},
        BadCase{"LpCubic", "a.lp", "Minimize\n obj: [ x ^ 3 ] / 2\nEnd\n"},
        BadCase{"LpLinearInBrackets", "a.lp", "Minimize\n obj: [ x ] / 2\nEnd\n"},
        BadCase{"LpUnclosedBracket", "a.lp", "Minimize\n obj: [ x ^ 2\nEnd\n"},
        BadCase{"LpZeroDivisor", "a.lp", "Minimize\n obj: [ x ^ 2 ] / 0\nEnd\n"},
        BadCase{"LpMixedRange", "a.lp", lp(" c: 1 <= x >= 3\nEnd\n")},
        BadCase{"LpDuplicateName", "a.lp", lp(" c: x <= 1\n c: y <= 1\nEnd\n")},
        BadCase{"LpIndicatorValue", "a.lp", lp(" c: x = 2 -> y <= 1\nEnd\n")},
        BadCase{"LpIndicatorTerm", "a.lp", lp(" c: 2 x = 1 -> y <= 1\nEnd\n")},
        BadCase{"LpIndicatorRelation", "a.lp", lp(" c: x <= 1 -> y <= 1\nEnd\n")},
        BadCase{"LpIndicatorConstant", "a.lp", lp(" c: x + 1 = 1 -> y <= 1\nEnd\n")},
        BadCase{"LpIndicatorTwoTerms", "a.lp", lp(" c: x + y = 1 -> y <= 1\nEnd\n")},
        BadCase{"LpIndicatorQuadraticBody", "a.lp", lp(" c: x = 1 -> [ y ^ 2 ] <= 1\nEnd\n")},
        BadCase{"LpIndicatorBodyNoTerms", "a.lp", lp(" c: x = 1 -> 3 <= 1\nEnd\n")},
        BadCase{"LpIndicatorBodyNoRelation", "a.lp", lp(" c: x = 1 -> y 1\nEnd\n")},
        BadCase{"LpIndicatorBodyVariableOnRight", "a.lp", lp(" c: x = 1 -> y <= z\nEnd\n")},
        BadCase{"LpRelationOnly", "a.lp", lp(" c: <= 3\nEnd\n")},
        BadCase{"LpConstantFirstNoTerms", "a.lp", lp(" c: 3 <=\nEnd\n")},
        BadCase{"LpConstantFirstQuadratic", "a.lp", lp(" c: 3 <= [ x ^ 2 ]\nEnd\n")},
        BadCase{"LpEqualRange", "a.lp", lp(" c: 1 = x = 3\nEnd\n")},
        BadCase{"LpRangeVariableOnRight", "a.lp", lp(" c: 1 <= x <= y\nEnd\n")},
        BadCase{"LpTwoObjectives", "a.lp", "Minimize\n x\nMaximize\n y\nEnd\n"},
        BadCase{"LpSecondObjectiveRow", "a.lp", "Minimize\n o1: x\n o2: y\nEnd\n"},
        BadCase{"LpBadBound", "a.lp", "Minimize\n x\nBounds\n x <= y\nEnd\n"},
        BadCase{"LpNumberInGeneral", "a.lp", "Minimize\n x\nGeneral\n x 3\nEnd\n"},
        BadCase{"LpSosMemberFirst", "a.lp", "Minimize\n x\nSOS\n x:1\nEnd\n"},
        BadCase{"LpOverflow", "a.lp", lp(" c: 1e999 x <= 1\nEnd\n")},
        BadCase{"LpUnsupportedSection", "a.lp", lp(" c: x <= 1\nUser Cuts\n u: x <= 2\nEnd\n")},
        BadCase{"GzipOfNothing", "a.lp.gz", "not compressed at all\n"},
        BadCase{"Bzip2OfNothing", "a.mps.bz2", "not compressed at all\n"},
        BadCase{"GzipNamedBzip2", "a.lp.bz2", gzip("Minimize\n x\nEnd\n")},
        BadCase{"GzipTruncated", "t.lp.gz", gzip(std::string(kRichLp)).substr(0, 200)},
        BadCase{"Bzip2Truncated", "t.lp.bz2", bzip2(std::string(kRichLp)).substr(0, 200)},
        BadCase{"GzipTrailingGarbage", "g.lp.gz", gzip("Minimize\n x\nEnd\n") + "junk"}),
    NameBy<&BadCase::label>());

// A flipped bit anywhere in the compressed data is caught (by the CRC when
// the stream still decodes).
TEST(Compressed, CorruptionIsFormatError) {
  for (const Compression c : {Compression::Gzip, Compression::Bzip2}) {
    const std::string good = encode(kRichMps, c);
    for (const std::size_t at : {good.size() / 3, good.size() / 2, good.size() - 6}) {
      std::string bad = good;
      bad[at] = static_cast<char>(bad[at] ^ 0x10);
      const fs::path path = temp_dir() / (std::string("corrupt.mps") + suffix_of(c));
      put_bytes(path, bad);
      Store s;
      EXPECT_EQ(tvx::read_model_file(path.string().c_str(), s), kFormat)
          << suffix_of(c) << " byte " << at;
    }
  }
}

// Members and streams written one after another read as one text.
TEST(Compressed, ConcatenatedStreamsReadAsOne) {
  const std::string text = kRichMps;
  const std::size_t half = text.size() / 2;
  for (const Compression c : {Compression::Gzip, Compression::Bzip2}) {
    const fs::path path = temp_dir() / (std::string("concat.mps") + suffix_of(c));
    put_bytes(path, encode(text.substr(0, half), c) + encode(text.substr(half), c));
    int rc;
    EXPECT_EQ(read_back(path.string(), &rc), kRichModel) << suffix_of(c);
    EXPECT_EQ(rc, TVX_ERROR_OKAY);
  }
}

TEST(ModelFiles, MissingFileIsReadErrorUnknownSuffixFormatError) {
  const std::string existing = fixture("exists.lp", kRichLp);
  const std::string dir = (temp_dir() / "adir.mps").string();
  fs::create_directory(dir);
  const struct {
    std::string path;
    int rc;
  } cases[] = {
      {(temp_dir() / "missing.mps").string(), TVX_ERROR_FILE_READ_ERROR},
      {(temp_dir() / "missing.lp.gz").string(), TVX_ERROR_FILE_READ_ERROR},
      {(temp_dir() / "missing.qps.bz2").string(), TVX_ERROR_FILE_READ_ERROR},
      {dir, TVX_ERROR_FILE_READ_ERROR},
      // The suffix is judged before the file is looked for.
      {fixture("model.txt", kRichLp), kFormat},
      {fixture("model", kRichLp), kFormat},
      {fixture("model.gz", gzip(kRichLp)), kFormat},
      {fixture("lp", kRichLp), kFormat},
      {(temp_dir() / "missing.xyz").string(), kFormat},
  };
  for (const auto &c : cases) {
    Store s;
    EXPECT_EQ(tvx::read_model_file(c.path.c_str(), s), c.rc) << c.path;
  }
}

// ---- Size ---------------------------------------------------------------------

// Many lines across many buffer refills, and one line far longer than the
// read buffer, both compressed; checked against the generator's own sums.
TEST(Large, ManyLinesAndOneLongLine) {
  constexpr int kCols = 30000, kRows = 2000, kPerCol = 8;
  std::string text = "NAME big\nROWS\n N obj\n";
  for (int i = 0; i < kRows; ++i) text += " L r" + std::to_string(i) + "\n";
  text += "COLUMNS\n";
  double sum = 0;
  for (int j = 0; j < kCols; ++j) {
    for (int k = 0; k < kPerCol; ++k) {
      const int row = (j * 7 + k * 251) % kRows;
      const int value = 1 + (j + k) % 97;
      sum += value * (row + 1);
      text += " c" + std::to_string(j) + " r" + std::to_string(row) + " " + std::to_string(value) +
              "\n";
    }
  }
  text += "RHS\n rhs r0 1\nENDATA\n";
  Store s;
  ASSERT_EQ(tvx::read_model_file(fixture("big.mps", text, Compression::Gzip).c_str(), s),
            TVX_ERROR_OKAY);
  ASSERT_EQ(s.num_vars(), kCols);
  ASSERT_EQ(s.num_rows(), kRows);
  ASSERT_EQ(s.num_nz(), static_cast<std::size_t>(kCols) * kPerCol);
  double got = 0;
  for (int i = 0; i < kRows; ++i) {
    for (int e = 0; e < s.rows().terms.length(i); ++e) got += s.rows().terms.value(i)[e] * (i + 1);
  }
  EXPECT_EQ(got, sum);

  constexpr int kTerms = 200000;
  std::string row = "Minimize\n obj:\nSubject To\n long:";
  for (int j = 0; j < kTerms; ++j)
    row += " + " + std::to_string(j % 13 + 1) + " v" + std::to_string(j);
  row += " <= 1\nEnd\n";
  ASSERT_GT(row.size(), std::size_t{1} << 21);
  Store t;
  ASSERT_EQ(tvx::read_model_file(fixture("long.lp", row, Compression::Bzip2).c_str(), t),
            TVX_ERROR_OKAY);
  ASSERT_EQ(t.num_vars(), kTerms);
  ASSERT_EQ(t.rows().terms.length(0), kTerms);
  for (int j = 0; j < kTerms; j += 9973) {
    EXPECT_EQ(t.rows().terms.index(0)[j], j);
    EXPECT_EQ(t.rows().terms.value(0)[j], j % 13 + 1);
    EXPECT_EQ(t.vars().names[j], "v" + std::to_string(j));
  }
}

// ---- The stream layer ----------------------------------------------------------

std::string read_all(const std::string &path, Compression c, int *rc) {
  tvx::InputFile in;
  *rc = in.open(path.c_str(), c);
  std::string out;
  char buf[1000];  // small: many calls, each ending mid-stream
  std::size_t got = 0;
  while (*rc == TVX_ERROR_OKAY && (*rc = in.read(buf, sizeof buf, &got)) == TVX_ERROR_OKAY &&
         got > 0)
    out.append(buf, got);
  return out;
}

TEST(Streams, WrittenFilesDecodeIndependentlyAndReadBack) {
  std::string text;
  for (int k = 0; k < 20000; ++k) text += "line " + std::to_string(k * 7919 % 10007) + "\n";
  for (const Compression c : {Compression::None, Compression::Gzip, Compression::Bzip2}) {
    const std::string path = (temp_dir() / (std::string("out.txt") + suffix_of(c))).string();
    tvx::OutputFile out;
    ASSERT_EQ(out.open(path.c_str(), c), TVX_ERROR_OKAY);
    // Uneven pieces, one of them empty.
    for (std::size_t at = 0, step = 1; at < text.size(); at += step, step = step * 3 % 70001)
      ASSERT_EQ(out.write(std::string_view(text).substr(at, step)), TVX_ERROR_OKAY);
    ASSERT_EQ(out.write(""), TVX_ERROR_OKAY);
    ASSERT_EQ(out.close(), TVX_ERROR_OKAY);
    const std::string bytes = bytes_of(path);
    switch (c) {
      case Compression::Gzip:
        EXPECT_EQ(gunzip(bytes), text);
        break;
      case Compression::Bzip2:
        EXPECT_EQ(bunzip2(bytes, text.size()), text);
        break;
      default:
        EXPECT_EQ(bytes, text);
        break;
    }
    int rc;
    EXPECT_EQ(read_all(path, c, &rc), text) << suffix_of(c);
    EXPECT_EQ(rc, TVX_ERROR_OKAY);
  }
}

TEST(Streams, OpenFailuresAndSuffixes) {
  tvx::OutputFile out;
  EXPECT_EQ(out.open((temp_dir() / "no" / "such.lp.gz").string().c_str(), Compression::Gzip),
            TVX_ERROR_FILE_WRITE_ERROR);
  EXPECT_EQ(out.write("x"), TVX_ERROR_FILE_WRITE_ERROR);
  EXPECT_EQ(out.close(), TVX_ERROR_FILE_WRITE_ERROR);
  tvx::InputFile in;
  EXPECT_EQ(in.open((temp_dir() / "no" / "such.lp").string().c_str(), Compression::None),
            TVX_ERROR_FILE_READ_ERROR);

  const struct {
    const char *name;
    const char *format;
    Compression compression;
  } kinds[] = {
      {"a.mps", ".mps", Compression::None},    {"A.MPS.GZ", ".mps", Compression::Gzip},
      {"a.lp.bz2", ".lp", Compression::Bzip2}, {"x.dat-s", ".dat-s", Compression::None},
      {"dir.v2/model", "", Compression::None}, {".gz", "", Compression::None},
      {"a.b.qps", ".qps", Compression::None},  {"noext.gz", "", Compression::Gzip},
  };
  for (const auto &k : kinds) {
    const tvx::FileKind kind = tvx::file_kind(k.name);
    EXPECT_EQ(kind.format, k.format) << k.name;
    EXPECT_EQ(kind.compression, k.compression) << k.name;
  }
}

// ---- TVXreadmodel ----------------------------------------------------------------

TEST(ReadModel, CreatesAModelWithItsOwnSettings) {
  const std::string path = fixture("api.lp", kRichLp, Compression::Gzip);
  TVXenv *env = nullptr;
  ASSERT_EQ(TVXloadenv(&env, ""), TVX_ERROR_OKAY);
  ASSERT_EQ(TVXsetdblparam(env, "MaxTime", 12.5), TVX_ERROR_OKAY);
  TVXmodel *model = nullptr;
  ASSERT_EQ(TVXreadmodel(env, path.c_str(), &model), TVX_ERROR_OKAY);
  ASSERT_NE(model, nullptr);
  TVXenv *own = TVXgetenv(model);
  ASSERT_NE(own, nullptr);
  EXPECT_NE(own, env);
  // A copy taken at the read: later changes on either side stay apart.
  ASSERT_EQ(TVXsetdblparam(env, "MaxTime", 3), TVX_ERROR_OKAY);
  double value = 0;
  EXPECT_EQ(TVXgetdblparam(own, "MaxTime", &value), TVX_ERROR_OKAY);
  EXPECT_EQ(value, 12.5);
  EXPECT_EQ(TVXfreeenv(env), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXgetdblparam(own, "MaxTime", &value), TVX_ERROR_OKAY);
  TVXmodel *copy = TVXcopymodel(model);
  EXPECT_NE(copy, nullptr);
  EXPECT_EQ(TVXfreemodel(copy), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXfreemodel(model), TVX_ERROR_OKAY);
}

TEST(ReadModel, RefusesBadArguments) {
  const std::string path = fixture("args.mps", kRichMps);
  TVXenv *env = nullptr;
  TVXenv *empty = nullptr;
  ASSERT_EQ(TVXloadenv(&env, ""), TVX_ERROR_OKAY);
  ASSERT_EQ(TVXemptyenv(&empty), TVX_ERROR_OKAY);
  TVXmodel *model = reinterpret_cast<TVXmodel *>(&env);
  EXPECT_EQ(TVXreadmodel(env, nullptr, &model), TVX_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(model, nullptr);
  EXPECT_EQ(TVXreadmodel(env, path.c_str(), nullptr), TVX_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(TVXreadmodel(nullptr, path.c_str(), &model), TVX_ERROR_INVALID_ARGUMENT);
  // An environment not started takes no model, as for TVXnewmodel.
  EXPECT_EQ(TVXreadmodel(empty, path.c_str(), &model), TVX_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(model, nullptr);
  EXPECT_EQ(TVXreadmodel(env, (temp_dir() / "gone.mps").string().c_str(), &model),
            TVX_ERROR_FILE_READ_ERROR);
  EXPECT_EQ(model, nullptr);
  EXPECT_EQ(TVXfreeenv(empty), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXfreeenv(env), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXreadmodel(env, path.c_str(), &model), TVX_ERROR_INVALID_ARGUMENT);
}

}  // namespace
