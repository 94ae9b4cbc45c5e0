// The platform seam on Windows: files through kernel handles, GetTickCount and the local clock.
#include <windows.h>

#include <new>

#include "app/platform.h"

namespace dt {
namespace {

HANDLE ToHandle(FileHandle file) { return reinterpret_cast<HANDLE>(file); }
FileHandle FromHandle(HANDLE handle) { return reinterpret_cast<FileHandle>(handle); }

SysError LastError() {
    DWORD error = GetLastError();
    return error ? static_cast<SysError>(error) : kErrorGenFailure;
}

class WindowsFileSystem : public FileSystem {
  public:
    SysError OpenAlways(const char* path, FileHandle* file) override {
        *file = kNoFile;
        if (!path || !*path) return kErrorPathNotFound;
        // Others may read the file while the program holds it, but not change it.
        HANDLE handle =
            CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                        FILE_FLAG_WRITE_THROUGH | FILE_FLAG_RANDOM_ACCESS, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return LastError();
        *file = FromHandle(handle);
        return 0;
    }

    SysError CreateNew(const char* path, FileHandle* file) override {
        *file = kNoFile;
        if (!path || !*path) return kErrorPathNotFound;
        HANDLE handle = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return LastError();
        *file = FromHandle(handle);
        return 0;
    }

    SysError GetSize(FileHandle file, uint32_t* size) override {
        DWORD high = 0;
        SetLastError(NO_ERROR);
        DWORD low = GetFileSize(ToHandle(file), &high);
        if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return LastError();
        // The store keeps sizes in 32 bits; a larger file cannot be held in memory anyway.
        if (high != 0) return kErrorNotEnoughMemory;
        *size = low;
        return 0;
    }

    SysError SeekStart(FileHandle file) override {
        SetLastError(NO_ERROR);
        DWORD at = SetFilePointer(ToHandle(file), 0, nullptr, FILE_BEGIN);
        if (at == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return LastError();
        return 0;
    }

    SysError Read(FileHandle file, void* buffer, uint32_t count, uint32_t* done) override {
        DWORD read = 0;
        BOOL ok = ReadFile(ToHandle(file), buffer, count, &read, nullptr);
        *done = read;
        return ok ? 0 : LastError();
    }

    SysError Write(FileHandle file, const void* buffer, uint32_t count, uint32_t* done) override {
        DWORD written = 0;
        BOOL ok = WriteFile(ToHandle(file), buffer, count, &written, nullptr);
        *done = written;
        return ok ? 0 : LastError();
    }

    SysError Truncate(FileHandle file) override {
        return SetEndOfFile(ToHandle(file)) ? 0 : LastError();
    }

    SysError Flush(FileHandle file) override {
        return FlushFileBuffers(ToHandle(file)) ? 0 : LastError();
    }

    void Close(FileHandle file) override {
        if (file != kNoFile) CloseHandle(ToHandle(file));
    }

    SysError Replace(const char* from, const char* to) override {
        if (!from || !to) return kErrorPathNotFound;
        // Windows 95 has MoveFileEx only as a stub that fails with 120; the store then moves
        // the files by renames of its own.
        if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 0;
        return LastError();
    }

    SysError Rename(const char* from, const char* to) override {
        if (!from || !to) return kErrorPathNotFound;
        return MoveFileA(from, to) ? 0 : LastError();
    }

    SysError Remove(const char* path) override {
        if (!path) return kErrorPathNotFound;
        return DeleteFileA(path) ? 0 : LastError();
    }

    bool Exists(const char* path) override {
        return path && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
    }

    SysError FullPath(const char* path, char* buffer, uint32_t size, uint32_t* needed) override {
        if (!path || !*path) return kErrorPathNotFound;
        DWORD length = GetFullPathNameA(path, size, buffer, nullptr);
        if (length == 0) return LastError();
        if (length >= size) {
            *needed = length;
            return kErrorInsufficientBuffer;
        }
        return 0;
    }
};

class WindowsClock : public Clock {
  public:
    uint32_t TickCount() override { return GetTickCount(); }

    bool LocalFileTime(int64_t* fileTime) override {
        SYSTEMTIME local;
        GetLocalTime(&local);
        FILETIME converted;
        if (!SystemTimeToFileTime(&local, &converted)) return false;
        *fileTime = static_cast<int64_t>((static_cast<uint64_t>(converted.dwHighDateTime) << 32) |
                                         converted.dwLowDateTime);
        return true;
    }
};

}  // namespace

// Built in static storage and never destroyed, so that objects destroyed at exit (the settings
// file closes its handle) can still use them.
FileSystem& DefaultFiles() {
    alignas(WindowsFileSystem) static unsigned char storage[sizeof(WindowsFileSystem)];
    static FileSystem* files = new (storage) WindowsFileSystem();
    return *files;
}

Clock& DefaultClock() {
    alignas(WindowsClock) static unsigned char storage[sizeof(WindowsClock)];
    static Clock* clock = new (storage) WindowsClock();
    return *clock;
}

}  // namespace dt
