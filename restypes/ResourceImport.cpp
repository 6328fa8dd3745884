// Merging the resources of a resource image into a resource tree: the same type, name and
// language is replaced, the rest added (when the target can add), failures of single
// resources reported and skipped.
#include "ResourceImport.h"

#include <exception>
#include <memory>

#include "DataHandler.h"
#include "DataResItem.h"
#include "ResContainer.h"
#include "ResImageFormat.h"
#include "ResourceTree.h"
#include "Streams.h"

namespace {

class TImport {
 public:
  TImport(TResourceList* target, bool addMissing, const TImportErrorEvent& onError)
      : target_(target), section_(target->Section()), addMissing_(addMissing), onError_(onError) {}

  void Walk(TResourceList& list) {
    for (int i = 0, n = list.Count(); i < n; ++i) {
      if (list.Level() == 2) {
        TDataResItem* leaf = list.DataItem(i);
        if (!leaf->DataHandler()->IsCarried()) ImportLeaf(leaf);
      } else {
        TListResItem* node = list.ListItem(i);
        if (Passes(*node)) Walk(*node->GetSubList());
      }
    }
  }

  std::int32_t replaced = 0;
  std::int32_t added = 0;

 private:
  // Which directory nodes of the image lead to resources the target list can hold.
  bool Passes(TListResItem& node) {
    switch (target_->Level()) {
      case 0:
        return true;
      case 1:
        return SameResIdentifier(*node.TypeItem(), *target_->Owner());
      default: {
        // The languages of one name: only that name of that type.
        TListResItem* name = target_->Owner();
        if (!SameResIdentifier(*node.TypeItem(), *name->TypeItem())) return false;
        return node.Level() == 0 || SameResIdentifier(node, *name);
      }
    }
  }

  void Report(const std::exception& e) {
    if (onError_) onError_(e.what());
  }

  void ImportLeaf(TDataResItem* leaf) {
    TDataResItem* into = nullptr;
    try {
      into = section_->FindMatchingItem(leaf, addMissing_, addMissing_);
    } catch (const ECorruptResource&) {
      throw;  // a damaged target directory is no missing resource: adding would hide it
    } catch (const std::exception& e) {
      if (!addMissing_) {
        Report(e);
        return;
      }
    }
    if (!into) {
      // A failure to add ends the import.
      TListResItem* name = leaf->NameItem();
      into = section_->AddResource(leaf->TypeId(), name->Id(), leaf->Language(),
                                   leaf->TypeText(), name->IdText(), leaf->TypeIsNamed(),
                                   name->IsNamed(), nullptr, 0);
      ++added;
    }
    try {
      TResDataHandler* handler = leaf->DataHandler();
      if (handler->CarriedItems(nullptr)) {
        const std::string format = handler->FormatAt(0);
        rtl::TMemoryStream transfer;
        handler->ExportTo(transfer, format);
        transfer.SetPosition(0);
        into->DataHandler()->ImportFrom(transfer, format);
      } else {
        into->SetData(leaf->Data(), leaf->Size());
      }
      ++replaced;
    } catch (const std::exception& e) {
      Report(e);  // a refused or empty resource is skipped; the import goes on
    }
  }

  TResourceList* target_;
  TResSection* section_;
  bool addMissing_;
  const TImportErrorEvent& onError_;
};

}  // namespace

std::int32_t ImportResources(TResourceList* target, rtl::TStream& source, bool addMissing,
                             const TImportErrorEvent& onError, std::int32_t* added) {
  if (added) *added = 0;
  TResSection* section = target->Section();
  if (addMissing) addMissing = section->CanAddResources();

  TImport import(target, addMissing, onError);
  {
    // The image, its tree and its copy of the bytes go before we return, also on failure.
    std::unique_ptr<TResContainer> image = OpenResImage(source);
    try {
      import.Walk(*image->GetRootList());
    } catch (...) {
      if (added) *added = import.added;
      throw;
    }
  }
  if (added) *added = import.added;
  if (import.added > 0 && section->OnTreeChanged) {
    try {
      section->OnTreeChanged(target, section);
    } catch (...) {
    }
  }
  return import.replaced;
}
