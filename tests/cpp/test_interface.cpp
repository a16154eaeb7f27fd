// The interface as a whole: version, and every declared function present.
#include <gtest/gtest.h>

#include <set>

#include "tarvex.h"

namespace {

TEST(Version, IsOneZeroOne) {
  int major = -1, minor = -1, technical = -1;
  TVXversion(&major, &minor, &technical);
  EXPECT_EQ(major, 1);
  EXPECT_EQ(minor, 0);
  EXPECT_EQ(technical, 1);
}

TEST(Version, SkipsNullOutputs) {
  int minor = -1;
  TVXversion(nullptr, &minor, nullptr);
  EXPECT_EQ(minor, 0);
  TVXversion(nullptr, nullptr, nullptr);
}

using AnyFunction = void (*)();

// Taking each address makes a declared function that the library does not
// export a link error of this test (the tarvex_exports test compares the
// header and the exports by name).
TEST(Interface, EveryDeclaredFunctionIsExported) {
  const AnyFunction functions[] = {
      reinterpret_cast<AnyFunction>(&TVXexplainerror),
      reinterpret_cast<AnyFunction>(&TVXerrordetail),
      reinterpret_cast<AnyFunction>(&TVXversion),
      reinterpret_cast<AnyFunction>(&TVXemptyenv),
      reinterpret_cast<AnyFunction>(&TVXloadenv),
      reinterpret_cast<AnyFunction>(&TVXstartenv),
      reinterpret_cast<AnyFunction>(&TVXfreeenv),
      reinterpret_cast<AnyFunction>(&TVXmsg),
      reinterpret_cast<AnyFunction>(&TVXgetintparam),
      reinterpret_cast<AnyFunction>(&TVXgetdblparam),
      reinterpret_cast<AnyFunction>(&TVXgetstrparam),
      reinterpret_cast<AnyFunction>(&TVXgetintparaminfo),
      reinterpret_cast<AnyFunction>(&TVXgetdblparaminfo),
      reinterpret_cast<AnyFunction>(&TVXgetstrparaminfo),
      reinterpret_cast<AnyFunction>(&TVXsetintparam),
      reinterpret_cast<AnyFunction>(&TVXsetdblparam),
      reinterpret_cast<AnyFunction>(&TVXsetstrparam),
      reinterpret_cast<AnyFunction>(&TVXresetparams),
      reinterpret_cast<AnyFunction>(&TVXreadparams),
      reinterpret_cast<AnyFunction>(&TVXwriteparams),
      reinterpret_cast<AnyFunction>(&TVXnewmodel),
      reinterpret_cast<AnyFunction>(&TVXreadmodel),
      reinterpret_cast<AnyFunction>(&TVXcopymodel),
      reinterpret_cast<AnyFunction>(&TVXfreemodel),
      reinterpret_cast<AnyFunction>(&TVXgetenv),
      reinterpret_cast<AnyFunction>(&TVXread),
      reinterpret_cast<AnyFunction>(&TVXwrite),
      reinterpret_cast<AnyFunction>(&TVXreset),
      reinterpret_cast<AnyFunction>(&TVXcleanupmilp),
      reinterpret_cast<AnyFunction>(&TVXgetattrinfo),
      reinterpret_cast<AnyFunction>(&TVXgetintattr),
      reinterpret_cast<AnyFunction>(&TVXgetdblattr),
      reinterpret_cast<AnyFunction>(&TVXgetstrattr),
      reinterpret_cast<AnyFunction>(&TVXsetintattr),
      reinterpret_cast<AnyFunction>(&TVXsetdblattr),
      reinterpret_cast<AnyFunction>(&TVXsetstrattr),
      reinterpret_cast<AnyFunction>(&TVXgetcharattrlist),
      reinterpret_cast<AnyFunction>(&TVXgetintattrlist),
      reinterpret_cast<AnyFunction>(&TVXgetdblattrlist),
      reinterpret_cast<AnyFunction>(&TVXgetstrattrlist),
      reinterpret_cast<AnyFunction>(&TVXgetmatattrlist),
      reinterpret_cast<AnyFunction>(&TVXsetcharattrlist),
      reinterpret_cast<AnyFunction>(&TVXsetintattrlist),
      reinterpret_cast<AnyFunction>(&TVXsetdblattrlist),
      reinterpret_cast<AnyFunction>(&TVXsetstrattrlist),
      reinterpret_cast<AnyFunction>(&TVXsetmatattrlist),
      reinterpret_cast<AnyFunction>(&TVXaddvar),
      reinterpret_cast<AnyFunction>(&TVXaddvars),
      reinterpret_cast<AnyFunction>(&TVXaddrangeconstr),
      reinterpret_cast<AnyFunction>(&TVXaddrangeconstrs),
      reinterpret_cast<AnyFunction>(&TVXaddsos),
      reinterpret_cast<AnyFunction>(&TVXaddgenconstrIndicator),
      reinterpret_cast<AnyFunction>(&TVXaddqpterms),
      reinterpret_cast<AnyFunction>(&TVXdelq),
      reinterpret_cast<AnyFunction>(&TVXaddpsdvar),
      reinterpret_cast<AnyFunction>(&TVXaddrangepsdconstr),
      reinterpret_cast<AnyFunction>(&TVXgetconstrs),
      reinterpret_cast<AnyFunction>(&TVXgetvars),
      reinterpret_cast<AnyFunction>(&TVXgetcoeff),
      reinterpret_cast<AnyFunction>(&TVXchgcoeffs),
      reinterpret_cast<AnyFunction>(&TVXgetq),
      reinterpret_cast<AnyFunction>(&TVXgetsos),
      reinterpret_cast<AnyFunction>(&TVXgetgenconstrIndicator),
      reinterpret_cast<AnyFunction>(&TVXgetvarbyname),
      reinterpret_cast<AnyFunction>(&TVXgetconstrbyname),
      reinterpret_cast<AnyFunction>(&TVXdelvars),
      reinterpret_cast<AnyFunction>(&TVXdelconstrs),
      reinterpret_cast<AnyFunction>(&TVXdelsos),
      reinterpret_cast<AnyFunction>(&TVXdelgenconstrs),
      reinterpret_cast<AnyFunction>(&TVXsetcallbackfunc),
      reinterpret_cast<AnyFunction>(&TVXoptimize),
      reinterpret_cast<AnyFunction>(&TVXcomputeIIS),
      reinterpret_cast<AnyFunction>(&TVXcbget),
      reinterpret_cast<AnyFunction>(&TVXcbcut),
      reinterpret_cast<AnyFunction>(&TVXcbcutp),
      reinterpret_cast<AnyFunction>(&TVXcbbranch),
      reinterpret_cast<AnyFunction>(&TVXcbbranchp),
      reinterpret_cast<AnyFunction>(&TVXcbsolution),
      reinterpret_cast<AnyFunction>(&TVXcbsolutionp),
  };
  std::set<AnyFunction> distinct;
  for (AnyFunction f : functions) {
    EXPECT_NE(f, nullptr);
    distinct.insert(f);
  }
  EXPECT_EQ(distinct.size(), sizeof functions / sizeof functions[0]);
}

}  // namespace
