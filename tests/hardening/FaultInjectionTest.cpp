// Every file operation of a patch made to fail in turn. A clean run counts the operations
// of each kind; then each one fails once, on a fresh copy of the same files, and after
// each run: the input is unchanged, the output is the old file or the complete new one
// (or, once its backup was made, gone with the old file under the backup name), no
// temporary file is left, and the message names the failure and the step.
#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "FaultInjection.h"
#include "Format.h"
#include "PayloadWriter.h"
#include "Platform.h"
#include "ResContainer.h"
#include "StringIds.h"
#include "StringTable.h"
#include "TestSupport.h"
#include "UResPEFile.h"
#include "UResTool.h"
#include "UZedevaviz26.h"

namespace fault = plat::fault;
using testsupport::Fixture;
using testsupport::ListDir;
using testsupport::ReadBytes;
using testsupport::WriteBytes;
using Bytes = std::vector<std::uint8_t>;

namespace {

// ---- The hooks themselves ------------------------------------------------------------

class FaultHooks : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = testsupport::MakeScratchDir("fault-hooks");
    WriteBytes(dir_ + "a.bin", {'a', 'b', 'c'});
  }
  void TearDown() override {
    fault::Reset();
    testsupport::RemoveTree(dir_);
  }
  std::string dir_;
};

