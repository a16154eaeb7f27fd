// MVar: an array of Var handles. Its arithmetic is Operand's, which hands
// array operands to the kernels of array_kernels.cpp.
#include "array/array_object.h"
#include "model/handles.h"
#include "runtime/globals.h"
#include "runtime/args.h"
#include "runtime/decorators.h"
#include "runtime/guard.h"

namespace dz {

ArrayOps MVar_ops;

namespace {

PyObject *mvar_new(PyObject *arr) { return array_wrap(&MVar_Type, arr); }

// The field is read once: Python code run by numpy cannot swap the array
// from under the cell.
int mvar_mdl(PyObject *self, TVXmodel **out) {
  Ref cell(array_first_cell(array_field(self)));
  if (!cell) return -1;
  if (!handle_check(cell.get(), &Var_Type)) {
    raise_cannot_convert(cell.get(), &Var_Type);
    return -1;
  }
  *out = handle_mdl(cell.get());
  return 0;
}

const ArrayKind kind = {&MVar_Type, "MVar", "MVar contains more than 1 variable", "v", mvar_mdl};

// numpy.array(obj), wrapped.
PyObject *wrap_new_array(PyObject *obj) {
  Ref array(np_attr("array"));
  if (!array) return nullptr;
  Ref arr(PyObject_CallFunctionObjArgs(array.get(), obj, nullptr));
  if (!arr) return nullptr;
  return mvar_new(arr.get());
}

// ---- Members ---------------------------------------------------------------------

PyObject *mvar_fromlist_impl(PyObject *, PyObject *const *args) { return wrap_new_array(args[0]); }

// None passes, as in any array: every use of a None cell (attributes,
// products, constraints) refuses it before the library is reached.
PyObject *mvar_fromvar_impl(PyObject *, PyObject *const *args) {
  PyObject *var = args[0];
  if (!check_arg_type(var, &Var_Type, "var", false)) return nullptr;
  Ref one(PyList_New(1));
  if (!one) return nullptr;
  Py_INCREF(var);
  PyList_SET_ITEM(one.get(), 0, var);
  return wrap_new_array(one.get());
}

// args: self, order, the shape tuple.
PyObject *mvar_reshape_impl(PyObject *, PyObject *const *args) {
  Ref kwargs(Py_BuildValue("{s:O}", "order", args[1]));
  if (!kwargs) return nullptr;
  const Py_ssize_t n = PyTuple_GET_SIZE(args[2]);
  Ref shape(PyTuple_New(n));
  if (!shape) return nullptr;
  for (Py_ssize_t i = 0; i < n; i++) {
    PyObject *part = frozen_shape(PyTuple_GET_ITEM(args[2], i));
    if (!part) return nullptr;
    PyTuple_SET_ITEM(shape.get(), i, part);
  }
  return array_call_wrapped(&MVar_Type, args[0], "reshape", shape.get(), kwargs.get());
}

PyObject *mvar_transpose_impl(PyObject *, PyObject *const *args) {
  return array_call_wrapped(&MVar_Type, args[0], "transpose");
}

PyObject *mvar_diagonal_impl(PyObject *, PyObject *const *args) {
  return array_call_wrapped(&MVar_Type, args[0], "diagonal");
}

PyObject *mvar_T_impl(PyObject *, PyObject *const *args) {
  Ref t(PyObject_GetAttrString(array_field(args[0]), "T"));
  if (!t) return nullptr;
  return mvar_new(t.get());
}

PyObject *mvar_sum_impl(PyObject *, PyObject *const *args) {
  return array_sum_wrapped(&MLinExpr_Type, args[0], args[1]);
}

// ---- Docstrings ------------------------------------------------------------------

const char class_doc[] = R"doc(
    A multidimensional array of variables.
    Generally, it is returned by `Model.addMVar`. You can also wrap an existing array
    to obtain an MVar, for example, `MVar.fromlist`

)doc";

const char item_doc[] = R"doc(
        SIGNATURE:
            item()

        PURPOSE:
            Obtain the unique variable contained in the current MVar.

