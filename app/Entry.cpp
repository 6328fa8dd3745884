// The patcher's entry sequence: options, the help box, the patcher state, the run mode,
// and the top-level handler that reports any failure reaching it.
#include "Entry.h"

#include <exception>
#include <new>
#include <string>

#include "Dialog.h"
#include "Exceptions.h"
#include "MainDialog.h"
#include "Options.h"
#include "PersistentData.h"
#include "Platform.h"
#include "StringIds.h"
#include "StringTable.h"

TKMPersistentData* PersistentData = nullptr;

namespace {

constexpr int kMainDialogTemplate = 100;

// Shown in help mode, whatever else the command line says, and also with -quiet.
void ShowHelp() {
  plat::MessageBox(0, rtl::LoadStr(SHelpText), rtl::LoadStr(SHelpCaption),
                   plat::MB_TASKMODAL | plat::MB_ICONINFORMATION);
}

void ShowTopLevelError(const std::string& message) {
  if (OptQuiet) return;
  plat::MessageBox(0, message, rtl::LoadStr(SErrorCaption),
                   plat::MB_TASKMODAL | plat::MB_ICONERROR);
}

// Frees the patcher state on every way out of a run mode, so that it is gone (and its
// instructions file deleted) before the top-level handler shows anything.
class PersistentDataGuard {
 public:
  PersistentDataGuard() = default;
  PersistentDataGuard(const PersistentDataGuard&) = delete;
  PersistentDataGuard& operator=(const PersistentDataGuard&) = delete;
  ~PersistentDataGuard() {
    delete PersistentData;
    PersistentData = nullptr;
  }
};

void RunWindowless() {
  PersistentData->Prepare(0);
  StartPatching(0);  // reports its own failures
}

void RunDialog() {
  plat::InitCommonControls();  // the progress bar's class
  if (plat::DialogBoxParam(kMainDialogTemplate, 0, MainDialogProc, 0) < 0)
    throw rtl::Exception(rtl::LoadStr(SFailedToExecute));
}

}  // namespace

int RunZedevaviz() {
  try {
    ParseOptions();
    if (OptHelp) {
      ShowHelp();
      return 0;
    }
    PersistentData = new TKMPersistentData();
    PersistentDataGuard guard;
    if (OptGuiless)
      RunWindowless();
    else
      RunDialog();
  } catch (const std::bad_alloc&) {
    ShowTopLevelError(rtl::LoadStr(SOutOfMemory));
  } catch (const std::exception& e) {
    ShowTopLevelError(e.what());
  }
  return 0;
}
