// The main dialog driven through the terminal dialog of the POSIX backend: the same
// procedure, start action and patcher state as on Windows, with the user's keys typed in
// and the screen read back. The template is template 100's control table.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "AppTestSupport.h"
#include "Dialog.h"
#include "Entry.h"
#include "Format.h"
#include "MainDialog.h"
#include "Options.h"
#include "PersistentData.h"
#include "StringIds.h"
#include "StringTable.h"
#include "TestSupport.h"
#include "posix/TerminalDialog.h"

using testsupport::Fixture;
using testsupport::ListDir;
using testsupport::ReadBytes;

namespace {

// Template 100 as app/resources/Zedevaviz.rc.in lays it out.
plat::DialogTemplate MainTemplate() {
  using plat::DialogControl;
  const std::uint32_t child = 0x40000000, visible = plat::WS_VISIBLE, tab = 0x00010000;
  plat::DialogTemplate t;
  t.style = 0x80C801C0;
  t.x = 21, t.y = 18, t.cx = 226, t.cy = 194;
  auto add = [&](int id, const char* cls, const char* text, std::uint32_t style, int x, int y) {
    DialogControl c;
    c.id = id, c.className = cls, c.text = text, c.style = child | style, c.x = x, c.y = y;
    t.controls.push_back(c);
  };
  add(1, "button", "Пуск", visible | tab | plat::BS_DEFPUSHBUTTON, 70, 176);
  add(2, "button", "Отмена", visible | tab | 0x300, 113, 176);
  add(-1, "static", "MAINICON", plat::SS_ICON, 8, 4);
  add(101, "static", "Zedevaviz patch\r\n", 0, 45, 2);
  add(102, "edit", "Russian translation", visible | tab | plat::ES_READONLY | 1, 35, 10);
  add(-1, "button", "От автора", visible | 0x00020000 | plat::BS_GROUPBOX, 8, 30);
  add(-1, "static", "Translator: Zedevaviz team", visible, 12, 40);
  add(103, "edit", "", tab | plat::ES_READONLY, 201, 40);
  add(-1, "static", "E-mail: team@zedevaviz.org", visible, 12, 52);
  add(104, "edit", "", tab | plat::ES_READONLY, 183, 52);
  add(-1, "static", "(c) 2026", visible, 12, 64);
  add(105, "edit", "", tab | plat::ES_READONLY, 97, 64);
  add(106, "button", "Инструкции", visible | tab | 0x300, 148, 63);
  add(-1, "static", "Исходный файл:", visible, 9, 84);
  add(107, "edit", "", visible | 0x00800000 | tab, 8, 93);
  add(-1, "static", "Имя файла после русификации:", visible, 9, 112);
  add(108, "edit", "", visible | 0x00800000 | tab, 8, 121);
  add(111, "button", "Создать резервную копию файла", visible | tab | plat::BS_AUTOCHECKBOX, 8,
      134);
  add(109, "msctls_progress32", "ProgressBar1", visible | 0x00800000, 8, 148);
  add(-1, "static", "Статус:", visible, 8, 164);
  add(110, "static", "status", visible, 44, 164);
  return t;
}

struct Session {
  std::string screen;  // what the dialog drew
  std::string boxes;   // the message boxes (stderr)
};

class MainDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = testsupport::MakeScratchDir("dialog");
    plat::RegisterDialogTemplate(100, MainTemplate());
    game_ = dir_ + "game.exe";
    testsupport::WriteBytes(game_, ReadBytes(Fixture("patch_target.exe")));
    texts_.inputName = game_;
    texts_.outputName = dir_ + "game_ru.exe";
  }
  void TearDown() override {
    plat::SetTerminal(nullptr, nullptr);
    plat::ClearDialogTemplates();
    plat::SetTerminalScreen(plat::Rect{0, 0, 1024, 768}, true, 1024, 768);
    apptest::UseCommandLine({});
    testsupport::RemoveTree(dir_);
  }

  // Runs the patcher Fix.exe with `options`, typing `keys`.
  Session Run(const std::string& keys, const std::vector<std::string>& options = {}) {
    std::vector<std::string> args{apptest::MakePatcher(dir_, "Fix.exe", texts_)};
    args.insert(args.end(), options.begin(), options.end());
    plat::SetArguments(args);
    std::FILE* in = std::tmpfile();
    std::fputs(keys.c_str(), in);
    std::rewind(in);
    char* drawn = nullptr;
    std::size_t drawnSize = 0;
    std::FILE* out = open_memstream(&drawn, &drawnSize);
    plat::SetTerminal(in, out);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RunZedevaviz(), 0);
    Session s;
    s.boxes = ::testing::internal::GetCapturedStderr();
    plat::SetTerminal(nullptr, nullptr);
    std::fclose(in);
    std::fclose(out);
    s.screen.assign(drawn, drawnSize);
    std::free(drawn);
    return s;
  }
  bool IsPatched(const std::string& file) {
    if (!plat::FileExists(file)) return false;
    return ReadBytes(file) != ReadBytes(Fixture("patch_target.exe"));
  }
  static std::string Box(const std::string& text) {
    return rtl::LoadStr(SErrorCaption) + "\n" + text + "\n";
  }

  std::string dir_;
  std::string game_;
  payload::Texts texts_;
};

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST_F(MainDialog, EnterPatchesAndEnterAgainCloses) {
  Session s = Run("\n\n");
  EXPECT_TRUE(IsPatched(dir_ + "game_ru.exe"));
  EXPECT_EQ(s.boxes, "");
  EXPECT_TRUE(Has(s.screen, "== Fix - Vandolin Zedevaviz =="));
  EXPECT_TRUE(Has(s.screen, "Исходный файл:\n(1) " + game_ + "\n"));
  EXPECT_TRUE(Has(s.screen, "(2) " + dir_ + "game_ru.exe\n"));
  EXPECT_TRUE(Has(s.screen, "(b) [x] Создать резервную копию файла"));
  EXPECT_TRUE(Has(s.screen, rtl::LoadStr(SEnterNameAndStart)));
  EXPECT_TRUE(Has(s.screen, rtl::FormatRes(SReading, {game_})));
  EXPECT_TRUE(Has(s.screen, "[##############################] 100%  " +
                                rtl::LoadStr(SPatchSuccess)));
  EXPECT_TRUE(Has(s.screen, "[" + rtl::LoadStr(SDone) + ": Enter]"));
  EXPECT_FALSE(Has(s.screen, "A. Translator")) << "the author rows of the template are hidden";
}

