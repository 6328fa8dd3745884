// Reading the name-or-number fields of a resource image entry and the 4-byte alignment
// between its parts. Every read is a fixed-count stream read, so a field that runs past
// the end of the image fails instead of reading beyond it.
#pragma once

#include <cstdint>
#include <string>

#include "ResImageFormat.h"

namespace rtl {
class TStream;
}

// One TYPE or NAME field. rnOrdinal sets `number`, rnString sets `text` (converted to the
// ANSI code page); rnNone (a lone zero unit) sets neither.
ResNameKind ReadResName(rtl::TStream& stream, std::uint16_t& number, std::string& text);
// Appends 16-bit units to `destination` up to and including the first zero unit; answers
// the number of units before it.
std::int32_t ReadWideZ(rtl::TStream& stream, std::u16string& destination);
// Reads single bytes until the position is a multiple of 4.
void SkipToAlignment(rtl::TStream& stream);
