// `vandolin merge TARGET PATCH -o OUT`: the resources of the image PATCH merged into
// TARGET as a patch does it (same type, name and language replaced, the rest added), and
// the result written to OUT, which may be TARGET itself.
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "Commands.h"
#include "DataHandler.h"
#include "DataResItem.h"
#include "ForEachLeaf.h"
#include "OpenContainer.h"
#include "OutputFile.h"
#include "Platform.h"
#include "ResourceImport.h"

namespace {

const char kUsage[] =
    "usage: vandolin merge TARGET PATCH -o OUT\n"
    "\n"
    "Merges the resources of the resource image PATCH into TARGET: a resource of\n"
    "the same type, name and language is replaced, any other is added. The result\n"
    "is written to OUT, which may be TARGET itself. Prints how many resources were\n"
    "replaced and added; resources that could not be merged are reported on\n"
    "stderr and skipped.\n"
    "\n"
    "  -o, --output OUT  the file to write\n";

struct Changes {
  int replaced = 0;  // resources of the target with new data
  int added = 0;     // new resources with data (an added one that got none is not written)
};

// The import's own count of set leaves includes the added ones, so the report comes from
// the merged tree.
Changes CountChanges(TResourceList& root) {
  Changes changes;
  ForEachLeaf(root, [&](TDataResItem& leaf) {
    if (leaf.IsNew() && leaf.Size() > 0) ++changes.added;
    else if (!leaf.IsNew() && leaf.IsModified()) ++changes.replaced;
  });
  return changes;
}

}  // namespace

int MergeCommand(const CommandArgs& args) {
  cli::Arguments a = cli::Parse(args, {{"output", 'o', true}});
  if (a.help) {
    std::cout << kUsage;
    return cli::kExitOk;
  }
  if (a.positional.size() != 2) throw cli::EUsage("expected TARGET and PATCH");
  const std::string out = a.Value("output");
  if (out.empty()) throw cli::EUsage("no output file given (-o OUT)");

  std::unique_ptr<TResContainer> target = OpenContainer(a.positional[0]);
  std::vector<std::string> skipped;
  {
    TResFileStream patch(a.positional[1], plat::fmOpenRead | plat::fmShareDenyWrite);
    ImportResources(target->GetRootList(), patch, true,
                    [&](const std::string& message) { skipped.push_back(message); });
  }
  const Changes changes = CountChanges(*target->GetRootList());
  std::string temp;
  target->SaveToTempFile(plat::ExtractFilePath(out), temp, TProgressEvent());
  // The target's file stays open while its container lives, and OUT may be that file.
  target.reset();
  MoveIntoPlace(temp, out);

  for (const std::string& message : skipped) std::cerr << "vandolin: skipped: " << message << "\n";
  std::cout << "replaced " << changes.replaced << ", added " << changes.added << "\n";
  return cli::kExitOk;
}
