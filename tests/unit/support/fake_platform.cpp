// In-memory stand-ins for the platform in unit tests.
#include "support/fake_platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/string_table.h"

namespace dt::test {
namespace {

const char* OpName(FileOp op) {
    switch (op) {
        case FileOp::kOpenAlways:
            return "OpenAlways";
        case FileOp::kCreateNew:
            return "CreateNew";
        case FileOp::kGetSize:
            return "GetSize";
        case FileOp::kSeekStart:
            return "SeekStart";
        case FileOp::kRead:
            return "Read";
        case FileOp::kWrite:
            return "Write";
        case FileOp::kTruncate:
            return "Truncate";
        case FileOp::kFlush:
            return "Flush";
        case FileOp::kReplace:
            return "Replace";
        case FileOp::kRename:
            return "Rename";
        case FileOp::kRemove:
            return "Remove";
    }
    return "?";
}

constexpr SysError kSharingViolation = kErrorSharingViolation;

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}
constexpr SysError kInvalidHandle = 6;

}  // namespace

// ---- FakeFileSystem ----

FakeFileSystem::FakeFileSystem() { SetFiles(this); }

FakeFileSystem::~FakeFileSystem() {
    if (&Files() == this) SetFiles(nullptr);
}

void FakeFileSystem::SetFile(const std::string& path, const std::string& bytes) {
    files_[path] = bytes;
}

bool FakeFileSystem::HasFile(const std::string& path) const { return files_.count(path) != 0; }

std::string FakeFileSystem::FileBytes(const std::string& path) const {
    auto it = files_.find(path);
    return it == files_.end() ? std::string() : it->second;
}

std::vector<std::string> FakeFileSystem::Paths() const {
    std::vector<std::string> paths;
    for (const auto& entry : files_) paths.push_back(entry.first);
    return paths;
}

void FakeFileSystem::FailNext(FileOp op, SysError code, int times, const std::string& pathEnd) {
    faults_.push_back({op, code, times, pathEnd, false, 0});
}

void FakeFileSystem::FailWritePartly(uint32_t bytes, SysError code, int times,
                                     const std::string& pathEnd) {
    faults_.push_back({FileOp::kWrite, code, times, pathEnd, true, bytes});
}

int FakeFileSystem::Calls(FileOp op) const {
    auto it = calls_.find(op);
    return it == calls_.end() ? 0 : it->second;
}

int FakeFileSystem::OpenHandles() const { return static_cast<int>(open_.size()); }

bool FakeFileSystem::IsOpen(const std::string& path) const {
    for (const auto& entry : open_) {
        if (entry.second.path == path) return true;
    }
    return false;
}

bool FakeFileSystem::InUse(const std::string& path) const {
    if (!windowsSharing_) return false;
    return IsOpen(path) ||
           std::find(heldElsewhere_.begin(), heldElsewhere_.end(), path) != heldElsewhere_.end();
}

void FakeFileSystem::HoldElsewhere(const std::string& path, bool on) {
    auto it = std::find(heldElsewhere_.begin(), heldElsewhere_.end(), path);
    if (on && it == heldElsewhere_.end()) heldElsewhere_.push_back(path);
    if (!on && it != heldElsewhere_.end()) heldElsewhere_.erase(it);
}

std::string FakeFileSystem::Resolve(const char* path) const {
    std::string name = path ? path : "";
    const bool absolute =
        name.empty() || name[0] == '\\' || name[0] == '/' || (name.size() > 1 && name[1] == ':');
    if (absolute || currentFolder_.empty()) return name;
    return currentFolder_ + (currentFolder_.back() == '\\' ? "" : "\\") + name;
}

const FakeFileSystem::Fault* FakeFileSystem::TakeFault(FileOp op, const std::string& path,
                                                       const std::string& other) {
    for (auto it = faults_.begin(); it != faults_.end(); ++it) {
        if (it->op != op) continue;
        if (!it->pathEnd.empty() && !EndsWith(path, it->pathEnd) && !EndsWith(other, it->pathEnd)) {
            continue;
        }
        taken_ = *it;
        if (--it->times <= 0) faults_.erase(it);
        return &taken_;
    }
    return nullptr;
}