TEST_F(MainDialog, AutoStartsAndClosesByItself) {
  Session s = Run("", {"-auto"});
  EXPECT_TRUE(IsPatched(dir_ + "game_ru.exe"));
  EXPECT_EQ(s.boxes, "");
  EXPECT_FALSE(Has(s.screen, "> ")) << "auto mode asks for nothing";
  EXPECT_TRUE(Has(s.screen, rtl::LoadStr(SPatchSuccess)));

  // -auto -quiet and a failing start: closed again without any box.
  texts_.inputName = dir_ + "missing.exe";
  s = Run("", {"-auto", "-quiet"});
  EXPECT_EQ(s.boxes, "");
  EXPECT_FALSE(Has(s.screen, "> "));
}

TEST_F(MainDialog, FailedStartShowsTheErrorAndTheDialogStaysOpen) {
  texts_.inputName = dir_ + "missing.exe";
  Session s = Run("\n1 " + game_ + "\n\n\n");
  EXPECT_EQ(s.boxes, Box(rtl::FormatRes(SFileNotFound, {dir_ + "missing.exe"})));
  EXPECT_TRUE(IsPatched(dir_ + "game_ru.exe")) << "the second start used the corrected name";
  // After the failure the status line shows the prompt again and button 1 still starts.
  std::size_t afterStart = s.screen.find("> ");
  std::size_t corrected = s.screen.find("(1) " + game_);
  ASSERT_NE(corrected, std::string::npos);
  std::string failedPart = s.screen.substr(afterStart, corrected - afterStart);
  EXPECT_TRUE(Has(failedPart, "0%  " + rtl::LoadStr(SEnterNameAndStart))) << failedPart;
  EXPECT_TRUE(Has(failedPart, "[Пуск: Enter]")) << failedPart;
}

