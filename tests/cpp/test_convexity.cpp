// The convexity test of quadratic objectives, against matrices whose
// definiteness is known by construction.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "solve_fixture.h"
#include "store/store.h"

namespace {

using namespace solve_fixture;

std::uint32_t g_seed;
double uniform() {
  g_seed = g_seed * 1664525u + 1013904223u;
  return static_cast<double>(g_seed >> 8) / 16777216.0 - 0.5;
}

// Terms of weight * (sum_k a_k x_{first + k})^2.
void add_square(tvx::QTerms &q, int first, const std::vector<double> &a, double weight) {
  for (std::size_t i = 0; i < a.size(); ++i) {
    for (std::size_t j = 0; j < a.size(); ++j) {
      q.row.push_back(first + static_cast<int>(i));
      q.col.push_back(first + static_cast<int>(j));
      q.val.push_back(weight * a[i] * a[j]);
    }
  }
}

// Blocks of size `block`, each a sum of block - 1 random squares: PSD and
// singular. `dent` subtracts a small square in the first block, which makes
// it indefinite (the square is not orthogonal to that block's null space).
tvx::QTerms blocks(int count, int block, double dent) {
  g_seed = 12345;
  tvx::QTerms q;
  for (int b = 0; b < count; ++b) {
    for (int k = 0; k + 1 < block; ++k) {
      std::vector<double> a(static_cast<std::size_t>(block));
      for (double &v : a) v = uniform();
      add_square(q, b * block, a, 1);
    }
  }
  if (dent != 0) {
    std::vector<double> a(static_cast<std::size_t>(block));
    for (double &v : a) v = uniform();
    add_square(q, 0, a, -dent);
  }
  return q;
}

// sum (x_i - x_{i+1})^2: PSD, the constant vector in its null space.
// `dent` subtracts dent * x_k^2 in the middle.
tvx::QTerms chain(int n, double dent) {
  tvx::QTerms q;
  for (int i = 0; i + 1 < n; ++i) add_square(q, i, {1, -1}, 1);
  if (dent != 0) {
    q.row.push_back(n / 2);
    q.col.push_back(n / 2);
    q.val.push_back(-dent);
  }
  return q;
}

struct PsdCase {
  const char *name;
  std::function<tvx::QTerms()> terms;
  int n;
  bool psd;
};

class Convexity : public ::testing::TestWithParam<PsdCase> {};

TEST_P(Convexity, AgreesWithTheConstruction) {
  const PsdCase &c = GetParam();
  const tvx::QTerms q = c.terms();
  const tvx::Hessian h = tvx::build_hessian(q, c.n);
  EXPECT_EQ(tvx::positive_semidefinite(h, 1), c.psd);
  // Negated, only the zero matrix stays semidefinite.
  EXPECT_FALSE(tvx::positive_semidefinite(h, -1));
}

const PsdCase kPsdCases[] = {
    {"DenseSingular", [] { return blocks(1, 8, 0); }, 8, true},
    {"DenseDented", [] { return blocks(1, 8, 1e-3); }, 8, false},
    {"ManyBlocksSingular", [] { return blocks(300, 4, 0); }, 1200, true},
    {"ManyBlocksDented", [] { return blocks(300, 4, 1e-3); }, 1200, false},
    {"LongChain", [] { return chain(3000, 0); }, 3000, true},
    {"LongChainDented", [] { return chain(3000, 1e-3); }, 3000, false},
};

INSTANTIATE_TEST_SUITE_P(Cases, Convexity, ::testing::ValuesIn(kPsdCases), CaseName());

}  // namespace
