// The element handles: a solver model handle and an index, one class per
// element kind, all made from one template. A handle holds no data of its
// element: names, bounds and values are read and written through the
// attribute engine, and attribute syntax on a handle goes there too.
#include "model/handles.h"

#include <initializer_list>

#include "model/attrs.h"
#include "runtime/args.h"
#include "runtime/arraylike.h"
#include "runtime/decorators.h"
#include "runtime/function.h"
#include "runtime/globals.h"
#include "module/tarvex_error.h"
#include "runtime/guard.h"
#include "runtime/compat.h"

namespace dz {

PyTypeObject Var_Type = static_type_object();
PyTypeObject PsdVar_Type = static_type_object();
PyTypeObject Constr_Type = static_type_object();
PyTypeObject SOS_Type = static_type_object();
PyTypeObject GenConstr_Type = static_type_object();
PyTypeObject PsdConstr_Type = static_type_object();

HandleOps Var_ops, PsdVar_ops, Constr_ops, SOS_ops, GenConstr_ops, PsdConstr_ops;

namespace {

enum KindId { KVar, KPsdVar, KConstr, KSOS, KGenConstr, KPsdConstr, KCount };

// What one member of the family has of its own.
struct Kind {
  PyTypeObject *type;
  HandleOps *ops;
  const char *name;  // shown by str()
  const char *tp_name;
  const char *class_doc;
  const char *attr_kind;  // the attribute engine's element kind
  const char *name_attr;  // the attribute str() shows; nullptr: the index
  const FuncSpec *sameAs, *getAttr, *setAttr;
  const FuncSpec *priority;  // PsdVar's __array_priority__, else nullptr
  const FuncSpec *index;
};

extern const Kind kinds[KCount];

// Interned names, made once when the first class is prepared.
PyObject *str_getAttr, *str_setAttr, *str_index, *str_str, *str_empty, *str_name;
PyObject *name_attr_str[KCount];

int strings_ready() {
  if (str_getAttr) return 0;
  struct {
    PyObject **slot;
    const char *text;
  } names[] = {
      {&str_getAttr, "getAttr"}, {&str_setAttr, "setAttr"}, {&str_index, "index"},
      {&str_str, "__str__"},     {&str_empty, ""},          {&str_name, "__name__"},
  };
  for (auto &n : names)
    if (!(*n.slot = PyUnicode_InternFromString(n.text))) return -1;
  for (int k = 0; k < KCount; k++)
    if (kinds[k].name_attr && !(name_attr_str[k] = PyUnicode_InternFromString(kinds[k].name_attr)))
      return -1;
  return 0;
}

const Kind *kind_of(PyTypeObject *exact) {
  for (const Kind &k : kinds)
    if (k.type == exact) return &k;
  return nullptr;
}

// ---- Factory -----------------------------------------------------------------

template <KindId K>
PyObject *new_of(TVXmodel *mdl, int index) {
  return handle_new(kinds[K].type, mdl, index);
}

// ---- Text, hash --------------------------------------------------------------

// The name comes through attribute syntax, so it is the one the model holds.
template <KindId K>
PyObject *handle_str(PyObject *self) {
  Ref value(PyObject_GetAttr(self, kinds[K].name_attr ? name_attr_str[K] : str_index));
  if (!value) return nullptr;
  Ref text(PyObject_Format(value.get(), str_empty));
  if (!text) return nullptr;
  return PyUnicode_FromFormat("<%s %U>", kinds[K].name, text.get());
}

PyObject *handle_repr(PyObject *self) { return PyObject_CallMethodObjArgs(self, str_str, nullptr); }

}  // namespace

bool handle_of_model(PyObject *o, TVXmodel *mdl) {
  if (handle_mdl(o) == mdl) return true;
  raise_text("an element of another model was given");
  return false;
}

// Class members first; any other name is a solver attribute read through
// self.getAttr, found without this fallback so that a missing getAttr cannot
// recurse.
PyObject *attr_syntax_getattro(PyObject *self, PyObject *name) {
  PyObject *found = PyObject_GenericGetAttr(self, name);
  if (found || !PyErr_ExceptionMatches(PyExc_AttributeError)) return found;
  PyErr_Clear();
  Ref getattr(PyObject_GenericGetAttr(self, str_getAttr));
  if (!getattr) return nullptr;
  return PyObject_CallFunctionObjArgs(getattr.get(), name, nullptr);
}

// Every assignment is a solver attribute write; nothing is stored.
int attr_syntax_setattro(PyObject *self, PyObject *name, PyObject *value) {
  if (!value) return PyObject_GenericSetAttr(self, name, nullptr);
  Ref setattr(PyObject_GenericGetAttr(self, str_setAttr));
  if (!setattr) return -1;
  Ref result(PyObject_CallFunctionObjArgs(setattr.get(), name, value, nullptr));
  return result ? 0 : -1;
}

// hash(self.index). The six classes are static types whose `index` cannot be
// replaced, so for them the field is the property's value; a subclass may
// override `index` and is asked.
Py_hash_t handle_hash(PyObject *self) {
  if (kind_of(Py_TYPE(self))) {
    const int i = handle_index(self);
    return i == -1 ? -2 : i;
  }
  Ref index(PyObject_GetAttr(self, str_index));
  if (!index) return -1;
  return PyObject_Hash(index.get());
}

PyObject *handle_new(PyTypeObject *type, TVXmodel *mdl, int index) {
  // Calling the class gives Var its allocation through Operand.
  Ref h(PyObject_CallObject(reinterpret_cast<PyObject *>(type), nullptr));
  if (!h) return nullptr;
  if (!PyObject_TypeCheck(h.get(), type)) {
    PyErr_Format(PyExc_SystemError, "%s() made no handle", type->tp_name);
    return nullptr;
  }
  as_handle(h.get())->mdl_ = mdl;
  as_handle(h.get())->index_ = index;
  return h.release();
}

bool handle_is_exact(PyObject *o) { return kind_of(Py_TYPE(o)) != nullptr; }

const char *handle_attr_kind(PyObject *o) {
  for (const Kind &k : kinds)
    if (PyObject_TypeCheck(o, k.type)) return k.attr_kind;
  return nullptr;
}

namespace {

const char *const set_handle_index_args[] = {"handle", "index"};

// Tests need handles of chosen indices without a model. A model's own
// handles are numbered by the model alone, so only a handle of no model
// takes a number here; it names no element of any model either way.
PyObject *module_set_handle_index_impl(PyObject *, PyObject *const *args) {
  PyObject *h = args[0];
  if (!handle_attr_kind(h))
    return PyErr_Format(PyExc_TypeError, "expected an element handle, got %.200s",
                        Py_TYPE(h)->tp_name);
  if (handle_mdl(h)) {
    PyErr_SetString(PyExc_ValueError, "a handle of a model cannot be renumbered");
    return nullptr;
  }
  int index = 0;
  if (!as_int32(args[1], &index)) return nullptr;
  handle_set_index(h, index);
  Py_RETURN_NONE;
}

}  // namespace

const FuncSpec set_handle_index_spec =
    func_spec("_set_handle_index", nullptr, set_handle_index_args, 0, nullptr,
              module_set_handle_index_impl, nullptr);

namespace {

// ---- Methods -----------------------------------------------------------------
//
// One implementation per method serves all six classes: the function's
// self_type names the class it is bound in.

PyObject *handle_sameAs_impl(PyObject *func, PyObject *const *args) {
  const FuncSpec *spec = function_spec(func);
  PyObject *self = args[0], *other = args[1];
  if (!check_arg_type(other, spec->self_type, spec->argnames[1], false)) return nullptr;
  if (other == Py_None) Py_RETURN_FALSE;  // None is no element
  return PyBool_FromLong(handle_mdl(self) == handle_mdl(other) &&
                         handle_index(self) == handle_index(other));
}

PyObject *handle_getAttr_impl(PyObject *func, PyObject *const *args) {
  PyObject *self = args[0], *name = args[1];
  if (!check_arg_type(name, &PyUnicode_Type, "attrname", true)) return nullptr;
  Ref elements(one_item_list(self));
  if (!elements) return nullptr;
  const Kind *k = kind_of(function_spec(func)->self_type);
  Ref values(model_getattr(handle_mdl(self), name, k->attr_kind, elements.get()));
  if (!values) return nullptr;
  return PySequence_GetItem(values.get(), 0);
}

PyObject *handle_setAttr_impl(PyObject *func, PyObject *const *args) {
  PyObject *self = args[0], *name = args[1], *value = args[2];
  if (!check_arg_type(name, &PyUnicode_Type, "attrname", true)) return nullptr;
  Ref elements(one_item_list(self));
  if (!elements) return nullptr;
  Ref values(one_item_list(value));
  if (!values) return nullptr;
  const Kind *k = kind_of(function_spec(func)->self_type);
  Ref result(model_setattr(handle_mdl(self), name, k->attr_kind, elements.get(), values.get()));
  if (!result) return nullptr;
  Py_RETURN_NONE;
}

PyObject *handle_index_impl(PyObject *, PyObject *const *args) {
  return PyLong_FromLong(handle_index(args[0]));
}

PyObject *psdvar_priority_impl(PyObject *, PyObject *const *) { return PyFloat_FromDouble(1000.0); }

// ---- PsdVar times a matrix -----------------------------------------------------

PyObject *type_name(PyObject *o) {
  return PyObject_GetAttr(reinterpret_cast<PyObject *>(Py_TYPE(o)), str_name);
}

// PsdExpr holding the one term (matrix, self); the matrix is kept as given,
// a list becomes a new array.
PyObject *psdvar_times(PyObject *self, PyObject *other) {
  Ref coeff;
  if (PyList_Check(other)) {
    Ref array(np_attr("array"));
    if (!array) return nullptr;
    coeff = Ref(PyObject_CallFunctionObjArgs(array.get(), other, nullptr));
    if (!coeff) return nullptr;
  } else {
    int matrix = is_ndarray(other);
    if (matrix == 0) matrix = is_instance_of(other, "_sp", "spmatrix");
    if (matrix < 0) return nullptr;
    if (!matrix) {
      Ref left(type_name(self)), right(type_name(other));
      if (!left || !right) return nullptr;
      return PyErr_Format(PyExc_TypeError, "unsupported operand type(s) for *: `%S` and `%S`",
                          left.get(), right.get());
    }
    coeff = Ref::borrow(other);
  }
  Ref psdexpr(module_global("PsdExpr"));
  if (!psdexpr) return nullptr;
  return PyObject_CallFunctionObjArgs(psdexpr.get(), coeff.get(), self, nullptr);
}

// The product with the PsdVar on either side is the same term.
PyObject *psdvar_multiply(PyObject *a, PyObject *b) {
  if (PyObject_TypeCheck(a, &PsdVar_Type)) return psdvar_times(a, b);
  if (PyObject_TypeCheck(b, &PsdVar_Type)) return psdvar_times(b, a);
  Py_RETURN_NOTIMPLEMENTED;
}

PyNumberMethods psdvar_as_number = {};

// ---- Docstrings ----------------------------------------------------------------

const char var_doc[] = R"doc(
    Variable in the model. The index of a variable increases from 0. Each time a
    variable is added to the model, the index is increased by 1.

)doc";
const char psdvar_doc[] = R"doc(
    Represents a positive semi-definite variable.
    PsdVar is a square matrix of plain variables. It implies a constraint, that is,
    its solution must be a positive semi-definite matrix.
    A PsdVar can be multiplied by the matrix to obtain a PsdExpr.
    For example:
    x = model.addPsdVar(dim = 2, name = "x")
    expr = x * numpy.identity(x.dim)

)doc";
const char constr_doc[] = R"doc(
    Represents a constraint in the model. The index of the constraint increases from
    0. Each time a constraint is added to the model, the index is increased by 1.
    Constraints are usually expressed as an expression.

)doc";
const char sos_doc[] = R"doc(
    Represent a Special Ordered Set (SOS) constraint.

)doc";
const char genconstr_doc[] = R"doc(
    Represent a general constraint.

)doc";
const char psdconstr_doc[] = R"doc(
    Represents a constraint of a semi-definite programming in the model. The index of
    the constraint increases from 0. If you add a PsdConstr to the model at a time,
    the index increases.
    A PsdConstr is often expressed as a PsdExpr.

)doc";

