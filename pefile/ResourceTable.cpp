// Measuring, laying out and writing a resource section from a resource tree.
#include "ResourceTable.h"

#include <cstring>
#include <limits>

#include "BlockWriter.h"
#include "DataResItem.h"
#include "Exceptions.h"
#include "PEFile.h"
#include "PEFormat.h"
#include "PEResDirectory.h"
#include "ResourceTree.h"
#include "Streams.h"
#include "UResTool.h"

namespace {

constexpr std::uint32_t kMaxSectionSize = std::numeric_limits<std::int32_t>::max();

[[noreturn]] void RaiseTooLarge() {
  throw rtl::Exception("The resources are too large for one resource section.");
}

// The sizes only grow; none, and no sum of them, may leave the signed 32-bit range that
// the section header and the data entries can describe.
void Grow(std::uint32_t& field, std::uint64_t amount) {
  const std::uint64_t sum = static_cast<std::uint64_t>(field) + amount;
  if (sum > kMaxSectionSize) RaiseTooLarge();
  field = static_cast<std::uint32_t>(sum);
}

const TPEDirHandler& HandlerOf(TResourceItem* item) {
  if (auto* node = dynamic_cast<TPEListResItem*>(item)) return node->DirHandler();
  return static_cast<TPEDataResItem*>(item)->DirHandler();
}

// Directory nodes whose branch holds some data; empty branches are not written.
bool Written(TListResItem* node) { return node->GetSubList()->HasData(); }

}  // namespace

// ---- TResourceTable -----------------------------------------------------------------

std::uint32_t& TResourceTable::TablePos(int level) {
  return level == 0 ? PosTypeTables : level == 1 ? PosNameTables : PosLanguageTables;
}

std::uint32_t& TResourceTable::NamePos(int level) {
  return level == 0 ? PosTypeNames : PosItemNames;
}

std::uint8_t* TResourceTable::Slot(std::uint32_t offset, std::uint32_t count) {
  if (static_cast<std::uint64_t>(offset) + count > Buffer.size())
    throw rtl::Exception("The resource directory layout is inconsistent.");
  return Buffer.data() + offset;
}

void TResourceTable::AllocateTables() {
  PosTypeTables = 0;
  PosNameTables = SizeTypeTables;
  PosLanguageTables = PosNameTables;
  Grow(PosLanguageTables, SizeNameTables);
  PosDataEntries = PosLanguageTables;
  Grow(PosDataEntries, SizeLanguageTables);
  PosTypeNames = PosDataEntries;
  Grow(PosTypeNames, SizeDataEntries);
  PosItemNames = PosTypeNames;
  Grow(PosItemNames, SizeTypeNames);
  std::uint32_t stringsEnd = PosItemNames;
  Grow(stringsEnd, SizeItemNames);
  DirectorySize = stringsEnd;
  Grow(DirectorySize, (4 - stringsEnd % 4) % 4);
  PosData = DirectorySize;
  std::uint32_t total = DirectorySize;
  Grow(total, SizeData);
  TotalSize = static_cast<std::int32_t>(total);
  Buffer.assign(DirectorySize, 0);
}

std::uint32_t TResourceTable::NewDirectoryTable(int level) {
  std::uint32_t& pos = TablePos(level);
  const std::uint32_t offset = pos;
  Slot(offset, pe::kDirTableSize);
  pos += pe::kDirTableSize;
  return offset;
}

void TResourceTable::AddEntry(int level, std::uint32_t name) {
  std::uint32_t& pos = TablePos(level);
  std::uint8_t* entry = Slot(pos, pe::kDirEntrySize);
  pe::PutU32(entry + pe::kEntryName, name);
  pe::PutU32(entry + pe::kEntryOffsetToData, TablePos(level + 1) | pe::kHighBit);
  pos += pe::kDirEntrySize;
}

