#include "register/halt.h"

#include <cstdlib>

namespace {
THaltHandler& HaltHandler() {
  static THaltHandler handler;
  return handler;
}
}  // namespace

void SetHaltHandler(THaltHandler handler) { HaltHandler() = std::move(handler); }

void Halt(int code) {
  if (HaltHandler()) {
    HaltHandler()(code);
  }
  std::exit(code);
}
