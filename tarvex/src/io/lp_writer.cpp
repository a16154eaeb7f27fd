// LP text files, as lp_reader.cpp reads them back to the same store and as
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
#include <cmath>
#include <string>
#include <vector>

#include "io/file_writer.h"
#include "io/model_io.h"

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

void linear(LpLine &line, const FileNames &names, int len, const int *ind, const double *val) {
  for (int e = 0; e < len; ++e)
    line.piece(term(val[e], names.cols[static_cast<std::size_t>(ind[e])], e == 0));
}

void label(LpLine &line, const std::string &name) {
  line.begin(" ");
  if (!name.empty()) line.piece(name + ":");
}

}  // namespace

int write_lp(TextWriter &out, const Store &s) {
  const FileNames names = file_names(s, NameStyle::Lp);
  const int n = s.num_vars(), m = s.num_rows(), ng = s.num_genconstrs();
  const Vars &v = s.vars();
  const Rows &r = s.rows();
  const GenConstrs &g = s.genconstrs();
  // An empty constraint needs a term to be one.
  if (n == 0 && m > 0) return TVX_ERROR_FORMAT_ERROR;
  LpLine line(out);

  if (!s.name().empty() && s.name().find_first_of("\r\n") == std::string::npos)
    out << "\\Problem name: " << s.name() << "\n";
  out << (s.sense() == TVX_MAXIMIZE ? "Maximize\n" : "Minimize\n");
  line.begin(" obj:");
  for (int j = 0; j < n; ++j) {
    const auto jj = static_cast<std::size_t>(j);
    line.piece(term(v.obj[jj], names.cols[jj], j == 0));
  }
  if (s.objcon() != 0) {
    const std::string c = format_number(std::fabs(s.objcon()));
    line.piece((std::signbit(s.objcon()) ? "- " : n == 0 ? "" : "+ ") + c);
  }
  const QTerms &q = s.qterms();
  if (!q.val.empty()) {
    line.piece("+ [");  // quadratic terms imply variables, so a term came first
    for (std::size_t k = 0; k < q.val.size(); ++k) {
      const std::string &a = names.cols[static_cast<std::size_t>(q.row[k])];
      const std::string &b = names.cols[static_cast<std::size_t>(q.col[k])];
      std::string t = term(2 * q.val[k], a, k == 0);
      t += q.row[k] == q.col[k] ? " ^ 2" : " * " + b;
      line.piece(t);
    }
    line.piece("] / 2");
  }
  line.end();

  out << "Subject To\n";
  for (int i = 0; i < m; ++i) {
    const auto ii = static_cast<std::size_t>(i);
    const double lo = r.lhs[ii], hi = r.rhs[ii];
    const bool no_lo = is_minus_infinite(lo), no_hi = is_plus_infinite(hi);
    label(line, names.rows[ii]);
    const bool range = !no_lo && !no_hi && lo != hi;
    if (range) {
      // The leading constant is read as an expression term, which knows no
      // infinite word.
      const double c = std::isinf(lo) ? std::copysign(kInfinity, lo) : lo;
      line.piece(format_number(c) + " <=");
    }
    if (r.terms.length(i) == 0) {
      line.piece(term(0, names.cols[0], true));
    } else {
      linear(line, names, r.terms.length(i), r.terms.index(i), r.terms.value(i));
    }
    if (range) {
      line.piece("<= " + side(hi));
    } else if (lo == hi) {
      line.piece("= " + side(lo));
    } else if (no_lo && no_hi) {
      line.piece(">= -inf");
    } else if (no_lo) {
      line.piece("<= " + side(hi));
    } else {
      line.piece(">= " + side(lo));
    }
    line.end();
  }
  for (int k = 0; k < ng; ++k) {
    const auto kk = static_cast<std::size_t>(k);
    label(line, names.gens[kk]);
    const std::string &binvar = names.cols[static_cast<std::size_t>(g.binvar[kk])];
    line.piece(binvar + (g.binval[kk] ? " = 1 ->" : " = 0 ->"));
    if (g.terms.length(k) == 0) {
      line.piece(term(0, binvar, true));
    } else {
      linear(line, names, g.terms.length(k), g.terms.index(k), g.terms.value(k));
    }
    const char sense = g.sense[kk];
    line.piece(std::string(sense == '<' ? "<= " : sense == '>' ? ">= " : "= ") + side(g.rhs[kk]));
    line.end();
  }

  bool header = false;
  for (int j = 0; j < n; ++j) {
    const auto jj = static_cast<std::size_t>(j);
    const double lb = v.lb[jj], ub = v.ub[jj];
    const bool no_lb = is_minus_infinite(lb), no_ub = is_plus_infinite(ub);
    const std::string &name = names.cols[jj];
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
      out << "Bounds\n";
      header = true;
    }
    out << " " << text << "\n";
  }

  // Semi-integer variables go in both lists, as other solvers read them.
  const auto list = [&](const char *section, const char *types) {
    bool any = false;
    for (int j = 0; j < n; ++j) {
      const char t = v.type[static_cast<std::size_t>(j)];
      if (std::string_view(types).find(t) == std::string_view::npos) continue;
      if (!any) {
        out << section << "\n";
        line.begin("");
        any = true;
      }
      line.piece(names.cols[static_cast<std::size_t>(j)]);
    }
    if (any) line.end();
  };
  list("Generals", "IN");
  list("Binaries", "B");
  list("Semi-Continuous", "SN");

  if (s.num_sos() > 0) {
    out << "SOS\n";
    const SosSets &sos = s.sos();
    for (int k = 0; k < s.num_sos(); ++k) {
      line.begin(" s" + std::to_string(k) + ":");
      line.piece(sos.type[static_cast<std::size_t>(k)] == TVX_SOS_TYPE2 ? "S2::" : "S1::");
      const int *ind = sos.members.index(k);
      const double *w = sos.members.value(k);
      for (int e = 0; e < sos.members.length(k); ++e)
        line.piece(names.cols[static_cast<std::size_t>(ind[e])] + ":" + format_number(w[e]));
      line.end();
    }
  }
  out << "End\n";
  return out.status();
}

}  // namespace tvx
