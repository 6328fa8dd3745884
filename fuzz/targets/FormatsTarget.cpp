// One resource built from the input, through its data handler: the answers that describe
// it, export in every side format, and import from the input in every side format. A
// resource exported as a .res entry and imported back has its bytes unchanged.
#include <cstring>

#include "DataHandler.h"
#include "DataResItem.h"
#include "FuzzSupport.h"
#include "FuzzTargets.h"
#include "MyStreams.h"
#include "ResResFile.h"
#include "StringList.h"
#include "Streams.h"

namespace zedfuzz {

namespace {

struct TypeChoice {
  std::uint16_t id;
  const char16_t* name;
};
// Types whose handling differs: fixed binary types, content-dependent ones, the version
// resource, a named type and a number no standard type has.
const TypeChoice kTypes[] = {{2, u""},  {3, u""},  {4, u""},  {5, u""},       {6, u""},
                             {10, u""}, {16, u""}, {23, u""}, {0, u"MYTYPE"}, {240, u""}};
const char* const kFormats[] = {"", "res", "dcr", "rc", "raw", "rtf", "txt", "bmp", "RES"};

TDataResItem* OnlyLeaf(TResResFile& file) {
  return file.GetRootList()->ListItem(0)->GetSubList()->ListItem(0)->GetSubList()->DataItem(0);
}

Bytes Current(TDataResItem* leaf) {
  const std::uint8_t* data = leaf->Data();
  return Bytes(data, data + leaf->Size());
}

void Describe(TResDataHandler* handler) {
  (void)handler->Formats();
  (void)handler->Description();
  (void)handler->StatusText();
  (void)handler->IsText();
  for (int i = 0; i < 16 && !handler->FormatAt(i).empty(); ++i) (void)handler->DefaultFileName(i);
  rtl::TStringList lines;
  handler->LoadInto(&lines);
  for (const char* ext : kFormats) {
    (void)handler->SupportsFormat(ext);
    (void)handler->FormatDescription(ext);
  }
}

void ExportAll(TResDataHandler* handler) {
  for (const char* ext : kFormats) {
    rtl::TMemoryStream out;
    try {
      handler->ExportTo(out, ext);
    } catch (const rtl::Exception&) {
    }
  }
}

}  // namespace

int RunFormats(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > (1u << 20)) return 0;
  RegisterResImageOpener();
  const TypeChoice& type = kTypes[data[0] % (sizeof kTypes / sizeof kTypes[0])];
  Bytes image = EmptyImage();
  AppendResEntry(image, type.id, type.name, 0x0409, data + 1, size - 1);
  TReadMemoryStream stream(image.data(), static_cast<std::int32_t>(image.size()));
  std::unique_ptr<TResResFile> file = TResResFile::CreateFromStream(stream);
  TDataResItem* leaf = OnlyLeaf(*file);
  TResDataHandler* handler = leaf->DataHandler();
  Describe(handler);
  ExportAll(handler);

  // Export as an entry and import it back: the same bytes.
  if (size > 1) {
    const Bytes before = Current(leaf);
    rtl::TMemoryStream entry;
    handler->ExportTo(entry, "res");
    entry.SetPosition(0);
    handler->ImportFrom(entry, "res");
    if (Current(leaf) != before) Fail("a resource changed on its way through a .res entry");
  }

  for (const char* ext : kFormats) {
    TReadMemoryStream input(data + 1, static_cast<std::int32_t>(size - 1));
    try {
      handler = leaf->DataHandler();
      handler->ImportFrom(input, ext);
      handler = leaf->DataHandler();
      Describe(handler);
      ExportAll(handler);
    } catch (const rtl::Exception&) {
    }
  }
  return 0;
}

}  // namespace zedfuzz
