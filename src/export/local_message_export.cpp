#include "export/local_message_export.h"

#include <cstdint>

#include "storage/text_file.h"

namespace kub {

namespace {

void appendLe32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

}  // namespace

std::string localSocketName(const std::string& windowTitle) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string name;
    name.reserve(windowTitle.size());
    for (char ch : windowTitle) {
        const auto b = static_cast<unsigned char>(ch);
        if (ch == '/' || ch == '%' || b < 0x20 || b == 0x7F) {
            name.push_back('%');
            name.push_back(kHex[b >> 4]);
            name.push_back(kHex[b & 0x0F]);
        } else {
            name.push_back(ch);
        }
    }
    return name;
}

std::string copyDataRecord(const std::string& line) {
    const std::string bytes = utf8ToCp1252(line);
    std::string record;
    record.reserve(bytes.size() + 9);
    appendLe32(record, kCopyDataTag);
    appendLe32(record, static_cast<std::uint32_t>(bytes.size() + 1));
    record += bytes;
    record.push_back('\0');
    return record;
}

void LocalMessageExport::Send_to_Anwendung(const std::string& line) {
    const std::string name = localSocketName(settings_.windowTitle);
    if (name.empty()) return;
    sink_.deliver(name, copyDataRecord(line));
}

}  // namespace kub
