#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// Files named by the program's paths, which are UTF-8 like the rest of its data:
// on Windows they are opened through the wide functions, so that a folder or a
// name of any characters is reached, not one the code page has a substitute for.
// A path that is not valid UTF-8 names no file.
std::FILE* open_file(const std::string& path, const char* mode);
bool remove_file(const std::string& path);
bool file_exists(const std::string& path);

// A file written beside its chosen name under another one, and given that name
// only when it is complete: a write that stops or fails leaves no partial file,
// and a file that was there before stays as it was.
class PartFile {
public:
    // The buffer is written out once it holds this much.
    static constexpr std::size_t kFlushBytes = std::size_t{1} << 20;

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
