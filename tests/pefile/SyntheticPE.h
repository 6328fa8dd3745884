// Small 32-bit PE images made in memory for the edge cases that no linker produces on
// request: odd alignments, sections without file bytes, hand-made resource directories,
// truncated tables. Real programs made by MinGW are in MergeFixturesTest.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TPEFile;

namespace synth {

// A growable byte block with little-endian stores at given offsets.
struct Bytes {
  std::vector<std::uint8_t> data;
  void Put8(std::size_t at, std::uint8_t v);
  void Put16(std::size_t at, std::uint16_t v);
  void Put32(std::size_t at, std::uint32_t v);
  void PutText(std::size_t at, const std::string& ascii);   // bytes as they are
  void PutWide(std::size_t at, const std::u16string& units);  // units, no count
  std::uint16_t Get16(std::size_t at) const;
  std::uint32_t Get32(std::size_t at) const;
};

struct Section {
  std::string name;
  std::vector<std::uint8_t> raw;  // empty: a section without file bytes
  std::uint32_t virtualSize = 0;  // 0: the raw size
  std::uint32_t characteristics = 0x40000040;
  // Filled by Build:
  std::uint32_t virtualAddress = 0;
  std::uint32_t pointerToRawData = 0;
  std::uint32_t sizeOfRawData = 0;  // raw size rounded up to the file alignment
};

struct Image {
  std::uint32_t fileAlignment = 0x200;
  std::uint32_t sectionAlignment = 0x1000;
  std::uint32_t lfanew = 0x80;
  std::uint32_t numberOfRvaAndSizes = 16;
  std::uint32_t headerArea = 0;  // 0: the section table rounded up to the file alignment
  std::uint32_t checkSum = 0x12345678;
  std::vector<Section> sections;
  std::vector<std::uint8_t> overlay;  // appended after the last section

  Section& Add(const std::string& name, std::vector<std::uint8_t> raw,
               std::uint32_t characteristics = 0x40000040, std::uint32_t virtualSize = 0);
  // Lays the sections out back to back (virtual addresses from one SectionAlignment on)
  // and answers the file bytes. Data directories can be set afterwards with SetDirectory.
  std::vector<std::uint8_t> Build();
  static void SetDirectory(std::vector<std::uint8_t>& file, std::uint32_t lfanew, int index,
                           std::uint32_t rva, std::uint32_t size);
};

// Field offsets used by the tests (from the PE signature).
constexpr std::uint32_t kNumberOfSections = 6;
constexpr std::uint32_t kPointerToSymbolTable = 12;
constexpr std::uint32_t kNumberOfSymbols = 16;
constexpr std::uint32_t kSizeOfInitializedData = 24 + 8;
constexpr std::uint32_t kSectionAlignment = 24 + 32;
constexpr std::uint32_t kFileAlignment = 24 + 36;
constexpr std::uint32_t kSizeOfImage = 24 + 56;
constexpr std::uint32_t kCheckSum = 24 + 64;
constexpr std::uint32_t kNumberOfRvaAndSizes = 24 + 92;
constexpr std::uint32_t kDirectories = 24 + 96;
constexpr std::uint32_t kSectionTable = 248;

// Hand-made resource directories (offsets from the section start).
constexpr std::uint32_t kHigh = 0x80000000u;
constexpr std::uint32_t kRsrcRva = 0x2000;  // of WithResources: .text takes the first page
struct DirEntry {
  std::uint32_t name, offset;
};
void DirTable(Bytes& b, std::size_t at, std::uint16_t named, std::uint16_t ids,
              const std::vector<DirEntry>& entries, const char* version = nullptr);
void DirName(Bytes& b, std::size_t at, const std::u16string& text);
void DirData(Bytes& b, std::size_t at, std::uint32_t rva, std::uint32_t size,
             std::uint32_t codePage);
// type 6 / name 1 / language 1033: "hello", code page 1252, for a section at `rva`.
Bytes StandardTree(std::uint32_t rva = kRsrcRva);
// An image of a small .text and a section (".rsrc") holding `rsrc`, at kRsrcRva, with
// data directory 2 on it.
std::vector<std::uint8_t> WithResources(const Bytes& rsrc, const std::string& name = ".rsrc");

// Opening synthetic bytes as a container, through a stream (the name in messages is
// "Файл") or through a scratch file (its bare name in messages).
std::unique_ptr<TPEFile> Open(const std::vector<std::uint8_t>& bytes);

// The bytes a TPEFile writes for its rebuilt image.
std::vector<std::uint8_t> Rebuild(TPEFile& file);

}  // namespace synth
