// PE resource support in one include: executables (TPEFile, CheckExecutable), their
// resource directory reader, the resource section writer and the image rebuild.
#pragma once

#include "PEDirHandler.h"
#include "PEFile.h"
#include "PEHeader.h"
#include "PEResDirectory.h"
#include "ResourceTable.h"
