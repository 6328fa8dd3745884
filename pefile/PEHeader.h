// TPEHeader: the editable copy of an executable's header area (DOS header, PE headers,
// section table and whatever lies before the first section's data) that the image rebuild
// edits and writes at the start of the new file. Building one checks that the image can
// be rebuilt at all, so that a refusal comes before any byte is written.
#pragma once

#include <cstdint>
#include <vector>

#include "ByteView.h"
#include "PEFile.h"

// Why an image cannot be rebuilt; the program's string table has no texts for these.
namespace perefusal {
inline constexpr char kOddOptionalHeader[] =
    "The executable's optional header does not have the usual size of 224 bytes.";
inline constexpr char kBadAlignment[] =
    "The executable's file alignment or section alignment is not a power of two.";
inline constexpr char kNoSectionData[] = "The executable has no section with data in the file.";
inline constexpr char kSectionOutsideFile[] =
    "A section of the executable reaches past the end of the file.";
inline constexpr char kTableOverlapsData[] =
    "The executable's section table overlaps the data of its sections.";
inline constexpr char kTwoResourceSections[] =
    "The executable has more than one resource section.";
inline constexpr char kTooLarge[] = "The new executable would be larger than 2 GB.";
inline constexpr char kNoRoom[] = "Cannot create resource section.";
inline constexpr char kBadResourceAddress[] =
    "The executable's resource section has an unusable virtual address.";
}  // namespace perefusal

class TPEHeader {
 public:
  // Copies the header area of `image`, an image CheckExecutable accepts. Refuses images
  // whose layout cannot be rebuilt (alignments, header area, sections outside the file,
  // two resource sections) with a plain exception naming the problem.
  explicit TPEHeader(const ByteView& image);

  std::int32_t HeaderAreaSize() const { return headerAreaSize_; }
  ByteView Headers() const;
  std::int32_t FileAlignment() const;
  std::int32_t SectionAlignment() const;
  int SectionCount() const;
  TPESectionHeader Section(int index) const;
  // The source section whose raw data section `index` carries; -1 for a new section.
  int SourceIndex(int index) const { return sourceIndex_.at(static_cast<std::size_t>(index)); }
  std::uint32_t DataDirectoryRva(int index) const;
  std::uint32_t DataDirectorySize(int index) const;

  // Describes a resource section of `newSize` bytes, creating its header when the file has
  // none ("Cannot create resource section." without room); answers its RVA.
  std::uint32_t SetResourceSection(std::int32_t newSize);
  void RemoveResourceSection();
  void ShiftSections(int firstIndex, std::uint32_t threshold, std::int32_t virtualDelta,
                     std::int32_t rawDelta);
  // Clears what points into the bytes after the last section, which the rebuild drops:
  // the certificate table and the COFF symbol table.
  void DropTailReferences();
  // Places the raw data of the sections back to back after the header area, in table
  // order, so that every PointerToRawData tells where the writer puts the bytes.
  void PlaceSections();
  std::int32_t OutputSize() const;

 private:
  std::uint32_t U32(std::uint32_t offset) const;
  void SetU32(std::uint32_t offset, std::uint32_t value);
  std::uint32_t SectionOffset(int index) const;
  std::uint32_t DirectoryCount() const;  // NumberOfRvaAndSizes, at most 16
  void SetDataDirectory(int index, std::uint32_t rva, std::uint32_t size);
  int FindResourceSection() const;
  std::int32_t VirtualExtent(const TPESectionHeader& h) const;
  void FreeSlot(std::uint32_t slot);

  std::vector<std::uint8_t> buffer_;
  std::int32_t headerAreaSize_ = 0;
  std::uint32_t ntHeaders_ = 0;
  std::vector<int> sourceIndex_;
};
