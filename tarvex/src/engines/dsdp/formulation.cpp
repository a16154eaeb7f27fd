// The standard form of formulation.h.
#include "engines/dsdp/formulation.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <utility>

#include "store/psd_matrix.h"

namespace tvx {
namespace {

using Matrix = std::map<std::int64_t, double>;  // packed lower-triangle position -> value

// A row of the full form (or the objective): sum over columns + sum over
// blocks of <matrix, X_block> = b.
struct Row {
  std::map<int, double> columns;
  std::map<int, Matrix> matrices;  // by block
  double b = 0;
  bool kept = true;

  bool empty() const { return columns.empty() && matrices.empty(); }
};

// target -= factor * source, dropping what cancels exactly.
template <class Map>
void subtract(Map &target, const Map &source, double factor) {
  for (const auto &entry : source) {
    const auto it = target.emplace(entry.first, 0.0).first;
    it->second -= factor * entry.second;
    if (it->second == 0) target.erase(it);
  }
}

void subtract_row(Row &target, const Row &source, double factor) {
  subtract(target.columns, source.columns, factor);
  for (const auto &m : source.matrices) {
    Matrix &into = target.matrices[m.first];
    subtract(into, m.second, factor);
    if (into.empty()) target.matrices.erase(m.first);
  }
  target.b -= factor * source.b;
}

class Builder {
 public:
  explicit Builder(const Store &model) : model_(model) {}

  SdpForm build() {
    form_.maximize = model_.sense() == TVX_MAXIMIZE;
    sign_ = form_.maximize ? -1.0 : 1.0;
    form_.constant = sign_ * model_.objcon();
    map_vars();
    map_rows();
    map_psd_objective();
    for (int column = 0; column < form_.num_columns; ++column) {
      if (free_[to_size(column)]) eliminate(column);
    }
    drop_empty_rows();
    drop_unused();
    lay_out();
    return std::move(form_);
  }

 private:
  int new_column(double cost, bool free = false) {
    if (cost != 0) objective_.columns[form_.num_columns] = cost;
    free_.push_back(static_cast<char>(free));
    return form_.num_columns++;
  }

  // Full-form rows are numbered from 1.
  Row &new_row(double b, int *number = nullptr) {
    rows_.emplace_back();
    rows_.back().b = b;
    if (number != nullptr) *number = int_size(rows_);
    return rows_.back();
  }

  void map_vars() {
    const Vars &v = model_.vars();
    for (int j = 0; j < model_.num_vars(); ++j) {
      const double lb = finite_or_inf(v.lb[to_size(j)]), ub = finite_or_inf(v.ub[to_size(j)]);
      const double c = sign_ * v.obj[to_size(j)];
      SdpForm::VarMap m;
      if (std::isfinite(lb) && lb == ub) {
        m.shift = lb;
      } else if (std::isfinite(lb)) {
        m.shift = lb;
        m.plus = new_column(c);
        if (std::isfinite(ub)) {
          const int other = new_column(0);
          Row &box = new_row(ub - lb);
          box.columns[m.plus] = 1;
          box.columns[other] = 1;
        }
      } else if (std::isfinite(ub)) {
        m.shift = ub;
        m.minus = new_column(-c);
      } else {
        m.plus = new_column(c, true);
      }
      form_.constant += c * m.shift;
      form_.vars.push_back(m);
    }
  }

