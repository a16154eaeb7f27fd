// Names: the name table and its lookups, and which names are valid.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "store/store.h"
#include "store_fixture.h"
#include "tarvex.h"
#include "test_support.h"

namespace {

using namespace store_fixture;

// ---- Names ----------------------------------------------------------------

TEST(NameTable, FindsTheLowestIndexThroughRenamesAndDeletions) {
  Store s;
  const char *names[] = {"x", "y", "x", "", "x"};
  ASSERT_EQ(s.add_vars(5, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, names),
            TVX_ERROR_OKAY);
  const tvx::NameTable &t = s.vars().names;
  EXPECT_EQ(t.find("x"), 0);
  EXPECT_EQ(t.find("y"), 1);
  EXPECT_EQ(t.find(""), -1);  // the empty name is no name
  EXPECT_EQ(t.find("X"), -1);
  s.set_var_name(0, "z");  // the lowest "x" leaves: the next one is found
  EXPECT_EQ(t.find("x"), 2);
  EXPECT_EQ(t.find("z"), 0);
  s.set_var_name(3, "x");
  EXPECT_EQ(t.find("x"), 2);
  s.set_var_name(1, "x");
  EXPECT_EQ(t.find("x"), 1);
  const int gone[] = {1, 2};
  ASSERT_EQ(s.delete_vars(2, gone), TVX_ERROR_OKAY);  // names now z, x(old 3), x(old 4)
  EXPECT_EQ(t.find("x"), 1);
  EXPECT_EQ(t.find("y"), -1);
  s.set_var_name(1, "");
  EXPECT_EQ(t.find("x"), 2);
}

// Random appends, renames and deletions against a brute-force lookup.
TEST(NameTable, AgreesWithAScan) {
  std::mt19937 rng(777);
  const std::vector<std::string> pool = {"", "a", "b", "c", "é", "a/b"};
  auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  tvx::NameTable table;
  std::vector<std::string> ref;
  for (int step = 0; step < 5000; ++step) {
    const int op = pick(10);
    if (op < 4 || ref.empty()) {
      std::string name = pool[pick(static_cast<int>(pool.size()))];
      ref.push_back(name);
      table.reserve_extra(1, !name.empty());
      table.append(std::move(name));
    } else if (op < 9) {
      const int i = pick(static_cast<int>(ref.size()));
      std::string name = pool[pick(static_cast<int>(pool.size()))];
      ref[i] = name;
      table.set(i, std::move(name));
    } else {
      std::vector<int> new_index(ref.size());
      std::vector<std::string> kept;
      for (std::size_t i = 0; i < ref.size(); ++i) {
        new_index[i] = pick(4) ? static_cast<int>(kept.size()) : -1;
        if (new_index[i] >= 0) kept.push_back(ref[i]);
      }
      table.compact(new_index);
      ref = kept;
    }
    for (const std::string &name : pool) {
      int lowest = -1;
      if (!name.empty()) {
        const auto hit = std::find(ref.begin(), ref.end(), name);
        if (hit != ref.end()) lowest = static_cast<int>(hit - ref.begin());
      }
      ASSERT_EQ(table.find(name), lowest) << "step " << step << " name '" << name << "'";
    }
  }
  ASSERT_EQ(table.size(), static_cast<int>(ref.size()));
  for (int i = 0; i < table.size(); ++i) ASSERT_EQ(table[i], ref[i]);
}

TEST(Validators, NamesMustBeUtf8) {
  for (const char *good : {"", "x[1,2]", "é", "日本", "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF"})
    EXPECT_TRUE(tvx::valid_name(good)) << good;
  EXPECT_TRUE(tvx::valid_name(nullptr));
  for (const char *bad : {"\x80", "a\xC3", "\xC0\x80", "\xE0\x80\x80", "\xED\xA0\x80",
                          "\xF4\x90\x80\x80", "\xF8\x88\x80\x80\x80", "\xE2\x82"})
    EXPECT_FALSE(tvx::valid_name(bad));
}

}  // namespace
