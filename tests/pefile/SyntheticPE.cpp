// Building the synthetic images of SyntheticPE.h.
#include "SyntheticPE.h"

#include <algorithm>
#include <cstring>

#include "MyStreams.h"
#include "Streams.h"
#include "UResPEFile.h"

namespace synth {

namespace {
std::uint32_t Align(std::uint32_t v, std::uint32_t a) { return (v + a - 1) / a * a; }
}  // namespace

void Bytes::Put8(std::size_t at, std::uint8_t v) {
  if (data.size() < at + 1) data.resize(at + 1);
  data[at] = v;
}
void Bytes::Put16(std::size_t at, std::uint16_t v) {
  Put8(at, static_cast<std::uint8_t>(v));
  Put8(at + 1, static_cast<std::uint8_t>(v >> 8));
}
void Bytes::Put32(std::size_t at, std::uint32_t v) {
  Put16(at, static_cast<std::uint16_t>(v));
  Put16(at + 2, static_cast<std::uint16_t>(v >> 16));
}
void Bytes::PutText(std::size_t at, const std::string& ascii) {
  for (std::size_t i = 0; i < ascii.size(); ++i) Put8(at + i, static_cast<std::uint8_t>(ascii[i]));
}
void Bytes::PutWide(std::size_t at, const std::u16string& units) {
  for (std::size_t i = 0; i < units.size(); ++i) Put16(at + 2 * i, units[i]);
}
std::uint16_t Bytes::Get16(std::size_t at) const {
  return static_cast<std::uint16_t>(data.at(at) | (data.at(at + 1) << 8));
}
std::uint32_t Bytes::Get32(std::size_t at) const {
  return Get16(at) | (static_cast<std::uint32_t>(Get16(at + 2)) << 16);
}

Section& Image::Add(const std::string& name, std::vector<std::uint8_t> raw,
                    std::uint32_t characteristics, std::uint32_t virtualSize) {
  Section s;
  s.name = name;
  s.raw = std::move(raw);
  s.characteristics = characteristics;
  s.virtualSize = virtualSize;
  sections.push_back(std::move(s));
  return sections.back();
}

std::vector<std::uint8_t> Image::Build() {
  Bytes f;
  const std::uint32_t tableEnd =
      lfanew + kSectionTable + 40u * static_cast<std::uint32_t>(sections.size());
  const std::uint32_t area = headerArea ? headerArea : Align(tableEnd, fileAlignment);
  std::uint32_t raw = area, rva = sectionAlignment, code = 0, data = 0;
  for (Section& s : sections) {
    s.virtualAddress = rva;
    s.sizeOfRawData = s.raw.empty() ? 0 : Align(static_cast<std::uint32_t>(s.raw.size()), fileAlignment);
    s.pointerToRawData = s.raw.empty() ? 0 : raw;
    raw += s.sizeOfRawData;
    const std::uint32_t vsize = s.virtualSize ? s.virtualSize : static_cast<std::uint32_t>(s.raw.size());
    rva += Align(std::max<std::uint32_t>(vsize, 1), sectionAlignment);
    (s.characteristics & 0x20 ? code : data) += s.sizeOfRawData;
  }
  f.data.assign(raw, 0);
  f.PutText(0, "MZ");
  f.Put32(60, lfanew);
  f.PutText(lfanew, std::string("PE\0\0", 4));
  const std::uint32_t nt = lfanew;
  f.Put16(nt + 4, 0x14C);
  f.Put16(nt + kNumberOfSections, static_cast<std::uint16_t>(sections.size()));
  f.Put16(nt + 20, 224);
  f.Put16(nt + 22, 0x0102);
  f.Put16(nt + 24, 0x10B);
  f.Put32(nt + 24 + 4, code);
  f.Put32(nt + kSizeOfInitializedData, data);
  f.Put32(nt + 24 + 16, sectionAlignment);  // entry point: the first section
  f.Put32(nt + 24 + 28, 0x400000);
  f.Put32(nt + kSectionAlignment, sectionAlignment);
  f.Put32(nt + kFileAlignment, fileAlignment);
  f.Put16(nt + 24 + 40, 4);
  f.Put16(nt + 24 + 48, 4);
  f.Put32(nt + kSizeOfImage, rva);
  f.Put32(nt + 24 + 60, area);
  f.Put32(nt + kCheckSum, checkSum);
  f.Put16(nt + 24 + 68, 3);
  f.Put32(nt + 24 + 72, 0x100000);
  f.Put32(nt + 24 + 76, 0x1000);
  f.Put32(nt + 24 + 80, 0x100000);
  f.Put32(nt + 24 + 84, 0x1000);
  f.Put32(nt + kNumberOfRvaAndSizes, numberOfRvaAndSizes);
  for (std::size_t i = 0; i < sections.size(); ++i) {
    const Section& s = sections[i];
    const std::size_t h = nt + kSectionTable + 40 * i;
    f.PutText(h, s.name.substr(0, 8));
    f.Put32(h + 8, s.virtualSize ? s.virtualSize : static_cast<std::uint32_t>(s.raw.size()));
    f.Put32(h + 12, s.virtualAddress);
    f.Put32(h + 16, s.sizeOfRawData);
    f.Put32(h + 20, s.pointerToRawData);
    f.Put32(h + 36, s.characteristics);
    if (!s.raw.empty()) std::memcpy(f.data.data() + s.pointerToRawData, s.raw.data(), s.raw.size());
  }
  f.data.insert(f.data.end(), overlay.begin(), overlay.end());
  return f.data;
}

void Image::SetDirectory(std::vector<std::uint8_t>& file, std::uint32_t lfanew, int index,
                         std::uint32_t rva, std::uint32_t size) {
  Bytes b{std::move(file)};
  b.Put32(lfanew + kDirectories + 8u * static_cast<std::uint32_t>(index), rva);
  b.Put32(lfanew + kDirectories + 8u * static_cast<std::uint32_t>(index) + 4, size);
  file = std::move(b.data);
}

void DirTable(Bytes& b, std::size_t at, std::uint16_t named, std::uint16_t ids,
              const std::vector<DirEntry>& entries, const char* version) {
  b.Put32(at, 0);
  b.Put32(at + 4, 0x11223344);
  b.PutText(at + 8, version ? std::string(version, 4) : std::string(4, '\0'));
  b.Put16(at + 12, named);
  b.Put16(at + 14, ids);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    b.Put32(at + 16 + 8 * i, entries[i].name);
    b.Put32(at + 20 + 8 * i, entries[i].offset);
  }
}

