// MConstr: an array of Constr handles, as Model.addConstr and
// Model.addMConstr return them. No arithmetic: it compares and hashes as a
// plain object.
#include "array/array_object.h"
#include "model/handles.h"
#include "runtime/decorators.h"
#include "runtime/docs.h"

namespace dz {

ArrayOps MConstr_ops;

namespace {

const ArrayKind kind = {&MConstr_Type, "MConstr", "MConstr contains more than 1 constraint"};

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

PyObject *mconstr_fromlist_impl(PyObject *, PyObject *const *args) {
  Ref array(np_attr("array"));
  if (!array) return nullptr;
  Ref arr(PyObject_CallFunctionObjArgs(array.get(), args[0], nullptr));
  if (!arr) return nullptr;
  return mconstr_new(arr.get());
}

// ---- Docstrings ------------------------------------------------------------------

const char class_doc[] =
    "\n    A multidimensional array consisting of constraints.\n"
    "    Returned by `Model.addConstr` or `Model.addMConstr`.\n\n";

#define PROPERTY_DOC(text) "\n        " text "\n" EXPR_DOC_END

const char item_doc[] =
    EXPR_DOC_HEAD("item()", "Get the unique constraint contained in the current MConstr.")
        EXPR_DOC_NONE EXPR_DOC_EXAMPLE EXPR_DOC_LINE("x = m.addMVar((2, 2))")
            EXPR_DOC_LINE("c = m.addMConstr([[1, 2], [3, 4]], x[0], '<', [1, 2])")
                EXPR_DOC_LINE("print(type(c[0]))") EXPR_DOC_LINE("print(type(c[0].item()))")
                    EXPR_DOC_NOTE EXPR_DOC_LINE(
                        "An exception is thrown if the current MConstr contains more than one "
                        "constraint.") EXPR_DOC_END;
const char tolist_doc[] =
    EXPR_DOC_HEAD("tolist()", "Return an array containing all constraints in the current MConstr.")
        EXPR_DOC_NONE EXPR_DOC_EXAMPLE EXPR_DOC_LINE("x = m.addMVar((2, 2))")
            EXPR_DOC_LINE("c = m.addMConstr([[1, 2], [3, 4]], x[0], '<', [1, 2])")
                EXPR_DOC_LINE("print(c.tolist())") EXPR_DOC_END;

const char *const self_only[] = {"self"};
const char *const li_arg[] = {"li"};

const FuncSpec fromlist_spec = {"_fromlist",   "MConstr._fromlist",   li_arg, 1, 0, 0,
                                &MConstr_Type, mconstr_fromlist_impl, nullptr};
const FuncSpec methods[] = {
    ARRAY_METHOD(MConstr, tolist, self_only, array_tolist_impl, tolist_doc),
    ARRAY_METHOD(MConstr, item, self_only, array_item_impl, item_doc),
};
const FuncSpec properties[] = {
    ARRAY_METHOD(MConstr, size, self_only, array_size_impl,
                 PROPERTY_DOC("Number of constraints contained in the MConstr")),
    ARRAY_METHOD(MConstr, ndim, self_only, array_ndim_impl,
                 PROPERTY_DOC("Number of MConstr dimensions")),
    ARRAY_METHOD(MConstr, shape, self_only, array_shape_impl, PROPERTY_DOC("Shape of the MConstr")),
};

#undef PROPERTY_DOC

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
  MConstr_ops = {mconstr_new, mconstr_mdl};
  return 0;
}

int mconstr_bind(PyObject *dict) {
  if (bind_static(dict, &fromlist_spec) < 0) return -1;
  for (const FuncSpec &spec : methods)
    if (!bind_function(dict, &spec)) return -1;
  for (const FuncSpec &spec : properties)
    if (bind_constant(dict, &spec) < 0) return -1;
  return 0;
}

}  // namespace

const ClassDef MConstr_class = {&MConstr_Type, "MConstr", mconstr_prepare, mconstr_bind,
                                nullptr,       true,      &pickle_spec,    nullptr};

}  // namespace dz
