// Models that receive a solver model already holding elements: copy(), the
// internal factory new (behind the module function read) and _populate,
// which rebuilds the six element lists from the library's counts.
#include <climits>

#include "model/attrs.h"
#include "model/handles.h"
#include "model/model.h"
#include "params/paramclass.h"
#include "module/env.h"
#include "module/tarvex_error.h"
#include "module/module_functions.h"
#include "runtime/sizes.h"
#include "runtime/utf8.h"

namespace dz {

namespace {

// A new Model(empty=True) of the class Model itself.
PyObject *empty_model() {
  Ref args(PyTuple_New(0));
  Ref kwargs(Py_BuildValue("{sO}", "empty", Py_True));
  if (!args || !kwargs) return nullptr;
  return PyObject_Call(reinterpret_cast<PyObject *>(&Model_Type), args.get(), kwargs.get());
}

// A model count, read through the engine as a model attribute.
bool read_count(TVXmodel *mdl, const char *canonical, int *out) {
  Ref name(PyUnicode_FromString(canonical));
  if (!name) return false;
  Ref values(model_getattr(mdl, name.get(), "m", nullptr));
  if (!values) return false;
  Ref first(PySequence_GetItem(values.get(), 0));
  if (!first) return false;
  Ref count(PyNumber_Index(first.get()));
  if (!count) return false;
  const long v = PyLong_AsLong(count.get());
  if (v == -1 && PyErr_Occurred()) return false;
  if (v < 0 || v > INT_MAX) {
    raise_text("the library returned a bad element count");
    return false;
  }
  return int_size(v, out);
}

// A new list of `count` handles of one kind, index i at position i.
PyObject *handle_list(HandleOps &ops, TVXmodel *mdl, int count) {
  Ref list(PyList_New(count));
  if (!list) return nullptr;
  for (int i = 0; i < count; i++) {
    PyObject *h = ops.new_(mdl, i);
    if (!h) return nullptr;
    PyList_SET_ITEM(list.get(), i, h);
  }
  return list.release();
}

// Installs a solver model that nothing else holds: the Model owns it from
// here on, so dropping the Model frees it.
void adopt(ModelObject *m, TVXmodel *mdl) {
  m->mdl_ = mdl;
  m->owned_ = 1;
}

PyObject *model_copy_impl(PyObject *, PyObject *const *args) {
  ModelObject *self = as_model(args[0]);
  if (!self->owned_ || !self->mdl_) return raise_code(TVX_ERROR_INVALID_ARGUMENT);
  Ref copy(empty_model());
  if (!copy) return nullptr;
  TVXmodel *mdl = TVXcopymodel(self->mdl_);
  if (!mdl) return raise_code(TVX_ERROR_NOMEMORY);
  adopt(as_model(copy.get()), mdl);
  if (Model_ops.populate(as_model(copy.get())) < 0) return nullptr;
  return copy.release();
}

const char *const self_arg[] = {"self"};

const char copy_doc[] = R"doc(
        SIGNATURE:
            copy()

        PURPOSE:
            Return a copy of a Model.

        ARGUMENTS:
            None.

        EXAMPLE:
            another = model.copy()

        NOTE:
            Copying a Model will consume more memory resources.

        )doc";

// ---- The module function read ----------------------------------------------------

PyObject *module_read_impl(PyObject *, PyObject *const *args) {
  PyObject *filename = args[0], *env_arg = args[1];
  Ref env;
  if (env_arg == Py_None) {
    env = Ref(default_env(true));
    if (!env) return nullptr;
  } else if (env_check(env_arg)) {
    env = Ref::borrow(env_arg);
  } else {
    return PyErr_Format(PyExc_TypeError, "Cannot convert %.200s to %.200s",
                        Py_TYPE(env_arg)->tp_name, Env_Type.tp_name);
  }
  Ref name(str2chars(filename));
  if (!name) return nullptr;
  TVXenv *handle = env_handle(env.get());
  if (!handle) return nullptr;
  TVXmodel *mdl = nullptr;
  const int rc = TVXreadmodel(handle, PyBytes_AS_STRING(name.get()), &mdl);
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  return Model_ops.new_(mdl);
}

const char *const read_args[] = {"filename", "env"};

const char read_doc[] = R"doc(
    SIGNATURE:
        read(filename, env=None)

    PURPOSE:
        Read a model from a file

    ARGUMENTS:
        filename
        --------
        The file name that contains the model. The format of the model is determined by
        the suffix of the file name, such as '.mps', '.lp', '.qps', '.dat-s'. If file is
        compressed, filename requires a suffix to indicate its compression type, such as
        '.gz', '.bz2'.

        env=None
        --------
        optional. set it if you want to use a custom Environment

    )doc";

}  // namespace

int model_populate(ModelObject *self) {
  TVXmodel *mdl = self->mdl_;
  // Every count is read before any list is touched.
  int nconstrs = 0, nvars = 0, npsdvars = 0, nsos = 0, ngen = 0;
  if (!read_count(mdl, "NumConstrs", &nconstrs) || !read_count(mdl, "NumVars", &nvars) ||
      !read_count(mdl, "NumPsdVars", &npsdvars) || !read_count(mdl, "NumSOS", &nsos) ||
      !read_count(mdl, "NumGenConstrs", &ngen))
    return -1;
  struct {
    PyObject **field;
    HandleOps *ops;
    int count;
  } lists[] = {
      {&self->constrlist_, &Constr_ops, nconstrs},
      // One PsdConstr per row, linear rows included.
      {&self->psdconstrlist_, &PsdConstr_ops, nconstrs},
      {&self->soslist_, &SOS_ops, nsos},
      {&self->genconstrlist_, &GenConstr_ops, ngen},
      {&self->varlist_, &Var_ops, nvars},
      {&self->psdvarlist_, &PsdVar_ops, npsdvars},
  };
  for (auto &l : lists) {
    PyObject *fresh = handle_list(*l.ops, mdl, l.count);
    if (!fresh) return -1;
    Py_SETREF(*l.field, fresh);
  }
  return 0;
}

PyObject *model_new(TVXmodel *mdl) {
  Ref m(empty_model());
  if (!m) {
    // Nothing holds the library's new model yet.
    TVXfreemodel(mdl);
    return nullptr;
  }
  ModelObject *model = as_model(m.get());
  adopt(model, mdl);
  if (Model_ops.populate(model) < 0) return nullptr;
  Ref p(paramclass_new(Model_ops.env(model)));
  if (!p) return nullptr;
  Py_INCREF(p.get());
  Py_SETREF(model->Params, p.get());
  Py_SETREF(model->params, p.release());
  return m.release();
}

const FuncSpec Model_copy_spec = DZ_METHOD(Model, copy, self_arg, model_copy_impl, copy_doc);

const FuncSpec read_spec =
    func_spec("read", nullptr, read_args, 0, nullptr, module_read_impl, read_doc)
        .with_defaults("(None,)");

}  // namespace dz
