// Semidefinite models in the sparse SDPA format (".dat-s"): a hand-made file
// with a known optimum, the round trip of a model through the writer and
// the reader (plain and compressed), malformed files, and models the format
// cannot state.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "io/formats.h"
#include "solve_fixture.h"
#include "store/psd_matrix.h"

namespace {

using namespace solve_fixture;

const double kP1 = 2 - std::sqrt(2.0);

std::string put(const std::string &name, const std::string &text) {
  put_bytes(temp_dir() / name, text);
  return temp_path(name);
}

// max <-C, X> s.t. tr X = 1 with C = tridiag(1, 2, 1), stated with the
// punctuation and trailing text files of the format carry, C in its lower
// triangle and the trace's diagonal in an order of its own.
const char kTraceOne[] =
    "\"trace one\"\n"
    "* a second comment\n"
    "1 =mdim\n"
    "1 =nblocks\n"
    "{3} = block sizes\n"
    "{1.0}\n"
    "0 1 1 1 -2\n"
    "0 1 2 1 -1\n"
    "0 1 2 2 -2\n"
    "0 1 3 2 -1\n"
    "0 1 3 3 -2.0e0\n"
    "1 1 3 3 1\n"
    "1 1 1 1 1\n"
    "\n"
    "1 1 2 2 1\n";

TEST(Sdpa, ReadsAHandMadeFileWithAKnownOptimum) {
  tvx::Store s;
  ASSERT_EQ(tvx::read_model_file(put("trace.dat-s", kTraceOne).c_str(), s), TVX_ERROR_OKAY);
  EXPECT_EQ(s.sense(), TVX_MAXIMIZE);
  EXPECT_EQ(s.num_vars(), 0);
  ASSERT_EQ(s.num_psd_vars(), 1);
  EXPECT_EQ(s.psd_vars().dim[0], 3);
  ASSERT_EQ(s.num_rows(), 1);
  EXPECT_EQ(s.num_psd_rows(), 1);
  EXPECT_EQ(s.rows().lhs[0], 1);
  EXPECT_EQ(s.rows().rhs[0], 1);
  const tvx::SolveOutcome out = solve(s);
  ASSERT_EQ(out.results.status, TVX_STATUS_OPTIMAL);
  EXPECT_NEAR(*out.results.primal_obj, -kP1, 1e-7);
}

TEST(Sdpa, DiagonalBlocksAreNonnegativeVariables) {
  // max x1 + 2 x2 - <I, X> s.t. x1 + x2 + X11 = 3, x1 = 1 over a 1 x 1 X.
  const std::string text =
      "2\n2\n1 -2\n3 1\n"
      "0 2 1 1 1\n0 2 2 2 2\n0 1 1 1 -1\n"
      "1 2 1 1 1\n1 2 2 2 1\n1 1 1 1 1\n"
      "2 2 1 1 1\n";
  tvx::Store s;
  ASSERT_EQ(tvx::read_model_file(put("lp.dat-s", text).c_str(), s), TVX_ERROR_OKAY);
  ASSERT_EQ(s.num_vars(), 2);
  EXPECT_EQ(s.vars().obj, (std::vector<double>{1, 2}));
  EXPECT_EQ(s.vars().lb, (std::vector<double>{0, 0}));
  EXPECT_EQ(s.num_psd_rows(), 1);  // the second row has no matrix: a linear row
  const tvx::SolveOutcome out = solve(s);
  ASSERT_EQ(out.results.status, TVX_STATUS_OPTIMAL);
  EXPECT_NEAR(*out.results.primal_obj, 5, 1e-6);
}

// min x + <C, X> s.t. tr X + x = 2, 2 X01 + x = 1 (X01 given in the upper
// triangle only), x >= 0: a model the format can state.
tvx::Store fitting_model() {
  Builder b;
  const int x = b.var(0, kTvxInfinity, 1);
  tvx::Store &s = b.store;
  const int cpos[] = {0, 1, 4, 5, 8}, tpos[] = {0, 4, 8}, upos[] = {1}, beg = 0;
  const double cval[] = {2, 1, 2, 1, 2}, tval[] = {1, 1, 1}, uval[] = {1}, one = 1;
  EXPECT_EQ(s.add_psd_var(3, 5, cpos, cval, "X"), TVX_ERROR_OKAY);
  const int var = 0;
  EXPECT_EQ(s.add_psd_row(1, &x, &one, 1, &var, &beg, 3, tpos, tval, 2, 2, "trace"),
            TVX_ERROR_OKAY);
  EXPECT_EQ(s.add_psd_row(1, &x, &one, 1, &var, &beg, 1, upos, uval, 1, 1, "corner"),
            TVX_ERROR_OKAY);
  return b.store;
}

// The model as the solver sees it: sense, variables, and every matrix as
// the symmetric matrix it stands for.
std::string describe(const tvx::Store &s) {
  std::string out = std::to_string(s.sense()) + "|";
  for (int j = 0; j < s.num_vars(); ++j) out += std::to_string(s.vars().obj[j]) + " ";
  const auto matrix = [&](int dim, int n, const int *pos, const double *val) {
    for (const tvx::SymEntry &e : tvx::symmetric_entries(dim, n, pos, val))
      out +=
          std::to_string(e.row) + "," + std::to_string(e.col) + ":" + std::to_string(e.value) + " ";
  };
  for (int k = 0; k < s.num_psd_vars(); ++k) {
    out += "|P" + std::to_string(s.psd_vars().dim[k]) + " ";
    matrix(s.psd_vars().dim[k], s.psd_vars().obj.length(k), s.psd_vars().obj.index(k),
           s.psd_vars().obj.value(k));
  }
  for (int i = 0; i < s.num_rows(); ++i) {
    out += "|R" + std::to_string(s.rows().lhs[i]) + "," + std::to_string(s.rows().rhs[i]) + " ";
    for (int e = 0; e < s.rows().terms.length(i); ++e)
      out += std::to_string(s.rows().terms.index(i)[e]) + ":" +
             std::to_string(s.rows().terms.value(i)[e]) + " ";
    if (const tvx::PsdRowPart *part = s.psd_part(i)) {
      for (std::size_t k = 0; k < part->var.size(); ++k) {
        out += "v" + std::to_string(part->var[k]) + " ";
        const int dim = s.psd_vars().dim[static_cast<std::size_t>(part->var[k])];
        matrix(dim, part->run_end(k) - part->run_begin(k), part->pos.data() + part->run_begin(k),
               part->val.data() + part->run_begin(k));
      }
    }
  }
  return out;
}

class SdpaRoundTrip : public ::testing::TestWithParam<const char *> {};

TEST_P(SdpaRoundTrip, ReadsBackTheSameModel) {
  const tvx::Store model = fitting_model();
  const std::string path = temp_path(GetParam());
  ASSERT_EQ(tvx::write_model_file(path.c_str(), model), TVX_ERROR_OKAY);
  tvx::Store back;
  ASSERT_EQ(tvx::read_model_file(path.c_str(), back), TVX_ERROR_OKAY);
  EXPECT_EQ(describe(back), describe(model));
  const tvx::SolveOutcome a = solve(model), b = solve(back);
  ASSERT_EQ(a.results.status, TVX_STATUS_OPTIMAL);
  ASSERT_EQ(b.results.status, TVX_STATUS_OPTIMAL);
  EXPECT_NEAR(*a.results.primal_obj, *b.results.primal_obj, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Files, SdpaRoundTrip,
                         ::testing::Values("model.dat-s", "model.dat-s.gz", "model.DAT-S.bz2"),
                         [](const auto &test) {
                           std::string name = test.param;
                           for (char &ch : name)
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return name;
                         });

struct BadFile {
  const char *name;
  const char *text;
};

class SdpaMalformed : public ::testing::TestWithParam<BadFile> {};

TEST_P(SdpaMalformed, IsAFormatError) {
  tvx::Store s;
  const std::string path = put(std::string(GetParam().name) + ".dat-s", GetParam().text);
  EXPECT_EQ(tvx::read_model_file(path.c_str(), s), kFormat);
}

const BadFile kBadFiles[] = {
    {"Empty", ""},
    {"OnlyComments", "\"title\"\n* nothing else\n"},
    {"FractionalRowCount", "1.5\n1\n2\n1\n"},
    {"NoBlocks", "1\n0\n\n1\n"},
    {"ZeroBlockSize", "1\n1\n0\n1\n"},
    {"TruncatedSides", "2\n1\n2\n1\n"},
    {"WordInSides", "1\n1\n2\nx\n"},
    {"EntryWithFourFields", "1\n1\n2\n1\n1 1 1 1\n"},
    {"EntryMatrixBeyondRows", "1\n1\n2\n1\n2 1 1 1 1\n"},
    {"EntryBlockZero", "1\n1\n2\n1\n1 0 1 1 1\n"},
    {"EntryIndexBeyondBlock", "1\n1\n2\n1\n1 1 3 1 1\n"},
    {"OffDiagonalInDiagonalBlock", "1\n1\n-2\n1\n1 1 1 2 1\n"},
    {"NotANumber", "1\n1\n2\n1\n1 1 1 1 nan\n"},
    {"Infinite", "1\n1\n2\n1\n1 1 1 1 inf\n"},
    {"HugeDiagonalBlock", "1\n1\n-2000000000\n1\n"},
};

INSTANTIATE_TEST_SUITE_P(Files, SdpaMalformed, ::testing::ValuesIn(kBadFiles),
                         [](const auto &test) { return std::string(test.param.name); });

struct Unfit {
  const char *name;
  void (*change)(tvx::Store &);
};

class SdpaUnfit : public ::testing::TestWithParam<Unfit> {};

TEST_P(SdpaUnfit, IsRefusedBeforeTheFileIsTouched) {
  tvx::Store model = fitting_model();
  GetParam().change(model);
  const std::string path = put(std::string(GetParam().name) + ".dat-s", "old");
  EXPECT_EQ(tvx::write_model_file(path.c_str(), model), kFormat);
  EXPECT_EQ(bytes_of(path), "old");
}

const Unfit kUnfit[] = {
    {"RangeRow", [](tvx::Store &s) { s.set_row_rhs(0, 3); }},
    {"UpperBound", [](tvx::Store &s) { s.set_var_ub(0, 5); }},
    {"NegativeLowerBound", [](tvx::Store &s) { s.set_var_lb(0, -1); }},
    {"Integer", [](tvx::Store &s) { s.set_var_type(0, 'I'); }},
    {"ObjectiveConstant", [](tvx::Store &s) { s.set_objcon(1); }},
    {"QuadraticTerm",
     [](tvx::Store &s) {
       const int i = 0;
       const double v = 1;
       EXPECT_EQ(s.add_qterms(1, &i, &i, &v), TVX_ERROR_OKAY);
     }},
    {"InfiniteSide",
     [](tvx::Store &s) {
       s.set_row_lhs(1, kTvxInfinity);
       s.set_row_rhs(1, kTvxInfinity);
     }},
};

INSTANTIATE_TEST_SUITE_P(Models, SdpaUnfit, ::testing::ValuesIn(kUnfit),
                         [](const auto &test) { return std::string(test.param.name); });

TEST(Sdpa, ModelWithoutBlocksIsRefused) {
  const tvx::Store empty;
  EXPECT_EQ(tvx::write_model_file(temp_path("empty.dat-s").c_str(), empty), kFormat);
}

}  // namespace
