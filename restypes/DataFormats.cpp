// The side formats of one resource (res, dcr, rc, raw and any other extension): format
// list, descriptions, export and import, and the resource-script line.
#include <exception>

#include "DataHandler.h"
#include "DataResItem.h"
#include "Exceptions.h"
#include "StringIds.h"
#include "StringTable.h"
#include "UResTool.h"

namespace {

std::string Lower(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// The type word of a resource-script line, by standard type number.
std::string RcTypeKeyword(std::int32_t type) {
  switch (type) {
    case 1: return "Cursor";
    case 2: return "Bitmap";
    case 3: return "Icon";
    case 4: return "Menu";
    case 5: return "Dialog";
    case 6: return "StringTable";
    case 7: return "Font";
    case 8: return "Font";
    case 9: return "Accelerators";
    case 10: return "RCData";
    case 11: return "MessageTable";
    case 12: return "Cursor";
    case 14: return "Icon";
    case 16: return "Version";
    case 17: return "DlgInclude";
    default: return std::to_string(type);  // 19 to 23 are written as their numbers
  }
}

}  // namespace

void TResDataHandler::BuildFormats() {
  AddFormat("res");
  AddFormat("dcr");
  AddFormat("rc");
  AddFormat("raw");
}

bool TResDataHandler::SupportsFormat(const std::string& ext) {
  TDataResItem* leaf = DataItem();
  const bool fixedType = leaf->IsStandardType() && leaf->TypeId() != 10 && leaf->TypeId() != 23;
  bool answer = fixedType ? HasFormat(ext) : true;
  if (answer && Lower(ext) == "rc") answer = FormatAt(0) == "rc";
  return answer;
}

std::string TResDataHandler::FormatDescription(const std::string& ext) {
  // An empty extension stands for the first format; a handler without formats has none.
  if (ext.empty()) {
    const std::string first = FormatAt(0);
    return first.empty() ? rtl::LoadStr(SFormatRaw) : FormatDescription(first);
  }
  const std::string e = Lower(ext);
  if (e == "res") return rtl::LoadStr(SFormatRes);
  if (e == "dcr") return rtl::LoadStr(SFormatDcr);
  if (e == "rc") return rtl::LoadStr(SFormatRc);
  return rtl::LoadStr(SFormatRaw);
}

void TResDataHandler::ExportTo(rtl::TStream& stream, const std::string& ext) {
  if (ext.empty() && !FormatAt(0).empty()) return ExportTo(stream, FormatAt(0));
  const std::string e = Lower(ext);
  if (e == "res")
    DataItem()->WriteResEntry(stream);
  else if (e == "rc")
    WriteRcLine(stream);
  else
    DataItem()->SaveToStream(stream);
}

void TResDataHandler::ImportFrom(rtl::TStream& stream, const std::string& ext) {
  if (ext.empty() && !FormatAt(0).empty()) return ImportFrom(stream, FormatAt(0));
  const std::string e = Lower(ext);
  try {
    if (e == "res")
      DataItem()->LoadFromResImage(stream);
    else if (e == "rc")
      throw rtl::Exception("Not implemented");
    else
      DataItem()->LoadFromStream(stream);
  } catch (...) {
    // The leaf goes back to its source bytes before the failure is passed on.
    try {
      DataItem()->Revert(true);
    } catch (...) {
    }
    throw;
  }
}

void TResDataHandler::WriteRcLine(rtl::TStream& stream) {
  TDataResItem* leaf = DataItem();
  const std::string word =
      leaf->IsStandardType() ? RcTypeKeyword(leaf->TypeId()) : leaf->TypeItem()->IdText();
  WriteLine(stream, leaf->NameItem()->DisplayName() + " " + word + " " + DefaultFileName(0));
}
