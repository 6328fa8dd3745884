// LoadStr from the program's own STRINGTABLE; the system converts to the ANSI code page.
#include "StringTable.h"

#include "Platform.h"
#include "WinApi.h"

namespace rtl {

std::string LoadStr(int id) {
  char buffer[4096];
  int n = LoadStringA(GetModuleHandleA(nullptr), static_cast<UINT>(id), buffer, sizeof buffer);
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

}  // namespace rtl
