// The parameter table, parameter values and the text of parameter files.
#ifndef TARVEX_STORE_PARAMS_H
#define TARVEX_STORE_PARAMS_H

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/numeric.h"

namespace tvx {

enum class ParamType { Int, Dbl };

// Integer parameters keep their limits as doubles too: every 32-bit value is
// exact there, so one range check serves both types.
struct ParamDef {
  const char *name;
  ParamType type;
  double defval;
  double minval;
  double maxval;
};

// The parameters by their row of the table (params.cpp), in its order; a
// name's "/" is written "_" (Param::SPX_PrimalTolerance is
// "SPX/PrimalTolerance"). The library reads a parameter by its id, the
// caller gives its name (find_param).
enum class Param {
  Method,
  Presolve,
  Dualization,
  NumThreads,
  EnableNetworkFlow,
  EnableStochasticLP,
  SPX_ColumnGeneration,
  SPX_CrashStart,
  SPX_MaxIterations,
  SPX_PrimalPricing,
  SPX_DualPricing,
  IPM_MaxIterations,
  MIP_MaxNodes,
  MIP_RootParallelism,
  MIP_AutoConfiguration,
  MIP_MaxSols,
  MIP_AllowDualPresolve,
  MIP_DetectDisconnectedComponents,
  MIP_SolutionPoolSize,
  MIP_MaxStallingNodes,
  SolutionTarget,
  MaxTime,
  SPX_PrimalTolerance,
  SPX_DualTolerance,
  IPM_PrimalTolerance,
  IPM_DualTolerance,
  IPM_GapTolerance,
  MIP_IntegerTolerance,
  MIP_ObjectiveTolerance,
  MIP_GapAbs,
  MIP_GapRel,
  MIP_LinearizationBigM,
  MIP_Cutoff,
  Count  // not a parameter: the number of rows
};

constexpr int kNumParams = static_cast<int>(Param::Count);
constexpr int index_of(Param id) { return static_cast<int>(id); }

const ParamDef &param_def(int index);
inline const ParamDef &param_def(Param id) { return param_def(index_of(id)); }

// Index of the parameter of that type, or -1. Names match ignoring ASCII
// case, with "_" and "/" interchangeable ("mip_gapabs" is "MIP/GapAbs"), so
// hand-written parameter files need not copy the exact spelling.
int find_param(const char *name, ParamType type);
int find_param(const char *name);

// One value per parameter, by table index; integers are stored exactly.
struct ParamValues {
  ParamValues() { reset(); }
  void reset();
  double operator[](Param id) const { return value[to_size(index_of(id))]; }
  double &operator[](Param id) { return value[to_size(index_of(id))]; }
  std::array<double, kNumParams> value;
};

// True when value is a legal setting of the parameter (never NaN).
bool in_range(const ParamDef &def, double value);

// Settings as (table index, value) pairs, in the order given.
using ParamSettings = std::vector<std::pair<int, double>>;
void apply(const ParamSettings &settings, ParamValues &values);

// The text of a parameter file: one "Name value" line per setting; blank
// lines and text after "#" are ignored. Every setting is validated: OKAY,
// or the status that refuses the whole text (FORMAT_ERROR for an unknown
// name or a malformed line, PARAM_SET_ERROR for a value out of range).
int parse_params(std::string_view text, ParamSettings &settings);
// Every parameter as one "Name value" line, values formatted so that
// parse_params gives them back exactly.
std::string format_params(const ParamValues &values);

}  // namespace tvx

#endif
