#pragma once
// Whether something the status page shows has changed since the page was last written:
// marked by whatever changes it (a reception, a vehicle moved, a station renamed), taken
// by the status page pass, which writes the page only then.

#include <utility>

namespace kub {

class PageChangeFlag {
public:
    void markPageChanged() { changed_ = true; }
    // True once per change (or run of changes); a change marked after the take is taken
    // by the next pass.
    bool takePageChanged() { return std::exchange(changed_, false); }
    bool pageChangedPending() const { return changed_; }

private:
    bool changed_ = false;
};

}  // namespace kub
