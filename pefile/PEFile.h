// TPEFile: the resource container for 32-bit Windows PE executables. Opening one checks
// that the bytes are a PE32 image (CheckExecutable); afterwards it answers questions about
// the section table, gives the patch engine the image end and the code fingerprint, and
// saves itself as a rebuilt image (PEImageWriter.cpp).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ByteView.h"
#include "Exceptions.h"
#include "ResContainer.h"

namespace rtl {
class TStream;
}

// Not a 32-bit PE image; the message names the file and the reason.
class ENoPEException : public rtl::Exception {
 public:
  using rtl::Exception::Exception;
};

// `value` rounded up to a multiple of `alignment` (signed, truncating division). Callers
// pass validated alignments; an alignment below 1 leaves the value as it is.
std::int32_t AlignUp(std::int32_t value, std::int32_t alignment);

// Classifies `size` bytes at `data`; answers the offset of the PE signature (e_lfanew).
// Raises ENoPEException "Ошибка открытия <name>: <reason>" for anything but a PE32 image.
std::int32_t CheckExecutable(const std::uint8_t* data, std::int32_t size, const std::string& name);

// One section header, decoded.
struct TPESectionHeader {
  std::uint8_t Name[8] = {};
  std::uint32_t VirtualSize = 0;
  std::uint32_t VirtualAddress = 0;
  std::uint32_t SizeOfRawData = 0;
  std::uint32_t PointerToRawData = 0;
  std::uint32_t Characteristics = 0;

  // The BSS-like sections of GCC, MinGW and Wine programs have no bytes in the file
  // (SizeOfRawData and PointerToRawData 0); the pointer of such a section means nothing.
  bool HasRawData() const { return SizeOfRawData != 0; }
  std::string NameText() const;  // up to the first zero byte, at most 8 characters
};
TPESectionHeader DecodeSectionHeader(const ByteView& header);  // 40 bytes

class TPEFile : public TResContainer {
 public:
  // Opens and maps the file, then classifies it under its bare file name.
  explicit TPEFile(const std::string& fileName);
  // Copies the rest of the stream, then classifies it under the name "Файл".
  explicit TPEFile(rtl::TStream& stream);
  static std::unique_ptr<TPEFile> CreateFromFile(const std::string& fileName);
  static std::unique_ptr<TPEFile> CreateFromStream(rtl::TStream& stream);

  // The whole file; a read outside it raises "Corrupt resource.".
  ByteView Image() const;
  std::int32_t NtHeadersOffset() const { return ntHeaders_; }

  int SectionCount() const;
  TPESectionHeader SectionHeader(int index) const;  // "Header Index out of bounds!"
  int FindSection(const std::string& name) const;   // -1 when none
  int FirstCodeSection() const;                      // -1 when none
  // The raw data of a section; "Corrupt resource." when it does not lie inside the file.
  ByteView SectionRawData(int index) const;
  // The resource section found when the section was created; -1 when there is none.
  int ResourceSectionIndex() const { return resourceSection_; }

  // The highest raw end of any section: where an appended payload begins.
  std::int32_t ImageEnd() const;
  // The fingerprint of the first code section's raw words.
  std::uint32_t VersionChecksum() const;

  // Writes the rebuilt image to a new file; deletes the file when writing fails.
  void SaveToFile(const std::string& fileName, const TProgressEvent& onProgress) override;
  // Writes the rebuilt image to `stream`, reporting progress (1000, 0), (100, 1), one
  // report per section, (100, 100).
  void WriteImage(rtl::TStream& stream, const TProgressEvent& onProgress);

 protected:
  std::unique_ptr<TResSection> CreateSection() override;

 private:
  ByteView SectionHeaderView(int index) const;

  std::int32_t ntHeaders_ = 0;
  int resourceSection_ = -1;
};
