// The main dialog: its procedure (initialisation, the buttons, auto mode), the start
// action shared with the window-less mode, and the placement in the work area.
#include "MainDialog.h"

#include <exception>
#include <string>

#include "Dialog.h"
#include "Entry.h"
#include "ExceptionText.h"
#include "Options.h"
#include "PersistentData.h"
#include "StringIds.h"
#include "StringTable.h"

namespace {

constexpr int kInstructionsButton = 106;
constexpr int kStatusLine = 110;
// Moves the focus to the control in wParam when lParam is nonzero.
constexpr std::uint32_t WM_NEXTDLGCTL = 0x0028;

void ShowError(plat::Window owner, const std::string& message) {
  plat::MessageBox(owner, message, rtl::LoadStr(SErrorCaption),
                   plat::MB_TASKMODAL | plat::MB_ICONERROR);
}

void InitDialog(plat::Window dialog) {
  plat::ShowWindow(dialog, plat::SW_HIDE);
  CenterWindow(dialog);
  PersistentData->Prepare(dialog);
  plat::SetDlgItemText(dialog, kStatusLine, rtl::LoadStr(SEnterNameAndStart));
  plat::SetDlgItemText(dialog, plat::IDOK, rtl::LoadStr(SStart));
  plat::ShowWindow(dialog, plat::SW_SHOWNORMAL);
  if (OptAuto) plat::PostMessage(dialog, plat::WM_COMMAND, plat::IDOK, 0);
}

// A failure to write the instructions file is shown like every other error; the dialog
// stays open.
void ShowInstructions(plat::Window dialog) {
  try {
    PersistentData->ShowInstructions();
  } catch (const std::exception& e) {
    ShowError(dialog, ExceptionText(e));
  }
}

}  // namespace

std::intptr_t MainDialogProc(plat::Window dialog, std::uint32_t msg, std::uintptr_t wParam,
                             std::intptr_t) {
  if (msg == plat::WM_INITDIALOG) {
    InitDialog(dialog);
    return 1;  // the system focuses the first tab stop, button 1
  }
  if (msg != plat::WM_COMMAND) return 0;
  const int command = static_cast<int>(wParam & 0xFFFF);
  if ((command == plat::IDOK && PersistentData->Done) || command == plat::IDCANCEL) {
    plat::EndDialog(dialog, 0);
    return 1;
  }
  if (command == kInstructionsButton) {
    ShowInstructions(dialog);
  } else if (command == plat::IDOK) {
    StartPatching(dialog);
    if (OptAuto) plat::PostMessage(dialog, plat::WM_COMMAND, plat::IDCANCEL, 0);
  }
  return 0;
}

void StartPatching(plat::Window dialog) {
  if (dialog != 0) {
    plat::EnableWindow(plat::GetDlgItem(dialog, plat::IDCANCEL), false);
    plat::EnableWindow(plat::GetDlgItem(dialog, plat::IDOK), false);
  }
  std::string failure;
  bool failed = false;
  try {
    PersistentData->Execute();
    if (dialog != 0) plat::SetDlgItemText(dialog, plat::IDOK, rtl::LoadStr(SDone));
  } catch (const std::exception& e) {
    failed = true;
    failure = ExceptionText(e);
  }
  if (dialog != 0) {
    plat::EnableWindow(plat::GetDlgItem(dialog, plat::IDOK), true);
    plat::EnableWindow(plat::GetDlgItem(dialog, plat::IDCANCEL), true);
    // Disabling the focused button took the focus away; without it Enter and Escape
    // would reach no control. Button 1 gets it back, as after the dialog's start.
    plat::SendMessage(dialog, WM_NEXTDLGCTL,
                      static_cast<std::uintptr_t>(plat::GetDlgItem(dialog, plat::IDOK)), 1);
  }
  if (!failed) return;
  if (!OptQuiet) ShowError(dialog, failure);
  if (dialog != 0) plat::SetDlgItemText(dialog, kStatusLine, rtl::LoadStr(SEnterNameAndStart));
}

void CenterWindow(plat::Window window) {
  plat::Rect rect;
  plat::GetWindowRect(window, rect);
  const int w = rect.right - rect.left;
  const int h = rect.bottom - rect.top;
  plat::Rect area;
  if (!plat::GetWorkArea(area)) {
    area = plat::Rect();
    area.right = plat::GetSystemMetrics(plat::SM_CXSCREEN);
    area.bottom = plat::GetSystemMetrics(plat::SM_CYSCREEN);
  }
  int x = area.left + (area.right - area.left - w) / 2;
  int y = area.top + (area.bottom - area.top - h) / 2;
  if (x < area.left)
    x = area.left;
  else if (x + w > area.right)
    x = area.right - w;
  if (y < area.top)
    y = area.top;
  else if (y + h > area.bottom)
    y = area.bottom - h;
  plat::SetWindowPos(window, 0, x, y, 0, 0, plat::SWP_NOSIZE | plat::SWP_NOZORDER);
}
