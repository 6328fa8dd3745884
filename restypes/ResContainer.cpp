// The container (a file's bytes, mapped or copied, and its one section), the section's
// adding, change flags and lookups by type, name and language, and the model's exceptions.
#include "ResContainer.h"

#include <limits>
#include <new>

#include "DataHandler.h"
#include "DataResItem.h"
#include "Format.h"
#include "Streams.h"
#include "StringIds.h"
#include "StringTable.h"

EZeroSizeException::EZeroSizeException() : rtl::Exception(rtl::LoadStr(SZeroSizedFile)) {}

EFailedOverwriteException::EFailedOverwriteException(const std::string& fileName)
    : rtl::Exception(rtl::FormatRes(SCouldNotOverwrite, {fileName})) {}

ECorruptResource::ECorruptResource() : rtl::Exception(rtl::LoadStr(SCorruptResource)) {}

namespace {

[[noreturn]] void FailOpen(const std::string& fileName, int stepText) {
  throw rtl::Exception(rtl::FormatRes(SCannotOpen, {fileName, rtl::LoadStr(stepText)}));
}

// A text cut to what a TResPath holds.
constexpr std::size_t kMaxPathText = 200;

}  // namespace

// ---- TResContainer --------------------------------------------------------------------

TResContainer::~TResContainer() {
  if (section_) {
    section_->ClearHooks();
    try {
      section_.reset();
    } catch (...) {
    }
  }
  CloseFile();
}

void TResContainer::OpenFile(const std::string& fileName) {
  fileName_ = fileName;
  try {
    fileHandle_ = plat::OpenFileForRead(fileName);
    if (fileHandle_ == plat::kInvalidHandle) FailOpen(fileName, SOpenFailed);
    const std::uint32_t size = plat::GetFileSize32(fileHandle_);
    // A size that does not fit the signed 32-bit Size cannot be held either.
    if (size == 0xFFFFFFFFu || size > static_cast<std::uint32_t>(
                                          std::numeric_limits<std::int32_t>::max()))
      FailOpen(fileName, SGetFileSizeFailed);
    size_ = static_cast<std::int32_t>(size);
    if (size_ == 0) throw EZeroSizeException();
    mappingHandle_ = plat::CreateReadOnlyMapping(fileHandle_);
    if (mappingHandle_ == plat::kNoHandle || mappingHandle_ == plat::kInvalidHandle)
      FailOpen(fileName, SCreateFileMappingFailed);
    memory_ = static_cast<const std::uint8_t*>(plat::MapWholeView(mappingHandle_));
    if (!memory_) FailOpen(fileName, SMapViewOfFileFailed);
  } catch (...) {
    CloseFile();  // a failed constructor leaves nothing open
    throw;
  }
}

void TResContainer::CopyStream(rtl::TStream& stream) {
  const std::int64_t remaining = stream.Size() - stream.Position();
  if (remaining == 0) throw EZeroSizeException();
  if (auto* named = dynamic_cast<TResFileStream*>(&stream)) fileName_ = named->FileName();
  if (remaining < 0) FailOpen(fileName_, SOpenFailed);
  if (remaining > std::numeric_limits<std::int32_t>::max())
    throw rtl::EOutOfMemory(rtl::LoadStr(SOutOfMemory));
  ownedBuffer_.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(remaining)]);
  if (!ownedBuffer_) throw rtl::EOutOfMemory(rtl::LoadStr(SOutOfMemory));
  size_ = static_cast<std::int32_t>(remaining);
  memory_ = ownedBuffer_.get();
  try {
    stream.ReadBuffer(ownedBuffer_.get(), size_);
  } catch (...) {
    CloseFile();
    throw;
  }
}

void TResContainer::CloseFile() {
  if (fileHandle_ != plat::kInvalidHandle && fileHandle_ != plat::kNoHandle) {
    if (memory_ && !ownedBuffer_) plat::UnmapView(memory_);
    if (mappingHandle_ != plat::kNoHandle && mappingHandle_ != plat::kInvalidHandle)
      plat::CloseHandle(mappingHandle_);
    plat::CloseHandle(fileHandle_);
    fileHandle_ = plat::kNoHandle;
    mappingHandle_ = plat::kNoHandle;
    memory_ = nullptr;
    size_ = 0;
  }
  if (ownedBuffer_) {
    ownedBuffer_.reset();
    memory_ = nullptr;
    size_ = 0;
  }
}

TResSection* TResContainer::GetSection() {
  if (!noResources_ && !section_) {
    section_ = CreateSection();
    if (!section_) noResources_ = true;
  }
  if (noResources_) throw rtl::Exception(rtl::LoadStr(SNoResources));
  return section_.get();
}

TResourceList* TResContainer::GetRootList() { return GetSection()->GetRootList(); }

void TResContainer::SaveToTempFile(const std::string& directory, std::string& tempName,
                                   const TProgressEvent& onProgress) {
  std::size_t cut = fileName_.size();
  while (cut > 0 && !plat::IsPathDelimiter(fileName_[cut - 1])) --cut;
  const std::string base = fileName_.substr(cut);

  // A drive colon is no directory separator to join with.
  const bool joined = directory.empty() ||
                      (plat::IsPathDelimiter(directory.back()) && directory.back() != ':');
  const std::string candidate = joined ? directory + base : directory + plat::kPathDelim + base;

  tempName = UniqueFileName(candidate);
  try {
    SaveToFile(tempName, onProgress);
  } catch (...) {
    plat::DeleteFile(tempName);
    throw;
  }
}

// ---- TResSection ----------------------------------------------------------------------

