// How directory handlers answer for a node, and how they emit its entry.
#include "PEDirHandler.h"

#include <cstring>

#include "PEFormat.h"
#include "PEResDirectory.h"
#include "ResContainer.h"
#include "ResourceTable.h"
#include "UResTool.h"

void TPEDirHandler::SetIdentifier(const std::string& name, std::uint16_t id, bool isNamed) {
  storedName_ = name;
  storedId_ = id;
  storedNamed_ = isNamed;
}

namespace {

void WriteStoredEntry(int level, TResourceTable& table, const std::string& name,
                      std::uint16_t id, bool isNamed) {
  if (isNamed)
    table.AddNamedEntry(level, name);
  else
    table.AddIdEntry(level, id);
}

}  // namespace

// ---- TPEDirHandlerPE ----------------------------------------------------------------

std::uint32_t TPEDirHandlerPE::EntryName() const {
  return section_->DirectoryData().U32(static_cast<std::uint64_t>(entryOffset_) + pe::kEntryName);
}

std::uint32_t TPEDirHandlerPE::OffsetToData() const {
  return section_->DirectoryData().U32(static_cast<std::uint64_t>(entryOffset_) +
                                       pe::kEntryOffsetToData);
}

ByteView TPEDirHandlerPE::NameString() const {
  const ByteView& dir = section_->DirectoryData();
  const std::uint64_t at = EntryName() & ~pe::kHighBit;
  const std::uint16_t length = dir.U16(at);
  return dir.Sub(at, 2 + 2ull * length);
}

TPEDirHandlerPE::Located TPEDirHandlerPE::LocateData() const {
  const ByteView& dir = section_->DirectoryData();
  const std::uint32_t entryData = OffsetToData();
  // A sub-directory where a data entry belongs cannot be followed as one.
  if (entryData & pe::kHighBit) throw ECorruptResource();
  const ByteView dataEntry = dir.Sub(entryData, pe::kDataEntrySize);
  const std::uint32_t rva = dataEntry.U32(pe::kDataRva);
  const std::uint32_t size = dataEntry.U32(pe::kDataSize);
  // The data must lie wholly inside the section's raw data; an RVA below the section or
  // data running past its end would be bytes of some other part of the image.
  if (rva < section_->SectionRva()) throw ECorruptResource();
  const std::uint64_t offset = rva - section_->SectionRva();
  if (!dir.Contains(offset, size)) throw ECorruptResource();
  return Located{dir.Ptr(offset, size), static_cast<std::int32_t>(size),
                 dataEntry.U32(pe::kDataCodePage)};
}

void TPEDirHandlerPE::WriteEntry(int level, TResourceTable& table) const {
  if (overridden_) {
    WriteStoredEntry(level, table, storedName_, storedId_, storedNamed_);
    return;
  }
  if (EntryName() & pe::kHighBit) {
    const ByteView name = NameString();
    table.AddCountedNamedEntry(level, name.Ptr(2, name.Size() - 2), name.U16(0));
  } else {
    table.AddIdEntry(level, static_cast<std::uint16_t>(EntryName()));
  }
}

std::uint32_t TPEDirHandlerPE::CodePage() const { return LocateData().codePage; }
const std::uint8_t* TPEDirHandlerPE::RawData() const { return LocateData().data; }
std::int32_t TPEDirHandlerPE::RawSize() const { return LocateData().size; }

void TPEDirHandlerPE::SetIdentifier(const std::string& name, std::uint16_t id, bool isNamed) {
  TPEDirHandler::SetIdentifier(name, id, isNamed);
  overridden_ = true;
}

std::uint16_t TPEDirHandlerPE::Id() const {
  return overridden_ ? storedId_ : static_cast<std::uint16_t>(EntryName());
}

bool TPEDirHandlerPE::IsNamed() const {
  return overridden_ ? storedNamed_ : (EntryName() & pe::kHighBit) != 0;
}

std::string TPEDirHandlerPE::Name() const {
  if (overridden_) return storedName_;
  const ByteView name = NameString();
  const std::uint16_t count = name.U16(0);
  // Copied out: the units in the image need not be aligned for char16_t.
  std::u16string units(count, u'\0');
  if (count > 0) std::memcpy(&units[0], name.Ptr(2, 2ull * count), 2ull * count);
  return WideToAnsi(units.data(), count);
}

std::int32_t TPEDirHandlerPE::NameLength() const {
  if (overridden_) return static_cast<std::int32_t>(storedName_.size());
  return NameString().U16(0);
}

std::uint32_t TPEDirHandlerPE::NameSize() const {
  if (overridden_) return CountedWideSize(storedName_);
  return static_cast<std::uint32_t>(NameString().Size());
}

// ---- TPEDirHandlerNewRes ------------------------------------------------------------

TPEDirHandlerNewRes::TPEDirHandlerNewRes(const std::string& name, std::uint16_t id, bool isNamed,
                                         const std::uint8_t* givenData, std::int32_t givenSize)
    : givenData_(givenData), givenSize_(givenSize) {
  TPEDirHandler::SetIdentifier(name, id, isNamed);
}

void TPEDirHandlerNewRes::WriteEntry(int level, TResourceTable& table) const {
  WriteStoredEntry(level, table, storedName_, storedId_, storedNamed_);
}

std::int32_t TPEDirHandlerNewRes::NameLength() const {
  return static_cast<std::int32_t>(storedName_.size());
}

std::uint32_t TPEDirHandlerNewRes::NameSize() const { return CountedWideSize(storedName_); }
