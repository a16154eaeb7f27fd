/* The C interface of libtarvex.so.1.0.1, shared by the module and the library.
 *
 * Conventions for every function below:
 * - The status result is 0 (TVX_ERROR_OKAY) on success, else one of the
 *   TVX_ERROR_* codes; TVXexplainerror() gives its text.
 * - Handles are opaque. A null, unknown or freed handle is refused with
 *   TVX_ERROR_INVALID_ARGUMENT before anything else is looked at.
 * - Indices are 32-bit ints, values doubles; variable types, senses and
 *   character attributes are one byte each; strings are NUL-terminated UTF-8.
 * - Input arrays belong to the caller and are only read during the call.
 *   Strings handed out belong to the library: copy them before the next call
 *   on the same handle.
 * - A variable-length read is made twice: with null arrays to learn the
 *   count, then with arrays of that size.
 */
#ifndef TARVEX_H
#define TARVEX_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(TARVEX_BUILDING)
#define TVX_API __attribute__((visibility("default")))
#else
#define TVX_API
#endif

typedef struct TVXenv TVXenv;
typedef struct TVXmodel TVXmodel;

/* Called by the library during TVXoptimize and TVXcomputeIIS, on any of its
 * threads. cbdata is valid only for the duration of the call. A non-zero
 * result asks the library to stop the solve. */
typedef int (*TVXcallback)(TVXmodel *model, void *cbdata, int where, void *usrdata);

/* Status codes. */
enum TVXerrorcode {
  /* general */
  TVX_ERROR_OKAY = 0,
  TVX_ERROR_ERROR = -1,
  TVX_ERROR_NOMEMORY = -2,
  TVX_ERROR_INVALID_ARGUMENT = -3,
  TVX_ERROR_HOME_ENV_NOT_FOUND = -11,
  TVX_ERROR_DLL_ERROR = -12,
  /* input and output */
  TVX_ERROR_IO_ERROR = -1000,
  TVX_ERROR_FILE_READ_ERROR = -1001,
  TVX_ERROR_FILE_WRITE_ERROR = -1002,
  TVX_ERROR_DIRECTORY_ERROR = -1003,
  TVX_ERROR_FORMAT_ERROR = -1100,
  TVX_ERROR_VERSION_ERROR = -1101,
  TVX_ERROR_REMOTE_INVALID_TOKEN = -1200,
  TVX_ERROR_REMOTE_CONNECTION_ERROR = -1201,
  /* model */
  TVX_ERROR_MODEL_INPUT_ERROR = -2000,
  TVX_ERROR_MODEL_EMPTY = -2001,
  TVX_ERROR_MODEL_INVALID_ROW_IDX = -2002,
  TVX_ERROR_MODEL_INVALID_COL_IDX = -2003,
  TVX_ERROR_MODEL_INVALID_ROW_NAME = -2004,
  TVX_ERROR_MODEL_INVALID_COL_NAME = -2005,
  TVX_ERROR_MODEL_INVALID_SYM_MAT_IDX = -2006,
  TVX_ERROR_MODEL_INVALID_SYM_MAT_ROW_IDX = -2007,
  TVX_ERROR_MODEL_INVALID_SYM_MAT_COL_IDX = -2008,
  TVX_ERROR_MODEL_INVALID_STR_ATTR = -2010,
  TVX_ERROR_MODEL_INVALID_INT_ATTR = -2011,
  TVX_ERROR_MODEL_INVALID_REAL_ATTR = -2012,
  TVX_ERROR_MODEL_INVALID_REAL_ATTR_SYM_MAT = -2013,
  TVX_ERROR_MODEL_INVALID_CHAR_ATTR = -2014,
  TVX_ERROR_MODEL_INVALID_MAT_ATTR = -2015,
  TVX_ERROR_MODEL_INVALID_ATTR_NAME = -2019,
  TVX_ERROR_MODEL_INVALID_SOS_TYPE = -2020,
  TVX_ERROR_MODEL_INVALID_SOS_IDX = -2021,
  TVX_ERROR_MODEL_INVALID_INDICATOR_COL_IDX = -2022,
  TVX_ERROR_MODEL_INVALID_INDICATOR_ROW_IDX = -2023,
  TVX_ERROR_MODEL_INVALID_INT_RELAX = -2024,
  TVX_ERROR_DATA_NOT_AVAILABLE = -2025,
  /* results */
  TVX_ERROR_NO_SOLN = -3000,
  TVX_ERROR_NO_RAY = -3001,
  TVX_ERROR_NO_STATISTICS = -3002,
  TVX_ERROR_INVALID_BASIS_STATUS = -3003,
  TVX_ERROR_IIS_NO_SOLN = -3004,
  TVX_ERROR_IIS_FEASIBLE = -3005,
  /* parameters */
  TVX_ERROR_PARAM_SET_ERROR = -4000,
  TVX_ERROR_PARAM_GET_ERROR = -4001,
  /* callbacks */
  TVX_ERROR_CB_INVALID_WHERE = -5000,
  TVX_ERROR_CB_INVALID_WHAT = -5001,
  TVX_ERROR_CB_INVALID_SUBMISSION = -5002,
  /* interruptions */
  TVX_ERROR_ABORT_ITERATION_LIMIT = -9000,
  TVX_ERROR_ABORT_TIME_LIMIT = -9001,
  TVX_ERROR_ABORT_CTRL_C = -9002,
  TVX_ERROR_ABORT_NODE_LIMIT = -9003,
  TVX_ERROR_ABORT_STALLING_NODE_LIMIT = -9004,
  TVX_ERROR_ABORT_SOLUTION_LIMIT = -9005,
  TVX_ERROR_ABORT_INVALID_METHOD = -9011,
  TVX_ERROR_ABORT_SOLVER_NOT_AVAILABLE = -9012,
  /* numerics */
  TVX_ERROR_SIMPLEX_NUMERIC = -10000,
  TVX_ERROR_INTERIOR_NUMERIC = -20000,
  TVX_ERROR_IIS_NUMERIC = -30000
};

