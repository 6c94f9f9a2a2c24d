// Texts from the air and from other sites in the export lines and the table rows: any
// text gives one line whose fields a reader splitting on "#" and "#+" finds where they
// belong, and rows whose cells stay in their columns, with no control character left.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/clock.h"
#include "core/headless_window.h"
#include "core/reception_context.h"
#include "core/handling/fms_handling.h"
#include "core/handling/pocsag_handling.h"
#include "export/export_line.h"

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

// No control byte other than the cell separator.
bool clean(const std::string& s, char allowed) {
    return std::none_of(s.begin(), s.end(), [&](char c) {
        const auto b = static_cast<unsigned char>(c);
        return c != allowed && (b < 32 || b == 127);
    });
}

// The line ends in its only "#+", and begins with the fixed fields.
void checkLine(const std::string& line, const std::string& head) {
    check(clean(line, '\0') && line.rfind(head, 0) == 0);
    check(line.size() >= head.size() + 2 && line.find("#+") == line.size() - 2);
}

std::size_t tabs(const std::string& row) { return static_cast<std::size_t>(std::count(row.begin(), row.end(), '\t')); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    checkLine(kub::pocsagExportLine("1234567", 3, text), "##POC#1234567#3#");
    checkLine(kub::zveiExportLine("25431", text), "##ZVEI#25431#");

    const std::string poc = kub::pocsagRow("1234567", 3, text, "08.12.2026 13:05:07", text);
    check(clean(poc, '\t') && tabs(poc) == 4);

    static kub::ManualClock clock(1796738707);
    static kub::HeadlessWindow window;
    static kub::ReceptionContext context(clock, window);
    kub::FmsTelegramEvent telegram;
    telegram.kennung = "62341234";
    telegram.status = 3;
    telegram.text = text;
    const std::string fms = kub::fmsReceptionRow(context, telegram, -1);
    check(clean(fms, '\t') && tabs(fms) == 7);
    return 0;
}
