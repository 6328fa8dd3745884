// `vandolin merge TARGET PATCH -o OUT [--backup]`: the resources of the image PATCH merged
// into TARGET as a patch does it (same type, name and language replaced, the rest added),
// and the result written to OUT, which may be TARGET itself.
#include <cstdio>
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

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

const char kUsage[] =
    "usage: vandolin merge TARGET PATCH -o OUT [--backup]\n"
    "\n"
    "Merges the resources of the resource image PATCH into TARGET: a resource of\n"
    "the same type, name and language is replaced, any other is added. The result\n"
    "is written to OUT, which may be TARGET itself. Prints how many resources were\n"
    "replaced and added; resources that could not be merged are reported on\n"
    "stderr and skipped.\n"
    "\n"
    "  -o, --output OUT  the file to write\n"
    "  --backup          keep a file OUT replaces under its backup name\n"
    "                    (\"OUT Backup.ext\", numbered when that exists)\n"
    "\n"
    "Writing a large executable shows its progress on a terminal.\n";

// Rewriting an executable of this size takes long enough to show how far it got.
constexpr std::int32_t kProgressFrom = 16 << 20;

bool StderrIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(STDERR_FILENO) != 0;
#endif
}

// A percentage on one terminal line, rewritten as it rises; the container reports
// (range, position) pairs, of which range 100 carries the percentage.
TProgressEvent TerminalProgress(const std::string& out, std::int32_t size) {
  if (size < kProgressFrom || !StderrIsTerminal()) return TProgressEvent();
  auto shown = std::make_shared<int>(-1);
  return [out, shown](std::int32_t range, std::int32_t position) {
    if (range != 100 || position == *shown) return;
    *shown = position;
    std::fprintf(stderr, "\rwriting %s: %3d%%", out.c_str(), position);
    if (position >= 100) std::fprintf(stderr, "\n");
    std::fflush(stderr);
  };
}

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
  cli::Arguments a = cli::Parse(args, {{"output", 'o', true}, {"backup", 0, false}});
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
  target->SaveToTempFile(plat::ExtractFilePath(out), temp, TerminalProgress(out, target->Size()));
  // The target's file stays open while its container lives, and OUT may be that file.
  target.reset();
  if (a.Has("backup")) {
    if (!MoveWithBackup(temp, out, true)) {
      DiscardTemp(temp);
      throw EFailedOverwriteException(out);
    }
  } else {
    MoveIntoPlace(temp, out);
  }

  for (const std::string& message : skipped) std::cerr << "vandolin: skipped: " << message << "\n";
  std::cout << "replaced " << changes.replaced << ", added " << changes.added << "\n";
  return cli::kExitOk;
}
