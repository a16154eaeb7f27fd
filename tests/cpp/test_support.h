// What the library's C++ tests share: status shorthands, the two
// infinities, and files in a temporary directory.
#ifndef TARVEX_TESTS_TEST_SUPPORT_H
#define TARVEX_TESTS_TEST_SUPPORT_H

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <system_error>

#include "tarvex.h"

namespace test_support {

constexpr int kArg = TVX_ERROR_INVALID_ARGUMENT;
constexpr int kInput = TVX_ERROR_MODEL_INPUT_ERROR;
constexpr int kFormat = TVX_ERROR_FORMAT_ERROR;

// IEEE infinity: the store keeps it as given, files write it as "inf".
constexpr double kIeeeInf = std::numeric_limits<double>::infinity();
// The library's infinity (TVX_INFINITY): a bound of this magnitude or more
// counts as infinite when solving, and the readers give it back for their
// infinite words.
constexpr double kTvxInfinity = TVX_INFINITY;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A handle value no call issued, by default the placeholder 3 a caller may
// preset: to see it refused, or overwritten by an output.
template <class Handle>
Handle *forged_handle(std::uintptr_t bits = 3) {
  return reinterpret_cast<Handle *>(bits);  // NOLINT(performance-no-int-to-ptr): not dereferenced
}

// One directory per test program, removed at exit.
inline const std::filesystem::path &temp_dir() {
  static const std::filesystem::path dir = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "tarvex_tests_XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    return std::filesystem::path(pattern);
  }();
  static const struct Cleanup {
    ~Cleanup() {
      std::error_code ec;
      std::filesystem::remove_all(dir, ec);
    }
  } cleanup;
  return dir;
}

inline std::string temp_path(const std::string &name) { return (temp_dir() / name).string(); }

inline std::string bytes_of(const std::filesystem::path &path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void put_bytes(const std::filesystem::path &path, const std::string &bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

// A case name as GoogleTest takes it: all but letters and digits made '_'.
inline std::string test_name(std::string text) {
  for (char &c : text) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return text;
}

// Names each case of a parameterised suite by its text field Field.
template <auto Field>
struct NameBy {
  template <class Case>
  std::string operator()(const ::testing::TestParamInfo<Case> &info) const {
    return test_name(info.param.*Field);
  }
};

// Names each case by its field `name`.
struct CaseName {
  template <class Case>
  std::string operator()(const ::testing::TestParamInfo<Case> &info) const {
    return test_name(info.param.name);
  }
};

// A model and its environment, made by the test's SetUp and freed after
// it; num reads a count such as "NumConstrs".
struct ModelTest : ::testing::Test {
  TVXenv *env = nullptr;
  TVXmodel *model = nullptr;

  void TearDown() override {
    EXPECT_EQ(TVXfreemodel(model), TVX_ERROR_OKAY);
    EXPECT_EQ(TVXfreeenv(env), TVX_ERROR_OKAY);
  }
  int num(const char *attr) {
    int v = -1;
    EXPECT_EQ(TVXgetintattr(model, attr, &v), TVX_ERROR_OKAY);
    return v;
  }
};

}  // namespace test_support

#endif
