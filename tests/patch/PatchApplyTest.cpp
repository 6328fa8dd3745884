// Applying loaded patches to real executables: the fixture program (and its other build)
// and Wine's own programs. The results are judged by reading the written files back, with
// python3-pefile where it can run.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#endif

#include "Format.h"
#include "TestPayloadWriter.h"
#include "Platform.h"
#include "ResourceDump.h"
#include "StringIds.h"
#include "StringTable.h"
#include "TestSupport.h"
#include "UResPEFile.h"
#include "UZedevaviz26.h"

using payload::Bytes;
using resdump::Key;
using resdump::ResMap;
using testsupport::Fixture;
using testsupport::ListDir;
using testsupport::ReadBytes;

namespace {

std::uint32_t VersionOf(const std::string& exe) {
  return TPEFile::CreateFromFile(exe)->VersionChecksum();
}

std::string Reading(const std::string& name) { return rtl::FormatRes(SReading, {name}); }
std::string Writing(const std::string& name) { return rtl::FormatRes(SWriting, {name}); }
bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}
std::string While(const std::string& message, const std::string& action) {
  return rtl::FormatRes(SWhileAction, {message, action});
}

class PatchApply : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = testsupport::MakeScratchDir("apply");
    update_ = ReadBytes(Fixture("patch_update.res"));
  }
  void TearDown() override { testsupport::RemoveTree(dir_); }

  // A loaded patch carrying `image`, made for `target`; its callbacks record into the test.
  std::unique_ptr<TKitmend26> MakePatch(const Bytes& image, std::uint32_t target) {
    payload::Header header;
    header.targetChecksum = target;
    std::string patcher = dir_ + "patcher.bin";
    payload::WritePatcher(Fixture("patch_target.exe"), patcher,
                          payload::Payload(payload::Deflate(payload::Inflated(texts_, image)),
                                           header));
    auto patch = std::make_unique<TKitmend26>();
    patch->LoadFromFile(
        patcher, [this](std::int32_t r, std::int32_t p) { progress_.emplace_back(r, p); },
        [this](const std::string& s) {
          statuses_.push_back(s);
          if (onStatus_) onStatus_(s);
        });
    plat::DeleteFile(patcher);
    return patch;
  }
  std::unique_ptr<TKitmend26> FixturePatch() {
    return MakePatch(update_, VersionOf(Fixture("patch_target.exe")));
  }
  std::string Copy(const std::string& fixture, const std::string& name) {
    testsupport::WriteBytes(dir_ + name, ReadBytes(fixture));
    return dir_ + name;
  }
  // The failure message, or "" on success.
  std::string Apply(TKitmend26& patch, const std::string& in, const std::string& out,
                    bool backup, bool checkVersion = true) {
    progress_.clear();
    statuses_.clear();
    try {
      patch.Apply(in, out, backup, checkVersion);
    } catch (const rtl::Exception& e) {
      return e.Message();
    }
    return "";
  }
  // The target's resources with the fixture patch applied by hand: the version resource
  // of the image is the one thing that must not arrive.
  ResMap Expected(const std::string& original) {
    ResMap expected = resdump::FromExecutable(original);
    for (const auto& [key, data] : resdump::FromResImage(update_))
      if (key.rfind("16/", 0) != 0) expected[key] = data;
    return expected;
  }
  void ExpectPatched(const std::string& output, const std::string& original) {
    ResMap expected = Expected(original);
    EXPECT_EQ(resdump::FromExecutable(output), expected);
    bool judged = false;
    ResMap byPefile = resdump::FromExecutableByPefile(output, &judged);
#ifndef _WIN32
    EXPECT_TRUE(judged) << "python3-pefile (scripts/setup.sh) could not be run";
#endif
    if (judged) {
      EXPECT_EQ(byPefile, expected) << "python3-pefile reads the output differently";
    }
  }

  std::string dir_;
  Bytes update_;
  payload::Texts texts_;
  std::vector<std::pair<std::int32_t, std::int32_t>> progress_;
  std::vector<std::string> statuses_;
  std::function<void(const std::string&)> onStatus_;
};

TEST_F(PatchApply, PatchesReportsStatusAndProgressAndLeavesTheInputAlone) {
  std::string in = Copy(Fixture("patch_target.exe"), "game.exe");
  std::string out = dir_ + "game_ru.exe";
  Bytes before = ReadBytes(in);
  auto patch = FixturePatch();
  ASSERT_EQ(Apply(*patch, in, out, true), "");

  ExpectPatched(out, in);
  EXPECT_EQ(ReadBytes(in), before);
  EXPECT_EQ(ListDir(dir_), (std::vector<std::string>{"game.exe", "game_ru.exe"}));
  EXPECT_EQ(VersionOf(out), VersionOf(in)) << "the code is not touched";
  EXPECT_EQ(statuses_, (std::vector<std::string>{Reading(in), Reading("patch data"), Writing(out),
                                                 rtl::LoadStr(SPatchSuccess)}));
  ASSERT_GE(progress_.size(), 4u);
  EXPECT_EQ(progress_[0], std::make_pair(2, 0));
  EXPECT_EQ(progress_[1], std::make_pair(1000, 0));
  EXPECT_EQ(progress_[2], std::make_pair(100, 1));
  EXPECT_EQ(progress_.back(), std::make_pair(100, 100));
  for (std::size_t i = 3; i + 1 < progress_.size(); ++i) {
    EXPECT_EQ(progress_[i].first, 100);
    EXPECT_GE(progress_[i].second, progress_[i - 1].second);
    EXPECT_LE(progress_[i].second, 95);
  }
}

