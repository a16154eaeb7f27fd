// The members of Model in their binding order. A member not built yet is a
// placeholder that raises NotImplementedError; the file that builds it
// defines its spec and its entry here points at it.
#include "model/model.h"

namespace dz {

namespace {

const char *const placeholder_args[] = {"self", "args", "kwargs"};

PyObject *placeholder(PyObject *func, PyObject *const *) {
  return not_built(function_spec(func)->qualname);
}

#define PLACEHOLDER(NAME)                                                       \
  const FuncSpec NAME##_placeholder = {#NAME,                                   \
                                       "Model." #NAME,                          \
                                       placeholder_args,                        \
                                       1,                                       \
                                       0,                                       \
                                       FUNC_METHOD | FUNC_VARARGS | FUNC_VARKW, \
                                       &Model_Type,                             \
                                       placeholder,                             \
                                       nullptr};

PLACEHOLDER(addPsdVar)
PLACEHOLDER(addMConstr)
PLACEHOLDER(_cbCutP)
PLACEHOLDER(cbCut)
PLACEHOLDER(cbBranch)
PLACEHOLDER(cbGet)
PLACEHOLDER(cbGetNodeRel)
PLACEHOLDER(cbGetSolution)
PLACEHOLDER(cbSetSolution)
PLACEHOLDER(cbUseSolution)
PLACEHOLDER(terminate)

}  // namespace

const ModelMember model_members[] = {
    {&Model_copy_spec, ModelMember::PLAIN, nullptr, nullptr},
    {&Model_dispose_spec, ModelMember::PLAIN, nullptr, nullptr},
    {&Model_addVar_spec, ModelMember::PLAIN, nullptr, model_addvar_defaults},
    {&Model_addMVar_spec, ModelMember::PLAIN, nullptr, model_addmvar_defaults},
    {&Model_addVars_spec, ModelMember::PLAIN, nullptr, model_addvars_defaults},
    {&addPsdVar_placeholder, ModelMember::PLAIN, nullptr, nullptr},
    {&Model_addConstr_spec, ModelMember::PLAIN, nullptr, model_name_default},
    {&Model_addConstrs_spec, ModelMember::PLAIN, nullptr, model_addconstrs_defaults},
    {&Model_addLConstr_spec, ModelMember::PLAIN, nullptr, model_addlconstr_defaults},
    {&addMConstr_placeholder, ModelMember::PLAIN, nullptr, nullptr},
    {&Model_addSOS_spec, ModelMember::PLAIN, nullptr, model_addsos_defaults},
    {&Model_addGenConstrIndicator_spec, ModelMember::PLAIN, nullptr, model_indicator_defaults},
    {&Model_addRange_spec, ModelMember::PLAIN, nullptr, model_name_default},
    {&Model_getVars_spec, ModelMember::PLAIN, nullptr, nullptr},
    {&Model_getConstrs_spec, ModelMember::PLAIN, nullptr, nullptr},
    {&Model_getGenConstrs_spec, ModelMember::PLAIN, nullptr, nullptr},
    {&Model_getSOSs_spec, ModelMember::PLAIN, nullptr, nullptr},
    {&Model_getPsdVars_spec, ModelMember::PLAIN, nullptr, nullptr},
    {&Model_getPsdConstrs_spec, ModelMember::PLAIN, nullptr, nullptr},
    {&Model_getCol_spec, ModelMember::PLAIN, nullptr, nullptr},
    {&Model_getRow_spec, ModelMember::PLAIN, nullptr, nullptr},
    {&Model_getSOS_spec, ModelMember::PLAIN, nullptr, nullptr},
    {&Model_getGenConstrIndicator_spec, ModelMember::PLAIN, nullptr, nullptr},
    {&Model_getA_spec, ModelMember::PLAIN, nullptr, nullptr},
    {&Model_getConstrByName_spec, ModelMember::PLAIN, nullptr, nullptr},
    {&Model_getVarByName_spec, ModelMember::PLAIN, nullptr, nullptr},
    {&Model_chgCoeff_spec, ModelMember::PLAIN, nullptr, nullptr},
    {&Model_getCoeff_spec, ModelMember::PLAIN, nullptr, nullptr},
    {&Model_remove_spec, ModelMember::PLAIN, nullptr, nullptr},
    {&Model_setObjective_spec, ModelMember::PLAIN, nullptr, model_setobjective_defaults},
    {&Model_getObjective_spec, ModelMember::PLAIN, nullptr, nullptr},
    {&Model_setAttr_spec, ModelMember::PLAIN, nullptr, model_none_default},
    {&Model_getAttr_spec, ModelMember::PLAIN, nullptr, model_none_default},
    {&Model_setParam_spec, ModelMember::PLAIN, nullptr, nullptr},
    {&Model_resetParams_spec, ModelMember::PLAIN, nullptr, nullptr},
    {&Model_getParamInfo_spec, ModelMember::PLAIN, nullptr, nullptr},
    {&Model_optimize_spec, ModelMember::PLAIN, nullptr, model_none_default},
    {&Model_computeIIS_spec, ModelMember::PLAIN, nullptr, model_none_default},
    {&Model_cleanupMilp_spec, ModelMember::INTERNAL, nullptr, nullptr},
    {&_cbCutP_placeholder, ModelMember::PLAIN, nullptr, nullptr},
    {&cbCut_placeholder, ModelMember::SIGNATURE, "self, lhs, sense, rhs", nullptr},
    {&cbBranch_placeholder, ModelMember::PLAIN, nullptr, nullptr},
    {&cbGet_placeholder, ModelMember::SIGNATURE, "self, what", nullptr},
    {&cbGetNodeRel_placeholder, ModelMember::PLAIN, nullptr, nullptr},
    {&cbGetSolution_placeholder, ModelMember::PLAIN, nullptr, nullptr},
    {&cbSetSolution_placeholder, ModelMember::PLAIN, nullptr, nullptr},
    {&cbUseSolution_placeholder, ModelMember::PLAIN, nullptr, nullptr},
    {&terminate_placeholder, ModelMember::PLAIN, nullptr, nullptr},
    {&Model_reset_spec, ModelMember::PLAIN, nullptr, model_reset_default},
    {&Model_message_spec, ModelMember::PLAIN, nullptr, nullptr},
    {&Model_read_spec, ModelMember::PLAIN, nullptr, nullptr},
    {&Model_write_spec, ModelMember::PLAIN, nullptr, nullptr},
    {nullptr, ModelMember::PLAIN, nullptr, nullptr},
};

}  // namespace dz