/* Data type codes reported by TVXgetattrinfo. */
enum TVXattrtype {
  TVX_ATTRTYPE_CHAR = 0,
  TVX_ATTRTYPE_INT = 1,
  TVX_ATTRTYPE_DBL = 2,
  TVX_ATTRTYPE_STR = 3,
  TVX_ATTRTYPE_MAT = 4
};

/* Object kind codes reported by TVXgetattrinfo. */
enum TVXattrkind {
  TVX_ATTRKIND_MODEL = 0,
  TVX_ATTRKIND_VAR = 1,
  TVX_ATTRKIND_LINCONSTR = 2,
  TVX_ATTRKIND_SOS = 3,
  TVX_ATTRKIND_QCONSTR = 4,
  TVX_ATTRKIND_GENCONSTR = 5,
  TVX_ATTRKIND_PSDVAR = 6,
  TVX_ATTRKIND_PSDCONSTR = 7
};

/* Size of the caller buffers that string parameters are read into,
 * terminating NUL included. */
#define TVX_MAX_STRLEN 512

/* Values of the status attribute ("Status"). */
enum TVXstatus {
  TVX_STATUS_UNKNOWN = 0,
  TVX_STATUS_OPTIMAL = 1,
  TVX_STATUS_INFEASIBLE = 2,
  TVX_STATUS_UNBOUNDED = 3,
  TVX_STATUS_INF_OR_UBD = 4,
  TVX_STATUS_SUB_OPTIMAL = 5
};

/* Objective senses ("ModelSense"), SOS types and general constraint types. */
#define TVX_MINIMIZE 1
#define TVX_MAXIMIZE (-1)
#define TVX_SOS_TYPE1 1
#define TVX_SOS_TYPE2 2
#define TVX_GENCONSTR_INDICATOR 6

/* A bound of this magnitude or more counts as infinite when solving; values
 * are stored as given, so a bound of 1e30 reads back as 1e30. */
#define TVX_INFINITY 1e20
/* The MIP start value of a variable that has none. */
#define TVX_UNDEFINED (-1.23457e+88)

/* ---- Errors and version ------------------------------------------------ */

/* A fixed text for every code, also for unknown ones; never NULL. */
TVX_API const char *TVXexplainerror(int code);
/* What the last call on this thread that failed with code knew beyond the
 * code's text (the row, variable or value it refused, the reason no engine
 * takes the model); "" when it knew nothing more, when its code was another,
 * or when a call returning a status has begun since. Never NULL; valid until
 * the thread's next such call. */
TVX_API const char *TVXerrordetail(int code);
/* Any of the three pointers may be NULL. */
TVX_API void TVXversion(int *major, int *minor, int *technical);

/* ---- Environments ------------------------------------------------------ */

