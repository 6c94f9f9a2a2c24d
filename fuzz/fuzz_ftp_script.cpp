// The FTP script reader and the host argument of the command-line client.

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "storage/text_file.h"
#include "web/ftp_script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = kubfuzz::programFolder() + "/ftp.txt";
    kubfuzz::writeFile(path, data, size);
    const auto lines = kub::readTextLines(path);
    if (!lines) return 0;
    const kub::FtpScript script = kub::parseFtpScript(*lines);
    for (const auto& c : script.commands) {
        (void)kub::splitFtpWords(c.rest);
        (void)kub::fileNamePart(c.rest);
    }
    for (const auto& l : *lines) (void)kub::parseFtpHost(l);
    return 0;
}
