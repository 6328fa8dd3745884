// `vandolin apply PATCHER.exe [patcher options]`: runs a patcher's own entry sequence here,
// with PATCHER.exe as the program file that carries the payload. On POSIX the main dialog
// is the terminal dialog, shown from the patcher's own dialog template.
#include <iostream>
#include <memory>
#include <string>

#include "ByteView.h"
#include "CommandLine.h"
#include "Commands.h"
#include "DataResItem.h"
#include "Entry.h"
#include "Platform.h"
#include "StringIds.h"
#include "StringTable.h"
#include "UResPEFile.h"
#include "UResTool.h"
#ifndef _WIN32
#include "posix/TerminalDialog.h"
#endif

namespace {

const char kUsage[] =
    "usage: vandolin apply PATCHER.exe [PATCHER OPTIONS...]\n"
    "\n"
    "Runs the patcher PATCHER.exe as if it had been started itself, with the options\n"
    "that follow (-force, -guiless, -quiet, -auto, -nobackup, -dir DIR, -help). Without\n"
    "-guiless its dialog is shown on the terminal. The exit status is always 0, as the\n"
    "patcher's own.\n";

constexpr int kMainDialog = 100;
constexpr std::int32_t kDialogType = 5;

#ifndef _WIN32
[[noreturn]] void CorruptTemplate() { throw rtl::Exception(rtl::LoadStr(SCorruptResource)); }

// Reads the DLGTEMPLATE (or DLGTEMPLATEEX) fields the terminal dialog needs.
class TemplateReader {
 public:
  TemplateReader(const std::uint8_t* data, std::int32_t size)
      : view_(data, static_cast<std::uint64_t>(size < 0 ? 0 : size), CorruptTemplate) {}

  plat::DialogTemplate Read() {
    plat::DialogTemplate t;
    const bool extended = view_.U32(0) == 0xFFFF0001u;
    int count;
    if (extended) {
      t.style = view_.U32(12);
      count = view_.U16(16);
      at_ = 18;
    } else {
      t.style = view_.U32(0);
      count = view_.U16(8);
      at_ = 10;
    }
    ReadRect(t.x, t.y, t.cx, t.cy);
    NameOrOrdinal();  // menu
    NameOrOrdinal();  // class
    t.caption = NameOrOrdinal();
    if ((t.style & 0x40u) != 0) {  // DS_SETFONT: point size (and weight, italic, charset)
      at_ += extended ? 6 : 2;
      NameOrOrdinal();
    }
    for (int i = 0; i < count; ++i) {
      at_ = (at_ + 3) & ~std::uint64_t{3};
      plat::DialogControl c;
      if (extended) {
        c.style = view_.U32(at_ + 8);
        at_ += 12;
        ReadRect(c.x, c.y, c.cx, c.cy);
        c.id = static_cast<std::int32_t>(view_.U32(at_));
        at_ += 4;
      } else {
        c.style = view_.U32(at_);
        at_ += 8;
        ReadRect(c.x, c.y, c.cx, c.cy);
        c.id = static_cast<std::int16_t>(view_.U16(at_));
        at_ += 2;
      }
      c.className = ClassName();
      c.text = NameOrOrdinal();
      at_ += 2u + std::uint64_t{view_.U16(at_)};  // creation data
      t.controls.push_back(c);
    }
    return t;
  }

 private:
  void ReadRect(int& x, int& y, int& cx, int& cy) {
    x = static_cast<std::int16_t>(view_.U16(at_));
    y = static_cast<std::int16_t>(view_.U16(at_ + 2));
    cx = static_cast<std::int16_t>(view_.U16(at_ + 4));
    cy = static_cast<std::int16_t>(view_.U16(at_ + 6));
    at_ += 8;
  }
  // A text, "#n" for a number, empty for none.
  std::string NameOrOrdinal() {
    std::uint16_t first = view_.U16(at_);
    if (first == 0) {
      at_ += 2;
      return std::string();
    }
    if (first == 0xFFFF) {
      std::uint16_t number = view_.U16(at_ + 2);
      at_ += 4;
      ordinal_ = number;
      return "#" + std::to_string(number);
    }
    std::u16string units;
    for (std::uint16_t u; (u = view_.U16(at_)) != 0; at_ += 2) units.push_back(u);
    at_ += 2;
    ordinal_ = -1;
    return WideToAnsi(units.data(), static_cast<int>(units.size()));
  }
  std::string ClassName() {
    std::string name = NameOrOrdinal();
    switch (ordinal_) {
      case 0x80: return "button";
      case 0x81: return "edit";
      case 0x82: return "static";
      case 0x83: return "listbox";
      case 0x84: return "scrollbar";
      case 0x85: return "combobox";
      default: return name;
    }
  }

  ByteView view_;
  std::uint64_t at_ = 0;
  int ordinal_ = -1;
};

// The patcher's dialog template 100 (its first language), handed to the terminal dialog.
// A file without one gets no dialog, as the system would refuse to show it.
void RegisterPatcherDialog(const std::string& patcher) {
  plat::ClearDialogTemplates();
  try {
    std::unique_ptr<TPEFile> pe = TPEFile::CreateFromFile(patcher);
    TResourceList* types = pe->GetRootList();
    int type = types->IndexOf(std::string(), kDialogType, false);
    if (type < 0) return;
    TResourceList* names = types->ListItem(type)->GetSubList();
    int name = names->IndexOf(std::string(), kMainDialog, false);
    if (name < 0) return;
    TResourceList* languages = names->ListItem(name)->GetSubList();
    if (languages->Count() == 0) return;
    TDataResItem* leaf = languages->DataItem(0);
    plat::RegisterDialogTemplate(kMainDialog, TemplateReader(leaf->Data(), leaf->Size()).Read());
  } catch (const rtl::Exception&) {
    // No template then; the payload loader reports what is wrong with the file.
  }
}
#endif

std::string AbsolutePath(const std::string& name) {
  char buffer[4096];
  std::uint32_t n = plat::GetFullPathName(name, sizeof buffer, buffer);
  return n == 0 || n >= sizeof buffer ? name : std::string(buffer, n);
}

}  // namespace

int ApplyCommand(const CommandArgs& args) {
  if (args.empty()) throw cli::EUsage("missing PATCHER.exe");
  if (args[0] == "--help") {
    std::cout << kUsage;
    return cli::kExitOk;
  }
  std::vector<std::string> patcherArgs(args);
  patcherArgs[0] = AbsolutePath(args[0]);
#ifndef _WIN32
  RegisterPatcherDialog(patcherArgs[0]);
#endif
  plat::SetArguments(patcherArgs);
  return RunZedevaviz();
}
