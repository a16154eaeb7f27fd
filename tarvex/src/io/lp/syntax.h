// The lexical rules of the LP format, shared by the reader, which applies
// them, and the writer, which must only write names the reader reads back
// as names.
#ifndef TARVEX_IO_LP_SYNTAX_H
#define TARVEX_IO_LP_SYNTAX_H

#include <cstddef>
#include <string_view>

#include "io/model_builder.h"

namespace tvx {
namespace lp {

inline bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v'; }
inline bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Characters that end a name (and blanks); '/' may appear inside one, and
// so may a bracketed part (see name_end).
inline bool is_operator_char(char c) {
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

// Where a name that starts at text[i] ends. "x[1]": brackets closed within
// a name belong to it, so names written by modelling tools read; "[" that
// opens a quadratic part never follows a name directly and stays an
// operator.
inline std::size_t name_end(std::string_view text, std::size_t i) {
  const std::size_t n = text.size();
  std::size_t j = i;
  while (j < n && !is_blank(text[j])) {
    if (text[j] == '[') {
      std::size_t k = j + 1;
      while (k < n && !is_blank(text[k]) && !is_operator_char(text[k])) ++k;
      if (k == n || text[k] != ']') break;
      j = k + 1;
      continue;
    }
    if (is_operator_char(text[j])) break;
    ++j;
  }
  return j;
}

enum class Keyword { None, Minimize, Maximize, SubjectTo, Bounds, General, Binary, Semi, Sos, End };

// The one-word section keywords, in any case. "Subject To", "Such That" and
// "Semi-Continuous" ("Semi Continuous") are the two- and three-word ones.
struct SectionWord {
  std::string_view word;
  Keyword keyword;
};
inline constexpr SectionWord kSectionWords[] = {
    {"minimize", Keyword::Minimize}, {"minimise", Keyword::Minimize},
    {"minimum", Keyword::Minimize},  {"min", Keyword::Minimize},
    {"maximize", Keyword::Maximize}, {"maximise", Keyword::Maximize},
    {"maximum", Keyword::Maximize},  {"max", Keyword::Maximize},
    {"st", Keyword::SubjectTo},      {"s.t.", Keyword::SubjectTo},
    {"st.", Keyword::SubjectTo},     {"bounds", Keyword::Bounds},
    {"bound", Keyword::Bounds},      {"general", Keyword::General},
    {"generals", Keyword::General},  {"gen", Keyword::General},
    {"integer", Keyword::General},   {"integers", Keyword::General},
    {"binary", Keyword::Binary},     {"binaries", Keyword::Binary},
    {"bin", Keyword::Binary},        {"semi", Keyword::Semi},
    {"semis", Keyword::Semi},        {"semicontinuous", Keyword::Semi},
    {"sos", Keyword::Sos},           {"end", Keyword::End},
};

inline Keyword section_keyword(std::string_view word) {
  for (const SectionWord &w : kSectionWords)
    if (equals_folded(word, w.word)) return w.keyword;
  return Keyword::None;
}

// Words the reader takes for an infinite bound.
inline bool is_infinite_word(std::string_view word) {
  return equals_folded(word, "inf") || equals_folded(word, "infinity");
}

// Words the reader takes for something else where a name stands alone at
// the start of a line (a section keyword, the first word of one, an
// infinite bound, "free"): a variable so named could not be listed in the
// General, Binary or Semi sections.
inline bool is_reserved_word(std::string_view word) {
  return section_keyword(word) != Keyword::None || equals_folded(word, "subject") ||
         equals_folded(word, "such") || equals_folded(word, "free") || is_infinite_word(word);
}

}  // namespace lp
}  // namespace tvx

#endif
