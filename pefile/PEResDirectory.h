// The executable flavour of the resource tree: the section, level lists, directory nodes
// and leaves of a TPEFile. They read the resource directory of the ".rsrc" section lazily,
// straight from the mapped image, and stand for nodes added in memory by an import.
// Untrusted directory bytes are read only through the section's bounded view.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ByteView.h"
#include "DataResItem.h"
#include "PEDirHandler.h"
#include "ResContainer.h"
#include "ResourceTree.h"

class TPEFile;

class TPEResSection : public TResSection {
 public:
  // A file without a resource section: an empty tree to which resources can be added.
  explicit TPEResSection(TPEFile* file);
  // `directoryData` is the section's raw data; the root table is taken at its first byte.
  TPEResSection(TPEFile* file, ByteView directoryData, std::uint32_t sectionRva,
                std::int32_t sectionSize);

  bool HasDirectory() const { return hasDirectory_; }
  const ByteView& DirectoryData() const { return directoryData_; }
  std::uint32_t SectionRva() const { return sectionRva_; }
  std::int32_t SectionSize() const { return sectionSize_; }

  bool CanAddResources() override { return true; }
  // Counts directory entries as lists fill. Tables may share bytes, so a forged directory
  // can describe far more entries than the section holds; a sound one never does.
  // "Corrupt resource." when the total passes that.
  void CountEntries(std::uint64_t count);

 protected:
  std::unique_ptr<TResourceList> CreateRootList() override;
  TDataResItem* DoAddResource(std::int32_t typeId, std::int32_t nameId, std::uint16_t languageId,
                              const std::string& typeName, const std::string& resName,
                              bool typeIsNamed, bool nameIsNamed, const std::uint8_t* rawData,
                              std::int32_t rawSize) override;

 private:
  ByteView directoryData_;
  bool hasDirectory_ = false;
  std::uint32_t sectionRva_ = 0;
  std::int32_t sectionSize_ = 0;
  std::uint64_t entriesRead_ = 0;
};

class TPEResourceList : public TResourceList {
 public:
  // A list read from the file, its directory table at `directoryOffset` in the section.
  TPEResourceList(TListResItem* owner, TPEResSection* section, std::uint32_t directoryOffset);
  // A list built in memory.
  TPEResourceList(TListResItem* owner, TPEResSection* section);

  void Fill() override;
  std::uint32_t Characteristics() override;

  bool HasDirectory() const { return hasDirectory_; }
  std::uint32_t DirectoryOffset() const { return directoryOffset_; }
  // The 16-byte directory table header; "Corrupt resource." when outside the section.
  ByteView Directory() const;

 private:
  TPEResSection* PESection() const;

  std::uint32_t directoryOffset_ = 0;
  bool hasDirectory_ = false;
};

class TPEListResItem : public TListResItem {
 public:
  TPEListResItem(TResourceList* list, std::uint32_t entryOffset);  // read from the file
  TPEListResItem(TResourceList* list, const std::string& name, std::uint16_t id,
                 bool isNamed);  // made in memory

  void SetIdentifier(const std::string& name, std::uint16_t id, bool isNamed) override;
  std::int32_t Id() const override { return dirHandler_->Id(); }
  std::string Name() const override { return dirHandler_->Name(); }
  bool IsNamed() const override { return dirHandler_->IsNamed(); }
  bool IsNew() const override;

  const TPEDirHandler& DirHandler() const { return *dirHandler_; }

 protected:
  std::unique_ptr<TResourceList> CreateSubList() override;

 private:
  std::unique_ptr<TPEDirHandler> dirHandler_;
};

class TPEDataResItem : public TDataResItem {
 public:
  TPEDataResItem(TResourceList* list, std::uint32_t entryOffset);  // read from the file
  TPEDataResItem(TResourceList* list, std::uint16_t language, const std::uint8_t* rawData,
                 std::int32_t rawSize);  // made in memory

  // A leaf keeps only the identifier: it is a language, never a name.
  void SetIdentifier(const std::string& name, std::uint16_t id, bool isNamed) override;
  std::int32_t Id() const override { return dirHandler_->Id(); }
  std::string Name() const override { return std::string(); }
  bool IsNamed() const override { return false; }
  bool IsNew() const override;
  const std::uint8_t* RawData() override { return dirHandler_->RawData(); }
  std::int32_t RawSize() override { return dirHandler_->RawSize(); }
  // Refuses new data for a version resource (numeric type 16).
  void LoadFromStream(rtl::TStream& stream) override;
  // The language table holding the leaf carries the writer's edit marker.
  bool IsEditMarked() override;

  const TPEDirHandler& DirHandler() const { return *dirHandler_; }

 private:
  std::unique_ptr<TPEDirHandler> dirHandler_;
};
