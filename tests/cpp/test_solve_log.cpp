// The solve log: appended to the log file, never written to the console.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "solve/engine.h"
#include "solve_fixture.h"
#include "tarvex.h"

namespace {

using namespace solve_fixture;

std::string read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(Log, GoesToTheLogFileAndNeverToTheConsole) {
  const std::string path = ::testing::TempDir() + "tarvex_optimize_log.txt";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "earlier line\n";
  }
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  const tvx::SolveOutcome logged = solve(knapsack(TVX_MAXIMIZE), {}, false, path);
  const tvx::SolveOutcome quiet = solve(knapsack(TVX_MAXIMIZE));
  Builder refused;
  refused.var(0, 1, 0, 'I');
  refused.quad(0, 0, 1);
  const tvx::SolveOutcome refusal = solve(refused.store, {}, false, path);
  const std::string out = ::testing::internal::GetCapturedStdout();
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(out, "");
  EXPECT_EQ(err, "");
  EXPECT_EQ(logged.results.status, TVX_STATUS_OPTIMAL);
  EXPECT_EQ(quiet.results.status, TVX_STATUS_OPTIMAL);
  EXPECT_EQ(refusal.code, TVX_ERROR_ABORT_SOLVER_NOT_AVAILABLE);

  const std::string log = read_file(path);
  EXPECT_EQ(log.rfind("earlier line\n", 0), 0u) << "the log is appended to";
  EXPECT_NE(log.find("HiGHS"), std::string::npos);
  EXPECT_NE(log.find("No engine can solve this model"), std::string::npos);
  std::remove(path.c_str());
}

}  // namespace
