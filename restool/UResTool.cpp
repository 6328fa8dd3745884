// Shared resource utilities: language display names (system name first, our fallback
// table second), file-name rules for backups and the same-file test, ANSI <-> UTF-16,
// the UTC time stamp of new resource directories, and the zero-fill and line writers.
#include "UResTool.h"

#include <cmath>
#include <vector>

#include "Platform.h"
#include "StringIds.h"
#include "StringTable.h"
#include "Streams.h"

// ---- Language names ------------------------------------------------------------------

std::uint16_t PrimaryLanguage(std::uint16_t language) {
  return static_cast<std::uint16_t>(language & 0x3FF);
}

std::uint16_t SubLanguage(std::uint16_t language) {
  return static_cast<std::uint16_t>(language >> 10);
}

std::uint32_t MakeLocaleId(std::uint16_t language, std::uint16_t sort) {
  return (static_cast<std::uint32_t>(sort) << 16) | language;
}

namespace {

struct SubName {
  std::uint16_t sub;
  int text;
};

// Names for languages the system may not know. A row with sublanguage texts is
// "qualified": its other sublanguages (apart from 0) have no name.
struct FallbackLanguage {
  std::uint16_t primary;
  int name;
  SubName subs[4];
};

const FallbackLanguage kFallback[] = {
    {0x04, SLangChinese, {{1, SLangTaiwan}, {2, SLangPRChina}, {3, SLangHongKong}, {4, SLangSingapore}}},
    {0x11, SLangJapanese, {}},
    {0x12, SLangKorean, {{1, SLangExtendedWansung}, {2, SLangJohab}}},
    {0x1E, SLangThai, {}},
    {0x20, SLangUrdu, {{1, SLangPakistan}, {2, SLangIndia}}},
    {0x2B, SLangArmenian, {}},
    {0x2C, SLangAzeri, {{1, SLangLatin}, {2, SLangCyrillic}}},
    {0x2F, SLangMacedonian, {}},
    {0x37, SLangGeorgian, {}},
    {0x39, SLangHindi, {}},
    {0x3E, SLangMalay, {{1, SLangMalaysia}, {2, SLangBrunei}}},
    {0x3F, SLangKazak, {}},
    {0x41, SLangSwahili, {}},
    {0x43, SLangUzbek, {{1, SLangLatin}, {2, SLangCyrillic}}},
    {0x44, SLangTatar, {}},
    {0x45, SLangBengali, {}},
    {0x46, SLangPunjabi, {}},
    {0x47, SLangGujarati, {}},
    {0x48, SLangOriya, {}},
    {0x49, SLangTamil, {}},
    {0x4A, SLangTelugu, {}},
    {0x4B, SLangKannada, {}},
    {0x4C, SLangMalayalam, {}},
    {0x4D, SLangAssamese, {}},
    {0x4E, SLangMarathi, {}},
    {0x4F, SLangSanskrit, {}},
    {0x57, SLangKonkani, {}},
    {0x58, SLangManipuri, {}},
    {0x59, SLangSindhi, {}},
    {0x60, SLangKashmiri, {{2, SLangIndia}}},
    {0x61, SLangNepali, {{2, SLangIndia}}},
};

std::string FallbackName(std::uint16_t primary, std::uint16_t sub) {
  for (const FallbackLanguage& row : kFallback) {
    if (row.primary != primary) continue;
    for (const SubName& s : row.subs) {
      if (s.text != 0 && s.sub == sub)
        return rtl::LoadStr(row.name) + " (" + rtl::LoadStr(s.text) + ")";
    }
    return sub == 0 ? rtl::LoadStr(row.name) : std::string();
  }
  return std::string();
}

// False when the system has no name at all; `name` may still come back empty when the
// second call fails.
bool SystemLanguageName(std::uint16_t language, std::string& name) {
  std::uint32_t lcid = MakeLocaleId(language, 0);
  int needed = plat::GetLocaleLanguageName(lcid, nullptr, 0);
  if (needed <= 0) return false;
  std::vector<char> buffer(static_cast<std::size_t>(needed) + 1, '\0');
  if (plat::GetLocaleLanguageName(lcid, buffer.data(), needed) == 0) return true;
  name = buffer.data();
  return true;
}

// "German (Standard)" -> "German (default)", "Japanese" -> "Japanese (default)".
std::string DefaultForm(const std::string& name) {
  std::size_t paren = name.find('(');
  std::string word = rtl::LoadStr(SLangDefault);
  if (paren != std::string::npos && paren >= 1) return name.substr(0, paren + 1) + word + ")";
  return name + " (" + word + ")";
}

}  // namespace

