// LP text files, as lp/reader.cpp reads them back to the same store and as
// other solvers' LP readers read the same problem.
//
// - The objective lists every variable in index order, with a zero where it
//   has no coefficient: variables come into being where they are first
//   named, so this keeps their order. The constant follows as a term, the
//   quadratic terms as "[ 2v x * y ] / 2", one per stored term.
// - Rows keep their sides exactly: "= v", "<= hi", ">= lo", ">= -inf" for a
//   free row, "lo <= terms <= hi" for a range. Unnamed rows and indicators
//   stay unnamed.
// - Bounds only where they differ from the reader's defaults ([0, inf), and
//   [0, 1] for a binary, whose section comes after the Bounds section so a
//   stated bound stands).
// - No line starts with a word the reader could take for a section keyword:
//   coefficients are always written, continuation lines start with a sign
//   or a name followed by an operator, and a variable named like a keyword
//   gets a generated name (file_names).
// - The objective's label is no row's name ("obj", else "obj_1", ...).
//
// HiGHS's and CoinUtils' LP readers read these files as the same model, but
// for what one of them has no form for, where our form is kept: a range row
// (neither reads "lo <= terms <= hi"), names with characters other than
// letters, digits and ! # $ % & ' ( ) , . ; ? @ _ ` { } ~ (";" not first;
// "x[1]" above all), names longer than 100 characters (CoinUtils),
// quadratic objectives and semi-continuous variables (CoinUtils), SOS
// (HiGHS) and indicators (neither).
#include <cmath>
#include <string>
#include <vector>

#include "io/file_names.h"
#include "io/text_writer.h"
#include "io/model_files.h"

namespace tvx {
namespace {

constexpr std::size_t kWidth = 100;  // lines are wrapped near this length

// Pieces joined by blanks into lines that wrap before a piece.
class LpLine {
 public:
  explicit LpLine(TextWriter &out) : out_(out) {}
  void begin(std::string_view lead) {
    text_.assign(lead);
    lead_ = text_.size();
  }
  void piece(std::string_view p) {
    if (text_.size() > lead_ && text_.size() + 1 + p.size() > kWidth) {
      text_.push_back('\n');
      out_ << text_;
      text_.assign("  ");
      lead_ = text_.size();
    }
    text_.push_back(' ');
    text_.append(p);
  }
  void end() {
    text_.push_back('\n');
    out_ << text_;
  }

 private:
  TextWriter &out_;
  std::string text_;
  std::size_t lead_ = 0;
};

// A side of a relation or bound: infinite sides as the reader's words.
std::string side(double v) {
  if (is_plus_infinite(v)) return "inf";
  if (is_minus_infinite(v)) return "-inf";
  return format_number(v);
}

// "c name" with its sign; the first term of an expression has no "+".
std::string term(double c, const std::string &name, bool first) {
  std::string t;
  if (std::signbit(c)) {
    t = "- ";
  } else if (!first) {
    t = "+ ";
  }
  t += format_number(std::fabs(c));
  t += ' ';
  t += name;
  return t;
}

// The sections in their order, each written by its own method.
class LpWriter {
 public:
  LpWriter(TextWriter &out, const Store &s)
      : out_(out), s_(s), names_(file_names(s, NameStyle::Lp)), line_(out) {}

  void objective();
  void constraints();
  void bounds();
  void types();
  void sets();

 private:
  void linear(int len, const int *ind, const double *val);
  void label(const std::string &name);
  void row(int i);
  void indicator(int k);
  void list(const char *section, const char *types);
  const std::string &col(int j) const { return names_.cols[to_size(j)]; }

