// The handle table of the POSIX backend (see Handles.h).
#include "Handles.h"

#include <map>
#include <mutex>

namespace plat::posix {

namespace {
std::mutex& TableLock() {
  static std::mutex lock;
  return lock;
}
std::map<Handle, HandleObject>& Table() {
  static std::map<Handle, HandleObject> table;
  return table;
}
Handle next = 0x100;
}  // namespace

Handle NewHandle(const HandleObject& object) {
  std::lock_guard<std::mutex> guard(TableLock());
  Handle h = next;
  next += 4;
  Table().emplace(h, object);
  return h;
}

bool LookupHandle(Handle h, HandleObject::Kind kind, HandleObject* object) {
  std::lock_guard<std::mutex> guard(TableLock());
  auto it = Table().find(h);
  if (it == Table().end() || it->second.kind != kind) return false;
  *object = it->second;
  return true;
}

bool ReleaseHandle(Handle h, HandleObject* object) {
  std::lock_guard<std::mutex> guard(TableLock());
  auto it = Table().find(h);
  if (it == Table().end()) return false;
  *object = it->second;
  Table().erase(it);
  return true;
}

}  // namespace plat::posix
