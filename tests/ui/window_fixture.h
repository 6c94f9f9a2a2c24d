#pragma once
// The set-up nearly every window test starts with: a dialog service that records instead
// of waiting for a person, an empty program folder, a clock at the test epoch, and the
// main window on that folder once the test has put its files there.

#include <gtest/gtest.h>

#include <optional>

#include "common/clock.h"
#include "ui/main_window.h"
#include "ui_test_support.h"

namespace kub::test {

class WindowTest : public ::testing::Test {
protected:
    ui::MainWindow& open() { return window_.emplace(folder.path(), clock); }

    RecordingDialogs dialogs;
    ProgramFolder folder;
    ManualClock clock{testEpoch()};

private:
    std::optional<ui::MainWindow> window_;  // closed before the folder and the dialogs go
};

}  // namespace kub::test
