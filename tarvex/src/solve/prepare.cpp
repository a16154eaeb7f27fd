// The preparation of prepare.h: rounded bounds and the engines' limits.
#include "solve/prepare.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/numeric.h"
#include "core/status.h"

namespace tvx {
namespace {

// The variables indicators switch on: binary whatever their stated type.
std::vector<char> indicator_variables(const Store &model) {
  std::vector<char> out(to_size(model.num_vars()), 0);
  for (int j : model.genconstrs().binvar) out[to_size(j)] = 1;
  return out;
}

bool beyond(double value, double limit) { return std::fabs(value) >= limit; }

// The first linear or PSD coefficient of a row at or beyond limit.
std::string row_coefficient(const Store &model, double limit) {
  const Rows &rows = model.rows();
  for (int i = 0; i < model.num_rows(); ++i) {
    for (int e = 0; e < rows.terms.length(i); ++e) {
      const double a = rows.terms.value(i)[e];
      if (beyond(a, limit)) {
        return "the coefficient " + number_text(a) + " of " +
               element_text(TVX_ATTRKIND_VAR, rows.terms.index(i)[e]) + " in " +
               element_text(TVX_ATTRKIND_LINCONSTR, i);
      }
    }
    const PsdRowPart *part = model.psd_part(i);
    if (part == nullptr) continue;
    for (std::size_t k = 0; k < part->var.size(); ++k) {
      for (int e = part->run_begin(k); e < part->run_end(k); ++e) {
        const double a = part->val[to_size(e)];
        if (beyond(a, limit)) {
          return "the matrix entry " + number_text(a) + " of " +
                 element_text(TVX_ATTRKIND_PSDVAR, part->var[k]) + " in " +
                 element_text(TVX_ATTRKIND_LINCONSTR, i);
        }
      }
    }
  }
  return std::string();
}

// The first coefficient of an indicator's row, or of the Hessian, at or
// beyond limit.
std::string other_coefficient(const Problem &p, double limit) {
  const GenConstrs &g = p.model.genconstrs();
  for (int k = 0; k < p.model.num_genconstrs(); ++k) {
    for (int e = 0; e < g.terms.length(k); ++e) {
      const double a = g.terms.value(k)[e];
      if (beyond(a, limit)) {
        return "the coefficient " + number_text(a) + " of " +
               element_text(TVX_ATTRKIND_VAR, g.terms.index(k)[e]) + " in " +
               element_text(TVX_ATTRKIND_GENCONSTR, k);
      }
    }
  }
  // H holds twice a square's coefficient: it is what an engine takes.
  const Hessian &h = p.hessian;
  for (int j = 0; j + 1 < int_size(h.start); ++j) {
    for (int k = h.start[to_size(j)]; k < h.start[to_size(j) + 1]; ++k) {
      if (beyond(h.value[to_size(k)], limit)) {
        return "the Hessian entry " + number_text(h.value[to_size(k)]) +
               " of the quadratic objective for variables " + std::to_string(h.index[to_size(k)]) +
               " and " + std::to_string(j);
      }
    }
  }
  return std::string();
}

std::string cost(const Store &model, double limit) {
  for (int j = 0; j < model.num_vars(); ++j) {
    const double c = model.vars().obj[to_size(j)];
    if (beyond(c, limit)) {
      return "the objective coefficient " + number_text(c) + " of " +
             element_text(TVX_ATTRKIND_VAR, j);
    }
  }
  const SparseList &matrices = model.psd_vars().obj;
  for (int k = 0; k < model.num_psd_vars(); ++k) {
    for (int e = 0; e < matrices.length(k); ++e) {
      if (beyond(matrices.value(k)[e], limit)) {
        return "the objective matrix entry " + number_text(matrices.value(k)[e]) + " of " +
               element_text(TVX_ATTRKIND_PSDVAR, k);
      }
    }
  }
  return std::string();
}

// Infinite sides and bounds are no data: only finite ones count.
std::string side(const Store &model, double limit) {
  const auto finite_beyond = [limit](double value) {
    return std::isfinite(finite_or_inf(value)) && beyond(value, limit);
  };
  for (int i = 0; i < model.num_rows(); ++i) {
    for (double s : {model.rows().lhs[to_size(i)], model.rows().rhs[to_size(i)]}) {
      if (finite_beyond(s)) {
        return "the side " + number_text(s) + " of " + element_text(TVX_ATTRKIND_LINCONSTR, i);
      }
    }
  }
  for (int j = 0; j < model.num_vars(); ++j) {
    for (double b : {model.vars().lb[to_size(j)], model.vars().ub[to_size(j)]}) {
      if (finite_beyond(b)) {
        return "the bound " + number_text(b) + " of " + element_text(TVX_ATTRKIND_VAR, j);
      }
    }
  }
  return std::string();
}

}  // namespace

PreparedModel::PreparedModel(const Store &model, double tolerance) : model_(model) {
  const Vars &v = model.vars();
  const std::vector<char> switched = indicator_variables(model);
  for (int j = 0; j < model.num_vars(); ++j) {
    const bool semi = is_semi_type(v.type[to_size(j)]);
    const bool indicator = switched[to_size(j)] != 0 && !semi;
    if (!is_integral_type(v.type[to_size(j)]) && !indicator) continue;
    double lb = v.solve_lb(j), ub = v.solve_ub(j);
    if (indicator) {
      lb = std::max(lb, 0.0);
      ub = std::min(ub, 1.0);
    }
    double low = integer_at_or_above(lb, tolerance), high = integer_at_or_below(ub, tolerance);
    if (low > high) {
      if (!semi) {
        if (no_integer_.empty()) {
          no_integer_ =
              element_text(TVX_ATTRKIND_VAR, j) + " has no integer value within its bounds";
        }
        continue;
      }
      low = high = 0;  // a semi-integer variable without a range is 0
    }
    if (low == lb && high == ub) continue;
    if (!rounded_) rounded_.reset(new Store(model));
    rounded_->set_var_lb(j, as_reported(low));
    rounded_->set_var_ub(j, as_reported(high));
  }
}

double row_scale(const Store &model, int i) {
  constexpr double kRange = 1024;
  const double *value = model.rows().terms.value(i);
  double largest = 0;
  for (int e = 0; e < model.rows().terms.length(i); ++e) {
    largest = std::max(largest, std::fabs(value[e]));
  }
  if (largest <= kRange && (largest == 0 || largest >= 1 / kRange)) return 1;
  return std::exp2(-std::round(std::log2(largest)));
}

std::string beyond_limits(const Problem &p, const DataLimits &limits, const std::string &engine) {
  double limit = limits.coefficient;
  std::string why = row_coefficient(p.model, limit);
  if (why.empty()) why = other_coefficient(p, limit);
  if (why.empty()) {
    limit = limits.cost;
    why = cost(p.model, limit);
  }
  if (why.empty()) {
    limit = limits.side;
    why = side(p.model, limit);
  }
  if (why.empty()) return why;
  return why + " is beyond " + engine + "'s limit of " + number_text(limit);
}

}  // namespace tvx