std::string LanguageName(std::uint16_t language) {
  std::uint16_t primary = PrimaryLanguage(language);
  std::uint16_t sub = SubLanguage(language);
  if (primary == 0) {
    switch (sub) {
      case 0: return rtl::LoadStr(SLangNeutral);
      case 1: return rtl::LoadStr(SLangUserDefault);
      case 2: return rtl::LoadStr(SLangSystemDefault);
      default: return std::string();
    }
  }
  std::string name;
  if (!SystemLanguageName(language, name)) name = FallbackName(primary, sub);
  if (!name.empty() && sub == 0) name = DefaultForm(name);
  return name;
}

// ---- ANSI <-> UTF-16 -----------------------------------------------------------------

std::string WideToAnsi(const char16_t* units, int count) {
  if (units == nullptr || count <= 0) return std::string();
  int length = plat::WideToMultiByte(units, count, nullptr, 0);
  if (length <= 0) return std::string();
  std::string text(static_cast<std::size_t>(length), '\0');
  int written = plat::WideToMultiByte(units, count, &text[0], length);
  text.resize(static_cast<std::size_t>(written > 0 ? written : 0));
  return text;
}

std::u16string AnsiToWide(const std::string& text) {
  if (text.empty()) return std::u16string();
  if (text.size() > static_cast<std::size_t>(INT32_MAX)) return std::u16string();
  int count = static_cast<int>(text.size());
  int length = plat::MultiByteToWide(text.data(), count, nullptr, 0);
  if (length <= 0) return std::u16string();
  std::u16string wide(static_cast<std::size_t>(length), u'\0');
  int written = plat::MultiByteToWide(text.data(), count, &wide[0], length);
  wide.resize(static_cast<std::size_t>(written > 0 ? written : 0));
  return wide;
}

namespace {
// The counted form holds at most 0xFFFF units; a longer name is cut there, in both the
// size and the bytes written, so the two always agree.
std::size_t CountedUnits(const std::u16string& wide) {
  return wide.size() < 0xFFFF ? wide.size() : 0xFFFF;
}
}  // namespace

void AnsiToCountedWide(const std::string& text, std::uint8_t* destination) {
  // The count is in UTF-16 units: a multi-byte ANSI text has fewer units than bytes.
  std::u16string wide = AnsiToWide(text);
  std::size_t units = CountedUnits(wide);
  destination[0] = static_cast<std::uint8_t>(units & 0xFF);
  destination[1] = static_cast<std::uint8_t>(units >> 8);
  for (std::size_t i = 0; i < units; ++i) {
    destination[2 + 2 * i] = static_cast<std::uint8_t>(wide[i] & 0xFF);
    destination[3 + 2 * i] = static_cast<std::uint8_t>(wide[i] >> 8);
  }
}

std::uint32_t CountedWideSize(const std::string& text) {
  return static_cast<std::uint32_t>(2 + 2 * CountedUnits(AnsiToWide(text)));
}

// ---- File names ------------------------------------------------------------------------

