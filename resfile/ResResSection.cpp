// The resource image reader. An image is the 32-byte empty entry followed by entries at
// multiples of 4; each entry's header holds its two sizes, its TYPE and NAME fields and 16
// fixed bytes, then come its data. The image comes from somebody else's file, so every
// size is checked in 64-bit arithmetic against the image before it is used, and an entry
// that would stall the walk, leave the image or overlap its own fixed fields is refused
// with "Corrupt Res file.". Leaves point at their data in place; nothing is copied.
#include "ResResSection.h"

#include <cstdint>
#include <string>

#include "ByteView.h"
#include "Exceptions.h"
#include "MyStreams.h"
#include "ResNames.h"
#include "ResResItems.h"
#include "StringIds.h"
#include "StringTable.h"

namespace {

// Everything after the last entry that is this short cannot be an entry and is ignored.
constexpr std::uint64_t kIgnoredTail = 8;

[[noreturn]] void FailCorruptResFile() { throw rtl::Exception(rtl::LoadStr(SCorruptResFile)); }

std::uint64_t Align4(std::uint64_t value) { return (value + 3) & ~std::uint64_t{3}; }

// A TYPE or NAME field as read; a lone zero unit counts as the number 0.
struct NameField {
  ResNameKind kind = rnNone;
  std::uint16_t number = 0;
  std::string text;
  bool IsNamed() const { return kind == rnString; }
};

struct ImageEntry {
  NameField type;
  NameField name;
  ResHeaderInfo info{};
  const std::uint8_t* data = nullptr;
  std::int32_t dataSize = 0;
  std::uint64_t span = 0;  // from this entry's start to the next one's
};

NameField ReadNameField(rtl::TStream& stream) {
  NameField field;
  field.kind = ReadResName(stream, field.number, field.text);
  return field;
}

ImageEntry ReadEntry(const ByteView& image, TReadMemoryStream& stream, std::uint64_t base) {
  const std::int64_t dataSize = image.I32(base);
  const std::int64_t headerSize = image.I32(base + 4);
  const std::int64_t total = dataSize + headerSize;
  // A negative part or an empty entry would make the walk stand still or go back; the sum
  // must also fit the signed 32-bit field and the rest of the image.
  if (dataSize < 0 || headerSize < 0 || total <= 0 || total > INT32_MAX ||
      static_cast<std::uint64_t>(total) > image.Size() - base)
    FailCorruptResFile();

  ImageEntry entry;
  stream.SetPosition(static_cast<std::int64_t>(base + 8));
  entry.type = ReadNameField(stream);
  entry.name = ReadNameField(stream);

  // The names and the fixed fields after them must lie inside the header.
  const std::uint64_t dataStart = base + static_cast<std::uint64_t>(headerSize);
  const std::uint64_t fixedStart = Align4(static_cast<std::uint64_t>(stream.Position()));
  if (fixedStart + sizeof(ResHeaderInfo) > dataStart) FailCorruptResFile();
  SkipToAlignment(stream);

  entry.info.DataVersion = image.U32(fixedStart);
  entry.info.MemoryFlags = image.U16(fixedStart + 4);
  entry.info.LanguageId = image.U16(fixedStart + 6);
  entry.info.Version = image.U32(fixedStart + 8);
  entry.info.Characteristics = image.U32(fixedStart + 12);
  entry.data = image.Ptr(dataStart, static_cast<std::uint64_t>(dataSize));
  entry.dataSize = static_cast<std::int32_t>(dataSize);
  entry.span = Align4(static_cast<std::uint64_t>(total));
  return entry;
}

// The node of `list` for a TYPE or NAME identifier, made and appended when the list has
// none; `created` tells which.
TResListResItem* FindOrAddNode(TResourceList& list, const std::string& name, std::uint16_t id,
                               bool isNamed, bool& created) {
  int index = list.IndexOf(name, id, isNamed);
  created = index < 0;
  // Every node of this tree is made here, so the downcast is safe.
  if (!created) return static_cast<TResListResItem*>(list.ListItem(index));
  return list.Append(std::make_unique<TResListResItem>(&list, isNamed ? name : std::string(),
                                                       isNamed ? 0 : id, isNamed));
}

TResDataResItem* AddLeaf(TResourceList& root, const NameField& type, const NameField& name,
                         const ResHeaderInfo& info, const std::uint8_t* data, std::int32_t size,
                         bool markNew) {
  bool typeCreated = false;
  bool nameCreated = false;
  TResListResItem* typeNode =
      FindOrAddNode(root, type.text, type.number, type.IsNamed(), typeCreated);
  TResourceList& names = *typeNode->GetSubList();
  TResListResItem* nameNode =
      FindOrAddNode(names, name.text, name.number, name.IsNamed(), nameCreated);
  TResourceList& languages = *nameNode->GetSubList();
  TResDataResItem* leaf =
      languages.Append(std::make_unique<TResDataResItem>(&languages, info, data, size));
  if (markNew) {
    leaf->MarkAdded();
    if (nameCreated) nameNode->MarkAdded();
    if (typeCreated) typeNode->MarkAdded();
  }
  return leaf;
}

NameField FieldOf(const std::string& text, std::int32_t id, bool isNamed) {
  NameField field;
  field.kind = isNamed ? rnString : rnOrdinal;
  field.number = static_cast<std::uint16_t>(id);
  field.text = text;
  return field;
}

}  // namespace

std::unique_ptr<TResourceList> TResResSection::CreateRootList() {
  auto root = std::make_unique<TResResourceList>(nullptr, this);
  root->GetItems();
  const TResContainer& container = *Container();
  if (container.Memory() == nullptr || container.Size() <= 0) return root;

  const ByteView image(container.Memory(), static_cast<std::uint64_t>(container.Size()),
                       &FailCorruptResFile);
  TReadMemoryStream stream(container.Memory(), container.Size());
  // The constructor checked that the image starts with the empty entry.
  std::uint64_t base = sizeof(EmptyResHeader);
  while (base < image.Size() && image.Size() - base > kIgnoredTail) {
    ImageEntry entry = ReadEntry(image, stream, base);
    AddLeaf(*root, entry.type, entry.name, entry.info, entry.data, entry.dataSize, false);
    base += entry.span;
  }
  return root;
}

TDataResItem* TResResSection::DoAddResource(std::int32_t typeId, std::int32_t nameId,
                                            std::uint16_t languageId,
                                            const std::string& typeName,
                                            const std::string& resName, bool typeIsNamed,
                                            bool nameIsNamed, const std::uint8_t* rawData,
                                            std::int32_t rawSize) {
  ResHeaderInfo info{};
  info.LanguageId = languageId;
  return AddLeaf(*GetRootList(), FieldOf(typeName, typeId, typeIsNamed),
                 FieldOf(resName, nameId, nameIsNamed), info, rawData, rawSize, true);
}
