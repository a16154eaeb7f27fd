// The parameter table, parameter values and parameter files.
#ifndef TARVEX_PARAMS_H
#define TARVEX_PARAMS_H

#include <array>
#include <string>
#include <utility>
#include <vector>

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

constexpr int kNumParams = 33;

const ParamDef &param_def(int index);

// Index of the parameter of that type, or -1. Names match ignoring ASCII
// case, with "_" and "/" interchangeable ("mip_gapabs" is "MIP/GapAbs"), so
// hand-written parameter files need not copy the exact spelling.
int find_param(const char *name, ParamType type);
int find_param(const char *name);

// One value per parameter, by table index; integers are stored exactly.
struct ParamValues {
  ParamValues() { reset(); }
  void reset();
  std::array<double, kNumParams> value;
};

// True when value is a legal setting of the parameter (never NaN).
bool in_range(const ParamDef &def, double value);

// The settings of a parameter file as (index, value) pairs in file order,
// every one validated: 0 or the status that refuses the whole file.
int read_param_file(const char *filename, std::vector<std::pair<int, double>> &settings);
// Writes every parameter as one "Name value" line, values formatted so that
// read_param_file gives them back exactly.
int write_param_file(const char *filename, const ParamValues &values);

}  // namespace tvx

#endif
