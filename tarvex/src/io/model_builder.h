// What the model file readers share: a model gathered element by element in
// file order, then handed to a fresh Store in a few batches; name lookups
// that allocate nothing per lookup; number parsing.
#ifndef TARVEX_IO_MODEL_BUILDER_H
#define TARVEX_IO_MODEL_BUILDER_H

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "store/store.h"

namespace tvx {

// ASCII case-insensitive comparison with a lower-case word.
bool equals_folded(std::string_view text, std::string_view lower_word);

// The blank- or tab-separated fields of a line, each handed to add; false
// (after max of them) when there are more than max.
template <class Add>
bool split_fields(std::string_view line, std::size_t max, Add &&add) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  std::size_t i = 0, n = 0;
  while (i < line.size()) {
    while (i < line.size() && blank(line[i])) ++i;
    if (i == line.size()) break;
    std::size_t j = i;
    while (j < line.size() && !blank(line[j])) ++j;
    if (n == max) return false;
    add(line.substr(i, j - i));
    ++n;
    i = j;
  }
  return true;
}

// A number as the text formats write it: an optional sign, then decimal
// digits with an optional fraction and exponent, or "inf"/"infinity" in any
// case, which reads as TVX_INFINITY of that sign. False for anything else,
// NaN and numbers beyond the double range.
bool parse_number(std::string_view text, double *out);
// The same without the infinite words: for coefficients, which must be
// finite.
bool parse_coefficient(std::string_view text, double *out);
// Why one of them refused text, for the report.
std::string number_problem(std::string_view text);

// Stable NUL-terminated copies of names: they never move, so string_views
// of them can key a map and pointers to them go to the Store as they are.
class NameArena {
 public:
  std::string_view copy(std::string_view name);

 private:
  std::vector<std::unique_ptr<char[]>> blocks_;
  std::size_t used_ = 0;  // in the last block
  std::size_t size_ = 0;  // of the last block
};

// Names of one kind to their indices; the first index given for a name
// stays. Open addressing over one flat array: a lookup in a table of
// millions of names costs about two cache misses (the slot, the name),
// where a node-based map pays one more for the node.
class NameIndex {
 public:
  // -1 when absent.
  int find(std::string_view name) const;
  // Keys must outlive the index (NameArena copies do).
  void add(std::string_view stable_name, int index);

 private:
  struct Slot {
    const char *key = nullptr;  // null: empty
    std::size_t hash = 0;
    std::size_t len = 0;
    int index = -1;
  };
  std::size_t probe(std::string_view name, std::size_t hash) const;

  std::vector<Slot> slots_;  // a power of two in size, at most half full
  std::size_t used_ = 0;
};

class ModelBuilder {
 public:
  // Variables, in order of creation, with the Store's defaults.
  int num_vars() const { return int_size(lb); }
  int find_var(std::string_view key) const { return var_index_.find(key); }
  // Stays valid as long as the builder.
  std::string_view var_name(int j) const { return var_names_[to_size(j)]; }
  // A new variable; -1 when the 32-bit index space is full. The name must
  // not be in use yet.
  int add_var(std::string_view key);
  // The variable of that name, created when there is none.
  int var(std::string_view key) {
    const int j = find_var(key);
    return j >= 0 ? j : add_var(key);
  }

  // Rows, each lhs <= terms <= rhs. An empty name leaves the row unnamed
  // and out of the lookups.
  int num_rows() const { return int_size(lhs); }
  int find_row(std::string_view key) const { return row_index_.find(key); }
  // Empty for an unnamed row.
  std::string_view row_name(int i) const {
    const char *text = row_names_[to_size(i)];
    return text == nullptr ? std::string_view() : std::string_view(text);
  }
  int add_row(std::string_view key, double lower, double upper);
  // Coefficients in any order; those repeated for one row and variable add
  // up.
  void add_coeff(int row, int var, double value);

  // Makes a row an indicator constraint instead: when variable binvar is
  // binval, terms sense rhs. Indicators keep the order of these calls; each
  // row may be made one once.
  void make_indicator(int row, int binvar, int binval, char row_sense, double rhs);
  bool is_indicator(int row) const { return indicator_of_[to_size(row)] >= 0; }

  // SOS: a set, then its members.
  void begin_sos(int type);
  void add_sos_member(int var, double weight);
  int num_sos() const { return int_size(sos_type_); }
  // Members of the set begun last.
  int last_sos_size() const;

  void add_qterm(int row, int col, double value);

  // Hands everything over to out, which must be empty. Content the Store
  // refuses (a name that is not UTF-8, a value out of its range, a variable
  // twice in one SOS) is FORMAT_ERROR; nothing is left half-built in out
  // that its caller would keep.
  int build(Store &out);

  std::string name;
  int sense = TVX_MINIMIZE;
  double objcon = 0;
  // Per variable.
  std::vector<double> lb, ub, obj;
  std::vector<char> type;
  // Per row.
  std::vector<double> lhs, rhs;

 private:
  // The coefficients row by row (row i: start[i] .. start[i + 1]), repeats
  // summed.
  struct RowMatrix {
    std::vector<std::size_t> start;
    std::vector<int> ind;
    std::vector<double> val;
  };
  RowMatrix row_matrix();
  int add_linear_rows(const RowMatrix &a, Store &out) const;
  int add_sos_sets(Store &out) const;
  int add_indicators(const RowMatrix &a, Store &out) const;

  struct Indicator {
    int row, binvar, binval;
    char sense;
    double rhs;
  };

  NameArena arena_;
  NameIndex var_index_, row_index_;
  std::vector<const char *> var_names_, row_names_;
  std::vector<int> indicator_of_;  // per row: index into indicators_, or -1
  std::vector<Indicator> indicators_;
  // Coefficients as triplets, in the order given.
  std::vector<int> coef_row_, coef_var_;
  std::vector<double> coef_val_;
  std::vector<int> sos_type_, sos_beg_, sos_ind_;
  std::vector<double> sos_weight_;
  std::vector<int> q_row_, q_col_;
  std::vector<double> q_val_;
};

}  // namespace tvx

#endif