FakeFileSystem::OpenFile* FakeFileSystem::Find(FileHandle file) {
    auto it = open_.find(file);
    return it == open_.end() ? nullptr : &it->second;
}

SysError FakeFileSystem::Note(FileOp op, const std::string& what, SysError result) {
    ++calls_[op];
    std::string line = std::string(OpName(op)) + " " + what;
    if (result != 0) line += " -> " + std::to_string(result);
    log_.push_back(line);
    return result;
}

SysError FakeFileSystem::OpenAlways(const char* path, FileHandle* file) {
    *file = kNoFile;
    std::string name = Resolve(path);
    if (name.empty()) return Note(FileOp::kOpenAlways, name, kErrorPathNotFound);
    if (const Fault* fault = TakeFault(FileOp::kOpenAlways, name)) {
        return Note(FileOp::kOpenAlways, name, fault->code);
    }
    if (windowsSharing_ && IsOpen(name)) {
        return Note(FileOp::kOpenAlways, name, kSharingViolation);
    }
    if (!files_.count(name)) files_[name] = std::string();
    *file = nextHandle_++;
    open_[*file] = {name, 0};
    return Note(FileOp::kOpenAlways, name, 0);
}

SysError FakeFileSystem::CreateNew(const char* path, FileHandle* file) {
    *file = kNoFile;
    std::string name = Resolve(path);
    if (name.empty()) return Note(FileOp::kCreateNew, name, kErrorPathNotFound);
    if (const Fault* fault = TakeFault(FileOp::kCreateNew, name)) {
        return Note(FileOp::kCreateNew, name, fault->code);
    }
    if (InUse(name)) return Note(FileOp::kCreateNew, name, kSharingViolation);
    files_[name] = std::string();
    *file = nextHandle_++;
    open_[*file] = {name, 0};
    return Note(FileOp::kCreateNew, name, 0);
}

SysError FakeFileSystem::GetSize(FileHandle file, uint32_t* size) {
    OpenFile* open = Find(file);
    if (!open) return Note(FileOp::kGetSize, "(bad handle)", kInvalidHandle);
    if (const Fault* fault = TakeFault(FileOp::kGetSize, open->path)) {
        return Note(FileOp::kGetSize, open->path, fault->code);
    }
    *size = static_cast<uint32_t>(files_[open->path].size());
    return Note(FileOp::kGetSize, open->path, 0);
}

SysError FakeFileSystem::SeekStart(FileHandle file) {
    OpenFile* open = Find(file);
    if (!open) return Note(FileOp::kSeekStart, "(bad handle)", kInvalidHandle);
    if (const Fault* fault = TakeFault(FileOp::kSeekStart, open->path)) {
        return Note(FileOp::kSeekStart, open->path, fault->code);
    }
    open->position = 0;
    return Note(FileOp::kSeekStart, open->path, 0);
}

SysError FakeFileSystem::Read(FileHandle file, void* buffer, uint32_t count, uint32_t* done) {
    *done = 0;
    OpenFile* open = Find(file);
    if (!open) return Note(FileOp::kRead, "(bad handle)", kInvalidHandle);
    std::string what = open->path + " " + std::to_string(count);
    if (const Fault* fault = TakeFault(FileOp::kRead, open->path)) {
        return Note(FileOp::kRead, what, fault->code);
    }
    const std::string& bytes = files_[open->path];
    uint32_t available =
        open->position < bytes.size() ? static_cast<uint32_t>(bytes.size()) - open->position : 0;
    uint32_t n = std::min(count, available);
    if (n) std::memcpy(buffer, bytes.data() + open->position, n);
    open->position += n;
    *done = n;
    return Note(FileOp::kRead, what, 0);
}

SysError FakeFileSystem::Write(FileHandle file, const void* buffer, uint32_t count,
                               uint32_t* done) {
    *done = 0;
    OpenFile* open = Find(file);
    if (!open) return Note(FileOp::kWrite, "(bad handle)", kInvalidHandle);
    std::string what = open->path + " " + std::to_string(count);
    uint32_t n = count;
    SysError result = 0;
    if (const Fault* fault = TakeFault(FileOp::kWrite, open->path)) {
        result = fault->code;
        n = fault->partial ? std::min(count, fault->bytes) : 0;
    }
    std::string& bytes = files_[open->path];
    if (n) {
        if (bytes.size() < open->position + n) bytes.resize(open->position + n);
        std::memcpy(&bytes[open->position], buffer, n);
        open->position += n;
    }
    *done = n;
    return Note(FileOp::kWrite, what, result);
}

