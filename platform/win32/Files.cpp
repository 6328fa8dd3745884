// File services of the Win32 backend: the system calls themselves.
#include "Platform.h"
#include "FaultInjection.h"
#include "WinApi.h"

namespace plat {

namespace {
HANDLE H(Handle h) { return reinterpret_cast<HANDLE>(h); }
Handle Wrap(HANDLE h) { return reinterpret_cast<Handle>(h); }
}  // namespace

Handle OpenFileForRead(const std::string& name) {
  if (fault::ShouldFail(fault::kOpen)) return kInvalidHandle;
  return Wrap(CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::uint32_t GetFileSize32(Handle file) { return ::GetFileSize(H(file), nullptr); }

Handle CreateReadOnlyMapping(Handle file) {
  if (fault::ShouldFail(fault::kMap)) return kNoHandle;
  return Wrap(CreateFileMappingA(H(file), nullptr, PAGE_READONLY, 0, 0, nullptr));
}

const void* MapWholeView(Handle mapping) {
  if (fault::ShouldFail(fault::kMap)) return nullptr;
  return MapViewOfFile(H(mapping), FILE_MAP_READ, 0, 0, 0);
}

void UnmapView(const void* view) {
  if (view != nullptr) UnmapViewOfFile(view);
}

void CloseHandle(Handle h) {
  if (h != kInvalidHandle && h != kNoHandle) ::CloseHandle(H(h));
}

Handle FileCreate(const std::string& name) {
  if (fault::ShouldFail(fault::kCreate)) return kInvalidHandle;
  return Wrap(CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
}

Handle FileOpen(const std::string& name, std::uint16_t mode) {
  if (fault::ShouldFail(fault::kOpen)) return kInvalidHandle;
  // The runtime's tables: access by the low bits, sharing by the next four.
  static const DWORD kAccess[3] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
  static const DWORD kShare[5] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE};
  unsigned access = mode & 3u;
  unsigned share = (mode & 0xF0u) >> 4;
  if (access > 2 || share > 4) return kInvalidHandle;
  return Wrap(CreateFileA(name.c_str(), kAccess[access], kShare[share], nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::int32_t FileRead(Handle file, void* buffer, std::int32_t count) {
  DWORD done = 0;
  if (count < 0 || !ReadFile(H(file), buffer, static_cast<DWORD>(count), &done, nullptr))
    return -1;
  return static_cast<std::int32_t>(done);
}

std::int32_t FileWrite(Handle file, const void* buffer, std::int32_t count) {
  if (fault::ShouldFail(fault::kWrite)) return -1;
  DWORD done = 0;
  if (count < 0 || !WriteFile(H(file), buffer, static_cast<DWORD>(count), &done, nullptr))
    return -1;
  return static_cast<std::int32_t>(done);
}

std::int64_t FileSeek(Handle file, std::int64_t offset, int origin) {
  if (origin < 0 || origin > 2) return -1;
  LARGE_INTEGER distance;
  LARGE_INTEGER result;
  distance.QuadPart = offset;
  if (!SetFilePointerEx(H(file), distance, &result, static_cast<DWORD>(origin))) return -1;
  return result.QuadPart;
}

bool FileTruncate(Handle file) { return SetEndOfFile(H(file)) != FALSE; }

bool FileExists(const std::string& name) {
  DWORD attributes = GetFileAttributesA(name.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(const std::string& name) {
  DWORD attributes = GetFileAttributesA(name.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool DeleteFile(const std::string& name) {
  if (fault::ShouldFail(fault::kDelete)) return false;
  return DeleteFileA(name.c_str()) != FALSE;
}

bool MoveFile(const std::string& from, const std::string& to) {
  if (fault::ShouldFail(fault::kRename)) return false;
  return MoveFileA(from.c_str(), to.c_str()) != FALSE;
}

}  // namespace plat
