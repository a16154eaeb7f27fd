// Model: fields, life cycle, the environment lookup, the parameter fields and
// the element list accessors.
#include "model/model.h"

#include "callbacks/context.h"
#include "runtime/args.h"
#include "runtime/decorators.h"
#include "module/env.h"
#include "module/tarvex_error.h"
#include "runtime/lifecycle.h"
#include "runtime/utf8.h"
#include "params/paramclass.h"
#include "runtime/guard.h"
#include "runtime/compat.h"
#include "runtime/gc_fields.h"

namespace dz {

PyTypeObject Model_Type = static_type_object();
ModelOps Model_ops;

namespace {

using model_fields =
    GcFields<ModelObject, Unset::none, NoBase, &ModelObject::Params, &ModelObject::params,
             &ModelObject::userattrs_, &ModelObject::callback_, &ModelObject::cbsol_,
             &ModelObject::varlist_, &ModelObject::constrlist_, &ModelObject::soslist_,
             &ModelObject::genconstrlist_, &ModelObject::psdvarlist_, &ModelObject::psdconstrlist_>;

void model_finalize(PyObject *self) { call_dispose(self, "didazoda.Model.__del__"); }

void model_dealloc(PyObject *self) {
  if (PyObject_CallFinalizerFromDealloc(self) < 0) return;
  PyObject_GC_UnTrack(self);
  if (!dispose_in_dealloc(self, "didazoda.Model.__dealloc__", &as_model(self)->revived_)) return;
  model_fields::release(self);
  Py_TYPE(self)->tp_free(self);
}

const char *const init_argnames[] = {"self", "name", "env", "empty"};
const FuncSpec init_spec =
    func_spec("__init__", "Model.__init__", init_argnames, FUNC_METHOD, nullptr, nullptr, nullptr)
        .with_defaults("('', None, False)");

// The element lists, each of which a building or removing call may change.
constexpr PyObject *ModelObject::*kElementLists[] = {
    &ModelObject::varlist_,       &ModelObject::constrlist_, &ModelObject::soslist_,
    &ModelObject::genconstrlist_, &ModelObject::psdvarlist_, &ModelObject::psdconstrlist_};

// Fresh lists and user dict; the old ones go only after the new are in place.
int reset_lists(ModelObject *m) {
  Ref fresh[6];
  for (Ref &list : fresh)
    if (!(list = Ref(PyList_New(0)))) return -1;
  Ref attrs(PyDict_New());
  if (!attrs) return -1;
  for (int i = 0; i < 6; i++) Py_SETREF(m->*kElementLists[i], fresh[i].release());
  Py_SETREF(m->userattrs_, attrs.release());
  return 0;
}

int model_init(PyObject *self, PyObject *args, PyObject *kwargs) {
  ParsedArgs a;
  if (parse_init(&init_spec, self, args, kwargs, a) < 0) return -1;
  PyObject *name = a[1], *env = a[2], *empty = a[3];
  if (!check_arg_type(name, &PyUnicode_Type, "name", true)) return -1;
  if (!check_arg_type(env, &Env_Type, "env", false)) return -1;

  ModelObject *m = as_model(self);
  // A model initialised again gives up its old solver model first.
  if (m->owned_) {
    Ref r(PyObject_CallMethod(self, "dispose", nullptr));
    if (!r) return -1;
  }
  if (reset_lists(m) < 0) return -1;
  m->owned_ = 0;
  int is_empty = PyObject_IsTrue(empty);
  if (is_empty < 0) return -1;
  if (is_empty) return 0;

  Ref env_obj = env == Py_None ? Ref(default_env(true)) : Ref::borrow(env);
  if (!env_obj) return -1;
  Ref raw_name(str2chars(name));
  if (!raw_name) return -1;
  TVXenv *handle = env_handle(env_obj.get());
  if (!handle) return -1;
  TVXmodel *mdl = nullptr;
  int rc = TVXnewmodel(handle, &mdl, PyBytes_AS_STRING(raw_name.get()), 0, nullptr, nullptr,
                       nullptr, nullptr, nullptr);
  if (rc != TVX_ERROR_OKAY) {
    raise_code(rc);
    return -1;
  }
  m->mdl_ = mdl;
  m->owned_ = 1;
  Ref p(paramclass_new(Model_ops.env(m)));
  if (!p) return -1;
  Py_INCREF(p.get());
  Py_SETREF(m->Params, p.get());
  Py_SETREF(m->params, p.release());
  return 0;
}

TVXenv *model_env(ModelObject *self) { return TVXgetenv(self->mdl_); }

const char *const self_arg[] = {"self"};

PyObject *model_dispose_impl(PyObject *, PyObject *const *args) {
  ModelObject *m = as_model(args[0]);
  if (m->owned_ == 1) {
    // The solve whose callback runs still works on this model.
    if (!edit_allowed(m->mdl_)) return nullptr;
    m->owned_ = 0;
    TVXfreemodel(m->mdl_);
  }
  Py_RETURN_NONE;
}

template <PyObject *ModelObject::*List>
PyObject *model_list_impl(PyObject *, PyObject *const *args) {
  PyObject *list = as_model(args[0])->*List;
  return new_ref(list);
}

PyObject *get_params_field(PyObject *self, void *closure) {
  PyObject *v = closure ? as_model(self)->params : as_model(self)->Params;
  return new_ref(v);
}

int set_params_field(PyObject *self, PyObject *value, void *closure) {
  if (value && value != Py_None && !PyObject_TypeCheck(value, &ParamClass_Type)) {
    PyErr_Format(PyExc_TypeError, "Cannot convert %.200s to %.200s", Py_TYPE(value)->tp_name,
                 ParamClass_Type.tp_name);
    return -1;
  }
  if (!value) value = Py_None;
  PyObject **field = closure ? &as_model(self)->params : &as_model(self)->Params;
  Py_INCREF(value);
  Py_SETREF(*field, value);
  return 0;
}

PyGetSetDef model_getset[] = {
    {"Params", DZ_SLOT(get_params_field), DZ_SLOT(set_params_field), nullptr, nullptr},
    {"params", DZ_SLOT(get_params_field), DZ_SLOT(set_params_field), nullptr,
     reinterpret_cast<void *>(1)},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

const char init_doc[] = R"doc(
        SIGNATURE:
            __init__(name='', env=None)

        PURPOSE:
            Construct a Model

        ARGUMENTS:
            name=''
            -------
            The name of the Model.

            env=None
            --------
            The Environment corresponding to the Model. If `env` is None, the default Environment
            is used.

        EXAMPLE:
            Model()
            Model("DietProblem")
            env = Env("env.log")
            Model("", env)

        )doc";

int model_prepare() {
  PyTypeObject *t = &Model_Type;
  t->tp_name = "didazoda.Model";
  t->tp_basicsize = sizeof(ModelObject);
  t->tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE | Py_TPFLAGS_HAVE_GC;
  t->tp_doc = "Represents a mathematical optimization model.";
  t->tp_new = DZ_SLOT(model_fields::alloc);
  t->tp_init = DZ_SLOT(model_init);
  t->tp_traverse = model_fields::traverse;
  t->tp_clear = model_fields::clear;
  t->tp_finalize = model_finalize;
  t->tp_dealloc = model_dealloc;
  t->tp_getset = model_getset;
  t->tp_getattro = DZ_SLOT(model_getattro);
  t->tp_setattro = DZ_SLOT(model_setattro);
  Model_ops = {model_new,
               model_env,
               op_without_body,
               model_addvars,
               model_linexprs2array,
               model_dec_bound,
               model_psdexpr2array,
               model_addconstr,
               model_addpsdconstr,
               model_addconstrs,
               model_collect,
               model_remove_marks,
               model_attr_type,
               model_populate};
  return 0;
}

int model_bind(PyObject *dict) {
  for (const ModelMember *mm = model_members; mm->spec; mm++) {
    if (!bind_function(dict, mm->spec)) return -1;
    if (mm->form == ModelMember::INTERNAL && apply_internal(dict, mm->spec->name) < 0) return -1;
    if (mm->form == ModelMember::SIGNATURE &&
        apply_signature(dict, mm->spec->name, mm->signature) < 0)
      return -1;
  }
  return 0;
}

}  // namespace

const FuncSpec Model_dispose_spec = DZ_METHOD(Model, dispose, self_arg, model_dispose_impl, R"doc(
        SIGNATURE:
            dispose()

        PURPOSE:
            Release the resources associated with the Model.

        ARGUMENTS:
            None.

        EXAMPLE:
            model.dispose()

        )doc");

#define LIST_ACCESSOR(NAME, FIELD, DOC) \
  const FuncSpec Model_##NAME##_spec =  \
      DZ_METHOD(Model, NAME, self_arg, model_list_impl<&ModelObject::FIELD>, DOC);

LIST_ACCESSOR(getVars, varlist_, R"doc(
        SIGNATURE:
            getVars()

        PURPOSE:
            Obtain a list of all variables in the Model.

        ARGUMENTS:
            None.

        EXAMPLE:
            m.getVars()

        )doc")
LIST_ACCESSOR(getConstrs, constrlist_, R"doc(
        SIGNATURE:
            getConstrs()

        PURPOSE:
            Obtain a list of all constraints in the Model.

        ARGUMENTS:
            None.

        EXAMPLE:
            m.getConstrs()

        )doc")
LIST_ACCESSOR(getSOSs, soslist_, R"doc(
        SIGNATURE:
            getSOSs()

        PURPOSE:
            Retrieve all SOS constraints in model.

        ARGUMENTS:
            None.

        EXAMPLE:
            m = Model()
            x = m.addVars()
            m.addSOS(TVX.SOS_TYPE1, list(x.values()))
            print(m.getSOSs())

        )doc")
LIST_ACCESSOR(getGenConstrs, genconstrlist_, R"doc(
        SIGNATURE:
            getGenConstrs()

        PURPOSE:
            Retrieve all general constraints in this model

        ARGUMENTS:
            None.


        )doc")
LIST_ACCESSOR(getPsdVars, psdvarlist_, R"doc(
        SIGNATURE:
            getPsdVars()

        PURPOSE:
            Obtain a list of all PsdVars in the Model.

        ARGUMENTS:
            None.

        EXAMPLE:
            m.getPsdVars()

        )doc")
LIST_ACCESSOR(getPsdConstrs, psdconstrlist_, R"doc(
        SIGNATURE:
            getPsdConstrs()

        PURPOSE:
            Obtain a list of all PsdConstrs in the Model.

        ARGUMENTS:
            None.

        EXAMPLE:
            m.getPsdConstrs()

        )doc")

#undef LIST_ACCESSOR

TVXmodel *model_live_or_null(PyObject *self) {
  ModelObject *m = as_model(self);
  if (!m->owned_ || !m->mdl_) return nullptr;
  for (PyObject *ModelObject::*list : kElementLists)
    if (!PyList_Check(m->*list)) return nullptr;
  return m->mdl_;
}

TVXmodel *model_live_handle(PyObject *self) {
  TVXmodel *mdl = model_live_or_null(self);
  if (!mdl) raise_code(TVX_ERROR_INVALID_ARGUMENT);
  return mdl;
}

TVXmodel *model_edit_handle(PyObject *self) {
  TVXmodel *mdl = model_live_handle(self);
  return mdl && edit_allowed(mdl) ? mdl : nullptr;
}

const ClassDef Model_class = {&Model_Type,
                              "Model",
                              model_prepare,
                              model_bind,
                              init_doc,
                              true,
                              nullptr,
                              "self.cbdata_,self.mdl_ cannot be converted to a Python object for "
                              "pickling"};

}  // namespace dz
