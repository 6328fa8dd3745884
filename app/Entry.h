// The patcher's entry sequence and the one patcher state it owns for the run.
#pragma once

class TKMPersistentData;

// The patcher state of this run: set once its construction (which loads the payload) has
// succeeded, freed and reset before the entry sequence ends. The dialog reaches it here.
extern TKMPersistentData* PersistentData;

// Parses the options and runs the help box, the main dialog or the window-less patch.
// Every failure that reaches this level is shown in one error box (unless -quiet), and
// the answer is always 0: the patcher's exit code does not tell success from failure.
int RunZedevaviz();
