// What the attribute tests share: a sample store and its results, its text, one read and one write
// of any attribute.
#ifndef TARVEX_TESTS_ATTR_FIXTURE_H
#define TARVEX_TESTS_ATTR_FIXTURE_H

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "store/attrs.h"
#include "store/store.h"
#include "tarvex.h"
#include "test_support.h"

namespace attr_fixture {

using namespace test_support;

using tvx::Store;
using Value = std::variant<int, double, std::string, char>;

constexpr int C = TVX_ATTRTYPE_CHAR, I = TVX_ATTRTYPE_INT, D = TVX_ATTRTYPE_DBL,
              S = TVX_ATTRTYPE_STR, M = TVX_ATTRTYPE_MAT;
constexpr int kModel = TVX_ATTRKIND_MODEL, kVar = TVX_ATTRKIND_VAR, kRow = TVX_ATTRKIND_LINCONSTR,
              kGen = TVX_ATTRKIND_GENCONSTR, kPsdVar = TVX_ATTRKIND_PSDVAR,
              kPsdRow = TVX_ATTRKIND_PSDCONSTR;

// Names each case by its attribute `name` and its position: one attribute
// has several cases.
struct NumberedName {
  template <class Case>
  std::string operator()(const ::testing::TestParamInfo<Case> &info) const {
    return test_name(info.param.name) + "_" + std::to_string(info.index);
  }
};

// Variables x, y, z; rows r0 (linear), p1 (PSD), r2 (linear); one SOS, one
// indicator g0 on y; PSD variables P0 (2 x 2) and P1 (3 x 3). Every value is
// distinct and non-zero where it can be, so a read of the wrong element or
// field shows.
inline void fill(Store &s) {
  const double obj[] = {2.5, -1, 0.5}, lb[] = {-1, 0, 2}, ub[] = {4, 1, 1e30};
  const char *names[] = {"x", "y", "z"};
  ASSERT_EQ(s.add_vars(3, 0, nullptr, nullptr, nullptr, obj, lb, ub, "CBI", names), TVX_ERROR_OKAY);
  const int p0pos[] = {0, 3};
  const double p0val[] = {1, 1};
  ASSERT_EQ(s.add_psd_var(2, 2, p0pos, p0val, "P0"), TVX_ERROR_OKAY);
  ASSERT_EQ(s.add_psd_var(3, 0, nullptr, nullptr, "P1"), TVX_ERROR_OKAY);
  const int beg[] = {0}, r0[] = {0, 1};
  const double v0[] = {1, 2}, lo0[] = {1}, up0[] = {5};
  const char *n0[] = {"r0"};
  ASSERT_EQ(s.add_rows(1, 2, beg, r0, v0, lo0, up0, n0), TVX_ERROR_OKAY);
  const int lind[] = {2}, vidx[] = {0}, rpos[] = {0, 3};
  const double lval[] = {3}, rval[] = {1, 1};
  ASSERT_EQ(s.add_psd_row(1, lind, lval, 1, vidx, beg, 2, rpos, rval, 2, 6, "p1"), TVX_ERROR_OKAY);
  const int r2[] = {0, 2};
  const double v2[] = {-1, 1}, lo2[] = {-1e20}, up2[] = {7};
  const char *n2[] = {"r2"};
  ASSERT_EQ(s.add_rows(1, 2, beg, r2, v2, lo2, up2, n2), TVX_ERROR_OKAY);
  const int types[] = {TVX_SOS_TYPE1}, members[] = {0, 2};
  const double weights[] = {1, 2};
  ASSERT_EQ(s.add_sos(1, 2, types, beg, members, weights), TVX_ERROR_OKAY);
  const int gind[] = {0};
  const double gval[] = {1};
  ASSERT_EQ(s.add_indicator("g0", 1, 1, 1, gind, gval, '<', 3), TVX_ERROR_OKAY);
  s.set_name("diet");
  s.set_sense(TVX_MAXIMIZE);
  s.set_objcon(4.5);
  s.set_var_start(0, 0.5);
}

inline tvx::Results solved() {
  tvx::Results r;
  r.status = TVX_STATUS_OPTIMAL;
  r.primal_obj = 7.5;
  r.dual_obj = 7.25;
  r.mip_gap_abs = 0.01;
  r.mip_gap_rel = 0.02;
  r.x = std::vector<double>{1.5, 1, 2};
  r.reduced_cost = std::vector<double>{0.25, -0.5, 0.75};
  r.dual = std::vector<double>{1.25, -2.5, 3.75};
  r.activity = std::vector<double>{3.5, 6, 0.5};
  r.psd_x = std::vector<std::vector<double>>{{1, 0.5, 0.5, 2}, {0, 0, 0, 0, 5, 0, 0, 0, 0}};
  r.dual_ray = std::vector<double>{1, 1, 1};
  r.basis = tvx::Basis{{1, 2, 3}, {0, 1, 2}};
  r.iis_col = std::vector<int>{1, 0, 1};
  r.iis_row = std::vector<int>{0, 1, 0};
  r.stats = tvx::SolveStats{11, 22, 0.125, 0.25, 0.5};
  return r;
}

// Everything an attribute write can change, values bit-exact.
inline std::string dump(const Store &s) {
  std::ostringstream out;
  out << std::hexfloat << s.name() << '|' << s.sense() << '|' << s.objcon() << '\n';
  const tvx::Vars &v = s.vars();
  for (int j = 0; j < s.num_vars(); ++j) {
    out << v.lb[j] << ' ' << v.ub[j] << ' ' << v.obj[j] << ' ' << v.start[j] << ' ' << v.type[j]
        << ' ' << v.names[j] << '\n';
  }
  for (int i = 0; i < s.num_rows(); ++i)
    out << s.rows().lhs[i] << ' ' << s.rows().rhs[i] << ' ' << s.rows().names[i] << '\n';
  for (int g = 0; g < s.num_genconstrs(); ++g) out << s.genconstrs().names[g] << '\n';
  const tvx::PsdVars &p = s.psd_vars();
  for (int k = 0; k < s.num_psd_vars(); ++k) {
    out << p.names[k];
    for (int e = 0; e < p.obj.length(k); ++e)
      out << ' ' << p.obj.index(k)[e] << ':' << p.obj.value(k)[e];
    out << '\n';
  }
  return out.str();
}

// Reads one attribute through the function of its data type: the model
// level when index is -1, else a list of that one element.
inline int read(const Store &s, const char *name, int index, Value &out) {
  int type = -1, kind = -1;
  int rc = tvx::attr_info(name, &type, &kind, nullptr);
  if (rc != TVX_ERROR_OKAY) return rc;
  const int one[] = {index};
  if (type == I) {
    int v = -77;
    rc = index < 0 ? tvx::get_int_attr(s, name, &v) : tvx::get_int_attrs(s, name, 1, one, &v);
    out = v;
  } else if (type == D) {
    double v = -77;
    rc = index < 0 ? tvx::get_dbl_attr(s, name, &v) : tvx::get_dbl_attrs(s, name, 1, one, &v);
    out = v;
  } else if (type == S) {
    const char *v = nullptr;
    rc = index < 0 ? tvx::get_str_attr(s, name, &v) : tvx::get_str_attrs(s, name, 1, one, &v);
    out = std::string(rc == TVX_ERROR_OKAY && v != nullptr ? v : "<null>");
  } else if (type == C) {
    char v = '?';
    rc = tvx::get_char_attrs(s, name, 1, one, &v);
    out = v;
  } else {
    int nnz = 0;
    rc = tvx::get_mat_attrs(s, name, 1, one, &nnz, nullptr, nullptr, nullptr, nullptr, nullptr);
    out = nnz;
  }
  return rc;
}

inline int write(Store &s, const char *name, int index, const Value &value) {
  const int one[] = {index};
  if (const int *v = std::get_if<int>(&value))
    return index < 0 ? tvx::set_int_attr(s, name, *v) : tvx::set_int_attrs(s, name, 1, one, v);
  if (const double *v = std::get_if<double>(&value))
    return index < 0 ? tvx::set_dbl_attr(s, name, *v) : tvx::set_dbl_attrs(s, name, 1, one, v);
  if (const std::string *v = std::get_if<std::string>(&value)) {
    const char *text = v->c_str();
    return index < 0 ? tvx::set_str_attr(s, name, text)
                     : tvx::set_str_attrs(s, name, 1, one, &text);
  }
  return tvx::set_char_attrs(s, name, 1, one, &std::get<char>(value));
}

// Index lists of one or two elements.
const int k0[] = {0}, k1[] = {1}, k2[] = {2}, k3[] = {3}, kNeg[] = {-1};
const int k02[] = {0, 2}, k03[] = {0, 3};

}  // namespace attr_fixture

#endif
