// The exported attribute functions: the handle check and the model's lock
// around the typed access of store/attrs.h.
#include "api/c_boundary.h"
#include "core/model.h"
#include "core/registry.h"
#include "store/attrs.h"
#include "tarvex.h"

namespace {

// f(store) under the model's lock.
template <class F>
int on_store(TVXmodel *model, F &&f) noexcept {
  return tvx::model_call(model, [&f](tvx::Model &m) { return f(m.store); });
}

}  // namespace

// The table is fixed, so the answer needs only a live handle, not the lock.
extern "C" TVX_API int TVXgetattrinfo(TVXmodel *model, const char *name, int *datatype,
                                      int *objkind, int *settable) {
  return tvx::guarded([=]() -> int {
    if (!tvx::find_model(model)) return TVX_ERROR_INVALID_ARGUMENT;
    return tvx::attr_info(name, datatype, objkind, settable);
  });
}

extern "C" TVX_API int TVXgetintattr(TVXmodel *model, const char *name, int *value) {
  return on_store(model, [&](tvx::Store &s) { return tvx::get_int_attr(s, name, value); });
}

extern "C" TVX_API int TVXgetdblattr(TVXmodel *model, const char *name, double *value) {
  return on_store(model, [&](tvx::Store &s) { return tvx::get_dbl_attr(s, name, value); });
}

extern "C" TVX_API int TVXgetstrattr(TVXmodel *model, const char *name, const char **value) {
  return on_store(model, [&](tvx::Store &s) { return tvx::get_str_attr(s, name, value); });
}

extern "C" TVX_API int TVXsetintattr(TVXmodel *model, const char *name, int value) {
  return on_store(model, [&](tvx::Store &s) { return tvx::set_int_attr(s, name, value); });
}

extern "C" TVX_API int TVXsetdblattr(TVXmodel *model, const char *name, double value) {
  return on_store(model, [&](tvx::Store &s) { return tvx::set_dbl_attr(s, name, value); });
}

extern "C" TVX_API int TVXsetstrattr(TVXmodel *model, const char *name, const char *value) {
  return on_store(model, [&](tvx::Store &s) { return tvx::set_str_attr(s, name, value); });
}

extern "C" TVX_API int TVXgetcharattrlist(TVXmodel *model, const char *name, int n, const int *ind,
                                          char *values) {
  return on_store(model,
                  [&](tvx::Store &s) { return tvx::get_char_attrs(s, name, n, ind, values); });
}

extern "C" TVX_API int TVXgetintattrlist(TVXmodel *model, const char *name, int n, const int *ind,
                                         int *values) {
  return on_store(model,
                  [&](tvx::Store &s) { return tvx::get_int_attrs(s, name, n, ind, values); });
}

extern "C" TVX_API int TVXgetdblattrlist(TVXmodel *model, const char *name, int n, const int *ind,
                                         double *values) {
  return on_store(model,
                  [&](tvx::Store &s) { return tvx::get_dbl_attrs(s, name, n, ind, values); });
}

extern "C" TVX_API int TVXgetstrattrlist(TVXmodel *model, const char *name, int n, const int *ind,
                                         const char **values) {
  return on_store(model,
                  [&](tvx::Store &s) { return tvx::get_str_attrs(s, name, n, ind, values); });
}

extern "C" TVX_API int TVXgetmatattrlist(TVXmodel *model, const char *name, int n, const int *ind,
                                         int *nnz, int *beg, int *rows, int *cols, int *pos,
                                         double *val) {
  return on_store(model, [&](tvx::Store &s) {
    return tvx::get_mat_attrs(s, name, n, ind, nnz, beg, rows, cols, pos, val);
  });
}

extern "C" TVX_API int TVXsetcharattrlist(TVXmodel *model, const char *name, int n, const int *ind,
                                          const char *values) {
  return on_store(model,
                  [&](tvx::Store &s) { return tvx::set_char_attrs(s, name, n, ind, values); });
}

extern "C" TVX_API int TVXsetintattrlist(TVXmodel *model, const char *name, int n, const int *ind,
                                         const int *values) {
  return on_store(model,
                  [&](tvx::Store &s) { return tvx::set_int_attrs(s, name, n, ind, values); });
}

extern "C" TVX_API int TVXsetdblattrlist(TVXmodel *model, const char *name, int n, const int *ind,
                                         const double *values) {
  return on_store(model,
                  [&](tvx::Store &s) { return tvx::set_dbl_attrs(s, name, n, ind, values); });
}

extern "C" TVX_API int TVXsetstrattrlist(TVXmodel *model, const char *name, int n, const int *ind,
                                         const char **values) {
  return on_store(model,
                  [&](tvx::Store &s) { return tvx::set_str_attrs(s, name, n, ind, values); });
}

extern "C" TVX_API int TVXsetmatattrlist(TVXmodel *model, const char *name, int n, const int *ind,
                                         int nnz, const int *beg, const int *rows, const int *cols,
                                         const int *pos, const double *val) {
  return on_store(model, [&](tvx::Store &s) {
    return tvx::set_mat_attrs(s, name, n, ind, nnz, beg, rows, cols, pos, val);
  });
}
