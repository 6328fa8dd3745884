// The difference of two resource trees, written entry by entry as a resource image.
#include "ResourceDiff.h"

#include <cstring>
#include <string>

#include "DataResItem.h"
#include "ForEachLeaf.h"
#include "ResImageFormat.h"
#include "ResourceTree.h"
#include "Streams.h"

namespace {

constexpr std::int32_t kVersionType = 16;

// The index in `list` of the node with the identifier of `node`, as a patch looks it up:
// names without regard to case, numbers by value; -1 when there is none.
int Counterpart(TResourceList& list, const TResourceItem& node) {
  return node.IsNamed() ? list.IndexOf(node.Name(), 0, true)
                        : list.IndexOf(std::string(), node.Id(), false);
}

// The leaf of `root` with the type, name and language of `leaf`; none when one is missing.
TDataResItem* FindLeaf(TResourceList& root, TDataResItem& leaf) {
  const int type = Counterpart(root, *leaf.TypeItem());
  if (type < 0) return nullptr;
  TResourceList& names = *root.ListItem(type)->GetSubList();
  const int name = Counterpart(names, *leaf.NameItem());
  if (name < 0) return nullptr;
  TResourceList& languages = *names.ListItem(name)->GetSubList();
  const int language = Counterpart(languages, leaf);
  return language < 0 ? nullptr : languages.DataItem(language);
}

bool SameBytes(TDataResItem& a, TDataResItem& b) {
  const std::int32_t size = a.Size();
  return size == b.Size() &&
         (size == 0 || std::memcmp(a.Data(), b.Data(), static_cast<std::size_t>(size)) == 0);
}


}  // namespace

TResourceDiffCounts WriteResourceDiff(TResourceList& first, TResourceList& second,
                                      rtl::TStream& out) {
  TResourceDiffCounts counts;
  ForEachLeaf(second, [&](TDataResItem& leaf) {
    TDataResItem* old = FindLeaf(first, leaf);
    if (old && SameBytes(*old, leaf)) {
      ++counts.Unchanged;
      return;
    }
    if (!leaf.TypeIsNamed() && leaf.TypeId() == kVersionType) {
      ++counts.VersionsLeftOut;
      return;
    }
    // An entry without data cannot be written, and a patch would skip it anyway.
    if (leaf.Size() <= 0) {
      ++counts.EmptyLeftOut;
      return;
    }
    leaf.WriteResEntry(out);
    ++counts.Written;
    if (!old) ++counts.Added;
  });
  ForEachLeaf(first, [&](TDataResItem& leaf) {
    if (!FindLeaf(second, leaf)) ++counts.OnlyInFirst;
  });
  if (out.Position() == 0) out.WriteBuffer(EmptyResHeader, sizeof EmptyResHeader);
  return counts;
}