  void map_rows() {
    const Rows &rows = model_.rows();
    form_.row_of.assign(to_size(model_.num_rows()), 0);
    for (int i = 0; i < model_.num_rows(); ++i) {
      const double lhs = finite_or_inf(rows.lhs[to_size(i)]),
                   rhs = finite_or_inf(rows.rhs[to_size(i)]);
      if (!std::isfinite(lhs) && !std::isfinite(rhs)) continue;
      Row row;
      double moved = 0;
      for (int e = 0; e < rows.terms.length(i); ++e) {
        const SdpForm::VarMap &m = form_.vars[to_size(rows.terms.index(i)[e])];
        const double a = rows.terms.value(i)[e];
        moved += a * m.shift;
        if (a == 0) continue;
        if (m.plus >= 0) row.columns[m.plus] += a;
        if (m.minus >= 0) row.columns[m.minus] -= a;
      }
      if (const PsdRowPart *part = model_.psd_part(i)) add_part(*part, row);
      row.b = (std::isfinite(lhs) ? lhs : rhs) - moved;
      if (lhs != rhs) {
        const int w = new_column(0);
        row.columns[w] = std::isfinite(lhs) ? -1 : 1;
        if (std::isfinite(lhs) && std::isfinite(rhs)) {
          Row &extra = new_row(rhs - lhs);
          extra.columns[w] = 1;
          extra.columns[new_column(0)] = 1;
        }
      }
      rows_.push_back(std::move(row));
      form_.row_of[to_size(i)] = int_size(rows_);
    }
  }

  void add_matrix(int block, int n, const int *pos, const double *val, double factor, Row &into) {
    const std::vector<SymEntry> entries =
        symmetric_entries(model_.psd_vars().dim[to_size(block)], n, pos, val);
    if (entries.empty()) return;
    Matrix &m = into.matrices[block];
    for (const SymEntry &e : entries) m[packed_position(e.row, e.col)] = factor * e.value;
  }

  void add_part(const PsdRowPart &part, Row &into) {
    for (std::size_t k = 0; k < part.var.size(); ++k) {
      const int b = part.run_begin(k), e = part.run_end(k);
      add_matrix(part.var[k], e - b, part.pos.data() + b, part.val.data() + b, 1.0, into);
    }
  }

  void map_psd_objective() {
    const PsdVars &p = model_.psd_vars();
    form_.block_dim = p.dim;
    for (int k = 0; k < model_.num_psd_vars(); ++k) {
      add_matrix(k, p.obj.length(k), p.obj.index(k), p.obj.value(k), sign_, objective_);
    }
  }

  // Solves one kept row for the free column and substitutes it everywhere.
  void eliminate(int column) {
    int pivot = 0;  // full-form row number
    double best = 0;
    std::vector<std::pair<int, double>> holders;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
      if (!rows_[i].kept) continue;
      const auto it = rows_[i].columns.find(column);
      if (it == rows_[i].columns.end()) continue;
      holders.push_back({static_cast<int>(i + 1), it->second});
      const double size = std::fabs(it->second);
      if (size > best || (size == best && pivot > 0 &&
                          rows_[i].columns.size() < rows_[to_size(pivot - 1)].columns.size())) {
        best = size;
        pivot = static_cast<int>(i + 1);
      }
    }
    const auto cost_at = objective_.columns.find(column);
    const double cost = cost_at == objective_.columns.end() ? 0.0 : cost_at->second;
    if (pivot == 0) {
      // In no row: 0 unless its cost makes the model unbounded.
      if (cost != 0) unbounded("a free variable with a cost is in no row");
      objective_.columns.erase(column);
      return;
    }
    Row &p = rows_[to_size(pivot - 1)];
    EliminatedRow record;
    record.row = pivot;
    record.column = column;
    record.pivot = p.columns[column];
    record.columns.assign(p.columns.begin(), p.columns.end());
    for (const auto &m : p.matrices) {
      record.matrices.push_back({m.first, {m.second.begin(), m.second.end()}});
    }
    record.b = p.b;
    record.column_cost = cost;
    for (const auto &h : holders) {
      if (h.first != pivot) record.column_rows.push_back(h);
    }
    p.kept = false;
    for (const auto &h : record.column_rows) {
      Row &row = rows_[to_size(h.first - 1)];
      subtract_row(row, p, h.second / record.pivot);
      row.columns.erase(column);  // what rounding left of it
    }
    if (cost != 0) {
      const double factor = cost / record.pivot;
      subtract_row(objective_, p, factor);
      form_.constant += factor * p.b;  // the objective's "b" is minus its constant
      objective_.b = 0;
      objective_.columns.erase(column);
    }
    form_.eliminated.push_back(std::move(record));
  }

