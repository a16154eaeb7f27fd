// A store as the text of what a model file states, values to the last bit,
// for the tests that read and write model files.
#ifndef TARVEX_TESTS_MODEL_TEXT_H
#define TARVEX_TESTS_MODEL_TEXT_H

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "io/model_files.h"
#include "store/store.h"
#include "test_support.h"

namespace model_text {

inline std::string num(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

// Entries of a sparse vector; sorted by index when the format does not keep
// their order.
inline std::string terms(const tvx::SparseList &list, int k, bool sorted) {
  std::vector<std::pair<int, double>> t;
  for (int e = 0; e < list.length(k); ++e) t.emplace_back(list.index(k)[e], list.value(k)[e]);
  if (sorted) std::sort(t.begin(), t.end());
  std::string out;
  for (const auto &[i, v] : t) out += " " + std::to_string(i) + ":" + num(v);
  return out;
}

// Every part of the store a model file can state.
inline std::string describe(const tvx::Store &s, bool sorted_terms = false) {
  std::ostringstream out;
  out << "model '" << s.name() << "' sense " << s.sense() << " objcon " << num(s.objcon()) << "\n";
  const tvx::Vars &v = s.vars();
  for (int j = 0; j < s.num_vars(); ++j) {
    out << "var '" << v.names[j] << "' " << v.type[j] << " [" << num(v.lb[j]) << ", "
        << num(v.ub[j]) << "] obj " << num(v.obj[j]) << "\n";
  }
  const tvx::Rows &r = s.rows();
  for (int i = 0; i < s.num_rows(); ++i) {
    out << "row '" << r.names[i] << "' [" << num(r.lhs[i]) << ", " << num(r.rhs[i]) << "]"
        << terms(r.terms, i, sorted_terms) << "\n";
  }
  for (int k = 0; k < s.num_sos(); ++k)
    out << "sos " << s.sos().type[k] << terms(s.sos().members, k, false) << "\n";
  const tvx::GenConstrs &g = s.genconstrs();
  for (int k = 0; k < s.num_genconstrs(); ++k) {
    out << "ind '" << g.names[k] << "' x" << g.binvar[k] << "=" << g.binval[k] << " " << g.sense[k]
        << " " << num(g.rhs[k]) << terms(g.terms, k, sorted_terms) << "\n";
  }
  const tvx::QTerms &q = s.qterms();
  for (std::size_t k = 0; k < q.val.size(); ++k)
    out << "q " << q.row[k] << " " << q.col[k] << " " << num(q.val[k]) << "\n";
  return out.str();
}

// The status and, on success, the description of what the file holds.
inline std::string read_back(const std::string &path, int *rc, bool sorted_terms = false) {
  tvx::Store s;
  *rc = tvx::read_model_file(path.c_str(), s);
  return *rc == TVX_ERROR_OKAY ? describe(s, sorted_terms) : std::string();
}

}  // namespace model_text

#endif