void DirName(Bytes& b, std::size_t at, const std::u16string& text) {
  b.Put16(at, static_cast<std::uint16_t>(text.size()));
  b.PutWide(at + 2, text);
}

void DirData(Bytes& b, std::size_t at, std::uint32_t rva, std::uint32_t size,
             std::uint32_t codePage) {
  b.Put32(at, rva);
  b.Put32(at + 4, size);
  b.Put32(at + 8, codePage);
  b.Put32(at + 12, 0);
}

Bytes StandardTree(std::uint32_t rva) {
  Bytes b;
  DirTable(b, 0x00, 0, 1, {{6, 0x18 | kHigh}});
  DirTable(b, 0x18, 0, 1, {{1, 0x30 | kHigh}});
  DirTable(b, 0x30, 0, 1, {{1033, 0x48}});
  DirData(b, 0x48, rva + 0x60, 5, 1252);
  b.PutText(0x60, "hello");
  return b;
}

std::vector<std::uint8_t> WithResources(const Bytes& rsrc, const std::string& name) {
  Image image;
  image.Add(".text", std::vector<std::uint8_t>(16, 0xC3), 0x60000020);
  image.Add(name, rsrc.data);
  auto bytes = image.Build();
  Image::SetDirectory(bytes, image.lfanew, 2, image.sections[1].virtualAddress,
                      static_cast<std::uint32_t>(rsrc.data.size()));
  return bytes;
}

std::unique_ptr<TPEFile> Open(const std::vector<std::uint8_t>& bytes) {
  TReadMemoryStream stream(bytes.data(), static_cast<std::int32_t>(bytes.size()));
  return TPEFile::CreateFromStream(stream);
}

std::vector<std::uint8_t> Rebuild(TPEFile& file) {
  rtl::TMemoryStream out;
  file.WriteImage(out, nullptr);
  return std::vector<std::uint8_t>(out.Memory(), out.Memory() + out.BlockSize());
}

}  // namespace synth
