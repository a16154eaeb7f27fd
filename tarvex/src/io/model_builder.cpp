#include "io/model_builder.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstring>
#include <functional>
#include <system_error>

#include "core/status.h"
#include "io/file_report.h"

namespace tvx {
namespace {

// What a refusal of the Store means for a file: its content is bad, unless
// memory ran out. what names the part refused, for the report.
int content_status(int rc, const std::string &what) {
  if (rc == TVX_ERROR_OKAY || rc == TVX_ERROR_NOMEMORY) return rc;
  return fail(TVX_ERROR_FORMAT_ERROR, what + ": " + status_text(rc));
}

// An element for the report: its name, or its index when it has none.
std::string element(const char *kind, const char *name, std::size_t index) {
  return std::string(kind) + " " +
         (name == nullptr || *name == '\0' ? std::to_string(index) : quoted(name));
}

// What the Store refuses of a batch of elements: the first name it cannot
// hold, else the first value beyond the double range (values add up in a
// file: a coefficient, objective or quadratic, given twice).
template <class ValueText>
int refusal(int rc, const char *kind, const std::vector<const char *> &names, std::size_t first,
            std::size_t count, ValueText &&value_text) {
  for (std::size_t k = first; k < first + count; ++k) {
    if (!valid_name(names[k]))
      return fail(kBadFormat, element(kind, names[k], k) + ": the name is not valid UTF-8");
  }
  for (std::size_t k = first; k < first + count; ++k) {
    const std::string text = value_text(k);
    if (!text.empty()) return fail(kBadFormat, element(kind, names[k], k) + ": " + text);
  }
  return content_status(rc, std::string("the ") + kind + "s");
}

constexpr const char *kBeyond = "add up beyond the double range";

bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool equals_folded(std::string_view text, std::string_view lower_word) {
  if (text.size() != lower_word.size()) return false;
  for (std::size_t k = 0; k < text.size(); ++k) {
    char c = text[k];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != lower_word[k]) return false;
  }
  return true;
}

bool parse_number(std::string_view text, double *out) {
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (equals_folded(text, "inf") || equals_folded(text, "infinity")) {
    *out = negative ? -kInfinity : kInfinity;
    return true;
  }
  // from_chars would also take "nan", a second sign or a bare exponent.
  if (text.empty()) return false;
  const bool digit_first =
      is_digit(text[0]) || (text[0] == '.' && text.size() > 1 && is_digit(text[1]));
  if (!digit_first) return false;
  const char *last = text.data() + text.size();
  double value = 0;
  const std::from_chars_result r = std::from_chars(text.data(), last, value);
  if (r.ptr != last) return false;
  if (r.ec == std::errc::result_out_of_range) {
    // Too small to represent is zero; too large is an error, not infinity,
    // since it may be a coefficient.
    const std::size_t e = text.find_first_of("eE");
    if (e == std::string_view::npos || e + 1 >= text.size() || text[e + 1] != '-') return false;
    value = 0;
  } else if (r.ec != std::errc()) {
    return false;
  }
  *out = negative ? -value : value;
  return true;
}

std::string number_problem(std::string_view text) {
  std::string_view body = text;
  if (!body.empty() && (body[0] == '+' || body[0] == '-')) body.remove_prefix(1);
  double v;
  if (parse_number(text, &v)) return quoted(text) + " where a finite number belongs";
  // parse_number refuses a well-formed number only for its size.
  const char *last = body.data() + body.size();
  const std::from_chars_result r = std::from_chars(body.data(), last, v);
  const bool too_large = !body.empty() && (is_digit(body[0]) || body[0] == '.') && r.ptr == last &&
                         r.ec == std::errc::result_out_of_range;
  return quoted(text) + (too_large ? " is beyond the double range" : " is not a number");
}

bool parse_coefficient(std::string_view text, double *out) {
  std::string_view body = text;
  if (!body.empty() && (body[0] == '+' || body[0] == '-')) body.remove_prefix(1);
  if (body.empty() || !(is_digit(body[0]) || body[0] == '.')) return false;  // "inf"
  return parse_number(text, out);
}

std::string_view NameArena::copy(std::string_view name) {
  const std::size_t need = name.size() + 1;
  if (blocks_.empty() || size_ - used_ < need) {
    size_ = std::max<std::size_t>(std::size_t{1} << 16, need);
    blocks_.push_back(std::make_unique<char[]>(size_));
    used_ = 0;
  }
  char *at = blocks_.back().get() + used_;
  std::memcpy(at, name.data(), name.size());
  at[name.size()] = '\0';
  used_ += need;
  return {at, name.size()};
}

std::size_t NameIndex::probe(std::string_view name, std::size_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
    const Slot &slot = slots_[at];
    if (slot.key == nullptr) return at;
    if (slot.hash == hash && slot.len == name.size() &&
        std::memcmp(slot.key, name.data(), name.size()) == 0)
      return at;
  }
}

int NameIndex::find(std::string_view name) const {
  if (slots_.empty()) return -1;
  return slots_[probe(name, std::hash<std::string_view>()(name))].index;
}

