// A tiny JSON writer for the rig tools: ANSI text goes out as pure-ASCII JSON.
#pragma once

#include <cstdint>
#include <string>

namespace rig {

class Json {
  public:
    Json& BeginObject();
    Json& EndObject();
    Json& BeginArray(const char* key = nullptr);
    Json& EndArray();
    Json& Key(const char* key);
    Json& Str(const std::string& ansi);
    Json& Int(long long value);
    Json& Uint(unsigned long long value);
    Json& Bool(bool value);
    Json& Null();

    // key + value in one go
    Json& Field(const char* key, const std::string& ansi) { return Key(key).Str(ansi); }
    Json& Field(const char* key, const char* ansi) { return Key(key).Str(ansi); }
    Json& Field(const char* key, long long v) { return Key(key).Int(v); }
    Json& Field(const char* key, int v) { return Key(key).Int(v); }
    Json& Field(const char* key, long v) { return Key(key).Int(v); }
    Json& Field(const char* key, unsigned long v) { return Key(key).Uint(v); }
    Json& Field(const char* key, unsigned int v) { return Key(key).Uint(v); }
    Json& Field(const char* key, unsigned long long v) { return Key(key).Uint(v); }
    Json& Field(const char* key, bool v) { return Key(key).Bool(v); }

    const std::string& Text() const { return out_; }
    // Writes the document and a newline to stdout and flushes.
    void Print() const;

  private:
    void Separate();
    std::string out_;
    bool needComma_ = false;
};

// Hex digits of a byte string, for texts that must survive any console conversion.
std::string HexOf(const std::string& bytes);

}  // namespace rig
