// Opening and classifying executables, and the questions TPEFile answers about them.
#include "PEFile.h"

#include <algorithm>
#include <cstring>

#include "Format.h"
#include "PEFormat.h"
#include "PEResDirectory.h"
#include "Platform.h"
#include "StringIds.h"
#include "StringTable.h"

namespace {

[[noreturn]] void RaiseCorrupt() { throw ECorruptResource(); }

[[noreturn]] void Refuse(const std::string& name, int reason) {
  throw ENoPEException(rtl::FormatRes(SPEOpenError, {name, rtl::LoadStr(reason)}));
}

constexpr std::uint32_t kChecksumSeed = 0x8A11;

}  // namespace

std::int32_t AlignUp(std::int32_t value, std::int32_t alignment) {
  if (alignment < 1 || value % alignment == 0) return value;
  const std::int64_t rounded =
      (static_cast<std::int64_t>(value / alignment) + 1) * static_cast<std::int64_t>(alignment);
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(rounded));
}

std::int32_t CheckExecutable(const std::uint8_t* data, std::int32_t size, const std::string& name) {
  if (size <= static_cast<std::int32_t>(pe::kMinImageSize)) Refuse(name, SPETooSmall);
  const ByteView image(data, static_cast<std::uint64_t>(size), RaiseCorrupt);
  if (image.U8(0) != 'M' || image.U8(1) != 'Z') Refuse(name, SPEUnknownType);

  // A negative e_lfanew would point before the image; it cannot lead to a PE header.
  const std::int32_t lfanew = image.I32(pe::kLfanew);
  if (lfanew < 0 || static_cast<std::int64_t>(lfanew) + pe::kSectionTable >= size)
    Refuse(name, SPEDosProgram);
  const auto nt = static_cast<std::uint64_t>(lfanew);

  static const std::uint8_t kSignature[4] = {'P', 'E', 0, 0};
  if (!image.BytesEqual(nt, kSignature, 4)) {
    const std::uint8_t a = image.U8(nt), b = image.U8(nt + 1);
    if ((a == 'N' || a == 'L') && b == 'E') Refuse(name, SPE16Bit);
    Refuse(name, SPEDosProgram);
  }
  const std::uint16_t magic = image.U16(nt + pe::kMagic);
  if (magic == pe::kMagicPE32Plus) Refuse(name, SPEPlus);

  const std::uint16_t sections = image.U16(nt + pe::kNumberOfSections);
  const std::uint64_t tableEnd =
      nt + pe::kSectionTable + static_cast<std::uint64_t>(sections) * pe::kSectionHeaderSize;
  if (magic != pe::kMagicPE32 || sections == 0 || tableEnd > static_cast<std::uint64_t>(size))
    Refuse(name, SPEUnknownExecutable);
  return lfanew;
}

std::string TPESectionHeader::NameText() const {
  const auto* end = static_cast<const std::uint8_t*>(std::memchr(Name, 0, sizeof Name));
  return std::string(reinterpret_cast<const char*>(Name),
                     end ? static_cast<std::size_t>(end - Name) : sizeof Name);
}

TPESectionHeader DecodeSectionHeader(const ByteView& header) {
  TPESectionHeader h;
  std::memcpy(h.Name, header.Ptr(pe::kSecName, pe::kSecNameSize), pe::kSecNameSize);
  h.VirtualSize = header.U32(pe::kSecVirtualSize);
  h.VirtualAddress = header.U32(pe::kSecVirtualAddress);
  h.SizeOfRawData = header.U32(pe::kSecSizeOfRawData);
  h.PointerToRawData = header.U32(pe::kSecPointerToRawData);
  h.Characteristics = header.U32(pe::kSecCharacteristics);
  return h;
}

TPEFile::TPEFile(const std::string& fileName) {
  OpenFile(fileName);
  ntHeaders_ = CheckExecutable(Memory(), Size(), plat::ExtractFileName(fileName));
}

TPEFile::TPEFile(rtl::TStream& stream) {
  CopyStream(stream);
  ntHeaders_ = CheckExecutable(Memory(), Size(), rtl::LoadStr(SFileWord));
}

std::unique_ptr<TPEFile> TPEFile::CreateFromFile(const std::string& fileName) {
  return std::make_unique<TPEFile>(fileName);
}

std::unique_ptr<TPEFile> TPEFile::CreateFromStream(rtl::TStream& stream) {
  return std::make_unique<TPEFile>(stream);
}

ByteView TPEFile::Image() const {
  return ByteView(Memory(), static_cast<std::uint64_t>(Size()), RaiseCorrupt);
}

