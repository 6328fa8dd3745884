// The few format helpers that are code rather than constants.
#include "PEFormat.h"

namespace pe {

namespace {
char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
}  // namespace

bool SectionNameIs(const std::uint8_t* name8, const std::string& name) {
  for (std::size_t i = 0; i < kSecNameSize; ++i) {
    const char wanted = i < name.size() ? name[i] : '\0';
    const char stored = static_cast<char>(name8[i]);
    if (FoldAscii(wanted) != FoldAscii(stored)) return false;
    if (wanted == '\0') return true;  // both ended here
  }
  return true;
}

void PutU16(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

void PutU32(std::uint8_t* at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
  at[2] = static_cast<std::uint8_t>(value >> 16);
  at[3] = static_cast<std::uint8_t>(value >> 24);
}

}  // namespace pe
