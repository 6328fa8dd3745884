// Reading an executable's resource directory lazily, and adding nodes in memory.
#include "PEResDirectory.h"

// The leaf base keeps its data handler by value; constructing leaves needs the whole class.
#include "DataHandler.h"
#include "PEFile.h"
#include "PEFormat.h"
#include "StringIds.h"
#include "StringTable.h"

// ---- TPEResSection ------------------------------------------------------------------

TPEResSection::TPEResSection(TPEFile* file) : TResSection(file) {}

TPEResSection::TPEResSection(TPEFile* file, ByteView directoryData, std::uint32_t sectionRva,
                             std::int32_t sectionSize)
    : TResSection(file),
      directoryData_(directoryData),
      hasDirectory_(true),
      sectionRva_(sectionRva),
      sectionSize_(sectionSize) {}

void TPEResSection::CountEntries(std::uint64_t count) {
  entriesRead_ += count;
  if (entriesRead_ > directoryData_.Size() / pe::kDirEntrySize) throw ECorruptResource();
}

std::unique_ptr<TResourceList> TPEResSection::CreateRootList() {
  if (hasDirectory_) return std::make_unique<TPEResourceList>(nullptr, this, 0);
  return std::make_unique<TPEResourceList>(nullptr, this);
}

TDataResItem* TPEResSection::DoAddResource(std::int32_t typeId, std::int32_t nameId,
                                           std::uint16_t languageId, const std::string& typeName,
                                           const std::string& resName, bool typeIsNamed,
                                           bool nameIsNamed, const std::uint8_t* rawData,
                                           std::int32_t rawSize) {
  // Finds the node with that identity in `list`, or appends a new one.
  auto node = [](TResourceList* list, const std::string& name, std::int32_t id,
                 bool named) -> TListResItem* {
    const int index = list->IndexOf(name, id, named);
    if (index >= 0) return list->ListItem(index);
    // A named node reports the number 0.
    return list->Append(std::make_unique<TPEListResItem>(
        list, named ? name : std::string(), named ? 0 : static_cast<std::uint16_t>(id), named));
  };
  TListResItem* type = node(GetRootList(), typeName, typeId, typeIsNamed);
  TListResItem* name = node(type->GetSubList(), resName, nameId, nameIsNamed);
  TResourceList* languages = name->GetSubList();
  return languages->Append(
      std::make_unique<TPEDataResItem>(languages, languageId, rawData, rawSize));
}

// ---- TPEResourceList ----------------------------------------------------------------

TPEResourceList::TPEResourceList(TListResItem* owner, TPEResSection* section,
                                 std::uint32_t directoryOffset)
    : TResourceList(owner, section), directoryOffset_(directoryOffset), hasDirectory_(true) {}

TPEResourceList::TPEResourceList(TListResItem* owner, TPEResSection* section)
    : TResourceList(owner, section) {}

TPEResSection* TPEResourceList::PESection() const {
  return static_cast<TPEResSection*>(Section());
}

ByteView TPEResourceList::Directory() const {
  return PESection()->DirectoryData().Sub(directoryOffset_, pe::kDirTableSize);
}

void TPEResourceList::Fill() {
  if (!hasDirectory_) return;
  const ByteView table = Directory();
  const std::uint64_t count = static_cast<std::uint64_t>(table.U16(pe::kDirNamedEntries)) +
                              table.U16(pe::kDirIdEntries);
  // All entries must lie inside the section before any is trusted; this also bounds the
  // number of nodes a forged count can make.
  const std::uint64_t first = static_cast<std::uint64_t>(directoryOffset_) + pe::kDirTableSize;
  if (!PESection()->DirectoryData().Contains(first, count * pe::kDirEntrySize))
    throw ECorruptResource();
  static_cast<TPEResSection*>(Section())->CountEntries(count);
  for (std::uint64_t k = 0; k < count; ++k) {
    const auto entry = static_cast<std::uint32_t>(first + pe::kDirEntrySize * k);
    if (Level() == 2)
      Append(std::make_unique<TPEDataResItem>(this, entry));
    else
      Append(std::make_unique<TPEListResItem>(this, entry));
  }
}

std::uint32_t TPEResourceList::Characteristics() {
  return hasDirectory_ ? Directory().U32(pe::kDirCharacteristics) : 0;
}

// ---- TPEListResItem -----------------------------------------------------------------

TPEListResItem::TPEListResItem(TResourceList* list, std::uint32_t entryOffset)
    : TListResItem(list),
      dirHandler_(std::make_unique<TPEDirHandlerPE>(
          static_cast<const TPEResSection*>(list->Section()), entryOffset)) {}

TPEListResItem::TPEListResItem(TResourceList* list, const std::string& name, std::uint16_t id,
                               bool isNamed)
    : TListResItem(list), dirHandler_(std::make_unique<TPEDirHandlerNewRes>(name, id, isNamed)) {}

void TPEListResItem::SetIdentifier(const std::string& name, std::uint16_t id, bool isNamed) {
  dirHandler_->SetIdentifier(name, id, isNamed);
}

bool TPEListResItem::IsNew() const {
  return dynamic_cast<const TPEDirHandlerNewRes*>(dirHandler_.get()) != nullptr;
}

std::unique_ptr<TResourceList> TPEListResItem::CreateSubList() {
  auto* section = static_cast<TPEResSection*>(Section());
  if (const auto* fromFile = dynamic_cast<const TPEDirHandlerPE*>(dirHandler_.get()))
    return std::make_unique<TPEResourceList>(this, section,
                                             fromFile->OffsetToData() & ~pe::kHighBit);
  return std::make_unique<TPEResourceList>(this, section);
}

// ---- TPEDataResItem -----------------------------------------------------------------

TPEDataResItem::TPEDataResItem(TResourceList* list, std::uint32_t entryOffset)
    : TDataResItem(list),
      dirHandler_(std::make_unique<TPEDirHandlerPE>(
          static_cast<const TPEResSection*>(list->Section()), entryOffset)) {}

TPEDataResItem::TPEDataResItem(TResourceList* list, std::uint16_t language,
                               const std::uint8_t* rawData, std::int32_t rawSize)
    : TDataResItem(list),
      dirHandler_(std::make_unique<TPEDirHandlerNewRes>(std::string(), language, false, rawData,
                                                        rawSize)) {}

void TPEDataResItem::SetIdentifier(const std::string&, std::uint16_t id, bool) {
  dirHandler_->SetIdentifier(std::string(), id, false);
}

bool TPEDataResItem::IsNew() const {
  return dynamic_cast<const TPEDirHandlerNewRes*>(dirHandler_.get()) != nullptr;
}

void TPEDataResItem::LoadFromStream(rtl::TStream& stream) {
  if (IsStandardType() && TypeId() == 16) throw rtl::Exception(rtl::LoadStr(SNoVersionChange));
  TDataResItem::LoadFromStream(stream);
}

bool TPEDataResItem::IsEditMarked() {
  const auto* list = static_cast<const TPEResourceList*>(Owner());
  if (!list->HasDirectory()) return false;
  return list->Directory().BytesEqual(pe::kDirMajorVersion, pe::kEditMarker, 4);
}
