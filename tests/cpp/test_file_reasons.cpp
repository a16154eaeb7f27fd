// Why a file call failed, in the environment's log: the parameter file calls
// of an environment, and the report's own rules (the first problem stands,
// reports nest, text from files is shown safely).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "io/file_report.h"
#include "tarvex.h"

namespace {

namespace fs = std::filesystem;

struct LoggedEnv {
  LoggedEnv() {
    std::string pattern = (fs::temp_directory_path() / "tarvex_reasons_XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    dir = pattern;
    EXPECT_EQ(TVXloadenv(&env, (dir / "run.log").c_str()), TVX_ERROR_OKAY);
  }
  ~LoggedEnv() {
    TVXfreeenv(env);
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  std::string path(const char *name) const { return (dir / name).string(); }
  std::string log() const {
    std::ifstream in(dir / "run.log", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  void put(const char *name, const std::string &text) const {
    std::ofstream(dir / name, std::ios::binary) << text;
  }

  fs::path dir;
  TVXenv *env = nullptr;
};

TEST(FileReasons, ParameterFilesOfAnEnvironment) {
  LoggedEnv e;
  e.put("bad.prm", "# settings\nMaxTime 5\n\nNoSuch 3\n");
  e.put("value.prm", "MaxTime x\n");
  e.put("fields.prm.gz", "");
  EXPECT_EQ(TVXreadparams(e.env, e.path("bad.prm").c_str()), TVX_ERROR_FORMAT_ERROR);
  EXPECT_EQ(TVXreadparams(e.env, e.path("value.prm").c_str()), TVX_ERROR_FORMAT_ERROR);
  EXPECT_EQ(TVXreadparams(e.env, e.path("model.mps").c_str()), TVX_ERROR_FORMAT_ERROR);
  EXPECT_EQ(TVXreadparams(e.env, e.path("fields.prm.gz").c_str()), TVX_ERROR_FORMAT_ERROR);
  const std::string nowhere = e.path("no/such/dir/out.prm");
  EXPECT_EQ(TVXwriteparams(e.env, nowhere.c_str()), TVX_ERROR_FILE_WRITE_ERROR);
  // Calls refused before any file is touched say nothing.
  EXPECT_EQ(TVXreadparams(e.env, nullptr), TVX_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(TVXwriteparams(e.env, e.path("good.prm").c_str()), TVX_ERROR_OKAY);
  EXPECT_EQ(TVXreadparams(e.env, e.path("good.prm").c_str()), TVX_ERROR_OKAY);

  const std::string failed = "\" failed: ";
  EXPECT_EQ(e.log(), "Reading \"" + e.path("bad.prm") + failed +
                         "line 4: unknown parameter 'NoSuch'\n" + "Reading \"" +
                         e.path("value.prm") + failed +
                         "line 1: 'x' is not a value of MaxTime [0, inf]\n" + "Reading \"" +
                         e.path("model.mps") + failed + "\".mps\" files hold no parameters\n" +
                         "Reading \"" + e.path("fields.prm.gz") + failed +
                         "the gzip data is corrupt or cut short\n" + "Writing \"" + nowhere +
                         failed + "cannot create the file: No such file or directory\n");
}

TEST(FileReasons, TheFirstProblemStandsAndReportsNest) {
  EXPECT_EQ(tvx::FileReport::current(), nullptr);
  tvx::note_problem(3, "noted with no report open");  // goes nowhere
  tvx::FileReport outer(tvx::FileAction::Write, "out\n.lp");
  tvx::note_problem(7, "first");
  {
    tvx::FileReport inner(tvx::FileAction::Read, "in.mps");
    EXPECT_EQ(tvx::fail(TVX_ERROR_FORMAT_ERROR, "inner"), TVX_ERROR_FORMAT_ERROR);
    tvx::note_problem(9, "second");
    EXPECT_EQ(inner.message(TVX_ERROR_FORMAT_ERROR), "Reading \"in.mps\" failed: inner");
  }
  tvx::note_problem(8, "later");
  EXPECT_EQ(outer.message(TVX_ERROR_FORMAT_ERROR), "Writing \"out?.lp\" failed: line 7: first");
  // Nothing noted: the status's own text.
  tvx::FileReport quiet(tvx::FileAction::Read, "q.lp");
  EXPECT_EQ(quiet.message(TVX_ERROR_FILE_READ_ERROR),
            std::string("Reading \"q.lp\" failed: ") + TVXexplainerror(TVX_ERROR_FILE_READ_ERROR));
}

TEST(FileReasons, TextFromFilesIsQuotedSafely) {
  EXPECT_EQ(tvx::quoted("R09"), "'R09'");
  EXPECT_EQ(tvx::quoted("a\tb\x1b[0m"), "'a?b?[0m'");
  EXPECT_EQ(tvx::quoted("gr\xc3\xb6\xc3\x9f"
                        "e"),
            "'gr\xc3\xb6\xc3\x9f"
            "e'");                          // UTF-8 stays
  EXPECT_EQ(tvx::quoted("x\xff"), "'x?'");  // other bytes do not
  EXPECT_EQ(tvx::quoted("abcdef", 3), "'abc...'");
  // A cut never splits a character.
  EXPECT_EQ(tvx::quoted("ab\xc3\xb6", 3), "'ab...'");
}

}  // namespace