bool TResourceTable::LayoutFilled() const {
  const std::uint32_t names = SizeTypeTables + SizeNameTables;
  const std::uint32_t languages = names + SizeLanguageTables;
  const std::uint32_t dataEntries = languages + SizeDataEntries;
  const std::uint32_t typeNames = dataEntries + SizeTypeNames;
  return PosTypeTables == SizeTypeTables && PosNameTables == names &&
         PosLanguageTables == languages && PosDataEntries == dataEntries &&
         PosTypeNames == typeNames && PosItemNames == typeNames + SizeItemNames &&
         PosData == static_cast<std::uint32_t>(TotalSize);
}

void TResourceTable::AddIdEntry(int level, std::uint16_t id) { AddEntry(level, id); }

void TResourceTable::AddNamedEntry(int level, const std::string& name) {
  std::uint32_t& pos = NamePos(level);
  const std::uint32_t size = CountedWideSize(name);
  AnsiToCountedWide(name, Slot(pos, size));
  const std::uint32_t at = pos;
  pos += size;
  AddEntry(level, at | pe::kHighBit);
}

void TResourceTable::AddCountedNamedEntry(int level, const std::uint8_t* units,
                                          std::uint16_t count) {
  std::uint32_t& pos = NamePos(level);
  const std::uint32_t size = 2 + 2u * count;
  std::uint8_t* target = Slot(pos, size);
  pe::PutU16(target, count);
  if (count > 0) std::memcpy(target + 2, units, 2u * count);
  const std::uint32_t at = pos;
  pos += size;
  AddEntry(level, at | pe::kHighBit);
}

void TResourceTable::AddLeafEntry(std::uint16_t language, std::uint32_t size,
                                  std::uint32_t codePage) {
  std::uint8_t* entry = Slot(PosLanguageTables, pe::kDirEntrySize);
  pe::PutU32(entry + pe::kEntryName, language);
  pe::PutU32(entry + pe::kEntryOffsetToData, PosDataEntries);
  std::uint8_t* data = Slot(PosDataEntries, pe::kDataEntrySize);
  pe::PutU32(data + pe::kDataRva, SectionRva + PosData);
  pe::PutU32(data + pe::kDataSize, size);
  pe::PutU32(data + pe::kDataCodePage, codePage);
  pe::PutU32(data + 12, 0);
  PosLanguageTables += pe::kDirEntrySize;
  PosDataEntries += pe::kDataEntrySize;
  PosData += static_cast<std::uint32_t>(AlignUp(static_cast<std::int32_t>(size), 4));
}

// ---- Measuring ----------------------------------------------------------------------

void MeasureList(TResourceTable& table, TResourceList& list) {
  const int count = list.Count();
  if (list.Level() == 2) {
    Grow(table.SizeLanguageTables, pe::kDirTableSize);
    for (int i = 0; i < count; ++i) {
      const std::int32_t size = list.DataItem(i)->Size();
      if (size <= 0) continue;
      Grow(table.SizeLanguageTables, pe::kDirEntrySize);
      Grow(table.SizeDataEntries, pe::kDataEntrySize);
      Grow(table.SizeData, static_cast<std::uint64_t>(size) + static_cast<std::uint32_t>((4 - size % 4) % 4));
    }
    return;
  }
  std::uint32_t& tables = list.Level() == 0 ? table.SizeTypeTables : table.SizeNameTables;
  std::uint32_t& names = list.Level() == 0 ? table.SizeTypeNames : table.SizeItemNames;
  Grow(tables, pe::kDirTableSize);
  for (int i = 0; i < count; ++i) {
    TListResItem* node = list.ListItem(i);
    if (!Written(node)) continue;
    Grow(tables, pe::kDirEntrySize);
    if (node->IsNamed()) Grow(names, HandlerOf(node).NameSize());
    MeasureList(table, *node->GetSubList());
  }
}

std::unique_ptr<TResourceTable> BuildResourceTable(TPEResSection& section) {
  auto table = std::make_unique<TResourceTable>();
  TResourceList* root = section.GetRootList();
  if (!root->HasData()) return table;
  MeasureList(*table, *root);
  table->AllocateTables();
  return table;
}

