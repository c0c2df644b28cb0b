#include "config/DiskFileProvider.h"

#include "config/TextUtilities.h"
#include "platform/FileSystem.h"

namespace kor {
namespace {

bool IsAssetName(const std::string& name) {
    return StartsWithIgnoringCase(name, "ASSETS/");
}

uint32_t MeasureSize(std::FILE* file) {
    const long position = std::ftell(file);
    if (std::fseek(file, 0, SEEK_END) != 0) return 0;
    const long end = std::ftell(file);
    std::fseek(file, position < 0 ? 0 : position, SEEK_SET);
    return end < 0 ? 0 : static_cast<uint32_t>(end);
}

}  // namespace

DiskFileStream::DiskFileStream(std::string name, std::FILE* file)
    : name_(std::move(name)), file_(file), ioBuffer_(new char[kBufferSize]) {
    if (file_ == nullptr) return;
    std::setvbuf(file_, ioBuffer_.get(), _IOFBF, kBufferSize);
    size_ = MeasureSize(file_);
}

DiskFileStream::~DiskFileStream() {
    if (file_ != nullptr) std::fclose(file_);
}

const char* DiskFileStream::Contents() {
    if (file_ == nullptr) return nullptr;
    if (!contentsRead_) {
        contentsRead_ = true;
        contents_.assign(static_cast<std::size_t>(size_) + 1, '\0');
        if (std::fseek(file_, 0, SEEK_SET) == 0 && size_ > 0) {
            std::fread(contents_.data(), 1, size_, file_);
        }
    }
    return contents_.data();
}

long DiskFileStream::Tell() {
    return file_ == nullptr ? 0 : std::ftell(file_);
}

bool DiskFileStream::AtEnd() {
    return file_ != nullptr && std::feof(file_) != 0;
}

int DiskFileStream::Seek(long offset, int origin) {
    return file_ == nullptr ? 0 : std::fseek(file_, offset, origin);
}

char* DiskFileStream::ReadLine(char* buffer, int length) {
    return file_ == nullptr ? nullptr : std::fgets(buffer, length, file_);
}

std::size_t DiskFileStream::Read(void* buffer, std::size_t elementSize, std::size_t count) {
    return file_ == nullptr ? 0 : std::fread(buffer, elementSize, count, file_);
}

std::size_t DiskFileStream::Write(const void* buffer, std::size_t elementSize, std::size_t count) {
    return file_ == nullptr ? 0 : std::fwrite(buffer, elementSize, count, file_);
}

bool DiskFileStream::Flush() {
    if (file_ == nullptr) return false;
    return std::fflush(file_) == 0 && std::ferror(file_) == 0;
}

bool DiskFileStream::FlushToDisk() {
    return Flush() && platform::SyncToDisk(file_);
}

std::unique_ptr<FileStream> DiskFileProvider::Open(const std::string& name, const char* mode) {
    if (IsAssetName(name) || mode == nullptr) return nullptr;
    // stdio opens a directory for reading on some systems; a stream over it
    // would only ever fail, so it is refused here.
    if (platform::IsDirectory(name)) return nullptr;
    std::FILE* file = std::fopen(name.c_str(), mode);
    if (file == nullptr) return nullptr;
    try {
        return std::make_unique<DiskFileStream>(name, file);
    } catch (...) {
        std::fclose(file);
        throw;
    }
}

int DiskFileProvider::Access(const std::string& name, int accessMode) {
    if (IsAssetName(name)) return -1;
    return platform::CheckAccess(name, accessMode) == 0 ? 0 : -1;
}

DiskFileProvider& GetDiskFileProvider() {
    static DiskFileProvider provider;
    return provider;
}

}  // namespace kor
