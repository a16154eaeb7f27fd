// LP text files.
//
// The file is a sequence of sections, each opened by a keyword at the start
// of a line (any case): the objective ("Minimize", "Maximize", or "Min",
// "Max", ...), "Subject To" ("Such That", "st", "s.t."), "Bounds",
// "General" ("Generals", "Gen", "Integer(s)"), "Binary" ("Binaries",
// "Bin"), "Semi-Continuous" ("Semi", "Semis"), "SOS", and "End", which is
// required (a file cut short is not taken for a smaller model) and ends the
// reading. Sections after the objective may come in any order and repeat.
// Line breaks are blanks except that they end "\" comments and that
// keywords count only at the start of a line; a keyword followed on its line
// by ":" or an operator is read as a name instead.
//
// - Objective: an optional "name:" (not kept), then terms, constants (their
//   sum is the objective constant) and quadratic parts "[ ... ] / 2" whose
//   terms are "c x ^ 2" or "c x * y". Each quadratic term is stored as one
//   term: "[ c x * y ] / d" as c/d * x * y; without "/ d", as written.
// - Constraints: "[name:] expr rel constant", "[name:] constant rel expr",
//   and ranges "[name:] constant rel expr rel constant" with both relations
//   pointing the same way; rel is <, <=, =<, >, >=, => or =. Constants on the
//   side of the terms move across. An unnamed constraint has no name.
//   Indicators: "[name:] x = 0|1 -> expr rel constant".
// - Bounds: "lo <= x", "x <= up", "lo <= x <= up" (or with >=), "x = value",
//   "x free"; "inf" and "infinity" with a sign give infinite bounds.
// - General/Binary/Semi-continuous: lists of names. A binary variable gets
//   the bounds [0, 1] except where the Bounds section stated one.
// - SOS: "[name:] S1:: x:weight y:weight ..." (S2 likewise); a member
//   without ":weight" gets its position in the set. Set names are not kept.
// Names are runs of anything but blanks and + - * ^ < > = : \ [ ], not
// starting with a digit or "/"; inside a name "/" and a closed bracketed
// part ("x[1]") are allowed. Variables come into being where they are first
// named, in any section.
// A first comment "\Problem name: text" names the model.
#include <deque>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/status.h"
#include "io/file_report.h"
#include "io/lp/syntax.h"
#include "io/model_files.h"

namespace tvx {
namespace {

using namespace lp;

enum class Tok {
  End,      // of the input
  Invalid,  // a number beyond the double range, accepted nowhere
  Section,
  Name,
  Number,
  Plus,
  Minus,
  Star,
  Caret,
  Slash,
  LBracket,
  RBracket,
  Colon,
  DoubleColon,
  Less,
  Greater,
  Equal,
  Arrow
};

struct Token {
  Tok kind = Tok::End;
  Keyword keyword = Keyword::None;
  std::string text;      // as written (a name's text is the name)
  double value = 0;      // numbers
  std::size_t line = 0;  // where it stands; 0 for the end of the input
};

// The operators, longest first: "<=", "=<" and "<" are all Less.
struct Operator {
  char first, second;  // second 0: one character
  Tok kind;
};
constexpr Operator kOperators[] = {
    {'-', '>', Tok::Arrow},   {':', ':', Tok::DoubleColon}, {'<', '=', Tok::Less},
    {'>', '=', Tok::Greater}, {'=', '<', Tok::Less},        {'=', '>', Tok::Greater},
    {'+', 0, Tok::Plus},      {'-', 0, Tok::Minus},         {'*', 0, Tok::Star},
    {'^', 0, Tok::Caret},     {'/', 0, Tok::Slash},         {'[', 0, Tok::LBracket},
    {']', 0, Tok::RBracket},  {':', 0, Tok::Colon},         {'<', 0, Tok::Less},
    {'>', 0, Tok::Greater},   {'=', 0, Tok::Equal},
};

bool is_operator(Tok t) {
  for (const Operator &op : kOperators)
    if (op.kind == t) return true;
  return false;
}

bool is_infinity(const Token &t) { return t.kind == Tok::Name && is_infinite_word(t.text); }

constexpr const char *kRangeRelations = "the two relations of a range must both be < or both >";

std::string_view trim(std::string_view s) {
  while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
  return s;
}

// Tokens on demand, line by line, with lookahead.
class Lexer {
 public:
  Lexer(LineReader &lines, std::string *problem_name) : lines_(lines), name_(problem_name) {}

