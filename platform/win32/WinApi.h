// <windows.h> for the Win32 backend only. Include it after Platform.h: several of our
// plat:: names are also A/W macros there (MessageBox, DeleteFile, MoveFile, ...), and
// Platform.h's MB_* constants would be mangled by the macros of the same name.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#undef MessageBox
#undef DeleteFile
#undef MoveFile
#undef CopyFile
#undef GetTempPath
#undef GetFullPathName
#undef GetShortPathName
