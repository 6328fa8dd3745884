// The patcher's command-line options: one flag per option word, set only by ParseOptions
// and read by the entry sequence, the patcher state and the main dialog.
#pragma once

#include <string>

extern bool OptForce;     // force: skip the target's version check
extern bool OptGuiless;   // guiless: no window at all
extern bool OptQuiet;     // quiet: no error boxes from the patch or the top level
extern bool OptAuto;      // auto (and guiless): start at once, close after the attempt
extern bool OptNoBackup;  // nobackup: the backup choice starts off
extern bool OptDir;       // dir: both file names go to OptDirValue
extern std::string OptDirValue;
extern bool OptHelp;      // help, h, ?: the help box and nothing else

// Whether argument `index` is "/" or "-" followed by `word`, the whole argument compared
// without regard to ASCII letter case. A match sets `flag`; no match leaves it alone.
bool MatchOption(int index, const std::string& word, bool& flag);

// Fills the options from the command line. Anything that is not an option word is ignored.
void ParseOptions();
