// Guards that put state back when a scope ends, also when an exception
// leaves it: a value set for a while (TValueGuard, TFlagGuard), a depth
// counted (TDepthGuard), an update bracket (TUpdateGuard) and any other
// action (TScopeExit, or TFinallyGuard for one that may throw). None of them copies or moves; the
// guarded state belongs to the caller and must outlive the guard. Any thread, as the guarded state
// allows.
#pragma once

#include <exception>
#include <type_traits>
#include <utility>

// Sets `target` to a value for the guard's lifetime, then puts back the
// value it had before.
template <class T>
class TValueGuard {
 public:
  // Saves `target`, then sets it to `value`.
  TValueGuard(T& target, std::type_identity_t<T> value)
      : FTarget(target), FSaved(std::exchange(target, std::move(value))) {}
  ~TValueGuard() { FTarget = std::move(FSaved); }
  TValueGuard(const TValueGuard&) = delete;
  TValueGuard& operator=(const TValueGuard&) = delete;

  // The value `target` had before the guard.
  const T& Saved() const { return FSaved; }

 private:
  T& FTarget;
  T FSaved;
};

// A flag raised for the guard's lifetime (re-entry checks, "busy" marks);
// it returns to what it was before.
class TFlagGuard : public TValueGuard<bool> {
 public:
  explicit TFlagGuard(bool& flag) : TValueGuard<bool>(flag, true) {}
};

// One more level of nesting for the guard's lifetime.
class TDepthGuard {
 public:
  explicit TDepthGuard(int& depth) : FDepth(depth) { ++FDepth; }
  ~TDepthGuard() { --FDepth; }
  TDepthGuard(const TDepthGuard&) = delete;
  TDepthGuard& operator=(const TDepthGuard&) = delete;

 private:
  int& FDepth;
};

// Holds a BeginUpdate/EndUpdate bracket of `T` (a string list, a
// collection). An EndUpdate that throws (a change handler) passes its
// exception on, unless another one is already on its way: then it is
// dropped and the first one goes on.
template <class T>
class TUpdateGuard {
 public:
  explicit TUpdateGuard(T& target) : FTarget(target), FExceptions(std::uncaught_exceptions()) {
    FTarget.BeginUpdate();
  }
  ~TUpdateGuard() noexcept(false) {
    if (std::uncaught_exceptions() == FExceptions) {
      FTarget.EndUpdate();
      return;
    }
    try {
      FTarget.EndUpdate();
    } catch (...) {
    }
  }
  TUpdateGuard(const TUpdateGuard&) = delete;
  TUpdateGuard& operator=(const TUpdateGuard&) = delete;

 private:
  T& FTarget;
  int FExceptions;
};

// Runs `action` when the scope ends. REQUIRES: the action does not throw
// (a destructor cannot pass it on).
template <class F>
class TScopeExit {
 public:
  explicit TScopeExit(F action) : FAction(std::move(action)) {}
  ~TScopeExit() { FAction(); }
  TScopeExit(const TScopeExit&) = delete;
  TScopeExit& operator=(const TScopeExit&) = delete;

 private:
  F FAction;
};

// Runs `action` when the scope ends, for an action that may throw (a change
// notice, a repaint, an EnableX after a DisableX): its exception passes on,
// unless another one is already on its way: then it is dropped and the
// first one goes on, as TUpdateGuard does for EndUpdate.
template <class F>
class TFinallyGuard {
 public:
  explicit TFinallyGuard(F action)
      : FAction(std::move(action)), FExceptions(std::uncaught_exceptions()) {}
  ~TFinallyGuard() noexcept(false) {
    // The count of exceptions on their way is asked only when the action
    // throws: most scopes end without one.
    try {
      FAction();
    } catch (...) {
      if (std::uncaught_exceptions() == FExceptions) throw;
    }
  }
  TFinallyGuard(const TFinallyGuard&) = delete;
  TFinallyGuard& operator=(const TFinallyGuard&) = delete;

 private:
  F FAction;
  int FExceptions;
};

// Runs `body`, then `action` also when `body` throws, with TFinallyGuard's
// rule for an exception from `action`: it passes on, unless one from
// `body` is on its way: then that one goes on and the action's is
// dropped. Unlike the guard it needs no count of the exceptions in
// flight, which costs a call on every use: for paths run per record.
template <class Body, class Action>
void RunFinally(Body&& body, Action&& action) {
  try {
    body();
  } catch (...) {
    try {
      action();
    } catch (...) {
    }
    throw;
  }
  action();
}
