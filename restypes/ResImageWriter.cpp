// Writing leaves as entries of a 32-bit resource image, one entry or a whole tree.
#include <exception>
#include <vector>

#include "DataHandler.h"
#include "DataResItem.h"
#include "Exceptions.h"
#include "Platform.h"
#include "ResImageFormat.h"
#include "ResourceTree.h"
#include "Streams.h"

void TDataResItem::WriteResEntry(rtl::TStream& stream) {
  if (stream.Position() == 0) stream.WriteBuffer(EmptyResHeader, sizeof EmptyResHeader);
  const std::int32_t size = Size();
  if (size <= 0) return;  // a leaf without data is never written

  TListResItem* type = TypeItem();
  TListResItem* name = NameItem();
  const std::string typeText = type->IsNamed() ? type->Name() : std::string();
  const std::string nameText = name->IsNamed() ? name->Name() : std::string();

  // HeaderSize counts the bytes really written up to the data: the padding after the
  // names is measured on the absolute position, so an entry that does not start on a
  // multiple of 4 still describes itself correctly.
  const std::int64_t start = stream.Position();
  const std::int64_t afterNames = start + 8 + ResNameFieldSize(type->IsNamed(), typeText) +
                                  ResNameFieldSize(name->IsNamed(), nameText);
  const std::int64_t headerSize = ((afterNames + 3) & ~std::int64_t{3}) - start + 16;

  stream.WriteU32(static_cast<std::uint32_t>(size));
  stream.WriteU32(static_cast<std::uint32_t>(headerSize));
  WriteResName(stream, type->IsNamed() ? rnString : rnOrdinal,
               static_cast<std::uint16_t>(type->Id()), typeText);
  WriteResName(stream, name->IsNamed() ? rnString : rnOrdinal,
               static_cast<std::uint16_t>(name->Id()), nameText);
  PadToAlignment(stream);
  stream.WriteU32(0);           // DataVersion
  stream.WriteU16(0);           // MemoryFlags
  stream.WriteU16(Language());  // LanguageId
  stream.WriteU32(0);           // Version
  stream.WriteU32(Owner()->Characteristics());
  PadToAlignment(stream);
  stream.WriteBuffer(Data(), size);
  PadToAlignment(stream);

  std::vector<TDataResItem*> carried;
  if (DataHandler()->CarriedItems(&carried))
    for (TDataResItem* leaf : carried) leaf->WriteResEntry(stream);
}

namespace {

void WriteLeaves(TResourceList& list, rtl::TStream& stream, bool onlyModified) {
  for (int i = 0, n = list.Count(); i < n; ++i) {
    if (list.Level() != 2) {
      WriteLeaves(*list.ListItem(i)->GetSubList(), stream, onlyModified);
      continue;
    }
    TDataResItem* leaf = list.DataItem(i);
    const bool wanted = !onlyModified || leaf->IsModified() || leaf->IsEditMarked() ||
                        leaf->IsNew();
    if (wanted && !leaf->DataHandler()->IsCarried()) leaf->WriteResEntry(stream);
  }
}

}  // namespace

void TResourceList::WriteResFile(const std::string& fileName, bool onlyModified) {
  TResFileStream stream(fileName, plat::fmCreate);  // its failure propagates as it is
  std::string failure;
  try {
    WriteLeaves(*this, stream, onlyModified);
    // A tree without data still gives a valid image: the header alone.
    if (stream.Position() == 0) stream.WriteBuffer(EmptyResHeader, sizeof EmptyResHeader);
    stream.Close();
    return;
  } catch (const std::exception& e) {
    failure = e.what();
  }
  try {
    stream.Close();
  } catch (...) {
  }
  if (plat::FileExists(fileName)) plat::DeleteFile(fileName);
  throw rtl::Exception(failure + "\r\n(" + fileName + ")");
}
