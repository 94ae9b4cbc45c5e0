// In-memory stand-ins for the platform in unit tests: files with injected failures, a settable
// clock, and scripted answers to the program's message boxes.
#pragma once

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "app/messages.h"
#include "app/platform.h"

namespace dt::test {

enum class FileOp {
    kOpenAlways,
    kCreateNew,
    kGetSize,
    kSeekStart,
    kRead,
    kWrite,
    kTruncate,
    kFlush,
    kReplace,
    kRename,
    kRemove,
};

// Files kept in memory by path. Installs itself as Files() while it lives. Handles it gives out
// are large numbers that no real descriptor uses, so a stray close through the real platform is
// harmless; still, reset any store that holds one of its handles before it goes.
//
// Like Windows (and on by default), a file held open cannot be opened again, created anew,
// replaced, renamed or removed until it is closed: such calls fail with 32 (sharing violation)
// or, for the target of a replace, 5 (access denied).
//
// Relative paths are taken against the current folder, which is empty (paths used as given)
// until a test sets one; paths starting with a backslash, a slash or a drive are absolute.
class FakeFileSystem : public FileSystem {
  public:
    FakeFileSystem();
    ~FakeFileSystem() override;
    FakeFileSystem(const FakeFileSystem&) = delete;
    FakeFileSystem& operator=(const FakeFileSystem&) = delete;

    // The "disk".
    void SetFile(const std::string& path, const std::string& bytes);
    bool HasFile(const std::string& path) const;
    // The file's bytes; empty when it does not exist.
    std::string FileBytes(const std::string& path) const;
    std::vector<std::string> Paths() const;

    // The next `times` calls of `op` fail with `code` and change nothing. With `pathEnd`, only
    // calls on a file whose path ends with it are counted and failed (for Replace and Rename:
    // either path).
    void FailNext(FileOp op, SysError code, int times = 1, const std::string& pathEnd = "");
    // The next `times` writes store only their first `bytes` bytes, then fail with `code`.
    void FailWritePartly(uint32_t bytes, SysError code = kErrorDiskFull, int times = 1,
                         const std::string& pathEnd = "");
    // The next `saves` saves of the settings store fail with `code` at every write: the store
    // writes a temporary copy and then the file itself, each up to four times.
    void FailSaves(SysError code, int saves = 1) { FailNext(FileOp::kWrite, code, saves * 8); }
    // Shorthands for FailNext.
    void FailOpen(SysError code, int times = 1) { FailNext(FileOp::kOpenAlways, code, times); }
    void FailCreateNew(SysError code, int times = 1) { FailNext(FileOp::kCreateNew, code, times); }
    void FailRead(SysError code, int times = 1) { FailNext(FileOp::kRead, code, times); }
    void FailWrite(SysError code, int times = 1) { FailNext(FileOp::kWrite, code, times); }

    // What happened.
    int Calls(FileOp op) const;
    int OpenHandles() const;
    bool IsOpen(const std::string& path) const;
    // Closes of a handle that was not open (double closes, made-up handles).
    int BadCloses() const { return badCloses_; }
    // One line per call, e.g. "OpenAlways a.ini", "Write a.ini.tmp 12", "Replace a.ini.tmp a.ini",
    // with " -> 5" appended when the call failed.
    const std::vector<std::string>& Log() const { return log_; }
    void ClearLog() { log_.clear(); }
    void SetWindowsSharing(bool on) { windowsSharing_ = on; }
    // Another program holds the file open, sharing reading and writing but not deletion: the
    // program can open it, but not replace, rename, remove or create it anew.
    void HoldElsewhere(const std::string& path, bool on);
    // Off, Replace fails with 120, as on Windows 95.
    void SetReplaceAvailable(bool on) { replaceAvailable_ = on; }
    void SetCurrentFolder(const std::string& folder) { currentFolder_ = folder; }

    // FileSystem.
    SysError OpenAlways(const char* path, FileHandle* file) override;
    SysError CreateNew(const char* path, FileHandle* file) override;
    SysError GetSize(FileHandle file, uint32_t* size) override;
    SysError SeekStart(FileHandle file) override;
    SysError Read(FileHandle file, void* buffer, uint32_t count, uint32_t* done) override;
    SysError Write(FileHandle file, const void* buffer, uint32_t count, uint32_t* done) override;
    SysError Truncate(FileHandle file) override;
    SysError Flush(FileHandle file) override;
    void Close(FileHandle file) override;
    SysError Replace(const char* from, const char* to) override;
    SysError Rename(const char* from, const char* to) override;
    SysError Remove(const char* path) override;
    bool Exists(const char* path) override;
    SysError FullPath(const char* path, char* buffer, uint32_t size, uint32_t* needed) override;