const char Var_sameAs_doc[] = R"doc(
        SIGNATURE:
            sameAs(var)

        PURPOSE:
            Test whether the variable is the same as another variable.

        ARGUMENTS:
            var
            ---
            Another variable to be tested

        EXAMPLE:
            m = Model()
            x = m.addVar()
            print(x.sameAs(m.getVars()[0]))

        )doc";
const char Var_getAttr_doc[] = R"doc(
        SIGNATURE:
            getAttr(attrname)

        PURPOSE:
            Get the attribute value of a variable

        ARGUMENTS:
            attrname
            --------
            Attribute name

        EXAMPLE:
            m = Model()
            x = m.addVar()
            print(x.varname)
            print(x.getAttr(TVX.Attr.VarName))

        NOTE:
            Attribute can also be read and written directly through object attributes, in this
            case, the attribute name is case-insensitive

        )doc";
const char Var_setAttr_doc[] = R"doc(
        SIGNATURE:
            setAttr(attrname, attrvalue)

        PURPOSE:
            Set the attribute value of a variable.

        ARGUMENTS:
            attrname
            --------
            The name of the attribute.

            attrvalue
            ---------
            The value of the attribute to be set.

        EXAMPLE:
            m = Model()
            x = m.addVar()
            x.ub = 1.0
            x.setAttr(TVX.Attr.UB, 2.0)
            print(x.ub == 2.0)

        NOTE:
            Attribute can also be read and written directly through object attributes, in this
            case, the attribute name is case-insensitive

        )doc";