void NameIndex::add(std::string_view stable_name, int index) {
  if (2 * (used_ + 1) > slots_.size()) {
    std::vector<Slot> old(std::max<std::size_t>(64, 2 * slots_.size()));
    old.swap(slots_);
    for (const Slot &slot : old) {
      if (slot.key != nullptr) slots_[probe({slot.key, slot.len}, slot.hash)] = slot;
    }
  }
  const std::size_t hash = std::hash<std::string_view>()(stable_name);
  Slot &slot = slots_[probe(stable_name, hash)];
  if (slot.key != nullptr) return;
  slot = {stable_name.data(), hash, stable_name.size(), index};
  ++used_;
}

int ModelBuilder::add_var(std::string_view var_name) {
  if (num_vars() == INT_MAX) return -1;
  const std::string_view stable = arena_.copy(var_name);
  var_index_.add(stable, num_vars());
  var_names_.push_back(stable.data());
  lb.push_back(0);
  ub.push_back(kInfinity);
  obj.push_back(0);
  type.push_back('C');
  return num_vars() - 1;
}

int ModelBuilder::add_row(std::string_view row_name, double lower, double upper) {
  if (num_rows() == INT_MAX) return -1;
  const char *stored = nullptr;
  if (!row_name.empty()) {
    const std::string_view stable = arena_.copy(row_name);
    row_index_.add(stable, num_rows());
    stored = stable.data();
  }
  row_names_.push_back(stored);
  indicator_of_.push_back(-1);
  lhs.push_back(lower);
  rhs.push_back(upper);
  return num_rows() - 1;
}

void ModelBuilder::add_coeff(int row, int var, double value) {
  coef_row_.push_back(row);
  coef_var_.push_back(var);
  coef_val_.push_back(value);
}

void ModelBuilder::make_indicator(int row, int binvar, int binval, char row_sense,
                                  double rhs_value) {
  indicator_of_[to_size(row)] = int_size(indicators_);
  indicators_.push_back({row, binvar, binval, row_sense, rhs_value});
}

void ModelBuilder::begin_sos(int sos_type) {
  sos_type_.push_back(sos_type);
  sos_beg_.push_back(static_cast<int>(std::min<std::size_t>(sos_ind_.size(), INT_MAX)));
}

void ModelBuilder::add_sos_member(int var, double weight) {
  sos_ind_.push_back(var);
  sos_weight_.push_back(weight);
}

int ModelBuilder::last_sos_size() const {
  return sos_beg_.empty() ? 0 : int_size(sos_ind_) - sos_beg_.back();
}

void ModelBuilder::add_qterm(int row, int col, double value) {
  q_row_.push_back(row);
  q_col_.push_back(col);
  q_val_.push_back(value);
}

// Coefficients row by row: a counting sort keeps each row's file order,
// then repeats within a row are summed into their first place. A variable
// last placed before the current row's start belongs to an earlier row, so
// `where` needs no clearing between rows. The triplets are released.
ModelBuilder::RowMatrix ModelBuilder::row_matrix() {
  const std::size_t rows = lhs.size();
  const std::size_t nnz = coef_val_.size();
  RowMatrix a;
  a.start.assign(rows + 1, 0);
  for (const int i : coef_row_) ++a.start[to_size(i) + 1];
  for (std::size_t i = 0; i < rows; ++i) a.start[i + 1] += a.start[i];
  a.ind.resize(nnz);
  a.val.resize(nnz);
  std::vector<std::size_t> next(a.start);
  for (std::size_t k = 0; k < nnz; ++k) {
    const std::size_t at = next[to_size(coef_row_[k])]++;
    a.ind[at] = coef_var_[k];
    a.val[at] = coef_val_[k];
  }
  std::vector<int>().swap(coef_row_);
  std::vector<int>().swap(coef_var_);
  std::vector<double>().swap(coef_val_);

  constexpr std::size_t kNone = SIZE_MAX;
  std::vector<std::size_t> where(lb.size(), kNone);
  std::size_t w = 0;
  for (std::size_t i = 0; i < rows; ++i) {
    const std::size_t row_start = w;
    for (std::size_t k = a.start[i]; k < a.start[i + 1]; ++k) {
      std::size_t &slot = where[to_size(a.ind[k])];
      if (slot != kNone && slot >= row_start) {
        a.val[slot] += a.val[k];
      } else {
        slot = w;
        a.ind[w] = a.ind[k];
        a.val[w] = a.val[k];
        ++w;
      }
    }
    a.start[i] = row_start;
  }
  a.start[rows] = w;
  return a;
}

