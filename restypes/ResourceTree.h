// The in-memory resource tree: types (level 0), the names of a type (level 1) and the
// language leaves of a name (level 2). Lists fill themselves from their source the first
// time they are asked for; only leaves carry data (DataResItem.h). The format classes of
// executables and resource images supply identifiers, raw bytes and the filling.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TResSection;
class TResourceList;
class TListResItem;
class TDataResItem;

// Type numbers 1..12, 14, 16, 17, 19..23 have a display name.
bool IsStandardResType(std::int32_t type);
// The display name of a standard type ("Dialog", "Version", ...); empty for others.
std::string ResTypeName(std::int32_t type);

class TResourceItem {
 public:
  explicit TResourceItem(TResourceList* owner) : owner_(owner) {}
  virtual ~TResourceItem() = default;
  TResourceItem(const TResourceItem&) = delete;
  TResourceItem& operator=(const TResourceItem&) = delete;

  virtual void SetIdentifier(const std::string& name, std::uint16_t id, bool isNamed);
  virtual std::int32_t Id() const = 0;       // 0 for a named node
  virtual std::string Name() const = 0;      // meaningful only for a named node
  virtual bool IsNamed() const = 0;          // data leaves: false
  virtual bool IsNew() const = 0;            // made in memory rather than read

  TResourceList* Owner() const { return owner_; }
  int Level() const;
  TResSection* Section() const;
  bool IsDirectory() const { return Level() != 2; }

  TListResItem* TypeItem();
  TListResItem* NameItem();  // none for a type node
  std::int32_t TypeId();
  bool TypeIsNamed();
  std::string TypeText();
  bool IsStandardType();
  std::string TypeDisplayName();
  std::string IdText() const;  // the name, or the number in decimal
  std::string DisplayName();

 private:
  TResourceList* owner_;
};

class TListResItem : public TResourceItem {
 public:
  using TResourceItem::TResourceItem;
  ~TListResItem() override;

  TResourceList* GetSubList();  // made by CreateSubList on first use
  bool HasSingleChild();        // a name node with exactly one language
  // The sub-list when it was made already, else none; never makes or fills one.
  TResourceList* ExistingSubList() const { return subList_.get(); }

 protected:
  virtual std::unique_ptr<TResourceList> CreateSubList() = 0;

 private:
  std::unique_ptr<TResourceList> subList_;
};

class TResourceList {
 public:
  using Items = std::vector<std::unique_ptr<TResourceItem>>;

  TResourceList(TListResItem* owner, TResSection* section);
  virtual ~TResourceList();  // destroys the nodes in index order
  TResourceList(const TResourceList&) = delete;
  TResourceList& operator=(const TResourceList&) = delete;

  virtual void Fill() = 0;                         // adds the source's nodes, in source order
  virtual std::uint32_t Characteristics() = 0;     // 0 without a source directory

  std::uint8_t Level() const { return level_; }
  TResSection* Section() const { return section_; }
  TListResItem* Owner() const { return owner_; }

  Items& GetItems();  // created empty, then filled, on first use
  // Whether the collection exists (the list was asked for); never fills.
  bool IsFilled() const { return items_ != nullptr; }
  int Count();
  TResourceItem* Item(int index);  // EListError "List index out of bounds (%d)"
  TListResItem* ListItem(int index);
  TDataResItem* DataItem(int index);
  // First index with the same kind of identifier: names compared ignoring case by the
  // user's locale, numbers by value. -1 when none.
  int IndexOf(const std::string& name, std::int32_t id, bool isNamed);
  int DataItemCount();
  bool HasData();
  void WriteResFile(const std::string& fileName, bool onlyModified);

  // Appends a node made for this list; answers it.
  template <class T>
  T* Append(std::unique_ptr<T> item) {
    T* raw = item.get();
    GetItems().push_back(std::move(item));
    return raw;
  }
  // Sorts the nodes with CompareResItems (stable); used when an executable is written.
  void Sort();

 private:
  std::uint8_t level_;
  TResSection* section_;
  TListResItem* owner_;
  std::unique_ptr<Items> items_;
};

// Ordering of siblings: named before numbered; names by bytes, case-sensitive; numbers
// ascending.
int CompareResItems(const TResourceItem& a, const TResourceItem& b);
// Identifier equality with ASCII case folding of names.
bool SameResIdentifier(const TResourceItem& a, const TResourceItem& b);
// Equality of two texts with only A-Z / a-z folded.
bool SameTextAscii(const std::string& a, const std::string& b);
