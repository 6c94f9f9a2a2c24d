#include "export/export_line.h"

#include "common/printable_text.h"

namespace kub {

namespace {

// A reader splits the stream on "#+": inside the line it would end the line early and
// make the rest look like a reception of its own. A field that contains it, or begins
// with "+" behind its separator, gets a blank between the two.
std::string exportLine(std::string_view kind, std::initializer_list<std::string_view> fields) {
    std::string body = "##";
    body += kind;
    for (const std::string_view f : fields) {
        body += '#';
        body += printableText(f);
    }
    for (std::size_t at = body.find("#+"); at != std::string::npos; at = body.find("#+", at + 2))
        body.insert(at + 1, 1, ' ');
    return body + "#+";
}

}  // namespace

std::string fmsExportLine(const std::string& kennung, int status, int tki, int direction) {
    return exportLine("FMS", {kennung, std::to_string(status), std::to_string(tki) + std::to_string(direction)});
}

std::string zveiExportLine(const std::string& code, const std::string& name) {
    return exportLine("ZVEI", {code, name});
}

std::string pocsagExportLine(const std::string& ric, int function, const std::string& text) {
    return exportLine("POC", {ric, std::to_string(function), text});
}

std::string incidentExportLine(const std::string& keyword, const std::string& units, const std::string& text) {
    return "##EINSATZ#" + keyword + "#" + units + "#" + text + "#+";
}

}  // namespace kub
