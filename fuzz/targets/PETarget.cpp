// An executable from untrusted bytes, through every step a patch takes with it: the
// classification, the section table, the resource directory, the merge, the rebuild. What
// the rebuild writes must open again as an executable with the same resources.
#include "FuzzSupport.h"
#include "FuzzTargets.h"
#include "MyStreams.h"
#include "ResourceImport.h"
#include "Streams.h"
#include "UResPEFile.h"

namespace zedfuzz {

namespace {

void LookAround(TPEFile& pe) {
  try {
    (void)pe.ImageEnd();
    (void)pe.VersionChecksum();
    (void)pe.FirstCodeSection();
    (void)pe.FindSection(".rsrc");
    for (int i = 0, n = pe.SectionCount(); i < n; ++i) {
      (void)pe.SectionHeader(i).NameText();
      try {
        (void)pe.SectionRawData(i);
      } catch (const rtl::Exception&) {
      }
    }
  } catch (const rtl::Exception&) {
  }
}

// Progress goes forward in the ranges the rebuild announces.
struct ProgressCheck {
  std::int32_t last = -1;
  void operator()(std::int32_t range, std::int32_t position) {
    if (range == 1000 && position == 0) {
      last = 0;
      return;
    }
    if (range != 100 || position < 0 || position > 100 || position < last)
      Fail("progress out of order: " + std::to_string(range) + ", " + std::to_string(position));
    last = position;
  }
};

}  // namespace

int RunPE(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 20)) return 0;
  RegisterResImageOpener();
  TReadMemoryStream input(data, static_cast<std::int32_t>(size));
  std::unique_ptr<TPEFile> pe;
  try {
    pe = TPEFile::CreateFromStream(input);
  } catch (const rtl::Exception&) {
    return 0;
  }
  LookAround(*pe);

  rtl::TMemoryStream rebuilt;
  int merged = 0;
  try {
    TResourceList* root = pe->GetRootList();
    WalkTree(root);
    // Inputs of odd length are rebuilt as they are, so that a tree without data (and a
    // resource section that goes away) is written too.
    if (size % 2 == 0) {
      const Blob merge = MergeImage();
      TReadMemoryStream image(merge.data, static_cast<std::int32_t>(merge.size));
      ImportResources(root, image, true, TImportErrorEvent());
    }
    merged = WalkTree(root);
    ProgressCheck progress;
    pe->WriteImage(rebuilt, [&progress](std::int32_t r, std::int32_t p) { progress(r, p); });
    if (progress.last != 100) Fail("the rebuild did not report its end");
  } catch (const rtl::Exception&) {
    return 0;
  }

  rebuilt.SetPosition(0);
  try {
    std::unique_ptr<TPEFile> again = TPEFile::CreateFromStream(rebuilt);
    LookAround(*again);
    const int leaves = WalkTree(again->GetRootList());
    if (leaves != merged)
      Fail("the rebuilt image holds " + std::to_string(leaves) + " resources instead of " +
           std::to_string(merged));
  } catch (const rtl::Exception& e) {
    Fail("the rebuilt image does not open again: " + e.Message());
  }
  return 0;
}

}  // namespace zedfuzz
