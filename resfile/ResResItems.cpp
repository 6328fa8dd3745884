// Nodes of a tree read from a resource image.
#include "ResResItems.h"

void TResListResItem::SetIdentifier(const std::string& name, std::uint16_t id, bool isNamed) {
  storedName_ = name;
  storedId_ = id;
  storedNamed_ = isNamed;
}

std::unique_ptr<TResourceList> TResListResItem::CreateSubList() {
  return std::make_unique<TResResourceList>(this, Section());
}

void TResDataResItem::SetIdentifier(const std::string&, std::uint16_t id, bool) {
  headerInfo_.LanguageId = id;
}
