// A container is one file with resources opened for reading (an executable or a resource
// image): its bytes, mapped read-only or copied from a stream, and its one section, which
// owns the resource tree and offers the lookups, the adding and the change flags.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "Exceptions.h"
#include "Platform.h"
#include "ResourceTree.h"

namespace rtl {
class TStream;
}
class TDataResItem;
class TResSection;

// Callbacks bound to an object; an empty one is skipped.
using TProgressEvent = std::function<void(std::int32_t range, std::int32_t position)>;
using TStatusEvent = std::function<void(const std::string& text)>;
using TResItemEvent = std::function<void(TResSection* section, TDataResItem* item)>;
using TResListEvent = std::function<void(TResourceList* list, TResSection* section)>;

class EZeroSizeException : public rtl::Exception {
 public:
  EZeroSizeException();  // "Zero sized file !"
};
class EFailedOverwriteException : public rtl::Exception {
 public:
  explicit EFailedOverwriteException(const std::string& fileName);  // "Could not overwrite %s."
};
class ECorruptResource : public rtl::Exception {
 public:
  ECorruptResource();  // "Corrupt resource."
};

class TResContainer {
 public:
  virtual ~TResContainer();  // the tree first, then the view, mapping, handle and buffer
  TResContainer(const TResContainer&) = delete;
  TResContainer& operator=(const TResContainer&) = delete;

  const std::string& FileName() const { return fileName_; }
  const std::uint8_t* Memory() const { return memory_; }
  std::int32_t Size() const { return size_; }

  TResSection* GetSection();  // "No resources in this file." when there is none
  TResourceList* GetRootList();

  // Writes a complete new file of the same kind; leaves no file behind when it fails.
  virtual void SaveToFile(const std::string& fileName, const TProgressEvent& onProgress) = 0;
  // Chooses a free name in `directory` after this file's own name, hands it back in
  // `tempName` before writing, then SaveToFile; deletes that file when writing fails.
  void SaveToTempFile(const std::string& directory, std::string& tempName,
                      const TProgressEvent& onProgress);
  void CloseFile();

 protected:
  TResContainer() = default;
  // The base parts of the two constructors of every container class. A failure releases
  // whatever was acquired before it reaches the caller.
  void OpenFile(const std::string& fileName);
  void CopyStream(rtl::TStream& stream);
  virtual std::unique_ptr<TResSection> CreateSection() = 0;

 private:
  std::string fileName_;
  plat::Handle fileHandle_ = plat::kNoHandle;
  plat::Handle mappingHandle_ = plat::kNoHandle;
  const std::uint8_t* memory_ = nullptr;
  std::unique_ptr<std::uint8_t[]> ownedBuffer_;
  bool noResources_ = false;
  std::int32_t size_ = 0;
  std::unique_ptr<TResSection> section_;
};

// The address of one resource, used by the lookups.
struct TResPath {
  std::int32_t TypeId = 0;
  std::string TypeName;  // at most 200 characters
  std::int32_t NameId = 0;
  std::string ResName;   // at most 200 characters
  bool TypeIsNamed = false;
  bool NameIsNamed = false;
  std::uint16_t LanguageId = 0;
};
std::string ResPathText(const TResPath& path);  // e.g. "Dialog\100"

class TResSection {
 public:
  explicit TResSection(TResContainer* container) : container_(container) {}
  virtual ~TResSection();
  TResSection(const TResSection&) = delete;
  TResSection& operator=(const TResSection&) = delete;

  // Notification hooks; nothing in the program installs one.
  TResItemEvent OnDataChanged;
  TResItemEvent OnDataReleased;
  TResItemEvent SpareHook1;
  TResItemEvent OnItemAdded;
  TResItemEvent SpareHook2;
  TResListEvent OnTreeChanged;
  void ClearHooks();

  TResContainer* Container() const { return container_; }
  bool Modified = false;          // some data was set since loading
  bool StructureChanged = false;  // a resource was added since loading

  TResourceList* GetRootList();
  TDataResItem* AddResource(std::int32_t typeId, std::int32_t nameId, std::uint16_t languageId,
                            const std::string& typeName, const std::string& resName,
                            bool typeIsNamed, bool nameIsNamed, const std::uint8_t* rawData,
                            std::int32_t rawSize);
  virtual bool CanAddResources() { return false; }

  TResourceList* FindTypeById(std::int32_t id);
  TResourceList* FindTypeByName(const std::string& text);
  // "Could not find item %s." when nothing fits.
  TDataResItem* FindMatchingItem(TDataResItem* leaf, bool exactLanguage, bool strict);
  TDataResItem* FindItemByPath(const TResPath& path, bool exactLanguage, bool strict);
  void UpdateModified();

 protected:
  virtual std::unique_ptr<TResourceList> CreateRootList() = 0;
  // Finds or creates the type and name nodes and appends a new leaf; the base refuses
  // with "Operation not allowed".
  virtual TDataResItem* DoAddResource(std::int32_t typeId, std::int32_t nameId,
                                      std::uint16_t languageId, const std::string& typeName,
                                      const std::string& resName, bool typeIsNamed,
                                      bool nameIsNamed, const std::uint8_t* rawData,
                                      std::int32_t rawSize);

 private:
  TResContainer* container_;
  std::unique_ptr<TResourceList> rootList_;
};

// The first of Name and its numbered variants (prog1.exe, prog2.exe, ...) that is no file.
std::string UniqueFileName(const std::string& name);
// Puts the finished file `source` in the place of `target`, keeping a backup of an
// existing target when asked. Never raises; false when the target could not be replaced.
bool MoveWithBackup(const std::string& source, const std::string& target, bool backup);
