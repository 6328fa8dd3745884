// Dialog and window services of the Win32 backend: the real user32 and comctl32 calls.
#include "Dialog.h"

#include <exception>

#include "WinApi.h"
#include <commctrl.h>

#undef DialogBoxParam
#undef SetDlgItemText
#undef GetDlgItemText
#undef SetWindowText
#undef PostMessage
#undef SendMessage

namespace plat {

namespace {

HWND ToHwnd(Window w) { return reinterpret_cast<HWND>(w); }
Window FromHwnd(HWND h) { return reinterpret_cast<Window>(h); }

// What the system's dialog procedure needs to reach ours: the procedure, the caller's
// creation parameter, and a failure that must not unwind through user32's frames.
struct DialogRun {
  DialogProc proc = nullptr;
  std::intptr_t param = 0;
  std::exception_ptr failure;
};

// The system calls this with its own calling convention and forwards to our procedure. A
// failure that escapes our procedure ends the dialog and is raised again by DialogBoxParam
// once the system has returned: exceptions cannot cross the system's frames.
INT_PTR CALLBACK ForwardingDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  DialogRun* run = nullptr;
  if (msg == WM_INITDIALOG) {
    run = reinterpret_cast<DialogRun*>(lParam);
    SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(run));
  } else {
    run = reinterpret_cast<DialogRun*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  }
  // Messages before WM_INITDIALOG (WM_SETFONT) and after a failure get the default.
  if (run == nullptr || run->failure) return FALSE;
  try {
    std::intptr_t param = msg == WM_INITDIALOG ? run->param : lParam;
    return run->proc(FromHwnd(hwnd), msg, wParam, param);
  } catch (...) {
    run->failure = std::current_exception();
    ::EndDialog(hwnd, -1);
    return TRUE;
  }
}

}  // namespace

std::intptr_t DialogBoxParam(int templateId, Window owner, DialogProc proc, std::intptr_t param) {
  DialogRun run;
  run.proc = proc;
  run.param = param;
  INT_PTR result = DialogBoxParamA(
      GetModuleHandleA(nullptr), MAKEINTRESOURCEA(static_cast<WORD>(templateId)), ToHwnd(owner),
      ForwardingDialogProc, reinterpret_cast<LPARAM>(&run));
  if (run.failure) std::rethrow_exception(run.failure);
  return result;
}

bool EndDialog(Window dialog, std::intptr_t result) {
  return ::EndDialog(ToHwnd(dialog), result) != FALSE;
}

Window GetDlgItem(Window dialog, int id) { return FromHwnd(::GetDlgItem(ToHwnd(dialog), id)); }

bool SetDlgItemText(Window dialog, int id, const std::string& text) {
  return SetDlgItemTextA(ToHwnd(dialog), id, text.c_str()) != FALSE;
}

std::uint32_t GetDlgItemText(Window dialog, int id, char* buffer, int limit) {
  return GetDlgItemTextA(ToHwnd(dialog), id, buffer, limit);
}

bool SetWindowText(Window window, const std::string& text) {
  return SetWindowTextA(ToHwnd(window), text.c_str()) != FALSE;
}

bool EnableWindow(Window window, bool enable) {
  return ::EnableWindow(ToHwnd(window), enable ? TRUE : FALSE) != FALSE;
}

bool ShowWindow(Window window, int showCommand) {
  return ::ShowWindow(ToHwnd(window), showCommand) != FALSE;
}

std::uint32_t IsDlgButtonChecked(Window dialog, int id) {
  return ::IsDlgButtonChecked(ToHwnd(dialog), id);
}

bool CheckDlgButton(Window dialog, int id, std::uint32_t state) {
  return ::CheckDlgButton(ToHwnd(dialog), id, state) != FALSE;
}

bool PostMessage(Window window, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
  return PostMessageA(ToHwnd(window), msg, wParam, lParam) != FALSE;
}

std::intptr_t SendMessage(Window window, std::uint32_t msg, std::uintptr_t wParam,
                          std::intptr_t lParam) {
  return SendMessageA(ToHwnd(window), msg, wParam, lParam);
}

bool GetWindowRect(Window window, Rect& rect) {
  RECT r;
  if (!::GetWindowRect(ToHwnd(window), &r)) return false;
  rect.left = r.left;
  rect.top = r.top;
  rect.right = r.right;
  rect.bottom = r.bottom;
  return true;
}

bool SetWindowPos(Window window, Window insertAfter, int x, int y, int cx, int cy,
                  std::uint32_t flags) {
  return ::SetWindowPos(ToHwnd(window), ToHwnd(insertAfter), x, y, cx, cy, flags) != FALSE;
}

bool GetWorkArea(Rect& area) {
  RECT r;
  if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0)) return false;
  area.left = r.left;
  area.top = r.top;
  area.right = r.right;
  area.bottom = r.bottom;
  return true;
}

int GetSystemMetrics(int index) { return ::GetSystemMetrics(index); }

void InitCommonControls() { ::InitCommonControls(); }

}  // namespace plat
