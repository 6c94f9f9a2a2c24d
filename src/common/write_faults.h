#pragma once
// Which data files currently cannot be written. A full disk or a read-only folder makes
// every reception fail to write; the user is told once when the trouble starts and once
// when it is over, not with every reception.

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kub {

class WriteFaults {
public:
    struct News {
        bool recovered = false;  // every file can be written again
        std::string message;     // otherwise: the fault to show now
    };

    // The outcome of one write. `kind` names the file family ("FMS-Logbuch",
    // "Statusdatei", …); `message` is what the user reads when it fails. Gives what the
    // user is to be told, nothing when this write changes nothing for them: a failure
    // while a fault is already shown, a success while another family still fails, a
    // success where nothing failed.
    std::optional<News> written(const std::string& kind, bool ok, const std::string& message);

    bool faulty() const { return !failing_.empty(); }

private:
    std::vector<std::pair<std::string, std::string>> failing_;  // kind, message
};

}  // namespace kub
