// Executables forged to make the patcher work without end: a resource directory whose
// tables share their entries (a few kilobytes describing a million resources), and a code
// section that claims far more bytes than the file has. Both came from fuzzing.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "Exceptions.h"
#include "MyStreams.h"
#include "SyntheticPE.h"
#include "UResPEFile.h"
#include "UResTypes.h"

namespace {

struct WalkResult {
  int nodes = 0;
  int leaves = 0;
  std::vector<std::string> failures;
};

void Walk(TResourceList* list, WalkResult& r) {
  int count = 0;
  try {
    count = list->Count();
  } catch (const rtl::Exception& e) {
    r.failures.push_back(e.Message());
    return;
  }
  r.nodes += count;
  for (int i = 0; i < count; ++i) {
    if (list->Level() == 2)
      ++r.leaves;
    else
      Walk(list->ListItem(i)->GetSubList(), r);
  }
}

// Three levels of `k` entries. Shared: one table per level, every entry of a level
// pointing at the one table of the next (k^3 resources from 3 tables). Distinct: k types
// with a table each, every one holding one name and one language.
synth::Bytes Directory(std::uint16_t k, bool shared) {
  synth::Bytes b;
  const std::uint32_t tableSize = 16 + 8u * k;
  if (shared) {
    const std::uint32_t names = tableSize, languages = 2 * tableSize, data = 3 * tableSize;
    std::vector<synth::DirEntry> types, nameEntries, langs;
    for (std::uint16_t i = 0; i < k; ++i) {
      types.push_back({static_cast<std::uint32_t>(i + 1), names | synth::kHigh});
      nameEntries.push_back({static_cast<std::uint32_t>(i + 1), languages | synth::kHigh});
      langs.push_back({static_cast<std::uint32_t>(i + 1), data});
    }
    synth::DirTable(b, 0, 0, k, types);
    synth::DirTable(b, names, 0, k, nameEntries);
    synth::DirTable(b, languages, 0, k, langs);
    synth::DirData(b, data, synth::kRsrcRva + data + 16, 5, 1252);
    b.PutText(data + 16, "hello");
    return b;
  }
  // Root, then per type a name table and a language table of one entry each (24 bytes).
  const std::uint32_t first = tableSize;
  const std::uint32_t data = first + 48u * k;
  std::vector<synth::DirEntry> types;
  for (std::uint16_t i = 0; i < k; ++i) {
    const std::uint32_t names = first + 48u * i, languages = names + 24;
    types.push_back({static_cast<std::uint32_t>(i + 1), names | synth::kHigh});
    synth::DirTable(b, names, 0, 1, {{1, languages | synth::kHigh}});
    synth::DirTable(b, languages, 0, 1, {{1033, data}});
  }
  synth::DirTable(b, 0, 0, k, types);
  synth::DirData(b, data, synth::kRsrcRva + data + 16, 5, 1252);
  b.PutText(data + 16, "hello");
  return b;
}

TEST(HostileInput, SharedDirectoryTablesAreRefusedAsCorrupt) {
  const std::string corrupt = ECorruptResource().Message();
  struct Case {
    const char* what;
    std::uint16_t k;
    bool shared;
    int leaves;  // -1: refused
  };
  const Case cases[] = {
      {"300 resources, each with tables of its own", 300, false, 300},
      {"100 x 100 x 100 resources from three shared tables", 100, true, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const synth::Bytes rsrc = Directory(c.k, c.shared);
    const auto file = synth::WithResources(rsrc);
    std::unique_ptr<TPEFile> pe = synth::Open(file);
    WalkResult walk;
    Walk(pe->GetRootList(), walk);
    // A sound directory spends 8 bytes of its section on every entry.
    EXPECT_LE(walk.nodes, static_cast<int>(rsrc.data.size() / 8));
    if (c.leaves >= 0) {
      EXPECT_EQ(walk.leaves, c.leaves);
      EXPECT_TRUE(walk.failures.empty());
      continue;
    }
    ASSERT_FALSE(walk.failures.empty());
    for (const std::string& f : walk.failures) EXPECT_EQ(f, corrupt);

    // The rebuild a patch makes ends in the same message, without a million resources
    // written first.
    std::unique_ptr<TPEFile> fresh = synth::Open(file);
    std::string message;
    try {
      synth::Rebuild(*fresh);
    } catch (const rtl::Exception& e) {
      message = e.Message();
    }
    EXPECT_EQ(message, corrupt);
  }
}

// The fingerprint of a code section whose SizeOfRawData runs past the end of the file:
// the missing bytes count as zero, every word up to SizeOfRawData / 4 counts.
TEST(HostileInput, VersionChecksumOfACodeSectionBeyondTheFileCountsTheMissingWordsAsZero) {
  synth::Image image;
  std::vector<std::uint8_t> code(0x300);
  for (std::size_t i = 0; i < code.size(); ++i) code[i] = static_cast<std::uint8_t>(i * 7 + 1);
  image.Add(".text", code, 0x60000020);
  image.Add(".data", std::vector<std::uint8_t>(0x40, 0x5A));
  image.overlay = {0x11, 0x22};  // the file ends inside a word of the section
  std::vector<std::uint8_t> file = image.Build();
  const std::uint32_t pointer = image.sections[0].pointerToRawData;

  for (std::uint32_t beyond : {0u, 4u, 4002u, 1u << 20}) {
    SCOPED_TRACE(beyond);
    const std::uint32_t raw = static_cast<std::uint32_t>(file.size()) - pointer + beyond;
    synth::Bytes edited{file};
    edited.Put32(image.lfanew + synth::kSectionTable + 16, raw);

    std::uint32_t expected = 0x8A11;
    for (std::uint32_t i = 1; i <= raw / 4; ++i) {
      std::uint32_t word = 0;
      for (std::uint32_t b = 0; b < 4; ++b) {
        const std::size_t at = pointer + 4u * (i - 1) + b;
        if (at < edited.data.size()) word |= static_cast<std::uint32_t>(edited.data[at]) << (8 * b);
      }
      expected += (i / 3) ^ word;
    }
    EXPECT_EQ(synth::Open(edited.data)->VersionChecksum(), expected);
  }
}

}  // namespace

namespace {

// A damaged list in the target is no missing resource: the import must not add the
// resource beside it and let the patch end as a success that silently drops the list.
TEST(HostileInput, ADamagedTargetDirectoryFailsTheImport) {
  synth::Bytes rsrc;
  synth::DirTable(rsrc, 0, 0, 1, {{6, 0x00FFFF00u | synth::kHigh}});  // names far outside
  const auto file = synth::WithResources(rsrc);
  std::unique_ptr<TPEFile> pe = synth::Open(file);
  std::vector<std::uint8_t> image(EmptyResHeader, EmptyResHeader + 32);
  const std::uint8_t entry[] = {4, 0, 0, 0, 32, 0, 0, 0, 0xFF, 0xFF, 6, 0, 0xFF, 0xFF, 1, 0,
                                0, 0, 0, 0, 0, 0, 0x09, 0x04, 0, 0, 0, 0, 0, 0, 0, 0,
                                'a', 'b', 'c', 'd'};
  image.insert(image.end(), entry, entry + sizeof entry);
  TReadMemoryStream stream(image.data(), static_cast<std::int32_t>(image.size()));
  EXPECT_THROW(ImportResources(pe->GetRootList(), stream, true, nullptr), ECorruptResource);
}

}  // namespace
