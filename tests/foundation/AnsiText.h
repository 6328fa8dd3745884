// Test sources are UTF-8, the program's texts are in the ANSI code page (1251 under Wine
// with a Russian locale, UTF-8 natively). Ansi() turns a literal into what the program
// produces, without going through the code under test's own UTF-8 decoder.
#pragma once

#include <string>

namespace foundation {

std::u16string Utf16(const std::string& utf8);
// The literal in the ANSI code page (through the system's converter).
std::string Ansi(const std::string& utf8);

}  // namespace foundation
