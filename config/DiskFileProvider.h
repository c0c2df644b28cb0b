#pragma once

#include "config/FileProvider.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace kor {

// A plain file on disk, over stdio with a fully buffered 64000-byte buffer.
class DiskFileStream final : public FileStream {
public:
    static constexpr std::size_t kBufferSize = 64000;

    // Takes ownership of `file`, which must not have been read or written yet
    // (its buffer is replaced).
    DiskFileStream(std::string name, std::FILE* file);
    ~DiskFileStream() override;
    DiskFileStream(const DiskFileStream&) = delete;
    DiskFileStream& operator=(const DiskFileStream&) = delete;

    const std::string& Name() const override { return name_; }
    uint32_t Size() const override { return size_; }
    bool IsOpen() const override { return file_ != nullptr; }
    const char* Contents() override;
    long Tell() override;
    bool AtEnd() override;
    int Seek(long offset, int origin) override;
    char* ReadLine(char* buffer, int length) override;
    std::size_t Read(void* buffer, std::size_t elementSize, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t elementSize, std::size_t count) override;
    bool Flush() override;
    bool FlushToDisk() override;

private:
    std::string name_;
    std::FILE* file_;
    std::unique_ptr<char[]> ioBuffer_;
    std::vector<char> contents_;
    bool contentsRead_ = false;
    uint32_t size_ = 0;
};

// Serves plain files. Names under "ASSETS/" (any letter case) belong to the
// game's packed assets and are refused, as are directories.
class DiskFileProvider final : public FileProvider {
public:
    std::unique_ptr<FileStream> Open(const std::string& name, const char* mode) override;
    int Access(const std::string& name, int accessMode) override;
};

// The process-wide disk provider, created on first use.
DiskFileProvider& GetDiskFileProvider();

}  // namespace kor
