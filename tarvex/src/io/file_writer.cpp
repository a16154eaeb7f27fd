#include "io/file_writer.h"

#include <charconv>
#include <initializer_list>
#include <string>
#include <unordered_set>

#include "io/model_builder.h"

namespace tvx {

TextWriter &TextWriter::num(double value) { return *this << format_number(value); }

int TextWriter::flush() {
  if (status_ == TVX_ERROR_OKAY && !buf_.empty()) status_ = file_.write(buf_);
  buf_.clear();
  return status_;
}

std::string format_number(double value) {
  char text[32];
  const std::to_chars_result r = std::to_chars(text, text + sizeof text, value);
  return std::string(text, static_cast<std::size_t>(r.ptr - text));
}

namespace {

bool is_lp_blank(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool is_lp_operator(char c) {
  switch (c) {
    case '+':
    case '-':
    case '*':
    case '^':
    case '[':
    case ']':
    case '<':
    case '>':
    case '=':
    case ':':
    case '\\':
      return true;
    default:
      return false;
  }
}

// Words the LP reader takes for a section keyword (or an infinite bound, or
// "free") where a name stands alone at the start of a line; a variable so
// named could not be listed in the General, Binary or Semi sections.
bool is_lp_word(std::string_view name) {
  static constexpr std::string_view kWords[] = {
      "min",      "minimize",       "minimise", "minimum",  "max",      "maximize",
      "maximise", "maximum",        "st",       "s.t.",     "st.",      "subject",
      "such",     "bounds",         "bound",    "general",  "generals", "gen",
      "integer",  "integers",       "binary",   "binaries", "bin",      "semi",
      "semis",    "semicontinuous", "sos",      "end",      "free",     "inf",
      "infinity"};
  for (const std::string_view w : kWords)
    if (equals_folded(name, w)) return true;
  return false;
}

bool has_control_char(std::string_view name) {
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u == 0x7f) return true;
  }
  return false;
}

bool valid_mps_row_name(std::string_view name) {
  // A row so named would turn its coefficient lines into integer markers.
  return valid_mps_name(name) && !equals_folded(name, "'marker'");
}

bool valid_lp_col_name(std::string_view name) { return valid_lp_name(name) && !is_lp_word(name); }

// One kind of element whose names go into a namespace.
struct NameKind {
  const NameTable &names;
  const char *prefix;
  bool optional;  // an unnamed element may stay unnamed
  bool (*valid)(std::string_view);
  std::vector<std::string> &out;
};

// Names of kinds that share a namespace: every kept name is reserved before
// any name is generated, so a generated name never takes a store name that
// comes later.
void assign_names(std::initializer_list<NameKind> kinds, std::unordered_set<std::string> &taken) {
  for (const NameKind &k : kinds) {
    k.out.assign(static_cast<std::size_t>(k.names.size()), std::string());
    for (int i = 0; i < k.names.size(); ++i) {
      const std::string &name = k.names[i];
      if (!name.empty() && k.valid(name) && taken.insert(name).second)
        k.out[static_cast<std::size_t>(i)] = name;
    }
  }
  for (const NameKind &k : kinds) {
    for (int i = 0; i < k.names.size(); ++i) {
      std::string &name = k.out[static_cast<std::size_t>(i)];
      if (!name.empty() || (k.optional && k.names[i].empty())) continue;
      const std::string base = k.prefix + std::to_string(i);
      name = base;
      for (long long suffix = 1; !taken.insert(name).second; ++suffix)
        name = base + "_" + std::to_string(suffix);
    }
  }
}

}  // namespace

// A leading "#" would make the name's line in a .sol or .mst file a comment.
bool valid_mps_name(std::string_view name) {
  return !name.empty() && name.front() != '#' && !has_control_char(name);
}

// The LP reader's name syntax: the name must come out of its tokenizer as
// one name token.
bool valid_lp_name(std::string_view name) {
  const std::size_t n = name.size();
  if (n == 0 || has_control_char(name)) return false;
  const char c = name[0];
  if (is_digit(c) || c == '.' || c == '/' || is_lp_operator(c)) return false;
  std::size_t j = 0;
  while (j < n && !is_lp_blank(name[j])) {
    if (name[j] == '[') {
      std::size_t k = j + 1;
      while (k < n && !is_lp_blank(name[k]) && !is_lp_operator(name[k])) ++k;
      if (k == n || name[k] != ']') return false;
      j = k + 1;
      continue;
    }
    if (is_lp_operator(name[j])) return false;
    ++j;
  }
  return j == n;
}

FileNames file_names(const Store &s, NameStyle style) {
  FileNames out;
  const bool lp = style == NameStyle::Lp;
  {
    std::unordered_set<std::string> taken;
    assign_names({{s.vars().names, "C", false, lp ? valid_lp_col_name : valid_mps_name, out.cols}},
                 taken);
  }
  std::unordered_set<std::string> taken;
  const auto row_valid = lp ? valid_lp_name : valid_mps_row_name;
  assign_names({{s.rows().names, "R", lp, row_valid, out.rows},
                {s.genconstrs().names, "G", lp, row_valid, out.gens}},
               taken);
  out.objective = "OBJ";
  for (long long suffix = 1; taken.count(out.objective) > 0; ++suffix)
    out.objective = "OBJ_" + std::to_string(suffix);
  return out;
}

}  // namespace tvx