  const Token &peek(std::size_t k = 0) {
    while (queue_.size() <= k) {
      if (!more()) {
        queue_.emplace_back();  // Tok::End, for good
        break;
      }
    }
    return queue_.size() > k ? queue_[k] : queue_.back();
  }
  Tok kind(std::size_t k = 0) { return peek(k).kind; }
  void advance() {
    peek();
    if (queue_.front().kind != Tok::End) queue_.pop_front();
  }
  int status() const { return lines_.status(); }

 private:
  bool more();
  void tokenize(std::string_view line);
  // Each reads the token of its kind that starts at line[i] into t and
  // returns where it ends.
  static std::size_t number(std::string_view line, std::size_t i, Token &t);
  static std::size_t name(std::string_view line, std::size_t i, Token &t);
  static std::size_t operator_token(std::string_view line, std::size_t i, Token &t);
  // The text after a "\" that ends the line.
  void comment(std::string_view text);
  // Turns the line's first words into a Section token when they are a
  // section keyword.
  void mark_section();

  LineReader &lines_;
  std::string *name_;
  std::deque<Token> queue_;
  std::vector<Token> line_tokens_;
  bool seen_token_ = false;
};

// Reads lines until one yields tokens; false at the end of the input.
bool Lexer::more() {
  std::string_view line;
  while (lines_.next(&line)) {
    tokenize(line);
    if (line_tokens_.empty()) continue;
    seen_token_ = true;
    for (Token &t : line_tokens_) queue_.push_back(std::move(t));
    return true;
  }
  return false;
}

void Lexer::tokenize(std::string_view line) {
  line_tokens_.clear();
  std::size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (is_blank(c)) {
      ++i;
      continue;
    }
    if (c == '\\') {
      comment(line.substr(i + 1));
      break;
    }
    Token t;
    const std::size_t start = i;
    if (is_digit(c) || (c == '.' && i + 1 < line.size() && is_digit(line[i + 1]))) {
      i = number(line, i, t);
    } else if (!is_operator_char(c) && c != '/') {
      i = name(line, i, t);
    } else {
      i = operator_token(line, i, t);
    }
    if (t.kind != Tok::Name) t.text.assign(line.substr(start, i - start));
    t.line = lines_.line();
    line_tokens_.push_back(std::move(t));
  }
  mark_section();
}

// Digits with an optional fraction and exponent; an "e" not followed by an
// exponent is left to the next token.
std::size_t Lexer::number(std::string_view line, std::size_t i, Token &t) {
  const std::size_t n = line.size();
  std::size_t j = i;
  while (j < n && is_digit(line[j])) ++j;
  if (j < n && line[j] == '.') ++j;
  while (j < n && is_digit(line[j])) ++j;
  if (j < n && (line[j] == 'e' || line[j] == 'E')) {
    std::size_t k = j + 1;
    if (k < n && (line[k] == '+' || line[k] == '-')) ++k;
    if (k < n && is_digit(line[k])) {
      while (k < n && is_digit(line[k])) ++k;
      j = k;
    }
  }
  t.kind = parse_number(line.substr(i, j - i), &t.value) ? Tok::Number : Tok::Invalid;
  return j;
}

std::size_t Lexer::name(std::string_view line, std::size_t i, Token &t) {
  const std::size_t j = name_end(line, i);
  t.kind = Tok::Name;
  t.text.assign(line.substr(i, j - i));
  return j;
}

std::size_t Lexer::operator_token(std::string_view line, std::size_t i, Token &t) {
  const char next = i + 1 < line.size() ? line[i + 1] : '\0';
  for (const Operator &op : kOperators) {
    if (op.first == line[i] && (op.second == 0 || op.second == next)) {
      t.kind = op.kind;
      return i + (op.second == 0 ? 1 : 2);
    }
  }
  t.kind = Tok::Invalid;  // not reached: every operator character has a row
  return i + 1;
}

// "\Problem name: text" before anything else names the model.
void Lexer::comment(std::string_view text) {
  if (seen_token_ || !line_tokens_.empty()) return;
  text = trim(text);
  constexpr std::string_view kTag = "problem name:";
  if (text.size() >= kTag.size() && equals_folded(text.substr(0, kTag.size()), kTag)) {
    name_->assign(trim(text.substr(kTag.size())));
  }
}

// A keyword opens a section only as the first word of a line.
void Lexer::mark_section() {
  if (line_tokens_.empty() || line_tokens_[0].kind != Tok::Name) return;
  const auto name_at = [&](std::size_t k, std::string_view word) {
    return k < line_tokens_.size() && line_tokens_[k].kind == Tok::Name &&
           equals_folded(line_tokens_[k].text, word);
  };
  const auto kind_at = [&](std::size_t k) {
    return k < line_tokens_.size() ? line_tokens_[k].kind : Tok::End;
  };
  Keyword keyword = Keyword::None;
  std::size_t words = 1;
  if ((name_at(0, "subject") && name_at(1, "to")) || (name_at(0, "such") && name_at(1, "that"))) {
    keyword = Keyword::SubjectTo, words = 2;
  } else if (name_at(0, "semi") && kind_at(1) == Tok::Minus && name_at(2, "continuous")) {
    keyword = Keyword::Semi, words = 3;
  } else if (name_at(0, "semi") && name_at(1, "continuous")) {
    keyword = Keyword::Semi, words = 2;
  } else if (!is_operator(kind_at(1))) {
    keyword = section_keyword(line_tokens_[0].text);
  }
  if (keyword == Keyword::None) return;
  line_tokens_.erase(line_tokens_.begin() + 1,
                     line_tokens_.begin() + static_cast<std::ptrdiff_t>(words));
  line_tokens_[0].kind = Tok::Section;
  line_tokens_[0].keyword = keyword;
}

// A linear expression with a constant; quadratic parts go straight to the
// builder (only the objective may have them).
struct Expr {
  std::vector<std::pair<int, double>> terms;
  double constant = 0;
  bool empty = true;
};

class LpParser {
 public:
  LpParser(LineReader &lines, ModelBuilder &b) : lex_(lines, &b.name), b_(b) {}
  int run();