  // A row without terms holds when its side is 0 and never otherwise; DSDP
  // would find its y undetermined either way.
  void drop_empty_rows() {
    for (std::size_t i = 0; i < rows_.size(); ++i) {
      Row &row = rows_[i];
      if (!row.kept || !row.empty()) continue;
      row.kept = false;
      if (std::fabs(row.b) > 1e-9 * (1 + std::fabs(row.b)) && !form_.infeasible) {
        form_.infeasible = true;
        form_.why = "a row is left without terms but with a side other than 0";
      }
    }
  }

  void unbounded(const char *why) {
    if (form_.unbounded_if_feasible) return;
    form_.unbounded_if_feasible = true;
    form_.why = why;
  }

  // Columns and PSD variables that no kept row holds: at 0, and out of the
  // objective (whose value there is 0), unless their cost lets the
  // objective fall without bound.
  void drop_unused() {
    used_.assign(to_size(form_.num_columns), 0);
    std::vector<char> used_block(form_.block_dim.size(), 0);
    for (const Row &row : rows_) {
      if (!row.kept) continue;
      for (const auto &c : row.columns) used_[to_size(c.first)] = 1;
      for (const auto &m : row.matrices) used_block[to_size(m.first)] = 1;
    }
    for (int c = 0; c < form_.num_columns; ++c) {
      if (used_[to_size(c)] || free_[to_size(c)]) continue;
      const auto it = objective_.columns.find(c);
      if (it == objective_.columns.end()) continue;
      if (it->second < 0) unbounded("a variable with a cost that falls as it grows is in no row");
      objective_.columns.erase(it);
    }
    for (std::size_t k = 0; k < used_block.size(); ++k) {
      if (used_block[k]) {
        form_.cone_var.push_back(static_cast<int>(k));
        continue;
      }
      const auto it = objective_.matrices.find(static_cast<int>(k));
      if (it == objective_.matrices.end()) continue;
      std::vector<SymEntry> c;
      for (const auto &e : it->second) {
        SymEntry entry{0, 0, e.second};
        unpacked_position(e.first, &entry.row, &entry.col);
        c.push_back(entry);
      }
      const int dim = form_.block_dim[k];
      if (!near_psd(dense_symmetric(dim, c).data(), dim, 1e-12)) {
        unbounded("a PSD variable whose objective matrix is not PSD is in no row");
      }
      objective_.matrices.erase(it);
    }
  }

  void lay_out() {
    form_.num_full_rows = int_size(rows_);
    form_.lp_of.assign(to_size(form_.num_columns), -1);
    for (int c = 0; c < form_.num_columns; ++c) {
      if (used_[to_size(c)]) form_.lp_of[to_size(c)] = form_.num_lp++;
    }
    std::vector<int> block_of(form_.block_dim.size(), -1);
    for (std::size_t b = 0; b < form_.cone_var.size(); ++b) {
      block_of[to_size(form_.cone_var[b])] = static_cast<int>(b);
    }
    cone_block_ = std::move(block_of);
    form_.lp_beg.push_back(0);
    add_vari(objective_, 0);
    for (std::size_t i = 0; i < rows_.size(); ++i) {
      if (!rows_[i].kept) continue;
      form_.kept.push_back(static_cast<int>(i + 1));
      form_.b.push_back(rows_[i].b);
      add_vari(rows_[i], ++form_.num_rows);
    }
  }

