// The handler every leaf of this program gets: it tells text and rich text from binary
// data and describes and lists formats accordingly.
#include <cstring>
#include <exception>

#include "ByteView.h"
#include "DataHandler.h"
#include "DataResItem.h"
#include "Exceptions.h"
#include "MyStreams.h"
#include "StringIds.h"
#include "StringList.h"
#include "StringTable.h"

namespace {

[[noreturn]] void OutsideData() { throw rtl::Exception(rtl::LoadStr(SCorruptResource)); }

ByteView LeafBytes(TDataResItem& leaf) {
  const std::int32_t size = leaf.Size();
  return ByteView(leaf.Data(), size > 0 ? static_cast<std::uint64_t>(size) : 0, OutsideData);
}

}  // namespace

void TDefaultDataHandler::BuildFormats() {
  const bool text = IsText();
  if (text) AddFormat(IsRtf() ? "rtf" : "txt");
  TResDataHandler::BuildFormats();
  if (text) RemoveFormat("raw");
}

std::string TDefaultDataHandler::FormatDescription(const std::string& ext) {
  if (ext.empty()) return TResDataHandler::FormatDescription(ext);  // resolves, then calls us
  std::string e = ext;
  for (char& c : e)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  if (e == "rtf") return rtl::LoadStr(SFormatRtf);
  if (e == "txt") return rtl::LoadStr(SFormatTxt);
  return TResDataHandler::FormatDescription(ext);
}

bool TDefaultDataHandler::IsText() {
  if (textKind_ == 0) {
    TDataResItem& leaf = *DataItem();
    textKind_ = 1;
    const bool fixedType = leaf.IsStandardType() && leaf.TypeId() != 10 && leaf.TypeId() != 23;
    const ByteView bytes = LeafBytes(leaf);
    // The last byte is not looked at: a text may end in one terminating zero.
    // The size came from a signed 32-bit count, so it fits size_t on every target.
    const std::size_t looked = bytes.Size() >= 2 ? static_cast<std::size_t>(bytes.Size() - 1) : 0;
    if (!fixedType && looked > 0 && !std::memchr(bytes.Ptr(0, looked), 0, looked)) textKind_ = 2;
  }
  return textKind_ == 2;
}

bool TDefaultDataHandler::IsRtf() {
  if (!IsText()) return false;
  const ByteView bytes = LeafBytes(*DataItem());
  return bytes.Size() > 6 && bytes.BytesEqual(0, "{\\rtf1", 6);
}

void TDefaultDataHandler::LoadInto(rtl::TStringList* target) {
  if (!target) return;
  const ByteView bytes = LeafBytes(*DataItem());
  TReadMemoryStream stream(bytes.Data(), static_cast<std::int32_t>(bytes.Size()));
  target->LoadFromStream(stream);
}

std::string TDefaultDataHandler::Description() {
  try {
    if (!IsText()) return DataItem()->TypeDisplayName();
    return rtl::LoadStr(IsRtf() ? SDescRtf : SDescText);
  } catch (const std::exception& e) {
    return e.what();
  }
}
