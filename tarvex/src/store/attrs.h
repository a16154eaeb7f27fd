// Attributes of a model: one table of every attribute, and the typed access
// behind the TVX attribute functions.
//
// The functions below work on a Store whose lock the caller holds; the
// exported functions (attr_api.cpp) add the handle check and the lock.
// Each takes the attribute name exactly as the table spells it: there are no
// files to be written by hand here, so no spelling is guessed ("numvars" is
// unknown). Their statuses:
// - a name not in the table: MODEL_INVALID_ATTR_NAME;
// - a name the function does not serve (another data type, a model attribute
//   given to a list function or an element attribute to a model one, a write
//   to a read-only attribute): the invalid-attribute code of the function's
//   own type (MODEL_INVALID_INT_ATTR for the int functions, ...);
// - an index outside its kind: that kind's index code; a value refused: its
//   code (MODEL_INPUT_ERROR, or the name codes for invalid UTF-8);
// - a value that only a solve gives, before one: NO_SOLN, NO_STATISTICS for
//   iteration counts and times, IIS_NO_SOLN for IIS membership.
// A list write validates every index and value before it changes anything.
#ifndef TARVEX_STORE_ATTRS_H
#define TARVEX_STORE_ATTRS_H

#include "store/store.h"
#include "tarvex.h"

namespace tvx {

// ---- The table --------------------------------------------------------------

// Why a value cannot be read yet (a status), or OK.
using AttrReady = int (*)(const Store &);

// Accessors of one data type. `get` and `set` take the element index (0 for
// a model attribute) already checked; `check` validates a value before any
// `set` of the same call runs. A read-only attribute has no set.
template <class T>
struct ScalarAccess {
  T (*get)(const Store &, int);
  int (*check)(T);
  void (*set)(Store &, int, T);
};
using CharAccess = ScalarAccess<char>;
using IntAccess = ScalarAccess<int>;
using DblAccess = ScalarAccess<double>;
// A string is set only after its text was validated and copied.
struct StrAccess {
  const std::string &(*get)(const Store &, int);
  void (*set)(Store &, int, std::string &&);
};
// One square matrix of side `dim` per element, given as sparse entries
// (row-major positions). `set` is a whole batch in the layout of
// Store::set_psd_obj, which validates it before changing anything.
struct MatAccess {
  int (*dim)(const Store &, int);
  int (*count)(const Store &, int);
  void (*fill)(const Store &, int, int *pos, double *val);
  int (*set)(Store &, int n, const int *ind, const int *beg, int nnz, const int *pos,
             const double *val);
};

struct AttrDef {
  const char *name;
  int type;         // TVXattrtype
  int kind;         // TVXattrkind
  AttrReady ready;  // null: always readable
  // Only the member of `type` is filled.
  CharAccess c;
  IntAccess i;
  DblAccess d;
  StrAccess s;
  MatAccess m;

  bool settable() const;
};

constexpr int kNumAttrs = 62;

const AttrDef &attr_def(int index);
// Exact match on the name; null when unknown.
const AttrDef *find_attr(const char *name);

// ---- Typed access -----------------------------------------------------------

// Any of the three outputs may be null.
int attr_info(const char *name, int *datatype, int *objkind, int *settable);

int get_int_attr(const Store &s, const char *name, int *value);
int get_dbl_attr(const Store &s, const char *name, double *value);
// *value points into the store: valid until it next changes.
int get_str_attr(const Store &s, const char *name, const char **value);
int set_int_attr(Store &s, const char *name, int value);
int set_dbl_attr(Store &s, const char *name, double value);
// A null value is the empty text.
int set_str_attr(Store &s, const char *name, const char *value);

// ind, values: n entries each (both may be null when n is 0). An index may
// repeat; in a write the last of equal indices wins.
int get_char_attrs(const Store &s, const char *name, int n, const int *ind, char *values);
int get_int_attrs(const Store &s, const char *name, int n, const int *ind, int *values);
int get_dbl_attrs(const Store &s, const char *name, int n, const int *ind, double *values);
// The texts point into the store: valid until it next changes.
int get_str_attrs(const Store &s, const char *name, int n, const int *ind, const char **values);
int set_char_attrs(Store &s, const char *name, int n, const int *ind, const char *values);
int set_int_attrs(Store &s, const char *name, int n, const int *ind, const int *values);
int set_dbl_attrs(Store &s, const char *name, int n, const int *ind, const double *values);
// A null text is the empty one.
int set_str_attrs(Store &s, const char *name, int n, const int *ind, const char *const *values);

// Layout of TVXgetmatattrlist. With beg, rows, cols and pos, val all null it
// only sets *nnz; otherwise *nnz is the room in pos and val on entry (a
// smaller room than the entries is refused and nothing is written) and
// their count on return.
int get_mat_attrs(const Store &s, const char *name, int n, const int *ind, int *nnz, int *beg,
                  int *rows, int *cols, int *pos, double *val);
// Layout of TVXsetmatattrlist; every rows[i] and cols[i] must equal the side
// of the element's matrix (MODEL_INVALID_REAL_ATTR_SYM_MAT otherwise).
int set_mat_attrs(Store &s, const char *name, int n, const int *ind, int nnz, const int *beg,
                  const int *rows, const int *cols, const int *pos, const double *val);

}  // namespace tvx

#endif
