// List: the copy-on-write term list. Blocks are plain C; a view holds one
// share of a block and its own length. Every change installs the view's new
// state before an old block or item is released, since releasing can run
// Python code (__del__ of an item) that reaches the view again.
#include "expr/list.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <vector>

#include "expr/expr_util.h"
#include "runtime/args.h"
#include "runtime/sizes.h"
#include "runtime/decorators.h"
#include "runtime/function.h"
#include "runtime/guard.h"
#include "runtime/compat.h"

namespace dz {

PyTypeObject List_Type = static_type_object();
ListOps List_ops;

// ---- Blocks --------------------------------------------------------------------

namespace {

// Blocks and first item arrays (8 slots) freed lately, kept for reuse:
// arithmetic makes and drops several small blocks per operation. The
// interpreter lock guards them as it guards every block. Not under
// AddressSanitizer, which must see each block freed.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kPoolSize = 0;
#else
constexpr int kPoolSize = 512;
#endif
constexpr int kFirstCapacity = 8;

struct Pool {
  void *kept[kPoolSize > 0 ? kPoolSize : 1];
  int count = 0;

  void *take(std::size_t size) { return count > 0 ? kept[--count] : std::malloc(size); }
  void give(void *p) {
    if (count < kPoolSize)
      kept[count++] = p;
    else
      std::free(p);
  }
};

Pool block_pool, items_pool;

}  // namespace

ListBlock *List_NewBlock() {
  ListBlock *b = static_cast<ListBlock *>(block_pool.take(sizeof(ListBlock)));
  if (!b) {
    PyErr_NoMemory();
    return nullptr;
  }
  b->items = nullptr;
  b->count = 0;
  b->capacity = 0;
  b->refcount = 1;
  return b;
}

namespace {

// Room for `extra` more items. Grows as repeated single appends would: 8
// slots first, then twice the count each time it is full.
int block_reserve(ListBlock *b, int extra) {
  if (extra <= b->capacity - b->count) return 0;
  if (extra > INT_MAX - b->count) {
    PyErr_SetString(PyExc_OverflowError, "term list too long");
    return -1;
  }
  const int64_t need = int64_t{b->count} + extra;
  int64_t cap = b->capacity;
  while (cap < need) cap = cap == 0 ? kFirstCapacity : cap * 2;
  if (cap > INT_MAX) cap = INT_MAX;
  int capacity = 0;
  if (!int_size(cap, &capacity)) return -1;
  if (to_size(cap) > PY_SSIZE_T_MAX / sizeof(PyObject *)) {
    PyErr_NoMemory();
    return -1;
  }
  const std::size_t bytes = to_size(cap) * sizeof(PyObject *);
  void *items = b->items == nullptr && cap == kFirstCapacity ? items_pool.take(bytes)
                                                             : std::realloc(b->items, bytes);
  if (!items) {
    PyErr_NoMemory();
    return -1;
  }
  b->items = static_cast<PyObject **>(items);
  b->capacity = capacity;
  return 0;
}

}  // namespace

int List_Append(ListBlock *block, PyObject *item) {
  if (block_reserve(block, 1) < 0) return -1;
  Py_INCREF(item);
  block->items[block->count++] = item;
  return 0;
}

int List_AppendRange(ListBlock *block, ListBlock *src, int n) {
  if (n <= 0) return 0;
  // src == block: reserving may move the array, so items are read after it;
  // the copied slots lie below the old count and never overlap the new ones.
  if (block_reserve(block, n) < 0) return -1;
  PyObject **to = block->items + block->count;
  for (int i = 0; i < n; i++) {
    PyObject *item = src->items[i];
    Py_INCREF(item);
    to[i] = item;
  }
  block->count += n;
  return 0;
}

PyObject *List_Get(ListBlock *block, int i) {
  PyObject *item = block->items[i];
  return new_ref(item);
}

namespace {

// Nobody can reach the block any more, so item finalisers cannot see it.
void free_block(ListBlock *block) {
  PyObject **items = block->items;
  const int n = block->count;
  const bool first = block->capacity == kFirstCapacity;
  block_pool.give(block);
  for (int i = 0; i < n; i++) Py_DECREF(items[i]);
  if (first)
    items_pool.give(items);
  else
    std::free(items);
}

// Blocks whose last share went while another block was being freed. Freeing
// them from the outermost release keeps the C stack flat however deeply
// Lists (or expressions holding Lists) are nested in one another.
int release_depth = 0;
std::vector<ListBlock *> pending_release;

}  // namespace

void List_DecRef(ListBlock *block) {
  if (block->refcount <= 0) return;
  if (--block->refcount > 0) return;
  if (release_depth > 0) {
    try {
      pending_release.push_back(block);
      return;
    } catch (const std::bad_alloc &) {
      // Freed at once instead: deeper on the stack, but freed.
    }
  }
  release_depth++;
  free_block(block);
  if (release_depth == 1) {
    while (!pending_release.empty()) {
      ListBlock *next = pending_release.back();
      pending_release.pop_back();
      free_block(next);
    }
  }
  release_depth--;
}

// ---- Views ---------------------------------------------------------------------

PyObject *list_adopt(ListBlock *block) {
  PyObject *self = List_Type.tp_alloc(&List_Type, 0);
  if (!self) {
    List_DecRef(block);
    return nullptr;
  }
  as_list(self)->list_ = block;
  as_list(self)->size_ = block->count;
  return self;
}

PyObject *list_adopt_prefix(ListBlock *block, int size) {
  PyObject *self = list_adopt(block);
  if (self) as_list(self)->size_ = size;
  return self;
}

PyObject *list_view(ListBlock *block, int size) {
  block->refcount++;
  PyObject *self = list_adopt(block);
  if (self) as_list(self)->size_ = size;
  return self;
}

PyObject *list_new() {
  ListBlock *b = List_NewBlock();
  return b ? list_adopt(b) : nullptr;
}

namespace {

// Points the view at block (whose share the caller hands over) with the
// given length, then releases the old share.
void list_install(ListObject *l, ListBlock *block, int size) {
  ListBlock *old = l->list_;
  l->list_ = block;
  l->size_ = size;
  if (old) List_DecRef(old);
}

PyObject *list_copy(PyObject *self) {
  ListObject *l = as_list(self);
  return list_view(l->list_, l->size_);
}

int list_do_copy(PyObject *self) {
  ListObject *l = as_list(self);
  BlockRef fresh(List_NewBlock());
  if (!fresh || List_AppendRange(fresh.get(), l->list_, l->size_) < 0) return -1;
  list_install(l, fresh.release(), l->size_);
  return 0;
}

int list_append_safe(PyObject *self) {
  ListObject *l = as_list(self);
  return l->list_->count != l->size_ ? list_do_copy(self) : 0;
}

int list_update_safe(PyObject *self) {
  ListObject *l = as_list(self);
  return l->list_->refcount != 1 ? list_do_copy(self) : 0;
}

// The copy-on-write tests through attribute lookup, so that a subclass may
// override them; the exact class (whose dictionary cannot change) is served
// in C.
int list_call_safe(PyObject *self, PyObject *name, int (*direct)(PyObject *)) {
  if (Py_TYPE(self) == &List_Type) return direct(self);
  Ref r(PyObject_CallMethodObjArgs(self, name, nullptr));
  return r ? 0 : -1;
}

int list_add(PyObject *self, PyObject *item) {
  if (list_call_safe(self, expr_str().make_append_safe, list_append_safe) < 0) return -1;
  ListObject *l = as_list(self);
  if (List_Append(l->list_, item) < 0) return -1;
  l->size_++;
  return 0;
}

// Replaces each item by compute(item). The test for sharing is repeated
// before each store: compute may run Python code that shares the block.
template <typename Compute>
int list_replace_items(PyObject *self, Compute compute) {
  if (list_call_safe(self, expr_str().make_update_safe, list_update_safe) < 0) return -1;
  ListObject *l = as_list(self);
  for (int i = 0; i < l->size_; i++) {
    Ref item(List_Get(l->list_, i));
    Ref value(compute(item.get()));
    if (!value) return -1;
    if (i >= l->size_) break;
    if (list_update_safe(self) < 0) return -1;
    if (i >= l->size_) break;
    PyObject *old = l->list_->items[i];
    l->list_->items[i] = value.release();
    Py_DECREF(old);
  }
  return 0;
}

int list_map(PyObject *self, PyObject *fn) {
  return list_replace_items(
      self, [fn](PyObject *item) { return PyObject_CallFunctionObjArgs(fn, item, nullptr); });
}

int list_imul(PyObject *self, double mult) {
  Ref factor(PyFloat_FromDouble(mult));
  if (!factor) return -1;
  return list_replace_items(self, [&factor, mult](PyObject *item) -> PyObject * {
    if (PyFloat_CheckExact(item)) return PyFloat_FromDouble(mult * PyFloat_AS_DOUBLE(item));
    return PyNumber_Multiply(factor.get(), item);
  });
}

// Positions match by Python equality, scanned once in ascending order (see
// the callers); the result is computed from a snapshot, so an equality test
// that changes the view cannot make the scan read past its items.
int list_remove(PyObject *self, PyObject *positions) {
  Ref pos;
  if (PyList_Check(positions)) {
    pos = Ref::borrow(positions);
  } else {
    pos = Ref(PyList_New(1));
    if (!pos) return -1;
    Py_INCREF(positions);
    PyList_SET_ITEM(pos.get(), 0, positions);
  }
  ListSnap snap(self);
  BlockRef fresh(List_NewBlock());
  if (!fresh) return -1;
  Py_ssize_t k = 0;
  for (int j = 0; j < snap.size(); j++) {
    if (k < PyList_GET_SIZE(pos.get())) {
      Ref element = Ref::borrow(PyList_GET_ITEM(pos.get(), k));
      Ref index(PyLong_FromLong(j));
      if (!index) return -1;
      int eq = PyObject_RichCompareBool(element.get(), index.get(), Py_EQ);
      if (eq < 0) return -1;
      if (eq) {
        k++;
        continue;
      }
    }
    if (List_Append(fresh.get(), snap.at(j)) < 0) return -1;
  }
  ListBlock *b = fresh.release();
  list_install(as_list(self), b, b->count);
  return 0;
}

int list_clear(PyObject *self) {
  ListObject *l = as_list(self);
  ListBlock *b = l->list_;
  if (b->refcount != 1) {
    ListBlock *fresh = List_NewBlock();
    if (!fresh) return -1;
    list_install(l, fresh, 0);
    return 0;
  }
  // The array stays for reuse; the items are detached before they are
  // dropped, since a finaliser may append to this view meanwhile.
  Buffer<PyObject *> dropped;
  if (!dropped.allocate(b->count)) return -1;
  const int n = b->count;
  for (int i = 0; i < n; i++) dropped[i] = b->items[i];
  b->count = 0;
  l->size_ = 0;
  for (int i = 0; i < n; i++) Py_DECREF(dropped[i]);
  return 0;
}

int list_size(PyObject *self) { return as_list(self)->size_; }

}  // namespace

PyObject *list_inplace_add(PyObject *l, PyObject *other) {
  if (PyList_Check(other)) {
    if (List_ops.size(l) == 0)
      return PyObject_CallFunctionObjArgs(reinterpret_cast<PyObject *>(&List_Type), other, nullptr);
    Ref it(PyObject_GetIter(other));
    if (!it) return nullptr;
    while (PyObject *raw = PyIter_Next(it.get())) {
      Ref item(raw);
      if (List_ops.add(l, item.get()) < 0) return nullptr;
    }
    if (PyErr_Occurred()) return nullptr;
  } else if (list_check(other)) {
    if (List_ops.size(l) == 0) return List_ops.copy(other);
    // Reading from a snapshot makes l += l double the view.
    ListSnap snap(other);
    for (int i = 0; i < snap.size(); i++)
      if (List_ops.add(l, snap.at(i)) < 0) return nullptr;
  } else {
    return raise_unsupported("+=", l, other);
  }
  return new_ref(l);
}

// ---- Field helpers ---------------------------------------------------------------

int list_field_extend(PyObject **field, ListBlock *src, int n) {
  Ref view = Ref::borrow(*field);
  ListObject *l = as_list(view.get());
  if (l->size_ == 0) {
    PyObject *shared = list_view(src, n);
    if (!shared) return -1;
    Py_SETREF(*field, shared);
    return 0;
  }
  if (list_append_safe(view.get()) < 0) return -1;
  if (List_AppendRange(l->list_, src, n) < 0) return -1;
  l->size_ += n;
  return 0;
}

int list_field_adopt(PyObject **field, ListBlock *block) {
  PyObject *view = list_adopt(block);
  if (!view) return -1;
  Py_SETREF(*field, view);
  return 0;
}

int list_field_add(PyObject **field, PyObject *item) {
  Ref view = Ref::borrow(*field);
  return list_add(view.get(), item);
}

int list_field_remove(PyObject **field, const int *positions, int npositions) {
  Ref view = Ref::borrow(*field);
  ListObject *l = as_list(view.get());
  BlockRef fresh(List_NewBlock());
  if (!fresh) return -1;
  int k = 0;
  for (int j = 0; j < l->size_; j++) {
    if (k < npositions && positions[k] == j) {
      k++;
      continue;
    }
    if (List_Append(fresh.get(), l->list_->items[j]) < 0) return -1;
  }
  ListBlock *b = fresh.release();
  list_install(l, b, b->count);
  return 0;
}

namespace {

// ---- Python protocol -------------------------------------------------------------

PyObject *list_alloc(PyTypeObject *type, PyObject *, PyObject *) {
  // A view made without __init__ gets an empty block, so nothing ever meets
  // a view without one.
  BlockRef block(List_NewBlock());
  if (!block) return nullptr;
  PyObject *self = type->tp_alloc(type, 0);
  if (!self) return nullptr;
  as_list(self)->list_ = block.release();
  as_list(self)->size_ = 0;
  return self;
}

const char *const init_argnames[] = {"self", "data"};
const FuncSpec init_spec =
    func_spec("__init__", "List.__init__", init_argnames, FUNC_METHOD, nullptr, nullptr, nullptr)
        .with_defaults("([],)");

int list_init(PyObject *self, PyObject *args, PyObject *kwargs) {
  ParsedArgs a;
  if (parse_init(&init_spec, self, args, kwargs, a) < 0) return -1;
  PyObject *data = a[1];
  if (!PyList_Check(data)) {
    PyErr_SetString(PyExc_TypeError, "Expect a list");
    return -1;
  }
  // Built aside: iterating may run Python code that uses this view.
  BlockRef fresh(List_NewBlock());
  if (!fresh) return -1;
  Ref it(PyObject_GetIter(data));
  if (!it) return -1;
  while (PyObject *raw = PyIter_Next(it.get())) {
    Ref item(raw);
    if (List_Append(fresh.get(), item.get()) < 0) return -1;
  }
  if (PyErr_Occurred()) return -1;
  ListBlock *b = fresh.release();
  list_install(as_list(self), b, b->count);
  return 0;
}

void list_dealloc(PyObject *self) {
  ListObject *l = as_list(self);
  ListBlock *b = l->list_;
  l->list_ = nullptr;
  if (b && b->refcount > 1) {
    b->refcount--;  // others still hold the block: no item is released
  } else if (b) {
    PyObject *type, *value, *tb;
    PyErr_Fetch(&type, &value, &tb);
    List_DecRef(b);
    PyErr_Restore(type, value, tb);
  }
  Py_TYPE(self)->tp_free(self);
}

Py_ssize_t list_length(PyObject *self) { return as_list(self)->size_; }

PyObject *list_item(PyObject *self, Py_ssize_t i) {
  ListObject *l = as_list(self);
  if (i < 0 || i >= l->size_) {
    PyErr_SetString(PyExc_IndexError, "list index out of range");
    return nullptr;
  }
  int at = 0;
  return int_size(i, &at) ? List_Get(l->list_, at) : nullptr;
}

PyObject *list_subscript(PyObject *self, PyObject *key) {
  int i;
  if (!as_int32(key, &i)) return nullptr;
  return list_item(self, i);
}

PyObject *list_repr(PyObject *self) {
  ListSnap snap(self);
  Ref items(PyList_New(snap.size()));
  if (!items) return nullptr;
  for (int i = 0; i < snap.size(); i++) PyList_SET_ITEM(items.get(), i, List_Get(snap.block(), i));
  return PyObject_Repr(items.get());
}

PyObject *list_nb_add(PyObject *a, PyObject *b) {
  if (!list_check(a)) Py_RETURN_NOTIMPLEMENTED;
  Ref copy(List_ops.copy(a));
  if (!copy) return nullptr;
  return list_inplace_add(copy.get(), b);
}

PyObject *list_nb_inplace_add(PyObject *a, PyObject *b) { return list_inplace_add(a, b); }

PyObject *list_make_append_safe_impl(PyObject *, PyObject *const *args) {
  if (list_append_safe(args[0]) < 0) return nullptr;
  Py_RETURN_NONE;
}

PyObject *list_make_update_safe_impl(PyObject *, PyObject *const *args) {
  if (list_update_safe(args[0]) < 0) return nullptr;
  Py_RETURN_NONE;
}

const char *const self_arg[] = {"self"};
const FuncSpec make_append_safe_spec =
    DZ_METHOD(List, _make_append_safe, self_arg, list_make_append_safe_impl, nullptr);
const FuncSpec make_update_safe_spec =
    DZ_METHOD(List, _make_update_safe, self_arg, list_make_update_safe_impl, nullptr);

PyNumberMethods list_as_number = {};
PySequenceMethods list_as_sequence = {};
PyMappingMethods list_as_mapping = {};

int list_prepare() {
  if (expr_strings_ready() < 0) return -1;
  PyTypeObject *t = &List_Type;
  t->tp_name = "didazoda.List";
  t->tp_basicsize = sizeof(ListObject);
  t->tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE;
  t->tp_new = DZ_SLOT(list_alloc);
  t->tp_init = DZ_SLOT(list_init);
  t->tp_dealloc = list_dealloc;
  t->tp_repr = DZ_SLOT(list_repr);
  list_as_number.nb_add = DZ_SLOT(list_nb_add);
  list_as_number.nb_inplace_add = DZ_SLOT(list_nb_inplace_add);
  t->tp_as_number = &list_as_number;
  // sq_item lets iteration run through the item access; indexing itself
  // goes through the mapping slot, which converts any integer-like key.
  list_as_sequence.sq_length = DZ_SLOT(list_length);
  list_as_sequence.sq_item = DZ_SLOT(list_item);
  t->tp_as_sequence = &list_as_sequence;
  list_as_mapping.mp_length = DZ_SLOT(list_length);
  list_as_mapping.mp_subscript = DZ_SLOT(list_subscript);
  t->tp_as_mapping = &list_as_mapping;
  List_ops = {list_copy, list_do_copy, list_add,   list_map,
              list_imul, list_remove,  list_clear, list_size};
  return 0;
}

int list_bind(PyObject *dict) {
  for (const FuncSpec *spec : {&make_append_safe_spec, &make_update_safe_spec})
    if (!bind_function(dict, spec)) return -1;
  return 0;
}

}  // namespace

const ClassDef List_class = {
    &List_Type,   "List",
    list_prepare, list_bind,
    nullptr,      false,
    nullptr,      "self.list_ cannot be converted to a Python object for pickling"};

}  // namespace dz