SysError FakeFileSystem::Truncate(FileHandle file) {
    OpenFile* open = Find(file);
    if (!open) return Note(FileOp::kTruncate, "(bad handle)", kInvalidHandle);
    if (const Fault* fault = TakeFault(FileOp::kTruncate, open->path)) {
        return Note(FileOp::kTruncate, open->path, fault->code);
    }
    files_[open->path].resize(open->position);
    return Note(FileOp::kTruncate, open->path, 0);
}

SysError FakeFileSystem::Flush(FileHandle file) {
    OpenFile* open = Find(file);
    if (!open) return Note(FileOp::kFlush, "(bad handle)", kInvalidHandle);
    if (const Fault* fault = TakeFault(FileOp::kFlush, open->path)) {
        return Note(FileOp::kFlush, open->path, fault->code);
    }
    return Note(FileOp::kFlush, open->path, 0);
}

void FakeFileSystem::Close(FileHandle file) {
    auto it = open_.find(file);
    if (it == open_.end()) {
        ++badCloses_;
        log_.push_back("Close (bad handle)");
        return;
    }
    log_.push_back("Close " + it->second.path);
    open_.erase(it);
}

SysError FakeFileSystem::Replace(const char* from, const char* to) {
    std::string source = Resolve(from);
    std::string target = Resolve(to);
    std::string what = source + " " + target;
    if (const Fault* fault = TakeFault(FileOp::kReplace, source, target)) {
        return Note(FileOp::kReplace, what, fault->code);
    }
    if (!replaceAvailable_) return Note(FileOp::kReplace, what, kErrorCallNotImplemented);
    if (!files_.count(source)) return Note(FileOp::kReplace, what, kErrorFileNotFound);
    if (InUse(source)) return Note(FileOp::kReplace, what, kSharingViolation);
    if (InUse(target)) return Note(FileOp::kReplace, what, kErrorAccessDenied);
    std::string bytes = files_[source];
    files_.erase(source);
    files_[target] = bytes;
    // A handle still open on the source (only without Windows sharing) follows the file.
    for (auto& entry : open_) {
        if (entry.second.path == source) entry.second.path = target;
    }
    return Note(FileOp::kReplace, what, 0);
}

SysError FakeFileSystem::Rename(const char* from, const char* to) {
    std::string source = Resolve(from);
    std::string target = Resolve(to);
    std::string what = source + " " + target;
    if (const Fault* fault = TakeFault(FileOp::kRename, source, target)) {
        return Note(FileOp::kRename, what, fault->code);
    }
    if (!files_.count(source)) return Note(FileOp::kRename, what, kErrorFileNotFound);
    if (files_.count(target)) return Note(FileOp::kRename, what, kErrorAlreadyExists);
    if (InUse(source)) return Note(FileOp::kRename, what, kSharingViolation);
    files_[target] = files_[source];
    files_.erase(source);
    for (auto& entry : open_) {
        if (entry.second.path == source) entry.second.path = target;
    }
    return Note(FileOp::kRename, what, 0);
}

SysError FakeFileSystem::Remove(const char* path) {
    std::string name = Resolve(path);
    if (const Fault* fault = TakeFault(FileOp::kRemove, name)) {
        return Note(FileOp::kRemove, name, fault->code);
    }
    if (!files_.count(name)) return Note(FileOp::kRemove, name, kErrorFileNotFound);
    if (InUse(name)) return Note(FileOp::kRemove, name, kSharingViolation);
    files_.erase(name);
    return Note(FileOp::kRemove, name, 0);
}

bool FakeFileSystem::Exists(const char* path) { return path && files_.count(Resolve(path)) != 0; }

