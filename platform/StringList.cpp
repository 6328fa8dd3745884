// The runtime's string list. Lines end at CR, LF or CR LF; the first zero byte ends the
// text, as it does for the runtime's null-terminated text. Saved files use CR LF.
#include "StringList.h"

#include "Exceptions.h"
#include "Format.h"
#include "StringIds.h"
#include "Streams.h"

namespace rtl {

void TStringList::SetText(const std::string& text) {
  lines_.clear();
  std::size_t end = text.find('\0');
  if (end == std::string::npos) end = text.size();
  std::size_t i = 0;
  while (i < end) {
    std::size_t start = i;
    while (i < end && text[i] != '\r' && text[i] != '\n') ++i;
    lines_.push_back(text.substr(start, i - start));
    if (i < end && text[i] == '\r') ++i;
    if (i < end && text[i] == '\n') ++i;
  }
}

std::string TStringList::Text() const {
  std::string out;
  for (const std::string& line : lines_) {
    out += line;
    out += "\r\n";
  }
  return out;
}

void TStringList::LoadFromStream(TStream& stream) {
  std::int64_t left = stream.Size() - stream.Position();
  std::string text;
  if (left > 0) {
    text.resize(static_cast<std::size_t>(left));
    stream.ReadBuffer(&text[0], static_cast<std::int32_t>(left));
  }
  SetText(text);
}

void TStringList::SaveToFile(const std::string& fileName) const {
  TFileStream file(fileName, plat::fmCreate);
  std::string text = Text();
  file.WriteBuffer(text.data(), static_cast<std::int32_t>(text.size()));
}

const std::string& TStringList::operator[](int index) const {
  if (index < 0 || index >= Count()) throw EListError(FormatRes(SListIndexError, {index}));
  return lines_[static_cast<std::size_t>(index)];
}

}  // namespace rtl