 private:
  int objective();
  int constraints();
  // One constraint of Subject To, in any of its three forms.
  int constraint();
  int constant_first(const std::string &name, double value, char rel);
  int indicator(const std::string &name, const Expr &head, char rel, double value);
  // A row of e's terms; its index, or < 0 when the builder refused it.
  int add_row(const std::string &name, double lo, double hi, const Expr &e);
  int bounds();
  int types(Keyword section);
  int sos();

  int expression(Expr *e, bool quadratic);
  int bracket(double sign);
  // A signed number; "inf" and "infinity" too where infinite is allowed.
  int constant(double *value, bool infinite = true);
  // Consumes a relation: '<', '>' or '='; 0 when the next token is none.
  char relation();
  // The variable of a name token, created when new.
  int var(const Token &t, int *j);
  void grow_flags() {
    const auto n = to_size(b_.num_vars());
    if (lb_given_.size() < n) {
      lb_given_.resize(n, 0);
      ub_given_.resize(n, 0);
    }
  }
  bool label_next() { return lex_.kind() == Tok::Name && lex_.kind(1) == Tok::Colon; }

  // Refusals at the current token, for the report; the one of the token
  // alone when the parser noted nothing more specific first.
  int bad(const std::string &what) { return fail(kBadFormat, lex_.peek().line, what); }
  int bad_token();

