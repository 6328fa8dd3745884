// The patcher state: the one object that lives for the whole run. It owns the loaded
// patch, holds the names and the backup choice the patch runs with, moves them between
// itself and the main dialog, and owns the temporary file that shows the instructions.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "Platform.h"
#include "UZedevaviz26.h"

class TKMPersistentData {
 public:
  // Loads the payload of the program's own file (argument 0); raises when it cannot.
  TKMPersistentData();
  // Deletes the instructions file (ignoring a failure) and frees the patch.
  virtual ~TKMPersistentData();
  TKMPersistentData(const TKMPersistentData&) = delete;
  TKMPersistentData& operator=(const TKMPersistentData&) = delete;

  // Takes the names from the patch (and -dir) and, with a dialog, fills its controls.
  // `dialog` is 0 in window-less mode. Called once, before everything below.
  void Prepare(plat::Window dialog);
  // Copies the two names and the backup check box from the dialog.
  void ReadDialog();
  // Validates the names and applies the patch; raises on any failure, sets Done on success.
  void Execute();
  // Writes the instructions to InstructionsFile and has the shell open it.
  void ShowInstructions();
  // The status and progress sinks handed to the patch; they do nothing without a dialog.
  void SetStatus(const std::string& text);
  void SetProgress(std::int32_t range, std::int32_t position);

  std::string InstructionsFile;  // temporary directory + BaseName + "_Instructions.txt"
  std::string BaseName;          // the program file's name without directory and extension
  plat::Window ProgressBar = 0;  // control 109
  std::int32_t LastRange = -1;   // so that the first report always sets the range
  plat::Window Dialog = 0;       // 0 in window-less mode
  bool Done = false;             // a patch has succeeded in this run
  std::unique_ptr<TKitmend26> Patch;
  std::string OutputName;
  std::string InputName;
  bool Backup = false;
};

// The system's temporary directory ending in a path delimiter, or empty when the system
// cannot tell.
std::string GetTempDirectory();
// Puts the file name part of `name` into directory `dir` (nothing happens when `dir` is
// empty); the directory `name` had is dropped.
void ApplyDirectory(std::string& name, const std::string& dir);