TEST_F(MainDialog, TypedOutputWithoutDotGetsTheExtensionAndBackupCanBeTurnedOff) {
  std::string renamed = dir_ + "renamed";
  testsupport::WriteBytes(renamed + ".exe", {1, 2, 3});
  Session s = Run("2 " + renamed + "\nb\n\nq\n");
  EXPECT_EQ(s.boxes, "");
  EXPECT_TRUE(IsPatched(renamed + ".exe"));
  EXPECT_TRUE(Has(s.screen, "(2) " + renamed + ".exe\n")) << "control 108 shows the new name";
  EXPECT_TRUE(Has(s.screen, "(b) [ ] "));
  EXPECT_FALSE(plat::FileExists(dir_ + "renamed Backup.exe"));

  s = Run("q\n", {"-nobackup"});
  EXPECT_TRUE(Has(s.screen, "(b) [ ] "));
  EXPECT_FALSE(plat::FileExists(dir_ + "game_ru.exe")) << "cancel patches nothing";
}

TEST_F(MainDialog, EndOfInputCancels) {
  Session s = Run("");
  EXPECT_FALSE(plat::FileExists(dir_ + "game_ru.exe"));
  EXPECT_EQ(s.boxes, "");
}

TEST_F(MainDialog, InstructionsButtonDisabledWithoutInstructions) {
  texts_.instructions.clear();
  Session s = Run("i\nq\n");
  EXPECT_TRUE(Has(s.screen, "[Инструкции: -]"));
  EXPECT_EQ(s.boxes, "");
}

// The temporary directory cannot take the file: the error is shown, the dialog stays.
TEST_F(MainDialog, InstructionsThatCannotBeWrittenAreReported) {
  const char* saved = std::getenv("TMPDIR");
  std::string savedDir = saved != nullptr ? saved : "";
  std::string nowhere = dir_ + "no-such-dir/";
  setenv("TMPDIR", nowhere.c_str(), 1);
  Session s = Run("i\n\n\n");
  if (saved != nullptr)
    setenv("TMPDIR", savedDir.c_str(), 1);
  else
    unsetenv("TMPDIR");
  EXPECT_EQ(s.boxes, Box(rtl::FormatRes(SFCreateError, {nowhere + "Fix_Instructions.txt"})));
  EXPECT_TRUE(IsPatched(dir_ + "game_ru.exe")) << "the dialog went on after the box";
}

TEST_F(MainDialog, MissingTemplateIsTheFailureToExecute) {
  plat::ClearDialogTemplates();
  Session s = Run("");
  EXPECT_EQ(s.boxes, Box(rtl::LoadStr(SFailedToExecute)));
}

// Prepare, ReadDialog and the progress sink on a dialog, looked at from inside it.
struct Inspection {
  std::string author, email, note, caption101, input, output;
  bool instructionsEnabled = true;
  bool backupChecked = false;
  std::size_t readBackLength = 0;
  std::intptr_t rangeBefore = 0;
  std::intptr_t positionBefore = 0;
};
Inspection* gInspection = nullptr;

std::intptr_t InspectingProc(plat::Window dialog, std::uint32_t msg, std::uintptr_t,
                             std::intptr_t) {
  if (msg != plat::WM_INITDIALOG) return 0;
  auto text = [&](int id) {
    char buffer[512];
    plat::GetDlgItemText(dialog, id, buffer, sizeof buffer);
    return std::string(buffer);
  };
  Inspection& r = *gInspection;
  PersistentData->Prepare(dialog);
  r.author = text(103), r.email = text(104), r.note = text(105), r.caption101 = text(101);
  r.input = text(107), r.output = text(108);
  r.backupChecked = plat::IsDlgButtonChecked(dialog, 111) == plat::BST_CHECKED;
  r.instructionsEnabled = !plat::EnableWindow(plat::GetDlgItem(dialog, 106), true);
  plat::SetDlgItemText(dialog, 107, std::string(400, 'n'));
  PersistentData->ReadDialog();
  r.readBackLength = PersistentData->InputName.size();
  PersistentData->SetProgress(2, 0);
  PersistentData->SetProgress(2, 1);
  r.rangeBefore = plat::SendMessage(PersistentData->ProgressBar, plat::PBM_SETRANGE, 0, 0);
  r.positionBefore = plat::SendMessage(PersistentData->ProgressBar, plat::PBM_SETPOS, 0, 0);
  plat::EndDialog(dialog, 0);
  return 1;
}

