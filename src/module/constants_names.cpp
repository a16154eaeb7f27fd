// The attribute table attrs and the parameter table params, and the constant
// sets TVX.Attr and TVX.Param made from them.
#include <cstring>

#include "module/constants.h"
#include "module/state.h"
#include "runtime/sizes.h"

namespace dz {

namespace {

struct NameRow {
  const char *name;  // canonical: what the library is given
  const char *type;  // attrs: the type word; params: "int" or "float"
  const char *desc;
};

const NameRow attr_rows[] = {
    {"MinSense", "int", "If the objective function is min sense"},
    {"ModelSense", "int", "The objective function sense, 1 for min and -1 for max"},
    {"HasSolution", "int", "If the problem has solution"},
    {"HasPrimalRay", "int", "If the problem has primal ray"},
    {"HasDualRay", "int", "If the problem has dual ray"},
    {"NumVars", "int", "The total number of variables"},
    {"NumConss", "int", "The total number of constraints"},
    {"NumConstrs", "int", "Alias for NumConss. The total number of constraints"},
    {"NumSOS", "int", "The total number of Special Ordered Set (SOS) constraints in the model"},
    {"NumGenConstrs", "int", "The total number of general constraints."},
    {"NumEnts", "int", "The total number of constraint matrix non-zeros"},
    {"NumNZs", "int", "Alias for NumEnts. The total number of constraint matrix non-zeros"},
    {"SPX/NumIters", "int", "The total number of iterations after a simplex method completed"},
    {"IPM/NumIters", "int",
     "The total number of iterations after a interior point method completed"},
    {"IsInteger", "int", "If a variable is integral type"},
    {"IISVar", "int", "If the upper and (or) lower bound(s) of this variable belong to IIS"},
    {"IISConstr", "int",
     "If the left-hand-side value and (or) right-hand-side value of this constraint belong "
     "to IIS"},
    {"IISCol", "int",
     "Alias for IISVar, to test if the upper and (or) lower bound(s) of this variable belong "
     "to IIS"},
    {"IISRow", "int",
     "Alias for IISConstr, to test if the left-hand-side value and (or) right-hand-side "
     "value of this constraint belong to IIS"},
    {"ColBasis", "int", "The basis of a column"},
    {"RowBasis", "int", "The basis of a row"},
    {"GenConstrType", "int", "The type of this general constraint"},
    {"Status", "int", "The optimization status after model optimized"},
    {"Dim", "int", "The dimension of a psd variable"},
    {"NumPsdVars", "int", "The total number of psd variables"},
    {"NumPsdConstrs", "int", "The total number of psd constraints"},
    {"ObjConst", "double", "The constant component of objective function"},
    {"ObjCon", "double", "Alias for ObjConst. The constant component of objective function"},
    {"PrimalObjVal", "double", "The objective value of primal solution"},
    {"ObjVal", "double", "Alias for PrimalObjVal. The objective value of primal solution"},
    {"DualObjVal", "double", "The objective value of dual solution"},
    {"PresolverTime", "double", "Presolver execution time in seconds"},
    {"SolverTime", "double", "Solver execution time in seconds"},
    {"SolutionTime", "double", "Total execution time in seconds"},
    {"MIP/GapAbs", "double", "The absolute gap for a mip solution"},
    {"MIP/GapRel", "double", "The relative gap for a mip solution"},
    {"LB", "double", "The lower bound of a variable"},
    {"UB", "double", "The upper bound of a variable"},
    {"Obj", "double", "The objective coefficient of a variable"},
    {"LHS", "double", "The left-hand-side value of a constraint"},
    {"RHS", "double", "The right-hand-side value of a constraint"},
    {"PrimalSoln", "double", "The solution of primal problem"},
    {"X", "double", "Alias for PrimalSoln. The solution of primal problem"},
    {"Start", "double", "The current MIP start vector"},
    {"DualSoln", "double", "The solution of dual problem"},
    {"Activity", "double", "The primal activity"},
    {"ReducedCost", "double", "The reduced cost"},
    {"RC", "double", "Alias for ReducedCost. The reduced cost"},
    {"PsdCLHS", "double", "psd contraint left-hand-side value"},
    {"PsdCRHS", "double", "psd contraint right-hand-side value"},
    {"ProbName", "string", "The problem name"},
    {"ModelName", "string", "Alias for ProbName. The problem name"},
    {"RowName", "string", "The constraint name"},
    {"ConstrName", "string", "Alias for RowName. The constraint name"},
    {"ColName", "string", "The variable name"},
    {"VarName", "string", "Alias for ColName, The variable name"},
    {"PsdVarName", "string", "The psd variable name"},
    {"PsdCName", "string", "The psd constraint name"},
    {"GenConstrName", "string", "The name of this general constraint"},
    {"VType", "char", "The variable type"},
    {"PsdX", "matrix", "The solution of psd variable in primal problem"},
    {"PsdObj", "matrix", "The objective coefficient of a psd variable"},
};

const NameRow param_rows[] = {
    {"Method", "int", "Set the selected optimization method"},
    {"Presolve", "int", "Set whether to enable the presolver method"},
    {"Dualization", "int", "Set whether to dualize the model"},
    {"NumThreads", "int", "Set the number of threads used"},
    {"EnableNetworkFlow", "int", "Set whether to enable the network simplex method"},
    {"EnableStochasticLP", "int",
     "Set whether to detect Stochastic Linear Programming problem structure"},
    {"SPX/ColumnGeneration", "int", "Set whether to use column generation in the simplex method"},
    {"SPX/CrashStart", "int",
     "Set whether to use the initial basis solution generation method in the simplex method"},
    {"SPX/MaxIterations", "int", "Set the maximum number of iterations in the simplex method"},
    {"SPX/PrimalPricing", "int", "Setting the primal pricing strategy in the simplex method"},
    {"SPX/DualPricing", "int", "Setting the dual pricing strategy in the simplex method"},
    {"IPM/MaxIterations", "int",
     "Set the maximum number of iterations in the interior point method"},
    {"MIP/MaxNodes", "int", "Set maximum node limit in MIP"},
    {"MIP/RootParallelism", "int",
     "Set the maximum number of concurrent threads allowed by the root node in MIP"},
    {"MIP/AutoConfiguration", "int", "Specify whether to enable automatical configuration for MIP"},
    {"MIP/MaxSols", "int", "Set the maximum solution limit in MIP"},
    {"MIP/AllowDualPresolve", "int", "Specify whether to enable dual presolve methods in MIP"},
    {"MIP/DetectDisconnectedComponents", "int",
     "Specify whether to enable disconnected component strategy in MIP"},
    {"MIP/SolutionPoolSize", "int",
     "Set the maximum number of solutions to be stored for obtaining in MIP"},
    {"MIP/MaxStallingNodes", "int", "Set the maximum allowed stalling nodes"},
    {"SolutionTarget", "int", "Set the target of solution in LP problem"},
    {"MaxTime", "float", "Set the maximum solve time"},
    {"SPX/PrimalTolerance", "float", "Set the primal feasibility tolerance for the simplex method"},
    {"SPX/DualTolerance", "float", "Set the dual feasibility tolerance for the simplex method"},
    {"IPM/PrimalTolerance", "float",
     "Set the primal relative feasibility tolerance in the interior point method"},
    {"IPM/DualTolerance", "float",
     "Set the dual relative feasibility tolerance in the interior point method"},
    {"IPM/GapTolerance", "float",
     "Sets the dual relative gap tolerance in the interior point method"},
    {"MIP/IntegerTolerance", "float", "Set the integer judgment precision in MIP solution"},
    {"MIP/ObjectiveTolerance", "float",
     "Set the objective value comparison accuracy in MIP solution"},
    {"MIP/GapAbs", "float", "Set absolute gap allowed for a MIP model"},
    {"MIP/GapRel", "float", "Set relative gap allowed for a MIP model"},
    {"MIP/LinearizationBigM", "float",
     "Set the largest coefficient for reformulated the non-linear functions in MIP"},
    {"MIP/Cutoff", "float",
     "Set the objective cutoff to avoid finding solutions worse than this value in MIP"},
};

// Item 1 of a row: the type word itself, or the type object the parameter
// machinery dispatches on.
PyObject *type_word(const char *type) { return PyUnicode_InternFromString(type); }
PyObject *type_object(const char *type) {
  PyObject *t = std::strcmp(type, "float") == 0 ? reinterpret_cast<PyObject *>(&PyFloat_Type)
                                                : reinterpret_cast<PyObject *>(&PyLong_Type);
  return new_ref(t);
}

// name with "/" written as "_", lower-cased too for a key. Every canonical
// name is ASCII.
PyObject *normalised(const char *name, bool lower) {
  char buf[64];
  size_t n = std::strlen(name);
  if (n >= sizeof buf) {
    PyErr_Format(PyExc_SystemError, "constant name too long: %s", name);
    return nullptr;
  }
  for (size_t k = 0; k <= n; k++) {
    char ch = name[k] == '/' ? '_' : name[k];
    buf[k] = lower && ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
  }
  return PyUnicode_FromStringAndSize(buf, py_size(n));
}

// Fills the table in row order, then gives cls one property per row, then
// binds the instance.
int build_name_table(PyObject *module, PyObject *cls, const char *instance, const NameRow *rows,
                     Py_ssize_t nrows, PyObject *(*type_value)(const char *), PyObject **slot) {
  Ref table(_PyDict_NewPresized(nrows));
  if (!table) return -1;
  for (Py_ssize_t r = 0; r < nrows; r++) {
    Ref key(normalised(rows[r].name, true));
    if (!key) return -1;
    Ref row(Py_BuildValue("[sNs]", rows[r].name, type_value(rows[r].type), rows[r].desc));
    if (!row || PyDict_SetItem(table.get(), key.get(), row.get()) < 0) return -1;
  }
  set_private(slot, table.get());

  Py_ssize_t pos = 0;
  PyObject *key, *row;  // borrowed from the table
  while (PyDict_Next(table.get(), &pos, &key, &row)) {
    PyObject *canonical = PyList_GET_ITEM(row, 0);
    Ref doc(PyUnicode_FromFormat("Type: %S\nDesc: %S", PyList_GET_ITEM(row, 1),
                                 PyList_GET_ITEM(row, 2)));
    if (!doc) return -1;
    const char *text = PyUnicode_AsUTF8(canonical);
    if (!text) return -1;
    Ref name(normalised(text, false));
    if (!name || add_value_property(cls, name.get(), canonical, doc.get()) < 0) return -1;
  }
  return bind_instance(module, cls, instance);
}

}  // namespace

int build_name_tables(PyObject *module, const ConstClasses &c) {
  static_assert(sizeof attr_rows / sizeof attr_rows[0] == 62, "attribute table");
  static_assert(sizeof param_rows / sizeof param_rows[0] == 33, "parameter table");
  if (build_name_table(module, c.attr.get(), "attr", attr_rows, 62, type_word, &state().attrs) < 0)
    return -1;
  return build_name_table(module, c.param.get(), "param", param_rows, 33, type_object,
                          &state().params);
}

}  // namespace dz
