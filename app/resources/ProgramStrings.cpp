// The string table compiled into the native programs, from the same strings.def that
// windres reads for the Windows programs.
#include <cstddef>

#include "StringTable.h"

namespace {
const ProgramStringEntry kTable[] = {
#define STR(name, id, text) {id, text},
#include "strings.def"
#undef STR
};
}  // namespace

extern "C" const ProgramStringEntry* ProgramStringTable(std::size_t* count) {
  *count = sizeof(kTable) / sizeof(kTable[0]);
  return kTable;
}
