// The patcher state: names and backup choice between the payload, the options and the
// dialog, the start of a patch, the status and progress sinks, and the instructions file.
#include "PersistentData.h"

#include <cstring>

#include "Dialog.h"
#include "Format.h"
#include "Options.h"
#include "StringIds.h"
#include "StringList.h"
#include "StringTable.h"
#include "UResTool.h"

namespace {

constexpr int kProductCaption = 101;
constexpr int kAuthor = 103;
constexpr int kEmail = 104;
constexpr int kAuthorNote = 105;
constexpr int kInstructionsButton = 106;
constexpr int kInputName = 107;
constexpr int kOutputName = 108;
constexpr int kProgressBar = 109;
constexpr int kStatusLine = 110;
constexpr int kBackupBox = 111;

const char kProductName[] = "Vandolin Zedevaviz";

// The edit boxes hold at most 299 characters; longer names are cut there.
std::string DialogItemText(plat::Window dialog, int id) {
  char buffer[301];
  buffer[0] = '\0';
  plat::GetDlgItemText(dialog, id, buffer, 300);
  buffer[300] = '\0';
  return std::string(buffer);
}

std::string TextOrNone(const std::string& text) {
  return text.empty() ? rtl::LoadStr(SNone) : text;
}

// The extension of the file name part, dot included; empty when it has none.
std::string FileNameExtension(const std::string& name) {
  std::string file = plat::ExtractFileName(name);
  std::size_t dot = file.rfind('.');
  return dot == std::string::npos ? std::string() : file.substr(dot);
}

}  // namespace

std::string GetTempDirectory() {
  char buffer[360];
  std::memset(buffer, 0, sizeof buffer);
  std::uint32_t length = plat::GetTempPath(sizeof buffer, buffer);
  // A result that does not fit is the size the system would need, with nothing written.
  if (length == 0 || length >= sizeof buffer) return std::string();
  std::string dir(buffer);
  if (dir.empty() || dir.back() != plat::kPathDelim) dir += plat::kPathDelim;
  return dir;
}

void ApplyDirectory(std::string& name, const std::string& dir) {
  if (dir.empty()) return;
  std::string prefix = dir;
  if (prefix.back() != plat::kPathDelim) prefix += plat::kPathDelim;
  name = prefix + plat::ExtractFileName(name);
}

TKMPersistentData::TKMPersistentData() {
  const std::string program = plat::ParamStr(0);
  BaseName = RemoveFileExt(plat::ExtractFileName(program));
  InstructionsFile = GetTempDirectory() + BaseName + "_Instructions.txt";
  Patch = std::make_unique<TKitmend26>();
  try {
    Patch->LoadFromFile(
        program, [this](std::int32_t range, std::int32_t position) { SetProgress(range, position); },
        [this](const std::string& text) { SetStatus(text); });
  } catch (...) {
    // The half-built state is taken down as a finished one would be.
    if (plat::FileExists(InstructionsFile)) plat::DeleteFile(InstructionsFile);
    throw;
  }
}

TKMPersistentData::~TKMPersistentData() {
  if (plat::FileExists(InstructionsFile)) plat::DeleteFile(InstructionsFile);
}

void TKMPersistentData::Prepare(plat::Window dialog) {
  InputName = Patch->InputName;
  OutputName = Patch->OutputName;
  Backup = !OptNoBackup;
  if (OptDir) {
    ApplyDirectory(OutputName, OptDirValue);
    ApplyDirectory(InputName, OptDirValue);
  }
  Dialog = dialog;
  if (Dialog == 0) return;

  ProgressBar = plat::GetDlgItem(Dialog, kProgressBar);
  plat::SetWindowText(Dialog, BaseName + " - " + kProductName);
  plat::SetDlgItemText(Dialog, kProductCaption, kProductName);
  plat::SetDlgItemText(Dialog, kAuthor, TextOrNone(Patch->Author));
  plat::SetDlgItemText(Dialog, kEmail, TextOrNone(Patch->Email));
  plat::SetDlgItemText(Dialog, kAuthorNote, TextOrNone(Patch->AuthorNote));
  if (Patch->Instructions.empty())
    plat::EnableWindow(plat::GetDlgItem(Dialog, kInstructionsButton), false);
  plat::SetDlgItemText(Dialog, kInputName, InputName);
  plat::SetDlgItemText(Dialog, kOutputName, OutputName);
  plat::CheckDlgButton(Dialog, kBackupBox, Backup ? plat::BST_CHECKED : plat::BST_UNCHECKED);
}

void TKMPersistentData::ReadDialog() {
  InputName = DialogItemText(Dialog, kInputName);
  OutputName = DialogItemText(Dialog, kOutputName);
  Backup = plat::IsDlgButtonChecked(Dialog, kBackupBox) == plat::BST_CHECKED;
}

void TKMPersistentData::Execute() {
  if (Dialog != 0) ReadDialog();
  if (InputName.empty()) throw rtl::Exception(rtl::LoadStr(SEnterValidName));
  if (!plat::FileExists(InputName))
    throw rtl::Exception(rtl::FormatRes(SFileNotFound, {InputName}));
  if (OutputName.empty()) throw rtl::Exception(rtl::LoadStr(SEnterValidName));
  if (OutputName.find('.') == std::string::npos) {
    OutputName += FileNameExtension(InputName);
    if (Dialog != 0) plat::SetDlgItemText(Dialog, kOutputName, OutputName);
  }
  Patch->Apply(InputName, OutputName, Backup, !OptForce);
  Done = true;
}

void TKMPersistentData::ShowInstructions() {
  if (Patch->Instructions.empty()) return;
  rtl::TStringList lines;
  lines.SetText(Patch->Instructions);
  lines.SaveToFile(InstructionsFile);
  if (plat::ShellOpen(Dialog, InstructionsFile, plat::SW_SHOW) <= 32)
    plat::MessageBox(Dialog, rtl::FormatRes(SErrorShowing, {InstructionsFile}),
                     rtl::LoadStr(SErrorCaption), plat::MB_TASKMODAL | plat::MB_ICONERROR);
}

void TKMPersistentData::SetStatus(const std::string& text) {
  if (Dialog != 0) plat::SetDlgItemText(Dialog, kStatusLine, text);
}

void TKMPersistentData::SetProgress(std::int32_t range, std::int32_t position) {
  if (Dialog == 0) return;
  if (range != LastRange) {
    const std::uint32_t bounds = (static_cast<std::uint32_t>(range) & 0xFFFFu) << 16;
    plat::SendMessage(ProgressBar, plat::PBM_SETRANGE, 0, static_cast<std::intptr_t>(bounds));
    LastRange = range;
  }
  plat::SendMessage(ProgressBar, plat::PBM_SETPOS, static_cast<std::uintptr_t>(position), 0);
}
