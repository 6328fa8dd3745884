// A resource image from untrusted bytes, as a patch payload carries it: read on its own,
// then merged into a tree read from a .res file and into a small executable. Both merged
// trees are written back (entry by entry, and as a rebuilt executable) and read again;
// every resource with data must come back.
#include "FuzzSupport.h"
#include "FuzzTargets.h"
#include "MyStreams.h"
#include "ResResFile.h"
#include "ResourceImport.h"
#include "Streams.h"
#include "UResPEFile.h"
#include "UResTypes.h"

namespace zedfuzz {

namespace {

void WriteEntries(TResourceList* list, rtl::TStream& out) {
  for (int i = 0, n = list->Count(); i < n; ++i) {
    if (list->Level() == 2)
      list->DataItem(i)->WriteResEntry(out);
    else
      WriteEntries(list->ListItem(i)->GetSubList(), out);
  }
}

void MergeIntoImage(const std::uint8_t* data, std::size_t size) {
  const Blob base = BaseImage();
  TReadMemoryStream baseStream(base.data, static_cast<std::int32_t>(base.size));
  std::unique_ptr<TResResFile> tree = TResResFile::CreateFromStream(baseStream);
  TResourceList* root = tree->GetRootList();
  TReadMemoryStream input(data, static_cast<std::int32_t>(size));
  try {
    ImportResources(root, input, true, [](const std::string&) {});
  } catch (const rtl::Exception&) {
    return;
  }
  const int merged = WalkTree(root);

  rtl::TMemoryStream out;
  out.WriteBuffer(EmptyResHeader, 32);
  WriteEntries(root, out);
  out.SetPosition(0);
  try {
    std::unique_ptr<TResResFile> again = TResResFile::CreateFromStream(out);
    const int leaves = WalkTree(again->GetRootList());
    if (leaves != merged)
      Fail("the written image holds " + std::to_string(leaves) + " resources instead of " +
           std::to_string(merged));
  } catch (const rtl::Exception& e) {
    Fail("the written image does not read again: " + e.Message());
  }
}

void MergeIntoExecutable(const std::uint8_t* data, std::size_t size) {
  const Blob stub = StubProgram();
  TReadMemoryStream stubStream(stub.data, static_cast<std::int32_t>(stub.size));
  std::unique_ptr<TPEFile> pe = TPEFile::CreateFromStream(stubStream);
  TResourceList* root = pe->GetRootList();
  TReadMemoryStream input(data, static_cast<std::int32_t>(size));
  rtl::TMemoryStream rebuilt;
  int merged = 0;
  try {
    ImportResources(root, input, true, TImportErrorEvent());
    merged = WalkTree(root);
    pe->WriteImage(rebuilt, TProgressEvent());
  } catch (const rtl::Exception&) {
    return;
  }
  rebuilt.SetPosition(0);
  try {
    std::unique_ptr<TPEFile> again = TPEFile::CreateFromStream(rebuilt);
    const int leaves = WalkTree(again->GetRootList());
    if (leaves != merged)
      Fail("the rebuilt executable holds " + std::to_string(leaves) + " resources instead of " +
           std::to_string(merged));
  } catch (const rtl::Exception& e) {
    Fail("the rebuilt executable does not open again: " + e.Message());
  }
}

}  // namespace

int RunRes(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 20)) return 0;
  RegisterResImageOpener();
  try {
    TReadMemoryStream input(data, static_cast<std::int32_t>(size));
    std::unique_ptr<TResResFile> file = TResResFile::CreateFromStream(input);
    WalkTree(file->GetRootList());
  } catch (const rtl::Exception&) {
  }
  MergeIntoImage(data, size);
  MergeIntoExecutable(data, size);
  return 0;
}

}  // namespace zedfuzz
