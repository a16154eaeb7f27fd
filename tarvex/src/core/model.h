// A model: its store, its own environment and its callback.
//
// Locking rule. Every exported call on a model holds Model::mutex for its
// whole duration (with_model), so calls from several threads, or from the
// thread that released the interpreter lock for a solve and another Python
// thread, are serialised. A solve is the one exception: it copies what the
// engine needs under the lock, releases it while the engine runs, and takes
// it again to store its results, and only when store.revision() has not moved
// in between. So a callback running on the engine's thread can call back
// into its own model (a std::mutex is not recursive), and a change made
// meanwhile is never paired with results computed before it.
//
// Lock order: a model's mutex, then its environment's. The registry lock is
// never held while either is taken.
#ifndef TARVEX_MODEL_H
#define TARVEX_MODEL_H

#include <memory>
#include <mutex>

#include "core/env.h"
#include "core/registry.h"
#include "store/store.h"
#include "tarvex.h"

namespace tvx {

struct Model {
  Model() = default;
  explicit Model(const Store &source) : store(source) {}

  std::mutex mutex;  // guards everything below but env (which has its own)
  Store store;
  // The model's own environment: a copy of the one it was created in,
  // registered beside the model and unregistered with it.
  std::shared_ptr<Env> env;
  TVXenv *env_handle = nullptr;  // set by the registry
  // Set by TVXsetcallbackfunc for the next solve; never copied.
  TVXcallback callback = nullptr;
  void *usrdata = nullptr;
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
