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

#include "floor_util.h"
#include "tarvex.h"

namespace {

constexpr int kPerRow = 10;

}  // namespace

int main(int argc, char **argv) {
  const auto [n, solve] = floor_args(argc, argv, "array_floor");
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
  return finish_run(env, model, solve, t0, base_kb);
}
