// Damaged images: every truncation of a small real image and a fixed-seed set of byte
// mutations, fed to the reader and to the import into a tree read from another image.
// Each must end in a tree or in one of the reader's messages; a tree that is read must
// lie inside the image and survive writing and reading again. Run under the sanitizers
// (ZED_SANITIZE) this also shows that nothing reads outside the bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "DataHandler.h"
#include "DataResItem.h"
#include "Format.h"
#include "MyStreams.h"
#include "ResourceImport.h"
#include "StringIds.h"
#include "StringTable.h"
#include "TestSupport.h"
#include "TreeRows.h"

using namespace resfiletest;

namespace {

struct Outcome {
  bool read = false;
  std::string message;
  int leaves = 0;
};

std::vector<TDataResItem*> Leaves(TResourceList& root) {
  std::vector<TDataResItem*> leaves;
  for (int t = 0; t < root.Count(); ++t) {
    TResourceList& names = *root.ListItem(t)->GetSubList();
    for (int n = 0; n < names.Count(); ++n) {
      TResourceList& languages = *names.ListItem(n)->GetSubList();
      for (int l = 0; l < languages.Count(); ++l) leaves.push_back(languages.DataItem(l));
    }
  }
  return leaves;
}

// Touches every byte of every leaf and every text the tree shows.
std::uint32_t Walk(TResourceList& root) {
  std::uint32_t sum = 0;
  for (TDataResItem* leaf : Leaves(root)) {
    sum += static_cast<std::uint32_t>(leaf->TypeItem()->DisplayName().size() +
                                      leaf->NameItem()->DisplayName().size() +
                                      leaf->DataHandler()->Description().size());
    const std::uint8_t* data = leaf->Data();
    for (std::int32_t i = 0; i < leaf->Size(); ++i) sum += data[i];
  }
  return sum;
}

// Every leaf of `image` written as entries into memory, the way SaveToFile writes them.
std::vector<std::uint8_t> Rewrite(TResContainer& image) {
  rtl::TMemoryStream out;
  for (TDataResItem* leaf : Leaves(*image.GetRootList())) leaf->WriteResEntry(out);
  // No leaf at all writes nothing, which reads as an empty image too.
  const std::uint8_t* p = out.Memory();
  return std::vector<std::uint8_t>(p, p + out.Size());
}

Outcome Read(const std::vector<std::uint8_t>& bytes) {
  Outcome outcome;
  try {
    auto file = ReadImage(bytes);
    TResourceList& root = *file->GetRootList();
    Walk(root);
    const std::uint8_t* begin = file->Memory();
    const std::uint8_t* end = begin + file->Size();
    int withData = 0;
    std::int64_t bytesWithData = 0;
    for (TDataResItem* leaf : Leaves(root)) {
      ++outcome.leaves;
      EXPECT_GE(leaf->Size(), 0);
      if (leaf->Size() == 0) continue;
      EXPECT_TRUE(leaf->RawData() >= begin && leaf->RawData() + leaf->Size() <= end);
      ++withData;
      bytesWithData += leaf->Size();
    }
    // What was read is written and read again without loss of leaves or bytes.
    auto again = ReadImage(Rewrite(*file));
    std::vector<TDataResItem*> back = Leaves(*again->GetRootList());
    std::int64_t bytesBack = 0;
    for (TDataResItem* leaf : back) bytesBack += leaf->Size();
    EXPECT_EQ(static_cast<int>(back.size()), withData);
    EXPECT_EQ(bytesBack, bytesWithData);
    outcome.read = true;
  } catch (const rtl::Exception& e) {
    outcome.message = e.Message();
    EXPECT_EQ(ReaderMessages().count(e.Message()), 1u) << "unexpected message: " << e.Message();
  }
  return outcome;
}

// The image imported into a fresh tree read from `targetBytes`.
void Import(const std::vector<std::uint8_t>& targetBytes, const std::vector<std::uint8_t>& bytes,
            const Outcome& read) {
  auto target = ReadImage(targetBytes);
  TResourceList& root = *target->GetRootList();
  const int before = static_cast<int>(Leaves(root).size());
  std::vector<std::string> skipped;
  std::int32_t added = 0;
  TReadMemoryStream source(bytes.data(), static_cast<std::int32_t>(bytes.size()));
  try {
    std::int32_t replaced = ImportResources(
        &root, source, true, [&](const std::string& m) { skipped.push_back(m); }, &added);
    EXPECT_TRUE(read.read) << "imported what the reader refuses";
    // Every source leaf is replaced into the target or skipped for having no bytes.
    EXPECT_EQ(replaced + static_cast<std::int32_t>(skipped.size()), read.leaves);
    for (const std::string& m : skipped) EXPECT_EQ(m, rtl::LoadStr(SZeroSizeAssignment));
    EXPECT_EQ(static_cast<int>(Leaves(root).size()), before + added);
  } catch (const rtl::Exception& e) {
    EXPECT_FALSE(read.read) << "the import failed on an image that reads: " << e.Message();
    EXPECT_EQ(ReaderMessages().count(e.Message()), 1u) << "unexpected message: " << e.Message();
    // The image is read whole before anything is merged: the target is unchanged.
    EXPECT_FALSE(target->GetSection()->Modified);
    EXPECT_FALSE(target->GetSection()->StructureChanged);
  }
  Walk(root);
}

class DamagedImages : public ::testing::Test {
 protected:
  void SetUp() override {
    small_ = testsupport::ReadBytes(testsupport::Fixture("resfile_small.res"));
    target_ = testsupport::ReadBytes(testsupport::Fixture("resfile_basic.res"));
  }
  std::vector<std::uint8_t> small_;
  std::vector<std::uint8_t> target_;
};

}  // namespace

