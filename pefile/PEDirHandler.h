// Directory handlers: the identity (number or name) and, for a leaf, the data of one node
// of an executable's resource tree. A node read from the file answers from its directory
// entry in the mapped image until it is given a new identity; a node made in memory
// answers from what it was created with. The writer asks the same handler to emit the
// node's entry, so a name read from the file is written back unit for unit.
#pragma once

#include <cstdint>
#include <string>

#include "ByteView.h"

class TPEResSection;
class TResourceTable;

class TPEDirHandler {
 public:
  TPEDirHandler() = default;
  virtual ~TPEDirHandler() = default;
  TPEDirHandler(const TPEDirHandler&) = delete;
  TPEDirHandler& operator=(const TPEDirHandler&) = delete;

  // Emits the node's entry into the table at `level` (0 types, 1 names, 2 languages).
  virtual void WriteEntry(int level, TResourceTable& table) const = 0;
  virtual std::uint32_t CodePage() const = 0;
  virtual const std::uint8_t* RawData() const = 0;
  virtual std::int32_t RawSize() const = 0;
  virtual void SetIdentifier(const std::string& name, std::uint16_t id, bool isNamed);
  virtual std::uint16_t Id() const = 0;
  virtual std::string Name() const = 0;
  virtual bool IsNamed() const = 0;
  virtual std::int32_t NameLength() const = 0;
  // Bytes the counted name string takes in the written section (2 + 2 x UTF-16 units).
  virtual std::uint32_t NameSize() const = 0;

 protected:
  std::uint16_t storedId_ = 0;
  std::string storedName_;
  bool storedNamed_ = false;
};

// One directory entry of the file. Every read goes through the section's bounded view:
// an entry, name string or data entry outside the section raises "Corrupt resource.".
class TPEDirHandlerPE : public TPEDirHandler {
 public:
  TPEDirHandlerPE(const TPEResSection* section, std::uint32_t entryOffset)
      : section_(section), entryOffset_(entryOffset) {}

  void WriteEntry(int level, TResourceTable& table) const override;
  std::uint32_t CodePage() const override;
  const std::uint8_t* RawData() const override;
  std::int32_t RawSize() const override;
  void SetIdentifier(const std::string& name, std::uint16_t id, bool isNamed) override;
  std::uint16_t Id() const override;
  std::string Name() const override;
  bool IsNamed() const override;
  std::int32_t NameLength() const override;
  std::uint32_t NameSize() const override;

  bool Overridden() const { return overridden_; }
  std::uint32_t EntryOffset() const { return entryOffset_; }
  // OffsetToData of the entry (the sub-directory at the type and name levels).
  std::uint32_t OffsetToData() const;

 private:
  std::uint32_t EntryName() const;
  ByteView NameString() const;  // the Length field and its units
  struct Located {
    const std::uint8_t* data;
    std::int32_t size;
    std::uint32_t codePage;
  };
  Located LocateData() const;

  const TPEResSection* section_;
  std::uint32_t entryOffset_;
  bool overridden_ = false;
};

// A node made in memory: the identity it was made with and, for a leaf, data it does not
// own (none for the leaves the import creates; they receive data of their own).
class TPEDirHandlerNewRes : public TPEDirHandler {
 public:
  TPEDirHandlerNewRes(const std::string& name, std::uint16_t id, bool isNamed,
                      const std::uint8_t* givenData = nullptr, std::int32_t givenSize = 0);

  void WriteEntry(int level, TResourceTable& table) const override;
  std::uint32_t CodePage() const override { return 0; }
  const std::uint8_t* RawData() const override { return givenData_; }
  std::int32_t RawSize() const override { return givenSize_; }
  std::uint16_t Id() const override { return storedId_; }
  std::string Name() const override { return storedName_; }
  bool IsNamed() const override { return storedNamed_; }
  std::int32_t NameLength() const override;
  std::uint32_t NameSize() const override;

 private:
  const std::uint8_t* givenData_;
  std::int32_t givenSize_;
};
