// The file API over POSIX descriptors. A handle points to an open-file record
// that the layer keeps in a table, so that stale or foreign handles are refused
// and delete-on-close can wait for the last handle to the same file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <utility>

#include "platform/Windows.h"

namespace {

thread_local DWORD t_lastError = NO_ERROR;

using FileId = std::pair<dev_t, ino_t>;

struct OpenFile {
  int fd;
  DWORD access;
  bool deleteOnClose;
  FileId id;
};

// What the open handles to one file share.
struct SharedFile {
  int handles = 0;
  bool deletePending = false;
  std::string path;  // absolute, recorded by a delete-on-close open
};

struct FileTable {
  std::mutex mutex;
  std::set<OpenFile*> open;
  std::map<FileId, SharedFile> files;
};

FileTable& Table() {
  static FileTable table;
  return table;
}

// The open record behind a handle, or null for a handle this layer did not give out.
OpenFile* Lookup(HANDLE handle) {
  FileTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto it = table.open.find(static_cast<OpenFile*>(handle));
  return it == table.open.end() ? nullptr : *it;
}

std::string AbsolutePath(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  char cwd[PATH_MAX];
  if (getcwd(cwd, sizeof(cwd)) == nullptr) return std::string();
  return std::string(cwd) + "/" + path;
}

bool OpenFlags(DWORD access, DWORD disposition, int* flags) {
  bool read = (access & GENERIC_READ) != 0;
  bool write = (access & GENERIC_WRITE) != 0;
  *flags = (read && write) ? O_RDWR : (write ? O_WRONLY : O_RDONLY);
  switch (disposition) {
    case CREATE_NEW:
      *flags |= O_CREAT | O_EXCL;
      return true;
    case CREATE_ALWAYS:
      *flags |= O_CREAT | O_TRUNC;
      return true;
    case OPEN_EXISTING:
      return true;
    case OPEN_ALWAYS:
      *flags |= O_CREAT;
      return true;
    case TRUNCATE_EXISTING:
      *flags |= O_TRUNC;
      return write;
    default:
      return false;
  }
}

}  // namespace

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile) {
  (void)shareMode;
  (void)security;
  int flags = 0;
  if (fileName == nullptr || templateFile != nullptr ||
      !OpenFlags(desiredAccess, creationDisposition, &flags))
    return INVALID_HANDLE_VALUE;
  std::string path(fileName);
  for (char& c : path)
    if (c == '\\') c = '/';

  // Non-blocking so that opening a FIFO cannot hang; only regular files are kept.
  int fd = open(path.c_str(), flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
  if (fd < 0) return INVALID_HANDLE_VALUE;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    close(fd);
    return INVALID_HANDLE_VALUE;
  }

  auto* file = new OpenFile{fd, desiredAccess, (flagsAndAttributes & FILE_FLAG_DELETE_ON_CLOSE) != 0,
                            FileId(info.st_dev, info.st_ino)};
  FileTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  SharedFile& shared = table.files[file->id];
  ++shared.handles;
  if (file->deleteOnClose && shared.path.empty()) shared.path = AbsolutePath(path);
  table.open.insert(file);
  return file;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED overlapped) {
  if (bytesRead != nullptr) *bytesRead = 0;
  OpenFile* open = Lookup(file);
  if (open == nullptr || overlapped != nullptr || (open->access & GENERIC_READ) == 0) return FALSE;
  if (buffer == nullptr && bytesToRead > 0) return FALSE;
  // A file read returns every byte asked for unless the end of the file comes first.
  DWORD total = 0;
  while (total < bytesToRead) {
    ssize_t n = read(open->fd, static_cast<char*>(buffer) + total, bytesToRead - total);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (bytesRead != nullptr) *bytesRead = total;
      return FALSE;
    }
    if (n == 0) break;
    total += static_cast<DWORD>(n);
  }
  if (bytesRead != nullptr) *bytesRead = total;
  return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
               LPOVERLAPPED overlapped) {
  if (bytesWritten != nullptr) *bytesWritten = 0;
  OpenFile* open = Lookup(file);
  if (open == nullptr || overlapped != nullptr || (open->access & GENERIC_WRITE) == 0) return FALSE;
  if (buffer == nullptr && bytesToWrite > 0) return FALSE;
  DWORD total = 0;
  while (total < bytesToWrite) {
    ssize_t n = write(open->fd, static_cast<const char*>(buffer) + total, bytesToWrite - total);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (bytesWritten != nullptr) *bytesWritten = total;
      return FALSE;
    }
    total += static_cast<DWORD>(n);
  }
  if (bytesWritten != nullptr) *bytesWritten = total;
  return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distanceToMove, PLONG distanceToMoveHigh, DWORD moveMethod) {
  OpenFile* open = Lookup(file);
  if (open == nullptr) return INVALID_SET_FILE_POINTER;
  // Without the high part the distance is a signed 32-bit value and the result must fit 32 bits.
  int64_t distance =
      distanceToMoveHigh == nullptr
          ? static_cast<int64_t>(distanceToMove)
          : static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*distanceToMoveHigh)) << 32) |
                                 static_cast<uint32_t>(distanceToMove));
  int64_t base = 0;
  if (moveMethod == FILE_CURRENT) {
    base = lseek(open->fd, 0, SEEK_CUR);
  } else if (moveMethod == FILE_END) {
    struct stat info;
    base = fstat(open->fd, &info) == 0 ? info.st_size : -1;
  } else if (moveMethod != FILE_BEGIN) {
    return INVALID_SET_FILE_POINTER;
  }
  if (base < 0 || (distance > 0 && base > INT64_MAX - distance)) return INVALID_SET_FILE_POINTER;
  int64_t position = base + distance;
  if (position < 0 || (distanceToMoveHigh == nullptr && position > 0xFFFFFFFFLL))
    return INVALID_SET_FILE_POINTER;
  if (lseek(open->fd, position, SEEK_SET) < 0) return INVALID_SET_FILE_POINTER;
  if (distanceToMoveHigh != nullptr) *distanceToMoveHigh = static_cast<LONG>(position >> 32);
  return static_cast<DWORD>(position);
}

