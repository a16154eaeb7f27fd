// File, log and name-lookup operations of Model: one library call each, with
// the text argument crossing as UTF-8.
#include "model/model.h"
#include "runtime/args.h"
#include "module/tarvex_error.h"
#include "runtime/utf8.h"

namespace dz {

namespace {

// The text argument as UTF-8 bytes kept alive for the call; exactly a str,
// None passing the type test and failing in the conversion.
PyObject *text_arg(PyObject *value, const char *argname) {
  if (!check_arg_type(value, &PyUnicode_Type, argname, true)) return nullptr;
  return str2chars(value);
}

PyObject *model_message_impl(PyObject *, PyObject *const *args) {
  Ref text(text_arg(args[1], "message"));
  if (!text) return nullptr;
  TVXmodel *mdl = model_live_handle(args[0]);
  if (!mdl) return nullptr;
  // Logging is best effort: a line that cannot be written is no error.
  TVXmsg(Model_ops.env(as_model(args[0])), PyBytes_AS_STRING(text.get()));
  Py_RETURN_NONE;
}

// Handle: model_edit_handle for a call that changes the model (read), else
// model_live_handle.
template <int (*Call)(TVXmodel *, const char *), TVXmodel *(*Handle)(PyObject *)>
PyObject *model_file_impl(PyObject *, PyObject *const *args) {
  Ref filename(text_arg(args[1], "filename"));
  if (!filename) return nullptr;
  TVXmodel *mdl = Handle(args[0]);
  if (!mdl) return nullptr;
  const int rc = Call(mdl, PyBytes_AS_STRING(filename.get()));
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  Py_RETURN_NONE;
}

// The cached handle at the index the library found. The index is checked
// against the list: a list out of step with the solver model must give an
// error, never a read past its end.
template <int (*Lookup)(TVXmodel *, const char *, int *), PyObject *ModelObject::*List>
PyObject *model_byname_impl(PyObject *, PyObject *const *args) {
  Ref name(text_arg(args[1], "name"));
  if (!name) return nullptr;
  TVXmodel *mdl = model_live_handle(args[0]);
  if (!mdl) return nullptr;
  int index = -1;
  const int rc = Lookup(mdl, PyBytes_AS_STRING(name.get()), &index);
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  if (index == -1) Py_RETURN_NONE;
  PyObject *list = as_model(args[0])->*List;  // borrowed
  if (!PyList_Check(list)) {
    // A cleared model: subscripting its None gives the interpreter's error.
    Ref key(PyLong_FromLong(index));
    return key ? PyObject_GetItem(list, key.get()) : nullptr;
  }
  if (index < 0 || index >= PyList_GET_SIZE(list))
    return raise_text("the element lists do not match the solver model");
  PyObject *handle = PyList_GET_ITEM(list, index);
  return new_ref(handle);
}

const char *const message_args[] = {"self", "message"};
const char *const filename_args[] = {"self", "filename"};
const char *const name_args[] = {"self", "name"};

const char message_doc[] = R"doc(
        SIGNATURE:
            message(message)

        PURPOSE:
            Print a string into log

        ARGUMENTS:
            message
            -------
            The string to be printed.

        EXAMPLE:
            m.message("Start solving the model")

        )doc";

const char read_doc[] = R"doc(
        SIGNATURE:
            read(filename)

        PURPOSE:
            Read data from a file. The data type depends on the suffix of the file name.

        ARGUMENTS:
            filename
            --------
            The name of the file to read. Supported suffixes: '.prm' (parameter settings) and
            '.mst' (MIP starts).

        EXAMPLE:
            m.read("settings.prm")
            m.read("start.mst")

        )doc";

const char write_doc[] = R"doc(
        SIGNATURE:
            write(filename)

        PURPOSE:
            Write data of model to a file. The data type depends on the suffix of the file
            name.

        ARGUMENTS:
            filename
            --------
            The name of the file to write. The model is written for the suffixes '.lp',
            '.mps' and '.qps'; results for '.sol' (solution), '.bas' (basis), '.prm'
            (parameter settings) and '.mst' (MIP starts). A further suffix '.gz' or '.bz2'
            compresses the file.

        EXAMPLE:
            m.write("diet.mps")
            m.write("diet.sol.gz")

        )doc";

const char getVarByName_doc[] = R"doc(
        SIGNATURE:
            getVarByName(name)

        PURPOSE:
            Obtain a variable object by its name

        ARGUMENTS:
            name
            ----
            The name of the variable.

        EXAMPLE:
            v.varname = 'myvar'
            print(v.sameAs(m.getVarByName('myvar')))

        )doc";

const char getConstrByName_doc[] = R"doc(
        SIGNATURE:
            getConstrByName(name)

        PURPOSE:
            Obtain the constraint object by its name

        ARGUMENTS:
            name
            ----
            The name of the constraint.

        EXAMPLE:
            c.constrname = 'myconstr'
            print(c.sameAs(m.getConstrByName('myconstr')))

        )doc";

}  // namespace

const FuncSpec Model_message_spec =
    DZ_METHOD(Model, message, message_args, model_message_impl, message_doc);
const FuncSpec Model_read_spec =
    DZ_METHOD(Model, read, filename_args, model_file_impl<TVXread, model_edit_handle>, read_doc);
const FuncSpec Model_write_spec =
    DZ_METHOD(Model, write, filename_args, model_file_impl<TVXwrite, model_live_handle>, write_doc);
const FuncSpec Model_getVarByName_spec =
    DZ_METHOD(Model, getVarByName, name_args,
              model_byname_impl<TVXgetvarbyname, &ModelObject::varlist_>, getVarByName_doc);
const FuncSpec Model_getConstrByName_spec = DZ_METHOD(
    Model, getConstrByName, name_args,
    model_byname_impl<TVXgetconstrbyname, &ModelObject::constrlist_>, getConstrByName_doc);

}  // namespace dz
