// Helpers of the resource file tests.
#include "TreeRows.h"

#include <cstdio>

#include "DataResItem.h"
#include "Format.h"
#include "MyStreams.h"
#include "StringIds.h"
#include "StringTable.h"
#include "UResTool.h"

namespace resfiletest {

std::ostream& operator<<(std::ostream& out, const LeafRow& row) {
  out << (row.typeNamed ? "'" + row.type + "'" : row.type) << "/"
      << (row.nameNamed ? "'" + row.name + "'" : row.name) << "/";
  char lang[8];
  std::snprintf(lang, sizeof lang, "%04X", row.language);
  return out << lang << " " << row.data.size() << " bytes";
}

std::vector<LeafRow> Rows(TResourceList& root) {
  std::vector<LeafRow> rows;
  for (int t = 0; t < root.Count(); ++t) {
    TListResItem& type = *root.ListItem(t);
    TResourceList& names = *type.GetSubList();
    for (int n = 0; n < names.Count(); ++n) {
      TListResItem& name = *names.ListItem(n);
      TResourceList& languages = *name.GetSubList();
      for (int l = 0; l < languages.Count(); ++l) {
        TDataResItem& leaf = *languages.DataItem(l);
        LeafRow row;
        row.typeNamed = type.IsNamed();
        row.type = type.IdText();
        row.nameNamed = name.IsNamed();
        row.name = name.IdText();
        row.language = leaf.Language();
        const std::uint8_t* data = leaf.Data();
        if (leaf.Size() > 0)
          row.data.assign(reinterpret_cast<const char*>(data),
                          static_cast<std::size_t>(leaf.Size()));
        rows.push_back(row);
      }
    }
  }
  return rows;
}

std::unique_ptr<TResResFile> ReadImage(const std::vector<std::uint8_t>& bytes) {
  TReadMemoryStream stream(bytes.data(), static_cast<std::int32_t>(bytes.size()));
  return TResResFile::CreateFromStream(stream);
}

std::string Ansi(const std::u16string& text) {
  return WideToAnsi(text.data(), static_cast<int>(text.size()));
}

const std::set<std::string>& ReaderMessages() {
  static const std::set<std::string> messages = {
      rtl::LoadStr(SCorruptResFile), rtl::LoadStr(SReadError), rtl::LoadStr(SResNameReadError),
      rtl::FormatRes(SNotValidResFile, {""})};
  return messages;
}

}  // namespace resfiletest