  Lexer lex_;
  ModelBuilder &b_;
  Keyword section_ = Keyword::None;
  std::vector<char> lb_given_, ub_given_;
  std::vector<double> q_;  // scratch: (i, j, value) triples of one bracket
};

// As the log names them.
const char *section_name(Keyword k) {
  switch (k) {
    case Keyword::Minimize:
    case Keyword::Maximize:
      return "the objective";
    case Keyword::SubjectTo:
      return "Subject To";
    case Keyword::Bounds:
      return "Bounds";
    case Keyword::General:
      return "General";
    case Keyword::Binary:
      return "Binary";
    case Keyword::Semi:
      return "Semi-Continuous";
    case Keyword::Sos:
      return "SOS";
    case Keyword::None:
    case Keyword::End:
      break;
  }
  return "no section";
}

int LpParser::bad_token() {
  const Token &t = lex_.peek();
  if (t.kind == Tok::End) return fail(kBadFormat, "the file ends without End");
  if (t.kind == Tok::Invalid) return bad(number_problem(t.text));
  if (section_ == Keyword::None)
    return bad("a section keyword (Minimize, Maximize, ...) expected, not " + quoted(t.text));
  return bad(std::string("unexpected ") + quoted(t.text) + " in " + section_name(section_));
}

int LpParser::run() {
  bool seen_objective = false;
  for (;;) {
    const Token &t = lex_.peek();
    if (t.kind != Tok::Section)
      return lex_.status() != TVX_ERROR_OKAY ? lex_.status() : bad_token();
    const Keyword section = t.keyword;
    const std::size_t line = t.line;
    section_ = section;
    lex_.advance();
    int rc = TVX_ERROR_OKAY;
    switch (section) {
      case Keyword::Minimize:
      case Keyword::Maximize:
        if (seen_objective) return fail(kBadFormat, line, "a second objective");
        seen_objective = true;
        b_.sense = section == Keyword::Maximize ? TVX_MAXIMIZE : TVX_MINIMIZE;
        rc = objective();
        break;
      case Keyword::SubjectTo:
        rc = constraints();
        break;
      case Keyword::Bounds:
        rc = bounds();
        break;
      case Keyword::General:
      case Keyword::Binary:
      case Keyword::Semi:
        rc = types(section);
        break;
      case Keyword::Sos:
        rc = sos();
        break;
      case Keyword::End:
        return lex_.status();
      case Keyword::None:
        return kBadFormat;
    }
    if (lex_.status() != TVX_ERROR_OKAY) return lex_.status();
    if (rc == kBadFormat) return bad_token();
    if (rc != TVX_ERROR_OKAY) return rc;
  }
}

int LpParser::var(const Token &t, int *j) {
  *j = b_.var(t.text);
  return *j < 0 ? kBadFormat : TVX_ERROR_OKAY;
}

char LpParser::relation() {
  char r = 0;
  switch (lex_.kind()) {
    case Tok::Less:
      r = '<';
      break;
    case Tok::Greater:
      r = '>';
      break;
    case Tok::Equal:
      r = '=';
      break;
    default:
      return 0;
  }
  lex_.advance();
  return r;
}

int LpParser::constant(double *value, bool infinite) {
  double sign = 1;
  for (Tok k = lex_.kind(); k == Tok::Plus || k == Tok::Minus; k = lex_.kind()) {
    if (k == Tok::Minus) sign = -sign;
    lex_.advance();
  }
  const Token &t = lex_.peek();
  if (t.kind == Tok::Number) {
    *value = sign * t.value;
  } else if (infinite && is_infinity(t)) {
    *value = sign * kInfinity;
  } else {
    return kBadFormat;
  }
  lex_.advance();
  return TVX_ERROR_OKAY;
}

// Terms joined by signs; the first may go without one. Ends before the
// first token that cannot continue it.
int LpParser::expression(Expr *e, bool quadratic) {
  for (bool first = true;; first = false) {
    double sign = 1;
    int signs = 0;
    for (Tok k = lex_.kind(); k == Tok::Plus || k == Tok::Minus; k = lex_.kind()) {
      if (k == Tok::Minus) sign = -sign;
      lex_.advance();
      ++signs;
    }
    if (!first && signs == 0) return TVX_ERROR_OKAY;
    const Tok k = lex_.kind();
    if (k == Tok::LBracket) {
      if (!quadratic) return bad("quadratic terms belong in the objective");
      const int rc = bracket(sign);
      if (rc != TVX_ERROR_OKAY) return rc;
    } else if (k == Tok::Number || (k == Tok::Name && !label_next())) {
      double coef = 1;
      if (k == Tok::Number) {
        coef = lex_.peek().value;
        lex_.advance();
        if (lex_.kind() == Tok::Star) {
          lex_.advance();
          if (lex_.kind() != Tok::Name || label_next()) return kBadFormat;
        }
      }
      if (lex_.kind() == Tok::Name && !label_next()) {
        int j;
        if (var(lex_.peek(), &j) != TVX_ERROR_OKAY) return kBadFormat;
        lex_.advance();
        // x ^ 2 and x * y belong inside brackets.
        if (lex_.kind() == Tok::Caret || lex_.kind() == Tok::Star)
          return bad("a quadratic term outside [ ]");
        e->terms.emplace_back(j, sign * coef);
      } else {
        e->constant += sign * coef;
      }
    } else {
      return signs > 0 ? kBadFormat : TVX_ERROR_OKAY;  // a sign with nothing after it
    }
    e->empty = false;
  }
}

// "[ terms ] [/ divisor]" with sign applied to every term.
int LpParser::bracket(double sign) {
  lex_.advance();  // '['
  q_.clear();
  for (bool first = true;; first = false) {
    double s = 1;
    int signs = 0;
    for (Tok k = lex_.kind(); k == Tok::Plus || k == Tok::Minus; k = lex_.kind()) {
      if (k == Tok::Minus) s = -s;
      lex_.advance();
      ++signs;
    }
    if (lex_.kind() == Tok::RBracket && signs == 0) break;
    if (!first && signs == 0) return kBadFormat;
    double coef = 1;
    if (lex_.kind() == Tok::Number) {
      coef = lex_.peek().value;
      lex_.advance();
      if (lex_.kind() == Tok::Star) lex_.advance();
    }
    int i, j;
    if (lex_.kind() != Tok::Name || var(lex_.peek(), &i) != TVX_ERROR_OKAY) return kBadFormat;
    lex_.advance();
    if (lex_.kind() == Tok::Caret) {
      lex_.advance();
      if (lex_.kind() != Tok::Number || lex_.peek().value != 2) return kBadFormat;
      j = i;
    } else if (lex_.kind() == Tok::Star) {
      lex_.advance();
      if (lex_.kind() != Tok::Name || var(lex_.peek(), &j) != TVX_ERROR_OKAY) return kBadFormat;
    } else {
      return kBadFormat;  // a linear term inside the brackets
    }
    lex_.advance();
    q_.insert(q_.end(), {static_cast<double>(i), static_cast<double>(j), s * coef});
  }
  lex_.advance();  // ']'
  double divisor = 1;
  if (lex_.kind() == Tok::Slash) {
    lex_.advance();
    if (lex_.kind() != Tok::Number || !(lex_.peek().value > 0) || lex_.peek().value >= kInfinity)
      return kBadFormat;
    divisor = lex_.peek().value;
    lex_.advance();
  }
  for (std::size_t k = 0; k < q_.size(); k += 3) {
    b_.add_qterm(static_cast<int>(q_[k]), static_cast<int>(q_[k + 1]), sign * q_[k + 2] / divisor);
  }
  return TVX_ERROR_OKAY;
}

int LpParser::objective() {
  if (label_next()) {
    lex_.advance();
    lex_.advance();
  }
  Expr e;
  const int rc = expression(&e, true);
  if (rc != TVX_ERROR_OKAY) return rc;
  for (const auto &[j, c] : e.terms) b_.obj[to_size(j)] += c;
  b_.objcon += e.constant;
  return lex_.kind() == Tok::Section ? TVX_ERROR_OKAY : kBadFormat;
}

int LpParser::constraints() {
  while (lex_.kind() != Tok::Section) {
    const int rc = constraint();
    if (rc != TVX_ERROR_OKAY) return rc;
  }
  return TVX_ERROR_OKAY;
}

int LpParser::constraint() {
  std::string name;
  const std::size_t line = lex_.peek().line;
  if (label_next()) {
    name = lex_.peek().text;
    lex_.advance();
    lex_.advance();
    if (b_.find_row(name) >= 0)
      return fail(kBadFormat, line, "a second constraint named " + quoted(name));
  }
  Expr lhs;
  const int rc = expression(&lhs, false);
  if (rc != TVX_ERROR_OKAY) return rc;
  const char rel = relation();
  // What follows may be the next constraint or section: the line where
  // this one starts is the one to look at.
  if (!lhs.empty && rel == 0)
    return fail(kBadFormat, line, "a constraint without a relation (<=, >=, =)");
  if (lhs.empty || rel == 0) return kBadFormat;
  if (lhs.terms.empty()) return constant_first(name, lhs.constant, rel);

  double c;
  if (constant(&c) != TVX_ERROR_OKAY) return kBadFormat;
  if (lex_.kind() == Tok::Arrow) return indicator(name, lhs, rel, c);
  double lo = -kInfinity, hi = kInfinity;
  const double bound = c - lhs.constant;
  if (rel != '>') hi = bound;
  if (rel != '<') lo = bound;
  return add_row(name, lo, hi, lhs) < 0 ? kBadFormat : TVX_ERROR_OKAY;
}

// "constant rel expr [rel constant]": the terms follow, maybe with a second
// relation that makes a range.
int LpParser::constant_first(const std::string &name, double value, char rel) {
  Expr terms;
  const int rc = expression(&terms, false);
  if (rc != TVX_ERROR_OKAY || terms.empty) return kBadFormat;
  double lo = -kInfinity, hi = kInfinity;
  const double first = value - terms.constant;
  const char rel2 = relation();
  if (rel2 == 0) {
    if (rel != '<') hi = first;  // c >= expr
    if (rel != '>') lo = first;
  } else {
    double c;
    if (rel2 != rel || rel == '=') return bad(kRangeRelations);
    if (constant(&c) != TVX_ERROR_OKAY) return kBadFormat;
    const double second = c - terms.constant;
    lo = rel == '<' ? first : second;
    hi = rel == '<' ? second : first;
  }
  return add_row(name, lo, hi, terms) < 0 ? kBadFormat : TVX_ERROR_OKAY;
}

// "x = 0|1 -> expr rel constant", after its "x rel value" (head) is read.
int LpParser::indicator(const std::string &name, const Expr &head, char rel, double value) {
  if (rel != '=' || head.terms.size() != 1 || head.terms[0].second != 1 || head.constant != 0 ||
      (value != 0 && value != 1))
    return bad("an indicator starts with \"variable = 0 ->\" or \"variable = 1 ->\"");
  lex_.advance();  // "->"
  Expr body;
  const int rc = expression(&body, false);
  if (rc != TVX_ERROR_OKAY) return rc;
  const char body_rel = relation();
  double bc;
  if (body.terms.empty() || body_rel == 0 || constant(&bc) != TVX_ERROR_OKAY) return kBadFormat;
  const int row = add_row(name, -kInfinity, kInfinity, body);
  if (row < 0) return kBadFormat;
  b_.make_indicator(row, head.terms[0].first, value == 1 ? 1 : 0, body_rel, bc - body.constant);
  return TVX_ERROR_OKAY;
}

int LpParser::add_row(const std::string &name, double lo, double hi, const Expr &e) {
  const int row = b_.add_row(name, lo, hi);
  if (row < 0) return row;
  for (const auto &[j, a] : e.terms) b_.add_coeff(row, j, a);
  return row;
}

int LpParser::bounds() {
  while (lex_.kind() != Tok::Section) {
    const Tok k = lex_.kind();
    const bool is_rel =
        lex_.kind(1) == Tok::Less || lex_.kind(1) == Tok::Greater || lex_.kind(1) == Tok::Equal;
    double lo = 0, hi = 0;
    bool set_lo = false, set_hi = false;
    int j;
    if (k == Tok::Number || k == Tok::Plus || k == Tok::Minus ||
        (is_infinity(lex_.peek()) && is_rel)) {
      // "c rel x [rel c]"
      double a;
      if (constant(&a) != TVX_ERROR_OKAY) return kBadFormat;
      const char rel = relation();
      if (rel == 0 || lex_.kind() != Tok::Name || var(lex_.peek(), &j) != TVX_ERROR_OKAY)
        return kBadFormat;
      lex_.advance();
      if (rel != '>') lo = a, set_lo = true;  // a <= x, a = x
      if (rel != '<') hi = a, set_hi = true;  // a >= x, a = x
      const char rel2 = relation();
      if (rel2 != 0) {
        double c;
        if (rel2 != rel || rel == '=') return bad(kRangeRelations);
        if (constant(&c) != TVX_ERROR_OKAY) return kBadFormat;
        if (rel == '<') {
          hi = c, set_hi = true;
        } else {
          lo = c, set_lo = true;
        }
      }
    } else if (k == Tok::Name) {
      // "x rel c" or "x free"
      if (var(lex_.peek(), &j) != TVX_ERROR_OKAY) return kBadFormat;
      lex_.advance();
      if (lex_.kind() == Tok::Name && equals_folded(lex_.peek().text, "free")) {
        lex_.advance();
        lo = -kInfinity, hi = kInfinity, set_lo = set_hi = true;
      } else {
        const char rel = relation();
        double c;
        if (rel == 0 || constant(&c) != TVX_ERROR_OKAY) return kBadFormat;
        if (rel != '<') lo = c, set_lo = true;
        if (rel != '>') hi = c, set_hi = true;
      }
    } else {
      return kBadFormat;
    }
    grow_flags();
    const auto jj = to_size(j);
    if (set_lo) b_.lb[jj] = lo, lb_given_[jj] = 1;
    if (set_hi) b_.ub[jj] = hi, ub_given_[jj] = 1;
  }
  return TVX_ERROR_OKAY;
}

int LpParser::types(Keyword section) {
  while (lex_.kind() != Tok::Section) {
    int j;
    if (lex_.kind() != Tok::Name || var(lex_.peek(), &j) != TVX_ERROR_OKAY) return kBadFormat;
    lex_.advance();
    const auto jj = to_size(j);
    // A variable listed both as general and as semi-continuous is
    // semi-integer, in whichever order the two sections come.
    const char was = b_.type[jj];
    if (section == Keyword::General) {
      b_.type[jj] = (was == 'S' || was == 'N') ? 'N' : 'I';
    } else if (section == Keyword::Semi) {
      b_.type[jj] = (was == 'I' || was == 'N') ? 'N' : 'S';
    } else {
      b_.type[jj] = 'B';
      grow_flags();
      if (!lb_given_[jj]) b_.lb[jj] = 0;
      if (!ub_given_[jj]) b_.ub[jj] = 1;
    }
  }
  return TVX_ERROR_OKAY;
}

bool sos_type(const Token &t, int *type) {
  if (t.kind != Tok::Name) return false;
  if (equals_folded(t.text, "s1")) {
    *type = TVX_SOS_TYPE1;
    return true;
  }
  if (equals_folded(t.text, "s2")) {
    *type = TVX_SOS_TYPE2;
    return true;
  }
  return false;
}

int LpParser::sos() {
  while (lex_.kind() != Tok::Section) {
    int type;
    if (label_next() && sos_type(lex_.peek(2), &type) && lex_.kind(3) == Tok::DoubleColon) {
      for (int k = 0; k < 4; ++k) lex_.advance();
      b_.begin_sos(type);
      continue;
    }
    if (sos_type(lex_.peek(), &type) && lex_.kind(1) == Tok::DoubleColon) {
      lex_.advance();
      lex_.advance();
      b_.begin_sos(type);
      continue;
    }
    int j;
    if (b_.num_sos() == 0 || lex_.kind() != Tok::Name || var(lex_.peek(), &j) != TVX_ERROR_OKAY)
      return kBadFormat;
    lex_.advance();
    double weight = b_.last_sos_size() + 1;
    if (lex_.kind() == Tok::Colon) {
      lex_.advance();
      if (constant(&weight, false) != TVX_ERROR_OKAY) return kBadFormat;
    }
    b_.add_sos_member(j, weight);
  }
  return TVX_ERROR_OKAY;
}

}  // namespace

int parse_lp(LineReader &lines, ModelBuilder &out) { return LpParser(lines, out).run(); }

}  // namespace tvx