TEST_F(PatchApply, WrongBuildIsRefusedWithNothingWritten) {
  std::string in = Copy(Fixture("patch_target_v2.exe"), "game.exe");
  ASSERT_NE(VersionOf(in), VersionOf(Fixture("patch_target.exe")));
  auto patch = FixturePatch();
  std::vector<std::string> filesBefore = ListDir(dir_);

  EXPECT_EQ(Apply(*patch, in, dir_ + "game_ru.exe", true),
            While(rtl::FormatRes(SWrongVersion, {in}), Reading(in)));
  EXPECT_EQ(ListDir(dir_), filesBefore);
  EXPECT_EQ(statuses_, std::vector<std::string>{Reading(in)});
  EXPECT_EQ(progress_, (std::vector<std::pair<int, int>>{{2, 0}}));

  // -force: the same file is patched.
  EXPECT_EQ(Apply(*patch, in, dir_ + "game_ru.exe", true, false), "");
  ExpectPatched(dir_ + "game_ru.exe", in);
}

TEST_F(PatchApply, OutputEqualToInputWithAndWithoutBackup) {
  std::string in = Copy(Fixture("patch_target.exe"), "game.exe");
  Bytes original = ReadBytes(in);
  auto patch = FixturePatch();

  ASSERT_EQ(Apply(*patch, in, in, true), "");
  EXPECT_EQ(ListDir(dir_), (std::vector<std::string>{"game Backup.exe", "game.exe"}));
  EXPECT_EQ(ReadBytes(dir_ + "game Backup.exe"), original);
  ExpectPatched(in, dir_ + "game Backup.exe");

  // Again, into the same name: the first backup is kept, the next one is numbered.
  Bytes once = ReadBytes(in);
  ASSERT_EQ(Apply(*patch, in, in, true), "");
  EXPECT_EQ(ListDir(dir_),
            (std::vector<std::string>{"game Backup.exe", "game Backup1.exe", "game.exe"}));
  EXPECT_EQ(ReadBytes(dir_ + "game Backup.exe"), original);
  EXPECT_EQ(ReadBytes(dir_ + "game Backup1.exe"), once);

  std::string plain = Copy(Fixture("patch_target.exe"), "plain.exe");
  ASSERT_EQ(Apply(*patch, plain, plain, false), "");
  EXPECT_EQ(ListDir(dir_), (std::vector<std::string>{"game Backup.exe", "game Backup1.exe",
                                                     "game.exe", "plain.exe"}));
  ExpectPatched(plain, dir_ + "game Backup.exe");
}

TEST_F(PatchApply, ReplacedOutputGoesToItsBackupName) {
  std::string in = Copy(Fixture("patch_target.exe"), "game.exe");
  std::string out = Copy(Fixture("patch_target_v2.exe"), "readme");  // no extension
  Bytes old = ReadBytes(out);
  auto patch = FixturePatch();
  ASSERT_EQ(Apply(*patch, in, out, true), "");
  EXPECT_EQ(ListDir(dir_), (std::vector<std::string>{"game.exe", "readme", "readme Backup"}));
  EXPECT_EQ(ReadBytes(dir_ + "readme Backup"), old);
  ExpectPatched(out, in);

  ASSERT_EQ(Apply(*patch, in, out, false), "");
  EXPECT_EQ(ListDir(dir_), (std::vector<std::string>{"game.exe", "readme", "readme Backup"}));
}

// The output in another directory under the input's own name: the temporary file already
// has the output's name, so nothing is renamed and no backup is made.
TEST_F(PatchApply, SameFileCaseNeedsNoRename) {
  std::string in = Copy(Fixture("patch_target.exe"), "game.exe");
  std::string other = testsupport::MakeScratchDir("apply-other");
  std::string out = other + "game.exe";
  auto patch = FixturePatch();
  ASSERT_EQ(Apply(*patch, in, out, true), "");
  EXPECT_EQ(ListDir(other), std::vector<std::string>{"game.exe"});
  ExpectPatched(out, in);

  // A failure after the replacement (here from the status sink of the last step) must not
  // take the finished output with it.
  testsupport::RemoveTree(other);
  other = testsupport::MakeScratchDir("apply-other");
  out = other + "game.exe";
  onStatus_ = [](const std::string& s) {
    if (s == rtl::LoadStr(SPatchSuccess)) throw rtl::Exception("sink failed");
  };
  EXPECT_EQ(Apply(*patch, in, out, true), While("sink failed", rtl::LoadStr(SPatchSuccess)));
  EXPECT_EQ(ListDir(other), std::vector<std::string>{"game.exe"});
  ExpectPatched(out, in);
  testsupport::RemoveTree(other);
}

