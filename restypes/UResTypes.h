// The resource model and the data handlers, in one include.
#pragma once

#include "DataHandler.h"
#include "DataResItem.h"
#include "ResContainer.h"
#include "ResImageFormat.h"
#include "ResourceImport.h"
#include "ResourceTree.h"
