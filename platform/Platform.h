// The operating-system services the program uses, behind one small interface of our own.
// platform/win32 makes the real Win32 calls; platform/posix gives the same observable
// behaviour on Linux. Nothing here knows about resources, executables or patches.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// <windows.h> maps several names below to their A/W functions by macro; a file that
// includes both gets our names (and calls the system's as MessageBoxA, MoveFileA, ...).
#ifdef _WIN32
#undef MessageBox
#undef DeleteFile
#undef MoveFile
#undef GetTempPath
#undef GetFullPathName
#undef GetShortPathName
#endif

namespace plat {

// ---- Handles -------------------------------------------------------------------------
// An opaque handle value; kInvalidHandle is what a failed open returns, kNoHandle means
// "none". Both backends keep the two apart, so CloseFile closes exactly what was opened.
using Handle = std::intptr_t;
constexpr Handle kInvalidHandle = -1;
constexpr Handle kNoHandle = 0;

// ---- Paths ---------------------------------------------------------------------------
// '\' (and the drive colon) on Windows, '/' elsewhere.
extern const char kPathDelim;
bool IsPathDelimiter(char c);  // a character that ends a directory part
// "C:\dir\a.exe" -> "a.exe"; what follows the last path delimiter.
std::string ExtractFileName(const std::string& path);
// "C:\dir\a.exe" -> "C:\dir\"; everything up to and including the last path delimiter.
std::string ExtractFilePath(const std::string& path);

// ---- Files ---------------------------------------------------------------------------
// Opens an existing file for reading, letting others read it too (CreateFileA with
// GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING). kInvalidHandle on failure.
Handle OpenFileForRead(const std::string& name);
// The low 32 bits of the file size; 0xFFFFFFFF on failure (GetFileSize).
std::uint32_t GetFileSize32(Handle file);
// A read-only mapping of the whole file; kNoHandle on failure (CreateFileMappingA).
Handle CreateReadOnlyMapping(Handle file);
// A read-only view of the whole mapping; nullptr on failure (MapViewOfFile, FILE_MAP_READ).
const void* MapWholeView(Handle mapping);
void UnmapView(const void* view);
void CloseHandle(Handle h);

// Plain file I/O for the file streams. Modes follow the runtime's file stream.
enum FileMode : std::uint16_t {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyNone = 0x0040,
  fmCreate = 0xFFFF,  // create the file, emptying an existing one
};
Handle FileCreate(const std::string& name);                 // kInvalidHandle on failure
Handle FileOpen(const std::string& name, std::uint16_t mode);  // kInvalidHandle on failure
// Byte counts actually moved; -1 on failure.
std::int32_t FileRead(Handle file, void* buffer, std::int32_t count);
std::int32_t FileWrite(Handle file, const void* buffer, std::int32_t count);
// Origin 0 start, 1 current, 2 end; the new position, or -1 on failure.
std::int64_t FileSeek(Handle file, std::int64_t offset, int origin);
bool FileTruncate(Handle file);  // cut the file at its current position

bool FileExists(const std::string& name);     // a directory does not count
bool DirectoryExists(const std::string& name);
bool DeleteFile(const std::string& name);     // DeleteFileA
// MoveFileA: fails when the target exists, never replaces it.
bool MoveFile(const std::string& from, const std::string& to);

// GetTempPathA into a buffer of `size` characters: the length written (without the
// terminating zero), or 0 on failure. The text ends in a path delimiter on success.
std::uint32_t GetTempPath(std::uint32_t size, char* buffer);
// GetFullPathNameA: the length written, 0 on failure; a result that does not fit returns
// the size needed, as the system call does.
std::uint32_t GetFullPathName(const std::string& name, std::uint32_t size, char* buffer);
// GetShortPathNameA (on POSIX the canonical absolute form of an existing path).
std::uint32_t GetShortPathName(const std::string& path, char* buffer, std::uint32_t size);

// ---- Text ----------------------------------------------------------------------------
// Conversions with the system ANSI code page (UTF-8 on POSIX), as WideCharToMultiByte and
// MultiByteToWideChar with CP_ACP and no flags: with a null output (or size 0) they answer
// the length needed; 0 on failure.
int WideToMultiByte(const char16_t* wide, int wideCount, char* out, int outSize);
int MultiByteToWide(const char* text, int textCount, char16_t* out, int outSize);
// Comparison without regard to case by the rules of the user's locale (CompareStringA
// with NORM_IGNORECASE on Windows): <0, 0 or >0.
int CompareTextLocale(const std::string& a, const std::string& b);

// GetLocaleInfoA(lcid, LOCALE_SLANGUAGE): with size 0 the length needed (terminating zero
// included), else the length written; 0 when the system has no name for the locale.
int GetLocaleLanguageName(std::uint32_t lcid, char* buffer, int size);

// ---- Time ----------------------------------------------------------------------------
// Seconds since 1970-01-01 00:00:00 UTC, whatever the time zone.
std::int64_t UnixTimeNow();

// ---- Program ---------------------------------------------------------------------------
// Arguments as the runtime splits the command line; argument 0 is the program's own full
// file name. Tests and `vandolin apply` replace them with SetArguments.
int ParamCount();  // number of arguments after argument 0
std::string ParamStr(int index);  // empty outside 0..ParamCount()
// args[0] becomes argument 0; an empty list goes back to the real command line.
void SetArguments(const std::vector<std::string>& args);
// The runtime's splitting of a command line (Windows builds split GetCommandLineA with it):
// blanks separate arguments, double quotes group blanks and are removed.
std::vector<std::string> SplitCommandLine(const char* commandLine);

// ---- User interface ----------------------------------------------------------------
using Window = std::intptr_t;  // 0: none
// The same values as <windows.h>'s macros, which are kept for files that include it.
#pragma push_macro("MB_OK")
#pragma push_macro("MB_ICONERROR")
#pragma push_macro("MB_ICONINFORMATION")
#pragma push_macro("MB_TASKMODAL")
#undef MB_OK
#undef MB_ICONERROR
#undef MB_ICONINFORMATION
#undef MB_TASKMODAL
constexpr std::uint32_t MB_OK = 0x0000;
constexpr std::uint32_t MB_ICONERROR = 0x0010;
constexpr std::uint32_t MB_ICONINFORMATION = 0x0040;
constexpr std::uint32_t MB_TASKMODAL = 0x2000;
#pragma pop_macro("MB_TASKMODAL")
#pragma pop_macro("MB_ICONINFORMATION")
#pragma pop_macro("MB_ICONERROR")
#pragma pop_macro("MB_OK")
// MessageBoxA; on POSIX the caption and the text go to the terminal.
int MessageBox(Window owner, const std::string& text, const std::string& caption,
               std::uint32_t flags);
void MessageBeep(std::uint32_t type);
// ShellExecuteA with the default verb, no parameters, no directory; the system's result
// (above 32 on success).
std::intptr_t ShellOpen(Window owner, const std::string& file, int showCommand);

}  // namespace plat
