#pragma once
// The dial-up connection used for the upload when the settings say the internet is
// reached by dialling. The phone book is the set of dial-up connection profiles; only
// such a connection counts as dialled in, never the machine's LAN.

#include <string>
#include <vector>

#include "web/process_runner.h"

namespace kub {

class DialUp {
public:
    virtual ~DialUp() = default;
    virtual std::vector<std::string> phoneBook() = 0;
    virtual bool isDialUpConnected() = 0;
    // Brings the entry up; false when it did not come up.
    virtual bool dial(const std::string& entry) = 0;
    virtual void hangUp(const std::string& entry) = 0;
};

// A machine without dial-up support: no entries, never connected.
class NoDialUp final : public DialUp {
public:
    std::vector<std::string> phoneBook() override { return {}; }
    bool isDialUpConnected() override { return false; }
    bool dial(const std::string&) override { return false; }
    void hangUp(const std::string&) override {}
};

// NetworkManager's profiles of the kinds that dial: modem and mobile broadband ("gsm",
// "cdma") and PPPoE. Without nmcli everything reads as "no entries, not connected".
class NmcliDialUp final : public DialUp {
public:
    explicit NmcliDialUp(ProcessRunner& runner, std::string nmcli = "nmcli")
        : runner_(runner), nmcli_(std::move(nmcli)) {}
    std::vector<std::string> phoneBook() override;
    bool isDialUpConnected() override;
    bool dial(const std::string& entry) override;
    void hangUp(const std::string& entry) override;

private:
    ProcessRunner& runner_;
    std::string nmcli_;
};

bool isDialUpConnectionType(const std::string& nmType);
// One line of nmcli's terse output into its fields ("\:" is a colon inside a field).
std::vector<std::string> splitNmcliFields(const std::string& line);

}  // namespace kub
