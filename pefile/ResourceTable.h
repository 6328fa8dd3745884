// The resource section writer. TResourceTable measures a resource tree, fixes where every
// directory table, entry, name string and data block goes, and holds the directory part
// of the new section in memory; leaf data is streamed afterwards. Layout of the section:
//   type tables | name tables | language tables | data entries | type names | item names |
//   zero bytes to a multiple of 4 | data (each leaf padded to 4) | zeros to the file alignment
// Everything is laid out before the first byte is written; nothing is patched afterwards.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace rtl {
class TStream;
}
class TResourceList;
class TPEResSection;

class TResourceTable {
 public:
  std::vector<std::uint8_t> Buffer;  // the directory part, DirectorySize bytes
  std::uint32_t DirectorySize = 0;
  std::int32_t TotalSize = 0;  // directory part and data; 0 when the tree has no data
  std::uint32_t SectionRva = 0;

  std::uint32_t SizeTypeTables = 0, SizeNameTables = 0, SizeLanguageTables = 0,
                SizeDataEntries = 0, SizeTypeNames = 0, SizeItemNames = 0, SizeData = 0;
  std::uint32_t PosTypeTables = 0, PosNameTables = 0, PosLanguageTables = 0,
                PosDataEntries = 0, PosTypeNames = 0, PosItemNames = 0, PosData = 0;

  // Area starts from the sizes; allocates the zeroed Buffer.
  void AllocateTables();
  // Reserves a 16-byte table header in the tables area of `level`; answers its offset.
  std::uint32_t NewDirectoryTable(int level);
  // Entries of levels 0 and 1 point (top bit set) at the next table of the level below.
  void AddIdEntry(int level, std::uint16_t id);
  void AddNamedEntry(int level, const std::string& name);
  // `units` are `count` UTF-16 units, little-endian, as stored in the source file.
  void AddCountedNamedEntry(int level, const std::uint8_t* units, std::uint16_t count);
  // A language entry, its data entry and the placement of its data.
  void AddLeafEntry(std::uint16_t language, std::uint32_t size, std::uint32_t codePage);

  // Whether the layout walk reached the end of every area, as measured.
  bool LayoutFilled() const;
  // Checked access to Buffer, for the writer's own offsets.
  std::uint8_t* Slot(std::uint32_t offset, std::uint32_t count);

 private:
  std::uint32_t& TablePos(int level);
  std::uint32_t& NamePos(int level);
  void AddEntry(int level, std::uint32_t name);
};

// A measured and allocated table, or one with all sizes 0 when the tree holds no data.
std::unique_ptr<TResourceTable> BuildResourceTable(TPEResSection& section);
void MeasureList(TResourceTable& table, TResourceList& list);
void SortTree(TResourceList& list);
void LayoutList(TResourceTable& table, TResourceList& list);
void WriteLeafData(rtl::TStream& stream, TResourceList& list);
// Sorts the tree, lays out the directory and streams the whole section (TotalSize bytes
// padded to the file alignment). SectionRva must be set.
void WriteResourceSection(TPEResSection& section, rtl::TStream& stream, TResourceTable& table,
                          std::int32_t fileAlignment);