const char PsdVar_sameAs_doc[] = R"doc(
        SIGNATURE:
            sameAs(var)

        PURPOSE:
            Test whether the psd variable is the same as another psd variable.

        ARGUMENTS:
            var
            ---
            Another psd variable to be tested

        EXAMPLE:
            m = Model()
            x = m.addPsdVar(dim = 2)
            print(x.sameAs(m.getPsdVars()[0]))

        )doc";
const char PsdVar_getAttr_doc[] = R"doc(
        SIGNATURE:
            getAttr(attrname)

        PURPOSE:
            Obtain the attribute value of a psd variable.

        ARGUMENTS:
            attrname
            --------
            Attribute name

        EXAMPLE:
            m = Model()
            x = m.addPsdVar(dim = 1)
            print(x.dim)
            print(x.getAttr(TVX.Attr.Dim))

        NOTE:
            Attribute can also be read and written directly through object attributes, in this
            case, the attribute name is case-insensitive

        )doc";
const char PsdVar_setAttr_doc[] = R"doc(
        SIGNATURE:
            setAttr(attrname, attrvalue)

        PURPOSE:
            Set the attribute value of a pds variable.

        ARGUMENTS:
            attrname
            --------
            The name of the attribute.

            attrvalue
            ---------
            The value of the attribute to be set.

        EXAMPLE:
            m = Model()
            x = m.addPsdVar(dim = 1)
            x.setAttr(TVX.Attr.PsdVarName, "x0")
            print(x.psdvarname == "x0")

        NOTE:
            Attribute can also be read and written directly through object attributes, in this
            case, the attribute name is case-insensitive

        )doc";