namespace {
// Where the extension starts: the last '.' when no path delimiter follows it and it is
// not the first character; npos when the name has no extension.
std::size_t ExtensionStart(const std::string& fileName) {
  for (std::size_t i = fileName.size(); i > 0; --i) {
    char c = fileName[i - 1];
    if (c == '.') return i - 1 >= 1 ? i - 1 : std::string::npos;
    if (plat::IsPathDelimiter(c)) return std::string::npos;
  }
  return std::string::npos;
}
}  // namespace

std::string RemoveFileExt(const std::string& fileName) {
  std::size_t dot = ExtensionStart(fileName);
  return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

std::string ExtractFileExt(const std::string& fileName) {
  std::size_t dot = ExtensionStart(fileName);
  return dot == std::string::npos ? std::string() : fileName.substr(dot);
}

std::string BackupFileName(const std::string& fileName) {
  std::string base = RemoveFileExt(fileName) + " " + rtl::LoadStr(SBackupWord);
  std::string ext = ExtractFileExt(fileName);
  std::string candidate = base + ext;
  // A directory of that name would make the move fail just as a file would.
  for (unsigned n = 1; plat::FileExists(candidate) || plat::DirectoryExists(candidate); ++n)
    candidate = base + std::to_string(n) + ext;
  return candidate;
}

bool MoveToBackup(std::string& fileName) {
  std::string backup = BackupFileName(fileName);
  if (!plat::MoveFile(fileName, backup) || !plat::FileExists(backup)) return false;
  fileName = backup;
  return true;
}

std::string ShortPathName(const std::string& path) {
  const std::uint32_t kSize = 261;
  char buffer[kSize] = {};
  std::uint32_t n = plat::GetShortPathName(path, buffer, kSize);
  if (n == 0 || n >= kSize) return std::string();  // failed, or did not fit
  return std::string(buffer);
}

namespace {
std::string FullPathName(const std::string& path) {
  const std::uint32_t kSize = 260;
  char buffer[kSize] = {};
  std::uint32_t n = plat::GetFullPathName(path, kSize, buffer);
  if (n == 0 || n >= kSize) return std::string();
  return std::string(buffer);
}
}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
  if (!plat::FileExists(a) || !plat::FileExists(b)) return false;
  std::string shortA = ShortPathName(FullPathName(a));
  std::string shortB = ShortPathName(FullPathName(b));
  // Two failed lookups would compare equal as empty texts; that says nothing.
  if (shortA.empty() || shortB.empty()) return false;
  return plat::CompareTextLocale(shortA, shortB) == 0;
}

// ---- Time ------------------------------------------------------------------------------

namespace {
constexpr double kUnixEpochDays = 25569.0;  // 1970-01-01 as a date-time
constexpr double kSecondsPerDay = 86400.0;
}  // namespace

TDateTime NowUtc() {
  return kUnixEpochDays + static_cast<double>(plat::UnixTimeNow()) / kSecondsPerDay;
}

std::uint32_t UnixTimeStamp(TDateTime utc) {
  double seconds = std::round((utc - kUnixEpochDays) * kSecondsPerDay);
  if (!(seconds > 0)) return 0;
  if (seconds >= 4294967295.0) return 0xFFFFFFFFu;
  return static_cast<std::uint32_t>(seconds);
}

// ---- Stream writers ----------------------------------------------------------------------

void WriteZeros(rtl::TStream& stream, std::int64_t count) {
  static const std::uint8_t kZeros[256] = {};
  while (count > 0) {
    std::int32_t n = count < 256 ? static_cast<std::int32_t>(count) : 256;
    stream.WriteBuffer(kZeros, n);
    count -= n;
  }
}

void WritePadding(rtl::TStream& stream, std::int64_t length, std::int64_t alignment) {
  if (alignment <= 0) return;
  std::int64_t rest = length % alignment;
  if (rest > 0) WriteZeros(stream, alignment - rest);
}

void WriteLine(rtl::TStream& stream, const std::string& text) {
  if (!text.empty()) stream.WriteBuffer(text.data(), static_cast<std::int32_t>(text.size()));
  stream.WriteBuffer("\r\n", 2);
}
