#pragma once
// Where the export line of a reception goes: the TCP export and the local message
// export of the running monitor (its export bindings), or a recorder in the tests.

#include <string>

namespace kub {

class ExportLines {
public:
    virtual ~ExportLines() = default;
    // Called only when the TCP export is switched on.
    virtual void send_message(const std::string& line) = 0;
    // Called only when the local message export is switched on.
    virtual void Send_to_Anwendung(const std::string& line) = 0;
    // Every reception's export line, whatever is switched on.
    virtual void receptionLine(const std::string& /*line*/) {}
};

}  // namespace kub
