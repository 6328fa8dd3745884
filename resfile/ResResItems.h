// The nodes of a tree read from a resource image: lists that are complete as soon as the
// reader has built them, type and name nodes that store their identifier, and language
// leaves that point at their entry's data inside the container's bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

// The leaf's inherited constructor needs the handler type complete.
#include "DataHandler.h"
#include "DataResItem.h"
#include "ResImageFormat.h"
#include "ResourceTree.h"

class TResResourceList : public TResourceList {
 public:
  using TResourceList::TResourceList;
  // The reader puts every node into its list while it reads the image.
  void Fill() override {}
  std::uint32_t Characteristics() override { return 0; }
};

class TResListResItem : public TListResItem {
 public:
  TResListResItem(TResourceList* owner, const std::string& name, std::uint16_t id, bool isNamed)
      : TListResItem(owner), storedName_(name), storedId_(id), storedNamed_(isNamed) {}

  void SetIdentifier(const std::string& name, std::uint16_t id, bool isNamed) override;
  std::int32_t Id() const override { return storedNamed_ ? 0 : storedId_; }
  std::string Name() const override { return storedName_; }
  bool IsNamed() const override { return storedNamed_; }
  bool IsNew() const override { return added_; }

  void MarkAdded() { added_ = true; }

 protected:
  std::unique_ptr<TResourceList> CreateSubList() override;

 private:
  std::string storedName_;
  std::uint16_t storedId_;
  bool storedNamed_;
  bool added_ = false;
};

class TResDataResItem : public TDataResItem {
 public:
  // `sourceData` lies in the container's bytes (or is the caller's, for an added leaf);
  // it is not owned.
  TResDataResItem(TResourceList* owner, const ResHeaderInfo& headerInfo,
                  const std::uint8_t* sourceData, std::int32_t sourceSize)
      : TDataResItem(owner), sourceData_(sourceData), sourceSize_(sourceSize),
        headerInfo_(headerInfo) {}

  // A leaf's only identifier is its language.
  void SetIdentifier(const std::string& name, std::uint16_t id, bool isNamed) override;
  std::int32_t Id() const override { return headerInfo_.LanguageId; }
  std::string Name() const override { return std::string(); }
  bool IsNamed() const override { return false; }
  bool IsNew() const override { return added_; }
  const std::uint8_t* RawData() override { return sourceData_; }
  std::int32_t RawSize() override { return sourceSize_; }

  const ResHeaderInfo& HeaderInfo() const { return headerInfo_; }
  void MarkAdded() { added_ = true; }

 private:
  const std::uint8_t* sourceData_;
  std::int32_t sourceSize_;
  ResHeaderInfo headerInfo_;
  bool added_ = false;
};
