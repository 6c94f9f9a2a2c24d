#include "storage/text_file.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kub {

namespace {

// Windows-1252 code points 0x80..0x9F; 0 marks the five unassigned bytes.
constexpr char32_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

}  // namespace

std::string cp1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        auto b = static_cast<unsigned char>(ch);
        if (b < 0x80) {
            out.push_back(ch);
        } else if (b < 0xA0) {
            char32_t c = kHigh[b - 0x80];
            // Unassigned bytes map to the C1 control of the same number, as Windows does.
            appendUtf8(out, c ? c : b);
        } else {
            appendUtf8(out, b);
        }
    }
    return out;
}

std::string utf8ToCp1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        auto b = static_cast<unsigned char>(text[i]);
        char32_t c;
        std::size_t len;
        if (b < 0x80) {
            c = b;
            len = 1;
        } else if ((b & 0xE0) == 0xC0) {
            c = b & 0x1F;
            len = 2;
        } else if ((b & 0xF0) == 0xE0) {
            c = b & 0x0F;
            len = 3;
        } else if ((b & 0xF8) == 0xF0) {
            c = b & 0x07;
            len = 4;
        } else {
            out.push_back('?');
            ++i;
            continue;
        }
        if (i + len > text.size()) {
            out.push_back('?');
            break;
        }
        bool ok = true;
        for (std::size_t k = 1; k < len; ++k) {
            auto cb = static_cast<unsigned char>(text[i + k]);
            if ((cb & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            c = (c << 6) | (cb & 0x3F);
        }
        if (!ok) {
            out.push_back('?');
            ++i;
            continue;
        }
        i += len;
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        char mapped = '?';
        for (int k = 0; k < 32; ++k) {
            if (kHigh[k] == c || (kHigh[k] == 0 && c == static_cast<char32_t>(0x80 + k))) {
                mapped = static_cast<char>(0x80 + k);
                break;
            }
        }
        out.push_back(mapped);
    }
    return out;
}

std::string readItem(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size() && line[i] == ' ') ++i;
    if (i < line.size() && line[i] == '"') {
        std::size_t end = line.find('"', i + 1);
        if (end == std::string_view::npos) return std::string(line.substr(i + 1));
        return std::string(line.substr(i + 1, end - i - 1));
    }
    std::size_t end = line.find(',', i);
    if (end == std::string_view::npos) end = line.size();
    return std::string(line.substr(i, end - i));
}

std::string itemLine(std::string line) {
    const bool needsQuotes = line.find(',') != std::string::npos ||
                             (!line.empty() && (line.front() == ' ' || line.front() == '"'));
    if (!needsQuotes) return line;
    for (char& c : line) {
        if (c == '"') c = '\'';
    }
    return "\"" + line + "\"";
}

long itemToNumber(std::string_view item) {
    std::size_t i = 0;
    while (i < item.size() && (item[i] == ' ' || item[i] == '\t')) ++i;
    bool negative = false;
    if (i < item.size() && (item[i] == '-' || item[i] == '+')) {
        negative = item[i] == '-';
        ++i;
    }
    long value = 0;
    bool any = false;
    while (i < item.size() && item[i] >= '0' && item[i] <= '9') {
        any = true;
        if (value > (LONG_MAX - 9) / 10) return 0;  // not a number we could have written
        value = value * 10 + (item[i] - '0');
        ++i;
    }
    if (!any) return 0;
    return negative ? -value : value;
}

short itemToShort(std::string_view item) {
    long v = itemToNumber(item);
    if (v > SHRT_MAX || v < SHRT_MIN) return 0;
    return static_cast<short>(v);
}

std::string numberLine(long value) {
    std::string digits = std::to_string(value);
    return value < 0 ? digits + " " : " " + digits + " ";
}

std::optional<std::vector<std::string>> readTextLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string data;
    try {
        // A read error (a folder in the file's place, a failing disk) throws out of the
        // stream buffer; it must cost the file, not the program.
        data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::ios_base::failure&) {
        return std::nullopt;
    }
    if (in.bad()) return std::nullopt;
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < data.size()) {
        std::size_t end = data.find('\n', start);
        std::size_t next = end == std::string::npos ? data.size() : end + 1;
        if (end == std::string::npos) end = data.size();
        std::size_t stop = end;
        if (stop > start && data[stop - 1] == '\r') --stop;
        lines.push_back(cp1252ToUtf8(std::string_view(data).substr(start, stop - start)));
        start = next;
    }
    return lines;
}

std::optional<std::vector<std::string>> readItemLines(const std::string& path) {
    auto lines = readTextLines(path);
    if (!lines) return std::nullopt;
    for (auto& l : *lines) l = readItem(l);
    return lines;
}

namespace {

// With `durable` the bytes are on the disk, not only in the system's cache, when this
// returns: a file that is about to replace another must not turn out empty after a
// power cut.
bool writeLines(const std::string& path, const std::vector<std::string>& lines, bool durable,
                FileAccess access) {
    std::FILE* f = nullptr;
    if (access == FileAccess::OwnerOnly) {
        // Created without any right for others, and set again for a file that existed:
        // the password must never be readable, not even for a moment.
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0) return false;
        if (::fchmod(fd, 0600) != 0 || !(f = ::fdopen(fd, "wb"))) {
            ::close(fd);
            return false;
        }
    } else {
        f = std::fopen(path.c_str(), "wb");
    }
    if (!f) return false;
    bool ok = true;
    for (const auto& l : lines) {
        std::string bytes = utf8ToCp1252(l);
        bytes += "\r\n";
        if (std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) ok = false;
    }
    if (durable && ok) ok = std::fflush(f) == 0 && ::fsync(::fileno(f)) == 0;
    if (std::fclose(f) != 0) ok = false;
    return ok;
}

}  // namespace

bool writeTextLines(const std::string& path, const std::vector<std::string>& lines, FileAccess access) {
    return writeLines(path, lines, false, access);
}

bool replaceTextLines(const std::string& path, const std::vector<std::string>& lines, FileAccess access) {
    const std::string fresh = path + ".neu";
    if (!writeLines(fresh, lines, true, access)) {
        std::remove(fresh.c_str());
        return false;
    }
    if (std::rename(fresh.c_str(), path.c_str()) != 0) {
        std::remove(fresh.c_str());
        return false;
    }
    return true;
}

std::vector<std::string> splitTabs(std::string_view line) {
    std::vector<std::string> cells;
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = line.find('\t', start);
        cells.emplace_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
        if (tab == std::string_view::npos) break;
        start = tab + 1;
    }
    return cells;
}

bool appendTextLine(const std::string& path, std::string_view line) {
    std::FILE* f = std::fopen(path.c_str(), "ab");
    if (!f) return false;
    std::fseek(f, 0, SEEK_END);
    const long before = std::ftell(f);
    std::string bytes = utf8ToCp1252(line);
    bytes += "\r\n";
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0) ok = false;
    // A full disk may take part of the line: cut it off again, or the next line that
    // fits would be glued to the broken one and both would be lost to the reader.
    if (!ok && before >= 0) (void)::truncate(path.c_str(), static_cast<off_t>(before));
    return ok;
}

bool fileExists(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::fclose(f);
    return true;
}

}  // namespace kub
