// Typed access to the attribute table: name resolution, index and value
// validation, then reading or writing through the row's accessors.
#include "store/attrs.h"

#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "core/status.h"
#include "store/store.h"
#include "tarvex.h"

namespace tvx {
namespace {

// The code a function of this data type answers for a name it does not serve.
int type_error(int type) {
  switch (type) {
    case TVX_ATTRTYPE_CHAR:
      return TVX_ERROR_MODEL_INVALID_CHAR_ATTR;
    case TVX_ATTRTYPE_INT:
      return TVX_ERROR_MODEL_INVALID_INT_ATTR;
    case TVX_ATTRTYPE_DBL:
      return TVX_ERROR_MODEL_INVALID_REAL_ATTR;
    case TVX_ATTRTYPE_STR:
      return TVX_ERROR_MODEL_INVALID_STR_ATTR;
    default:
      return TVX_ERROR_MODEL_INVALID_MAT_ATTR;
  }
}

enum class Access { Read, Write };

// The attribute `name` as a function of data type `type` serves it: at the
// model level or per element, for reading or writing. Null with *rc set when
// it does not.
const AttrDef *resolve(const char *name, int type, bool model_level, Access access, int *rc) {
  if (name == nullptr) {
    *rc = kBadArgument;
    return nullptr;
  }
  const AttrDef *def = find_attr(name);
  if (def == nullptr) {
    *rc = TVX_ERROR_MODEL_INVALID_ATTR_NAME;
    return nullptr;
  }
  if (def->type != type || (def->kind == TVX_ATTRKIND_MODEL) != model_level ||
      (access == Access::Write && !def->settable())) {
    *rc = type_error(type);
    return nullptr;
  }
  *rc = TVX_ERROR_OKAY;
  return def;
}

int element_count(const Store &s, int kind) {
  switch (kind) {
    case TVX_ATTRKIND_VAR:
      return s.num_vars();
    case TVX_ATTRKIND_LINCONSTR:
    case TVX_ATTRKIND_PSDCONSTR:
      return s.num_rows();
    case TVX_ATTRKIND_SOS:
      return s.num_sos();
    case TVX_ATTRKIND_GENCONSTR:
      return s.num_genconstrs();
    case TVX_ATTRKIND_PSDVAR:
      return s.num_psd_vars();
    default:
      return 0;  // no attribute of other kinds exists
  }
}

int index_error(int kind) {
  switch (kind) {
    case TVX_ATTRKIND_VAR:
      return TVX_ERROR_MODEL_INVALID_COL_IDX;
    case TVX_ATTRKIND_SOS:
      return TVX_ERROR_MODEL_INVALID_SOS_IDX;
    case TVX_ATTRKIND_GENCONSTR:
      return TVX_ERROR_MODEL_INVALID_INDICATOR_ROW_IDX;
    case TVX_ATTRKIND_PSDVAR:
      return TVX_ERROR_MODEL_INVALID_SYM_MAT_IDX;
    default:
      return TVX_ERROR_MODEL_INVALID_ROW_IDX;
  }
}

// The code for a name that is not valid UTF-8, by owner.
int name_error(int kind) {
  switch (kind) {
    case TVX_ATTRKIND_MODEL:
      return TVX_ERROR_MODEL_INPUT_ERROR;
    case TVX_ATTRKIND_VAR:
    case TVX_ATTRKIND_PSDVAR:
      return TVX_ERROR_MODEL_INVALID_COL_NAME;
    default:
      return TVX_ERROR_MODEL_INVALID_ROW_NAME;
  }
}

// Indices of elements of the attribute's kind.
int check_indices(const Store &s, const AttrDef &def, int n, const int *ind) {
  if (n < 0 || (n > 0 && ind == nullptr)) return kBadArgument;
  const int count = element_count(s, def.kind);
  for (int k = 0; k < n; ++k) {
    if (ind[k] < 0 || ind[k] >= count) return index_error(def.kind);
  }
  return TVX_ERROR_OKAY;
}

// A list call's count, arrays and indices.
int check_list(const Store &s, const AttrDef &def, int n, const int *ind, const void *values) {
  if (n > 0 && values == nullptr) return kBadArgument;
  return check_indices(s, def, n, ind);
}

int ready(const Store &s, const AttrDef &def) { return def.ready ? def.ready(s) : TVX_ERROR_OKAY; }

// ---- Scalars and lists of one data type -----------------------------------

// Reading one value or a list through an accessor `get` of the row.
template <class T, class Get>
int get_one(const Store &s, const char *name, int type, T *value, Get get) {
  int rc;
  const AttrDef *def = resolve(name, type, true, Access::Read, &rc);
  if (def == nullptr) return rc;
  if (value == nullptr) return kBadArgument;
  rc = ready(s, *def);
  if (rc != TVX_ERROR_OKAY) return rc;
  *value = get(*def, s, 0);
  return TVX_ERROR_OKAY;
}

template <class T, class Get>
int get_list(const Store &s, const char *name, int type, int n, const int *ind, T *values,
             Get get) {
  int rc;
  const AttrDef *def = resolve(name, type, false, Access::Read, &rc);
  if (def == nullptr) return rc;
  rc = check_list(s, *def, n, ind, values);
  if (rc == TVX_ERROR_OKAY) rc = ready(s, *def);
  if (rc != TVX_ERROR_OKAY) return rc;
  for (int k = 0; k < n; ++k) values[k] = get(*def, s, ind[k]);
  return TVX_ERROR_OKAY;
}

std::string value_text(double value) { return number_text(value); }
std::string value_text(int value) { return std::to_string(value); }
std::string value_text(char value) { return char_text(value); }

// Writing numbers and characters: every value checked, then all applied. A
// refused value is named with its attribute and element.
template <class T, class Acc>
int set_values(Store &s, const AttrDef &def, const Acc &acc, int n, const int *ind,
               const T *values) {
  for (int k = 0; k < n && acc.check != nullptr; ++k) {
    const int rc = acc.check(values[k]);
    if (rc != TVX_ERROR_OKAY) {
      return fail_with(rc, std::string(def.name) + " of " + element_text(def.kind, ind[k]) +
                               " cannot be " + value_text(values[k]));
    }
  }
  for (int k = 0; k < n; ++k) acc.set(s, ind[k], values[k]);
  return TVX_ERROR_OKAY;
}

template <class T, class Pick>
int set_one(Store &s, const char *name, int type, T value, Pick pick) {
  int rc;
  const AttrDef *def = resolve(name, type, true, Access::Write, &rc);
  if (def == nullptr) return rc;
  const int index = 0;
  return set_values(s, *def, pick(*def), 1, &index, &value);
}

template <class T, class Pick>
int set_list(Store &s, const char *name, int type, int n, const int *ind, const T *values,
             Pick pick) {
  int rc;
  const AttrDef *def = resolve(name, type, false, Access::Write, &rc);
  if (def == nullptr) return rc;
  rc = check_list(s, *def, n, ind, values);
  if (rc != TVX_ERROR_OKAY) return rc;
  return set_values(s, *def, pick(*def), n, ind, values);
}

// Names: validated and copied before the first is stored, so a refused or
// failed (out of memory) call changes nothing.
int set_names(Store &s, const AttrDef &def, int n, const int *ind, const char *const *values) {
  std::vector<std::string> names(to_size(n));
  for (int k = 0; k < n; ++k) {
    if (!valid_name(values[k])) return name_error(def.kind);
    if (values[k] != nullptr) names[to_size(k)] = values[k];
  }
  for (int k = 0; k < n; ++k) def.s.set(s, ind[k], std::move(names[to_size(k)]));
  return TVX_ERROR_OKAY;
}

const CharAccess &char_access(const AttrDef &def) { return def.c; }
const IntAccess &int_access(const AttrDef &def) { return def.i; }
const DblAccess &dbl_access(const AttrDef &def) { return def.d; }

char read_char(const AttrDef &def, const Store &s, int k) { return def.c.get(s, k); }
int read_int(const AttrDef &def, const Store &s, int k) { return def.i.get(s, k); }
double read_dbl(const AttrDef &def, const Store &s, int k) { return def.d.get(s, k); }
const char *read_str(const AttrDef &def, const Store &s, int k) { return def.s.get(s, k).c_str(); }

}  // namespace

int attr_info(const char *name, int *datatype, int *objkind, int *settable) {
  if (name == nullptr) return kBadArgument;
  const AttrDef *def = find_attr(name);
  if (def == nullptr) return TVX_ERROR_MODEL_INVALID_ATTR_NAME;
  if (datatype != nullptr) *datatype = def->type;
  if (objkind != nullptr) *objkind = def->kind;
  if (settable != nullptr) *settable = def->settable() ? 1 : 0;
  return TVX_ERROR_OKAY;
}

int get_int_attr(const Store &s, const char *name, int *value) {
  return get_one(s, name, TVX_ATTRTYPE_INT, value, read_int);
}

int get_dbl_attr(const Store &s, const char *name, double *value) {
  return get_one(s, name, TVX_ATTRTYPE_DBL, value, read_dbl);
}

int get_str_attr(const Store &s, const char *name, const char **value) {
  return get_one(s, name, TVX_ATTRTYPE_STR, value, read_str);
}

int set_int_attr(Store &s, const char *name, int value) {
  return set_one(s, name, TVX_ATTRTYPE_INT, value, int_access);
}

int set_dbl_attr(Store &s, const char *name, double value) {
  return set_one(s, name, TVX_ATTRTYPE_DBL, value, dbl_access);
}

int set_str_attr(Store &s, const char *name, const char *value) {
  int rc;
  const AttrDef *def = resolve(name, TVX_ATTRTYPE_STR, true, Access::Write, &rc);
  if (def == nullptr) return rc;
  const int index = 0;
  return set_names(s, *def, 1, &index, &value);
}

int get_char_attrs(const Store &s, const char *name, int n, const int *ind, char *values) {
  return get_list(s, name, TVX_ATTRTYPE_CHAR, n, ind, values, read_char);
}

int get_int_attrs(const Store &s, const char *name, int n, const int *ind, int *values) {
  return get_list(s, name, TVX_ATTRTYPE_INT, n, ind, values, read_int);
}

int get_dbl_attrs(const Store &s, const char *name, int n, const int *ind, double *values) {
  return get_list(s, name, TVX_ATTRTYPE_DBL, n, ind, values, read_dbl);
}

int get_str_attrs(const Store &s, const char *name, int n, const int *ind, const char **values) {
  return get_list(s, name, TVX_ATTRTYPE_STR, n, ind, values, read_str);
}

int set_char_attrs(Store &s, const char *name, int n, const int *ind, const char *values) {
  return set_list(s, name, TVX_ATTRTYPE_CHAR, n, ind, values, char_access);
}

int set_int_attrs(Store &s, const char *name, int n, const int *ind, const int *values) {
  return set_list(s, name, TVX_ATTRTYPE_INT, n, ind, values, int_access);
}

int set_dbl_attrs(Store &s, const char *name, int n, const int *ind, const double *values) {
  return set_list(s, name, TVX_ATTRTYPE_DBL, n, ind, values, dbl_access);
}

int set_str_attrs(Store &s, const char *name, int n, const int *ind, const char *const *values) {
  int rc;
  const AttrDef *def = resolve(name, TVX_ATTRTYPE_STR, false, Access::Write, &rc);
  if (def == nullptr) return rc;
  rc = check_list(s, *def, n, ind, values);
  if (rc != TVX_ERROR_OKAY) return rc;
  return set_names(s, *def, n, ind, values);
}

int get_mat_attrs(const Store &s, const char *name, int n, const int *ind, int *nnz, int *beg,
                  int *rows, int *cols, int *pos, double *val) {
  int rc;
  const AttrDef *def = resolve(name, TVX_ATTRTYPE_MAT, false, Access::Read, &rc);
  if (def == nullptr) return rc;
  if (nnz == nullptr) return kBadArgument;
  const bool sizing = beg == nullptr && rows == nullptr && cols == nullptr;
  if (sizing ? pos != nullptr || val != nullptr
             : n > 0 && (beg == nullptr || rows == nullptr || cols == nullptr))
    return kBadArgument;
  rc = check_indices(s, *def, n, ind);
  if (rc == TVX_ERROR_OKAY) rc = ready(s, *def);
  if (rc != TVX_ERROR_OKAY) return rc;
  long long total = 0;
  for (int k = 0; k < n; ++k) total += def->m.count(s, ind[k]);
  if (total > INT_MAX) return TVX_ERROR_DATA_NOT_AVAILABLE;
  if (!sizing) {
    const int room = *nnz;
    if (room < 0 || total > room) return kBadArgument;
    if (total > 0 && (pos == nullptr || val == nullptr)) return kBadArgument;
    int at = 0;
    for (int k = 0; k < n; ++k) {
      beg[k] = at;
      rows[k] = cols[k] = def->m.dim(s, ind[k]);
      def->m.fill(s, ind[k], pos + at, val + at);
      at += def->m.count(s, ind[k]);
    }
  }
  *nnz = static_cast<int>(total);
  return TVX_ERROR_OKAY;
}

int set_mat_attrs(Store &s, const char *name, int n, const int *ind, int nnz, const int *beg,
                  const int *rows, const int *cols, const int *pos, const double *val) {
  int rc;
  const AttrDef *def = resolve(name, TVX_ATTRTYPE_MAT, false, Access::Write, &rc);
  if (def == nullptr) return rc;
  if (n > 0 && (beg == nullptr || rows == nullptr || cols == nullptr)) return kBadArgument;
  if (nnz < 0 || (nnz > 0 && (pos == nullptr || val == nullptr))) return kBadArgument;
  rc = check_indices(s, *def, n, ind);
  if (rc != TVX_ERROR_OKAY) return rc;
  for (int k = 0; k < n; ++k) {
    const int dim = def->m.dim(s, ind[k]);
    if (rows[k] != dim || cols[k] != dim) return TVX_ERROR_MODEL_INVALID_REAL_ATTR_SYM_MAT;
  }
  // The store checks the starts, positions and values before it changes
  // anything.
  return def->m.set(s, n, ind, beg, nnz, pos, val);
}

}  // namespace tvx
