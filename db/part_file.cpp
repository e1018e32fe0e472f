#include "db/part_file.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include "db/text_convert.h"

namespace {

#ifdef _WIN32
// The wide form of a path; false for bytes that are no UTF-8, which would
// otherwise become U+FFFD and name another file.
bool wide_path(const std::string& path, std::wstring& wide) {
    bool valid = false;
    const std::u16string utf16 = utf8_to_utf16(path, &valid);
    if (!valid || path.empty()) {
        return false;
    }
    wide.assign(utf16.begin(), utf16.end());
    return true;
}
#endif

bool replace_file(const std::string& from, const std::string& to) {
#ifdef _WIN32
    std::wstring wide_from;
    std::wstring wide_to;
    return wide_path(from, wide_from) && wide_path(to, wide_to) &&
           MoveFileExW(wide_from.c_str(), wide_to.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
#else
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

}  // namespace

std::FILE* open_file(const std::string& path, const char* mode) {
#ifdef _WIN32
    std::wstring wide;
    if (!wide_path(path, wide)) {
        return nullptr;
    }
    // The modes are ASCII.
    const std::wstring wide_mode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(wide.c_str(), wide_mode.c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

bool remove_file(const std::string& path) {
#ifdef _WIN32
    std::wstring wide;
    return wide_path(path, wide) && DeleteFileW(wide.c_str()) != FALSE;
#else
    return std::remove(path.c_str()) == 0;
#endif
}

bool file_exists(const std::string& path) {
    if (std::FILE* f = open_file(path, "rb")) {
        std::fclose(f);
        return true;
    }
    return false;
}

PartFile::PartFile(const std::string& path) {
    for (int i = 0; i < 100 && !file_; ++i) {
        std::string name = path + (i == 0 ? ".part" : ".part" + std::to_string(i));
        if (!file_exists(name)) {
            file_ = open_file(name, "wb");
            part_ = std::move(name);
        }
    }
}

PartFile::~PartFile() {
    if (file_) {
        std::fclose(file_);
    }
    if (!part_.empty()) {
        remove_file(part_);
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