/* Creates an environment that must be started with TVXstartenv before a
 * model can be created in it; parameters may be set meanwhile.
 * *env receives the handle (NULL on failure). */
TVX_API int TVXemptyenv(TVXenv **env);
/* Creates a started environment logging to logfilename ("" or NULL: no log),
 * which is created or appended to; FILE_WRITE_ERROR when it cannot be.
 * *env receives the handle (NULL on failure). */
TVX_API int TVXloadenv(TVXenv **env, const char *logfilename);
/* Starts an environment; an environment already started is left as it is. */
TVX_API int TVXstartenv(TVXenv *env);
/* Frees a standalone environment; models created in it keep their own copy
 * of its settings. The environment of a model (TVXgetenv) is refused here:
 * it is freed with its model. */
TVX_API int TVXfreeenv(TVXenv *env);
/* Appends text to the environment's log as one line; without a log file it
 * does nothing and succeeds. */
TVX_API int TVXmsg(TVXenv *env, const char *text);

/* ---- Parameters (on an environment) ------------------------------------ */

/* Names match ignoring ASCII case, with "_" for "/" ("mip_gapabs" is
 * "MIP/GapAbs"). A name unknown, or of a parameter of the other type, is
 * PARAM_GET_ERROR when reading and PARAM_SET_ERROR when writing; so is a
 * value outside the parameter's range (NaN included), which changes nothing.
 * There are no string parameters: the str functions refuse every name. */

TVX_API int TVXgetintparam(TVXenv *env, const char *name, int *value);
TVX_API int TVXgetdblparam(TVXenv *env, const char *name, double *value);
/* value: caller buffer of TVX_MAX_STRLEN bytes. */
TVX_API int TVXgetstrparam(TVXenv *env, const char *name, char *value);
/* Any of the four outputs of either function may be NULL. */
TVX_API int TVXgetintparaminfo(TVXenv *env, const char *name, int *current, int *minimum,
                               int *maximum, int *defval);
TVX_API int TVXgetdblparaminfo(TVXenv *env, const char *name, double *current, double *minimum,
                               double *maximum, double *defval);
/* current, defval: caller buffers of TVX_MAX_STRLEN bytes each. */
TVX_API int TVXgetstrparaminfo(TVXenv *env, const char *name, char *current, char *defval);
TVX_API int TVXsetintparam(TVXenv *env, const char *name, int value);
TVX_API int TVXsetdblparam(TVXenv *env, const char *name, double value);
TVX_API int TVXsetstrparam(TVXenv *env, const char *name, const char *value);
TVX_API int TVXresetparams(TVXenv *env);
/* Parameter files (".prm"): one "Name value" line per parameter; blank lines
 * and text after "#" are ignored. A file is validated whole before any value
 * is applied: an unknown name or a malformed line is FORMAT_ERROR, a value
 * out of range PARAM_SET_ERROR, and either changes nothing. */
TVX_API int TVXreadparams(TVXenv *env, const char *filename);
/* Writes every parameter, so that reading the file gives this state back. */
TVX_API int TVXwriteparams(TVXenv *env, const char *filename);

/* ---- Models ------------------------------------------------------------ */

/* Creates a model in a started environment, taking its own copy of the
 * environment's settings, with numvars variables. obj, lb, ub, vtype and
 * varnames have numvars entries each, or are NULL for the defaults
 * (objective 0, lower bound 0, no upper bound, type 'C', no name).
 * Values are stored as given; a lower bound above the upper bound is kept
 * and makes the model infeasible. A NaN bound, an objective that is not
 * finite or a type other than C, B, I, S, N (either case, stored upper-case)
 * is MODEL_INPUT_ERROR; a variable name that is not UTF-8 is
 * MODEL_INVALID_COL_NAME, a model name that is not UTF-8 MODEL_INPUT_ERROR;
 * a NULL entry of varnames is no name.
 * *model receives the handle (NULL on failure). */
TVX_API int TVXnewmodel(TVXenv *env, TVXmodel **model, const char *name, int numvars,
                        const double *obj, const double *lb, const double *ub, const char *vtype,
                        const char **varnames);
/* Reads a model from a file into a new model in env; *model receives the
 * handle (NULL on failure). */
TVX_API int TVXreadmodel(TVXenv *env, const char *filename, TVXmodel **model);
/* A new model with the same data and its own copy of the settings;
 * NULL for a bad handle or on failure. */