TEST_F(MainDialog, PrepareFillsTheControlsAndEmptyTextsShowNone) {
  texts_.author.clear();
  texts_.email = std::string("mail\0hidden", 11);
  texts_.authorNote.clear();
  texts_.instructions.clear();
  apptest::UseCommandLine({apptest::MakePatcher(dir_, "Fix.exe", texts_), "-nobackup"});
  TKMPersistentData state;
  PersistentData = &state;
  Inspection r;
  gInspection = &r;
  plat::SetTerminal(std::tmpfile(), std::tmpfile());
  EXPECT_EQ(plat::DialogBoxParam(100, 0, InspectingProc, 0), 0);
  PersistentData = nullptr;
  EXPECT_EQ(r.author, rtl::LoadStr(SNone));
  EXPECT_EQ(r.email, "mail") << "a text is shown up to its first zero byte";
  EXPECT_EQ(r.note, rtl::LoadStr(SNone));
  EXPECT_EQ(r.caption101, "Vandolin Zedevaviz");
  EXPECT_EQ(r.input, game_);
  EXPECT_EQ(r.output, dir_ + "game_ru.exe");
  EXPECT_FALSE(r.backupChecked);
  EXPECT_FALSE(r.instructionsEnabled);
  EXPECT_EQ(r.readBackLength, 299u);
  EXPECT_EQ(r.rangeBefore, 2 << 16);
  EXPECT_EQ(r.positionBefore, 1);
  EXPECT_EQ(state.LastRange, 2);
}

// CenterWindow with the notional screen of the terminal backend.
plat::Rect gPlaced;
std::intptr_t CenteringProc(plat::Window dialog, std::uint32_t msg, std::uintptr_t,
                            std::intptr_t) {
  if (msg != plat::WM_INITDIALOG) return 0;
  CenterWindow(dialog);
  plat::GetWindowRect(dialog, gPlaced);
  plat::EndDialog(dialog, 0);
  return 1;
}

TEST_F(MainDialog, CenterWindowUsesTheWorkArea) {
  plat::SetTerminal(std::tmpfile(), std::tmpfile());
  auto place = [&](plat::Rect area, bool known, int w, int h) {
    plat::SetTerminalScreen(area, known, w, h);
    plat::DialogBoxParam(100, 0, CenteringProc, 0);
    return gPlaced;
  };
  plat::Rect r = place({0, 0, 1024, 768}, true, 1024, 768);
  const int w = r.right - r.left, h = r.bottom - r.top;
  EXPECT_EQ(r.left, (1024 - w) / 2);
  EXPECT_EQ(r.top, (768 - h) / 2);
  r = place({100, 0, 1124, 700}, true, 1124, 768);  // a task bar on the left
  EXPECT_EQ(r.left, 100 + (1024 - w) / 2);
  EXPECT_EQ(r.top, (700 - h) / 2);
  EXPECT_EQ(r.right - r.left, w) << "the size is kept";
  r = place({50, 40, 50 + w - 10, 40 + h - 10}, true, 800, 600);  // smaller than the dialog
  EXPECT_EQ(r.left, 50);
  EXPECT_EQ(r.top, 40);
  r = place({0, 0, 0, 0}, false, 800, 600);  // no work area: the screen
  EXPECT_EQ(r.left, (800 - w) / 2);
  EXPECT_EQ(r.top, (600 - h) / 2);
}

}  // namespace