// Linear rows go in runs between indicator rows, each run split so that a
// batch's count of coefficients fits an int.
int ModelBuilder::add_linear_rows(const RowMatrix &a, Store &out) const {
  const std::size_t rows = lhs.size();
  std::vector<int> beg;
  std::size_t i = 0;
  while (i < rows) {
    if (is_indicator(static_cast<int>(i))) {
      ++i;
      continue;
    }
    const std::size_t base = a.start[i];
    beg.clear();
    std::size_t j = i;
    while (j < rows && !is_indicator(static_cast<int>(j)) &&
           a.start[j + 1] - base <= to_size(INT_MAX)) {
      beg.push_back(static_cast<int>(a.start[j] - base));
      ++j;
    }
    if (j == i) return TVX_ERROR_FORMAT_ERROR;  // one row beyond any int count
    const int rc = out.add_rows(static_cast<int>(j - i), static_cast<int>(a.start[j] - base),
                                beg.data(), a.ind.data() + base, a.val.data() + base,
                                lhs.data() + i, rhs.data() + i, row_names_.data() + i);
    if (rc != TVX_ERROR_OKAY && rc != TVX_ERROR_NOMEMORY) {
      return refusal(rc, "row", row_names_, i, j - i, [&](std::size_t r) {
        for (std::size_t k = a.start[r]; k < a.start[r + 1]; ++k) {
          if (!valid_coeff(a.val[k]))
            return "the coefficients of " + quoted(var_names_[to_size(a.ind[k])]) + " " + kBeyond;
        }
        return std::string();
      });
    }
    if (rc != TVX_ERROR_OKAY) return rc;
    i = j;
  }
  return TVX_ERROR_OKAY;
}

int ModelBuilder::add_sos_sets(Store &out) const {
  if (sos_ind_.size() > to_size(INT_MAX)) return TVX_ERROR_FORMAT_ERROR;
  const int rc = out.add_sos(num_sos(), int_size(sos_ind_), sos_type_.data(), sos_beg_.data(),
                             sos_ind_.data(), sos_weight_.data());
  if (rc != TVX_ERROR_OKAY && rc != TVX_ERROR_NOMEMORY) {
    // Types and weights were checked as read; what is left is a member twice.
    for (std::size_t k = 0; k < sos_beg_.size(); ++k) {
      const std::size_t end = k + 1 < sos_beg_.size() ? to_size(sos_beg_[k + 1]) : sos_ind_.size();
      std::vector<int> members(sos_ind_.begin() + sos_beg_[k],
                               sos_ind_.begin() + static_cast<std::ptrdiff_t>(end));
      std::sort(members.begin(), members.end());
      const auto twice = std::adjacent_find(members.begin(), members.end());
      if (twice != members.end())
        return fail(kBadFormat, "SOS set " + std::to_string(k + 1) + " names " +
                                    quoted(var_names_[to_size(*twice)]) + " twice");
    }
  }
  return content_status(rc, "the SOS sets");
}

int ModelBuilder::add_indicators(const RowMatrix &a, Store &out) const {
  for (const Indicator &g : indicators_) {
    const std::size_t b = a.start[to_size(g.row)];
    const std::size_t e = a.start[to_size(g.row) + 1];
    if (e - b > to_size(INT_MAX)) return TVX_ERROR_FORMAT_ERROR;
    const char *row_name = row_names_[to_size(g.row)];
    const int rc = out.add_indicator(row_name, g.binvar, g.binval, static_cast<int>(e - b),
                                     a.ind.data() + b, a.val.data() + b, g.sense, g.rhs);
    if (rc != TVX_ERROR_OKAY)
      return content_status(rc, element("indicator", row_name, to_size(g.row)));
  }
  return TVX_ERROR_OKAY;
}

int ModelBuilder::build(Store &out) {
  if (!valid_name(name.c_str()) || name.size() != std::strlen(name.c_str()))
    return fail(kBadFormat, "the model name is not valid UTF-8");
  if (!valid_coeff(objcon))
    return fail(kBadFormat, std::string("the objective constants ") + kBeyond);
  out.set_name(std::string(name));
  out.set_sense(sense);
  out.set_objcon(objcon);

  int rc = out.add_vars(num_vars(), 0, nullptr, nullptr, nullptr, obj.data(), lb.data(), ub.data(),
                        type.data(), var_names_.data());
  if (rc != TVX_ERROR_OKAY && rc != TVX_ERROR_NOMEMORY) {
    return refusal(rc, "variable", var_names_, 0, lb.size(), [this](std::size_t j) {
      return valid_coeff(obj[j]) ? std::string()
                                 : std::string("its objective coefficients ") + kBeyond;
    });
  }
  if (rc != TVX_ERROR_OKAY) return rc;
  const RowMatrix a = row_matrix();
  rc = add_linear_rows(a, out);
  if (rc != TVX_ERROR_OKAY) return rc;
  rc = add_sos_sets(out);
  if (rc != TVX_ERROR_OKAY) return rc;
  rc = add_indicators(a, out);
  if (rc != TVX_ERROR_OKAY) return rc;
  if (q_val_.size() > to_size(INT_MAX)) return TVX_ERROR_FORMAT_ERROR;
  rc = out.add_qterms(int_size(q_val_), q_row_.data(), q_col_.data(), q_val_.data());
  return content_status(rc, "the quadratic objective terms");
}

}  // namespace tvx
