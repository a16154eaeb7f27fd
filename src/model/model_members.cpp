// The members of Model in their binding order. A member not built yet is a
// placeholder that raises NotImplementedError; the file that builds it
// defines its spec and its entry here points at it.
#include "callbacks/methods.h"
#include "model/model.h"

namespace dz {

namespace {

const char *const placeholder_args[] = {"self", "args", "kwargs"};

PyObject *model_placeholder_impl(PyObject *func, PyObject *const *) {
  return not_built(function_spec(func)->qualname);
}

#define PLACEHOLDER(NAME)                                                       \
  const FuncSpec NAME##_placeholder =                                           \
      DZ_METHOD(Model, NAME, placeholder_args, model_placeholder_impl, nullptr) \
          .with_flags(FUNC_VARARGS | FUNC_VARKW);

PLACEHOLDER(addMVar)
PLACEHOLDER(addPsdVar)
PLACEHOLDER(addMConstr)

}  // namespace

const ModelMember model_members[] = {
    {&Model_copy_spec, ModelMember::PLAIN, nullptr},
    {&Model_dispose_spec, ModelMember::PLAIN, nullptr},
    {&Model_addVar_spec, ModelMember::PLAIN, nullptr},
    {&addMVar_placeholder, ModelMember::PLAIN, nullptr},
    {&Model_addVars_spec, ModelMember::PLAIN, nullptr},
    {&addPsdVar_placeholder, ModelMember::PLAIN, nullptr},
    {&Model_addConstr_spec, ModelMember::PLAIN, nullptr},
    {&Model_addConstrs_spec, ModelMember::PLAIN, nullptr},
    {&Model_addLConstr_spec, ModelMember::PLAIN, nullptr},
    {&addMConstr_placeholder, ModelMember::PLAIN, nullptr},
    {&Model_addSOS_spec, ModelMember::PLAIN, nullptr},
    {&Model_addGenConstrIndicator_spec, ModelMember::PLAIN, nullptr},
    {&Model_addRange_spec, ModelMember::PLAIN, nullptr},
    {&Model_getVars_spec, ModelMember::PLAIN, nullptr},
    {&Model_getConstrs_spec, ModelMember::PLAIN, nullptr},
    {&Model_getGenConstrs_spec, ModelMember::PLAIN, nullptr},
    {&Model_getSOSs_spec, ModelMember::PLAIN, nullptr},
    {&Model_getPsdVars_spec, ModelMember::PLAIN, nullptr},
    {&Model_getPsdConstrs_spec, ModelMember::PLAIN, nullptr},
    {&Model_getCol_spec, ModelMember::PLAIN, nullptr},
    {&Model_getRow_spec, ModelMember::PLAIN, nullptr},
    {&Model_getSOS_spec, ModelMember::PLAIN, nullptr},
    {&Model_getGenConstrIndicator_spec, ModelMember::PLAIN, nullptr},
    {&Model_getA_spec, ModelMember::PLAIN, nullptr},
    {&Model_getConstrByName_spec, ModelMember::PLAIN, nullptr},
    {&Model_getVarByName_spec, ModelMember::PLAIN, nullptr},
    {&Model_chgCoeff_spec, ModelMember::PLAIN, nullptr},
    {&Model_getCoeff_spec, ModelMember::PLAIN, nullptr},
    {&Model_remove_spec, ModelMember::PLAIN, nullptr},
    {&Model_setObjective_spec, ModelMember::PLAIN, nullptr},
    {&Model_getObjective_spec, ModelMember::PLAIN, nullptr},
    {&Model_setAttr_spec, ModelMember::PLAIN, nullptr},
    {&Model_getAttr_spec, ModelMember::PLAIN, nullptr},
    {&Model_setParam_spec, ModelMember::PLAIN, nullptr},
    {&Model_resetParams_spec, ModelMember::PLAIN, nullptr},
    {&Model_getParamInfo_spec, ModelMember::PLAIN, nullptr},
    {&Model_optimize_spec, ModelMember::PLAIN, nullptr},
    {&Model_computeIIS_spec, ModelMember::PLAIN, nullptr},
    {&Model_cleanupMilp_spec, ModelMember::INTERNAL, nullptr},
    {&Model__cbCutP_spec, ModelMember::PLAIN, nullptr},
    {&Model_cbCut_spec, ModelMember::SIGNATURE, "self, lhs, sense, rhs"},
    {&Model_cbBranch_spec, ModelMember::PLAIN, nullptr},
    {&Model_cbGet_spec, ModelMember::SIGNATURE, "self, what"},
    {&Model_cbGetNodeRel_spec, ModelMember::PLAIN, nullptr},
    {&Model_cbGetSolution_spec, ModelMember::PLAIN, nullptr},
    {&Model_cbSetSolution_spec, ModelMember::PLAIN, nullptr},
    {&Model_cbUseSolution_spec, ModelMember::PLAIN, nullptr},
    {&Model_terminate_spec, ModelMember::PLAIN, nullptr},
    {&Model_reset_spec, ModelMember::PLAIN, nullptr},
    {&Model_message_spec, ModelMember::PLAIN, nullptr},
    {&Model_read_spec, ModelMember::PLAIN, nullptr},
    {&Model_write_spec, ModelMember::PLAIN, nullptr},
    {nullptr, ModelMember::PLAIN, nullptr},
};

}  // namespace dz