const char Constr_sameAs_doc[] = R"doc(
        SIGNATURE:
            sameAs(constr)

        PURPOSE:
            Test whether the constraint is the same as another constraint.

        ARGUMENTS:
            constr
            ------
            Another constraint to be tested

        EXAMPLE:
            m = Model()
            x = m.addVar()
            c = m.addConstr(x <= 1)
            print(c.sameAs(m.getConstrs()[0]))

        )doc";
const char Constr_getAttr_doc[] = R"doc(
        SIGNATURE:
            getAttr(attrname)

        PURPOSE:
            Obtain the attribute value associated with the constraint.

        ARGUMENTS:
            attrname
            --------
            Attribute name

        EXAMPLE:
            m = Model()
            x = m.addVar()
            c = m.addConstr(2 * x <= 1)
            print(c.rhs)
            print(c.getAttr(TVX.Attr.RHS))

        NOTE:
            Attribute can also be read and written directly through object attributes, in this
            case, the attribute name is case-insensitive

        )doc";
const char Constr_setAttr_doc[] = R"doc(
        SIGNATURE:
            setAttr(attrname, attrvalue)

        PURPOSE:
            Set the attribute value associated with the constraint.

        ARGUMENTS:
            attrname
            --------
            The name of the attribute.

            attrvalue
            ---------
            The value of the attribute to be set.

        EXAMPLE:
            m = Model()
            x = m.addVar()
            c = m.addConstr(2 * x <= 1)
            c.rhs = 2.0
            c.setAttr(TVX.Attr.RHS, 2.0)

        NOTE:
            Attribute can also be read and written directly through object attributes, in this
            case, the attribute name is case-insensitive

        )doc";

