// What the tests of the model store share: a sample store, its text, results.
#ifndef TARVEX_TESTS_STORE_FIXTURE_H
#define TARVEX_TESTS_STORE_FIXTURE_H

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "store/store.h"
#include "tarvex.h"
#include "test_support.h"

namespace store_fixture {

using namespace test_support;

using tvx::Store;
using Terms = std::vector<std::pair<int, double>>;

inline Terms terms_of(const tvx::SparseList &list, int k) {
  Terms out;
  for (int e = 0; e < list.length(k); ++e) out.emplace_back(list.index(k)[e], list.value(k)[e]);
  return out;
}

// The whole problem as text, values bit-exact, so that two dumps are equal
// exactly when two stores hold the same data.
inline std::string dump(const Store &s) {
  std::ostringstream out;
  out << std::hexfloat << "model '" << s.name() << "' " << s.sense() << ' ' << s.objcon() << " nnz "
      << s.num_nz() << '\n';
  const tvx::Vars &v = s.vars();
  for (int j = 0; j < s.num_vars(); ++j) {
    out << "var " << v.lb[j] << ' ' << v.ub[j] << ' ' << v.obj[j] << ' ' << v.start[j] << ' '
        << v.type[j] << " '" << v.names[j] << "'\n";
  }
  const tvx::Rows &r = s.rows();
  for (int i = 0; i < s.num_rows(); ++i) {
    out << "row " << r.lhs[i] << ' ' << r.rhs[i] << " '" << r.names[i] << "'";
    for (const auto &t : terms_of(r.terms, i)) out << ' ' << t.first << ':' << t.second;
    if (const tvx::PsdRowPart *p = s.psd_part(i)) {
      for (std::size_t k = 0; k < p->var.size(); ++k) out << " P" << p->var[k] << '@' << p->beg[k];
      for (std::size_t k = 0; k < p->pos.size(); ++k) out << ' ' << p->pos[k] << '=' << p->val[k];
    }
    out << '\n';
  }
  for (int k = 0; k < s.num_sos(); ++k) {
    out << "sos " << s.sos().type[k];
    for (const auto &t : terms_of(s.sos().members, k)) out << ' ' << t.first << ':' << t.second;
    out << '\n';
  }
  const tvx::GenConstrs &g = s.genconstrs();
  for (int k = 0; k < s.num_genconstrs(); ++k) {
    out << "gen " << g.type[k] << ' ' << g.binvar[k] << ' ' << g.binval[k] << ' ' << g.sense[k]
        << ' ' << g.rhs[k] << " '" << g.names[k] << "'";
    for (const auto &t : terms_of(g.terms, k)) out << ' ' << t.first << ':' << t.second;
    out << '\n';
  }
  for (int k = 0; k < s.num_psd_vars(); ++k) {
    out << "psdvar " << s.psd_vars().dim[k] << " '" << s.psd_vars().names[k] << "'";
    for (const auto &t : terms_of(s.psd_vars().obj, k)) out << ' ' << t.first << ':' << t.second;
    out << '\n';
  }
  const tvx::QTerms &q = s.qterms();
  for (std::size_t k = 0; k < q.val.size(); ++k)
    out << "q " << q.row[k] << ' ' << q.col[k] << ' ' << q.val[k] << '\n';
  return out.str();
}

// Four variables x, y, z, y; rows r0 (linear), p1 (PSD), r2 (linear); one
// SOS, one indicator on y, one 2 x 2 PSD variable, four quadratic terms.
inline void fill_sample(Store &s) {
  const double obj[] = {1, 2, 3, 4}, lb[] = {0, -1, -2, -3}, ub[] = {10, 20, 30, 40};
  const char *names[] = {"x", "y", "z", "y"};
  ASSERT_EQ(s.add_vars(4, 0, nullptr, nullptr, nullptr, obj, lb, ub, "CBIC", names),
            TVX_ERROR_OKAY);
  const int r0[] = {0, 3}, beg0[] = {0};
  const double v0[] = {1.5, -2.5}, lo0[] = {-kIeeeInf}, up0[] = {5};
  const char *n0[] = {"r0"};
  ASSERT_EQ(s.add_rows(1, 2, beg0, r0, v0, lo0, up0, n0), TVX_ERROR_OKAY);
  const int ppos[] = {0, 1, 3};
  const double pval[] = {1, 2, 3};
  ASSERT_EQ(s.add_psd_var(2, 3, ppos, pval, "P"), TVX_ERROR_OKAY);
  const int lind[] = {2}, vidx[] = {0}, pbeg[] = {0}, rpos[] = {0, 3};
  const double lval[] = {9}, rval[] = {1, 1};
  ASSERT_EQ(s.add_psd_row(1, lind, lval, 1, vidx, pbeg, 2, rpos, rval, 1, 1, "p1"), TVX_ERROR_OKAY);
  const int r2[] = {1, 2};
  const double v2[] = {3.5, 4.5}, lo2[] = {1}, up2[] = {7};
  const char *n2[] = {"r2"};
  ASSERT_EQ(s.add_rows(1, 2, beg0, r2, v2, lo2, up2, n2), TVX_ERROR_OKAY);
  const int types[] = {TVX_SOS_TYPE1}, members[] = {0, 1, 3};
  const double weights[] = {1, 2, 3};
  ASSERT_EQ(s.add_sos(1, 3, types, beg0, members, weights), TVX_ERROR_OKAY);
  const int gind[] = {0, 2};
  const double gval[] = {1, 1};
  ASSERT_EQ(s.add_indicator("g", 1, 1, 2, gind, gval, '<', 4), TVX_ERROR_OKAY);
  const int qrow[] = {0, 1, 2, 3}, qcol[] = {0, 2, 1, 3};
  const double qval[] = {1, 2, 3, 4};
  ASSERT_EQ(s.add_qterms(4, qrow, qcol, qval), TVX_ERROR_OKAY);
}

inline tvx::Results solved() {
  tvx::Results r;
  r.status = TVX_STATUS_OPTIMAL;
  r.primal_obj = 1.25;
  r.x = std::vector<double>{1, 2, 3, 4};
  return r;
}

}  // namespace store_fixture

#endif
