// The data handler's bookkeeping: its format list, its describing answers, and the two
// handler registries that tools may fill.
#include "DataHandler.h"

#include <exception>
#include <memory>

#include "DataResItem.h"
#include "StringIds.h"
#include "StringTable.h"

namespace {

std::string Lower(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string Entry(const std::string& ext) { return ";" + Lower(ext) + ";"; }

// Freed when the program ends.
std::unique_ptr<std::vector<TTypeHandlerLookup>> gTypeRegistry;
std::unique_ptr<std::vector<TItemHandlerLookup>> gItemRegistry;

}  // namespace

std::vector<TTypeHandlerLookup>* TypeHandlerRegistry() { return gTypeRegistry.get(); }
std::vector<TItemHandlerLookup>* ItemHandlerRegistry() { return gItemRegistry.get(); }

std::vector<TTypeHandlerLookup>& CreateTypeHandlerRegistry() {
  if (!gTypeRegistry) gTypeRegistry = std::make_unique<std::vector<TTypeHandlerLookup>>();
  return *gTypeRegistry;
}

std::vector<TItemHandlerLookup>& CreateItemHandlerRegistry() {
  if (!gItemRegistry) gItemRegistry = std::make_unique<std::vector<TItemHandlerLookup>>();
  return *gItemRegistry;
}

const std::string& TResDataHandler::Formats() {
  if (formatList_.empty()) {
    formatList_ = ";";
    BuildFormats();
  }
  return formatList_;
}

void TResDataHandler::AddFormat(const std::string& ext) {
  Formats();  // an unbuilt list is built first, so the result keeps its shape
  if (formatList_.find(Entry(ext)) == std::string::npos) formatList_ += Lower(ext) + ";";
}

void TResDataHandler::RemoveFormat(const std::string& ext) {
  Formats();
  const std::size_t at = formatList_.find(Entry(ext));
  // The semicolon in front and the extension go; the one behind stays.
  if (at != std::string::npos) formatList_.erase(at, 1 + ext.size());
}

bool TResDataHandler::HasFormat(const std::string& ext) {
  return Formats().find(Entry(ext)) != std::string::npos;
}

std::string TResDataHandler::FormatAt(int index) {
  const std::string& list = Formats();
  std::size_t start = 1;  // after the leading semicolon
  for (int i = 0; start < list.size(); ++i) {
    const std::size_t end = list.find(';', start);
    if (end == std::string::npos) break;
    if (i == index) return list.substr(start, end - start);
    start = end + 1;
  }
  return std::string();
}

std::string TResDataHandler::DefaultFileName(int index) {
  return dataItem_->ExportName() + "." + FormatAt(index);
}

std::string TResDataHandler::Description() {
  try {
    return dataItem_->TypeDisplayName();
  } catch (const std::exception& e) {
    return e.what();
  }
}

std::string TResDataHandler::StatusText() {
  try {
    return dataItem_->Size() > 0 ? std::string() : rtl::LoadStr(SEmptyResource);
  } catch (const std::exception& e) {
    return e.what();
  }
}
