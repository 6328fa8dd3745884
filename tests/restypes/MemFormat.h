// A tiny in-memory resource format for the model's tests: a tree built from a table of
// (type, name, language, bytes) rows, filled lazily list by list like a real reader, with
// counters of Fill calls and a leaf that can refuse version resources like an executable.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "UResTypes.h"

namespace memfmt {

// A type or name identifier as a source holds it.
struct MemId {
  bool named = false;
  std::string text;
  std::int32_t number = 0;
  bool operator==(const MemId& o) const {
    return named == o.named && (named ? text == o.text : number == o.number);
  }
};
inline MemId N(std::int32_t n) { return MemId{false, std::string(), n}; }
inline MemId S(const std::string& s) { return MemId{true, s, 0}; }

struct MemRes {
  MemId type;
  MemId name;
  std::uint16_t language = 0;
  std::string data;
  bool nameOnly = false;  // a name node without any language leaf
};

class TMemSection;

class TMemList : public TResourceList {
 public:
  TMemList(TListResItem* owner, TResSection* section) : TResourceList(owner, section) {}
  void Fill() override;
  std::uint32_t Characteristics() override;
};

class TMemNode : public TListResItem {
 public:
  TMemNode(TResourceList* owner, MemId id, bool isNew)
      : TListResItem(owner), id_(std::move(id)), isNew_(isNew) {}
  std::int32_t Id() const override { return id_.named ? 0 : id_.number; }
  std::string Name() const override { return id_.text; }
  bool IsNamed() const override { return id_.named; }
  bool IsNew() const override { return isNew_; }
  const MemId& Ident() const { return id_; }

 protected:
  std::unique_ptr<TResourceList> CreateSubList() override {
    return std::make_unique<TMemList>(this, Section());
  }

 private:
  MemId id_;
  bool isNew_;
};

class TMemLeaf : public TDataResItem {
 public:
  TMemLeaf(TResourceList* owner, std::uint16_t language, const std::uint8_t* data,
           std::int32_t size, bool isNew)
      : TDataResItem(owner), language_(language), data_(data), size_(size), isNew_(isNew) {}
  std::int32_t Id() const override { return language_; }
  std::string Name() const override { return std::string(); }
  bool IsNamed() const override { return false; }
  bool IsNew() const override { return isNew_; }
  const std::uint8_t* RawData() override { return data_; }
  std::int32_t RawSize() override { return size_; }
  void LoadFromStream(rtl::TStream& stream) override;
  bool IsEditMarked() override { return editMarked; }
  bool editMarked = false;

 private:
  std::uint16_t language_;
  const std::uint8_t* data_;
  std::int32_t size_;
  bool isNew_;
};

class TMemSection : public TResSection {
 public:
  TMemSection(TResContainer* container, std::vector<MemRes> table)
      : TResSection(container), rows(std::move(table)) {}
  bool CanAddResources() override { return canAdd; }

  std::vector<MemRes> rows;
  int fillCalls = 0;
  bool canAdd = true;
  bool refuseVersion = false;  // leaves of type 16 refuse new data, as an executable's do
  int failFillAtLevel = -1;    // that level's Fill fails after adding its first node
  std::uint32_t languageListCharacteristics = 0;

 protected:
  std::unique_ptr<TResourceList> CreateRootList() override {
    return std::make_unique<TMemList>(nullptr, this);
  }
  TDataResItem* DoAddResource(std::int32_t typeId, std::int32_t nameId, std::uint16_t languageId,
                              const std::string& typeName, const std::string& resName,
                              bool typeIsNamed, bool nameIsNamed, const std::uint8_t* rawData,
                              std::int32_t rawSize) override;
};

// A container over such a table, or over a file or stream (for the opening rules), whose
// SaveToFile writes the tree as a resource image (or fails after writing, when asked).
class TMemContainer : public TResContainer {
 public:
  explicit TMemContainer(std::vector<MemRes> rows, bool hasSection = true);
  static std::unique_ptr<TMemContainer> FromFile(const std::string& fileName);
  // As a resource image reader does: an empty file is an empty container.
  static std::unique_ptr<TMemContainer> FromFileAcceptingEmpty(const std::string& fileName);
  static std::unique_ptr<TMemContainer> FromStream(rtl::TStream& stream);

  TMemSection* Mem() { return static_cast<TMemSection*>(GetSection()); }
  void SaveToFile(const std::string& fileName, const TProgressEvent& onProgress) override;

  std::vector<MemRes> rows;
  bool hasSection = true;
  int createSectionCalls = 0;
  bool failSave = false;
  std::vector<std::string> savedTo;

 protected:
  std::unique_ptr<TResSection> CreateSection() override;

 private:
  TMemContainer() = default;
};

// Convenience lookups in a built tree.
TListResItem* TypeNode(TResourceList* root, const MemId& type);
TDataResItem* Leaf(TResourceList* root, const MemId& type, const MemId& name, int index = 0);
std::string Bytes(TDataResItem* leaf);  // the leaf's current data as a string

}  // namespace memfmt
