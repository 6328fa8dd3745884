// Texts of the program's string table, loaded by identifier at the moment they are needed.
// On Windows they come from the program's own STRINGTABLE resource (converted to the ANSI
// code page by the system); elsewhere from the same table compiled into the program.
#pragma once

#include <cstddef>
#include <string>

namespace rtl {

// The text of string `id`, or an empty text when the table has no such string.
std::string LoadStr(int id);

}  // namespace rtl

// The compiled-in table that non-Windows builds read. It is data of the program, not of the
// runtime, so the program provides it (app/resources) and the runtime only looks it up.
struct ProgramStringEntry {
  int id;
  const char* text;
};
extern "C" const ProgramStringEntry* ProgramStringTable(std::size_t* count);