  private:
    struct Fault {
        FileOp op;
        SysError code;
        int times;
        std::string pathEnd;
        bool partial;
        uint32_t bytes;
    };
    struct OpenFile {
        std::string path;
        uint32_t position;
    };
    // The fault that applies to this call, consumed; null when the call goes through.
    const Fault* TakeFault(FileOp op, const std::string& path, const std::string& other = "");
    OpenFile* Find(FileHandle file);
    SysError Note(FileOp op, const std::string& what, SysError result);
    std::string Resolve(const char* path) const;
    // Held by this program or by another: a new name cannot take its place.
    bool InUse(const std::string& path) const;

    std::map<std::string, std::string> files_;
    std::map<FileHandle, OpenFile> open_;
    std::deque<Fault> faults_;
    Fault taken_{};
    std::map<FileOp, int> calls_;
    std::vector<std::string> log_;
    FileHandle nextHandle_ = 0x40000000;
    int badCloses_ = 0;
    bool windowsSharing_ = true;
    bool replaceAvailable_ = true;
    std::string currentFolder_;
    std::vector<std::string> heldElsewhere_;
};

// A clock that stands still until told otherwise. Installs itself as SystemClock() while it lives.
class FakeClock : public Clock {
  public:
    FakeClock();
    ~FakeClock() override;
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;

    void SetTick(uint32_t tick) { tick_ = tick; }
    // Moves the tick count and the local time on together.
    void Advance(uint32_t milliseconds);
    void SetLocalTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                      int millisecond = 0);
    void SetLocalTimeAvailable(bool available) { available_ = available; }

    uint32_t TickCount() override { return tick_; }
    bool LocalFileTime(int64_t* fileTime) override;

    // 100 ns units since 1 January 1601 for a proleptic Gregorian date and time.
    static int64_t FileTimeOf(int year, int month, int day, int hour = 0, int minute = 0,
                              int second = 0, int millisecond = 0);

  private:
    uint32_t tick_ = 1000;
    int64_t fileTime_ = 0;
    bool available_ = true;
};

// One message box as it would be shown. The ids and the code are read back from the texts: the
// string-table text the message is (alone, or before the blank line of an error box), the
// caption's string, and the code of the system text this handler gave ("System error N.").
struct ShownMessage {
    WindowRef owner;
    int textId;     // 0 when the text is not a string-table text
    int captionId;  // 0 when the caption is not one
    SysError code;  // 0 when no system text is shown
    int iconType;
    uint32_t buttons;
    bool hasText;
    std::string text;
    std::string caption;
    bool plainBox;
};

// Answers the program's message boxes in the user's place, from a queue of answers and then with
// a default answer (Cancel unless changed), and gives the system's texts. Installs itself as the
// message handler while it lives.
class ScriptedMessages : public MessageHandler {
  public:
    ScriptedMessages();
    ~ScriptedMessages() override;
    ScriptedMessages(const ScriptedMessages&) = delete;
    ScriptedMessages& operator=(const ScriptedMessages&) = delete;

    void Queue(int answer) { answers_.push_back(answer); }
    void Queue(std::initializer_list<int> answers) { answers_.insert(answers_.end(), answers); }
    void SetDefaultAnswer(int answer) { defaultAnswer_ = answer; }

    const std::vector<ShownMessage>& Messages() const { return messages_; }
    size_t Count() const { return messages_.size(); }
    // The last message; fails the current test when there is none.
    const ShownMessage& Last() const;
    void Clear() { messages_.clear(); }
    // The system has no text for `code`.
    void SetNoSystemText(SysError code) { noSystemText_.push_back(code); }

    int Answer(const MessageRecord& message) override;
    bool SystemText(SysError code, char* buffer, int size) override;

  private:
    std::deque<int> answers_;
    std::vector<SysError> noSystemText_;
    std::vector<ShownMessage> messages_;
    int defaultAnswer_ = kResultCancel;
};

}  // namespace dt::test
