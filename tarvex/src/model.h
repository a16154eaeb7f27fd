// The model store.
#ifndef TARVEX_MODEL_H
#define TARVEX_MODEL_H

#include <memory>
#include <string>

#include "env.h"
#include "tarvex.h"

namespace tvx {

struct Model {
  std::string name;
  // The model's own environment: a copy of the one it was created in,
  // registered beside the model and unregistered with it.
  std::shared_ptr<Env> env;
  TVXenv *env_handle = nullptr;  // set by the registry
};

}  // namespace tvx

#endif
