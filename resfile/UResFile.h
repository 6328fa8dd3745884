// The resource file unit in one include: the .res container, its section and nodes, and
// the reading of the format's name fields.
#pragma once

#include "ResNames.h"
#include "ResResFile.h"
#include "ResResItems.h"
#include "ResResSection.h"
