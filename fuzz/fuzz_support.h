#pragma once
// What the harnesses share: a program folder of their own for the file readers, and
// fuzz input turned into capture blocks.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "capture/block_dispatcher.h"

namespace kubfuzz {

// One folder per process, with "Status" and "Logbuch", removed at exit by the OS's tmp
// cleaning only: the harnesses write the same few names again and again.
inline const std::string& programFolder() {
    static const std::string folder = [] {
        // In memory where there is such a folder: the rewrites wait for the disk otherwise.
        std::string tmpl = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm/kubfuzz-XXXXXX" : "/tmp/kubfuzz-XXXXXX";
        const char* made = ::mkdtemp(tmpl.data());
        if (!made) std::abort();
        std::string f = made;
        ::mkdir((f + "/Status").c_str(), 0755);
        ::mkdir((f + "/Logbuch").c_str(), 0755);
        return f;
    }();
    return folder;
}

inline void writeFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
}

inline void removeFile(const std::string& path) { std::remove(path.c_str()); }

// Reads the input as little-endian 16-bit samples; a short tail is padded with zeros.
class SampleReader {
public:
    SampleReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return pos_ >= size_; }
    std::int16_t next() {
        std::uint16_t v = 0;
        if (pos_ < size_) v = data_[pos_++];
        if (pos_ < size_) v = static_cast<std::uint16_t>(v | (data_[pos_++] << 8));
        std::int16_t s;
        std::memcpy(&s, &v, sizeof s);
        return s;
    }
    std::uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

}  // namespace kubfuzz
