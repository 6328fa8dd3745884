// Opening a file with resources as the right kind of container.
#pragma once

#include <memory>
#include <string>

#include "ResContainer.h"

// An executable (it starts with "MZ") or else a resource image.
std::unique_ptr<TResContainer> OpenContainer(const std::string& path);
