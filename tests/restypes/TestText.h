// Texts of the tests in the system ANSI code page: the sources are UTF-8, the program's
// texts and names are ANSI (UTF-8 on POSIX, the Windows code page under Wine).
#pragma once

#include <string>

#include "UResTool.h"

namespace testtext {

inline std::u16string Utf16(const std::string& utf8) {
  std::u16string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const unsigned char b = static_cast<unsigned char>(utf8[i]);
    char32_t c = b;
    std::size_t n = 1;
    if (b >= 0xF0) c = b & 0x07u, n = 4;
    else if (b >= 0xE0) c = b & 0x0Fu, n = 3;
    else if (b >= 0xC0) c = b & 0x1Fu, n = 2;
    for (std::size_t k = 1; k < n && i + k < utf8.size(); ++k)
      c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3Fu);
    i += n;
    if (c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

inline std::string Ansi(const std::string& utf8) {
  const std::u16string wide = Utf16(utf8);
  return WideToAnsi(wide.data(), static_cast<int>(wide.size()));
}

}  // namespace testtext