TVX_API TVXmodel *TVXcopymodel(TVXmodel *model);
/* Frees the model and its environment (the one TVXgetenv returns). */
TVX_API int TVXfreemodel(TVXmodel *model);
/* The model's own environment, alive as long as the model; NULL for a bad
 * handle. */
TVX_API TVXenv *TVXgetenv(TVXmodel *model);
/* Reads data into the model; the kind of data follows the file suffix. */
TVX_API int TVXread(TVXmodel *model, const char *filename);
/* Writes the model or its results; the format follows the file suffix. */
TVX_API int TVXwrite(TVXmodel *model, const char *filename);
/* clearall 0 discards the results of every solve and IIS computation (the
 * model then reads as never solved); 1 also discards the start basis and
 * every MIP start ("Start" reads TVX_UNDEFINED). Any other value is
 * INVALID_ARGUMENT and changes nothing. */
TVX_API int TVXreset(TVXmodel *model, int clearall);
/* Makes the current point exact where it is a hair off: an integer, binary or
 * semi-integer value within MIP/IntegerTolerance of an integer becomes that
 * integer, a semi-continuous or semi-integer value that close to 0 becomes 0,
 * unless the new value would leave the variable's bounds; row activities,
 * the objective and the MIP gaps follow. *result receives how many values
 * changed (0 without a point). */
TVX_API int TVXcleanupmilp(TVXmodel *model, int *result);

/* ---- Attributes -------------------------------------------------------- */

/* Names are matched exactly, in the case the attribute table gives them
 * ("NumVars", "MIP/GapAbs"); an alias ("ObjCon", "X") is a name of its own.
 * Model attributes are read and written by the scalar functions, element
 * attributes by the list functions, whose indices are those of the owner
 * kind (rows: linear and PSD rows alike, in their shared index space).
 * Statuses:
 * - a name not in the table: MODEL_INVALID_ATTR_NAME;
 * - a known name the function does not serve (another data type, the other
 *   level, a write to a read-only attribute): the invalid-attribute code of
 *   the function's type (MODEL_INVALID_INT_ATTR for the int functions,
 *   MODEL_INVALID_REAL_ATTR, _STR_ATTR, _CHAR_ATTR, _MAT_ATTR);
 * - an index outside its kind: MODEL_INVALID_COL_IDX (variables),
 *   _ROW_IDX (rows), _INDICATOR_ROW_IDX (general constraints), _SYM_MAT_IDX
 *   (PSD variables); a refused value (a NaN bound, a non-finite objective,
 *   constant or start, a ModelSense other than 1 or -1, a variable type
 *   other than C, B, I, S, N in either case): MODEL_INPUT_ERROR; a name
 *   that is not UTF-8: MODEL_INVALID_COL_NAME, _ROW_NAME, or
 *   MODEL_INPUT_ERROR for the model name;
 * - a value that only a solve gives, while there is none (new model, after
 *   a change of the problem, after TVXreset): NO_SOLN; iteration counts and
 *   times NO_STATISTICS; IIS membership IIS_NO_SOLN. "Status" reads
 *   TVX_STATUS_UNKNOWN and "HasSolution" 0 meanwhile.
 * A list write validates every index and value before it changes anything;
 * an index may repeat, the last value winning. A write that changes the
 * problem discards the solution; names and "Start" do not.
 * Texts handed out point into the model: valid until the next call on it. */

/* *datatype: a TVXattrtype code, *objkind: a TVXattrkind code,
 * *settable: non-zero when the attribute can be written; any of the three
 * may be NULL. */
TVX_API int TVXgetattrinfo(TVXmodel *model, const char *name, int *datatype, int *objkind,
                           int *settable);
TVX_API int TVXgetintattr(TVXmodel *model, const char *name, int *value);
TVX_API int TVXgetdblattr(TVXmodel *model, const char *name, double *value);
/* *value: a text owned by the library. */
TVX_API int TVXgetstrattr(TVXmodel *model, const char *name, const char **value);
TVX_API int TVXsetintattr(TVXmodel *model, const char *name, int value);
TVX_API int TVXsetdblattr(TVXmodel *model, const char *name, double value);
TVX_API int TVXsetstrattr(TVXmodel *model, const char *name, const char *value);
/* ind, values: n entries each. */
TVX_API int TVXgetcharattrlist(TVXmodel *model, const char *name, int n, const int *ind,
                               char *values);
/* ind, values: n entries each. */
TVX_API int TVXgetintattrlist(TVXmodel *model, const char *name, int n, const int *ind,
                              int *values);
