#include "core/registry.h"

#include <cstdint>
#include <mutex>
#include <new>
#include <unordered_map>
#include <utility>

#include "core/env.h"
#include "core/model.h"

namespace tvx {
namespace {

enum Kind : std::uintptr_t { kEnvKind = 1, kModelKind = 2, kCallbackKind = 3 };
constexpr unsigned kKindBits = 2;
constexpr std::uintptr_t kKindMask = (std::uintptr_t{1} << kKindBits) - 1;
constexpr std::uint64_t kMaxId = UINTPTR_MAX >> kKindBits;

// Identifier 0 is never issued, so no handle value below 4 (NULL, or the
// placeholder 3 a caller may preset) is ever valid. A handle is never
// dereferenced: the pointer type only keeps the kinds apart for callers.
template <class Handle>
Handle *encode(std::uint64_t id, Kind kind) {
  const std::uintptr_t bits = static_cast<std::uintptr_t>(id << kKindBits) | kind;
  return reinterpret_cast<Handle *>(bits);  // NOLINT(performance-no-int-to-ptr): an identifier
}

std::uint64_t decode(const void *handle, Kind kind) {
  const auto bits = reinterpret_cast<std::uintptr_t>(handle);
  if ((bits & kKindMask) != kind) return 0;
  return bits >> kKindBits;
}

template <class T>
struct Entry {
  std::shared_ptr<T> object;
  std::uint64_t owner = 0;  // identifier of the owning model, 0 when standalone
};

template <class T>
using Table = std::unordered_map<std::uint64_t, Entry<T>>;

struct Registry {
  std::mutex mutex;
  std::uint64_t last_id = 0;  // guarded by mutex, as are the tables
  Table<Env> envs;
  Table<Model> models;
  Table<CallbackCall> callbacks;

  std::uint64_t next_id() {
    if (last_id == kMaxId) throw std::bad_alloc();
    return ++last_id;
  }
};

// Never destroyed: a thread still inside a call at exit must not find the
// tables gone.
Registry &registry() {
  static Registry *const instance = new Registry;
  return *instance;
}

template <class T>
std::shared_ptr<T> find_in(Table<T> &table, std::uint64_t id) {
  if (id == 0) return nullptr;
  Registry &reg = registry();
  std::lock_guard<std::mutex> lock(reg.mutex);
  const auto it = table.find(id);
  return it == table.end() ? nullptr : it->second.object;
}

template <class Handle, class T>
Handle *add_to(Table<T> Registry::*table, std::shared_ptr<T> object, Kind kind) {
  Registry &reg = registry();
  std::lock_guard<std::mutex> lock(reg.mutex);
  const std::uint64_t id = reg.next_id();
  (reg.*table).emplace(id, Entry<T>{std::move(object), 0});
  return encode<Handle>(id, kind);
}

// An entry a model owns goes only with its model. `also` runs under the lock
// with the removed object, before it is destroyed.
template <class T, class Also>
int remove_from(Table<T> Registry::*table, std::uint64_t id, Also also) {
  if (id == 0) return TVX_ERROR_INVALID_ARGUMENT;
  std::shared_ptr<T> doomed;  // destroyed after the lock is released
  Registry &reg = registry();
  std::lock_guard<std::mutex> lock(reg.mutex);
  Table<T> &entries = reg.*table;
  const auto it = entries.find(id);
  if (it == entries.end() || it->second.owner != 0) return TVX_ERROR_INVALID_ARGUMENT;
  doomed = std::move(it->second.object);
  entries.erase(it);
  also(reg, *doomed);
  return TVX_ERROR_OKAY;
}

template <class T>
int remove_from(Table<T> Registry::*table, std::uint64_t id) {
  return remove_from(table, id, [](Registry &, const T &) {});
}

}  // namespace

TVXenv *register_env(std::shared_ptr<Env> env) {
  return add_to<TVXenv>(&Registry::envs, std::move(env), kEnvKind);
}

std::shared_ptr<Env> find_env(const TVXenv *handle) {
  return find_in(registry().envs, decode(handle, kEnvKind));
}

int unregister_env(TVXenv *handle) {
  return remove_from(&Registry::envs, decode(handle, kEnvKind));
}

TVXmodel *register_model(std::shared_ptr<Model> model) {
  Registry &reg = registry();
  std::lock_guard<std::mutex> lock(reg.mutex);
  const std::uint64_t model_id = reg.next_id();
  const std::uint64_t env_id = reg.next_id();
  reg.envs.emplace(env_id, Entry<Env>{model->env, model_id});
  try {
    model->env_handle = encode<TVXenv>(env_id, kEnvKind);
    reg.models.emplace(model_id, Entry<Model>{std::move(model), 0});
  } catch (...) {
    reg.envs.erase(env_id);
    throw;
  }
  return encode<TVXmodel>(model_id, kModelKind);
}

std::shared_ptr<Model> find_model(const TVXmodel *handle) {
  return find_in(registry().models, decode(handle, kModelKind));
}

int unregister_model(TVXmodel *handle) {
  // Its environment goes with it.
  return remove_from(
      &Registry::models, decode(handle, kModelKind),
      [](Registry &reg, const Model &m) { reg.envs.erase(decode(m.env_handle, kEnvKind)); });
}

void *register_callback(std::shared_ptr<CallbackCall> call) {
  return add_to<void>(&Registry::callbacks, std::move(call), kCallbackKind);
}

std::shared_ptr<CallbackCall> find_callback(const void *cbdata) {
  return find_in(registry().callbacks, decode(cbdata, kCallbackKind));
}

int unregister_callback(void *cbdata) {
  return remove_from(&Registry::callbacks, decode(cbdata, kCallbackKind));
}

}  // namespace tvx