SysError FakeFileSystem::FullPath(const char* path, char* buffer, uint32_t size, uint32_t* needed) {
    if (!path || !*path) return kErrorPathNotFound;
    const std::string full = Resolve(path);
    if (full.size() + 1 > size) {
        *needed = static_cast<uint32_t>(full.size() + 1);
        return kErrorInsufficientBuffer;
    }
    std::memcpy(buffer, full.c_str(), full.size() + 1);
    return 0;
}

// ---- FakeClock ----

FakeClock::FakeClock() {
    fileTime_ = FileTimeOf(2024, 1, 1);
    SetClock(this);
}

FakeClock::~FakeClock() {
    if (&SystemClock() == this) SetClock(nullptr);
}

void FakeClock::Advance(uint32_t milliseconds) {
    tick_ += milliseconds;
    fileTime_ += static_cast<int64_t>(milliseconds) * 10000;
}

void FakeClock::SetLocalTime(int year, int month, int day, int hour, int minute, int second,
                             int millisecond) {
    fileTime_ = FileTimeOf(year, month, day, hour, minute, second, millisecond);
}

bool FakeClock::LocalFileTime(int64_t* fileTime) {
    if (!available_) return false;
    *fileTime = fileTime_;
    return true;
}

int64_t FakeClock::FileTimeOf(int year, int month, int day, int hour, int minute, int second,
                              int millisecond) {
    // Days from 1 January 1601 by the civil-from-days method (March-based years).
    int64_t y = year - (month <= 2 ? 1 : 0);
    int64_t era = (y >= 0 ? y : y - 399) / 400;
    int64_t yearOfEra = y - era * 400;
    int64_t monthIndex = month > 2 ? month - 3 : month + 9;
    int64_t dayOfYear = (153 * monthIndex + 2) / 5 + day - 1;
    int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    int64_t daysSince0000 = era * 146097 + dayOfEra;
    // 1 January 1601 in the same count.
    constexpr int64_t kEpoch1601 = 584694;
    int64_t days = daysSince0000 - kEpoch1601;
    int64_t ms = ((days * 24 + hour) * 60 + minute) * 60000 + second * 1000 + millisecond;
    return ms * 10000;
}

// ---- ScriptedMessages ----

ScriptedMessages::ScriptedMessages() { SetMessageHandler(this); }

ScriptedMessages::~ScriptedMessages() { SetMessageHandler(nullptr); }

const ShownMessage& ScriptedMessages::Last() const {
    static const ShownMessage kNone{};
    EXPECT_FALSE(messages_.empty()) << "no message was shown";
    return messages_.empty() ? kNone : messages_.back();
}

namespace {

int StringIdOf(const std::string& text) {
    for (int i = 0; i < kStringTableSize; ++i) {
        if (text == kStringTable[i].text) return kStringTable[i].id;
    }
    return 0;
}

}  // namespace

bool ScriptedMessages::SystemText(SysError code, char* buffer, int size) {
    for (SysError none : noSystemText_) {
        if (none == code) return false;
    }
    return MessageHandler::SystemText(code, buffer, size);
}

int ScriptedMessages::Answer(const MessageRecord& message) {
    ShownMessage shown{message.owner,
                       0,
                       0,
                       0,
                       message.iconType,
                       message.buttons,
                       message.text != nullptr,
                       message.text ? message.text : "",
                       message.caption ? message.caption : "",
                       message.plainBox};
    // An error box ends in the system's text, after a blank line when the message has its own.
    std::string lead = shown.text;
    const size_t at = lead.rfind("System error ");
    if (at != std::string::npos && (at == 0 || lead.compare(at - 4, 4, "\r\n\r\n") == 0)) {
        const unsigned long code = std::strtoul(lead.c_str() + at + 13, nullptr, 10);
        if (lead.substr(at) == "System error " + std::to_string(code) + ".") {
            shown.code = static_cast<SysError>(code);
            lead.erase(at == 0 ? 0 : at - 4);
        }
    }
    shown.textId = StringIdOf(lead);
    shown.captionId = StringIdOf(shown.caption);
    messages_.push_back(shown);
    if (answers_.empty()) return defaultAnswer_;
    int answer = answers_.front();
    answers_.pop_front();
    return answer;
}

}  // namespace dt::test
