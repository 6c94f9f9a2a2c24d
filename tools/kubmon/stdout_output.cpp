#include "stdout_output.h"

#include <cstdio>

#include "core/record_json.h"

namespace kubmon {

void StdoutOutput::deliver(const kub::ReceptionRecord& record) {
    const std::string text = json_ ? kub::recordJson(record) : record.line;
    if (text.empty()) return;
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

}  // namespace kubmon
