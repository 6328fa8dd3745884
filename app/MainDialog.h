// The main dialog (template 100): its procedure, its placement, and the start action that
// the window-less mode runs without a dialog.
#pragma once

#include <cstdint>

#include "Platform.h"

// Installed when the entry sequence runs template 100 modally; reads PersistentData.
std::intptr_t MainDialogProc(plat::Window dialog, std::uint32_t msg, std::uintptr_t wParam,
                             std::intptr_t lParam);

// Runs one patch attempt and reports its failure itself (an error box owned by `dialog`,
// none in window-less mode, unless -quiet); raises nothing. `dialog` is 0 without a dialog.
void StartPatching(plat::Window dialog);

// Places a top-level window in the middle of the work area.
void CenterWindow(plat::Window window);
