// The counters behind plat::fault. The program and its tests run file operations on one
// thread, so the bookkeeping is plain; the fast path is the flag in ShouldFail.
#include "FaultInjection.h"

namespace plat {
namespace fault {

namespace {
constexpr int kKinds = 6;

struct State {
  unsigned mask = 0;
  std::uint64_t failAt = 0;
  std::uint64_t seen = 0;  // matching operations, the one that failed included
  std::uint64_t perKind[kKinds] = {};
  bool fired = false;
};

State& S() {
  static State state;
  return state;
}

int KindIndex(Kind kind) {
  for (int i = 0; i < kKinds; ++i)
    if (kind == (1u << i)) return i;
  return -1;
}
}  // namespace

namespace detail {
std::atomic<bool> armed{false};

bool Hit(Kind kind) {
  State& s = S();
  if ((s.mask & kind) == 0) return false;
  const int index = KindIndex(kind);
  if (index >= 0) ++s.perKind[index];
  ++s.seen;
  if (s.failAt != 0 && s.seen == s.failAt) {
    s.fired = true;
    return true;
  }
  return false;
}
}  // namespace detail

void FailAt(unsigned mask, std::uint64_t n) {
  State& s = S();
  s = State();
  s.mask = mask & kAll;
  s.failAt = n;
  detail::armed.store(s.mask != 0, std::memory_order_relaxed);
}

void Reset() {
  detail::armed.store(false, std::memory_order_relaxed);
  S() = State();
}

std::uint64_t Count(unsigned mask) {
  const State& s = S();
  std::uint64_t total = 0;
  for (int i = 0; i < kKinds; ++i)
    if (mask & (1u << i)) total += s.perKind[i];
  return total;
}

bool Fired() { return S().fired; }

}  // namespace fault
}  // namespace plat
