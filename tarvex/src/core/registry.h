// The handle registry: the only way from a C handle to a library object.
//
// A handle carries a registry identifier and a kind tag, never an address, so
// a stale, forged or wrong-kind handle is only ever a failed lookup. Identifiers
// come from one process-wide counter and are never reused: a freed handle stays
// invalid for the life of the process, whatever is created after it.
//
// Lookups hand out shared ownership, so an object freed by one thread while
// another is inside a call on it lives until that call returns.
#ifndef TARVEX_CORE_REGISTRY_H
#define TARVEX_CORE_REGISTRY_H

#include <memory>

#include "tarvex.h"

namespace tvx {

struct Env;
struct Model;
struct CallbackCall;  // solve/callback.h: one call of a solve's callback

// Registration throws std::bad_alloc when memory (or the identifier space)
// runs out; lookups and removals do not throw.

TVXenv *register_env(std::shared_ptr<Env> env);
std::shared_ptr<Env> find_env(const TVXenv *handle);
// INVALID_ARGUMENT for an unknown handle and for a model's own environment,
// which lives exactly as long as its model.
int unregister_env(TVXenv *handle);

// Registers the model together with its own environment (model->env) and
// stores that environment's handle in model->env_handle.
TVXmodel *register_model(std::shared_ptr<Model> model);
std::shared_ptr<Model> find_model(const TVXmodel *handle);
// Unregisters the model and its environment together.
int unregister_model(TVXmodel *handle);

void *register_callback(std::shared_ptr<CallbackCall> call);
std::shared_ptr<CallbackCall> find_callback(const void *cbdata);
int unregister_callback(void *cbdata);

}  // namespace tvx

#endif
