// JSON strings from ANSI texts: through UTF-16, so that the output is UTF-8 whatever the
// system's code page is.
#include "Json.h"

#include <cstdio>

#include "UResTool.h"

namespace {

void AppendEscape(std::string& out, unsigned unit) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "\\u%04x", unit);
  out += buffer;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool IsHigh(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLow(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

std::string JsonString(const std::string& ansi) {
  const std::u16string units = AnsiToWide(ansi);
  std::string out = "\"";
  for (std::size_t i = 0; i < units.size(); ++i) {
    char16_t u = units[i];
    if (u == u'"') {
      out += "\\\"";
    } else if (u == u'\\') {
      out += "\\\\";
    } else if (u < 0x20) {
      AppendEscape(out, u);
    } else if (IsHigh(u) && i + 1 < units.size() && IsLow(units[i + 1])) {
      char32_t c = 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) +
                   (static_cast<char32_t>(units[i + 1]) - 0xDC00);
      AppendUtf8(out, c);
      ++i;
    } else if (IsHigh(u) || IsLow(u)) {
      AppendEscape(out, u);
    } else {
      AppendUtf8(out, u);
    }
  }
  out += '"';
  return out;
}
