// The header model of the image rebuild: the checks that an image can be rebuilt, and
// the edits that describe the new resource section and the sections that move with it.
#include "PEHeader.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "PEFormat.h"

namespace {

constexpr std::int64_t kMaxFileSize = std::numeric_limits<std::int32_t>::max();
// Alignments beyond this make no sense for a 32-bit image and would overflow the sums.
constexpr std::uint32_t kMaxAlignment = 1u << 28;

[[noreturn]] void Refuse(const char* why) { throw rtl::Exception(why); }
[[noreturn]] void RaiseDamaged() { Refuse("The executable's headers are damaged."); }

bool IsUsableAlignment(std::uint32_t a) { return a != 0 && a <= kMaxAlignment && (a & (a - 1)) == 0; }

std::int64_t AlignUp64(std::int64_t value, std::int64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

std::uint32_t Wrap(std::int64_t value) { return static_cast<std::uint32_t>(value); }

}  // namespace

TPEHeader::TPEHeader(const ByteView& image) {
  const auto size = static_cast<std::int32_t>(image.Size());
  ntHeaders_ = static_cast<std::uint32_t>(CheckExecutable(image.Data(), size, "%s"));
  const ByteView nt = image.From(ntHeaders_);
  if (nt.U16(pe::kSizeOfOptionalHeader) != pe::kPE32OptionalHeaderSize)
    Refuse(perefusal::kOddOptionalHeader);
  const std::uint32_t fileAlignment = nt.U32(pe::kFileAlignment);
  if (!IsUsableAlignment(fileAlignment) || !IsUsableAlignment(nt.U32(pe::kSectionAlignment)))
    Refuse(perefusal::kBadAlignment);

  // The header area ends where the first section data begins. Sections without bytes in
  // the file (SizeOfRawData 0) do not count, or every program with a .bss would have an
  // empty header area. Data at offset 0 would overlap the headers and is refused below.
  const int count = nt.U16(pe::kNumberOfSections);
  std::uint64_t firstData = std::numeric_limits<std::uint64_t>::max();
  int resourceSections = 0;
  for (int i = 0; i < count; ++i) {
    const TPESectionHeader h = DecodeSectionHeader(
        nt.Sub(pe::kSectionTable + pe::kSectionHeaderSize * static_cast<std::uint32_t>(i),
               pe::kSectionHeaderSize));
    if (pe::SectionNameIs(h.Name, pe::kResourceSectionName)) {
      ++resourceSections;
      // The new directory is addressed at the aligned address and its data from the
      // section's own: off the alignment the two disagree and the output is broken.
      if (h.VirtualAddress % nt.U32(pe::kSectionAlignment) != 0)
        Refuse(perefusal::kBadResourceAddress);
    }
    if (!h.HasRawData()) continue;
    if (!image.Contains(h.PointerToRawData, h.SizeOfRawData)) Refuse(perefusal::kSectionOutsideFile);
    firstData = std::min<std::uint64_t>(firstData, h.PointerToRawData);
  }
  if (resourceSections > 1) Refuse(perefusal::kTwoResourceSections);
  if (firstData == std::numeric_limits<std::uint64_t>::max()) Refuse(perefusal::kNoSectionData);
  const std::uint64_t tableEnd = ntHeaders_ + pe::kSectionTable +
                                 static_cast<std::uint64_t>(count) * pe::kSectionHeaderSize;
  if (tableEnd > firstData) Refuse(perefusal::kTableOverlapsData);
  const std::int64_t area = AlignUp64(static_cast<std::int64_t>(firstData), fileAlignment);
  if (area > kMaxFileSize) Refuse(perefusal::kTooLarge);
  headerAreaSize_ = static_cast<std::int32_t>(area);

  // When the aligned area reaches past a tiny file, the missing bytes are zeros.
  buffer_.assign(static_cast<std::size_t>(headerAreaSize_), 0);
  const std::uint64_t copied = std::min<std::uint64_t>(buffer_.size(), image.Size());
  std::memcpy(buffer_.data(), image.Ptr(0, copied), static_cast<std::size_t>(copied));
  for (int i = 0; i < count; ++i) sourceIndex_.push_back(i);
}

ByteView TPEHeader::Headers() const { return ByteView(buffer_.data(), buffer_.size(), RaiseDamaged); }

std::uint32_t TPEHeader::U32(std::uint32_t offset) const { return Headers().U32(offset); }

void TPEHeader::SetU32(std::uint32_t offset, std::uint32_t value) {
  if (static_cast<std::uint64_t>(offset) + 4 > buffer_.size()) RaiseDamaged();
  pe::PutU32(buffer_.data() + offset, value);
}

std::int32_t TPEHeader::FileAlignment() const {
  return static_cast<std::int32_t>(U32(ntHeaders_ + pe::kFileAlignment));
}

std::int32_t TPEHeader::SectionAlignment() const {
  return static_cast<std::int32_t>(U32(ntHeaders_ + pe::kSectionAlignment));
}

int TPEHeader::SectionCount() const { return Headers().U16(ntHeaders_ + pe::kNumberOfSections); }

std::uint32_t TPEHeader::SectionOffset(int index) const {
  return ntHeaders_ + pe::kSectionTable + pe::kSectionHeaderSize * static_cast<std::uint32_t>(index);
}

TPESectionHeader TPEHeader::Section(int index) const {
  if (index < 0 || index >= SectionCount()) throw rtl::Exception("Header Index out of bounds!");
  return DecodeSectionHeader(Headers().Sub(SectionOffset(index), pe::kSectionHeaderSize));
}

std::uint32_t TPEHeader::DirectoryCount() const {
  return std::min(U32(ntHeaders_ + pe::kNumberOfRvaAndSizes), pe::kDirectorySlots);
}

std::uint32_t TPEHeader::DataDirectoryRva(int index) const {
  return U32(ntHeaders_ + pe::kDataDirectories + pe::kDirectorySize * static_cast<std::uint32_t>(index));
}

std::uint32_t TPEHeader::DataDirectorySize(int index) const {
  return U32(ntHeaders_ + pe::kDataDirectories +
             pe::kDirectorySize * static_cast<std::uint32_t>(index) + 4);
}

void TPEHeader::SetDataDirectory(int index, std::uint32_t rva, std::uint32_t size) {
  const std::uint32_t at =
      ntHeaders_ + pe::kDataDirectories + pe::kDirectorySize * static_cast<std::uint32_t>(index);
  SetU32(at, rva);
  SetU32(at + 4, size);
}

int TPEHeader::FindResourceSection() const {
  const int count = SectionCount();
  for (int i = 0; i < count; ++i)
    if (pe::SectionNameIs(Headers().Ptr(SectionOffset(i) + pe::kSecName, pe::kSecNameSize),
                          pe::kResourceSectionName))
      return i;
  return -1;
}

// The address space a section takes; linkers that leave VirtualSize 0 mean SizeOfRawData.
std::int32_t TPEHeader::VirtualExtent(const TPESectionHeader& h) const {
  const std::uint32_t size = h.VirtualSize != 0 ? h.VirtualSize : h.SizeOfRawData;
  return AlignUp(static_cast<std::int32_t>(size), SectionAlignment());
}

// A directory that lives in the header area (the bound import table does) and would lie
// under a new section header is given up rather than overwritten.
void TPEHeader::FreeSlot(std::uint32_t slot) {
  std::uint32_t lowestSection = std::numeric_limits<std::uint32_t>::max();
  for (int i = 0; i < SectionCount(); ++i)
    lowestSection = std::min(lowestSection, Section(i).VirtualAddress);
  for (std::uint32_t d = 0; d < DirectoryCount(); ++d) {
    const int index = static_cast<int>(d);
    const std::uint64_t rva = DataDirectoryRva(index), size = DataDirectorySize(index);
    if (rva == 0 || size == 0 || rva >= lowestSection) continue;
    if (rva >= slot + pe::kSectionHeaderSize || rva + size <= slot) continue;
    if (index != pe::kBoundImportDirectory) Refuse(perefusal::kNoRoom);
    SetDataDirectory(index, 0, 0);
  }
}

std::uint32_t TPEHeader::SetResourceSection(std::int32_t newSize) {
  const std::int32_t fa = FileAlignment(), sa = SectionAlignment();
  if (AlignUp64(newSize, std::max(fa, sa)) > kMaxFileSize)
    Refuse(perefusal::kTooLarge);
  int k = FindResourceSection();
  // Virtual and raw ends of the sections before the resource section (all of them when
  // there is none): where a new one goes.
  std::int64_t virtualEnd = 0, rawEnd = 0;
  for (int i = 0; i < (k < 0 ? SectionCount() : k); ++i) {
    const TPESectionHeader h = Section(i);
    const std::uint32_t extent = h.VirtualSize != 0 ? h.VirtualSize : h.SizeOfRawData;
    virtualEnd = std::max<std::int64_t>(virtualEnd, std::int64_t{h.VirtualAddress} + extent);
    if (h.HasRawData())
      rawEnd = std::max<std::int64_t>(rawEnd, std::int64_t{h.PointerToRawData} + h.SizeOfRawData);
  }
  const std::uint32_t newRaw = Wrap(AlignUp64(rawEnd, fa));
  if (k < 0) {
    const int count = SectionCount();
    const std::uint32_t slot = SectionOffset(count);
    if (count >= 0xFFFF ||
        std::int64_t{slot} + pe::kSectionHeaderSize > static_cast<std::int64_t>(headerAreaSize_))
      Refuse(perefusal::kNoRoom);
    FreeSlot(slot);
    std::memset(buffer_.data() + slot, 0, pe::kSectionHeaderSize);
    std::memcpy(buffer_.data() + slot + pe::kSecName, pe::kResourceSectionName,
                sizeof pe::kResourceSectionName - 1);
    SetU32(slot + pe::kSecVirtualAddress, Wrap(AlignUp64(virtualEnd, sa)));
    SetU32(slot + pe::kSecPointerToRawData, newRaw);
    SetU32(slot + pe::kSecCharacteristics, pe::kResourceSectionFlags);
    pe::PutU16(buffer_.data() + ntHeaders_ + pe::kNumberOfSections,
               static_cast<std::uint16_t>(count + 1));
    sourceIndex_.push_back(-1);
    k = count;
    // The loader reads the section table from the headers it maps.
    const std::uint32_t tableEnd = SectionOffset(count + 1);
    if (U32(ntHeaders_ + pe::kSizeOfHeaders) < tableEnd)
      SetU32(ntHeaders_ + pe::kSizeOfHeaders, static_cast<std::uint32_t>(AlignUp(
                                                  static_cast<std::int32_t>(tableEnd), fa)));
  }
  const std::uint32_t header = SectionOffset(k);
  const TPESectionHeader old = Section(k);
  // Resource data addresses past 4 GB would wrap around.
  if (std::int64_t{old.VirtualAddress} + AlignUp64(newSize, sa) > 0xFFFFFFFFll)
    Refuse(perefusal::kBadResourceAddress);
  // A resource section without file bytes gets a place; PlaceSections settles it.
  if (old.PointerToRawData == 0) SetU32(header + pe::kSecPointerToRawData, newRaw);

  const std::int32_t rawDelta =
      AlignUp(newSize, fa) - AlignUp(static_cast<std::int32_t>(old.SizeOfRawData), fa);
  const std::int32_t virtualDelta = AlignUp(newSize, sa) - VirtualExtent(old);
  SetU32(header + pe::kSecVirtualSize, static_cast<std::uint32_t>(AlignUp(newSize, sa)));
  SetU32(header + pe::kSecSizeOfRawData, static_cast<std::uint32_t>(AlignUp(newSize, fa)));

  const std::uint32_t directories = U32(ntHeaders_ + pe::kNumberOfRvaAndSizes);
  if (directories < 3) {
    for (std::uint32_t d = directories; d <= 2; ++d) SetDataDirectory(static_cast<int>(d), 0, 0);
    SetU32(ntHeaders_ + pe::kNumberOfRvaAndSizes, 3);
  }
  SetDataDirectory(pe::kResourceDirectory,
                   static_cast<std::uint32_t>(AlignUp(static_cast<std::int32_t>(old.VirtualAddress), sa)),
                   static_cast<std::uint32_t>(newSize));
  ShiftSections(k + 1, old.VirtualAddress, virtualDelta, rawDelta);
  return old.VirtualAddress;
}

void TPEHeader::RemoveResourceSection() {
  const int k = FindResourceSection();
  if (k < 0) return;
  const TPESectionHeader old = Section(k);
  const std::int32_t rawDelta = -AlignUp(static_cast<std::int32_t>(old.SizeOfRawData), FileAlignment());
  const std::int32_t virtualDelta = -VirtualExtent(old);

  const int count = SectionCount();
  const std::uint32_t from = SectionOffset(k + 1), to = SectionOffset(k), end = SectionOffset(count);
  std::memmove(buffer_.data() + to, buffer_.data() + from, end - from);
  std::memset(buffer_.data() + end - pe::kSectionHeaderSize, 0, pe::kSectionHeaderSize);
  pe::PutU16(buffer_.data() + ntHeaders_ + pe::kNumberOfSections,
             static_cast<std::uint16_t>(count - 1));
  sourceIndex_.erase(sourceIndex_.begin() + k);

  if (U32(ntHeaders_ + pe::kNumberOfRvaAndSizes) == 3) SetU32(ntHeaders_ + pe::kNumberOfRvaAndSizes, 2);
  SetDataDirectory(pe::kResourceDirectory, 0, 0);
  ShiftSections(k, old.VirtualAddress, virtualDelta, rawDelta);
}

void TPEHeader::ShiftSections(int firstIndex, std::uint32_t threshold, std::int32_t virtualDelta,
                              std::int32_t rawDelta) {
  const auto vd = static_cast<std::uint32_t>(virtualDelta);
  const auto rd = static_cast<std::uint32_t>(rawDelta);
  if (virtualDelta != 0) {
    for (std::uint32_t d = 0; d < DirectoryCount(); ++d) {
      const int index = static_cast<int>(d);
      if (index == pe::kResourceDirectory) continue;
      const std::uint32_t rva = DataDirectoryRva(index);
      if (rva != 0 && DataDirectorySize(index) != 0 && rva >= threshold)
        SetU32(ntHeaders_ + pe::kDataDirectories + pe::kDirectorySize * d, rva + vd);
    }
  }
  SetU32(ntHeaders_ + pe::kSizeOfImage, U32(ntHeaders_ + pe::kSizeOfImage) + vd);
  SetU32(ntHeaders_ + pe::kSizeOfInitializedData, U32(ntHeaders_ + pe::kSizeOfInitializedData) + rd);
  for (int i = std::max(firstIndex, 0); i < SectionCount(); ++i) {
    const std::uint32_t header = SectionOffset(i);
    const TPESectionHeader h = Section(i);
    // A section without file bytes keeps PointerToRawData 0.
    if (h.HasRawData()) SetU32(header + pe::kSecPointerToRawData, h.PointerToRawData + rd);
    SetU32(header + pe::kSecVirtualAddress, h.VirtualAddress + vd);
  }
}

void TPEHeader::DropTailReferences() {
  if (DirectoryCount() > static_cast<std::uint32_t>(pe::kCertificateDirectory))
    SetDataDirectory(pe::kCertificateDirectory, 0, 0);
  SetU32(ntHeaders_ + pe::kPointerToSymbolTable, 0);
  SetU32(ntHeaders_ + pe::kNumberOfSymbols, 0);
}

void TPEHeader::PlaceSections() {
  const std::int64_t fa = FileAlignment();
  std::int64_t offset = headerAreaSize_;
  for (int i = 0; i < SectionCount(); ++i) {
    const TPESectionHeader h = Section(i);
    if (!h.HasRawData()) {
      // Nothing of it is in the new file; a stale pointer would lead past its end.
      SetU32(SectionOffset(i) + pe::kSecPointerToRawData, 0);
      continue;
    }
    SetU32(SectionOffset(i) + pe::kSecPointerToRawData, Wrap(offset));
    offset += AlignUp64(h.SizeOfRawData, fa);
    if (offset > kMaxFileSize) Refuse(perefusal::kTooLarge);
  }
}

std::int32_t TPEHeader::OutputSize() const {
  std::int64_t end = headerAreaSize_;
  for (int i = 0; i < SectionCount(); ++i) {
    const TPESectionHeader h = Section(i);
    if (h.HasRawData())
      end = std::max<std::int64_t>(end, std::int64_t{h.PointerToRawData} + h.SizeOfRawData);
  }
  end = AlignUp64(end, FileAlignment());
  if (end > kMaxFileSize) Refuse(perefusal::kTooLarge);
  return static_cast<std::int32_t>(end);
}
