// File services of the POSIX backend with the observable behaviour of their Win32
// counterparts: mappings outlive the file handle, views outlive the mapping, and a move
// never replaces an existing target.
#include <fcntl.h>
#include <stdio.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>

#include "Handles.h"
#include "FaultInjection.h"
#include "Platform.h"

namespace plat {

using posix::HandleObject;

namespace {

int FileFd(Handle h) {
  HandleObject object{};
  return posix::LookupHandle(h, HandleObject::kFile, &object) ? object.fd : -1;
}

Handle WrapFd(int fd) {
  if (fd < 0) return kInvalidHandle;
  return posix::NewHandle({HandleObject::kFile, fd, 0});
}

// Views by start address: munmap needs the length that MapViewOfFile's caller never keeps.
std::mutex& ViewLock() {
  static std::mutex lock;
  return lock;
}
std::map<const void*, std::size_t>& Views() {
  static std::map<const void*, std::size_t> views;
  return views;
}

// Copies a regular file for a move across file systems; the target must not exist yet.
bool CopyThenUnlink(const std::string& from, const std::string& to) {
  int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st;
  if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(in);
    return false;
  }
  int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777);
  if (out < 0) {
    ::close(in);
    return false;
  }
  bool ok = true;
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(in, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    for (ssize_t done = 0; done < n;) {
      ssize_t w = ::write(out, buffer + done, static_cast<std::size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        ok = false;
        break;
      }
      done += w;
    }
    if (!ok) break;
  }
  ::close(in);
  if (::close(out) != 0) ok = false;
  if (!ok || ::unlink(from.c_str()) != 0) {
    ::unlink(to.c_str());
    return false;
  }
  return true;
}

}  // namespace

Handle OpenFileForRead(const std::string& name) {
  if (fault::ShouldFail(fault::kOpen)) return kInvalidHandle;
  int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return kInvalidHandle;
  struct stat st;
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {  // CreateFileA refuses directories
    ::close(fd);
    return kInvalidHandle;
  }
  return WrapFd(fd);
}

std::uint32_t GetFileSize32(Handle file) {
  struct stat st;
  int fd = FileFd(file);
  if (fd < 0 || ::fstat(fd, &st) != 0) return 0xFFFFFFFFu;
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(st.st_size) & 0xFFFFFFFFu);
}

Handle CreateReadOnlyMapping(Handle file) {
  if (fault::ShouldFail(fault::kMap)) return kNoHandle;
  int fd = FileFd(file);
  struct stat st;
  if (fd < 0 || ::fstat(fd, &st) != 0) return kNoHandle;
  // An empty file cannot be mapped (CreateFileMappingA fails the same way).
  if (st.st_size <= 0) return kNoHandle;
  int own = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
  if (own < 0) return kNoHandle;
  return posix::NewHandle({HandleObject::kMapping, own, static_cast<std::uint64_t>(st.st_size)});
}

const void* MapWholeView(Handle mapping) {
  if (fault::ShouldFail(fault::kMap)) return nullptr;
  HandleObject object{};
  if (!posix::LookupHandle(mapping, HandleObject::kMapping, &object)) return nullptr;
  if (object.size > SIZE_MAX) return nullptr;
  std::size_t length = static_cast<std::size_t>(object.size);
  void* view = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, object.fd, 0);
  if (view == MAP_FAILED) return nullptr;
  std::lock_guard<std::mutex> guard(ViewLock());
  Views()[view] = length;
  return view;
}

void UnmapView(const void* view) {
  std::size_t length = 0;
  {
    std::lock_guard<std::mutex> guard(ViewLock());
    auto it = Views().find(view);
    if (it == Views().end()) return;
    length = it->second;
    Views().erase(it);
  }
  ::munmap(const_cast<void*>(view), length);
}

void CloseHandle(Handle h) {
  HandleObject object{};
  if (posix::ReleaseHandle(h, &object)) ::close(object.fd);
}

Handle FileCreate(const std::string& name) {
  if (fault::ShouldFail(fault::kCreate)) return kInvalidHandle;
  return WrapFd(::open(name.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
}

Handle FileOpen(const std::string& name, std::uint16_t mode) {
  if (fault::ShouldFail(fault::kOpen)) return kInvalidHandle;
  int flags;
  switch (mode & 3) {
    case fmOpenWrite: flags = O_WRONLY; break;
    case fmOpenReadWrite: flags = O_RDWR; break;
    default: flags = O_RDONLY; break;
  }
  // Sharing modes have no POSIX equivalent that other programs would respect; they are
  // accepted and ignored.
  int fd = ::open(name.c_str(), flags | O_CLOEXEC);
  if (fd < 0) return kInvalidHandle;
  struct stat st;
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return kInvalidHandle;
  }
  return WrapFd(fd);
}

std::int32_t FileRead(Handle file, void* buffer, std::int32_t count) {
  int fd = FileFd(file);
  if (fd < 0 || count < 0) return -1;
  std::int32_t done = 0;
  while (done < count) {
    ssize_t n = ::read(fd, static_cast<char*>(buffer) + done, static_cast<std::size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return done > 0 ? done : -1;
    if (n == 0) break;
    done += static_cast<std::int32_t>(n);
  }
  return done;
}

std::int32_t FileWrite(Handle file, const void* buffer, std::int32_t count) {
  if (fault::ShouldFail(fault::kWrite)) return -1;
  int fd = FileFd(file);
  if (fd < 0 || count < 0) return -1;
  std::int32_t done = 0;
  while (done < count) {
    ssize_t n = ::write(fd, static_cast<const char*>(buffer) + done,
                        static_cast<std::size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return done > 0 ? done : -1;
    done += static_cast<std::int32_t>(n);
  }
  return done;
}

std::int64_t FileSeek(Handle file, std::int64_t offset, int origin) {
  int fd = FileFd(file);
  if (fd < 0) return -1;
  int whence = origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : origin == 2 ? SEEK_END : -1;
  if (whence < 0) return -1;
  off_t pos = ::lseek(fd, static_cast<off_t>(offset), whence);
  return pos < 0 ? -1 : static_cast<std::int64_t>(pos);
}

bool FileTruncate(Handle file) {
  int fd = FileFd(file);
  if (fd < 0) return false;
  off_t pos = ::lseek(fd, 0, SEEK_CUR);
  return pos >= 0 && ::ftruncate(fd, pos) == 0;
}

bool FileExists(const std::string& name) {
  struct stat st;
  return !name.empty() && ::stat(name.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& name) {
  struct stat st;
  return !name.empty() && ::stat(name.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool DeleteFile(const std::string& name) {
  if (fault::ShouldFail(fault::kDelete)) return false;
  return !DirectoryExists(name) && ::unlink(name.c_str()) == 0;
}

bool MoveFile(const std::string& from, const std::string& to) {
  if (fault::ShouldFail(fault::kRename)) return false;
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
    return true;
  int err = errno;
  if (err == EXDEV) return CopyThenUnlink(from, to);
  if (err != EINVAL && err != ENOSYS && err != EPERM) return false;
  // A file system without RENAME_NOREPLACE: a hard link cannot replace a target either.
  if (::link(from.c_str(), to.c_str()) == 0) {
    if (::unlink(from.c_str()) == 0) return true;
    ::unlink(to.c_str());
    return false;
  }
  if (errno == EEXIST) return false;
  // No hard links either (and directories): check, then rename. Racy, but the last resort.
  struct stat st;
  if (::lstat(to.c_str(), &st) == 0) return false;
  return ::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace plat