const char SOS_sameAs_doc[] = R"doc(
        SIGNATURE:
            sameAs(sos)

        PURPOSE:
            Test whether the SOS constraint is the same as another SOS constraint.

        ARGUMENTS:
            sos
            ---
            Another SOS constraint to be tested

        EXAMPLE:
            m = Model()
            x = m.addVars(2)
            s = m.addSOS(TVX.SOS_TYPE1, [x[0], x[1]])
            print(s.sameAs(m.getSOSs()[0]))

        )doc";
const char SOS_getAttr_doc[] = R"doc(
        SIGNATURE:
            getAttr(attrname)

        PURPOSE:
            Obtain the attribute value of SOS constraint.

        ARGUMENTS:
            attrname
            --------
            Attribute name

        NOTE:
            Attribute can also be read and written directly through object attributes, in this
            case, the attribute name is case-insensitive

        )doc";
const char SOS_setAttr_doc[] = R"doc(
        SIGNATURE:
            setAttr(attrname, attrvalue)

        PURPOSE:
            Set the attribute value of SOS constraint.

        ARGUMENTS:
            attrname
            --------
            The name of the attribute.

            attrvalue
            ---------
            The value of the attribute to be set.

        NOTE:
            Attribute can also be read and written directly through object attributes, in this
            case, the attribute name is case-insensitive

        )doc";

const char GenConstr_sameAs_doc[] = R"doc(
        SIGNATURE:
            sameAs(genconstr)

        PURPOSE:
            Test whether the general constraint is the same as another general constraint.

        ARGUMENTS:
            genconstr
            ---------
            Another general constraint to be tested

        EXAMPLE:
            m = Model()
            b = m.addVar(vtype=TVX.BINARY)
            x = m.addVar()
            g = m.addGenConstrIndicator(b, True, x <= 1)
            print(g.sameAs(m.getGenConstrs()[0]))

        )doc";
const char GenConstr_getAttr_doc[] = R"doc(
        SIGNATURE:
            getAttr(attrname)

        PURPOSE:
            Obtain the attribute value of general constraint.

        ARGUMENTS:
            attrname
            --------
            Attribute name

        NOTE:
            Attribute can also be read and written directly through object attributes, in this
            case, the attribute name is case-insensitive

        )doc";
const char GenConstr_setAttr_doc[] = R"doc(
        SIGNATURE:
            setAttr(attrname, attrvalue)

        PURPOSE:
            Set the attribute value of general constraint.

        ARGUMENTS:
            attrname
            --------
            The name of the attribute.

            attrvalue
            ---------
            The value of the attribute to be set.

        NOTE:
            Attribute can also be read and written directly through object attributes, in this
            case, the attribute name is case-insensitive

        )doc";

