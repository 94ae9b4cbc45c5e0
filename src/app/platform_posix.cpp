// The platform seam on POSIX systems: files through file descriptors, the monotonic and wall
// clocks.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstring>
#include <new>
#include <string>

#include "app/platform.h"

namespace dt {
namespace {

SysError FromErrno(int error) {
    switch (error) {
        case 0:
            return kErrorGenFailure;
        case ENOENT:
            return kErrorFileNotFound;
        case ENOTDIR:
            return kErrorPathNotFound;
        case EACCES:
        case EPERM:
        case EISDIR:
            return kErrorAccessDenied;
        case ENOMEM:
            return kErrorNotEnoughMemory;
        case ENOSPC:
            return kErrorDiskFull;
        default:
            return kErrorGenFailure;
    }
}

SysError LastError() { return FromErrno(errno); }

int Descriptor(FileHandle file) { return static_cast<int>(file); }

// Makes a rename durable by syncing the folder that holds the name.
void SyncFolderOf(const char* path) {
    std::string folder = path;
    size_t slash = folder.find_last_of('/');
    folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : folder.substr(0, slash));
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

class PosixFileSystem : public FileSystem {
  public:
    SysError OpenAlways(const char* path, FileHandle* file) override {
        return OpenWith(path, O_RDWR | O_CREAT, file);
    }

    SysError CreateNew(const char* path, FileHandle* file) override {
        return OpenWith(path, O_RDWR | O_CREAT | O_TRUNC, file);
    }

    SysError GetSize(FileHandle file, uint32_t* size) override {
        struct stat info;
        if (fstat(Descriptor(file), &info) != 0) return LastError();
        // The store keeps sizes in 32 bits; a larger file cannot be held in memory anyway.
        if (info.st_size < 0 || static_cast<uint64_t>(info.st_size) > UINT32_MAX) {
            return kErrorNotEnoughMemory;
        }
        *size = static_cast<uint32_t>(info.st_size);
        return 0;
    }

    SysError SeekStart(FileHandle file) override {
        return lseek(Descriptor(file), 0, SEEK_SET) == 0 ? 0 : LastError();
    }

    // Reads until `count` bytes or the end of the file, as one Windows ReadFile would.
    SysError Read(FileHandle file, void* buffer, uint32_t count, uint32_t* done) override {
        *done = 0;
        char* out = static_cast<char*>(buffer);
        while (*done < count) {
            ssize_t n = read(Descriptor(file), out + *done, count - *done);
            if (n < 0) {
                if (errno == EINTR) continue;
                return LastError();
            }
            if (n == 0) break;
            *done += static_cast<uint32_t>(n);
        }
        return 0;
    }

    SysError Write(FileHandle file, const void* buffer, uint32_t count, uint32_t* done) override {
        *done = 0;
        const char* in = static_cast<const char*>(buffer);
        while (*done < count) {
            ssize_t n = write(Descriptor(file), in + *done, count - *done);
            if (n < 0) {
                if (errno == EINTR) continue;
                return LastError();
            }
            if (n == 0) return kErrorWriteFault;
            *done += static_cast<uint32_t>(n);
        }
        return 0;
    }

    SysError Truncate(FileHandle file) override {
        off_t position = lseek(Descriptor(file), 0, SEEK_CUR);
        if (position < 0) return LastError();
        return ftruncate(Descriptor(file), position) == 0 ? 0 : LastError();
    }

    SysError Flush(FileHandle file) override {
        return fsync(Descriptor(file)) == 0 ? 0 : LastError();
    }

    void Close(FileHandle file) override {
        if (file != kNoFile) close(Descriptor(file));
    }

    SysError Replace(const char* from, const char* to) override {
        if (!from || !to) return kErrorPathNotFound;
        if (rename(from, to) != 0) return LastError();
        SyncFolderOf(to);
        return 0;
    }

    SysError Rename(const char* from, const char* to) override {
        if (!from || !to) return kErrorPathNotFound;
        // rename() would replace `to`; a hard link does not, as Windows' MoveFile does not.
        if (link(from, to) != 0) return errno == EEXIST ? kErrorAlreadyExists : LastError();
        unlink(from);
        SyncFolderOf(to);
        return 0;
    }

    SysError Remove(const char* path) override {
        if (!path) return kErrorPathNotFound;
        return unlink(path) == 0 ? 0 : LastError();
    }

    bool Exists(const char* path) override {
        struct stat info;
        return path && stat(path, &info) == 0;
    }

    SysError FullPath(const char* path, char* buffer, uint32_t size, uint32_t* needed) override {
        if (!path || !*path) return kErrorPathNotFound;
        std::string full = path;
        if (path[0] != '/') {
            char folder[4096];
            if (!getcwd(folder, sizeof folder)) return LastError();
            full = std::string(folder) + (folder[std::strlen(folder) - 1] == '/' ? "" : "/") + path;
        }
        if (full.size() + 1 > size) {
            *needed = static_cast<uint32_t>(full.size() + 1);
            return kErrorInsufficientBuffer;
        }
        std::memcpy(buffer, full.c_str(), full.size() + 1);
        return 0;
    }

  private:
    static SysError OpenWith(const char* path, int flags, FileHandle* file) {
        *file = kNoFile;
        if (!path || !*path) return kErrorPathNotFound;
        int fd;
        do {
            fd = open(path, flags | O_CLOEXEC, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) return LastError();
        // Windows opens a folder name as a failure with access denied; so do we.
        struct stat info;
        if (fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
            close(fd);
            return kErrorAccessDenied;
        }
        *file = fd;
        return 0;
    }
};

class PosixClock : public Clock {
  public:
    uint32_t TickCount() override {
        struct timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
        return static_cast<uint32_t>(ms);
    }

    bool LocalFileTime(int64_t* fileTime) override {
        struct timespec now;
        if (clock_gettime(CLOCK_REALTIME, &now) != 0) return false;
        struct tm local;
        time_t seconds = now.tv_sec;
        if (!localtime_r(&seconds, &local)) return false;
        // 100 ns units between 1 January 1601 and 1 January 1970.
        constexpr int64_t kUnixEpoch = 116444736000000000LL;
        int64_t localSeconds = static_cast<int64_t>(now.tv_sec) + local.tm_gmtoff;
        *fileTime = kUnixEpoch + localSeconds * 10000000 + now.tv_nsec / 100;
        return true;
    }
};

}  // namespace

// Built in static storage and never destroyed, so that objects destroyed at exit (the settings
// file closes its handle) can still use them.
FileSystem& DefaultFiles() {
    alignas(PosixFileSystem) static unsigned char storage[sizeof(PosixFileSystem)];
    static FileSystem* files = new (storage) PosixFileSystem();
    return *files;
}

Clock& DefaultClock() {
    alignas(PosixClock) static unsigned char storage[sizeof(PosixClock)];
    static Clock* clock = new (storage) PosixClock();
    return *clock;
}

}  // namespace dt
