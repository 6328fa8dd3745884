// Message formatting: "%s", "%d" and "%%" only. Anything else after a '%' is copied as it
// stands, so a text that happens to contain a percent sign survives unchanged.
#include "Format.h"

#include "StringTable.h"

namespace rtl {

std::string Format(const std::string& format, std::initializer_list<FormatArg> args) {
  std::string out;
  out.reserve(format.size() + 32);
  const FormatArg* next = args.begin();
  for (std::size_t i = 0; i < format.size(); ++i) {
    char c = format[i];
    if (c != '%' || i + 1 >= format.size()) {
      out += c;
      continue;
    }
    char kind = format[i + 1];
    if (kind == '%') {
      out += '%';
      ++i;
    } else if (kind == 's' || kind == 'd') {
      ++i;
      if (next == args.end()) continue;  // a missing argument leaves the placeholder out
      const FormatArg& arg = *next++;
      if (kind == 's' && arg.IsText()) out += arg.Text();
      if (kind == 'd' && !arg.IsText()) out += std::to_string(arg.Number());
    } else {
      out += c;
    }
  }
  return out;
}

std::string FormatRes(int id, std::initializer_list<FormatArg> args) {
  return Format(LoadStr(id), args);
}

}  // namespace rtl
