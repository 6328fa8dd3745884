// The fuzz targets' shared helpers.
#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <random>

#include "DataResItem.h"
#include "Exceptions.h"
#include "Platform.h"
#include "ResImageFormat.h"
#include "ResResFile.h"
#include "ResourceTree.h"
#include "Streams.h"

namespace zedfuzz {

namespace {

std::unique_ptr<TResContainer> OpenImage(rtl::TStream& source) {
  return TResResFile::CreateFromStream(source);
}

void Put16(Bytes& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xFF));
  out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
void Put32(Bytes& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void PutId(Bytes& out, std::uint16_t id, const std::u16string& name) {
  if (name.empty()) {
    Put16(out, 0xFFFF);
    Put16(out, id);
    return;
  }
  for (char16_t unit : name) Put16(out, unit);
  Put16(out, 0);
}
void Pad4(Bytes& out) {
  while (out.size() % 4 != 0) out.push_back(0);
}

// Reads every byte, so that a pointer that runs past its block shows at once.
std::uint32_t Touch(const std::uint8_t* data, std::int32_t size) {
  std::uint32_t sum = 0;
  for (std::int32_t i = 0; i < size; ++i) sum += data[i];
  return sum;
}

}  // namespace

void RegisterResImageOpener() { SetResImageOpener(&OpenImage); }

int WalkTree(TResourceList* list) {
  int leaves = 0;
  int count = 0;
  try {
    count = list->Count();
  } catch (const rtl::Exception&) {
    return 0;
  }
  for (int i = 0; i < count; ++i) {
    try {
      TResourceItem* item = list->Item(i);
      (void)item->DisplayName();
      (void)item->IdText();
      if (list->Level() == 2) {
        TDataResItem* leaf = list->DataItem(i);
        const std::int32_t size = leaf->Size();
        if (size < 0) Fail("a leaf with a negative size");
        volatile std::uint32_t sum = Touch(leaf->Data(), size);
        (void)sum;
        (void)leaf->TypeText();
        if (size > 0) ++leaves;
      } else {
        leaves += WalkTree(list->ListItem(i)->GetSubList());
      }
    } catch (const rtl::Exception&) {
    }
  }
  return leaves;
}

namespace {
FailureHandler gFailureHandler = nullptr;
}

void SetFailureHandler(FailureHandler handler) { gFailureHandler = handler; }

void Fail(const std::string& what) {
  if (gFailureHandler) gFailureHandler(what);
  std::fprintf(stderr, "zedfuzz: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

void AppendResEntry(Bytes& image, std::uint16_t typeId, const std::u16string& typeName,
                    std::uint16_t language, const std::uint8_t* data, std::size_t size) {
  Pad4(image);
  Bytes header;
  PutId(header, typeId, typeName);
  PutId(header, 1, u"");
  Pad4(header);
  Put32(header, 0);  // DataVersion
  Put16(header, 0x1030);
  Put16(header, language);
  Put32(header, 0);  // Version
  Put32(header, 0);  // Characteristics
  Put32(image, static_cast<std::uint32_t>(size));
  Put32(image, static_cast<std::uint32_t>(header.size() + 8));
  image.insert(image.end(), header.begin(), header.end());
  image.insert(image.end(), data, data + size);
  Pad4(image);
}

Bytes EmptyImage() { return Bytes(EmptyResHeader, EmptyResHeader + 32); }

std::string ScratchName(const std::string& tag) {
  static const std::string unique = [] {
    std::random_device device;
    return std::to_string(device()) + std::to_string(device());
  }();
  char dir[1024];
  const std::uint32_t n = plat::GetTempPath(sizeof dir, dir);
  return std::string(dir, n == 0 || n >= sizeof dir ? 0 : n) + "zedfuzz-" + unique + "-" + tag;
}

void WriteWholeFile(const std::string& name, const Bytes& bytes) {
  rtl::TFileStream file(name, plat::fmCreate);
  if (!bytes.empty()) file.WriteBuffer(bytes.data(), static_cast<std::int32_t>(bytes.size()));
}

}  // namespace zedfuzz