TEST_F(PatchApply, OutputThatCannotBeReplacedKeepsTheOldOneAndLeavesNoTemporaryFile) {
  std::string in = Copy(Fixture("patch_target.exe"), "game.exe");
  auto patch = FixturePatch();
  struct Blocker {
    std::string what;
    std::string out;
    bool backup;
    std::function<void()> release;
    Bytes old;  // read before the file is locked
  };
  std::vector<Blocker> blockers;
#ifdef _WIN32
  for (bool backup : {true, false}) {
    std::string locked = Copy(Fixture("patch_target_v2.exe"), backup ? "locked1.exe" : "locked2.exe");
    Bytes old = ReadBytes(locked);
    HANDLE h = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    blockers.push_back({"locked", locked, backup, [h] { CloseHandle(h); }, old});
  }
  std::string readOnly = Copy(Fixture("patch_target_v2.exe"), "readonly.exe");
  SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
  blockers.push_back({"read-only", readOnly, false,
                      [readOnly] { SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL); },
                      ReadBytes(readOnly)});
#else
  // Root may delete any file here; a directory of the output's name cannot be replaced.
  std::string busy = dir_ + "busy.exe";
  std::filesystem::create_directory(busy);
  testsupport::WriteBytes(busy + "/inside", Bytes{1});
  blockers.push_back({"directory", busy, false, [] {}, Bytes()});
#endif
  for (Blocker& b : blockers) {
    std::vector<std::string> filesBefore = ListDir(dir_);
    std::string message = Apply(*patch, in, b.out, b.backup);
    b.release();
    EXPECT_EQ(message, While(rtl::FormatRes(SCouldNotOverwrite, {b.out}), Writing(b.out)))
        << b.what;
    EXPECT_EQ(ListDir(dir_), filesBefore) << b.what << ": a temporary or backup file was left";
    if (!std::filesystem::is_directory(b.out)) {
      EXPECT_EQ(ReadBytes(b.out), b.old) << b.what;
    }
  }
}

TEST_F(PatchApply, FailuresNameTheStepTheyHappenedIn) {
  std::string in = Copy(Fixture("patch_target.exe"), "game.exe");
  auto patch = FixturePatch();

  std::string missing = dir_ + "missing.exe";
  std::string m = Apply(*patch, missing, dir_ + "out.exe", true);
  EXPECT_TRUE(EndsWith(m, " (while " + Reading(missing) + ")")) << m;
  EXPECT_EQ(ListDir(dir_), std::vector<std::string>{"game.exe"});

  // Not a resource image: the failure comes while reading the patch data.
  auto broken = MakePatch(Bytes(64, 0x5A), VersionOf(in));
  m = Apply(*broken, in, dir_ + "out.exe", true);
  EXPECT_TRUE(EndsWith(m, " (while " + Reading("patch data") + ")")) << m;
  EXPECT_EQ(ListDir(dir_), std::vector<std::string>{"game.exe"});

  // A second call on the same patch starts afresh.
  ASSERT_EQ(Apply(*patch, in, dir_ + "out.exe", true), "");
  EXPECT_EQ(progress_.front(), std::make_pair(2, 0));
  EXPECT_EQ(statuses_.front(), Reading(in));
}

TEST_F(PatchApply, NameWithPercentSignIsShownUnchanged) {
  std::string in = Copy(Fixture("patch_target.exe"), "100%s %d.exe");
  auto patch = FixturePatch();
  ASSERT_EQ(Apply(*patch, in, dir_ + "out%s.exe", true), "");
  auto filled = [](int id, const std::string& name) {
    std::string format = rtl::LoadStr(id);
    return format.replace(format.find("%s"), 2, name);
  };
  EXPECT_EQ(statuses_.front(), filled(SReading, in));
  EXPECT_EQ(statuses_[2], filled(SWriting, dir_ + "out%s.exe"));
}

TEST_F(PatchApply, EmptyResourceImageRewritesTheInputsResources) {
  std::string in = Copy(Fixture("patch_target.exe"), "game.exe");
  auto patch = MakePatch(Bytes(), VersionOf(in));
  ASSERT_EQ(patch->ResourceSize, 0);
  ASSERT_EQ(Apply(*patch, in, dir_ + "out.exe", true), "");
  EXPECT_EQ(resdump::FromExecutable(dir_ + "out.exe"), resdump::FromExecutable(in));
}

// Wine's own programs as targets: a patch of their string tables in every language.
TEST_F(PatchApply, WineProgramsArePatched) {
  const std::string wine = "/usr/lib/i386-linux-gnu/wine/i386-windows/";
  for (const char* program : {"clock.exe", "notepad.exe", "winver.exe"}) {
    std::string source = testsupport::NativePath(wine + program);
    if (!plat::FileExists(source)) continue;
    std::string in = Copy(source, program);
    auto patch = MakePatch(update_, VersionOf(in));
    ASSERT_EQ(Apply(*patch, in, in, false), "") << program;
    ExpectPatched(in, source);
    plat::DeleteFile(in);
  }
}

}  // namespace
