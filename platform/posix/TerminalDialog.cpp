// The window functions of Dialog.h for the terminal dialog, and its modal loop: messages
// posted to the dialog are handled first, then the user is asked for the next command.
#include <strings.h>

#include <cstring>
#include <map>
#include <memory>

#include "TerminalDialogState.h"

namespace plat {

namespace terminal {

bool Control::IsClass(const char* name) const {
  return ::strcasecmp(def.className.c_str(), name) == 0;
}
bool Control::IsPushButton() const {
  std::uint32_t type = def.style & BS_TYPEMASK;
  return IsClass("button") && (type == 0 || type == BS_DEFPUSHBUTTON);
}
bool Control::IsCheckBox() const {
  std::uint32_t type = def.style & BS_TYPEMASK;
  return IsClass("button") && (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX);
}
bool Control::IsGroupBox() const {
  return IsClass("button") && (def.style & BS_TYPEMASK) == BS_GROUPBOX;
}
bool Control::IsEditable() const { return IsClass("edit") && (def.style & ES_READONLY) == 0; }
bool Control::IsProgressBar() const { return IsClass("msctls_progress32"); }
bool Control::IsIcon() const {
  return IsClass("static") && (def.style & SS_TYPEMASK) == SS_ICON;
}

Control* DialogState::Find(int id) {
  for (Control& c : controls)
    if (c.def.id == id) return &c;
  return nullptr;
}

namespace {

struct Terminal {
  std::FILE* input = nullptr;
  std::FILE* output = nullptr;
  Rect workArea{0, 0, 1024, 768};
  bool workAreaKnown = true;
  int width = 1024;
  int height = 768;
  std::map<int, DialogTemplate> templates;
  std::vector<DialogState*> open;  // innermost last
  Window nextHandle = 0x10000;
};

Terminal& Term() {
  static Terminal t;
  return t;
}

// Dialog units to pixels with the base units of the usual 8-point dialog font.
int DluX(int units) { return units * 6 / 4; }
int DluY(int units) { return units * 13 / 8; }

DialogState* DialogOf(Window w) {
  for (DialogState* d : Term().open)
    if (d->handle == w) return d;
  return nullptr;
}

Control* ControlOf(Window w, DialogState** owner = nullptr) {
  for (DialogState* d : Term().open)
    for (Control& c : d->controls)
      if (c.handle == w) {
        if (owner != nullptr) *owner = d;
        return &c;
      }
  return nullptr;
}

void Changed(DialogState& d) { d.drawnSinceChange = false; }

std::intptr_t Dispatch(DialogState& d, const Message& m) {
  std::intptr_t handled = d.proc(d.handle, m.msg, m.wParam, m.lParam);
  if (d.liveLineOpen) EndLiveLine(d);
  return handled;
}

// The state of one control as its template describes it.
Control MakeControl(const DialogControl& def, Window handle) {
  Control c;
  c.def = def;
  c.handle = handle;
  c.text = def.text.substr(0, def.text.find('\0'));
  c.visible = (def.style & WS_VISIBLE) != 0;
  c.enabled = (def.style & WS_DISABLED) == 0;
  return c;
}

// Removes the dialog from the open ones however its loop ends.
class OpenDialog {
 public:
  explicit OpenDialog(DialogState* d) { Term().open.push_back(d); }
  ~OpenDialog() { Term().open.pop_back(); }
  OpenDialog(const OpenDialog&) = delete;
  OpenDialog& operator=(const OpenDialog&) = delete;
};

}  // namespace

std::FILE* Input() { return Term().input != nullptr ? Term().input : stdin; }
std::FILE* Output() { return Term().output != nullptr ? Term().output : stdout; }

}  // namespace terminal

using terminal::Control;
using terminal::DialogState;
using terminal::Term;

void RegisterDialogTemplate(int templateId, const DialogTemplate& dialogTemplate) {
  Term().templates[templateId] = dialogTemplate;
}

void ClearDialogTemplates() { Term().templates.clear(); }

void SetTerminal(std::FILE* input, std::FILE* output) {
  Term().input = input;
  Term().output = output;
}

void SetTerminalScreen(const Rect& workArea, bool workAreaKnown, int width, int height) {
  Term().workArea = workArea;
  Term().workAreaKnown = workAreaKnown;
  Term().width = width;
  Term().height = height;
}

std::intptr_t DialogBoxParam(int templateId, Window, DialogProc proc, std::intptr_t param) {
  auto found = Term().templates.find(templateId);
  if (found == Term().templates.end() || proc == nullptr) return -1;
  const DialogTemplate& t = found->second;

  auto d = std::make_unique<DialogState>();
  d->handle = Term().nextHandle;
  Term().nextHandle += 0x10000;
  d->proc = proc;
  d->caption = t.caption;
  d->rect = Rect{terminal::DluX(t.x), terminal::DluY(t.y),
                 terminal::DluX(t.x) + terminal::DluX(t.cx) + 6,
                 terminal::DluY(t.y) + terminal::DluY(t.cy) + 25};
  for (std::size_t i = 0; i < t.controls.size(); ++i)
    d->controls.push_back(
        terminal::MakeControl(t.controls[i], d->handle + static_cast<Window>(i) + 1));
  d->visible = (t.style & WS_VISIBLE) != 0;

  terminal::OpenDialog open(d.get());
  terminal::Dispatch(*d, {WM_INITDIALOG, 0, param});
  while (!d->ended) {
    if (!d->queue.empty()) {
      terminal::Message m = d->queue.front();
      d->queue.pop_front();
      terminal::Dispatch(*d, m);
      continue;
    }
    terminal::UserCommand command = terminal::ReadCommand(*d);
    if (command.endOfInput) {
      // Nothing more can be typed: close as the close box would, and for good.
      terminal::Dispatch(*d, {WM_COMMAND, IDCANCEL, 0});
      if (!d->ended) EndDialog(d->handle, IDCANCEL);
      break;
    }
    if (command.id == 0) continue;  // a typed name or an unknown key: nothing to send
    Control* c = d->Find(command.id);
    if (c != nullptr && !c->enabled) continue;  // a disabled control sends nothing
    terminal::Dispatch(*d, {WM_COMMAND, static_cast<std::uintptr_t>(command.id), 0});
  }
  return d->result;
}

bool EndDialog(Window dialog, std::intptr_t result) {
  DialogState* d = terminal::DialogOf(dialog);
  if (d == nullptr) return false;
  d->ended = true;
  d->result = result;
  return true;
}

Window GetDlgItem(Window dialog, int id) {
  DialogState* d = terminal::DialogOf(dialog);
  Control* c = d != nullptr ? d->Find(id) : nullptr;
  return c != nullptr ? c->handle : 0;
}

namespace {
// A control's text as the ANSI functions pass it: up to the first zero byte.
void SetControlText(DialogState& d, Control& c, const std::string& text) {
  c.text = std::string(text.c_str());
  terminal::Changed(d);
  // The static that changed last is the status line of the live line.
  if (c.IsClass("static") && !c.IsIcon()) {
    d.liveText = c.text;
    if (d.visible && c.visible) terminal::DrawLiveLine(d);
  }
}
}  // namespace

bool SetDlgItemText(Window dialog, int id, const std::string& text) {
  DialogState* d = terminal::DialogOf(dialog);
  Control* c = d != nullptr ? d->Find(id) : nullptr;
  if (c == nullptr) return false;
  SetControlText(*d, *c, text);
  return true;
}

std::uint32_t GetDlgItemText(Window dialog, int id, char* buffer, int limit) {
  if (buffer == nullptr || limit <= 0) return 0;
  buffer[0] = '\0';
  DialogState* d = terminal::DialogOf(dialog);
  Control* c = d != nullptr ? d->Find(id) : nullptr;
  if (c == nullptr) return 0;
  std::size_t n = c->text.size();
  if (n > static_cast<std::size_t>(limit - 1)) n = static_cast<std::size_t>(limit - 1);
  std::memcpy(buffer, c->text.data(), n);
  buffer[n] = '\0';
  return static_cast<std::uint32_t>(n);
}

bool SetWindowText(Window window, const std::string& text) {
  if (DialogState* d = terminal::DialogOf(window)) {
    d->caption = std::string(text.c_str());
    terminal::Changed(*d);
    return true;
  }
  DialogState* owner = nullptr;
  if (Control* c = terminal::ControlOf(window, &owner)) {
    SetControlText(*owner, *c, text);
    return true;
  }
  return false;
}

bool EnableWindow(Window window, bool enable) {
  DialogState* owner = nullptr;
  Control* c = terminal::ControlOf(window, &owner);
  if (c == nullptr) return false;
  bool wasDisabled = !c->enabled;
  c->enabled = enable;
  terminal::Changed(*owner);
  return wasDisabled;
}

bool ShowWindow(Window window, int showCommand) {
  const bool show = showCommand != SW_HIDE;
  if (DialogState* d = terminal::DialogOf(window)) {
    bool was = d->visible;
    d->visible = show;
    if (show && !was) terminal::DrawDialog(*d);
    return was;
  }
  DialogState* owner = nullptr;
  if (Control* c = terminal::ControlOf(window, &owner)) {
    bool was = c->visible;
    c->visible = show;
    terminal::Changed(*owner);
    return was;
  }
  return false;
}

std::uint32_t IsDlgButtonChecked(Window dialog, int id) {
  DialogState* d = terminal::DialogOf(dialog);
  Control* c = d != nullptr ? d->Find(id) : nullptr;
  return c != nullptr && c->checked ? BST_CHECKED : BST_UNCHECKED;
}

bool CheckDlgButton(Window dialog, int id, std::uint32_t state) {
  DialogState* d = terminal::DialogOf(dialog);
  Control* c = d != nullptr ? d->Find(id) : nullptr;
  if (c == nullptr) return false;
  c->checked = state == BST_CHECKED;
  terminal::Changed(*d);
  return true;
}

bool PostMessage(Window window, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
  DialogState* d = terminal::DialogOf(window);
  if (d == nullptr) return false;
  d->queue.push_back({msg, wParam, lParam});
  return true;
}

std::intptr_t SendMessage(Window window, std::uint32_t msg, std::uintptr_t wParam,
                          std::intptr_t lParam) {
  if (DialogState* d = terminal::DialogOf(window)) return d->proc(window, msg, wParam, lParam);
  DialogState* owner = nullptr;
  Control* c = terminal::ControlOf(window, &owner);
  if (c == nullptr || !c->IsProgressBar()) return 0;
  if (msg == PBM_SETRANGE) {
    std::intptr_t old = (c->rangeMin & 0xFFFF) | ((c->rangeMax & 0xFFFF) << 16);
    c->rangeMin = static_cast<std::uint16_t>(lParam & 0xFFFF);
    c->rangeMax = static_cast<std::uint16_t>((lParam >> 16) & 0xFFFF);
    terminal::Changed(*owner);
    return old;
  }
  if (msg == PBM_SETPOS) {
    std::int32_t old = c->position;
    c->position = static_cast<std::int32_t>(wParam);
    terminal::Changed(*owner);
    if (owner->visible && c->visible) terminal::DrawLiveLine(*owner);
    return old;
  }
  return 0;
}

bool GetWindowRect(Window window, Rect& rect) {
  DialogState* d = terminal::DialogOf(window);
  if (d == nullptr) return false;
  rect = d->rect;
  return true;
}

bool SetWindowPos(Window window, Window, int x, int y, int cx, int cy, std::uint32_t flags) {
  DialogState* d = terminal::DialogOf(window);
  if (d == nullptr) return false;
  const int w = d->rect.right - d->rect.left;
  const int h = d->rect.bottom - d->rect.top;
  d->rect.left = x;
  d->rect.top = y;
  d->rect.right = x + ((flags & SWP_NOSIZE) != 0 ? w : cx);
  d->rect.bottom = y + ((flags & SWP_NOSIZE) != 0 ? h : cy);
  return true;
}

bool GetWorkArea(Rect& area) {
  if (!Term().workAreaKnown) return false;
  area = Term().workArea;
  return true;
}

int GetSystemMetrics(int index) {
  if (index == SM_CXSCREEN) return Term().width;
  if (index == SM_CYSCREEN) return Term().height;
  return 0;
}

void InitCommonControls() {}

}  // namespace plat