/* ind, values: n entries each. */
TVX_API int TVXgetdblattrlist(TVXmodel *model, const char *name, int n, const int *ind,
                              double *values);
/* ind, values: n entries each; values receives texts owned by the library. */
TVX_API int TVXgetstrattrlist(TVXmodel *model, const char *name, int n, const int *ind,
                              const char **values);
/* ind: n entries. *nnz receives the entry count of all n matrices together.
 * beg, rows, cols: n entries each, pos and val: *nnz entries each; all five
 * NULL to ask for *nnz only. Matrix i has shape rows[i] x cols[i] and its
 * entries from beg[i] up to beg[i+1] (nnz for the last), each a row-major
 * position r * cols[i] + c and a value. When the arrays are given, *nnz is
 * the room in pos and val (which may be NULL when it is 0): fewer than the
 * entries is INVALID_ARGUMENT, and nothing is written. "PsdObj" gives the
 * entries as stored, "PsdX" the non-zero entries of the solution. */
TVX_API int TVXgetmatattrlist(TVXmodel *model, const char *name, int n, const int *ind, int *nnz,
                              int *beg, int *rows, int *cols, int *pos, double *val);
/* ind, values: n entries each. */
TVX_API int TVXsetcharattrlist(TVXmodel *model, const char *name, int n, const int *ind,
                               const char *values);
/* ind, values: n entries each. */
TVX_API int TVXsetintattrlist(TVXmodel *model, const char *name, int n, const int *ind,
                              const int *values);
/* ind, values: n entries each. */
TVX_API int TVXsetdblattrlist(TVXmodel *model, const char *name, int n, const int *ind,
                              const double *values);
/* ind, values: n entries each. */
TVX_API int TVXsetstrattrlist(TVXmodel *model, const char *name, int n, const int *ind,
                              const char **values);
/* ind, beg, rows, cols: n entries each; pos, val: nnz entries each; layout
 * as for TVXgetmatattrlist. rows[i] and cols[i] must both be the dimension
 * of element i (MODEL_INVALID_REAL_ATTR_SYM_MAT otherwise); each matrix
 * replaces the element's, entries stored as given. */
TVX_API int TVXsetmatattrlist(TVXmodel *model, const char *name, int n, const int *ind, int nnz,
                              const int *beg, const int *rows, const int *cols, const int *pos,
                              const double *val);

/* ---- Building ---------------------------------------------------------- */

/* ind, val: nnz entries each (the new column's rows, strictly ascending);
 * name may be NULL. */
TVX_API int TVXaddvar(TVXmodel *model, int nnz, const int *ind, const double *val, double obj,
                      double lb, double ub, char vtype, const char *name);
/* Appends numvars variables. beg: numvars entries, ind and val: nnz entries
 * (column-wise coefficients; nnz 0 and all three NULL for none); obj, lb, ub,
 * vtype, varnames: numvars entries each, or NULL for the defaults
 * (objective 0, lower bound 0, no upper bound, type 'C', no name). */
TVX_API int TVXaddvars(TVXmodel *model, int numvars, int nnz, const int *beg, const int *ind,
                       const double *val, const double *obj, const double *lb, const double *ub,
                       const char *vtype, const char **varnames);
/* ind, val: nnz entries each; name may be NULL. */
TVX_API int TVXaddrangeconstr(TVXmodel *model, int nnz, const int *ind, const double *val,
                              double lower, double upper, const char *name);
/* Appends numrows rows. beg: numrows entries (row starts into ind and val),
 * ind, val: nnz entries each; lower, upper: numrows entries each, NULL for
 * unbounded on that side; names: numrows entries, or NULL. */
TVX_API int TVXaddrangeconstrs(TVXmodel *model, int numrows, int nnz, const int *beg,
                               const int *ind, const double *val, const double *lower,
                               const double *upper, const char **names);
/* Appends numsos SOS. types, beg: numsos entries each (beg: start of each
 * SOS's members in ind and weight); ind, weight: nummembers entries each. */
TVX_API int TVXaddsos(TVXmodel *model, int numsos, int nummembers, const int *types, const int *beg,
                      const int *ind, const double *weight);
/* When binvar equals binval, the row sum(val[k] * x[ind[k]]) sense rhs must
 * hold. ind, val: nnz entries each; sense '<', '>' or '='; name may be NULL. */
