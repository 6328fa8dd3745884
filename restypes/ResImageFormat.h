// The 32-bit resource image format as the model writes it (entries of a .RES file), and
// the hook through which the model opens an image: reading images is the resource file
// unit's job, and that unit registers its reader here.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace rtl {
class TStream;
}
class TResContainer;

// The 32-byte entry every image begins with: DataSize 0, HeaderSize 32, TYPE and NAME the
// number 0, all fixed fields 0.
extern const std::uint8_t EmptyResHeader[32];

#pragma pack(push, 1)
struct ResHeaderInfo {
  std::uint32_t DataVersion;
  std::uint16_t MemoryFlags;
  std::uint16_t LanguageId;
  std::uint32_t Version;
  std::uint32_t Characteristics;
};
#pragma pack(pop)
static_assert(sizeof(ResHeaderInfo) == 16, "ResHeaderInfo is 16 bytes");

enum ResNameKind : int { rnNone = 0, rnString = 1, rnOrdinal = 2 };

std::int32_t RoundUp4(std::int32_t value);
// One name-or-number field: kind 1 the UTF-16 text with a terminating zero unit, kind 2
// the unit 0xFFFF and the 16-bit number.
void WriteResName(rtl::TStream& stream, int kind, std::uint16_t number, const std::string& text);
std::int32_t ResNameFieldSize(bool isNamed, const std::string& text);  // bytes WriteResName writes
void WriteWideZ(rtl::TStream& stream, const std::string& text);
void PadToAlignment(rtl::TStream& stream);

// Opening an image from the rest of a stream (TResResFile's stream constructor).
using TResImageOpener = std::unique_ptr<TResContainer> (*)(rtl::TStream& source);
void SetResImageOpener(TResImageOpener opener);
std::unique_ptr<TResContainer> OpenResImage(rtl::TStream& source);
