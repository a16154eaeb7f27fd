// MConstr: an array of Constr handles, as Model.addConstr and
// Model.addMConstr return them. No arithmetic: it compares and hashes as a
// plain object.
#include "array/array_object.h"
#include "model/handles.h"
#include "runtime/globals.h"
#include "runtime/decorators.h"
#include "runtime/guard.h"

namespace dz {

ArrayOps MConstr_ops;

namespace {

PyObject *mconstr_new(PyObject *arr) { return array_wrap(&MConstr_Type, arr); }

int mconstr_mdl(PyObject *self, TVXmodel **out) {
  Ref cell(array_first_cell(array_field(self)));
  if (!cell) return -1;
  if (!handle_check(cell.get(), &Constr_Type)) {
    raise_cannot_convert(cell.get(), &Constr_Type);
    return -1;
  }
  *out = handle_mdl(cell.get());
  return 0;
}

const ArrayKind kind = {&MConstr_Type, "MConstr", "MConstr contains more than 1 constraint", "lin",
                        mconstr_mdl};

PyObject *mconstr_fromlist_impl(PyObject *, PyObject *const *args) {
  Ref array(np_attr("array"));
  if (!array) return nullptr;
  Ref arr(PyObject_CallFunctionObjArgs(array.get(), args[0], nullptr));
  if (!arr) return nullptr;
  return mconstr_new(arr.get());
}

// ---- Docstrings ------------------------------------------------------------------

const char class_doc[] = R"doc(
    A multidimensional array consisting of constraints.
    Returned by `Model.addConstr` or `Model.addMConstr`.

)doc";

const char item_doc[] = R"doc(
        SIGNATURE:
            item()

        PURPOSE:
            Get the unique constraint contained in the current MConstr.

        ARGUMENTS:
            None.

        EXAMPLE:
            x = m.addMVar((2, 2))
            c = m.addMConstr([[1, 2], [3, 4]], x[0], '<', [1, 2])
            print(type(c[0]))
            print(type(c[0].item()))

        NOTE:
            An exception is thrown if the current MConstr contains more than one constraint.

        )doc";
const char tolist_doc[] = R"doc(
        SIGNATURE:
            tolist()

        PURPOSE:
            Return an array containing all constraints in the current MConstr.

        ARGUMENTS:
            None.

        EXAMPLE:
            x = m.addMVar((2, 2))
            c = m.addMConstr([[1, 2], [3, 4]], x[0], '<', [1, 2])
            print(c.tolist())

        )doc";

const char getAttr_doc[] = R"doc(
        SIGNATURE:
            getAttr(attrname)

        PURPOSE:
            Obtain the value of the associated attribute.

        ARGUMENTS:
            attrname
            --------
            The name of the attribute to obtain the value.

        EXAMPLE:
            x = m.addMVar(2)
            c = m.addMConstr([[1, 2], [3, 4]], x, '<', [1, 2])
            c.constrname = ['c0', 'c1']
            print(c.constrname)
            print(c.getAttr(TVX.Attr.ConstrName))

        NOTE:
            Attribute can also be read and written directly through object attributes, in this
            case, the attribute name is case-insensitive

        )doc";
const char setAttr_doc[] = R"doc(
        SIGNATURE:
            setAttr(attrname, attrvalues)

        PURPOSE:
            Set the value of the associated attribute.

        ARGUMENTS:
            attrname
            --------
            The name of the attribute to be set.

            attrvalues
            ----------
            The new value of the attribute to be set. Can be scalar or array

        EXAMPLE:
            x = m.addMVar(2)
            c = m.addMConstr([[1, 2], [3, 4]], x, '<', [1, 2])
            c.setAttr(TVX.Attr.RHS, 5.0)

        NOTE:
            Attribute can also be read and written directly through object attributes, in this
            case, the attribute name is case-insensitive

        )doc";

const char *const self_only[] = {"self"};
const char *const getAttr_args[] = {"self", "attrname"};
const char *const setAttr_args[] = {"self", "attrname", "newvalues"};
const char *const li_arg[] = {"li"};

const ArrayMember members[] = {
    {ArrayMember::method,
     DZ_METHOD(MConstr, getAttr, getAttr_args, array_getAttr_impl, getAttr_doc)},
    {ArrayMember::method,
     DZ_METHOD(MConstr, setAttr, setAttr_args, array_setAttr_impl, setAttr_doc)},
    {ArrayMember::property, DZ_METHOD(MConstr, shape, self_only, array_shape_impl, R"doc(
        Shape of the MConstr

        )doc")},
    {ArrayMember::property, DZ_METHOD(MConstr, ndim, self_only, array_ndim_impl,
                                      R"doc(
        Number of MConstr dimensions

        )doc")},
    {ArrayMember::property, DZ_METHOD(MConstr, size, self_only, array_size_impl,
                                      R"doc(
        Number of constraints contained in the MConstr

        )doc")},
    {ArrayMember::static_method, func_spec("_fromlist", "MConstr._fromlist", li_arg, 0,
                                           &MConstr_Type, mconstr_fromlist_impl, nullptr)},
    {ArrayMember::method, DZ_METHOD(MConstr, tolist, self_only, array_tolist_impl, tolist_doc)},
    {ArrayMember::method, DZ_METHOD(MConstr, item, self_only, array_item_impl, item_doc)},
};

// ---- Class set-up ----------------------------------------------------------------

const PickleField pickle_fields[] = {
    {"constrarr_", T_OBJECT, offsetof(ArrayObject, arr_), nullptr, true},
};
const PickleSpec pickle_spec = {"MConstr", pickle_fields, 1, false, nullptr};

int mconstr_prepare() {
  PyTypeObject *t = &MConstr_Type;
  t->tp_name = "didazoda.MConstr";
  t->tp_doc = class_doc;
  array_prepare_slots(kind);
  t->tp_getattro = DZ_SLOT(attr_syntax_getattro);
  t->tp_setattro = DZ_SLOT(attr_syntax_setattro);
  MConstr_ops = {mconstr_new, mconstr_mdl};
  return 0;
}

int mconstr_bind(PyObject *dict) { return bind_array_members(dict, members); }

}  // namespace

const ClassDef MConstr_class = {&MConstr_Type, "MConstr", mconstr_prepare, mconstr_bind,
                                nullptr,       true,      &pickle_spec,    nullptr};

}  // namespace dz
