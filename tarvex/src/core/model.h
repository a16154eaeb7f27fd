// A model: its store, its own environment and its callback.
//
// Locking rule. Every exported call on a model holds Model::mutex for its
// whole duration (with_model), so calls from several threads, or from the
// thread that released the interpreter lock for a solve and another Python
// thread, are serialised. A solve is the one exception: under the lock it
// takes a snapshot of the store (a share of it, not a copy), releases the
// lock while the engine runs, and takes it again to store its results, and
// only when store().revision() has not moved in between. A change made while
// a snapshot is held first gives the model a copy of its own (edit()), so the
// engine's view never moves and a model is copied only when it is changed
// during a solve. So a callback running on the engine's thread can call back
// into its own model (a std::mutex is not recursive), and a change made
// meanwhile is never paired with results computed before it.
//
// Lock order: a model's mutex, then its environment's. The registry lock is
// never held while either is taken.
#ifndef TARVEX_CORE_MODEL_H
#define TARVEX_CORE_MODEL_H

#include <memory>
#include <mutex>

#include "core/env.h"
#include "core/registry.h"
#include "store/store.h"
#include "tarvex.h"

namespace tvx {

struct Model {
  Model() : store_(std::make_shared<Store>()) {}
  explicit Model(const Store &source) : store_(std::make_shared<Store>(source)) {}

  std::mutex mutex;  // guards everything below but env (which has its own)

  const Store &store() const { return *store_; }
  // The store to change: unshared first while a solve holds a snapshot.
  // May throw std::bad_alloc, before anything changed.
  Store &edit() {
    if (store_.use_count() > 1) store_ = store_->clone();
    return *store_;
  }
  // Store::trim, unless a solve reads the store (which no one may move).
  void trim() noexcept {
    if (store_.use_count() == 1) store_->trim();
  }
  // A share of the store as it stands: unchanged for as long as it is held.
  std::shared_ptr<const Store> snapshot() const { return store_; }

  // The model's own environment: a copy of the one it was created in,
  // registered beside the model and unregistered with it.
  std::shared_ptr<Env> env;
  TVXenv *env_handle = nullptr;  // set by the registry
  // Set by TVXsetcallbackfunc for the next solve; never copied.
  TVXcallback callback = nullptr;
  void *usrdata = nullptr;

 private:
  std::shared_ptr<Store> store_;
};

// Runs f(Model &) with the model's lock held and returns its status;
// INVALID_ARGUMENT for a null, unknown or freed handle. The shared ownership
// from the registry keeps the model alive through f even when another thread
// frees its handle meanwhile.
template <class F>
int with_model(const TVXmodel *handle, F &&f) {
  const std::shared_ptr<Model> model = find_model(handle);
  if (!model) return TVX_ERROR_INVALID_ARGUMENT;
  std::lock_guard<std::mutex> lock(model->mutex);
  return f(*model);
}

}  // namespace tvx

#endif
