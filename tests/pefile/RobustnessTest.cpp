// Damaged executables: every truncation of a real program in coarse steps, and a fixed
// set of mutants (bytes changed in the headers, the section table and the resource
// directory). Each must end in a written image that our reader accepts again, or in a
// clear message; never a crash, a read outside the image or a foreign exception (the
// sanitizer build runs the same cases).
#include <gtest/gtest.h>

#include <cstdint>
#include <typeinfo>

#include "MyStreams.h"
#include "ResourceImport.h"
#include "Streams.h"
#include "SyntheticPE.h"
#include "TestSupport.h"
#include "UResPEFile.h"

namespace {

void Walk(TResourceList* list) {
  for (int i = 0; i < list->Count(); ++i) {
    if (list->Level() == 2) {
      TDataResItem* leaf = list->DataItem(i);
      const std::int32_t size = leaf->Size();
      const std::uint8_t* data = leaf->Data();
      std::uint32_t sum = 0;
      for (std::int32_t k = 0; k < size; ++k) sum += data[k];  // touches every byte
      (void)sum;
      (void)static_cast<TPEDataResItem*>(leaf)->DirHandler().CodePage();
      continue;
    }
    TListResItem* node = list->ListItem(i);
    (void)node->DisplayName();
    Walk(node->GetSubList());
  }
}

enum class Outcome { Written, Refused };

// Opens, reads the whole tree, merges the patch, rebuilds, and reads the result again.
Outcome Pipeline(const std::vector<std::uint8_t>& bytes, const std::vector<std::uint8_t>& patch,
            std::string* message) {
  try {
    std::unique_ptr<TPEFile> file = synth::Open(bytes);
    (void)file->ImageEnd();
    (void)file->VersionChecksum();
    Walk(file->GetRootList());
    TReadMemoryStream stream(patch.data(), static_cast<std::int32_t>(patch.size()));
    ImportResources(file->GetRootList(), stream, true, nullptr);
    const auto written = synth::Rebuild(*file);
    std::unique_ptr<TPEFile> again = synth::Open(written);
    Walk(again->GetRootList());
    EXPECT_EQ(again->ImageEnd(), again->Size());
    return Outcome::Written;
  } catch (const rtl::Exception& e) {
    *message = e.Message();
    return Outcome::Refused;
  } catch (const std::exception& e) {
    ADD_FAILURE() << "foreign exception " << typeid(e).name() << ": " << e.what();
    return Outcome::Refused;
  }
}

struct Tally {
  int written = 0, refused = 0;
  void Count(Outcome o, const std::string& message, const std::string& what) {
    if (o == Outcome::Written) {
      ++written;
      return;
    }
    ++refused;
    EXPECT_FALSE(message.empty()) << what;
  }
};

TEST(Robustness, EveryTruncationEndsInAResultOrAMessage) {
  const auto probe = testsupport::ReadBytes(testsupport::Fixture("pefile_reloc.exe"));
  const auto patch = testsupport::ReadBytes(testsupport::Fixture("pefile_patch.res"));
  Tally tally;
  for (std::size_t size = 0; size <= probe.size(); size += 97) {
    std::string message;
    const std::vector<std::uint8_t> cut(probe.begin(), probe.begin() + static_cast<long>(size));
    tally.Count(Pipeline(cut, patch, &message), message, "size " + std::to_string(size));
  }
  std::string message;
  EXPECT_EQ(Pipeline(probe, patch, &message), Outcome::Written) << message;
  EXPECT_GT(tally.refused, 0);
}

TEST(Robustness, MutantsEndInAResultOrAMessage) {
  const auto probe = testsupport::ReadBytes(testsupport::Fixture("pefile_probe.exe"));
  const auto patch = testsupport::ReadBytes(testsupport::Fixture("pefile_patch.res"));
  const auto file = synth::Open(probe);
  const int rsrc = file->FindSection(".rsrc");
  ASSERT_GE(rsrc, 0);
  const std::uint32_t rsrcStart = file->SectionHeader(rsrc).PointerToRawData;
  const std::uint32_t directoryEnd = rsrcStart + 0x200;  // the directory part lies here

  std::uint64_t state = 0x5EED5EEDu;  // fixed: the same mutants on every run
  auto next = [&state] {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::uint32_t>(state >> 33);
  };
  Tally tally;
  for (int round = 0; round < 600; ++round) {
    std::vector<std::uint8_t> mutant = probe;
    const int changes = 1 + static_cast<int>(next() % 6);
    for (int c = 0; c < changes; ++c) {
      const std::uint32_t pick = next();
      std::uint32_t at = 0;
      if (pick % 2 == 0)
        at = next() % 0x400;  // DOS and PE headers, section table
      else
        at = rsrcStart + next() % (directoryEnd - rsrcStart);
      const std::uint32_t value = next();
      // Small changes keep most of the structure believable; large ones test the bounds.
      mutant[at] = static_cast<std::uint8_t>(pick % 3 == 0 ? mutant[at] ^ (1u << (value % 8))
                                                           : value);
    }
    std::string message;
    tally.Count(Pipeline(mutant, patch, &message), message, "round " + std::to_string(round));
  }
  EXPECT_GT(tally.written, 0);
  EXPECT_GT(tally.refused, 0);
}

}  // namespace