// A prefix reads when it ends where an entry ends (or at most 8 bytes into the next
// one), and then holds the entries before that point; any other prefix is refused.
TEST_F(DamagedImages, EveryTruncation) {
  std::vector<std::size_t> entryEnds;  // data ends, in image order
  {
    auto whole = ReadImage(small_);
    std::vector<TDataResItem*> leaves = Leaves(*whole->GetRootList());
    for (TDataResItem* leaf : leaves)
      entryEnds.push_back(static_cast<std::size_t>(leaf->RawData() - whole->Memory()) +
                          static_cast<std::size_t>(leaf->Size()));
    std::sort(entryEnds.begin(), entryEnds.end());
  }
  for (std::size_t length = 0; length < small_.size(); ++length) {
    SCOPED_TRACE(::testing::Message() << "length " << length);
    std::vector<std::uint8_t> prefix(small_.begin(), small_.begin() + static_cast<long>(length));
    Outcome outcome = Read(prefix);
    int complete = 0;
    std::size_t nextStart = 32;
    for (std::size_t end : entryEnds) {
      if (end > length) break;
      ++complete;
      nextStart = (end + 3) & ~std::size_t{3};
    }
    const bool expectRead = length == 0 || (length >= 32 && length <= nextStart + 8);
    EXPECT_EQ(outcome.read, expectRead) << outcome.message;
    if (expectRead) {
      EXPECT_EQ(outcome.leaves, length == 0 ? 0 : complete);
    } else if (length < 32) {
      EXPECT_EQ(outcome.message, rtl::FormatRes(SNotValidResFile, {""}));
    }
    Import(target_, prefix, outcome);
  }
}

TEST_F(DamagedImages, SeededMutations) {
  // The raw engine output only: distributions differ between standard libraries.
  std::mt19937 random(20240611u);
  const std::uint32_t interesting[] = {0, 1, 3, 4, 8, 0x20, 0xFFFF, 0x10000, 0x7FFFFFFF,
                                       0x80000000u, 0xFFFFFFFFu, 0xFFFFFFE0u};
  int reads = 0;
  for (int round = 0; round < 3000; ++round) {
    std::vector<std::uint8_t> bytes = small_;
    const int changes = 1 + static_cast<int>(random() % 4);
    for (int c = 0; c < changes; ++c) {
      const std::size_t at = random() % bytes.size();
      switch (random() % 5) {
        case 0:  // one random byte
          bytes[at] = static_cast<std::uint8_t>(random());
          break;
        case 1:  // one flipped bit
          bytes[at] = static_cast<std::uint8_t>(bytes[at] ^ (1u << (random() % 8)));
          break;
        case 2: {  // a size-like 32-bit value at an aligned place
          std::uint32_t v = interesting[random() % (sizeof interesting / sizeof *interesting)];
          std::size_t a = at & ~std::size_t{3};
          for (std::size_t k = 0; k < 4 && a + k < bytes.size(); ++k)
            bytes[a + k] = static_cast<std::uint8_t>(v >> (8 * k));
          break;
        }
        case 3: {  // a name unit that changes the field's kind
          const std::uint16_t units[] = {0x0000, 0xFFFF, 0x0041, 0xD800, 0x0416};
          std::uint16_t u = units[random() % 5];
          std::size_t a = at & ~std::size_t{1};
          bytes[a] = static_cast<std::uint8_t>(u);
          if (a + 1 < bytes.size()) bytes[a + 1] = static_cast<std::uint8_t>(u >> 8);
          break;
        }
        default:  // cut the image short
          if (at >= 32) bytes.resize(at);
          break;
      }
    }
    SCOPED_TRACE(::testing::Message() << "round " << round);
    Outcome outcome = Read(bytes);
    if (outcome.read) ++reads;
    Import(target_, bytes, outcome);
    if (::testing::Test::HasFailure()) break;
  }
  // The mutations must leave a fair share of images readable, or the reader's deeper
  // paths are not reached at all.
  EXPECT_GT(reads, 300);
}
