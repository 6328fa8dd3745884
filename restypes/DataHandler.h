// Data handlers: one per data leaf, describing its bytes and moving them in and out of
// side formats (res, dcr, rc, raw, rtf, txt). Every leaf of this program gets the default
// handler; the registries exist for handlers that tools may add.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Streams.h"

namespace rtl {
class TStringList;
}
class TDataResItem;
class TResDataHandler;

class TResDataHandler {
 public:
  explicit TResDataHandler(TDataResItem* item) : dataItem_(item) {}
  virtual ~TResDataHandler() = default;
  TResDataHandler(const TResDataHandler&) = delete;
  TResDataHandler& operator=(const TResDataHandler&) = delete;

  virtual void BuildFormats();
  virtual void DataChanged() { formatList_.clear(); }
  virtual void DataReleased() { formatList_.clear(); }
  virtual bool SupportsFormat(const std::string& ext);
  virtual std::string FormatDescription(const std::string& ext);
  virtual bool IsText() { return false; }
  virtual void ExportTo(rtl::TStream& stream, const std::string& ext);
  virtual void ImportFrom(rtl::TStream& stream, const std::string& ext);
  virtual void LoadInto(rtl::TStringList* /*target*/) {}
  virtual std::string Description();
  virtual std::string StatusText();
  virtual bool IsCarried() { return false; }
  // Fills `list` (when given) with the leaves this one carries; false: carries none.
  virtual bool CarriedItems(std::vector<TDataResItem*>* /*list*/) { return false; }

  const std::string& Formats();  // ";res;dcr;rc;raw;" style, built on first use
  void AddFormat(const std::string& ext);
  void RemoveFormat(const std::string& ext);
  bool HasFormat(const std::string& ext);
  std::string FormatAt(int index);
  std::string DefaultFileName(int index);
  void WriteRcLine(rtl::TStream& stream);
  TDataResItem* DataItem() const { return dataItem_; }

 protected:
  std::string formatList_;

 private:
  TDataResItem* dataItem_;
};

class TDefaultDataHandler : public TResDataHandler {
 public:
  using TResDataHandler::TResDataHandler;
  void BuildFormats() override;
  std::string FormatDescription(const std::string& ext) override;
  bool IsText() override;
  void LoadInto(rtl::TStringList* target) override;  // the lines of the data
  std::string Description() override;
  bool IsRtf();

 private:
  std::int32_t textKind_ = 0;  // 0 not yet known, 1 binary, 2 text
};

// Handler registries: lookups from a type number or a leaf to a handler factory. Nothing in
// the program fills them; with both empty every leaf gets a TDefaultDataHandler.
using THandlerFactory = std::function<TResDataHandler*(TDataResItem*)>;
using TTypeHandlerLookup = std::function<THandlerFactory(std::int32_t type)>;
using TItemHandlerLookup = std::function<THandlerFactory(TDataResItem* item)>;
std::vector<TTypeHandlerLookup>* TypeHandlerRegistry();  // null when never created
std::vector<TItemHandlerLookup>* ItemHandlerRegistry();
// The registries made on demand, for code that adds handlers (tools, tests).
std::vector<TTypeHandlerLookup>& CreateTypeHandlerRegistry();
std::vector<TItemHandlerLookup>& CreateItemHandlerRegistry();

// The file stream that remembers the name it was opened with.
class TResFileStream : public rtl::TFileStream {
 public:
  using rtl::TFileStream::TFileStream;
};
