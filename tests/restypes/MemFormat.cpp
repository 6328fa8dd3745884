// The in-memory test format: lists filled from the section's table, one list at a time.
#include "MemFormat.h"

#include "Exceptions.h"
#include "StringIds.h"
#include "StringTable.h"

namespace memfmt {

namespace {

// The identifiers on the path from the root to a list (the type, then the name).
std::vector<MemId> PathOf(TResourceList* list) {
  std::vector<MemId> path;
  for (TListResItem* node = list->Owner(); node; node = node->Owner()->Owner())
    path.insert(path.begin(), static_cast<TMemNode*>(node)->Ident());
  return path;
}

bool Contains(TResourceList* list, const MemId& id) {
  for (auto& item : list->GetItems())
    if (static_cast<TMemNode&>(*item).Ident() == id) return true;
  return false;
}

}  // namespace

void TMemList::Fill() {
  auto* section = static_cast<TMemSection*>(Section());
  ++section->fillCalls;
  const std::vector<MemId> path = PathOf(this);
  for (const MemRes& row : section->rows) {
    if (Level() >= 1 && !(row.type == path[0])) continue;
    if (Level() == 2 && !(row.name == path[1])) continue;
    if (Level() == 2) {
      if (row.nameOnly) continue;
      Append(std::make_unique<TMemLeaf>(
          this, row.language, reinterpret_cast<const std::uint8_t*>(row.data.data()),
          static_cast<std::int32_t>(row.data.size()), false));
      if (section->failFillAtLevel == 2) throw rtl::Exception("fill failed");
      continue;
    }
    const MemId& id = Level() == 0 ? row.type : row.name;
    if (!Contains(this, id)) Append(std::make_unique<TMemNode>(this, id, false));
    if (section->failFillAtLevel == Level()) throw rtl::Exception("fill failed");
  }
}

std::uint32_t TMemList::Characteristics() {
  return Level() == 2 ? static_cast<TMemSection*>(Section())->languageListCharacteristics : 0;
}

void TMemLeaf::LoadFromStream(rtl::TStream& stream) {
  auto* section = static_cast<TMemSection*>(Section());
  if (section->refuseVersion && !TypeIsNamed() && TypeId() == 16)
    throw rtl::Exception(rtl::LoadStr(SNoVersionChange));
  TDataResItem::LoadFromStream(stream);
}

TDataResItem* TMemSection::DoAddResource(std::int32_t typeId, std::int32_t nameId,
                                         std::uint16_t languageId, const std::string& typeName,
                                         const std::string& resName, bool typeIsNamed,
                                         bool nameIsNamed, const std::uint8_t* rawData,
                                         std::int32_t rawSize) {
  TResourceList* root = GetRootList();
  int t = root->IndexOf(typeName, typeId, typeIsNamed);
  if (t < 0) {
    root->Append(std::make_unique<TMemNode>(
        root, typeIsNamed ? S(typeName) : N(typeId), true));
    t = root->Count() - 1;
  }
  TResourceList* names = root->ListItem(t)->GetSubList();
  int n = names->IndexOf(resName, nameId, nameIsNamed);
  if (n < 0) {
    names->Append(std::make_unique<TMemNode>(names, nameIsNamed ? S(resName) : N(nameId), true));
    n = names->Count() - 1;
  }
  TResourceList* languages = names->ListItem(n)->GetSubList();
  return languages->Append(std::make_unique<TMemLeaf>(languages, languageId, rawData, rawSize, true));
}

TMemContainer::TMemContainer(std::vector<MemRes> r, bool section)
    : rows(std::move(r)), hasSection(section) {}

std::unique_ptr<TMemContainer> TMemContainer::FromFile(const std::string& fileName) {
  std::unique_ptr<TMemContainer> c(new TMemContainer());
  c->OpenFile(fileName);
  return c;
}

std::unique_ptr<TMemContainer> TMemContainer::FromFileAcceptingEmpty(const std::string& fileName) {
  std::unique_ptr<TMemContainer> c(new TMemContainer());
  try {
    c->OpenFile(fileName);
  } catch (const EZeroSizeException&) {
  }
  return c;
}

std::unique_ptr<TMemContainer> TMemContainer::FromStream(rtl::TStream& stream) {
  std::unique_ptr<TMemContainer> c(new TMemContainer());
  c->CopyStream(stream);
  return c;
}

std::unique_ptr<TResSection> TMemContainer::CreateSection() {
  ++createSectionCalls;
  if (!hasSection) return nullptr;
  return std::make_unique<TMemSection>(this, rows);
}

void TMemContainer::SaveToFile(const std::string& fileName, const TProgressEvent&) {
  savedTo.push_back(fileName);
  if (failSave) {
    rtl::TFileStream partial(fileName, plat::fmCreate);
    partial.WriteU32(0xDEADBEEF);
    throw rtl::Exception("save failed");
  }
  GetRootList()->WriteResFile(fileName, false);
}

TListResItem* TypeNode(TResourceList* root, const MemId& type) {
  int i = root->IndexOf(type.text, type.number, type.named);
  return i < 0 ? nullptr : root->ListItem(i);
}

TDataResItem* Leaf(TResourceList* root, const MemId& type, const MemId& name, int index) {
  TResourceList* names = TypeNode(root, type)->GetSubList();
  int n = names->IndexOf(name.text, name.number, name.named);
  return names->ListItem(n)->GetSubList()->DataItem(index);
}

std::string Bytes(TDataResItem* leaf) {
  if (leaf->Size() <= 0) return std::string();
  return std::string(reinterpret_cast<const char*>(leaf->Data()),
                     static_cast<std::size_t>(leaf->Size()));
}

}  // namespace memfmt
