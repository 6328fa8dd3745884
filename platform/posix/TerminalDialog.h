// The terminal dialog of the POSIX backend: DialogBoxParam and the window functions of
// Dialog.h over dialogs kept in memory (controls with their ids, texts, enabled and checked
// states), drawn as text and driven by lines typed on the terminal. There are no program
// resources on POSIX, so whoever runs a dialog first hands its template over here.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "Dialog.h"

namespace plat {

// Window styles the terminal dialog looks at.
constexpr std::uint32_t WS_VISIBLE = 0x10000000;
constexpr std::uint32_t WS_DISABLED = 0x08000000;
constexpr std::uint32_t BS_TYPEMASK = 0x0000000F;
constexpr std::uint32_t BS_DEFPUSHBUTTON = 0x00000001;
constexpr std::uint32_t BS_CHECKBOX = 0x00000002;
constexpr std::uint32_t BS_AUTOCHECKBOX = 0x00000003;
constexpr std::uint32_t BS_GROUPBOX = 0x00000007;
constexpr std::uint32_t ES_READONLY = 0x00000800;
constexpr std::uint32_t SS_TYPEMASK = 0x0000001F;
constexpr std::uint32_t SS_ICON = 0x00000003;

struct DialogControl {
  int id = -1;
  std::string className;  // "button", "edit", "static", "msctls_progress32", ...
  std::string text;
  std::uint32_t style = 0;
  int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
};

struct DialogTemplate {
  std::uint32_t style = 0;
  std::string caption;
  int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
  std::vector<DialogControl> controls;
};

// Makes `dialogTemplate` the template `templateId` of DialogBoxParam; a template that was
// never registered cannot be shown (DialogBoxParam answers -1).
void RegisterDialogTemplate(int templateId, const DialogTemplate& dialogTemplate);
void ClearDialogTemplates();

// Where the dialog reads its commands and draws itself: stdin and stdout unless set.
void SetTerminal(std::FILE* input, std::FILE* output);

// The notional screen the placement functions answer with: 1024 x 768, all of it work
// area, unless set. `workAreaKnown` false makes GetWorkArea fail.
void SetTerminalScreen(const Rect& workArea, bool workAreaKnown, int width, int height);

}  // namespace plat