const char PsdConstr_sameAs_doc[] = R"doc(
        SIGNATURE:
            sameAs(constr)

        PURPOSE:
            Test whether the PsdConstr and another PsdConstr are the same

        ARGUMENTS:
            constr
            ------
            Another PsdConstr to be tested

        EXAMPLE:
            m = Model()
            x = m.addPsdVar(dim = 2)
            c = m.addConstr(x * numpy.identity(2) == 2)
            print(c.sameAs(m.getPsdConstrs()[0]))

        )doc";
const char PsdConstr_getAttr_doc[] = R"doc(
        SIGNATURE:
            getAttr(attrname)

        PURPOSE:
            Obtain the attribute value corresponding to a PsdConstr.

        ARGUMENTS:
            attrname
            --------
            Attribute name

        EXAMPLE:
            m = Model()
            x = m.addPsdVar(dim = 2)
            c = m.addConstr(x * numpy.identity(2) == 2, name="c0")
            print(c.psdcname == "c0")
            print(c.getAttr(TVX.Attr.PsdCName) == "c0")

        NOTE:
            Attribute can also be read and written directly through object attributes, in this
            case, the attribute name is case-insensitive

        )doc";
const char PsdConstr_setAttr_doc[] = R"doc(
        SIGNATURE:
            setAttr(attrname, attrvalue)

        PURPOSE:
            Set the attribute value corresponding to the PsdConstr.

        ARGUMENTS:
            attrname
            --------
            The name of the attribute.

            attrvalue
            ---------
            The value of the attribute to be set.

        EXAMPLE:
            m = Model()
            x = m.addPsdVar(dim = 2)
            c = m.addConstr(x * numpy.identity(2) == 2, name = "x0")
            c.setAttr(TVX.Attr.PsdCName, "c0")
            print(c.psdcname)
            c.psdcname = "c1"
            print(c.psdcname)

        NOTE:
            Attribute can also be read and written directly through object attributes, in this
            case, the attribute name is case-insensitive

        )doc";

// ---- Member specs ----------------------------------------------------------------

const char *const self_only[] = {"self"};
const char *const getAttr_args[] = {"self", "attrname"};
const char *const setAttr_args[] = {"self", "attrname", "attrvalue"};
const char *const var_arg[] = {"self", "var"};
const char *const constr_arg[] = {"self", "constr"};
const char *const sos_arg[] = {"self", "sos"};
const char *const genconstr_arg[] = {"self", "genconstr"};

