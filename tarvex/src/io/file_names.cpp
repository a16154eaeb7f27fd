#include "io/file_names.h"

#include <initializer_list>
#include <string>
#include <unordered_set>

#include "io/lp/syntax.h"
#include "io/model_builder.h"

namespace tvx {
namespace {

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

bool valid_lp_col_name(std::string_view name) {
  return valid_lp_name(name) && !lp::is_reserved_word(name);
}

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
    k.out.assign(to_size(k.names.size()), std::string());
    for (int i = 0; i < k.names.size(); ++i) {
      const std::string &name = k.names[i];
      if (!name.empty() && k.valid(name) && taken.insert(name).second) k.out[to_size(i)] = name;
    }
  }
  for (const NameKind &k : kinds) {
    for (int i = 0; i < k.names.size(); ++i) {
      std::string &name = k.out[to_size(i)];
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
// one name token (not starting like a number, an operator or a comment).
bool valid_lp_name(std::string_view name) {
  if (name.empty() || has_control_char(name)) return false;
  const char c = name[0];
  if (lp::is_digit(c) || c == '.' || c == '/' || lp::is_operator_char(c)) return false;
  return lp::name_end(name, 0) == name.size();
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
  const std::string objective = lp ? "obj" : "OBJ";
  out.objective = objective;
  for (long long suffix = 1; taken.count(out.objective) > 0; ++suffix)
    out.objective = objective + "_" + std::to_string(suffix);
  return out;
}

}  // namespace tvx