int TPEFile::SectionCount() const {
  return Image().U16(static_cast<std::uint64_t>(ntHeaders_) + pe::kNumberOfSections);
}

ByteView TPEFile::SectionHeaderView(int index) const {
  if (index < 0 || index >= SectionCount()) throw rtl::Exception("Header Index out of bounds!");
  // CheckExecutable made sure the whole table lies inside the image.
  return Image().Sub(static_cast<std::uint64_t>(ntHeaders_) + pe::kSectionTable +
                         static_cast<std::uint64_t>(index) * pe::kSectionHeaderSize,
                     pe::kSectionHeaderSize);
}

TPESectionHeader TPEFile::SectionHeader(int index) const {
  return DecodeSectionHeader(SectionHeaderView(index));
}

int TPEFile::FindSection(const std::string& name) const {
  const int count = SectionCount();
  for (int i = 0; i < count; ++i)
    if (pe::SectionNameIs(SectionHeaderView(i).Ptr(pe::kSecName, pe::kSecNameSize), name))
      return i;
  return -1;
}

int TPEFile::FirstCodeSection() const {
  const int count = SectionCount();
  for (int i = 0; i < count; ++i)
    if (SectionHeader(i).Characteristics & pe::kCodeFlag) return i;
  return -1;
}

ByteView TPEFile::SectionRawData(int index) const {
  const TPESectionHeader h = SectionHeader(index);
  return Image().Sub(h.PointerToRawData, h.SizeOfRawData);
}

std::int32_t TPEFile::ImageEnd() const {
  std::int32_t end = 0;
  const int count = SectionCount();
  for (int i = 0; i < count; ++i) {
    const TPESectionHeader h = SectionHeader(i);
    // Signed 32-bit sum with wrap-around, as the header values are handled everywhere.
    const auto rawEnd = static_cast<std::int32_t>(h.PointerToRawData + h.SizeOfRawData);
    end = std::max(end, rawEnd);
  }
  return end;
}

std::uint32_t TPEFile::VersionChecksum() const {
  const int code = FirstCodeSection();
  if (code < 0) return kChecksumSeed;
  const TPESectionHeader h = SectionHeader(code);
  const std::int32_t words = static_cast<std::int32_t>(h.SizeOfRawData) / 4;
  if (words <= 0) return kChecksumSeed;

  // Words that lie beyond the end of the file (a truncated image) count as zero: the
  // fingerprint never reads outside the image and never fails.
  const ByteView image = Image();
  const std::uint64_t start = h.PointerToRawData;
  const std::uint64_t present = start < image.Size() ? image.Size() - start : 0;
  std::uint32_t sum = kChecksumSeed;
  // Only the words with bytes in the file are visited; a forged SizeOfRawData far beyond
  // it would otherwise cost up to half a billion steps.
  const std::uint64_t inFile = std::min<std::uint64_t>(static_cast<std::uint64_t>(words),
                                                        (present + 3) / 4);
  for (std::uint32_t i = 1; i <= static_cast<std::uint32_t>(inFile); ++i) {
    const std::uint64_t at = 4ull * (i - 1);
    std::uint32_t word = 0;
    if (at + 4 <= present) {
      word = image.U32(start + at);
    } else {
      for (std::uint64_t b = 0; at + b < present && b < 4; ++b)
        word |= static_cast<std::uint32_t>(image.U8(start + at + b)) << (8 * b);
    }
    sum += (i / 3) ^ word;
  }
  // The zero words after them add i div 3 each: the sum over i = inFile + 1 .. words.
  auto sumOfThirds = [](std::uint64_t n) {  // sum of i div 3 for i = 0 .. n
    const std::uint64_t q = (n + 1) / 3, r = (n + 1) % 3;
    return 3 * (q * (q - 1) / 2) + r * q;
  };
  sum += static_cast<std::uint32_t>(sumOfThirds(static_cast<std::uint64_t>(words)) -
                                    sumOfThirds(inFile));
  return sum;
}

std::unique_ptr<TResSection> TPEFile::CreateSection() {
  resourceSection_ = FindSection(pe::kResourceSectionName);
  if (resourceSection_ < 0) return std::make_unique<TPEResSection>(this);
  const TPESectionHeader h = SectionHeader(resourceSection_);
  // A resource section without bytes in the file holds no directory: an empty tree.
  if (!h.HasRawData()) return std::make_unique<TPEResSection>(this);
  return std::make_unique<TPEResSection>(this, SectionRawData(resourceSection_), h.VirtualAddress,
                                         static_cast<std::int32_t>(h.SizeOfRawData));
}