#define HANDLE_SPECS(Cls, sameas_args, index_doc)                                    \
  const FuncSpec Cls##_specs[] = {                                                   \
      DZ_METHOD(Cls, sameAs, sameas_args, handle_sameAs_impl, Cls##_sameAs_doc),     \
      DZ_METHOD(Cls, getAttr, getAttr_args, handle_getAttr_impl, Cls##_getAttr_doc), \
      DZ_METHOD(Cls, setAttr, setAttr_args, handle_setAttr_impl, Cls##_setAttr_doc), \
      DZ_METHOD(Cls, index, self_only, handle_index_impl, index_doc),                \
  }

HANDLE_SPECS(Var, var_arg, R"doc(
        The index position of the variable.

        )doc");
HANDLE_SPECS(PsdVar, var_arg, R"doc(
        The index position of the psd variable.

        )doc");
HANDLE_SPECS(Constr, constr_arg, R"doc(
        The index of the constraint.

        )doc");
HANDLE_SPECS(SOS, sos_arg, R"doc(
        The index position of the SOS constraint.

        )doc");
HANDLE_SPECS(GenConstr, genconstr_arg, R"doc(
        The index position of the general constraint.

        )doc");
HANDLE_SPECS(PsdConstr, constr_arg, R"doc(
        Index position of PsdConstr

        )doc");

const FuncSpec psdvar_priority_spec =
    DZ_METHOD(PsdVar, __array_priority__, self_only, psdvar_priority_impl, nullptr);

#define KIND(Cls, ops, doc, attr_kind, name_attr, priority)                                  \
  {                                                                                          \
    &Cls##_Type, &(ops), #Cls, "didazoda." #Cls, doc, attr_kind, name_attr, &Cls##_specs[0], \
        &Cls##_specs[1], &Cls##_specs[2], priority, &Cls##_specs[3]                          \
  }

const Kind kinds[KCount] = {
    KIND(Var, Var_ops, var_doc, "v", "VarName", nullptr),
    KIND(PsdVar, PsdVar_ops, psdvar_doc, "psdv", "PsdVarName", &psdvar_priority_spec),
    KIND(Constr, Constr_ops, constr_doc, "lin", "ConstrName", nullptr),
    KIND(SOS, SOS_ops, sos_doc, "sos", nullptr, nullptr),
    KIND(GenConstr, GenConstr_ops, genconstr_doc, "gen", "GenConstrName", nullptr),
    KIND(PsdConstr, PsdConstr_ops, psdconstr_doc, "psdc", "PsdCName", nullptr),
};

// ---- Class set-up --------------------------------------------------------------

template <KindId K>
int handle_prepare() {
  if (strings_ready() < 0) return -1;
  const Kind &k = kinds[K];
  PyTypeObject *t = k.type;
  t->tp_name = k.tp_name;
  t->tp_basicsize = sizeof(HandleObject);
  t->tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE;
  t->tp_doc = k.class_doc;
  t->tp_getattro = DZ_SLOT(attr_syntax_getattro);
  t->tp_setattro = DZ_SLOT(attr_syntax_setattro);
  t->tp_str = DZ_SLOT(handle_str<K>);
  t->tp_repr = DZ_SLOT(handle_repr);
  if (K == KVar) {
    // Allocation, arithmetic, comparisons and hash come from Operand.
    t->tp_base = Operand_class.type;
  } else {
    t->tp_new = PyType_GenericNew;
    t->tp_hash = DZ_SLOT(handle_hash);
  }
  if (K == KPsdVar) {
    psdvar_as_number.nb_multiply = DZ_SLOT(psdvar_multiply);
    t->tp_as_number = &psdvar_as_number;
  }
  k.ops->new_ = new_of<K>;
  return 0;
}

template <KindId K>
int handle_bind(PyObject *dict) {
  const Kind &k = kinds[K];
  for (const FuncSpec *spec : {k.sameAs, k.getAttr, k.setAttr})
    if (!bind_function(dict, spec)) return -1;
  if (k.priority && bind_constant(dict, k.priority) < 0) return -1;
  return bind_constant(dict, k.index);
}

const char refusal[] = "self.mdl_ cannot be converted to a Python object for pickling";

}  // namespace

const ClassDef Var_class = {
    &Var_Type, "Var", handle_prepare<KVar>, handle_bind<KVar>, nullptr, true, nullptr, refusal};
const ClassDef PsdVar_class = {
    &PsdVar_Type, "PsdVar", handle_prepare<KPsdVar>, handle_bind<KPsdVar>, nullptr, true,
    nullptr,      refusal};
const ClassDef Constr_class = {
    &Constr_Type, "Constr", handle_prepare<KConstr>, handle_bind<KConstr>, nullptr, true,
    nullptr,      refusal};
const ClassDef SOS_class = {
    &SOS_Type, "SOS", handle_prepare<KSOS>, handle_bind<KSOS>, nullptr, true, nullptr, refusal};
const ClassDef GenConstr_class = {&GenConstr_Type,
                                  "GenConstr",
                                  handle_prepare<KGenConstr>,
                                  handle_bind<KGenConstr>,
                                  nullptr,
                                  true,
                                  nullptr,
                                  refusal};
const ClassDef PsdConstr_class = {&PsdConstr_Type,
                                  "PsdConstr",
                                  handle_prepare<KPsdConstr>,
                                  handle_bind<KPsdConstr>,
                                  nullptr,
                                  true,
                                  nullptr,
                                  refusal};

}  // namespace dz
