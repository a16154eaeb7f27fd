#include <cstring>

#include "runtime/args.h"
#include "module/classes.h"
#include "runtime/decorators.h"
#include "module/tarvex_error.h"
#include "runtime/function.h"
#include "runtime/metaclass.h"
#include "runtime/pickling.h"
#include "module/tarvex.h"
#include "runtime/utf8.h"
#include "runtime/guard.h"
#include "runtime/compat.h"

namespace dz {

PyTypeObject TarvexError_Type = static_type_object();

namespace {

inline TarvexErrorObject *E(PyObject *o) { return reinterpret_cast<TarvexErrorObject *>(o); }

const char *const init_argnames[] = {"self", "arg1", "arg2"};
const FuncSpec init_spec = func_spec("__init__", "TarvexError.__init__", init_argnames, FUNC_METHOD,
                                     nullptr, nullptr, nullptr)
                               .with_defaults("(None,)");

// The library's text for a code; a missing text gets a fixed fallback.
const char *explanation(int code) {
  const char *text = TVXexplainerror(code);
  return text ? text : "Unknown error";
}

PyObject *explain(int code) { return PyBytes_FromString(explanation(code)); }

int tarvexerror_init(PyObject *self, PyObject *args, PyObject *kwargs) {
  ParsedArgs a;
  if (parse_init(&init_spec, self, args, kwargs, a) < 0) return -1;
  PyObject *arg1 = a[1], *arg2 = a[2];
  if (!check_arg_type(arg2, &PyUnicode_Type, "arg2", true)) return -1;

  Ref message;
  int code;
  if (PyUnicode_Check(arg1) || PyBytes_Check(arg1)) {
    code = -1;
    message = Ref::borrow(arg1);
  } else {
    Ref num(PyNumber_Long(arg1));
    if (!num || !as_int32(num.get(), &code)) return -1;
    message = arg2 != Py_None ? Ref::borrow(arg2) : Ref(explain(code));
    if (!message) return -1;
  }
  if (PyBytes_Check(message.get())) {
    message = Ref(chars2str(message.get()));
    if (!message) return -1;
  } else if (!PyUnicode_CheckExact(message.get())) {
    PyErr_Format(PyExc_TypeError, "Expected %s, got %.200s", "unicode",
                 Py_TYPE(message.get())->tp_name);
    return -1;
  }
  Py_XSETREF(E(self)->message_, message.newref());
  E(self)->errno_ = code;

  Ref base_args(PyTuple_Pack(1, message.get()));
  if (!base_args) return -1;
  return reinterpret_cast<PyTypeObject *>(PyExc_Exception)->tp_init(self, base_args.get(), nullptr);
}

void tarvexerror_dealloc(PyObject *self) {
  Py_CLEAR(E(self)->message_);
  reinterpret_cast<PyTypeObject *>(PyExc_Exception)->tp_dealloc(self);
}

const char *const self_only[] = {"self"};

PyObject *tarvexerror_errno_impl(PyObject *, PyObject *const *args) {
  return PyLong_FromLong(E(args[0])->errno_);
}
const FuncSpec errno_spec = DZ_METHOD(TarvexError, errno, self_only, tarvexerror_errno_impl, R"doc(
        The error code corresponding to the current exception.

        )doc");

PyObject *tarvexerror_message_impl(PyObject *, PyObject *const *args) {
  PyObject *m = E(args[0])->message_ ? E(args[0])->message_ : Py_None;
  return new_ref(m);
}
const FuncSpec message_spec =
    DZ_METHOD(TarvexError, message, self_only, tarvexerror_message_impl, R"doc(
        Text description corresponding to the current exception

        )doc");

const PickleField pickle_fields[] = {
    {"errno_", T_INT, offsetof(TarvexErrorObject, errno_), nullptr, false},
    {"message_", T_OBJECT, offsetof(TarvexErrorObject, message_), &PyUnicode_Type, true},
};
// The exception's args are its message, as after __init__.
int restored(PyObject *self) {
  PyObject *m = E(self)->message_;
  Ref args(m ? PyTuple_Pack(1, m) : PyTuple_New(0));
  if (!args) return -1;
  return PyObject_SetAttrString(self, "args", args.get());
}

const PickleSpec pickle_spec = {"TarvexError", pickle_fields, 2, true, restored};

}  // namespace

PyObject *raise_code(int code) { return raise_code_detail(code, TVXerrordetail(code)); }

PyObject *raise_code_detail(int code, const char *detail) {
  PyObject *type = reinterpret_cast<PyObject *>(&TarvexError_Type);
  Ref exc;
  if (detail == nullptr || *detail == '\0') {
    exc = Ref(PyObject_CallFunction(type, "i", code));
  } else {
    Ref message(PyUnicode_FromFormat("%s: %s", explanation(code), detail));
    if (message) exc = Ref(PyObject_CallFunction(type, "iO", code, message.get()));
  }
  if (exc) PyErr_SetObject(type, exc.get());
  return nullptr;
}

PyObject *raise_text(const char *text) {
  Ref exc(PyObject_CallFunction(reinterpret_cast<PyObject *>(&TarvexError_Type), "s", text));
  if (exc) PyErr_SetObject(reinterpret_cast<PyObject *>(&TarvexError_Type), exc.get());
  return nullptr;
}

int tarvexerror_prepare() {
  PyTypeObject *t = &TarvexError_Type;
  t->tp_name = "didazoda.TarvexError";
  t->tp_basicsize = sizeof(TarvexErrorObject);
  t->tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE | Py_TPFLAGS_HAVE_GC;
  t->tp_doc = "Tarvex exception class to identify an error occurred in the system.";
  PyTypeObject *base = reinterpret_cast<PyTypeObject *>(PyExc_Exception);
  t->tp_base = base;
  // message_ is an exact str and cannot take part in a cycle.
  t->tp_traverse = base->tp_traverse;
  t->tp_clear = base->tp_clear;
  t->tp_init = DZ_SLOT(tarvexerror_init);
  t->tp_dealloc = tarvexerror_dealloc;
  return 0;
}

const ClassDef TarvexError_class = {&TarvexError_Type, "TarvexError", tarvexerror_prepare,
                                    tarvexerror_bind,  nullptr,       true,
                                    &pickle_spec,      nullptr,       true};

int tarvexerror_bind(PyObject *d) {
  if (bind_constant(d, &errno_spec) < 0) return -1;
  return bind_constant(d, &message_spec);
}

}  // namespace dz
