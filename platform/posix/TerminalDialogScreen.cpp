// The terminal face of the in-memory dialogs: the dialog drawn row by row from its visible
// controls, a live line with the progress bar and the status text while it works, and the
// commands read line by line: Enter or s the default button, q cancel, a digit to type a
// new text into that edit box, the letters shown beside the other buttons and check boxes.
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "TerminalDialogState.h"

namespace plat {
namespace terminal {

namespace {

constexpr int kBarWidth = 30;

bool IsTerminal(std::FILE* f) { return ::isatty(::fileno(f)) != 0; }

// The key of every control that takes commands, by index; empty for the others.
std::vector<std::string> Keys(const DialogState& d) {
  std::vector<std::string> keys(d.controls.size());
  int edits = 0;
  char nextLetter = 'b';
  char nextButton = 'i';
  for (std::size_t i = 0; i < d.controls.size(); ++i) {
    const Control& c = d.controls[i];
    if (c.IsEditable()) {
      keys[i] = std::to_string(++edits);
    } else if (c.IsCheckBox()) {
      keys[i] = std::string(1, nextLetter++);
    } else if (c.IsPushButton()) {
      if (c.def.id == IDOK || (c.def.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
        keys[i] = "s";
      else if (c.def.id == IDCANCEL)
        keys[i] = "q";
      else
        keys[i] = std::string(1, nextButton++);
    }
  }
  return keys;
}

std::string OneLine(std::string text) {
  std::replace(text.begin(), text.end(), '\r', ' ');
  std::replace(text.begin(), text.end(), '\n', ' ');
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

std::string Bar(const Control& c) {
  std::int32_t range = c.rangeMax - c.rangeMin;
  std::int32_t percent = range > 0 ? (c.position - c.rangeMin) * 100 / range : 0;
  percent = std::max(0, std::min(100, percent));
  int filled = percent * kBarWidth / 100;
  return "[" + std::string(static_cast<std::size_t>(filled), '#') +
         std::string(static_cast<std::size_t>(kBarWidth - filled), '.') + "] " +
         std::to_string(percent) + "%";
}

std::string Piece(const Control& c, const std::string& key) {
  if (c.IsIcon()) return std::string();
  if (c.IsGroupBox()) return "-- " + OneLine(c.text) + " --";
  if (c.IsProgressBar()) return Bar(c);
  if (c.IsCheckBox()) return "(" + key + ") [" + (c.checked ? "x" : " ") + "] " + OneLine(c.text);
  if (c.IsPushButton()) {
    std::string hint = key == "s" ? "Enter" : key;
    return "[" + OneLine(c.text) + (c.enabled ? ": " + hint : std::string(": -")) + "]";
  }
  if (c.IsEditable()) return "(" + key + ") " + c.text;
  return OneLine(c.text);
}

// The visible static before control `index` in template order: the label of an edit box.
std::string LabelOf(const DialogState& d, std::size_t index) {
  for (std::size_t i = index; i-- > 0;)
    if (d.controls[i].visible && d.controls[i].IsClass("static") && !d.controls[i].IsIcon())
      return OneLine(d.controls[i].text);
  return std::string();
}

bool ReadLine(std::string& line) {
  line.clear();
  char buffer[1024];
  bool any = false;
  while (std::fgets(buffer, sizeof buffer, Input()) != nullptr) {
    any = true;
    line += buffer;
    if (!line.empty() && line.back() == '\n') break;
  }
  if (!any) return false;
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  return true;
}

void Print(const std::string& text) {
  std::fputs(text.c_str(), Output());
  std::fflush(Output());
}

}  // namespace

void DrawDialog(DialogState& d) {
  EndLiveLine(d);
  std::vector<std::string> keys = Keys(d);
  std::vector<std::size_t> order;
  for (std::size_t i = 0; i < d.controls.size(); ++i)
    if (d.controls[i].visible) order.push_back(i);
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const DialogControl& ca = d.controls[a].def;
    const DialogControl& cb = d.controls[b].def;
    return ca.y != cb.y ? ca.y < cb.y : ca.x < cb.x;
  });
  std::string out = "\n== " + d.caption + " ==\n";
  std::string row;
  int rowY = 0;
  for (std::size_t k = 0; k < order.size(); ++k) {
    const Control& c = d.controls[order[k]];
    std::string piece = Piece(c, keys[order[k]]);
    if (piece.empty()) continue;
    if (!row.empty() && c.def.y != rowY) {
      out += row + "\n";
      row.clear();
    }
    row += (row.empty() ? "" : "  ") + piece;
    rowY = c.def.y;
  }
  if (!row.empty()) out += row + "\n";
  Print(out);
  d.drawnSinceChange = true;
}

void DrawLiveLine(DialogState& d) {
  const Control* bar = nullptr;
  for (const Control& c : d.controls)
    if (c.visible && c.IsProgressBar()) {
      bar = &c;
      break;
    }
  std::string line = (bar != nullptr ? Bar(*bar) + "  " : std::string()) + OneLine(d.liveText);
  if (IsTerminal(Output())) {
    Print("\r\x1b[K" + line);
    d.liveLineOpen = true;
  } else if (line != d.lastLiveLine) {
    Print(line + "\n");
  }
  d.lastLiveLine = line;
}

void EndLiveLine(DialogState& d) {
  if (d.liveLineOpen) Print("\n");
  d.liveLineOpen = false;
}

UserCommand ReadCommand(DialogState& d) {
  if (!d.drawnSinceChange) DrawDialog(d);
  if (!d.keysExplained) {
    Print("Enter or s: default button, q: cancel, a digit: type a new name, a letter: "
          "that button or check box\n");
    d.keysExplained = true;
  }
  Print("> ");
  std::string line;
  if (!ReadLine(line)) {
    Print("\n");
    return UserCommand{true, 0};
  }
  std::string key = line.substr(0, line.find(' '));
  const bool hasArgument = line.size() > key.size();
  std::string argument = hasArgument ? line.substr(key.size() + 1) : std::string();
  if (key.empty()) key = "s";

  std::vector<std::string> keys = Keys(d);
  for (std::size_t i = 0; i < d.controls.size(); ++i) {
    if (keys[i] != key) continue;
    Control& c = d.controls[i];
    if (c.IsEditable()) {
      if (!hasArgument) {
        Print(LabelOf(d, i) + " [" + c.text + "]: ");
        if (!ReadLine(argument)) return UserCommand{true, 0};
        if (argument.empty()) return UserCommand{false, 0};
      }
      c.text = std::string(argument.c_str());
      d.drawnSinceChange = false;
      return UserCommand{false, 0};
    }
    if (c.IsCheckBox()) {
      if ((c.def.style & BS_TYPEMASK) == BS_AUTOCHECKBOX) c.checked = !c.checked;
      d.drawnSinceChange = false;
    }
    return UserCommand{false, c.def.id};
  }
  Print("unknown key: " + key + "\n");
  return UserCommand{false, 0};
}

}  // namespace terminal
}  // namespace plat