TVX_API int TVXaddgenconstrIndicator(TVXmodel *model, const char *name, int binvar, int binval,
                                     int nnz, const int *ind, const double *val, char sense,
                                     double rhs);
/* Appends nnz quadratic objective terms val[k] * x[qrow[k]] * x[qcol[k]],
 * stored as given; qrow, qcol, val: nnz entries each. */
TVX_API int TVXaddqpterms(TVXmodel *model, int nnz, const int *qrow, const int *qcol,
                          const double *val);
/* Removes every quadratic objective term. */
TVX_API int TVXdelq(TVXmodel *model);
/* Appends a PSD variable of dimension dim with objective coefficient matrix
 * entries pos (row-major positions r * dim + c) and val: nnz entries each;
 * name may be NULL. */
TVX_API int TVXaddpsdvar(TVXmodel *model, int dim, int nnz, const int *pos, const double *val,
                         const char *name);
/* Appends one semidefinite row lower <= linear part + sum of <matrix, PSD
 * variable> <= upper, in the row index space shared with linear rows.
 * lind, lval: lnnz entries (the linear part); vidx, beg: npsd entries (the
 * PSD variables and the start of each one's matrix in ind and val);
 * ind, val: pnnz entries (row-major positions and values); name may be NULL. */
TVX_API int TVXaddrangepsdconstr(TVXmodel *model, int lnnz, int npsd, int pnnz, const int *lind,
                                 const double *lval, const int *vidx, const int *beg,
                                 const int *ind, const double *val, double lower, double upper,
                                 const char *name);

/* ---- Reading and editing ----------------------------------------------- */

/* Rows start .. start+count-1. *numnz receives their nonzero count; beg:
 * count entries (row starts), ind, val: *numnz entries each; all three NULL
 * to ask for *numnz only. */
TVX_API int TVXgetconstrs(TVXmodel *model, int *numnz, int *beg, int *ind, double *val, int start,
                          int count);
/* As TVXgetconstrs, for the columns of variables start .. start+count-1. */
TVX_API int TVXgetvars(TVXmodel *model, int *numnz, int *beg, int *ind, double *val, int start,
                       int count);
TVX_API int TVXgetcoeff(TVXmodel *model, int constr, int var, double *value);
/* cind, vind, val: cnt entries each. */
TVX_API int TVXchgcoeffs(TVXmodel *model, int cnt, const int *cind, const int *vind,
                         const double *val);
/* *numqnz receives the number of quadratic objective terms; qrow, qcol, val:
 * *numqnz entries each, all three NULL to ask for *numqnz only. */
TVX_API int TVXgetq(TVXmodel *model, int *numqnz, int *qrow, int *qcol, double *val);
/* SOS start .. start+count-1. *nummembers receives their member count;
 * types, beg: count entries each; ind, weight: *nummembers entries each,
 * both NULL to ask for *nummembers (and types and beg) only. */
TVX_API int TVXgetsos(TVXmodel *model, int *nummembers, int *types, int *beg, int *ind,
                      double *weight, int start, int count);
/* *nnz receives the row's term count; ind, val: *nnz entries each, both NULL
 * to ask for *nnz and the scalars only. */
TVX_API int TVXgetgenconstrIndicator(TVXmodel *model, int index, int *binvar, int *binval, int *nnz,
                                     int *ind, double *val, char *sense, double *rhs);
/* *index receives the lowest index with that name, or -1. */
TVX_API int TVXgetvarbyname(TVXmodel *model, const char *name, int *index);
/* *index receives the lowest index with that name, or -1. */
TVX_API int TVXgetconstrbyname(TVXmodel *model, const char *name, int *index);
/* ind: num entries, ascending. */
TVX_API int TVXdelvars(TVXmodel *model, int num, const int *ind);
/* ind: num entries, ascending. */
TVX_API int TVXdelconstrs(TVXmodel *model, int num, const int *ind);
/* ind: num entries, ascending. */
TVX_API int TVXdelsos(TVXmodel *model, int num, const int *ind);
/* ind: num entries, ascending. */
TVX_API int TVXdelgenconstrs(TVXmodel *model, int num, const int *ind);

/* ---- Solving and callbacks --------------------------------------------- */

/* Registers cb (NULL: none) to be called with usrdata during the next
 * TVXoptimize or TVXcomputeIIS; it stays until replaced and is not copied
 * with the model. */
