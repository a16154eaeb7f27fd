// Model's side of the attribute engine: getAttr, setAttr, the element kind
// of a handle, and the attribute hooks that send m.Name to the solver and
// m._name to the user's own members.
#include "model/attrs.h"
#include "model/handles.h"
#include "model/model.h"
#include "runtime/args.h"
#include "runtime/arraylike.h"

namespace dz {

PyObject *one_item_list(PyObject *item) {
  PyObject *list = PyList_New(1);
  if (!list) return nullptr;
  Py_INCREF(item);
  PyList_SET_ITEM(list, 0, item);
  return list;
}

namespace {

// numpy.ndim(obj) == 0; a handle is answered without asking numpy, which
// would probe its attributes.
int zero_dim(PyObject *obj) { return handle_attr_kind(obj) ? 1 : is_zero_dim(obj); }

// objs[0], as the first item of any sequence or array.
PyObject *first_item(PyObject *objs) {
  Ref zero(PyLong_FromLong(0));
  if (!zero) return nullptr;
  return PyObject_GetItem(objs, zero.get());
}

PyObject *item0(PyObject *values) { return values ? PySequence_GetItem(values, 0) : nullptr; }

PyObject *model_getAttr_impl(PyObject *, PyObject *const *args) {
  PyObject *self = args[0], *name = args[1], *objs = args[2];
  if (!check_arg_type(name, &PyUnicode_Type, "attrname", true)) return nullptr;
  if (objs == Py_None) {
    Ref values(model_getattr(model_live_or_null(self), name, "m", nullptr));
    return item0(values.get());
  }
  const int single = zero_dim(objs);
  if (single < 0) return nullptr;
  if (single) {
    const char *kind = Model_ops.getAttrType(objs);
    if (!kind) return nullptr;
    Ref elements(one_item_list(objs));
    if (!elements) return nullptr;
    Ref values(model_getattr(model_live_or_null(self), name, kind, elements.get()));
    return item0(values.get());
  }
  const Py_ssize_t len = PyObject_Size(objs);
  if (len < 0) return nullptr;
  if (len == 0) return PyList_New(0);
  Ref first(first_item(objs));
  if (!first) return nullptr;
  // The first item alone decides the kind.
  const char *kind = Model_ops.getAttrType(first.get());
  if (!kind) return nullptr;
  Ref values(model_getattr(model_live_or_null(self), name, kind, objs));
  if (!values) return nullptr;
  return PyObject_CallMethod(values.get(), "tolist", nullptr);
}

PyObject *model_setAttr_impl(PyObject *, PyObject *const *args) {
  PyObject *self = args[0], *name = args[1], *objs = args[2], *newvalues = args[3];
  if (!check_arg_type(name, &PyUnicode_Type, "attrname", true)) return nullptr;
  // Without newvalues, objs is the new value of a model attribute.
  if (newvalues == Py_None)
    return model_setattr(model_live_or_null(self), name, "m", nullptr, objs);
  if (objs == Py_None) {
    PyErr_SetString(PyExc_ValueError, "objs is None");
    return nullptr;
  }
  const int single = zero_dim(objs);
  if (single < 0) return nullptr;
  const int scalar = zero_dim(newvalues);
  if (scalar < 0) return nullptr;
  if (single) {
    if (!scalar) return attr::invalid_newvalues();
    const char *kind = Model_ops.getAttrType(objs);
    if (!kind) return nullptr;
    Ref elements(one_item_list(objs)), values(one_item_list(newvalues));
    if (!elements || !values) return nullptr;
    return model_setattr(model_live_or_null(self), name, kind, elements.get(), values.get());
  }
  if (scalar) return attr::invalid_newvalues();
  Ref first(first_item(objs));
  if (!first) return nullptr;
  const char *kind = Model_ops.getAttrType(first.get());
  if (!kind) return nullptr;
  return model_setattr(model_live_or_null(self), name, kind, objs, newvalues);
}

const char *const getAttr_args[] = {"self", "attrname", "objs"};
const char *const setAttr_args[] = {"self", "attrname", "objs", "newvalues"};

const char getAttr_doc[] = R"doc(
        SIGNATURE:
            getAttr(attrname, objs=None)

        PURPOSE:
            Obtain the value of an attribute.

        ARGUMENTS:
            attrname
            --------
            The name of the attribute.

            objs=None
            ---------
            The list of variables or constraints, which indicates a variable attribute or
            constraint attribute should be retrieved. If the value is None, a Model attribute
            will be returned

