// Fault injection for tests: makes the n-th file operation of chosen kinds fail the way
// the system would report it (an invalid handle, -1, false, a null view), so that every
// failure path of a patch can be walked one step at a time. Off unless a test arms it;
// then each hooked backend function pays one load of a global flag.
#pragma once

#include <atomic>
#include <cstdint>

namespace plat {
namespace fault {

// The kinds of file operation that can be made to fail; a mask is any combination.
enum Kind : unsigned {
  kOpen = 1u << 0,    // OpenFileForRead, FileOpen
  kCreate = 1u << 1,  // FileCreate
  kWrite = 1u << 2,   // FileWrite
  kRename = 1u << 3,  // MoveFile
  kDelete = 1u << 4,  // DeleteFile
  kMap = 1u << 5,     // CreateReadOnlyMapping, MapWholeView
  kAll = (1u << 6) - 1,
};

// Starts counting operations of the kinds in `mask` from zero; the n-th of them (counted
// from 1) fails, and only that one. n = 0 counts without failing anything.
void FailAt(unsigned mask, std::uint64_t n);
// Stops counting and failing; Count() gives 0 again.
void Reset();
// Operations of the kinds in `mask` (of those being counted) seen since FailAt.
std::uint64_t Count(unsigned mask = kAll);
// Whether the injected failure has happened since FailAt.
bool Fired();

namespace detail {
extern std::atomic<bool> armed;
bool Hit(Kind kind);
}  // namespace detail

// The backends' hook: true when this operation is the one to fail.
inline bool ShouldFail(Kind kind) {
  return detail::armed.load(std::memory_order_relaxed) && detail::Hit(kind);
}

}  // namespace fault
}  // namespace plat