  void add_vari(const Row &row, int vari) {
    for (const auto &c : row.columns) {  // ascending column, so ascending LP column
      form_.lp_index.push_back(form_.lp_of[to_size(c.first)]);
      form_.lp_value.push_back(c.second);
    }
    form_.lp_beg.push_back(int_size(form_.lp_index));
    for (const auto &m : row.matrices) {
      SdpMatrix out;
      out.block = cone_block_[to_size(m.first)];
      out.vari = vari;
      for (const auto &e : m.second) {
        out.index.push_back(static_cast<int>(e.first));
        out.value.push_back(e.second);
      }
      form_.matrices.push_back(std::move(out));
    }
  }

  const Store &model_;
  SdpForm form_;
  double sign_ = 1;
  std::vector<char> free_;       // per column
  std::vector<char> used_;       // per column: held by a kept row
  std::vector<int> cone_block_;  // per PSD variable: its block in the cone, or -1
  std::vector<Row> rows_;        // full-form row i + 1 at i
  Row objective_;                // costs per column and C per block
};

// <M, X> for a packed lower triangle M and a dim x dim X, row-major.
double packed_product(const std::vector<std::pair<std::int64_t, double>> &m, const double *x,
                      int dim) {
  double sum = 0;
  for (const auto &e : m) {
    int r = 0, c = 0;
    unpacked_position(e.first, &r, &c);
    const double t = e.second * x[to_size(r) * to_size(dim) + to_size(c)];
    sum += r == c ? t : 2 * t;
  }
  return sum;
}

}  // namespace

SdpForm sdp_form(const Store &model) { return Builder(model).build(); }

double largest_cost(const SdpForm &f) {
  double big = 0;
  for (int k = f.lp_beg[0]; k < f.lp_beg[1]; ++k)
    big = std::max(big, std::fabs(f.lp_value[to_size(k)]));
  for (const SdpMatrix &m : f.matrices) {
    if (m.vari != 0) continue;
    for (double v : m.value) big = std::max(big, std::fabs(v));
  }
  return big;
}

double largest_side(const SdpForm &f) {
  double big = 0;
  for (double v : f.b) big = std::max(big, std::fabs(v));
  return big;
}

std::vector<double> model_point(const SdpForm &f, const double *z,
                                const std::vector<std::vector<double>> &x) {
  std::vector<double> column(to_size(f.num_columns), 0.0);
  for (int c = 0; c < f.num_columns; ++c) {
    if (f.lp_of[to_size(c)] >= 0) column[to_size(c)] = z[f.lp_of[to_size(c)]];
  }
  // Later eliminations first: an eliminated row holds only columns solved
  // for after it.
  for (auto e = f.eliminated.rbegin(); e != f.eliminated.rend(); ++e) {
    double rest = e->b;
    for (const auto &c : e->columns) {
      if (c.first != e->column) rest -= c.second * column[to_size(c.first)];
    }
    for (const auto &m : e->matrices) {
      rest -= packed_product(m.second, x[to_size(m.first)].data(), f.block_dim[to_size(m.first)]);
    }
    column[to_size(e->column)] = rest / e->pivot;
  }
  std::vector<double> out;
  out.reserve(f.vars.size());
  for (const SdpForm::VarMap &m : f.vars) {
    double value = m.shift;
    if (m.plus >= 0) value += column[to_size(m.plus)];
    if (m.minus >= 0) value -= column[to_size(m.minus)];
    out.push_back(value);
  }
  return out;
}

std::vector<double> full_duals(const SdpForm &f, const double *y) {
  std::vector<double> dual(to_size(f.num_full_rows) + 1, 0.0);  // by full-form row number
  for (int i = 0; i < f.num_rows; ++i) dual[to_size(f.kept[to_size(i)])] = y[i];
  // A free column's reduced cost is 0: c - sum a_i y_i = 0 over the rows
  // that held it when it was eliminated.
  for (auto e = f.eliminated.rbegin(); e != f.eliminated.rend(); ++e) {
    double rest = e->column_cost;
    for (const auto &r : e->column_rows) rest -= r.second * dual[to_size(r.first)];
    dual[to_size(e->row)] = rest / e->pivot;
  }
  return dual;
}

}  // namespace tvx
