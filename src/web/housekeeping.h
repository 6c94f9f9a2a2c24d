#pragma once
// The main window's housekeeping pass: alert entries older than four minutes leave the
// alert lists, and a changed status page is written and copied to the web server.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "common/clock.h"
#include "common/page_change.h"
#include "core/reception_window.h"
#include "storage/settings.h"

namespace kub {

// "07.12.2026 04:33:51", "07.12.2026 04:33" or "07.12.2026" (midnight).
std::optional<LocalTime> parseDateTimeText(const std::string& text);
// How many minute boundaries lie between `from` and `to` (negative when `to` is earlier).
long minuteBoundariesBetween(const LocalTime& from, const LocalTime& to);

// Removes from List1 and List2 every entry whose date (after its first TAB) lies more
// than four minute boundaries back; an emptied list turns light grey. Entries without a
// readable date stay, and so does every emergency call in List3 until acknowledged.
void ageAlertLists(ReceptionWindow& window, const LocalTime& now);

class Housekeeping {
public:
    struct Hooks {
        // Writes "status.html" (the page writer); the upload copies it to the server.
        std::function<void()> writeStatusPage;
        std::function<void()> uploadStatusPage;
    };

    Housekeeping(ReceptionWindow& window, const Clock& clock, const Settings& settings,
                 PageChangeFlag& pageChange, Hooks hooks)
        : window_(window), clock_(clock), settings_(settings), pageChange_(pageChange),
          hooks_(std::move(hooks)) {}

    // One pass. A pass that comes due while the previous one still uploads is skipped;
    // the next one catches up.
    void pass();
    bool running() const { return running_; }

private:
    ReceptionWindow& window_;
    const Clock& clock_;
    const Settings& settings_;
    PageChangeFlag& pageChange_;
    Hooks hooks_;
    bool running_ = false;
};

}  // namespace kub