        EXAMPLE:
            v = m.addMVar((3,))
            print(m.getAttr("ModelName"))
            print(m.modelname)
            print(m.getAttr("VarName", v.tolist()))
            print(v.varname)

        NOTE:
            Attribute can also be read and written directly through object attributes, in this
            case, the attribute name is case-insensitive

        )doc";

const char setAttr_doc[] = R"doc(
        SIGNATURE:
            setAttr(attrname, objs, newvalues=None)

        PURPOSE:
            Set an attribute value

        ARGUMENTS:
            attrname
            --------
            The name of the attribute.

            objs
            ----
            Can be a list of variables or constraints, indicating that set an attribute value
            of variable or constraint. When the newvalues is None, objs is used as a new
            attribute value.

            newvalues=None
            --------------
            An array containing attribute new values. The length of the array should be the
            same as that of objs.

        EXAMPLE:
            m.modelname = "DietProblem"
            m.setAttr("ModelName", "DietProblem")
            vars = m.addMVar((3,))
            vars.varname = ["x0", "x1", "x2"]
            name_list = ["x3", "x1", "x2"]
            var_list = vars.tolist()
            for i in range(len(var_list)):
                var_list[i].setAttr("VarName", name_list[i])

        NOTE:
            Attribute can also be read and written directly through object attributes, in this
            case, the attribute name is case-insensitive

        )doc";

// ---- Attribute hooks ----------------------------------------------------------

PyObject *str_getAttr, *str_setAttr;

int hook_strings_ready() {
  if (str_getAttr) return 0;
  if (!(str_getAttr = PyUnicode_InternFromString("getAttr")) ||
      !(str_setAttr = PyUnicode_InternFromString("setAttr")))
    return -1;
  return 0;
}

// 2 for a name beginning with "__", 1 with "_", 0 otherwise.
int underscores(PyObject *name) {
  if (!PyUnicode_Check(name)) return 0;
  const Py_ssize_t len = PyUnicode_GET_LENGTH(name);
  if (len < 1 || PyUnicode_READ_CHAR(name, 0) != '_') return 0;
  return len >= 2 && PyUnicode_READ_CHAR(name, 1) == '_' ? 2 : 1;
}

}  // namespace

const char *model_attr_type(PyObject *elem) {
  if (const char *kind = handle_attr_kind(elem)) return kind;
  Ref type_name(PyObject_GetAttrString(reinterpret_cast<PyObject *>(Py_TYPE(elem)), "__name__"));
  if (type_name) PyErr_Format(PyExc_TypeError, "type %S temporary not support", type_name.get());
  return nullptr;
}

// Members first; then "_" names are the user's, others solver attributes
// read through self.getAttr (found without this fallback, so a missing
// getAttr cannot recurse). "__" names never reach the solver.
PyObject *model_getattro(PyObject *self, PyObject *name) {
  PyObject *found = PyObject_GenericGetAttr(self, name);
  if (found || !PyErr_ExceptionMatches(PyExc_AttributeError)) return found;
  const int u = underscores(name);
  if (u == 2 || !PyUnicode_Check(name)) return nullptr;
  PyErr_Clear();
  if (u == 1) return PyObject_GetItem(as_model(self)->userattrs_, name);
  if (hook_strings_ready() < 0) return nullptr;
  Ref getattr(PyObject_GenericGetAttr(self, str_getAttr));
  if (!getattr) return nullptr;
  return PyObject_CallFunctionObjArgs(getattr.get(), name, nullptr);
}

// Every assignment but "__" names goes to the user's members or setAttr;
// deletion stays generic.
int model_setattro(PyObject *self, PyObject *name, PyObject *value) {
  const int u = underscores(name);
  if (!value || u == 2 || !PyUnicode_Check(name)) return PyObject_GenericSetAttr(self, name, value);
  if (u == 1) return PyObject_SetItem(as_model(self)->userattrs_, name, value);
  if (hook_strings_ready() < 0) return -1;
  Ref setattr(PyObject_GenericGetAttr(self, str_setAttr));
  if (!setattr) return -1;
  Ref result(PyObject_CallFunctionObjArgs(setattr.get(), name, value, nullptr));
  return result ? 0 : -1;
}

const FuncSpec Model_getAttr_spec =
    DZ_METHOD(Model, getAttr, getAttr_args, model_getAttr_impl, getAttr_doc)
        .with_defaults("(None,)");
const FuncSpec Model_setAttr_spec =
    DZ_METHOD(Model, setAttr, setAttr_args, model_setAttr_impl, setAttr_doc)
        .with_defaults("(None,)");

}  // namespace dz
