// Text services of the Win32 backend: the system's ANSI code page and the user's locale.
#include <climits>

#include "Platform.h"
#include "WinApi.h"

namespace plat {

int WideToMultiByte(const char16_t* wide, int wideCount, char* out, int outSize) {
  return WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<LPCWCH>(wide), wideCount, out, outSize,
                             nullptr, nullptr);
}

int MultiByteToWide(const char* text, int textCount, char16_t* out, int outSize) {
  return MultiByteToWideChar(CP_ACP, 0, text, textCount, reinterpret_cast<LPWSTR>(out), outSize);
}

int CompareTextLocale(const std::string& a, const std::string& b) {
  if (a.size() > INT_MAX || b.size() > INT_MAX) return a.size() < b.size() ? -1 : 1;
  // CompareStringA answers 1, 2 or 3 for less, equal, greater (0 on failure).
  int result = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(),
                              static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()));
  if (result == 0) return a < b ? -1 : 1;
  return result - CSTR_EQUAL;
}

int GetLocaleLanguageName(std::uint32_t lcid, char* buffer, int size) {
  return GetLocaleInfoA(lcid, LOCALE_SLANGUAGE, buffer, size);
}

}  // namespace plat
