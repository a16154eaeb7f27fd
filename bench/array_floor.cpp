// The array road's model, A x <= b with A in compressed rows, handed to the
// library through its C functions from ready-made arrays: the floor that no
// modelling layer can beat. The matrix follows models.array_data exactly and
// is made before the timer starts, as the Python builders receive theirs.
// Usage: array_floor N solve(0|1), N the number of nonzeros; prints one
// JSON line.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tarvex.h"

namespace {

constexpr int kPerRow = 10;

// Not getrusage: its maxrss survives exec, so this process would report the
// peak of the one that started it.
long status_kb(const char *field) {
  std::FILE *f = std::fopen("/proc/self/status", "r");
  if (f == nullptr) return -1;
  char line[256];
  long kb = -1;
  const std::size_t len = std::strlen(field);
  while (std::fgets(line, sizeof line, f) != nullptr) {
    if (std::strncmp(line, field, len) == 0) {
      kb = std::strtol(line + len, nullptr, 10);
      break;
    }
  }
  std::fclose(f);
  return kb;
}

void check(int status, const char *what) {
  if (status != 0) {
    std::fprintf(stderr, "%s: %s\n", what, TVXexplainerror(status));
    std::exit(1);
  }
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: array_floor N solve\n");
    return 2;
  }
  const long n = std::atol(argv[1]);
  const bool solve = std::atoi(argv[2]) != 0;
  const int rows = static_cast<int>(n / kPerRow);
  const int cols = static_cast<int>(std::max<long>(kPerRow, n / 50));

  std::vector<int> beg(rows), ind(static_cast<std::size_t>(rows) * kPerRow);
  std::vector<double> val(ind.size()), upper(rows), obj(cols, 1.0), lb(cols, 0.0), ub(cols, 1.0);
  for (int i = 0; i < rows; ++i) {
    beg[i] = i * kPerRow;
    int *row = ind.data() + beg[i];
    for (int k = 0; k < kPerRow; ++k)
      row[k] = static_cast<int>(
          (static_cast<std::int64_t>(i) * 7919 + static_cast<std::int64_t>(k) * (cols / kPerRow)) %
          cols);
    std::sort(row, row + kPerRow);
    for (int k = 0; k < kPerRow; ++k)
      val[beg[i] + k] = 1.0 + static_cast<double>((static_cast<std::int64_t>(i) * 31 +
                                                   static_cast<std::int64_t>(row[k]) * 17) %
                                                  97) /
                                  97.0;
    upper[i] = 1.0 + i % 5;
  }

  const long base_kb = status_kb("VmRSS:");
  const auto t0 = std::chrono::steady_clock::now();
  TVXenv *env = nullptr;
  check(TVXloadenv(&env, nullptr), "loadenv");
  TVXmodel *model = nullptr;
  check(TVXnewmodel(env, &model, "array", cols, obj.data(), lb.data(), ub.data(), nullptr, nullptr),
        "newmodel");
  check(TVXaddrangeconstrs(model, rows, static_cast<int>(ind.size()), beg.data(), ind.data(),
                           val.data(), nullptr, upper.data(), nullptr),
        "addrangeconstrs");
  check(TVXsetintattr(model, "ModelSense", TVX_MAXIMIZE), "sense");
  TVXenv *menv = TVXgetenv(model);
  check(TVXsetintparam(menv, "NumThreads", 1), "threads");
  if (!solve) check(TVXsetdblparam(menv, "MaxTime", 0.0), "maxtime");
  const int status = TVXoptimize(model);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  double objval = 0.0;
  if (solve) {
    check(status, "optimize");
    check(TVXgetdblattr(model, "ObjVal", &objval), "objval");
  }
  const long peak_kb = status_kb("VmHWM:");
  TVXfreemodel(model);
  TVXfreeenv(env);
  char objtext[64] = "null";
  if (solve) std::snprintf(objtext, sizeof objtext, "%.17g", objval);
  std::printf("{\"seconds\": %.6f, \"obj\": %s, \"mem_kb\": %ld}\n", seconds, objtext,
              peak_kb - base_kb);
  return 0;
}