TResSection::~TResSection() = default;

void TResSection::ClearHooks() {
  OnDataChanged = nullptr;
  OnDataReleased = nullptr;
  SpareHook1 = nullptr;
  OnItemAdded = nullptr;
  SpareHook2 = nullptr;
  OnTreeChanged = nullptr;
}

TResourceList* TResSection::GetRootList() {
  if (!rootList_) rootList_ = CreateRootList();
  return rootList_.get();
}

TDataResItem* TResSection::DoAddResource(std::int32_t, std::int32_t, std::uint16_t,
                                         const std::string&, const std::string&, bool, bool,
                                         const std::uint8_t*, std::int32_t) {
  throw rtl::Exception("Operation not allowed");
}

TDataResItem* TResSection::AddResource(std::int32_t typeId, std::int32_t nameId,
                                       std::uint16_t languageId, const std::string& typeName,
                                       const std::string& resName, bool typeIsNamed,
                                       bool nameIsNamed, const std::uint8_t* rawData,
                                       std::int32_t rawSize) {
  TDataResItem* leaf = DoAddResource(typeId, nameId, languageId, typeName, resName,
                                     typeIsNamed, nameIsNamed, rawData, rawSize);
  StructureChanged = true;
  if (OnItemAdded) OnItemAdded(this, leaf);
  return leaf;
}

namespace {

// Only lists that exist can hold a changed leaf: the walk never fills anything.
bool AnyLeafModified(TResourceList& list) {
  if (!list.IsFilled()) return false;
  for (auto& item : list.GetItems()) {
    if (list.Level() == 2) {
      if (static_cast<TDataResItem&>(*item).IsModified()) return true;
    } else if (TResourceList* sub = static_cast<TListResItem&>(*item).ExistingSubList()) {
      if (AnyLeafModified(*sub)) return true;
    }
  }
  return false;
}

}  // namespace

void TResSection::UpdateModified() {
  Modified = StructureChanged || (rootList_ && AnyLeafModified(*rootList_));
}

TResourceList* TResSection::FindTypeById(std::int32_t id) {
  TResourceList* root = GetRootList();
  const int index = root->IndexOf(std::string(), id, false);
  return index < 0 ? nullptr : root->ListItem(index)->GetSubList();
}

TResourceList* TResSection::FindTypeByName(const std::string& text) {
  TResourceList* root = GetRootList();
  for (int i = 0, n = root->Count(); i < n; ++i) {
    TListResItem* type = root->ListItem(i);
    if (SameTextAscii(type->IdText(), text) ||
        (type->IsStandardType() && SameTextAscii(type->DisplayName(), text)))
      return type->GetSubList();
  }
  return nullptr;
}

TDataResItem* TResSection::FindItemByPath(const TResPath& path, bool exactLanguage,
                                          bool strict) {
  auto fail = [&path]() {
    throw rtl::Exception(rtl::FormatRes(SCouldNotFindItem, {ResPathText(path)}));
  };
  // A path to a named type looks for a named type only, as the name step does for names:
  // the display-name and number texts that FindTypeByName also accepts would send a
  // resource of a named type into a numbered one.
  TResourceList* types = nullptr;
  if (path.TypeIsNamed) {
    TResourceList* root = GetRootList();
    const int index = root->IndexOf(path.TypeName, 0, true);
    if (index >= 0) types = root->ListItem(index)->GetSubList();
  } else {
    types = FindTypeById(path.TypeId);
  }
  if (!types) fail();

  const int nameIndex = types->IndexOf(path.ResName, path.NameId, path.NameIsNamed);
  if (nameIndex < 0) fail();
  TResourceList* languages = types->ListItem(nameIndex)->GetSubList();
  const int count = languages->Count();
  if (count == 0) fail();
  if (count == 1 && !exactLanguage) return languages->DataItem(0);
  const int languageIndex = languages->IndexOf(std::string(), path.LanguageId, false);
  if (languageIndex >= 0) return languages->DataItem(languageIndex);
  if (exactLanguage || strict) fail();
  return languages->DataItem(0);
}

TDataResItem* TResSection::FindMatchingItem(TDataResItem* leaf, bool exactLanguage,
                                            bool strict) {
  TResPath path;
  bool tooLong = false;
  path.TypeIsNamed = leaf->TypeIsNamed();
  if (path.TypeIsNamed) {
    const std::string text = leaf->TypeText();
    tooLong = text.size() > kMaxPathText;
    path.TypeName = text.substr(0, kMaxPathText);
  } else {
    path.TypeId = leaf->TypeId();
  }
  TListResItem* name = leaf->NameItem();
  path.NameIsNamed = name->IsNamed();
  if (path.NameIsNamed) {
    const std::string text = name->IdText();
    tooLong = tooLong || text.size() > kMaxPathText;
    path.ResName = text.substr(0, kMaxPathText);
  } else {
    path.NameId = name->Id();
  }
  path.LanguageId = leaf->Language();
  // A cut text must not find a different resource that happens to be named by the cut.
  if (tooLong) throw rtl::Exception(rtl::FormatRes(SCouldNotFindItem, {ResPathText(path)}));
  return FindItemByPath(path, exactLanguage, strict);
}

std::string ResPathText(const TResPath& path) {
  std::string type;
  if (path.TypeIsNamed)
    type = path.TypeName;
  else if (IsStandardResType(path.TypeId))
    type = ResTypeName(path.TypeId);
  else
    type = std::to_string(path.TypeId);
  const std::string name = path.NameIsNamed ? path.ResName : std::to_string(path.NameId);
  return type + "\\" + name;
}
