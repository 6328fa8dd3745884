// Text services of the POSIX backend, where UTF-8 is the ANSI code page: UTF-16 <-> UTF-8
// with surrogate pairs (anything malformed becomes U+FFFD, as the system converters do),
// and comparison without regard to case by Unicode simple lowercase.
#include <locale.h>
#include <wctype.h>

#include <string>

#include "Platform.h"

namespace plat {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

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

// One code point from UTF-8 at text[i], advancing i; malformed input yields U+FFFD and
// moves on by one byte.
char32_t DecodeUtf8(const unsigned char* text, std::size_t count, std::size_t& i) {
  unsigned char b = text[i++];
  if (b < 0x80) return b;
  int extra;
  char32_t c;
  char32_t min;
  if (b >= 0xC2 && b <= 0xDF) {
    extra = 1, c = b & 0x1F, min = 0x80;
  } else if (b >= 0xE0 && b <= 0xEF) {
    extra = 2, c = b & 0x0F, min = 0x800;
  } else if (b >= 0xF0 && b <= 0xF4) {
    extra = 3, c = b & 0x07, min = 0x10000;
  } else {
    return kReplacement;
  }
  if (count - i < static_cast<std::size_t>(extra)) return kReplacement;
  for (int k = 0; k < extra; ++k) {
    unsigned char t = text[i + static_cast<std::size_t>(k)];
    if ((t & 0xC0) != 0x80) return kReplacement;
    c = (c << 6) | (t & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return kReplacement;
  i += static_cast<std::size_t>(extra);
  return c;
}

std::size_t Length16(const char16_t* s) {
  std::size_t n = 0;
  while (s[n] != 0) ++n;
  return n;
}

// The Win32 converters' buffer convention: size 0 asks for the length, a buffer that is
// too small is a failure.
template <typename Unit, typename Text>
int CopyOut(const Text& text, Unit* out, int outSize) {
  if (text.size() > static_cast<std::size_t>(INT32_MAX)) return 0;
  int length = static_cast<int>(text.size());
  if (out == nullptr || outSize == 0) return length;
  if (outSize < length) return 0;
  for (int k = 0; k < length; ++k) out[k] = static_cast<Unit>(text[static_cast<std::size_t>(k)]);
  return length;
}

std::u32string DecodeAll(const std::string& s) {
  std::u32string out;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(s.data());
  for (std::size_t i = 0; i < s.size();) out += DecodeUtf8(p, s.size(), i);
  return out;
}

locale_t CaseLocale() {
  // towlower in the "C" locale folds ASCII only; C.UTF-8 knows all of Unicode.
  static locale_t locale = [] {
    locale_t l = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    if (l == static_cast<locale_t>(0))
      l = ::newlocale(LC_CTYPE_MASK, "en_US.UTF-8", static_cast<locale_t>(0));
    return l;
  }();
  return locale;
}

char32_t Lower(char32_t c) {
  locale_t l = CaseLocale();
  wint_t w = static_cast<wint_t>(c);
  return static_cast<char32_t>(l != static_cast<locale_t>(0) ? ::towlower_l(w, l) : ::towlower(w));
}

}  // namespace

int WideToMultiByte(const char16_t* wide, int wideCount, char* out, int outSize) {
  if (wide == nullptr || wideCount == 0 || wideCount < -1 || outSize < 0) return 0;
  // -1: the text is zero-terminated and the zero is converted too.
  std::size_t count = wideCount == -1 ? Length16(wide) + 1 : static_cast<std::size_t>(wideCount);
  std::string text;
  text.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    char32_t c = wide[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < count && wide[i + 1] >= 0xDC00 &&
        wide[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(wide[i + 1]) - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;  // a lone surrogate
    }
    AppendUtf8(text, c);
  }
  return CopyOut(text, out, outSize);
}

int MultiByteToWide(const char* text, int textCount, char16_t* out, int outSize) {
  if (text == nullptr || textCount == 0 || textCount < -1 || outSize < 0) return 0;
  std::size_t count = textCount == -1 ? std::char_traits<char>::length(text) + 1
                                      : static_cast<std::size_t>(textCount);
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  std::u16string wide;
  wide.reserve(count);
  for (std::size_t i = 0; i < count;) {
    char32_t c = DecodeUtf8(p, count, i);
    if (c >= 0x10000) {
      wide += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      wide += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      wide += static_cast<char16_t>(c);
    }
  }
  return CopyOut(wide, out, outSize);
}

int CompareTextLocale(const std::string& a, const std::string& b) {
  std::u32string x = DecodeAll(a);
  std::u32string y = DecodeAll(b);
  std::size_t n = x.size() < y.size() ? x.size() : y.size();
  for (std::size_t i = 0; i < n; ++i) {
    char32_t cx = Lower(x[i]);
    char32_t cy = Lower(y[i]);
    if (cx != cy) return cx < cy ? -1 : 1;
  }
  if (x.size() == y.size()) return 0;
  return x.size() < y.size() ? -1 : 1;
}

}  // namespace plat
