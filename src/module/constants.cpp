// The constant classes, the class TVX with its plain constants, and the order
// in which the tables and the constants object are built.
#include "module/constants.h"

#include "runtime/decorators.h"
#include "runtime/function.h"
#include "runtime/globals.h"

namespace dz {

namespace {

// ---- Properties returning a fixed value --------------------------------

const char *const lambda_args[] = {"self", "ctx"};

// The value lives in the default of ctx, so a caller passing ctx gets it back.
PyObject *constclass_lambda_impl(PyObject *, PyObject *const *args) { return new_ref(args[1]); }
const FuncSpec lambda_spec =
    func_spec("<lambda>", nullptr, lambda_args, 0, nullptr, constclass_lambda_impl, nullptr);

// ---- The constant classes ----------------------------------------------

PyObject *new_plain_class(const char *name, PyObject *ns) {
  return PyObject_CallFunction(reinterpret_cast<PyObject *>(&PyType_Type), "s(O)O", name,
                               reinterpret_cast<PyObject *>(&PyBaseObject_Type), ns);
}

int make_const_class(PyObject *module, const char *name, Ref &out) {
  Ref ns(Py_BuildValue("{s:s}", "__module__", "didazoda"));
  if (!ns) return -1;
  out = Ref(new_plain_class(name, ns.get()));
  if (!out) return -1;
  return PyObject_SetAttrString(module, name, out.get());
}

// ---- The class TVX -------------------------------------------------------

const char *const self_arg[] = {"self"};

// Each member reads the module namespace anew, so rebinding didazoda.attr
// (or param, callback) is seen by TVX.Attr.
PyObject *global_ref(const char *name) { return module_global(name).release(); }
PyObject *tvx_attr_impl(PyObject *, PyObject *const *) { return global_ref("attr"); }
PyObject *tvx_param_impl(PyObject *, PyObject *const *) { return global_ref("param"); }
PyObject *tvx_callback_impl(PyObject *, PyObject *const *) { return global_ref("callback"); }

const FuncSpec Attr_spec =
    func_spec("Attr", "TVX.Attr", self_arg, FUNC_METHOD, nullptr, tvx_attr_impl, nullptr);
const FuncSpec attr_spec =
    func_spec("attr", "TVX.attr", self_arg, FUNC_METHOD, nullptr, tvx_attr_impl, nullptr);
const FuncSpec Param_spec =
    func_spec("Param", "TVX.Param", self_arg, FUNC_METHOD, nullptr, tvx_param_impl, nullptr);
const FuncSpec param_spec =
    func_spec("param", "TVX.param", self_arg, FUNC_METHOD, nullptr, tvx_param_impl, nullptr);
const FuncSpec Callback_spec = func_spec("Callback", "TVX.Callback", self_arg, FUNC_METHOD, nullptr,
                                         tvx_callback_impl, nullptr);
const FuncSpec callback_spec = func_spec("callback", "TVX.callback", self_arg, FUNC_METHOD, nullptr,
                                         tvx_callback_impl, nullptr);

// The documented_constant of spec, documented by pydoc's text of cls.
int bind_rendered(PyObject *dict, const FuncSpec *spec, PyObject *cls) {
  Ref render_doc(global_attr("pydoc", "render_doc"));
  if (!render_doc) return -1;
  Ref text(PyObject_CallFunctionObjArgs(render_doc.get(), cls, nullptr));
  if (!text) return -1;
  const char *utf8 = PyUnicode_AsUTF8(text.get());
  if (!utf8) return -1;
  return bind_documented_constant(dict, spec, utf8);
}

PyObject *make_tvx_class(const ConstClasses &c) {
  Ref ns(Py_BuildValue("{s:s,s:s}", "__module__", "didazoda", "__qualname__", "TVX"));
  if (!ns) return nullptr;
  PyObject *d = ns.get();
  if (bind_rendered(d, &Attr_spec, c.attr.get()) < 0 || bind_constant(d, &attr_spec) < 0 ||
      bind_rendered(d, &Param_spec, c.param.get()) < 0 || bind_constant(d, &param_spec) < 0 ||
      bind_rendered(d, &Callback_spec, c.callback.get()) < 0 || !bind_function(d, &callback_spec))
    return nullptr;
  return new_plain_class("TVX", d);
}

// ---- Plain constants of TVX ----------------------------------------------

struct PlainConstant {
  const char *name;
  char kind;  // 'f' float, 'i' int, 's' str
  double f;
  long i;
  const char *s;
};

const PlainConstant plain_constants[] = {
    {"UNDEFINED", 'f', -1.23457e+88, 0, nullptr},
    {"INFINITY", 'f', 1e+20, 0, nullptr},
    {"GENCONSTR_INDICATOR", 'i', 0, 6, nullptr},
    {"CONTINUOUS", 's', 0, 0, "C"},
    {"BINARY", 's', 0, 0, "B"},
    {"INTEGER", 's', 0, 0, "I"},
    {"SEMICONT", 's', 0, 0, "S"},
    {"SEMIINT", 's', 0, 0, "N"},
    {"EQUAL", 's', 0, 0, "="},
    {"LESS_EQUAL", 's', 0, 0, "<"},
    {"GREATER_EQUAL", 's', 0, 0, ">"},
    {"MINIMIZE", 'i', 0, 1, nullptr},
    {"MAXIMIZE", 'i', 0, -1, nullptr},
    {"SOS_TYPE1", 'i', 0, 1, nullptr},
    {"SOS_TYPE2", 'i', 0, 2, nullptr},
    {"MAXINT", 'i', 0, 2000000000, nullptr},
    {"MAX_NAMELEN", 'i', 0, 255, nullptr},
    {"MAX_STRLEN", 'i', 0, 512, nullptr},
};

int set_plain_constants(PyObject *tvx) {
  for (const PlainConstant &p : plain_constants) {
    Ref value(p.kind == 'f'   ? PyFloat_FromDouble(p.f)
              : p.kind == 'i' ? PyLong_FromLong(p.i)
                              : PyUnicode_InternFromString(p.s));
    if (!value || PyObject_SetAttrString(tvx, p.name, value.get()) < 0) return -1;
  }
  return 0;
}

}  // namespace

int add_value_property(PyObject *cls, PyObject *name, PyObject *value, PyObject *doc) {
  // The value is data, not a declared default: set on the new function.
  Ref fget(function_new(&lambda_spec));
  Ref defaults(PyTuple_Pack(1, value));
  if (!fget || !defaults || function_set_defaults(fget.get(), defaults.get()) < 0) return -1;
  Ref prop(PyObject_CallFunctionObjArgs(reinterpret_cast<PyObject *>(&PyProperty_Type), fget.get(),
                                        Py_None, Py_None, doc, nullptr));
  if (!prop) return -1;
  return PyObject_SetAttr(cls, name, prop.get());
}

int bind_instance(PyObject *module, PyObject *cls, const char *name) {
  Ref instance(PyObject_CallObject(cls, nullptr));
  if (!instance) return -1;
  return PyObject_SetAttrString(module, name, instance.get());
}

int build_constants(PyObject *module) {
  ConstClasses c;
  if (make_const_class(module, "AttrConstClass", c.attr) < 0 ||
      make_const_class(module, "ParamConstClass", c.param) < 0 ||
      make_const_class(module, "ErrorConstClass", c.error) < 0 ||
      make_const_class(module, "StatusConstClass", c.status) < 0 ||
      make_const_class(module, "CallbackClass", c.callback) < 0)
    return -1;
  if (build_name_tables(module, c) < 0) return -1;
  if (build_callback_tables(module, c) < 0) return -1;
  // The rendered docstrings are taken here, once every property exists.
  Ref tvx(make_tvx_class(c));
  if (!tvx) return -1;
  if (set_plain_constants(tvx.get()) < 0) return -1;
  if (build_code_tables(c, tvx.get()) < 0) return -1;
  // From here on the class is reachable only as type(TVX).
  return bind_instance(module, tvx.get(), "TVX");
}

}  // namespace dz
