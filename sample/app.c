/* The sample program of the sample run: a window with a menu, a dialog that asks for a
   name, an about box and a few strings, all taken from its resources, so that a patcher
   made with vandolin can turn it into its Russian translation. The texts go through the
   wide functions, so they show right whatever the system's code page. */
#include <windows.h>

#include "resource.h"

static HINSTANCE instance;
static WCHAR name[64];

static const WCHAR *String(UINT id, WCHAR *buffer, int size) {
  if (LoadStringW(instance, id, buffer, size) == 0) buffer[0] = 0;
  return buffer;
}

static INT_PTR CALLBACK GreetingProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  (void)lparam;
  switch (message) {
    case WM_INITDIALOG:
      SetDlgItemTextW(dialog, IDC_NAME, name);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK) GetDlgItemTextW(dialog, IDC_NAME, name, 64);
      if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wparam));
        return TRUE;
      }
      break;
  }
  return FALSE;
}

static INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  (void)lparam;
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)) {
    EndDialog(dialog, 0);
    return TRUE;
  }
  return FALSE;
}

static void Paint(HWND window) {
  PAINTSTRUCT paint;
  RECT area;
  WCHAR text[256], format[128];
  HDC dc = BeginPaint(window, &paint);
  GetClientRect(window, &area);
  if (name[0]) {
    String(IDS_HELLO, format, 128);
    wsprintfW(text, format, name);
  } else {
    String(IDS_WELCOME, text, 256);
  }
  DrawTextW(dc, text, -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  EndPaint(window, &paint);
}

static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDM_GREETING:
          DialogBoxW(instance, MAKEINTRESOURCEW(IDD_GREETING), window, GreetingProc);
          InvalidateRect(window, NULL, TRUE);
          return 0;
        case IDM_ABOUT:
          DialogBoxW(instance, MAKEINTRESOURCEW(IDD_ABOUT), window, AboutProc);
          return 0;
        case IDM_EXIT:
          DestroyWindow(window);
          return 0;
      }
      break;
    case WM_PAINT:
      Paint(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

int WINAPI WinMain(HINSTANCE hinstance, HINSTANCE previous, LPSTR commandLine, int show) {
  WNDCLASSW windowClass = {0};
  WCHAR title[128];
  HWND window;
  MSG message;
  (void)previous;
  (void)commandLine;
  instance = hinstance;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = hinstance;
  windowClass.hCursor = LoadCursor(NULL, IDC_ARROW);
  windowClass.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
  windowClass.lpszClassName = L"ZedevavizSample";
  if (!RegisterClassW(&windowClass)) return 1;
  window = CreateWindowW(L"ZedevavizSample", String(IDS_TITLE, title, 128), WS_OVERLAPPEDWINDOW,
                         CW_USEDEFAULT, CW_USEDEFAULT, 480, 240, NULL,
                         LoadMenuW(hinstance, MAKEINTRESOURCEW(IDR_MAINMENU)), hinstance, NULL);
  if (!window) return 1;
  ShowWindow(window, show);
  UpdateWindow(window);
  while (GetMessageW(&message, NULL, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return (int)message.wParam;
}