  TextWriter &out_;
  const Store &s_;
  const FileNames names_;
  LpLine line_;
};

void LpWriter::linear(int len, const int *ind, const double *val) {
  for (int e = 0; e < len; ++e) line_.piece(term(val[e], col(ind[e]), e == 0));
}

void LpWriter::label(const std::string &name) {
  line_.begin(" ");
  if (!name.empty()) line_.piece(name + ":");
}

void LpWriter::objective() {
  const int n = s_.num_vars();
  if (!s_.name().empty() && s_.name().find_first_of("\r\n") == std::string::npos)
    out_ << "\\Problem name: " << s_.name() << "\n";
  out_ << (s_.sense() == TVX_MAXIMIZE ? "Maximize\n" : "Minimize\n");
  line_.begin(" " + names_.objective + ":");
  for (int j = 0; j < n; ++j) line_.piece(term(s_.vars().obj[to_size(j)], col(j), j == 0));
  if (s_.objcon() != 0) {
    const std::string c = format_number(std::fabs(s_.objcon()));
    line_.piece((std::signbit(s_.objcon()) ? "- " : n == 0 ? "" : "+ ") + c);
  }
  const QTerms &q = s_.qterms();
  if (!q.val.empty()) {
    line_.piece("+ [");  // quadratic terms imply variables, so a term came first
    for (std::size_t k = 0; k < q.val.size(); ++k) {
      std::string t = term(2 * q.val[k], col(q.row[k]), k == 0);
      t += q.row[k] == q.col[k] ? " ^ 2" : " * " + col(q.col[k]);
      line_.piece(t);
    }
    line_.piece("] / 2");
  }
  line_.end();
}

void LpWriter::row(int i) {
  const Rows &r = s_.rows();
  const auto ii = to_size(i);
  const double lo = r.lhs[ii], hi = r.rhs[ii];
  const bool no_lo = is_minus_infinite(lo), no_hi = is_plus_infinite(hi);
  label(names_.rows[ii]);
  const bool range = !no_lo && !no_hi && lo != hi;
  if (range) {
    // The leading constant is read as an expression term, which knows no
    // infinite word.
    const double c = as_reported(lo);
    line_.piece(format_number(c) + " <=");
  }
  if (r.terms.length(i) == 0) {
    line_.piece(term(0, col(0), true));
  } else {
    linear(r.terms.length(i), r.terms.index(i), r.terms.value(i));
  }
  if (lo == hi) {
    line_.piece("= " + side(lo));
  } else if (no_lo && no_hi) {
    line_.piece(">= -inf");
  } else if (no_hi) {
    line_.piece(">= " + side(lo));
  } else {
    line_.piece("<= " + side(hi));  // a range, or a row with no lower side
  }
  line_.end();
}

void LpWriter::indicator(int k) {
  const GenConstrs &g = s_.genconstrs();
  const auto kk = to_size(k);
  label(names_.gens[kk]);
  const std::string &binvar = col(g.binvar[kk]);
  line_.piece(binvar + (g.binval[kk] ? " = 1 ->" : " = 0 ->"));
  if (g.terms.length(k) == 0) {
    line_.piece(term(0, binvar, true));
  } else {
    linear(g.terms.length(k), g.terms.index(k), g.terms.value(k));
  }
  const char sense = g.sense[kk];
  line_.piece(std::string(sense == '<' ? "<= " : sense == '>' ? ">= " : "= ") + side(g.rhs[kk]));
  line_.end();
}

void LpWriter::constraints() {
  out_ << "Subject To\n";
  for (int i = 0; i < s_.num_rows(); ++i) row(i);
  for (int k = 0; k < s_.num_genconstrs(); ++k) indicator(k);
}

void LpWriter::bounds() {
  const Vars &v = s_.vars();
  bool header = false;
  for (int j = 0; j < s_.num_vars(); ++j) {
    const auto jj = to_size(j);
    const double lb = v.lb[jj], ub = v.ub[jj];
    const bool no_lb = is_minus_infinite(lb), no_ub = is_plus_infinite(ub);
    const std::string &name = col(j);
    std::string text;
    if (!no_lb && !no_ub && lb == ub) {
      text = name + " = " + side(lb);
    } else if (no_lb && no_ub) {
      text = name + " free";
    } else if (lb == 0 && (v.type[jj] == 'B' ? ub == 1 : no_ub)) {
      continue;  // the reader's default
    } else {
      text = side(lb) + " <= " + name + " <= " + side(ub);
    }
    if (!header) {
      out_ << "Bounds\n";
      header = true;
    }
    out_ << " " << text << "\n";
  }
}

// The variables whose type is one of types, when there is any.
void LpWriter::list(const char *section, const char *types) {
  bool any = false;
  for (int j = 0; j < s_.num_vars(); ++j) {
    const char t = s_.vars().type[to_size(j)];
    if (std::string_view(types).find(t) == std::string_view::npos) continue;
    if (!any) {
      out_ << section << "\n";
      line_.begin("");
      any = true;
    }
    line_.piece(col(j));
  }
  if (any) line_.end();
}

// Semi-integer variables go in both lists, as other solvers read them.
void LpWriter::types() {
  list("Generals", "IN");
  list("Binaries", "B");
  list("Semi-Continuous", "SN");
}

void LpWriter::sets() {
  if (s_.num_sos() == 0) return;
  out_ << "SOS\n";
  const SosSets &sos = s_.sos();
  for (int k = 0; k < s_.num_sos(); ++k) {
    line_.begin(" s" + std::to_string(k) + ":");
    line_.piece(sos.type[to_size(k)] == TVX_SOS_TYPE2 ? "S2::" : "S1::");
    const int *ind = sos.members.index(k);
    const double *w = sos.members.value(k);
    for (int e = 0; e < sos.members.length(k); ++e)
      line_.piece(col(ind[e]) + ":" + format_number(w[e]));
    line_.end();
  }
}

}  // namespace

int write_lp(TextWriter &out, const Store &s) {
  // An empty constraint needs a term to be one.
  if (s.num_vars() == 0 && s.num_rows() > 0) return TVX_ERROR_FORMAT_ERROR;
  LpWriter writer(out, s);
  writer.objective();
  writer.constraints();
  writer.bounds();
  writer.types();
  writer.sets();
  out << "End\n";
  return out.status();
}

}  // namespace tvx
