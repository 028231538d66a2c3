// The file API: open or create, read, write, seek, size and close.
// "\" is accepted as a path separator; names are otherwise passed unchanged.
#pragma once

#include "platform/win32/Types.h"

#define GENERIC_READ 0x80000000L
#define GENERIC_WRITE 0x40000000L

// Share modes are accepted but not enforced: other opens of the file always succeed.
#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define FILE_SHARE_DELETE 0x00000004

#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5

#define FILE_ATTRIBUTE_NORMAL 0x00000080
// A caching hint only; it changes nothing here.
#define FILE_ATTRIBUTE_TEMPORARY 0x00000100
// Removes the opened name at the last close in this process, if it still names the file.
#define FILE_FLAG_DELETE_ON_CLOSE 0x04000000

#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2

#define INVALID_FILE_SIZE ((DWORD)0xFFFFFFFF)
#define NO_ERROR 0L
#define ERROR_INVALID_HANDLE 6L
#define INVALID_SET_FILE_POINTER ((DWORD)-1)

// Security descriptors are ignored; handles are never inherited.
typedef struct _SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

// Overlapped (asynchronous) I/O is not offered: the argument must be null.
struct _OVERLAPPED;
typedef struct _OVERLAPPED* LPOVERLAPPED;

// Opens regular files only (directories and devices are refused); a template
// file is not supported and must be null.
HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
               LPOVERLAPPED overlapped);
DWORD SetFilePointer(HANDLE file, LONG distanceToMove, PLONG distanceToMoveHigh, DWORD moveMethod);
// A file whose low size word is INVALID_FILE_SIZE is told from a failure by
// GetLastError: NO_ERROR for the file, ERROR_INVALID_HANDLE for the failure.
DWORD GetFileSize(HANDLE file, LPDWORD fileSizeHigh);
// The calling thread's last error, as far as the file API sets it.
DWORD GetLastError();
void SetLastError(DWORD error);
// Closes file handles; any other value gives FALSE.
BOOL CloseHandle(HANDLE object);
