#pragma once
// What other receiver sites have reported, as the reception handling of every decoder
// asks it before it reports a reception heard here: a page that another transmitter of
// the network sent a few seconds earlier, and a site picked up first, is the same page.

#include "core/reception_record.h"

namespace kub {

class SiteReports {
public:
    virtual ~SiteReports() = default;
    // True when a site reported the same transmission within its window (3 s; 20 s for a
    // ZVEI code or a RIC): the reception is then already shown, and the shown row now names
    // this monitor as a source as well. The caller reports nothing more.
    virtual bool heardElsewhere(const ReceptionRecord& local) = 0;
};

}  // namespace kub
