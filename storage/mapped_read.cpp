#include "storage/mapped_read.h"

#include <pthread.h>
#include <setjmp.h>
#include <signal.h>

#include <atomic>
#include <cstring>

namespace {

// The copy in progress on this thread. Nothing with a destructor lives
// between the sigsetjmp and the copy, so jumping back over it is sound.
struct TCopyInProgress {
  sigjmp_buf Jump;
  const char* Begin;
  const char* End;
};

// A plain pointer: constant-initialised, so reading it in the handler
// runs no initialisation code.
thread_local TCopyInProgress* tGuard = nullptr;

struct sigaction gPrevious;

void RestoreDefaultAndRaise(int signal) {
  struct sigaction standard;
  std::memset(&standard, 0, sizeof standard);
  standard.sa_handler = SIG_DFL;
  sigemptyset(&standard.sa_mask);
  ::sigaction(signal, &standard, nullptr);
  // The signal is blocked while we run: it is delivered, with the default
  // action, as soon as the handler returns.
  ::raise(signal);
}

void OnBusError(int signal, siginfo_t* info, void* context) {
  TCopyInProgress* guard = tGuard;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  // si_code > 0: a fault raised by an access, not a signal someone sent.
  if (guard != nullptr && info != nullptr && info->si_code > 0) {
    const char* at = static_cast<const char*>(info->si_addr);
    if (at >= guard->Begin && at < guard->End) siglongjmp(guard->Jump, 1);
  }
  if ((gPrevious.sa_flags & SA_SIGINFO) != 0) {
    if (gPrevious.sa_sigaction != nullptr) {
      gPrevious.sa_sigaction(signal, info, context);
      return;
    }
  } else if (gPrevious.sa_handler != SIG_DFL && gPrevious.sa_handler != SIG_IGN) {
    gPrevious.sa_handler(signal);
    return;
  }
  // Ignoring a fault would retry the access forever.
  RestoreDefaultAndRaise(signal);
}

void InstallHandler() {
  struct sigaction ours;
  std::memset(&ours, 0, sizeof ours);
  ours.sa_sigaction = OnBusError;
  ours.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&ours.sa_mask);
  ::sigaction(SIGBUS, &ours, &gPrevious);
}

// Runs `copy` with faults on [from, from + length) reported as false.
template <class F>
bool Guarded(const void* from, std::size_t length, F&& copy) noexcept {
  static const bool installed = (InstallHandler(), true);
  (void)installed;
  TCopyInProgress guard;
  guard.Begin = static_cast<const char*>(from);
  guard.End = guard.Begin + length;
  // The signal mask is not saved (that would cost a system call per copy);
  // the fault path unblocks SIGBUS itself instead.
  if (sigsetjmp(guard.Jump, 0) != 0) {
    tGuard = nullptr;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    sigset_t bus;
    sigemptyset(&bus);
    sigaddset(&bus, SIGBUS);
    pthread_sigmask(SIG_UNBLOCK, &bus, nullptr);
    return false;
  }
  tGuard = &guard;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  copy();
  std::atomic_signal_fence(std::memory_order_seq_cst);
  tGuard = nullptr;
  return true;
}

}  // namespace

bool CopyFromMapping(void* to, const void* from, std::size_t length) noexcept {
  return Guarded(from, length, [&] { std::memcpy(to, from, length); });
}

bool GatherFromMapping(void* to, const void* from, std::size_t stride, std::size_t count) noexcept {
  if (count == 0) return true;
  const auto* in = static_cast<const volatile char*>(from);
  auto* out = static_cast<char*>(to);
  return Guarded(from, stride * (count - 1) + 1, [&] {
    for (std::size_t i = 0; i < count; ++i) out[i] = in[i * stride];
  });
}

bool GatherPartsFromMapping(void* to, const void* from, std::size_t stride, std::size_t count,
                            std::span<const TMappedPart> parts) noexcept {
  if (count == 0) return true;
  const char* in = static_cast<const char*>(from);
  char* out = static_cast<char*>(to);
  return Guarded(from, stride * count, [&] {
    for (std::size_t i = 0; i < count; ++i, in += stride, out += stride)
      for (const TMappedPart& part : parts)
        std::memcpy(out + part.Offset, in + part.Offset, part.Length);
  });
}
