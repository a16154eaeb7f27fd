// Parameter names and values: the matcher, the setter, and the parameter
// methods of Model. Values are never kept here: every read asks the library
// and every write goes to it at once, always under the canonical name.
#include "params/params.h"

#include "runtime/output.h"

#include <vector>

#include "model/model.h"
#include "runtime/args.h"
#include "module/tarvex_error.h"
#include "module/state.h"
#include "runtime/globals.h"
#include "runtime/sizes.h"
#include "runtime/utf8.h"

namespace dz {

PyObject *param_table() {
  PyObject *table = state().params;
  if (!table || !PyDict_Check(table)) {
    PyErr_SetString(PyExc_SystemError, "the parameter table is not built");
    return nullptr;
  }
  return table;
}

PyObject *param_key(PyObject *name) {
  Ref replaced(PyObject_CallMethod(name, "replace", "ss", "/", "_"));
  if (!replaced) return nullptr;
  return PyObject_CallMethod(replaced.get(), "lower", nullptr);
}

namespace {

// str.format on a fixed pattern, so values render exactly as "{}" renders
// them in Python (their __format__, not their repr).
PyObject *format_text(const char *pattern, PyObject *a, PyObject *b = nullptr) {
  Ref fmt(PyUnicode_FromString(pattern));
  if (!fmt) return nullptr;
  Ref method(PyUnicode_FromString("format"));
  if (!method) return nullptr;
  return PyObject_CallMethodObjArgs(fmt.get(), method.get(), a, b, nullptr);
}

int print_format(const char *pattern, PyObject *a, PyObject *b = nullptr) {
  Ref text(format_text(pattern, a, b));
  return text ? print_line(text.get()) : -1;
}

// Library text buffers are terminated here whatever the library wrote.
struct TextBuffer {
  char data[TVX_MAX_STRLEN] = {};
  PyObject *decode() {
    data[TVX_MAX_STRLEN - 1] = '\0';
    return chars2str_c(data);
  }
};

// The library's default for the parameter, as the Python value of its kind.
PyObject *default_value(TVXenv *env, const char *cname, ParamKind kind) {
  int rc;
  switch (kind) {
    case ParamKind::Int: {
      int cur = 0, lo = 0, hi = 0, def = 0;
      rc = TVXgetintparaminfo(env, cname, &cur, &lo, &hi, &def);
      if (rc != TVX_ERROR_OKAY) return raise_code(rc);
      return PyLong_FromLong(def);
    }
    case ParamKind::Dbl: {
      double cur = 0, lo = 0, hi = 0, def = 0;
      rc = TVXgetdblparaminfo(env, cname, &cur, &lo, &hi, &def);
      if (rc != TVX_ERROR_OKAY) return raise_code(rc);
      return PyFloat_FromDouble(def);
    }
    default: {
      TextBuffer cur, def;
      rc = TVXgetstrparaminfo(env, cname, cur.data, def.data);
      if (rc != TVX_ERROR_OKAY) return raise_code(rc);
      return def.decode();
    }
  }
}

// value.lower() == "default" for a str (or subclass) value.
int is_default_word(PyObject *value) {
  if (!PyUnicode_Check(value)) return 0;
  Ref lower(PyObject_CallMethod(value, "lower", nullptr));
  if (!lower) return -1;
  Ref word(PyUnicode_FromString("default"));
  if (!word) return -1;
  return PyObject_RichCompareBool(lower.get(), word.get(), Py_EQ);
}

}  // namespace

ParamKind param_kind(PyObject *type) {
  if (type == reinterpret_cast<PyObject *>(&PyLong_Type)) return ParamKind::Int;
  if (type == reinterpret_cast<PyObject *>(&PyFloat_Type)) return ParamKind::Dbl;
  return ParamKind::Str;
}

int match_param(PyObject *name, Ref &canonical, Ref &type) {
  PyObject *table = param_table();
  if (!table) return -1;
  Ref key(param_key(name));
  if (!key) return -1;

  std::vector<Ref> rows;
  if (PyObject *exact = PyDict_GetItemWithError(table, key.get())) {  // borrowed
    rows.push_back(Ref::borrow(exact));
  } else {
    if (PyErr_Occurred()) return -1;
    Ref fnmatch(global_attr("fnmatch", "fnmatch"));
    if (!fnmatch) return -1;
    Py_ssize_t pos = 0;
    PyObject *k, *row;  // borrowed from the table, which no Python code can reach
    while (PyDict_Next(table, &pos, &k, &row)) {
      Ref keep_row = Ref::borrow(row);
      Ref hit(PyObject_CallFunctionObjArgs(fnmatch.get(), k, key.get(), nullptr));
      if (!hit) return -1;
      const int yes = PyObject_IsTrue(hit.get());
      if (yes < 0) return -1;
      if (yes) rows.push_back(std::move(keep_row));
    }
  }

  if (rows.size() == 1) {
    PyObject *row = rows[0].get();
    if (!PyList_Check(row) || PyList_GET_SIZE(row) < 2) {
      PyErr_SetString(PyExc_SystemError, "malformed parameter table row");
      return -1;
    }
    canonical = Ref::borrow(PyList_GET_ITEM(row, 0));
    type = Ref::borrow(PyList_GET_ITEM(row, 1));
    return 1;
  }
  if (rows.size() > 1) {
    Ref names(PyList_New(py_size(rows)));
    if (!names) return -1;
    Py_ssize_t i = 0;
    for (const Ref &held : rows) {
      PyObject *row = held.get();
      PyObject *n =
          PyList_Check(row) && PyList_GET_SIZE(row) > 0 ? PyList_GET_ITEM(row, 0) : Py_None;
      Py_INCREF(n);
      PyList_SET_ITEM(names.get(), i, n);
      i++;
    }
    Ref text(PyUnicode_FromFormat("Matching parameters: %S", names.get()));
    if (!text || print_line(text.get()) < 0) return -1;
  }
  return 0;
}

PyObject *set_param(PyObject *owner, EnvOf env_of, PyObject *name, PyObject *value) {
  if (!env_of(owner)) return nullptr;
  Ref canonical, type;
  const int found = match_param(name, canonical, type);
  if (found < 0) return nullptr;
  if (!found) {
    if (print_format("No parameters matching '{}' found", name) < 0) return nullptr;
    Py_RETURN_FALSE;
  }
  Ref cname_bytes(str2chars(canonical.get()));
  if (!cname_bytes) return nullptr;
  const char *cname = PyBytes_AS_STRING(cname_bytes.get());
  const ParamKind kind = param_kind(type.get());

  Ref v = Ref::borrow(value);
  const int use_default = is_default_word(value);
  if (use_default < 0) return nullptr;
  if (use_default) {
    TVXenv *env = env_of(owner);
    if (!env) return nullptr;
    v = Ref(default_value(env, cname, kind));
    if (!v) return nullptr;
  }
  // Printed before the value is converted, so also for a value then refused.
  if (print_format("Set parameter {} to value {}", canonical.get(), v.get()) < 0) return nullptr;

  int rc;
  switch (kind) {
    case ParamKind::Int: {
      Ref num(PyNumber_Long(v.get()));
      int i;
      if (!num || !as_int32(num.get(), &i)) return nullptr;
      TVXenv *env = env_of(owner);
      if (!env) return nullptr;
      rc = TVXsetintparam(env, cname, i);
      break;
    }
    case ParamKind::Dbl: {
      Ref num(PyNumber_Float(v.get()));
      if (!num) return nullptr;
      TVXenv *env = env_of(owner);
      if (!env) return nullptr;
      rc = TVXsetdblparam(env, cname, PyFloat_AS_DOUBLE(num.get()));
      break;
    }
    default: {
      Ref text(PyObject_Str(v.get()));
      if (!text) return nullptr;
      Ref raw(str2chars(text.get()));
      if (!raw) return nullptr;
      TVXenv *env = env_of(owner);
      if (!env) return nullptr;
      rc = TVXsetstrparam(env, cname, PyBytes_AS_STRING(raw.get()));
      break;
    }
  }
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  Py_RETURN_TRUE;
}

TVXenv *model_param_env(PyObject *model) {
  ModelObject *m = as_model(model);
  // TVXgetenv refuses a freed handle too; a disposed model is not asked.
  TVXenv *env = m->owned_ && m->mdl_ ? Model_ops.env(m) : nullptr;
  if (!env) raise_code(TVX_ERROR_INVALID_ARGUMENT);
  return env;
}

// ---- Model methods ------------------------------------------------------------

namespace {

const char *const setParam_args[] = {"self", "name", "value"};
const char *const getParamInfo_args[] = {"self", "name"};
const char *const self_only[] = {"self"};

PyObject *model_setParam_impl(PyObject *, PyObject *const *args) {
  Ref r(set_param(args[0], model_param_env, args[1], args[2]));
  if (!r) return nullptr;
  Py_RETURN_NONE;
}

PyObject *model_resetParams_impl(PyObject *, PyObject *const *args) {
  TVXenv *env = model_param_env(args[0]);
  if (!env) return nullptr;
  TVXresetparams(env);  // its status is not examined
  Py_RETURN_NONE;
}

PyObject *model_getParamInfo_impl(PyObject *, PyObject *const *args) {
  PyObject *self = args[0];
  if (!model_param_env(self)) return nullptr;
  Ref canonical, type;
  const int found = match_param(args[1], canonical, type);
  if (found < 0) return nullptr;
  if (!found) Py_RETURN_NONE;
  Ref cname_bytes(str2chars(canonical.get()));
  if (!cname_bytes) return nullptr;
  const char *cname = PyBytes_AS_STRING(cname_bytes.get());
  TVXenv *env = model_param_env(self);  // matching may have run Python code
  if (!env) return nullptr;
  int rc;
  switch (param_kind(type.get())) {
    case ParamKind::Int: {
      int cur = 0, lo = 0, hi = 0, def = 0;
      rc = TVXgetintparaminfo(env, cname, &cur, &lo, &hi, &def);
      if (rc != TVX_ERROR_OKAY) return raise_code(rc);
      return Py_BuildValue("(OOiiii)", canonical.get(), type.get(), cur, lo, hi, def);
    }
    case ParamKind::Dbl: {
      double cur = 0, lo = 0, hi = 0, def = 0;
      rc = TVXgetdblparaminfo(env, cname, &cur, &lo, &hi, &def);
      if (rc != TVX_ERROR_OKAY) return raise_code(rc);
      return Py_BuildValue("(OOdddd)", canonical.get(), type.get(), cur, lo, hi, def);
    }
    default: {
      TextBuffer cur, def;
      rc = TVXgetstrparaminfo(env, cname, cur.data, def.data);
      if (rc != TVX_ERROR_OKAY) return raise_code(rc);
      Ref cur_text(cur.decode());
      if (!cur_text) return nullptr;
      Ref def_text(def.decode());
      if (!def_text) return nullptr;
      return Py_BuildValue("(OOOssO)", canonical.get(), type.get(), cur_text.get(), "", "",
                           def_text.get());
    }
  }
}

const char setParam_doc[] = R"doc(
        SIGNATURE:
            setParam(paramname, paramvalue)

