// The seam between the portable core and the operating system: files, clock, tick count.
#pragma once

#include <cstdint>

namespace dt {

// A Windows system error code (0 = no error). Portable code uses the Windows numbers so that
// the shell can turn any of them into the system's text.
using SysError = uint32_t;

// Windows error numbers the core produces itself.
constexpr SysError kErrorFileNotFound = 2;
constexpr SysError kErrorPathNotFound = 3;
constexpr SysError kErrorAccessDenied = 5;
constexpr SysError kErrorNotEnoughMemory = 8;
constexpr SysError kErrorInvalidBlock = 9;
constexpr SysError kErrorInvalidData = 13;
constexpr SysError kErrorWriteFault = 29;
constexpr SysError kErrorReadFault = 30;
constexpr SysError kErrorGenFailure = 31;
constexpr SysError kErrorSharingViolation = 32;
constexpr SysError kErrorHandleDiskFull = 39;
constexpr SysError kErrorDiskFull = 112;
constexpr SysError kErrorCallNotImplemented = 120;
constexpr SysError kErrorInsufficientBuffer = 122;
constexpr SysError kErrorAlreadyExists = 183;

// An opaque window handle (an HWND in the Windows build).
using WindowRef = void*;

// An open file; kNoFile when none.
using FileHandle = intptr_t;
constexpr FileHandle kNoFile = -1;

// File access used by the settings store and the run list. Every call returns 0 or the
// system's error code.
class FileSystem {
  public:
    virtual ~FileSystem() = default;
    // Read/write, shared for reading only, created when absent, write-through.
    virtual SysError OpenAlways(const char* path, FileHandle* file) = 0;
    // A new file for writing, replacing any file of that name.
    virtual SysError CreateNew(const char* path, FileHandle* file) = 0;
    virtual SysError GetSize(FileHandle file, uint32_t* size) = 0;
    virtual SysError SeekStart(FileHandle file) = 0;
    virtual SysError Read(FileHandle file, void* buffer, uint32_t count, uint32_t* done) = 0;
    virtual SysError Write(FileHandle file, const void* buffer, uint32_t count, uint32_t* done) = 0;
    // Sets the end of file at the current position.
    virtual SysError Truncate(FileHandle file) = 0;
    virtual SysError Flush(FileHandle file) = 0;
    virtual void Close(FileHandle file) = 0;
    // Moves `from` over `to`, replacing it, and makes the move durable. Fails with 120 where
    // the system cannot replace a file by a move (Windows 95).
    virtual SysError Replace(const char* from, const char* to) = 0;
    // Gives `from` the name `to`, which must not exist yet.
    virtual SysError Rename(const char* from, const char* to) = 0;
    virtual SysError Remove(const char* path) = 0;
    virtual bool Exists(const char* path) = 0;
    // `path` made absolute against the current folder, with its NUL, into `buffer`; when it does
    // not fit, fails with 122 and sets *needed to the size it needs.
    virtual SysError FullPath(const char* path, char* buffer, uint32_t size, uint32_t* needed) = 0;
};

// The clock and the tick count.
class Clock {
  public:
    virtual ~Clock() = default;
    // Milliseconds since the system started; wraps after 49.7 days.
    virtual uint32_t TickCount() = 0;
    // Local wall-clock time in 100 ns units since 1 January 1601; false when unavailable.
    virtual bool LocalFileTime(int64_t* fileTime) = 0;
};

// The process-wide implementations. The Windows shell installs the real ones at start-up;
// tests install fakes.
FileSystem& Files();
void SetFiles(FileSystem* files);
Clock& SystemClock();
void SetClock(Clock* clock);

}  // namespace dt
