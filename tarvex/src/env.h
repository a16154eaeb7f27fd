// The environment: parameters and log settings.
#ifndef TARVEX_ENV_H
#define TARVEX_ENV_H

#include <string>

namespace tvx {

// Plain value type: a model copies it whole on creation, so a model never
// depends on the environment it was created in.
struct Env {
  std::string logfile;  // empty: no log
  // An environment made by TVXemptyenv takes no model until it is started.
  bool started = false;
};

}  // namespace tvx

#endif