        ARGUMENTS:
            None.

        EXAMPLE:
            x = m.addMVar((2, 2))
            print(x[0, 0].item())

        NOTE:
            If the current MVar contains more than one variable, an exception is thrown.

        )doc";
const char sum_doc[] = R"doc(
        SIGNATURE:
            sum(axis=None)

        PURPOSE:
            Return a linear expression that sums all variables in MVar

        ARGUMENTS:
            axis=None
            ---------
            Sum along the axis

        EXAMPLE:
            x = m.addMVar((2, 3))
            print(x.sum())
            print(x.sum(axis=0))

        )doc";
const char tolist_doc[] = R"doc(
        SIGNATURE:
            tolist()

        PURPOSE:
            Return an array of all variables in the current MVar

        ARGUMENTS:
            None.

        EXAMPLE:
            x = m.addMVar((2, 2))
            print(x.tolist())

        )doc";
const char fromvar_doc[] = R"doc(
        SIGNATURE:
            fromvar(var)

        PURPOSE:
            Wrap a variable as an MVar

        ARGUMENTS:
            var
            ---
            Variables to be packaged

        EXAMPLE:
            v = m.addVar()
            x = MVar.fromvar(v)

        )doc";
const char fromlist_doc[] = R"doc(
        SIGNATURE:
            fromlist(li)

        PURPOSE:
            Wrap a set of variables as an MVar

        ARGUMENTS:
            li
            --
            List of variables

        EXAMPLE:
            v = [m.addVar() for i in range(4)]
            x = MVar.fromlist(v).reshape(2, 2)

        )doc";
const char reshape_doc[] = R"doc(
        SIGNATURE:
            reshape(*shape)

        PURPOSE:
            Return an MVar with the same data but a new shape.

        ARGUMENTS:
            *shape
            ------
            New shape

        EXAMPLE:
            x = m.addMVar(6)
            y = x.reshape(2, 3)

        )doc";
const char transpose_doc[] = R"doc(
        SIGNATURE:
            transpose()

        PURPOSE:
            The transpose of MVar

        ARGUMENTS:
            None.

        EXAMPLE:
            x = m.addMVar((2, 3))
            print(x.transpose().shape)

        )doc";
const char diagonal_doc[] = R"doc(
        SIGNATURE:
            diagonal()

        PURPOSE:
            Obtain the diagonal matrix MVar corresponding to MVar

        ARGUMENTS:
            None.

        EXAMPLE:
            x = m.addMVar((3, 3))
            print(x.diagonal())

        )doc";
const char getAttr_doc[] = R"doc(
        SIGNATURE:
            getAttr(attrname)

        PURPOSE:
            Obtain the attribute values associated with MVar.

        ARGUMENTS:
            attrname
            --------
            The name of the attribute.

        EXAMPLE:
            x = m.addMVar((2, 2))
            print(x.lb)
            print(x.getAttr(TVX.Attr.LB))

        NOTE:
            Attribute can also be read and written directly through object attributes, in this
            case, the attribute name is case-insensitive

        )doc";
const char setAttr_doc[] = R"doc(
        SIGNATURE:
            setAttr(attrname, attrvalues)

        PURPOSE:
            Set the attribute values associated with MVar.

        ARGUMENTS:
            attrname
            --------
            The name of the attribute to be set.

            attrvalues
            ----------
            The new value of the attribute to be set. Can be scalar or array

        EXAMPLE:
            x = m.addMVar((2, 2))
            x.lb = [1.0, 2.0, 3.0, 4.0]
            x.setAttr(TVX.Attr.LB, 5.0)

        NOTE:
            Attribute can also be read and written directly through object attributes, in this
            case, the attribute name is case-insensitive

        )doc";

const char copy_doc[] = R"doc(
        SIGNATURE:
            copy()

        PURPOSE:
            Return a copy of the current MVar.

        ARGUMENTS:
            None.

        EXAMPLE:
            x = m.addMVar(3)
            y = x.copy()

        )doc";

// ---- Member specs ----------------------------------------------------------------

