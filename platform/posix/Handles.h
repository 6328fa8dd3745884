// The POSIX backend's handle table. Handles are small numbers of our own, never 0 or -1,
// standing for an open descriptor or for a read-only mapping, so one CloseHandle serves
// both and a closed or foreign value is refused instead of closing someone else's file.
#pragma once

#include <cstdint>

#include "Platform.h"

namespace plat::posix {

struct HandleObject {
  enum Kind { kFile, kMapping } kind;
  int fd;              // the file, or the mapping's own duplicate of it
  std::uint64_t size;  // mappings: the file size when the mapping was made
};

Handle NewHandle(const HandleObject& object);
// False when `h` is not an open handle of that kind.
bool LookupHandle(Handle h, HandleObject::Kind kind, HandleObject* object);
bool ReleaseHandle(Handle h, HandleObject* object);

}  // namespace plat::posix
