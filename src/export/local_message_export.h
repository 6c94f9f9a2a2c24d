#pragma once
// The window-message export without window messages: the same record a desktop program
// used to receive as WM_COPYDATA, delivered over a local socket named after the window
// title the user configured. The record, as bytes:
//
//   dwData  uint32 little-endian, always 3
//   cbData  uint32 little-endian, the number of bytes that follow
//   data    the export line in Windows-1252, then one zero byte (cbData bytes in all)
//
// Lines are sent whole whatever their length, so cbData may exceed 255.

#include <string>

#include "storage/settings.h"

namespace kub {

constexpr unsigned kCopyDataTag = 3;

// The socket name for a window title. A socket name is a file name in the temporary
// folder, so it cannot hold "/" and should not hold control characters: those, and "%"
// itself, become "%" and two upper-case hex digits of the UTF-8 byte ("a/b" -> "a%2Fb",
// "100%" -> "100%25"). Everything else, umlauts included, stays as UTF-8. An empty
// title names no socket.
std::string localSocketName(const std::string& windowTitle);

// One record for one export line (line in UTF-8).
std::string copyDataRecord(const std::string& line);

class LocalMessageSink {
public:
    virtual ~LocalMessageSink() = default;
    // Hands the record to the listener of that name, if there is one; never waits long.
    virtual void deliver(const std::string& socketName, const std::string& record) = 0;
};

class LocalMessageExport {
public:
    LocalMessageExport(const Settings& settings, LocalMessageSink& sink)
        : settings_(settings), sink_(sink) {}
    // Called by the reception handling with the export line when this export is on.
    void Send_to_Anwendung(const std::string& line);

private:
    const Settings& settings_;
    LocalMessageSink& sink_;
};

}  // namespace kub
