// Dialog and window services: the modal dialog from the program's template, its controls,
// messages and window placement. platform/win32 makes the real calls; the POSIX backend
// shows the same dialog on the terminal.
//
// Include this before <windows.h> (platform/win32/WinApi.h): several names here are also
// macros there.
#pragma once

#include <cstdint>
#include <string>

#include "Platform.h"

namespace plat {

// The dialog procedure: true (1) when the message was handled. On Win32 the real dialog
// procedure forwards to it, so it needs no calling convention of its own.
using DialogProc = std::intptr_t (*)(Window dialog, std::uint32_t msg, std::uintptr_t wParam,
                                     std::intptr_t lParam);

// ---- Messages and their arguments ------------------------------------------------------
constexpr std::uint32_t WM_INITDIALOG = 0x0110;
constexpr std::uint32_t WM_COMMAND = 0x0111;
constexpr std::uint32_t PBM_SETRANGE = 0x0401;  // lParam: low word minimum, high word maximum
constexpr std::uint32_t PBM_SETPOS = 0x0402;    // wParam: the position

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOW = 5;

constexpr std::uint32_t SWP_NOSIZE = 0x0001;
constexpr std::uint32_t SWP_NOZORDER = 0x0004;

constexpr std::uint32_t BST_UNCHECKED = 0;
constexpr std::uint32_t BST_CHECKED = 1;

constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;

// ---- The modal dialog ---------------------------------------------------------------------
// DialogBoxParamA with the template `templateId` of the program's own module: runs the
// dialog until EndDialog and answers its result, or -1 when no dialog could be created.
// `param` reaches the procedure as the lParam of WM_INITDIALOG.
std::intptr_t DialogBoxParam(int templateId, Window owner, DialogProc proc, std::intptr_t param);
bool EndDialog(Window dialog, std::intptr_t result);

// ---- Controls -------------------------------------------------------------------------------
Window GetDlgItem(Window dialog, int id);  // 0 when there is no such control
// Texts go through the ANSI functions as zero-terminated strings: a text is shown up to its
// first zero byte.
bool SetDlgItemText(Window dialog, int id, const std::string& text);
// GetDlgItemTextA: copies at most limit - 1 characters and a terminating zero into
// `buffer` (which holds at least `limit` characters); the number of characters copied.
std::uint32_t GetDlgItemText(Window dialog, int id, char* buffer, int limit);
bool SetWindowText(Window window, const std::string& text);
bool EnableWindow(Window window, bool enable);  // whether it was disabled before
bool ShowWindow(Window window, int showCommand);  // whether it was visible before
std::uint32_t IsDlgButtonChecked(Window dialog, int id);  // BST_CHECKED or BST_UNCHECKED
bool CheckDlgButton(Window dialog, int id, std::uint32_t state);

// ---- Messages ---------------------------------------------------------------------------------
bool PostMessage(Window window, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam);
std::intptr_t SendMessage(Window window, std::uint32_t msg, std::uintptr_t wParam,
                          std::intptr_t lParam);

// ---- Placement ----------------------------------------------------------------------------------
struct Rect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
};
bool GetWindowRect(Window window, Rect& rect);  // screen coordinates
bool SetWindowPos(Window window, Window insertAfter, int x, int y, int cx, int cy,
                  std::uint32_t flags);
// SystemParametersInfoA(SPI_GETWORKAREA): the desktop without the task bar.
bool GetWorkArea(Rect& area);
int GetSystemMetrics(int index);

// InitCommonControls: registers the common control classes ("msctls_progress32").
void InitCommonControls();

}  // namespace plat