TVX_API int TVXsetcallbackfunc(TVXmodel *model, TVXcallback cb, void *usrdata);
/* A change of the problem while TVXoptimize or TVXcomputeIIS runs (from a
 * callback or another thread) drops the run's result: where the call would
 * have returned OKAY or a stop (ABORT_* limit or request) it returns NO_SOLN,
 * or IIS_NO_SOLN for TVXcomputeIIS, logs why and says so in
 * TVXerrordetail. Names and "Start" are no
 * change of the problem. */
TVX_API int TVXoptimize(TVXmodel *model);
/* Finds an irreducible inconsistent subsystem of variable bounds and row
 * sides (integrality, SOS and indicator constraints always hold; the
 * objective plays no part) and sets "IISVar" and "IISConstr" (1: in it)
 * beside the results already there. A feasible model is IIS_FEASIBLE and
 * gets none; MaxTime bounds the whole search (ABORT_TIME_LIMIT); a solve
 * that gives no clear answer is IIS_NUMERIC. */
TVX_API int TVXcomputeIIS(TVXmodel *model);

/* Where a callback is called from (its where argument). During a MIP
 * search: MIPSTART once before the root relaxation; MIPNODE at each node
 * whose relaxation is solved and not pruned, again after cuts the callback
 * added there; MIPSOL once for each candidate incumbent of the main search
 * (solutions the callback gave included, after the call that gave them),
 * before it is taken: a cut given then that cuts it off rejects it. LP and
 * QP solves call no callback. The "presolved" columns are the problem as
 * the search states it: the model's variables first and in order, then
 * the columns the engine adds; cuts join its cut pool for the rest of the
 * search. A callback result other than 0 stops the solve at once, which
 * then returns that code (a positive one as ERROR): -9002 returns
 * ABORT_CTRL_C with the incumbent kept (status SUB_OPTIMAL, else UNKNOWN).
 * TVXoptimize and TVXcomputeIIS called from inside a callback on the same
 * thread are refused with CB_INVALID_WHERE. */
enum TVXcbwhere { TVX_CB_MIPSTART = 3, TVX_CB_MIPSOL = 4, TVX_CB_MIPNODE = 5 };

/* What TVXcbget reads; the value type, its array length, and where it is
 * available (any where unless said; elsewhere CB_INVALID_WHERE). Objective
 * values are in the model's sense with its constant; an infinite one reads
 * +-TVX_INFINITY. At MIPSOL the "best solution" is the candidate. The
 * arrays over the model's variables (NumVars when the solve started) are
 * the presolved ones, of PRE_NUMVARS entries, whose first they are. */
enum TVXcbwhat {
  TVX_CB_PRE_NUMVARS = 200,    /* int: presolved columns */
  TVX_CB_PRE_NUMCONSTRS = 201, /* int: presolved rows */
  TVX_CB_PRE_NUMNZS = 202,     /* int: presolved nonzeros */
  TVX_CB_PRE_LB = 203,         /* double[PRE_NUMVARS] */
  TVX_CB_PRE_UB = 204,         /* double[PRE_NUMVARS] */
  TVX_CB_PRE_LHS = 205,        /* double[PRE_NUMCONSTRS] */
  TVX_CB_PRE_RHS = 206,        /* double[PRE_NUMCONSTRS] */
  TVX_CB_PRE_OBJ = 207,        /* double[PRE_NUMVARS], in the model's sense */
  TVX_CB_PRE_ISINT = 208,      /* int[PRE_NUMVARS]: 1 integer, else 0 */
  TVX_CB_PRE_ELEMENTS = 209,   /* double[PRE_NUMNZS], by column */
  TVX_CB_PRE_INDICES = 210,    /* int[PRE_NUMNZS]: their rows */
  TVX_CB_PRE_STARTS = 211,     /* int[PRE_NUMVARS + 1]: column starts */
  TVX_CB_PRE_OBJCONST = 212,   /* double */
  TVX_CB_MIP_OBJBST = 300,     /* double: best objective */
  TVX_CB_MIP_OBJBND = 301,     /* double: best bound */
  TVX_CB_MIP_RELVAL = 302,     /* double: node relaxation objective; MIPNODE */
  TVX_CB_MIP_SOLPRE = 303,     /* double[PRE_NUMVARS]: best solution; NULL without one */
  TVX_CB_MIP_RELPRE = 304,     /* double[PRE_NUMVARS]: node relaxation; MIPNODE */
  TVX_CB_MIP_RELRDCPRE = 305,  /* double[PRE_NUMVARS]: its reduced costs; MIPNODE */
  TVX_CB_MIP_NODCNT = 306,     /* int: nodes explored */
  TVX_CB_MIP_SOLCNT = 307,     /* int: incumbents found */
  TVX_CB_MIP_CUTCNT = 308,     /* int: cuts applied */
  TVX_CB_MIP_NODLFT = 309,     /* int: open nodes */
  TVX_CB_MIP_NODEID = 310,     /* int: current node, 0 at the root */
  TVX_CB_MIP_DEPTH = 311,      /* int: its depth */
  TVX_CB_MIP_PHASE = 312,      /* int: 0 no incumbent, 1 gap above 1%, 2 within 1% */
  TVX_CB_MIP_LB = 313,         /* double[NumVars]: node lower bounds; MIPNODE */
  TVX_CB_MIP_UB = 314,         /* double[NumVars]: node upper bounds; MIPNODE */
  TVX_CB_MIP_SOL = 316,        /* double[NumVars]: best solution; NULL without one */
  TVX_CB_MIP_REL = 317         /* double[NumVars]: node relaxation; MIPNODE */
};

