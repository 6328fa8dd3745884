// The in-memory dialogs of the terminal backend, shared by its two halves: the window
// functions and modal loop (TerminalDialog.cpp) and the drawing and reading of commands
// on the terminal (TerminalDialogScreen.cpp).
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "TerminalDialog.h"

namespace plat {
namespace terminal {

struct Control {
  DialogControl def;
  Window handle = 0;
  std::string text;
  bool visible = false;
  bool enabled = true;
  bool checked = false;
  std::int32_t rangeMin = 0;
  std::int32_t rangeMax = 100;
  std::int32_t position = 0;

  bool IsClass(const char* name) const;
  bool IsPushButton() const;
  bool IsCheckBox() const;
  bool IsGroupBox() const;
  bool IsEditable() const;  // an edit box the user may type into
  bool IsProgressBar() const;
  bool IsIcon() const;
};

struct Message {
  std::uint32_t msg;
  std::uintptr_t wParam;
  std::intptr_t lParam;
};

struct DialogState {
  Window handle = 0;
  DialogProc proc = nullptr;
  std::string caption;
  std::vector<Control> controls;
  Rect rect;
  bool visible = false;
  bool ended = false;
  std::intptr_t result = 0;
  std::deque<Message> queue;
  bool drawnSinceChange = false;  // the full dialog on screen shows its current state
  bool liveLineOpen = false;      // a progress/status line is waiting for its line end
  std::string liveText;           // the last status text set while the dialog works
  std::string lastLiveLine;       // not repeated when the output is no terminal
  bool keysExplained = false;

  Control* Find(int id);
};

// A command the user gave: a control id to send WM_COMMAND for, or none (end of input).
struct UserCommand {
  bool endOfInput = false;
  int id = 0;
};

std::FILE* Input();
std::FILE* Output();

// Draws the whole dialog (visible controls, row by row).
void DrawDialog(DialogState& dialog);
// Draws the progress bar and the last status text on one line, in place on a terminal.
void DrawLiveLine(DialogState& dialog);
void EndLiveLine(DialogState& dialog);
// Asks for one command; typed names and the check box are applied to the controls first.
UserCommand ReadCommand(DialogState& dialog);

}  // namespace terminal
}  // namespace plat
