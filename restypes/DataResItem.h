// Language leaves: the only nodes with data. A leaf shows its source bytes in place until
// new data is assigned; from then on it owns a heap copy (copy-on-change).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ResourceTree.h"

namespace rtl {
class TStream;
}
class TResDataHandler;

class TDataResItem : public TResourceItem {
 public:
  using TResourceItem::TResourceItem;
  ~TDataResItem() override;

  virtual const std::uint8_t* RawData() = 0;  // the source bytes, inside the container
  virtual std::int32_t RawSize() = 0;
  // Replaces the data by the rest of the stream.
  virtual void LoadFromStream(rtl::TStream& stream);
  virtual bool IsEditMarked() { return false; }

  const std::uint8_t* Data();
  std::int32_t Size();
  bool IsModified() const { return ownData_ != nullptr; }
  std::uint16_t Language() const { return static_cast<std::uint16_t>(Id()); }

  void AllocData(std::int32_t size);  // "Zero-size assignment..." below 1
  void ClearData();
  void SetData(const void* address, std::int32_t size);  // always copies, via LoadFromStream
  void SaveToStream(rtl::TStream& stream);
  void Revert(bool updateSection);

  TResDataHandler* DataHandler();
  void InvalidateHandler();
  void NotifyDataChanged();
  void NotifyDataReleased();

  std::string ExportName();
  void WriteResEntry(rtl::TStream& stream);
  void LoadFromResImage(rtl::TStream& stream);

 protected:
  std::uint8_t* OwnData() { return ownData_.get(); }

 private:
  std::unique_ptr<std::uint8_t[]> ownData_;
  std::int32_t ownSize_ = 0;
  std::unique_ptr<TResDataHandler> handler_;
  bool handlerStale_ = false;
};