DWORD GetFileSize(HANDLE file, LPDWORD fileSizeHigh) {
  OpenFile* open = Lookup(file);
  struct stat info;
  if (open == nullptr || fstat(open->fd, &info) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_FILE_SIZE;
  }
  uint64_t size = static_cast<uint64_t>(info.st_size);
  if (fileSizeHigh != nullptr) *fileSizeHigh = static_cast<DWORD>(size >> 32);
  SetLastError(NO_ERROR);
  return static_cast<DWORD>(size);
}

DWORD GetLastError() { return t_lastError; }

void SetLastError(DWORD error) { t_lastError = error; }

BOOL CloseHandle(HANDLE object) {
  FileTable& table = Table();
  std::unique_lock<std::mutex> lock(table.mutex);
  auto it = table.open.find(static_cast<OpenFile*>(object));
  if (it == table.open.end()) return FALSE;
  OpenFile* file = *it;
  table.open.erase(it);
  auto shared = table.files.find(file->id);
  if (file->deleteOnClose) shared->second.deletePending = true;
  std::string doomed;
  if (--shared->second.handles == 0) {
    if (shared->second.deletePending) doomed = shared->second.path;
    table.files.erase(shared);
  }
  FileId id = file->id;
  int fd = file->fd;
  delete file;
  lock.unlock();

  // The name is removed only while it still names the same file.
  struct stat info;
  if (!doomed.empty() && stat(doomed.c_str(), &info) == 0 && FileId(info.st_dev, info.st_ino) == id)
    unlink(doomed.c_str());
  return close(fd) == 0 ? TRUE : FALSE;
}
