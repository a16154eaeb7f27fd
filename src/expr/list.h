// The term list: a view (List) on a reference-counted block of object
// references that several views share copy-on-write. Expressions keep their
// terms in parallel views; kernels fill the blocks of fresh expressions
// directly.
#ifndef DIDAZODA_EXPR_LIST_H
#define DIDAZODA_EXPR_LIST_H

#include "module/classes.h"

namespace dz {

struct ListBlock {
  PyObject **items;  // capacity slots; 0 .. count-1 each own one reference
  int count;
  int capacity;  // 0 until the first item, then 8, doubling
  int refcount;  // views and snapshots holding a share
};

// Views are prefixes of their block: size_ <= list_->count always, and items
// at or past size_ belong to other views. A view changes shared items only
// after taking a private copy, so items 0 .. size_-1 of a block stay as they
// are while anyone else holds a share.
struct ListObject {
  PyObject_HEAD ListBlock *list_;  // one share; never NULL once allocated
  int size_;
};

extern PyTypeObject List_Type;

inline ListObject *as_list(PyObject *o) { return reinterpret_cast<ListObject *>(o); }
inline bool list_check(PyObject *o) { return PyObject_TypeCheck(o, &List_Type); }

// A new block: count 0, capacity 0, refcount 1. NULL with MemoryError.
ListBlock *List_NewBlock();
// Appends item (a new reference is taken), growing the array first when it
// is full. Changes no view's size_. -1 with MemoryError or OverflowError.
int List_Append(ListBlock *block, PyObject *item);
// Appends items 0 .. n-1 of src (n <= src->count); src may be block itself.
int List_AppendRange(ListBlock *block, ListBlock *src, int n);
// New reference to items[i]; the caller ensures i < count.
PyObject *List_Get(ListBlock *block, int i);
// Releases one share; the last one drops the items and frees the block.
void List_DecRef(ListBlock *block);

// New exact List views (never subclasses): on a fresh empty block; taking
// one more share of block with the given length (<= count); or taking over
// the caller's share of block, with length count (the share is released on
// failure).
PyObject *list_new();
PyObject *list_view(ListBlock *block, int size);
PyObject *list_adopt(ListBlock *block);
// As list_adopt, with the view's length given (<= count): the block may be
// shared, and others may have appended past the caller's items.
PyObject *list_adopt_prefix(ListBlock *block, int size);

// Table of internal operations. Every entry takes a List (or subclass).
struct ListOps {
  PyObject *(*copy)(PyObject *self);  // new exact view sharing the block
  int (*do_copy)(PyObject *self);     // private block with the view's items
  int (*add)(PyObject *self, PyObject *item);
  int (*map)(PyObject *self, PyObject *fn);
  int (*imul)(PyObject *self, double mult);
  int (*remove)(PyObject *self, PyObject *positions);
  int (*clear)(PyObject *self);
  int (*size)(PyObject *self);
};
extern ListOps List_ops;

// l += other for a list or List other: returns l itself or a new List (new
// reference); the holder stores the result back.
PyObject *list_inplace_add(PyObject *l, PyObject *other);

// One share of a view's block and the view's length when taken: an
// immutable picture of the view's items for as long as it is held, whatever
// Python code does to the view meanwhile.
class ListSnap {
 public:
  ListSnap() = default;
  explicit ListSnap(PyObject *view) { reset(view); }
  ListSnap(const ListSnap &) = delete;
  ListSnap &operator=(const ListSnap &) = delete;
  ~ListSnap() { release(); }

  // view must be a List.
  void reset(PyObject *view) {
    release();
    ListObject *l = as_list(view);
    block_ = l->list_;
    size_ = l->size_;
    block_->refcount++;
  }
  int size() const { return size_; }
  ListBlock *block() const { return block_; }
  // Borrowed; valid while the snapshot is held, for i < size().
  PyObject *at(int i) const { return block_->items[i]; }

 private:
  void release() {
    ListBlock *b = block_;
    block_ = nullptr;
    size_ = 0;
    if (b) List_DecRef(b);
  }
  ListBlock *block_ = nullptr;
  int size_ = 0;
};

// One share of a block made by the caller; released unless taken.
class BlockRef {
 public:
  BlockRef() = default;
  explicit BlockRef(ListBlock *adopted) : block_(adopted) {}
  BlockRef(const BlockRef &) = delete;
  BlockRef &operator=(const BlockRef &) = delete;
  ~BlockRef() { reset(); }
  void reset(ListBlock *adopted = nullptr) {
    ListBlock *b = block_;
    block_ = adopted;
    if (b) List_DecRef(b);
  }
  ListBlock *get() const { return block_; }
  ListBlock *release() {
    ListBlock *b = block_;
    block_ = nullptr;
    return b;
  }
  explicit operator bool() const { return block_ != nullptr; }

 private:
  ListBlock *block_ = nullptr;
};

// Field helpers for the expressions, whose term lists are always exact List
// views owned by one field each. They run no Python code before the field is
// in its new state (releasing an old block afterwards may).

// *field += items 0 .. n-1 of src: an empty view becomes a view sharing src.
int list_field_extend(PyObject **field, ListBlock *src, int n);
// *field becomes a new view taking over the block.
int list_field_adopt(PyObject **field, ListBlock *block);
// Appends one item with the copy-on-write test.
int list_field_add(PyObject **field, PyObject *item);
// Removes the given positions (ascending, each below the view's size).
int list_field_remove(PyObject **field, const int *positions, int npositions);

}  // namespace dz

#endif
