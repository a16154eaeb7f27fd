// The questions of questions.h, as forms of their own.
#include "engines/dsdp/questions.h"

#include <algorithm>
#include <utility>

#include "store/psd_matrix.h"

namespace tvx {
namespace {

// The identity of a block as data matrix vari.
SdpMatrix identity(const SdpForm &f, int block, int vari) {
  SdpMatrix m;
  m.block = block;
  m.vari = vari;
  const int dim = f.block_dim[to_size(f.cone_var[to_size(block)])];
  for (int r = 0; r < dim; ++r) {
    m.index.push_back(static_cast<int>(packed_position(r, r)));
    m.value.push_back(1.0);
  }
  return m;
}

// tr X + sum z as the objective.
void trace_objective(SdpForm &f) {
  const auto cost_end = to_size(f.lp_beg[1]);
  std::vector<int> index(to_size(f.num_lp));
  for (int c = 0; c < f.num_lp; ++c) index[to_size(c)] = c;
  std::vector<double> value(to_size(f.num_lp), 1.0);
  index.insert(index.end(), f.lp_index.begin() + static_cast<std::ptrdiff_t>(cost_end),
               f.lp_index.end());
  value.insert(value.end(), f.lp_value.begin() + static_cast<std::ptrdiff_t>(cost_end),
               f.lp_value.end());
  const int shift = f.num_lp - f.lp_beg[1];
  for (std::size_t v = 1; v < f.lp_beg.size(); ++v) f.lp_beg[v] += shift;
  f.lp_index = std::move(index);
  f.lp_value = std::move(value);
  f.matrices.erase(std::remove_if(f.matrices.begin(), f.matrices.end(),
                                  [](const SdpMatrix &m) { return m.vari == 0; }),
                   f.matrices.end());
  for (int k = 0; k < int_size(f.cone_var); ++k) f.matrices.push_back(identity(f, k, 0));
  f.constant = 0;
}

// The row tr X + sum z = b over every block and LP column.
void trace_row(SdpForm &f, double b) {
  f.b.push_back(b);
  const int vari = ++f.num_rows;
  for (int c = 0; c < f.num_lp; ++c) {
    f.lp_index.push_back(c);
    f.lp_value.push_back(1.0);
  }
  f.lp_beg.push_back(int_size(f.lp_index));
  for (int k = 0; k < int_size(f.cone_var); ++k) f.matrices.push_back(identity(f, k, vari));
}

// The form at the question's scale: b divided by the sides' factor, and the
// costs by theirs (when costs is set).
SdpForm scaled(const SdpForm &f, bool costs) {
  const QuestionScale scale = question_scale(f);
  SdpForm q = f;
  for (double &b : q.b) b /= scale.sides;
  if (!costs) return q;
  for (int k = q.lp_beg[0]; k < q.lp_beg[1]; ++k) q.lp_value[to_size(k)] /= scale.costs;
  for (SdpMatrix &m : q.matrices) {
    if (m.vari != 0) continue;
    for (double &v : m.value) v /= scale.costs;
  }
  q.constant = 0;
  return q;
}

}  // namespace

QuestionScale question_scale(const SdpForm &f) {
  QuestionScale scale;
  const double sides = largest_side(f), costs = largest_cost(f);
  if (sides > 0) scale.sides = sides;
  if (costs > 0) scale.costs = costs;
  return scale;
}

bool zero_objective(const SdpForm &f) {
  if (f.lp_beg[1] > f.lp_beg[0]) return false;
  return std::none_of(f.matrices.begin(), f.matrices.end(),
                      [](const SdpMatrix &m) { return m.vari == 0 && !m.index.empty(); });
}

SdpForm feasibility_question(const SdpForm &f) {
  SdpForm q = scaled(f, false);
  trace_objective(q);
  return q;
}

SdpForm ball_question(const SdpForm &f, double radius) {
  SdpForm q = scaled(f, true);
  ++q.num_lp;  // s, without cost: no entry in the objective's column
  trace_row(q, radius);
  return q;
}

SdpForm ray_question(const SdpForm &f) {
  SdpForm q = scaled(f, true);
  std::fill(q.b.begin(), q.b.end(), 0.0);
  trace_row(q, 1.0);
  return q;
}

}  // namespace tvx
