// Owning references and C buffers.
#ifndef DIDAZODA_RUNTIME_REF_H
#define DIDAZODA_RUNTIME_REF_H

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstddef>
#include <cstdlib>
#include <utility>

#include "runtime/sizes.h"

namespace dz {

// A new reference to o, which must not be NULL.
inline PyObject *new_ref(PyObject *o) noexcept {
  Py_INCREF(o);
  return o;
}

// Owns one strong reference (or none). Raw PyObject* elsewhere is borrowed.
class Ref {
 public:
  Ref() noexcept : p_(nullptr) {}
  explicit Ref(PyObject *owned) noexcept : p_(owned) {}
  Ref(const Ref &) = delete;
  Ref &operator=(const Ref &) = delete;
  Ref(Ref &&o) noexcept : p_(o.release()) {}
  Ref &operator=(Ref &&o) noexcept {
    reset(o.release());
    return *this;
  }
  ~Ref() { Py_XDECREF(p_); }

  static Ref borrow(PyObject *p) noexcept {
    Py_XINCREF(p);
    return Ref(p);
  }

  PyObject *get() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  PyObject *release() noexcept {
    PyObject *p = p_;
    p_ = nullptr;
    return p;
  }
  // Hands out a new reference, keeping ours.
  PyObject *newref() const noexcept {
    Py_XINCREF(p_);
    return p_;
  }
  // The old object is released only after the new one is in place, since its
  // destructor may run arbitrary code.
  void reset(PyObject *owned = nullptr) noexcept {
    PyObject *old = p_;
    p_ = owned;
    Py_XDECREF(old);
  }

 private:
  PyObject *p_;
};

// A C buffer for one library call; freed on every way out.
template <typename T>
class Buffer {
 public:
  Buffer() noexcept : p_(nullptr), n_(0) {}
  Buffer(const Buffer &) = delete;
  Buffer &operator=(const Buffer &) = delete;
  Buffer(Buffer &&o) noexcept : p_(o.p_), n_(o.n_) {
    o.p_ = nullptr;
    o.n_ = 0;
  }
  Buffer &operator=(Buffer &&o) noexcept {
    if (this != &o) {
      std::free(p_);
      p_ = o.p_;
      n_ = o.n_;
      o.p_ = nullptr;
      o.n_ = 0;
    }
    return *this;
  }
  ~Buffer() { std::free(p_); }

  // Sets MemoryError and returns false when the size overflows or malloc fails.
  bool allocate(Py_ssize_t n) {
    std::free(p_);
    p_ = nullptr;
    n_ = 0;
    if (n < 0 || to_size(n) > PY_SSIZE_T_MAX / kItemSize) {
      PyErr_NoMemory();
      return false;
    }
    p_ = static_cast<T *>(std::malloc(n > 0 ? to_size(n) * kItemSize : 1));
    if (!p_) {
      PyErr_NoMemory();
      return false;
    }
    n_ = n;
    return true;
  }

  T *get() const noexcept { return p_; }
  T &operator[](Py_ssize_t i) const noexcept { return p_[i]; }
  Py_ssize_t size() const noexcept { return n_; }

 private:
  // T may be PyObject *: the pointer's own size is meant.
  static constexpr size_t kItemSize = sizeof(T);  // NOLINT(bugprone-sizeof-expression)
  T *p_;
  Py_ssize_t n_;
};

}  // namespace dz

#endif
