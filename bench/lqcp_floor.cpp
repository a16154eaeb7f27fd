// The lqcp model handed to the library through its C functions from
// ready-made arrays: the floor that no modelling layer can beat.
// Usage: lqcp_floor N solve(0|1); prints one JSON line.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <utility>
#include <vector>

#include "floor_util.h"
#include "tarvex.h"

int main(int argc, char **argv) {
  const FloorArgs args = floor_args(argc, argv, "lqcp_floor");
  const int n = static_cast<int>(args.n);
  const bool solve = args.solve;
  const long base_kb = status_kb("VmRSS:");
  const auto t0 = std::chrono::steady_clock::now();

  const double dx = 1.0 / n, T = 1.58, dt = T / n, h2 = dx * dx, a = 0.001;
  const int ny = (n + 1) * (n + 1);
  const int nv = ny + n;
  auto Y = [n](int i, int j) { return i * (n + 1) + j; };
  auto U = [ny](int i) { return ny + i - 1; };

  std::vector<double> lb(nv, 0.0), ub(nv, 1.0);
  for (int i = 1; i <= n; ++i) {
    lb[U(i)] = -1.0;
  }
  std::vector<int> beg, ind;
  std::vector<double> val, lo, hi;
  auto row = [&](std::initializer_list<std::pair<int, double>> terms, double rhs) {
    beg.push_back(static_cast<int>(ind.size()));
    for (const auto &t : terms) {
      ind.push_back(t.first);
      val.push_back(t.second);
    }
    lo.push_back(rhs);
    hi.push_back(rhs);
  };
  const double c = 0.5 * dt / h2;
  for (int i = 0; i < n; ++i) {
    for (int j = 1; j < n; ++j) {
      row({{Y(i, j - 1), -c},
           {Y(i, j), -1.0 + 2 * c},
           {Y(i, j + 1), -c},
           {Y(i + 1, j - 1), -c},
           {Y(i + 1, j), 1.0 + 2 * c},
           {Y(i + 1, j + 1), -c}},
          0.0);
    }
  }
  for (int j = 0; j <= n; ++j) {
    row({{Y(0, j), 1.0}}, 0.0);
  }
  for (int i = 1; i <= n; ++i) {
    row({{Y(i, 0), 3.0}, {Y(i, 1), -4.0}, {Y(i, 2), 1.0}}, 0.0);
  }
  const double k = 1.0 / (2 * dx);
  for (int i = 1; i <= n; ++i) {
    row({{Y(i, n - 2), k}, {Y(i, n - 1), -4 * k}, {Y(i, n), 3 * k + 1}, {U(i), -1.0}}, 0.0);
  }

  // Objective: w_j (y[n,j] - yt_j)^2 over j, and the control cost; the
  // constant part goes in as the objective constant.
  std::vector<double> obj(nv, 0.0);
  std::vector<int> qi;
  std::vector<double> qv;
  double constant = 0.0;
  for (int j = 0; j <= n; ++j) {
    const double w = (j == 0 || j == n) ? 0.25 * dx : 0.5 * dx;
    const double yt = 0.5 * (1 - (j * dx) * (j * dx));
    qi.push_back(Y(n, j));
    qv.push_back(w);
    obj[Y(n, j)] = -2 * w * yt;
    constant += w * yt * yt;
  }
  for (int i = 1; i <= n; ++i) {
    qi.push_back(U(i));
    qv.push_back(i == n ? 0.25 * a * dt : 0.5 * a * dt);
  }

  TVXenv *env = nullptr;
  check(TVXloadenv(&env, nullptr), "loadenv");
  TVXmodel *model = nullptr;
  check(TVXnewmodel(env, &model, "lqcp", nv, obj.data(), lb.data(), ub.data(), nullptr, nullptr),
        "newmodel");
  check(TVXaddrangeconstrs(model, static_cast<int>(lo.size()), static_cast<int>(ind.size()),
                           beg.data(), ind.data(), val.data(), lo.data(), hi.data(), nullptr),
        "addrangeconstrs");
  check(TVXaddqpterms(model, static_cast<int>(qi.size()), qi.data(), qi.data(), qv.data()),
        "addqpterms");
  check(TVXsetdblattr(model, "ObjConst", constant), "objconst");
  return finish_run(env, model, solve, t0, base_kb);
}
