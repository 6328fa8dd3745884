// Small functions that several subsystems share: language names, file-name rules (backup
// names, same-file test), ANSI <-> UTF-16 conversions, the time stamp of new resource
// directories, and the zero-fill and line writers.
#pragma once

#include <cstdint>
#include <string>

namespace rtl {
class TStream;
}

std::uint16_t PrimaryLanguage(std::uint16_t language);
std::uint16_t SubLanguage(std::uint16_t language);
std::uint32_t MakeLocaleId(std::uint16_t language, std::uint16_t sort);
// The display name of a language identifier, possibly empty; never fails.
std::string LanguageName(std::uint16_t language);

// `count` UTF-16 units in the ANSI code page; 0 units give the empty string.
std::string WideToAnsi(const char16_t* units, int count);
// The UTF-16 form of an ANSI text (a name as it is written into a resource file).
std::u16string AnsiToWide(const std::string& text);
// Writes a 16-bit count and the text's UTF-16 units (no terminator) at `destination`,
// which must hold CountedWideSize(text) bytes. The count is the number of UTF-16 units.
void AnsiToCountedWide(const std::string& text, std::uint8_t* destination);
std::uint32_t CountedWideSize(const std::string& text);  // 2 + 2 x units

std::string RemoveFileExt(const std::string& fileName);
std::string ExtractFileExt(const std::string& fileName);  // from the last '.', dot included
std::string BackupFileName(const std::string& fileName);
bool MoveToBackup(std::string& fileName);
std::string ShortPathName(const std::string& path);
bool SameFile(const std::string& a, const std::string& b);

// The runtime's date-time: days since 1899-12-30, the fraction being the time of day.
using TDateTime = double;
TDateTime NowUtc();
// Seconds between 1970-01-01 00:00:00 UTC and the UTC date-time `utc`, rounded.
std::uint32_t UnixTimeStamp(TDateTime utc);

void WriteZeros(rtl::TStream& stream, std::int64_t count);
void WritePadding(rtl::TStream& stream, std::int64_t length, std::int64_t alignment);
void WriteLine(rtl::TStream& stream, const std::string& text);
