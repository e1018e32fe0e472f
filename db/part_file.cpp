#include "db/part_file.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

bool replace_file(const std::string& from, const std::string& to) {
#ifdef _WIN32
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
#else
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

}  // namespace

bool file_exists(const std::string& path) {
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fclose(f);
        return true;
    }
    return false;
}

PartFile::PartFile(const std::string& path) {
    for (int i = 0; i < 100 && !file_; ++i) {
        std::string name = path + (i == 0 ? ".part" : ".part" + std::to_string(i));
        if (!file_exists(name)) {
            file_ = std::fopen(name.c_str(), "wb");
            part_ = std::move(name);
        }
    }
}

PartFile::~PartFile() {
    if (file_) {
        std::fclose(file_);
    }
    if (!part_.empty()) {
        std::remove(part_.c_str());
    }
}

bool PartFile::flush() {
    if (!buffer_.empty() &&
        std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) {
        return false;
    }
    buffer_.clear();
    return true;
}

bool PartFile::write(const void* bytes, std::size_t size) {
    return flush() && (size == 0 || std::fwrite(bytes, 1, size, file_) == size);
}

bool PartFile::finish(const std::string& path) {
    const bool flushed = flush();
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!flushed || !closed || !replace_file(part_, path)) {
        return false;
    }
    part_.clear();
    return true;
}