/* The functions below take the cbdata of a running callback; they may be
 * called from any thread while it runs, and are refused with
 * INVALID_ARGUMENT once it has returned. Submissions are checked whole
 * (indices in range, finite values, a known sense) before anything is
 * taken: CB_INVALID_SUBMISSION. */

/* where: the callback's own (else CB_INVALID_WHERE); value: the address of
 * an int, a double, an int pointer or a double pointer, as the what code
 * says; arrays handed out belong to the library and stay valid until the
 * callback returns. An unknown what is CB_INVALID_WHAT. */
TVX_API int TVXcbget(void *cbdata, int where, int what, void *value);
/* What a submission (TVXcbcut, TVXcbbranch, TVXcbsolution and their
 * presolved forms) returns once it passes the checks; each function says
 * when it gives which. Errors are below 0. */
enum TVXcbresult {
  TVX_CB_ACCEPTED = 0,  /* taken */
  TVX_CB_INCORRECT = 1, /* valid but incorrect */
  TVX_CB_DECLINED = 2   /* correct but not accepted */
};

/* A cut sum(val[k] * x[ind[k]]) sense rhs over variable indices; ind, val:
 * n entries each (repeated indices add up); sense '<', '>' or '='.
 * Results: below 0 an error; TVX_CB_ACCEPTED; TVX_CB_INCORRECT when it
 * cuts off the incumbent (the cut is dropped) or no point within the bounds
 * satisfies it (the cut is kept, as the same row would be: the model has
 * no feasible point left); TVX_CB_DECLINED when every point within the
 * bounds satisfies it. */
TVX_API int TVXcbcut(void *cbdata, int n, const int *ind, const double *val, char sense,
                     double rhs);
/* As TVXcbcut, over presolved column positions. */
TVX_API int TVXcbcutp(void *cbdata, int n, const int *ind, const double *val, char sense,
                      double rhs);
/* At MIPNODE, asks that the node branch on variable index: x <= floor(value)
 * and x >= floor(value) + 1; way < 0 explores the down branch first.
 * Results: TVX_CB_ACCEPTED; TVX_CB_INCORRECT when the node's bounds leave
 * no such split; TVX_CB_DECLINED for a variable that is not integer, or
 * anywhere but at MIPNODE. A later request at the same node replaces it. */
TVX_API int TVXcbbranch(void *cbdata, int index, int way, double value);
/* As TVXcbbranch, on a presolved column. */
TVX_API int TVXcbbranchp(void *cbdata, int column, int way, double value);
/* sol: one entry per variable, TVX_UNDEFINED where none is given; the
 * others are completed by a linear solve with the given ones fixed.
 * *objval (objval may be NULL) receives the objective of the completed
 * point, TVX_UNDEFINED without one. Results: TVX_CB_ACCEPTED, offered to
 * the search once the callback returns (MIPSOL follows when it becomes the
 * incumbent); TVX_CB_INCORRECT when infeasible, or without a feasible
 * completion with integral integer values; TVX_CB_DECLINED when feasible
 * but no better than the incumbent. */
TVX_API int TVXcbsolution(void *cbdata, const double *sol, double *objval);
/* As TVXcbsolution, sol with one entry per presolved column. */
TVX_API int TVXcbsolutionp(void *cbdata, const double *sol, double *objval);

#ifdef __cplusplus
}
#endif

#endif
