// Deleting elements: renumbering, and what each kind of deletion touches.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "store/store.h"
#include "store_fixture.h"
#include "tarvex.h"
#include "test_support.h"

namespace {

using namespace store_fixture;

// ---- Deleting -------------------------------------------------------------

TEST(Store, DeletingVariablesRenumbersEveryReference) {
  Store s;
  fill_sample(s);
  s.set_var_start(2, 7.5);
  s.set_results(solved());
  const std::uint64_t revision = s.revision();

  // Any order, repeats allowed: deletes x (0) and the second y (3).
  const int gone[] = {3, 0, 3};
  ASSERT_EQ(s.delete_vars(3, gone), TVX_ERROR_OKAY);

  ASSERT_EQ(s.num_vars(), 2);
  const tvx::Vars &v = s.vars();
  EXPECT_EQ(v.obj, std::vector<double>({2, 3}));
  EXPECT_EQ(v.lb, std::vector<double>({-1, -2}));
  EXPECT_EQ(v.ub, std::vector<double>({20, 30}));
  EXPECT_EQ(std::string(v.type.begin(), v.type.end()), "BI");
  EXPECT_EQ(v.start, std::vector<double>({TVX_UNDEFINED, 7.5}));
  EXPECT_EQ(v.names.find("y"), 0);
  EXPECT_EQ(v.names.find("z"), 1);
  EXPECT_EQ(v.names.find("x"), -1);

  EXPECT_EQ(terms_of(s.rows().terms, 0), Terms());
  EXPECT_EQ(terms_of(s.rows().terms, 1), Terms({{1, 9.0}}));  // the PSD row's linear part
  EXPECT_EQ(terms_of(s.rows().terms, 2), Terms({{0, 3.5}, {1, 4.5}}));
  EXPECT_EQ(s.num_nz(), 3u);
  EXPECT_EQ(s.columns().beg, std::vector<std::size_t>({0, 1, 3}));
  // The SOS keeps its other member.
  EXPECT_EQ(terms_of(s.sos().members, 0), Terms({{0, 2.0}}));
  // The indicator's binary variable y moves from 1 to 0, its row loses x.
  EXPECT_EQ(s.genconstrs().binvar[0], 0);
  EXPECT_EQ(terms_of(s.genconstrs().terms, 0), Terms({{1, 1.0}}));
  // Terms on a deleted variable go; the others are renumbered.
  EXPECT_EQ(s.qterms().row, std::vector<int>({0, 1}));
  EXPECT_EQ(s.qterms().col, std::vector<int>({1, 0}));
  EXPECT_EQ(s.qterms().val, std::vector<double>({2, 3}));
  // Nothing else moves.
  EXPECT_EQ(s.num_rows(), 3);
  EXPECT_EQ(s.num_psd_vars(), 1);
  EXPECT_EQ(s.psd_part(1)->var, std::vector<int>({0}));

  EXPECT_FALSE(s.results().x.has_value());
  EXPECT_EQ(s.results().status, TVX_STATUS_UNKNOWN);
  EXPECT_GT(s.revision(), revision);
}

TEST(Store, DeletingVariablesThreeAndSevenOfTen) {
  Store s;
  std::vector<std::string> text;
  std::vector<const char *> names;
  std::vector<int> ind;
  std::vector<double> val;
  for (int j = 0; j < 10; ++j) text.push_back("v" + std::to_string(j));
  for (int j = 0; j < 10; ++j)
    names.push_back(text[j].c_str()), ind.push_back(j), val.push_back(j + 1);
  ASSERT_EQ(s.add_vars(10, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                       names.data()),
            TVX_ERROR_OKAY);
  const int beg = 0;
  ASSERT_EQ(s.add_rows(1, 10, &beg, ind.data(), val.data(), nullptr, nullptr, nullptr),
            TVX_ERROR_OKAY);
  const int gone[] = {3, 7};
  ASSERT_EQ(s.delete_vars(2, gone), TVX_ERROR_OKAY);
  std::vector<std::string> left;
  for (int j = 0; j < s.num_vars(); ++j) left.push_back(s.vars().names[j]);
  EXPECT_EQ(left, std::vector<std::string>({"v0", "v1", "v2", "v4", "v5", "v6", "v8", "v9"}));
  EXPECT_EQ(
      terms_of(s.rows().terms, 0),
      Terms({{0, 1.0}, {1, 2.0}, {2, 3.0}, {3, 5.0}, {4, 6.0}, {5, 7.0}, {6, 9.0}, {7, 10.0}}));
}

TEST(Store, DeletingRowsCarriesPsdPartsAndTouchesNoOtherKind) {
  Store s;
  fill_sample(s);
  const int first[] = {0};
  ASSERT_EQ(s.delete_rows(1, first), TVX_ERROR_OKAY);
  ASSERT_EQ(s.num_rows(), 2);
  EXPECT_EQ(s.rows().names[0], "p1");
  ASSERT_NE(s.psd_part(0), nullptr);
  EXPECT_EQ(s.psd_part(0)->pos, std::vector<int>({0, 3}));
  EXPECT_EQ(s.psd_part(1), nullptr);
  EXPECT_EQ(s.rows().lhs, std::vector<double>({1, 1}));
  EXPECT_EQ(s.rows().names.find("r2"), 1);
  EXPECT_EQ(s.rows().names.find("r0"), -1);
  EXPECT_EQ(s.num_nz(), 3u);

  ASSERT_EQ(s.delete_rows(1, first), TVX_ERROR_OKAY);  // the PSD row itself
  EXPECT_EQ(s.num_psd_rows(), 0);
  EXPECT_EQ(s.rows().names[0], "r2");
  EXPECT_EQ(terms_of(s.rows().terms, 0), Terms({{1, 3.5}, {2, 4.5}}));

  EXPECT_EQ(s.num_vars(), 4);
  EXPECT_EQ(s.num_sos(), 1);
  EXPECT_EQ(s.num_genconstrs(), 1);
  EXPECT_EQ(s.qterms().val.size(), 4u);

  ASSERT_EQ(s.delete_sos(1, first), TVX_ERROR_OKAY);
  ASSERT_EQ(s.delete_genconstrs(1, first), TVX_ERROR_OKAY);
  EXPECT_EQ(s.num_sos(), 0);
  EXPECT_EQ(s.num_genconstrs(), 0);
  EXPECT_EQ(s.genconstrs().names.find("g"), -1);
  EXPECT_EQ(s.num_rows(), 1);
  EXPECT_EQ(terms_of(s.rows().terms, 0), Terms({{1, 3.5}, {2, 4.5}}));
}

TEST(Store, SosAndIndicatorsDeleteInTheMiddle) {
  Store s;
  ASSERT_EQ(
      s.add_vars(3, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
      TVX_ERROR_OKAY);
  const int types[] = {1, 2, 1}, beg[] = {0, 1, 3}, ind[] = {0, 1, 2, 2};
  const double w[] = {1, 2, 3, 4};
  ASSERT_EQ(s.add_sos(3, 4, types, beg, ind, w), TVX_ERROR_OKAY);
  for (const char *name : {"g0", "g1", "g2"}) {
    ASSERT_EQ(s.add_indicator(name, 0, 0, 0, nullptr, nullptr, '=', 1), TVX_ERROR_OKAY);
  }
  const int middle[] = {1};
  ASSERT_EQ(s.delete_sos(1, middle), TVX_ERROR_OKAY);
  ASSERT_EQ(s.delete_genconstrs(1, middle), TVX_ERROR_OKAY);
  EXPECT_EQ(s.sos().type, std::vector<int>({1, 1}));
  EXPECT_EQ(terms_of(s.sos().members, 1), Terms({{2, 4.0}}));
  EXPECT_EQ(s.genconstrs().names[1], "g2");
  EXPECT_EQ(s.genconstrs().names.find("g2"), 1);
}

}  // namespace