        PURPOSE:
            Set the value of a parameter

        ARGUMENTS:
            paramname
            ---------
            The name of the parameter to be set.

            paramvalue
            ----------
            Parameter value

        EXAMPLE:
            m.setParam("MaxTime", 10)
            m.setParam("MaxTi*", 10)
            m.setParam("MaxTi*", "default")

        NOTE:
            1. Parameter names can contain '*' and '?' wildcard. If more than one parameter name
               is matched, the parameter value is not modified.
            2. When the parameter value is 'default', you can reset the parameter to its default
               value.

        )doc";

const char getParamInfo_doc[] = R"doc(
        SIGNATURE:
            getParamInfo(paramname)

        PURPOSE:
            You can call this method to obtain information about parameter. Return a tuple
            containing six elements:
                1. The name of the parameter.
                2. Type of parameter
                3. The current value of the parameter.
                4. The minimum allowed value of the parameter. When the parameter is string type,
                   the field is always ''
                5. The maximum allowed value of the parameter. When the parameter is string type,
                   the field is always ''
                6. Default value of the parameter

        ARGUMENTS:
            paramname
            ---------
            The name of the parameter.

        EXAMPLE:
            pname, ptype, pval, pmin, pmax, pdef = m.getParamInfo('MaxTime')

        NOTE:
            Parameter names may contain '*' and '?' wildcard characters. When more than one
            parameter name is matched, all matching parameters are printed.

        )doc";

const char resetParams_doc[] = R"doc(
        SIGNATURE:
            resetParams()

        PURPOSE:
            Reset all parameters to their default values

        ARGUMENTS:
            None.

        EXAMPLE:
            m.resetParams()

        )doc";

}  // namespace

const FuncSpec Model_setParam_spec =
    DZ_METHOD(Model, setParam, setParam_args, model_setParam_impl, setParam_doc);
const FuncSpec Model_resetParams_spec =
    DZ_METHOD(Model, resetParams, self_only, model_resetParams_impl, resetParams_doc);
const FuncSpec Model_getParamInfo_spec =
    DZ_METHOD(Model, getParamInfo, getParamInfo_args, model_getParamInfo_impl, getParamInfo_doc);

}  // namespace dz
