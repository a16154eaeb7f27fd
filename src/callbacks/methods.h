// The in-callback methods of Model (bound in model/model_members.cpp).
#ifndef DIDAZODA_CALLBACKS_METHODS_H
#define DIDAZODA_CALLBACKS_METHODS_H

#include "runtime/function.h"

namespace dz {

extern const FuncSpec Model_cbGet_spec, Model_cbGetSolution_spec, Model_cbGetNodeRel_spec;
extern const FuncSpec Model_cbSetSolution_spec, Model_cbUseSolution_spec;
extern const FuncSpec Model_cbCut_spec, Model_cbCutP_spec, Model_cbBranch_spec;
extern const FuncSpec Model_terminate_spec;

}  // namespace dz

#endif