// ---- Laying out and writing ---------------------------------------------------------

void SortTree(TResourceList& list) {
  list.Sort();
  if (list.Level() == 2) return;
  const int count = list.Count();
  for (int i = 0; i < count; ++i) SortTree(*list.ListItem(i)->GetSubList());
}

void LayoutList(TResourceTable& table, TResourceList& list) {
  const int level = list.Level();
  const std::uint32_t header = table.NewDirectoryTable(level);
  auto* peList = static_cast<TPEResourceList*>(&list);
  if (peList->HasDirectory()) {
    std::memcpy(table.Slot(header, pe::kDirTableSize), peList->Directory().Ptr(0, pe::kDirTableSize),
                pe::kDirTableSize);
  } else {
    std::uint8_t* h = table.Slot(header, pe::kDirTableSize);
    pe::PutU32(h + pe::kDirCharacteristics, list.Characteristics());
    pe::PutU32(h + pe::kDirTimeDateStamp, UnixTimeStamp(NowUtc()));
    pe::PutU16(h + pe::kDirMajorVersion, 2);
    pe::PutU16(h + pe::kDirMinorVersion, 6);
  }
  std::uint16_t named = 0, numbered = 0;
  bool marked = false;
  const int count = list.Count();
  for (int i = 0; i < count; ++i) {
    if (level == 2) {
      auto* leaf = static_cast<TPEDataResItem*>(list.DataItem(i));
      const std::int32_t size = leaf->Size();
      if (size <= 0) continue;
      ++numbered;
      table.AddLeafEntry(static_cast<std::uint16_t>(leaf->Id()), static_cast<std::uint32_t>(size),
                         leaf->DirHandler().CodePage());
      if (leaf->IsNew() || leaf->IsModified() || leaf->IsEditMarked()) marked = true;
      continue;
    }
    TListResItem* node = list.ListItem(i);
    if (!Written(node)) continue;
    if (node->IsNamed())
      ++named;
    else
      ++numbered;
    HandlerOf(node).WriteEntry(level, table);
    LayoutList(table, *node->GetSubList());
  }
  std::uint8_t* h = table.Slot(header, pe::kDirTableSize);
  pe::PutU16(h + pe::kDirNamedEntries, named);
  pe::PutU16(h + pe::kDirIdEntries, numbered);
  if (marked) std::memcpy(h + pe::kDirMajorVersion, pe::kEditMarker, sizeof pe::kEditMarker);
}

void WriteLeafData(rtl::TStream& stream, TResourceList& list) {
  const int count = list.Count();
  for (int i = 0; i < count; ++i) {
    if (list.Level() != 2) {
      WriteLeafData(stream, *list.ListItem(i)->GetSubList());
      continue;
    }
    TDataResItem* leaf = list.DataItem(i);
    const std::int32_t size = leaf->Size();
    if (size <= 0) continue;
    WriteBlock(stream, leaf->Data(), static_cast<std::uint64_t>(size));
    WritePadding(stream, size, 4);
  }
}

void WriteResourceSection(TPEResSection& section, rtl::TStream& stream, TResourceTable& table,
                          std::int32_t fileAlignment) {
  TResourceList* root = section.GetRootList();
  if (!root->HasData()) return;
  SortTree(*root);
  LayoutList(table, *root);
  // Every area must have been filled exactly: the entries point at offsets fixed while
  // measuring, so a mismatch would write a directory that lies about its own layout.
  if (!table.LayoutFilled())
    throw rtl::Exception("The resource directory layout is inconsistent.");
  WriteBlock(stream, table.Buffer.data(), table.DirectorySize);
  WritePadding(stream, table.DirectorySize, 4);
  WriteLeafData(stream, *root);
  WritePadding(stream, table.TotalSize, fileAlignment);
}
