// LoadStr for builds without a resource section: the table the program compiled in.
#include "StringTable.h"

#include <map>

namespace rtl {

std::string LoadStr(int id) {
  static const std::map<int, const char*> table = [] {
    std::map<int, const char*> m;
    std::size_t count = 0;
    const ProgramStringEntry* entries = ProgramStringTable(&count);
    for (std::size_t i = 0; i < count; ++i) m.emplace(entries[i].id, entries[i].text);
    return m;
  }();
  auto it = table.find(id);
  return it == table.end() ? std::string() : std::string(it->second);
}

}  // namespace rtl
