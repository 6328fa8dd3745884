// The abstract resource tree: identifiers, their three comparisons, display texts,
// navigation between the levels and the lazy making and filling of lists.
#include "ResourceTree.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "DataResItem.h"
#include "Exceptions.h"
#include "Format.h"
#include "Platform.h"
#include "StringIds.h"
#include "UResTool.h"

namespace {

struct StandardType {
  std::int32_t number;
  const char* name;
};

const StandardType kStandardTypes[] = {
    {1, "Single Cursor"}, {2, "Bitmap"},        {3, "Single Icon"}, {4, "Menu"},
    {5, "Dialog"},        {6, "String"},        {7, "FontDir"},     {8, "Fonts"},
    {9, "Accelerators"},  {10, "RCData"},       {11, "Message Table"}, {12, "Cursor"},
    {14, "Icon"},         {16, "Version"},      {17, "DlgInclude"}, {19, "Plug & Play"},
    {20, "VXD"},          {21, "Ani Cursor"},   {22, "Ani Icon"},   {23, "html"},
};

char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

bool IsStandardResType(std::int32_t type) { return !ResTypeName(type).empty(); }

std::string ResTypeName(std::int32_t type) {
  // The set holds only numbers below 32, so a larger number never matches by accident.
  if (type < 0 || type > 31) return std::string();
  for (const StandardType& t : kStandardTypes)
    if (t.number == type) return t.name;
  return std::string();
}

bool SameTextAscii(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}

int CompareResItems(const TResourceItem& a, const TResourceItem& b) {
  const bool an = a.IsNamed(), bn = b.IsNamed();
  if (an && bn) {
    const std::string x = a.Name(), y = b.Name();
    const std::size_t n = std::min(x.size(), y.size());
    const int c = n ? std::memcmp(x.data(), y.data(), n) : 0;  // memcmp: unsigned bytes
    if (c != 0) return c;
    if (x.size() == y.size()) return 0;
    return x.size() < y.size() ? -1 : 1;
  }
  if (!an && !bn) {
    const std::int64_t d = static_cast<std::int64_t>(a.Id()) - b.Id();
    return d < 0 ? -1 : (d > 0 ? 1 : 0);
  }
  return an ? -1 : 1;
}

bool SameResIdentifier(const TResourceItem& a, const TResourceItem& b) {
  if (a.IsNamed() != b.IsNamed()) return false;
  if (a.IsNamed()) return SameTextAscii(a.Name(), b.Name());
  return a.Id() == b.Id();
}

// ---- TResourceItem --------------------------------------------------------------------

void TResourceItem::SetIdentifier(const std::string&, std::uint16_t, bool) {}

int TResourceItem::Level() const { return owner_->Level(); }

TResSection* TResourceItem::Section() const { return owner_->Section(); }

TListResItem* TResourceItem::TypeItem() {
  switch (Level()) {
    case 0:
      return static_cast<TListResItem*>(this);
    case 1:
      return owner_->Owner();
    default:
      return owner_->Owner()->Owner()->Owner();
  }
}

TListResItem* TResourceItem::NameItem() {
  if (Level() == 1) return static_cast<TListResItem*>(this);
  return owner_->Owner();
}

std::int32_t TResourceItem::TypeId() { return TypeItem()->Id(); }

bool TResourceItem::TypeIsNamed() { return TypeItem()->IsNamed(); }

std::string TResourceItem::TypeText() { return TypeItem()->IdText(); }

bool TResourceItem::IsStandardType() {
  TListResItem* type = TypeItem();
  return !type->IsNamed() && IsStandardResType(type->Id());
}

std::string TResourceItem::TypeDisplayName() {
  return IsStandardType() ? ResTypeName(TypeId()) : TypeText();
}

std::string TResourceItem::IdText() const {
  return IsNamed() ? Name() : std::to_string(Id());
}

std::string TResourceItem::DisplayName() {
  if (Level() == 0 && IsStandardType()) return ResTypeName(Id());
  if (IsNamed() || IsDirectory()) return IdText();
  const std::uint16_t language = static_cast<std::uint16_t>(Id());
  std::string name = LanguageName(language);
  if (name.empty()) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(language));
    name = hex;
  }
  return name;
}

// ---- TListResItem ---------------------------------------------------------------------

TListResItem::~TListResItem() = default;

TResourceList* TListResItem::GetSubList() {
  if (!subList_) subList_ = CreateSubList();
  return subList_.get();
}

bool TListResItem::HasSingleChild() { return Level() == 1 && GetSubList()->Count() == 1; }

// ---- TResourceList --------------------------------------------------------------------

TResourceList::TResourceList(TListResItem* owner, TResSection* section)
    : level_(static_cast<std::uint8_t>(owner ? owner->Level() + 1 : 0)),
      section_(section),
      owner_(owner) {}

TResourceList::~TResourceList() {
  if (!items_) return;
  for (auto& item : *items_) item.reset();  // in index order, then the collection
}

TResourceList::Items& TResourceList::GetItems() {
  if (!items_) {
    // Stored before Fill, so a failed fill keeps what it added and is not repeated.
    items_ = std::make_unique<Items>();
    Fill();
  }
  return *items_;
}

int TResourceList::Count() { return static_cast<int>(GetItems().size()); }

TResourceItem* TResourceList::Item(int index) {
  Items& items = GetItems();
  if (index < 0 || index >= static_cast<int>(items.size()))
    throw rtl::EListError(rtl::FormatRes(SListIndexError, {index}));
  return items[static_cast<std::size_t>(index)].get();
}

TListResItem* TResourceList::ListItem(int index) {
  auto* node = dynamic_cast<TListResItem*>(Item(index));
  if (!node) throw rtl::EListError(rtl::FormatRes(SListIndexError, {index}));
  return node;
}

TDataResItem* TResourceList::DataItem(int index) {
  auto* leaf = dynamic_cast<TDataResItem*>(Item(index));
  if (!leaf) throw rtl::EListError(rtl::FormatRes(SListIndexError, {index}));
  return leaf;
}

int TResourceList::IndexOf(const std::string& name, std::int32_t id, bool isNamed) {
  Items& items = GetItems();
  for (std::size_t i = 0; i < items.size(); ++i) {
    const TResourceItem& node = *items[i];
    if (node.IsNamed() != isNamed) continue;
    if (isNamed ? plat::CompareTextLocale(node.Name(), name) == 0 : node.Id() == id)
      return static_cast<int>(i);
  }
  return -1;
}

int TResourceList::DataItemCount() {
  if (level_ == 2) return Count();
  int total = 0;
  for (int i = 0, n = Count(); i < n; ++i) total += ListItem(i)->GetSubList()->DataItemCount();
  return total;
}

bool TResourceList::HasData() {
  for (int i = 0, n = Count(); i < n; ++i) {
    if (level_ == 2) {
      if (DataItem(i)->Size() > 0) return true;
    } else if (ListItem(i)->GetSubList()->HasData()) {
      return true;
    }
  }
  return false;
}

void TResourceList::Sort() {
  Items& items = GetItems();
  std::stable_sort(items.begin(), items.end(),
                   [](const std::unique_ptr<TResourceItem>& a,
                      const std::unique_ptr<TResourceItem>& b) {
                     return CompareResItems(*a, *b) < 0;
                   });
}
