// LP files we write, read by CoinUtils' LP reader (CoinLpIO) as the same
// model: names, bounds, types, objective, rows, coefficients and SOS. Each
// model is stated in our LP syntax, read by our reader and written by our
// writer. Only forms CoinLpIO has are used: it has none for range rows,
// quadratic objectives, semi-continuous variables, indicators, or names
// beyond its characters or 100 bytes (see io/lp/writer.cpp).
#include <CoinLpIO.hpp>
#include <CoinMessageHandler.hpp>
#include <CoinMpsIO.hpp>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "io/file_names.h"
#include "io/formats.h"
#include "io/text_writer.h"
#include "store/store.h"
#include "tarvex.h"

namespace {

namespace fs = std::filesystem;
using tvx::Store;

const fs::path &temp_dir() {
  static const fs::path dir = [] {
    std::string pattern = (fs::temp_directory_path() / "tarvex_lp_readers_XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    return fs::path(pattern);
  }();
  static const struct Cleanup {
    ~Cleanup() {
      std::error_code ec;
      fs::remove_all(dir, ec);
    }
  } cleanup;
  return dir;
}

struct Case {
  const char *name;
  const char *lp;  // in our LP syntax
};

void PrintTo(const Case &c, std::ostream *os) { *os << c.name; }

const Case kCases[] = {
    {"bounds_of_each_kind",
     "\\Problem name: bounds\n"
     "Minimize\n obj: -3 x - y + f + 2 w + k + u + 4\n"
     "Subject To\n cap: x + 2 y + w <= 6\n tie: f + y = 0.75\n floor: x + w >= 1\n"
     " watch: 5 x + 5 f >= -inf\n up: x - f <= 2.5\n empty: 0 u <= 1\n"
     "Bounds\n x <= 4\n -inf <= y <= -0.5\n f free\n w >= -2\n k = 3\n"
     "End\n"},
    {"mip_with_binaries",
     "Maximize\n obj: 2 x + 3 y - 4 b + c + d + 0.5 z + 7.5\n"
     "Subject To\n r1: 2 x + 3 y + z <= 12.5\n r2: y - 6 b <= 1\n"
     " obj: x + c + d <= 10\n"  // a row named like the objective's label
     " r3: x - y >= -3\n"
     "Bounds\n -5 <= x <= 7\n 0 <= c <= inf\n d = 1\n z <= 10\n"
     "Generals\n x y\nBinaries\n b c d\n"
     "End\n"},
    {"ordered_sets",
     "Minimize\n obj: - x1 - 2 x2 - 3 x3 - x4\n"
     "Subject To\n r: x1 + x2 + x3 + x4 <= 3\n"
     "Bounds\n x1 <= 2\n x2 <= 2\n x3 <= 2\n x4 <= 2\n"
     "SOS\n s1: S1:: x1:1 x2:2 x3:3\n s2: S2:: x2:1.5 x3:2.5 x4:4\n"
     "End\n"},
    {"names_and_unnamed_rows",
     "Minimize\n obj: - a!#$%& - b'() - c,.;?@_ - d`{}~ - E1 - e\n"
     "Subject To\n a!#$%& + b'() + c,.;?@_ + d`{}~ + E1 + e <= 3.5\n"
     " r;?@_: a!#$%& + b'() <= 1\n"
     " c,.;?@_ - d`{}~ >= -1\n"
     "Bounds\n a!#$%& <= 1\n b'() <= 1\n c,.;?@_ <= 1\n d`{}~ <= 1\n E1 <= 1\n e <= 1\n"
     "End\n"},
    {"constant_only", "Minimize\n obj: -7.5\nSubject To\nEnd\n"},
};

class CoinLpReads : public ::testing::TestWithParam<Case> {};

// Sides and bounds compared with infinite ones as IEEE infinities: ours at
// TVX_INFINITY, CoinLpIO's at its infinity or beyond.
double ours(double v) {
  if (tvx::is_plus_infinite(v)) return HUGE_VAL;
  return tvx::is_minus_infinite(v) ? -HUGE_VAL : v;
}
double theirs(double v, double infinity) {
  if (v >= infinity) return HUGE_VAL;
  return v <= -infinity ? -HUGE_VAL : v;
}

std::vector<std::pair<int, double>> sorted_terms(int n, const int *ind, const double *val) {
  std::vector<std::pair<int, double>> t;
  for (int k = 0; k < n; ++k) t.emplace_back(ind[k], val[k]);
  std::sort(t.begin(), t.end());
  return t;
}

TEST_P(CoinLpReads, TheSameModelFromOurFile) {
  const fs::path source = temp_dir() / (std::string(GetParam().name) + "_source.lp");
  std::ofstream(source) << GetParam().lp;
  Store model;
  ASSERT_EQ(tvx::read_model_file(source.c_str(), model), TVX_ERROR_OKAY);
  const fs::path written = temp_dir() / (std::string(GetParam().name) + ".lp");
  ASSERT_EQ(tvx::write_model_file(written.c_str(), model), TVX_ERROR_OKAY);

  CoinLpIO lp;
  lp.messageHandler()->setLogLevel(0);
  try {
    lp.readLp(written.c_str());
  } catch (const CoinError &e) {
    FAIL() << "CoinLpIO refused the file: " << e.message();
  }
  const double inf = lp.getInfinity();
  const tvx::FileNames names = tvx::file_names(model, tvx::NameStyle::Lp);
  const tvx::Vars &v = model.vars();
  const double sense = model.sense() == TVX_MAXIMIZE ? -1 : 1;  // CoinLpIO minimises
  EXPECT_EQ(lp.wasMaximization(), model.sense() == TVX_MAXIMIZE);
  EXPECT_EQ(lp.objectiveOffset(), model.objcon());

  ASSERT_EQ(lp.getNumCols(), model.num_vars());
  for (int j = 0; j < model.num_vars(); ++j) {
    const auto jj = static_cast<std::size_t>(j);
    double lb = ours(v.lb[jj]), ub = ours(v.ub[jj]);
    if (v.type[jj] == 'B') lb = std::max(lb, 0.0), ub = std::min(ub, 1.0);
    EXPECT_EQ(lp.columnName(j), names.cols[jj]);
    EXPECT_EQ(theirs(lp.getColLower()[j], inf), lb) << names.cols[jj];
    EXPECT_EQ(theirs(lp.getColUpper()[j], inf), ub) << names.cols[jj];
    EXPECT_EQ(lp.isInteger(j), v.type[jj] == 'I' || v.type[jj] == 'B') << names.cols[jj];
    EXPECT_EQ(lp.getObjCoefficients()[j], sense * v.obj[jj]) << names.cols[jj];
  }

  ASSERT_EQ(lp.getNumRows(), model.num_rows());
  const CoinPackedMatrix *by_row = lp.getMatrixByRow();
  const tvx::Rows &r = model.rows();
  for (int i = 0; i < model.num_rows(); ++i) {
    const auto ii = static_cast<std::size_t>(i);
    // An unnamed row gets CoinLpIO's own name, and keeps every other row's.
    const std::string name = names.rows[ii].empty() ? "cons" + std::to_string(i) : names.rows[ii];
    EXPECT_EQ(lp.rowName(i), name);
    EXPECT_EQ(theirs(lp.getRowLower()[i], inf), ours(r.lhs[ii])) << name;
    EXPECT_EQ(theirs(lp.getRowUpper()[i], inf), ours(r.rhs[ii])) << name;
    const CoinBigIndex at = by_row->getVectorStarts()[i];
    EXPECT_EQ(sorted_terms(by_row->getVectorLengths()[i], by_row->getIndices() + at,
                           by_row->getElements() + at),
              sorted_terms(r.terms.length(i), r.terms.index(i), r.terms.value(i)))
        << name;
  }

  ASSERT_EQ(lp.numberSets(), model.num_sos());
  const tvx::SosSets &sos = model.sos();
  for (int k = 0; k < model.num_sos(); ++k) {
    const CoinSet &set = *lp.setInformation()[k];
    EXPECT_EQ(set.setType(), sos.type[static_cast<std::size_t>(k)]);
    const int n = sos.members.length(k);
    ASSERT_EQ(set.numberEntries(), n);
    EXPECT_EQ(std::vector<int>(set.which(), set.which() + n),
              std::vector<int>(sos.members.index(k), sos.members.index(k) + n));
    EXPECT_EQ(std::vector<double>(set.weights(), set.weights() + n),
              std::vector<double>(sos.members.value(k), sos.members.value(k) + n));
  }
}

INSTANTIATE_TEST_SUITE_P(Models, CoinLpReads, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case> &info) {
                           return std::string(info.param.name);
                         });

}  // namespace
