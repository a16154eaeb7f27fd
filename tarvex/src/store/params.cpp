#include "store/params.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <iterator>

#include "core/numeric.h"
#include "tarvex.h"

namespace tvx {
namespace {

constexpr double kIntMax = INT_MAX;

constexpr ParamType I = ParamType::Int;
constexpr ParamType D = ParamType::Dbl;

// In the module's table order. -1 means "the engine decides" wherever it
// is the minimum of a choice; counts default to no limit; tolerances follow
// the engines' own defaults.
const ParamDef kParams[] = {
    {"Method", I, -1, -1, 3},  // auto, primal simplex, dual simplex, interior point, first-order
    {"Presolve", I, -1, -1, 1},
    {"Dualization", I, -1, -1, 1},
    {"NumThreads", I, -1, -1, 1024},
    {"EnableNetworkFlow", I, 0, 0, 1},
    {"EnableStochasticLP", I, 0, 0, 1},
    {"SPX/ColumnGeneration", I, 0, 0, 1},
    {"SPX/CrashStart", I, 0, 0, 1},
    {"SPX/MaxIterations", I, kIntMax, 0, kIntMax},
    {"SPX/PrimalPricing", I, -1, -1, 2},  // auto, Dantzig, Devex, steepest edge
    {"SPX/DualPricing", I, -1, -1, 2},
    {"IPM/MaxIterations", I, kIntMax, 0, kIntMax},
    {"MIP/MaxNodes", I, kIntMax, 0, kIntMax},
    {"MIP/RootParallelism", I, -1, -1, 1024},
    {"MIP/AutoConfiguration", I, 0, 0, 1},
    {"MIP/MaxSols", I, kIntMax, 1, kIntMax},
    {"MIP/AllowDualPresolve", I, 1, 0, 1},
    {"MIP/DetectDisconnectedComponents", I, 1, 0, 1},
    {"MIP/SolutionPoolSize", I, 1000, 1, kIntMax},
    {"MIP/MaxStallingNodes", I, kIntMax, 0, kIntMax},
    {"SolutionTarget", I, 0, 0, 1},  // a basic solution, or any optimal one
    {"MaxTime", D, kInfinity, 0, kInf},
    {"SPX/PrimalTolerance", D, 1e-7, 1e-10, 1e-1},
    {"SPX/DualTolerance", D, 1e-7, 1e-10, 1e-1},
    {"IPM/PrimalTolerance", D, 1e-8, 1e-12, 1e-1},
    {"IPM/DualTolerance", D, 1e-8, 1e-12, 1e-1},
    {"IPM/GapTolerance", D, 1e-8, 1e-12, 1e-1},
    {"MIP/IntegerTolerance", D, 1e-6, 1e-9, 1e-1},
    {"MIP/ObjectiveTolerance", D, 1e-6, 0, 1e-1},
    {"MIP/GapAbs", D, 1e-6, 0, kInf},
    {"MIP/GapRel", D, 1e-4, 0, kInf},
    {"MIP/LinearizationBigM", D, 1e6, 1, kInfinity},
    {"MIP/Cutoff", D, kInfinity, -kInf, kInf},
};
static_assert(std::size(kParams) == kNumParams, "one row per Param, in its order");

// Plain ASCII folding: the C library's tolower follows the caller's locale.
char fold(char c) {
  if (c == '/') return '_';
  if (c >= 'A' && c <= 'Z') return static_cast<char>(c - 'A' + 'a');
  return c;
}

bool same_name(const char *given, const char *canonical) {
  for (; *given && *canonical; ++given, ++canonical)
    if (fold(*given) != fold(*canonical)) return false;
  return *given == *canonical;
}

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// Splits a line into whitespace-separated tokens.
std::vector<std::string> tokens(const std::string &line) {
  std::vector<std::string> out;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && is_space(line[i])) ++i;
    std::size_t j = i;
    while (j < line.size() && !is_space(line[j])) ++j;
    if (j > i) out.emplace_back(line, i, j - i);
    i = j;
  }
  return out;
}

// The number a value token spells: FORMAT_ERROR for anything else, and
// PARAM_SET_ERROR for a number the parameter cannot take.
int parse_value(const ParamDef &def, std::string text, double *out) {
  if (text.size() > 1 && text[0] == '+' && text[1] != '-' && text[1] != '+') text.erase(0, 1);
  const char *first = text.data();
  const char *last = first + text.size();
  double value;
  std::from_chars_result r;
  if (def.type == ParamType::Int) {
    int v = 0;
    r = std::from_chars(first, last, v);
    value = v;
  } else {
    r = std::from_chars(first, last, value);
  }
  if (r.ec == std::errc::result_out_of_range && r.ptr == last) return TVX_ERROR_PARAM_SET_ERROR;
  if (r.ec != std::errc() || r.ptr != last) return TVX_ERROR_FORMAT_ERROR;
  if (!in_range(def, value)) return TVX_ERROR_PARAM_SET_ERROR;
  *out = value;
  return TVX_ERROR_OKAY;
}

}  // namespace

const ParamDef &param_def(int index) { return kParams[index]; }

int find_param(const char *name) {
  if (name == nullptr) return -1;
  for (int i = 0; i < kNumParams; ++i)
    if (same_name(name, kParams[i].name)) return i;
  return -1;
}

int find_param(const char *name, ParamType type) {
  const int i = find_param(name);
  return i >= 0 && kParams[i].type == type ? i : -1;
}

void ParamValues::reset() {
  for (int i = 0; i < kNumParams; ++i) value[to_size(i)] = kParams[i].defval;
}

bool in_range(const ParamDef &def, double value) {
  // Written so that NaN fails.
  return value >= def.minval && value <= def.maxval;
}

void apply(const ParamSettings &settings, ParamValues &values) {
  for (const auto &setting : settings) values.value[to_size(setting.first)] = setting.second;
}

int parse_params(std::string_view text, ParamSettings &settings) {
  settings.clear();
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string line(text.substr(start, end - start));
    start = end + 1;
    const std::size_t comment = line.find('#');
    if (comment != std::string::npos) line.erase(comment);
    const std::vector<std::string> parts = tokens(line);
    if (parts.empty()) continue;
    if (parts.size() != 2) return TVX_ERROR_FORMAT_ERROR;
    // A name with an embedded NUL matches nothing.
    const int index =
        std::strlen(parts[0].c_str()) == parts[0].size() ? find_param(parts[0].c_str()) : -1;
    if (index < 0) return TVX_ERROR_FORMAT_ERROR;
    double value;
    const int rc = parse_value(kParams[index], parts[1], &value);
    if (rc != TVX_ERROR_OKAY) return rc;
    settings.emplace_back(index, value);
  }
  return TVX_ERROR_OKAY;
}

std::string format_params(const ParamValues &values) {
  std::string text;
  for (int i = 0; i < kNumParams; ++i) {
    // Shortest form that reads back to the same double; locale-independent.
    // Room for any double or int, so to_chars cannot fail.
    char number[64];
    std::to_chars_result r;
    if (kParams[i].type == ParamType::Int)
      r = std::to_chars(number, number + sizeof number, static_cast<int>(values.value[to_size(i)]));
    else
      r = std::to_chars(number, number + sizeof number, values.value[to_size(i)]);
    text.append(kParams[i].name).append(" ").append(number, r.ptr).append("\n");
  }
  return text;
}

}  // namespace tvx
