// What the C++ floors share: their arguments, memory reading and error exit.
#ifndef DIDAZODA_BENCH_FLOOR_UTIL_H
#define DIDAZODA_BENCH_FLOOR_UTIL_H

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tarvex.h"

// Not getrusage: its maxrss survives exec, so the process would report the
// peak of the one that started it.
inline long status_kb(const char *field) {
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

struct FloorArgs {
  long n;
  bool solve;
};

// The arguments N and solve (0|1); a wrong count exits with the usage line.
inline FloorArgs floor_args(int argc, char **argv, const char *name) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s N solve\n", name);
    std::exit(2);
  }
  return {std::atol(argv[1]), std::atoi(argv[2]) != 0};
}

inline void check(int status, const char *what) {
  if (status != 0) {
    std::fprintf(stderr, "%s: %s\n", what, TVXexplainerror(status));
    std::exit(1);
  }
}

// Solves (or, with solve false, hands over and stops at a zero time limit),
// frees the model and its environment and prints the run's one JSON line.
inline int finish_run(TVXenv *env, TVXmodel *model, bool solve,
                      std::chrono::steady_clock::time_point t0, long base_kb) {
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

#endif
