// Reading all leaves of a file into a map (see ResourceLeaves.h).
#include "ResourceLeaves.h"

#include <memory>

#include "DataResItem.h"
#include "ResResFile.h"
#include "TestSupport.h"
#include "UResPEFile.h"

namespace authoringtest {

namespace {

std::string Id(TResourceItem& node) {
  return node.IsNamed() ? node.Name() : "#" + std::to_string(node.Id());
}

std::unique_ptr<TResContainer> Open(const std::string& path) {
  const std::vector<std::uint8_t> head = testsupport::ReadBytes(path);
  if (head.size() >= 2 && head[0] == 'M' && head[1] == 'Z') return TPEFile::CreateFromFile(path);
  return TResResFile::CreateFromFile(path);
}

// kind 0: all leaves, 1: all but versions, 2: versions only.
LeafMap Collect(const std::string& path, int kind) {
  LeafMap leaves;
  std::unique_ptr<TResContainer> file = Open(path);
  TResourceList& root = *file->GetRootList();
  for (int t = 0; t < root.Count(); ++t) {
    TListResItem& type = *root.ListItem(t);
    const bool version = !type.IsNamed() && type.Id() == 16;
    if ((kind == 1 && version) || (kind == 2 && !version)) continue;
    TResourceList& names = *type.GetSubList();
    for (int n = 0; n < names.Count(); ++n) {
      TResourceList& languages = *names.ListItem(n)->GetSubList();
      for (int l = 0; l < languages.Count(); ++l) {
        TDataResItem& leaf = *languages.DataItem(l);
        const std::uint8_t* data = leaf.Data();
        leaves[Id(type) + "/" + Id(*names.ListItem(n)) + "/" + std::to_string(leaf.Id())] =
            std::vector<std::uint8_t>(data, data + leaf.Size());
      }
    }
  }
  return leaves;
}

}  // namespace

LeafMap Leaves(const std::string& path) { return Collect(path, 0); }
LeafMap LeavesWithoutVersion(const std::string& path) { return Collect(path, 1); }
LeafMap VersionLeaves(const std::string& path) { return Collect(path, 2); }

}  // namespace authoringtest