const char *const self_only[] = {"self"};
const char *const li_arg[] = {"li"};
const char *const var_arg[] = {"var"};
const char *const reshape_args[] = {"self", "order", "shape"};
const char *const axis_args[] = {"self", "axis"};

const char *const getAttr_args[] = {"self", "attrname"};
const char *const setAttr_args[] = {"self", "attrname", "newvalues"};

const ArrayMember members[] = {
    {ArrayMember::method, DZ_METHOD(MVar, getAttr, getAttr_args, array_getAttr_impl, getAttr_doc)},
    {ArrayMember::method, DZ_METHOD(MVar, setAttr, setAttr_args, array_setAttr_impl, setAttr_doc)},
    {ArrayMember::property, DZ_METHOD(MVar, shape, self_only, array_shape_impl, R"doc(
        Shape of MVar

        )doc")},
    {ArrayMember::property, DZ_METHOD(MVar, ndim, self_only, array_ndim_impl, R"doc(
        Number of MVar dimensions

        )doc")},
    {ArrayMember::property, DZ_METHOD(MVar, size, self_only, array_size_impl,
                                      R"doc(
        Number of variables contained in MVar

        )doc")},
    {ArrayMember::property, DZ_METHOD(MVar, T, self_only, mvar_T_impl, R"doc(
        Obtain the transpose of MVar

        )doc")},
    {ArrayMember::method, DZ_METHOD(MVar, copy, self_only, array_copy_impl, copy_doc)},
    {ArrayMember::method, DZ_METHOD(MVar, diagonal, self_only, mvar_diagonal_impl, diagonal_doc)},
    {ArrayMember::method,
     DZ_METHOD(MVar, transpose, self_only, mvar_transpose_impl, transpose_doc)},
    // reshape(*shape, order="C"): order is keyword-only.
    {ArrayMember::method, DZ_METHOD(MVar, reshape, reshape_args, mvar_reshape_impl, reshape_doc)
                              .with_flags(FUNC_VARARGS)
                              .with_keyword_only(1)
                              .with_defaults("('C',)")},
    {ArrayMember::static_method, func_spec("fromlist", "MVar.fromlist", li_arg, 0, &MVar_Type,
                                           mvar_fromlist_impl, fromlist_doc)},
    {ArrayMember::static_method,
     func_spec("fromvar", "MVar.fromvar", var_arg, 0, &MVar_Type, mvar_fromvar_impl, fromvar_doc)},
    {ArrayMember::method, DZ_METHOD(MVar, tolist, self_only, array_tolist_impl, tolist_doc)},
    {ArrayMember::method,
     DZ_METHOD(MVar, sum, axis_args, mvar_sum_impl, sum_doc).with_defaults("(None,)")},
    {ArrayMember::method, DZ_METHOD(MVar, item, self_only, array_item_impl, item_doc)},
    {ArrayMember::property,
     DZ_METHOD(MVar, __array_priority__, self_only, array_priority_impl, nullptr)},
};

// ---- Class set-up ----------------------------------------------------------------

const PickleField pickle_fields[] = {
    {"vararr_", T_OBJECT, offsetof(ArrayObject, arr_), nullptr, true},
};
const PickleSpec pickle_spec = {"MVar", pickle_fields, 1, false, nullptr};

int mvar_prepare() {
  PyTypeObject *t = &MVar_Type;
  t->tp_name = "didazoda.MVar";
  t->tp_doc = class_doc;
  t->tp_base = Operand_class.type;
  array_prepare_slots(kind);
  t->tp_getattro = DZ_SLOT(attr_syntax_getattro);
  t->tp_setattro = DZ_SLOT(attr_syntax_setattro);
  MVar_ops = {mvar_new, mvar_mdl};
  return 0;
}

int mvar_bind(PyObject *dict) { return bind_array_members(dict, members); }

}  // namespace

const ClassDef MVar_class = {&MVar_Type, "MVar", mvar_prepare, mvar_bind,
                             nullptr,    true,   &pickle_spec, nullptr};

}  // namespace dz
