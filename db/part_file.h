#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// A file written beside its chosen name under another one, and given that name
// only when it is complete: a write that stops or fails leaves no partial file,
// and a file that was there before stays as it was.
class PartFile {
public:
    // The buffer is written out once it holds this much.
    static constexpr std::size_t kFlushBytes = std::size_t{1} << 20;

    // `path` is in the program's code page.
    explicit PartFile(const std::string& path);
    ~PartFile();
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    bool is_open() const { return file_ != nullptr; }
    std::string& buffer() { return buffer_; }
    bool flush_if_full() { return buffer_.size() < kFlushBytes || flush(); }
    bool flush();
    // Writes the bytes past the buffer (after what it holds).
    bool write(const void* bytes, std::size_t size);
    // Gives the file its name; false (and the part file removed) when it cannot.
    bool finish(const std::string& path);

private:
    std::FILE* file_ = nullptr;
    std::string part_;
    std::string buffer_;
};

bool file_exists(const std::string& path);