TEST_F(FaultHooks, TheChosenOperationFailsAsTheSystemReportsIt) {
  const std::string a = dir_ + "a.bin";
  struct Case {
    const char* what;
    unsigned kind;
    std::uint64_t n;
    std::function<bool()> failed;  // runs the operations; true when the n-th one failed
  };
  const Case cases[] = {
      {"OpenFileForRead", fault::kOpen, 1,
       [&] { return plat::OpenFileForRead(a) == plat::kInvalidHandle; }},
      {"FileOpen", fault::kOpen, 1,
       [&] { return plat::FileOpen(a, plat::fmOpenRead) == plat::kInvalidHandle; }},
      {"FileCreate", fault::kCreate, 1,
       [&] {
         return plat::FileCreate(dir_ + "new.bin") == plat::kInvalidHandle &&
                !plat::FileExists(dir_ + "new.bin");
       }},
      {"FileWrite, the second", fault::kWrite, 2,
       [&] {
         plat::Handle h = plat::FileCreate(dir_ + "w.bin");
         const bool first = plat::FileWrite(h, "x", 1) == 1;
         const bool second = plat::FileWrite(h, "y", 1) == -1;
         const bool third = plat::FileWrite(h, "z", 1) == 1;
         plat::CloseHandle(h);
         return first && second && third && ReadBytes(dir_ + "w.bin") == Bytes{'x', 'z'};
       }},
      {"MoveFile", fault::kRename, 1,
       [&] { return !plat::MoveFile(a, dir_ + "b.bin") && plat::FileExists(a); }},
      {"DeleteFile", fault::kDelete, 1, [&] { return !plat::DeleteFile(a) && plat::FileExists(a); }},
      {"CreateReadOnlyMapping", fault::kMap, 1,
       [&] {
         plat::Handle h = plat::OpenFileForRead(a);
         const bool failed = plat::CreateReadOnlyMapping(h) == plat::kNoHandle;
         plat::CloseHandle(h);
         return failed;
       }},
      {"MapWholeView", fault::kMap, 2,
       [&] {
         plat::Handle h = plat::OpenFileForRead(a);
         plat::Handle m = plat::CreateReadOnlyMapping(h);
         const bool failed = m != plat::kNoHandle && plat::MapWholeView(m) == nullptr;
         plat::CloseHandle(m);
         plat::CloseHandle(h);
         return failed;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fault::FailAt(c.kind, c.n);
    EXPECT_TRUE(c.failed());
    EXPECT_TRUE(fault::Fired());
    fault::Reset();
    EXPECT_TRUE(plat::FileExists(a));
  }
}

TEST_F(FaultHooks, CountsOnlyTheKindsAskedForAndNothingAfterReset) {
  fault::FailAt(fault::kCreate | fault::kWrite, 0);
  plat::Handle h = plat::FileCreate(dir_ + "c.bin");
  ASSERT_NE(h, plat::kInvalidHandle);
  EXPECT_EQ(plat::FileWrite(h, "12", 2), 2);
  EXPECT_EQ(plat::FileWrite(h, "34", 2), 2);
  plat::CloseHandle(h);
  EXPECT_TRUE(plat::DeleteFile(dir_ + "c.bin"));
  EXPECT_EQ(fault::Count(), 3u);
  EXPECT_EQ(fault::Count(fault::kWrite), 2u);
  EXPECT_EQ(fault::Count(fault::kDelete), 0u) << "not asked for";
  EXPECT_FALSE(fault::Fired()) << "n = 0 only counts";
  fault::Reset();
  EXPECT_TRUE(plat::DeleteFile(dir_ + "a.bin"));
  EXPECT_EQ(fault::Count(), 0u);
}

// ---- A patch under faults ------------------------------------------------------------

enum class Output { kInput, kOtherFile, kNewName };

struct Scenario {
  const char* what;
  Output output;
  bool backup;
};

const unsigned kKinds[] = {fault::kOpen,   fault::kMap,    fault::kCreate,
                           fault::kWrite,  fault::kRename, fault::kDelete};

const char* KindName(unsigned kind) {
  switch (kind) {
    case fault::kOpen: return "open";
    case fault::kMap: return "map";
    case fault::kCreate: return "create";
    case fault::kWrite: return "write";
    case fault::kRename: return "rename";
    default: return "delete";
  }
}

std::string While(const std::string& message, const std::string& action) {
  return rtl::FormatRes(SWhileAction, {message, action});
}

std::optional<Bytes> Content(const std::string& path) {
  if (!plat::FileExists(path)) return std::nullopt;
  return ReadBytes(path);
}

class PatchUnderFaults : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    original_ = ReadBytes(Fixture("patch_target.exe"));
    otherOutput_ = ReadBytes(Fixture("patch_target_v2.exe"));
    const std::string home = testsupport::MakeScratchDir("fault-patcher");
    TPatcherParts parts;
    parts.StubFile = Fixture("patch_stub.exe");
    parts.TargetChecksum = TPEFile::CreateFromFile(Fixture("patch_target.exe"))->VersionChecksum();
    parts.Texts.InputName = "target.exe";
    parts.Texts.OutputName = "target.exe";
    parts.ResourceImage = ReadBytes(Fixture("patch_update.res"));
    WritePatcherFile(parts, home + "patcher.exe");
    patch_ = new TKitmend26();
    patch_->LoadFromFile(home + "patcher.exe", TProgressEvent(), TStatusEvent());
    testsupport::RemoveTree(home);
  }
  static void TearDownTestSuite() {
    delete patch_;
    patch_ = nullptr;
  }
  void TearDown() override { fault::Reset(); }

  // A fresh directory with the input (and the old output) for one run.
  void Prepare(const Scenario& s) {
    dir_ = testsupport::MakeScratchDir("fault-run");
    input_ = dir_ + "target.exe";
    WriteBytes(input_, original_);
    switch (s.output) {
      case Output::kInput:
        output_ = input_;
        oldOutput_ = original_;
        break;
      case Output::kOtherFile:
        output_ = dir_ + "out.exe";
        WriteBytes(output_, otherOutput_);
        oldOutput_ = otherOutput_;
        break;
      case Output::kNewName:
        output_ = dir_ + "out.exe";
        oldOutput_.reset();
        break;
    }
    backupName_ = BackupFileName(output_);
    tempName_ = UniqueFileName(dir_ + "target.exe");
  }

  // "" on success, else the message.
  std::string Run(bool backup) {
    try {
      patch_->Apply(input_, output_, backup, true);
    } catch (const rtl::Exception& e) {
      return e.Message();
    }
    return "";
  }

  std::string Name(const std::string& path) const { return path.substr(dir_.size()); }

  // The files the directory may hold after any run; everything else is a leftover.
  void ExpectNoLeftover() {
    const std::set<std::string> allowed = {Name(input_), Name(output_), Name(backupName_)};
    for (const std::string& name : ListDir(dir_))
      EXPECT_TRUE(allowed.count(name)) << "left behind: " << name;
  }

  // What the failure of that operation must be reported as; "" where the kind decides
  // nothing by itself (a rename or delete may be one whose failure is survived).
  std::string ExpectedMessage(unsigned kind, std::uint64_t n) const {
    const std::string reading = rtl::FormatRes(SReading, {input_});
    const std::string writing = rtl::FormatRes(SWriting, {output_});
    switch (kind) {
      case fault::kOpen:
        return While(rtl::FormatRes(SCannotOpen, {input_, rtl::LoadStr(SOpenFailed)}), reading);
      case fault::kMap:
        return While(rtl::FormatRes(SCannotOpen,
                                    {input_, rtl::LoadStr(n == 1 ? SCreateFileMappingFailed
                                                                 : SMapViewOfFileFailed)}),
                     reading);
      case fault::kCreate: return While(rtl::FormatRes(SFCreateError, {tempName_}), writing);
      case fault::kWrite: return While(rtl::LoadStr(SWriteError), writing);
      default: return "";
    }
  }

  static TKitmend26* patch_;
  static Bytes original_;
  static Bytes otherOutput_;
  std::string dir_, input_, output_, backupName_, tempName_;
  std::optional<Bytes> oldOutput_;
};

