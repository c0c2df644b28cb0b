#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace kor {

// An open file as the configuration code sees it. Destroying the stream
// closes the file. Every operation on a stream without an attached file
// returns 0 / false / nullptr.
class FileStream {
public:
    virtual ~FileStream() = default;

    // The name the stream was opened with.
    virtual const std::string& Name() const = 0;
    // The file's size in bytes, measured when the stream was opened.
    virtual uint32_t Size() const = 0;
    virtual bool IsOpen() const = 0;
    // The whole file followed by one zero byte, read on the first call; later
    // calls return the same buffer. Bytes the file could not deliver read as
    // zero. nullptr without a file.
    virtual const char* Contents() = 0;
    virtual long Tell() = 0;
    virtual bool AtEnd() = 0;
    // Origins as in stdio: 0 start, 1 current, 2 end. 0 on success.
    virtual int Seek(long offset, int origin) = 0;
    // As stdio's line read: nullptr at end of file or on error.
    virtual char* ReadLine(char* buffer, int length) = 0;
    // Element counts, as stdio's fread / fwrite.
    virtual std::size_t Read(void* buffer, std::size_t elementSize, std::size_t count) = 0;
    virtual std::size_t Write(const void* buffer, std::size_t elementSize, std::size_t count) = 0;
    // Pushes buffered output to the file. False when any write on this stream
    // failed so far; a writer must check this before trusting the file.
    virtual bool Flush() = 0;
    // Flush, then the file's bytes pushed on to the storage device, so that
    // a new version is whole on disk before it replaces an old one. A stream
    // that has no device behind it only flushes.
    virtual bool FlushToDisk() { return Flush(); }
};

// A source of file streams. Providers are registered once at start-up and
// consulted in registration order.
class FileProvider {
public:
    virtual ~FileProvider() = default;

    // A stream for `name` opened with the stdio `mode`, or nullptr.
    virtual std::unique_ptr<FileStream> Open(const std::string& name, const char* mode) = 0;
    // 0 when `name` is accessible in `accessMode` (0 exists, 2 write, 4 read,
    // 6 both), otherwise non-zero.
    virtual int Access(const std::string& name, int accessMode) = 0;
};

}  // namespace kor
