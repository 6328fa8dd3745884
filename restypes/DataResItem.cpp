// Language leaves: copy-on-change data, the choice of the data handler and its change
// notices, and taking data from a resource image.
#include "DataResItem.h"

#include <limits>
#include <new>

#include "DataHandler.h"
#include "Exceptions.h"
#include "MyStreams.h"
#include "ResContainer.h"
#include "ResImageFormat.h"
#include "StringIds.h"
#include "StringTable.h"

namespace {

// Types whose handler depends on the content (user types, RCData, html).
bool ContentDependentType(TDataResItem& leaf) {
  return !leaf.IsStandardType() || leaf.TypeId() == 10 || leaf.TypeId() == 23;
}

}  // namespace

TDataResItem::~TDataResItem() = default;

const std::uint8_t* TDataResItem::Data() { return ownData_ ? ownData_.get() : RawData(); }

std::int32_t TDataResItem::Size() { return ownData_ ? ownSize_ : RawSize(); }

void TDataResItem::ClearData() {
  ownSize_ = 0;
  InvalidateHandler();
  if (ownData_) {
    ownData_.reset();
    NotifyDataReleased();
  }
}

void TDataResItem::AllocData(std::int32_t size) {
  ClearData();
  if (size < 1) throw rtl::Exception(rtl::LoadStr(SZeroSizeAssignment));
  ownData_.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(size)]);
  if (!ownData_) throw rtl::EOutOfMemory(rtl::LoadStr(SOutOfMemory));
  ownSize_ = size;
  if (TResSection* section = Section()) section->Modified = true;
}

void TDataResItem::LoadFromStream(rtl::TStream& stream) {
  const std::int64_t count = stream.Size() - stream.Position();
  if (count > std::numeric_limits<std::int32_t>::max()) {
    ClearData();
    throw rtl::EOutOfMemory(rtl::LoadStr(SOutOfMemory));
  }
  AllocData(static_cast<std::int32_t>(count));
  try {
    stream.ReadBuffer(ownData_.get(), ownSize_);
  } catch (...) {
    // Never leave undefined bytes behind as the resource's data.
    ClearData();
    throw;
  }
  NotifyDataChanged();
}

void TDataResItem::SetData(const void* address, std::int32_t size) {
  // Through the virtual LoadFromStream, so a format's refusal comes first.
  TReadMemoryStream stream(address, size > 0 ? size : 0);
  LoadFromStream(stream);
}

void TDataResItem::SaveToStream(rtl::TStream& stream) {
  const std::int32_t size = Size();
  if (size > 0) stream.WriteBuffer(Data(), size);
}

void TDataResItem::Revert(bool updateSection) {
  if (!IsModified()) return;
  ClearData();
  if (updateSection)
    if (TResSection* section = Section()) section->UpdateModified();
}

TResDataHandler* TDataResItem::DataHandler() {
  if (handlerStale_ && handler_) handler_.reset();
  handlerStale_ = false;
  if (handler_) return handler_.get();

  THandlerFactory candidate;
  if (!TypeIsNamed())
    if (auto* registry = TypeHandlerRegistry())
      for (const TTypeHandlerLookup& lookup : *registry) {
        if (!lookup) continue;
        candidate = lookup(TypeId());
        if (candidate) break;
      }
  if (ContentDependentType(*this))
    if (auto* registry = ItemHandlerRegistry())
      for (const TItemHandlerLookup& lookup : *registry) {
        candidate = lookup ? lookup(this) : THandlerFactory();
        if (candidate) break;
      }
  if (candidate) handler_.reset(candidate(this));
  if (!handler_) handler_ = std::make_unique<TDefaultDataHandler>(this);
  return handler_.get();
}

void TDataResItem::InvalidateHandler() {
  if (handler_ && ContentDependentType(*this)) handlerStale_ = true;
}

void TDataResItem::NotifyDataChanged() {
  if (handler_) handler_->DataChanged();
  TResSection* section = Section();
  if (section && section->OnDataChanged) {
    try {
      section->OnDataChanged(section, this);
    } catch (...) {
      // A hook only observes; its failure must not undo the change.
    }
  }
}

void TDataResItem::NotifyDataReleased() {
  if (handler_) handler_->DataReleased();
  TResSection* section = Section();
  if (section && section->OnDataReleased) {
    try {
      section->OnDataReleased(section, this);
    } catch (...) {
    }
  }
}

std::string TDataResItem::ExportName() {
  TListResItem* name = NameItem();
  if (name->HasSingleChild()) return name->DisplayName();
  return name->DisplayName() + "_" + DisplayName();
}

void TDataResItem::LoadFromResImage(rtl::TStream& stream) {
  std::unique_ptr<TResContainer> image = OpenResImage(stream);
  TResourceList* root = image->GetRootList();

  // The image's list of this leaf's type; a named type matches only a named type.
  TResourceList* typeList = nullptr;
  const int typeIndex = root->IndexOf(TypeIsNamed() ? TypeText() : std::string(), TypeId(),
                                      TypeIsNamed());
  if (typeIndex >= 0) typeList = root->ListItem(typeIndex)->GetSubList();

  TDataResItem* source = nullptr;
  if (typeList && typeList->DataItemCount() == 1) {
    for (int i = 0; !source && i < typeList->Count(); ++i) {
      TResourceList* languages = typeList->ListItem(i)->GetSubList();
      if (languages->Count() > 0) source = languages->DataItem(0);
    }
  }
  if (!source) source = image->GetSection()->FindMatchingItem(this, false, true);

  TResDataHandler* handler = DataHandler();
  if (handler->CarriedItems(nullptr)) {
    TResDataHandler* sourceHandler = source->DataHandler();
    rtl::TMemoryStream transfer;
    sourceHandler->ExportTo(transfer, sourceHandler->FormatAt(0));
    transfer.SetPosition(0);
    handler->ImportFrom(transfer, handler->FormatAt(0));
  } else {
    SetData(source->Data(), source->Size());
  }
}