TKitmend26* PatchUnderFaults::patch_ = nullptr;
Bytes PatchUnderFaults::original_;
Bytes PatchUnderFaults::otherOutput_;

TEST_F(PatchUnderFaults, EveryFileOperationFailingLeavesTheFilesSoundAndSaysWhere) {
  const Scenario scenarios[] = {
      {"output is the input, no backup", Output::kInput, false},
      {"output is the input, backup", Output::kInput, true},
      {"output replaces another file, no backup", Output::kOtherFile, false},
      {"output replaces another file, backup", Output::kOtherFile, true},
      {"output is a new file, no backup", Output::kNewName, false},
      {"output is a new file, backup", Output::kNewName, true},
  };
  for (const Scenario& s : scenarios) {
    SCOPED_TRACE(s.what);

    // The clean run: what the patch writes, and how many operations of each kind it makes.
    Prepare(s);
    fault::FailAt(fault::kAll, 0);
    ASSERT_EQ(Run(s.backup), "");
    std::uint64_t counts[sizeof kKinds / sizeof kKinds[0]];
    for (std::size_t k = 0; k < sizeof kKinds / sizeof kKinds[0]; ++k)
      counts[k] = fault::Count(kKinds[k]);
    fault::Reset();
    const Bytes patched = ReadBytes(output_);
    ASSERT_NE(patched, original_);
    testsupport::RemoveTree(dir_);
    EXPECT_EQ(counts[0], 1u) << "the input is opened once";
    EXPECT_EQ(counts[1], 2u) << "one mapping, one view";
    EXPECT_EQ(counts[2], 1u) << "one new file";
    EXPECT_GE(counts[3], 2u) << "headers and sections";

    int refused = 0, survived = 0;
    for (std::size_t k = 0; k < sizeof kKinds / sizeof kKinds[0]; ++k) {
      const unsigned kind = kKinds[k];
      for (std::uint64_t n = 1; n <= counts[k]; ++n) {
        SCOPED_TRACE(std::string(KindName(kind)) + " #" + std::to_string(n));
        Prepare(s);
        fault::FailAt(kind, n);
        const std::string message = Run(s.backup);
        ASSERT_TRUE(fault::Fired()) << "the run did not reach that operation";
        fault::Reset();

        if (s.output != Output::kInput) {
          EXPECT_EQ(Content(input_), original_) << "input changed";
        }
        const std::optional<Bytes> out = Content(output_);
        const std::optional<Bytes> backup = Content(backupName_);
        const bool backupDue = s.backup && oldOutput_.has_value();
        if (message.empty()) {
          EXPECT_EQ(out, patched) << "success without the complete new file";
          if (backupDue) {
            EXPECT_EQ(backup, oldOutput_) << "success without the backup";
          } else {
            EXPECT_FALSE(backup.has_value()) << "a backup nobody asked for";
          }
        } else {
          const bool old = out == oldOutput_ && !backup.has_value();
          const bool movedToBackup = backupDue && !out.has_value() && backup == oldOutput_;
          EXPECT_TRUE(old || movedToBackup)
              << "output " << (out ? out == patched ? "new" : "changed" : "missing")
              << ", backup " << (backup ? backup == oldOutput_ ? "old" : "other" : "none");
          const std::string expected = ExpectedMessage(kind, n);
          if (!expected.empty()) {
            EXPECT_EQ(message, expected);
          } else {
            EXPECT_EQ(message, While(rtl::FormatRes(SCouldNotOverwrite, {output_}),
                                     rtl::FormatRes(SWriting, {output_})));
          }
        }
        if (!ExpectedMessage(kind, n).empty()) {
          EXPECT_FALSE(message.empty()) << "the failure was not reported";
        }
        (message.empty() ? survived : refused) += 1;
        ExpectNoLeftover();
        testsupport::RemoveTree(dir_);
      }
    }
    std::cout << "[ faults  ] " << s.what << ":";
    for (std::size_t k = 0; k < sizeof kKinds / sizeof kKinds[0]; ++k)
      std::cout << " " << KindName(kKinds[k]) << " " << counts[k];
    std::cout << "; " << refused << " failures reported, " << survived << " survived"
              << std::endl;
  }
}

}  // namespace
