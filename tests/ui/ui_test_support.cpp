#include "ui_test_support.h"

#include <cmath>
#include <ctime>
#include <random>

#include <QDialog>

#include "storage/text_file.h"

namespace kub::test {

int RecordingDialogs::exec(QDialog& dialog) {
    prompts.push_back({QStringLiteral("dialog"), {}, dialog.windowTitle(), {}});
    if (!onDialog) return QDialog::Rejected;
    return onDialog(dialog);
}

ProgramFolder::ProgramFolder() {
    std::random_device rd;
    const auto dir = std::filesystem::temp_directory_path() /
                     ("kub-ui-" + std::to_string(::getpid()) + "-" + std::to_string(rd()));
    std::filesystem::create_directories(dir);
    path_ = dir.string();
}

ProgramFolder::~ProgramFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void ProgramFolder::write(const std::string& relative, const std::vector<std::string>& lines) const {
    const auto p = std::filesystem::path(path_) / relative;
    std::filesystem::create_directories(p.parent_path());
    writeTextLines(p.string(), lines);
}

std::vector<std::string> ProgramFolder::read(const std::string& relative) const {
    return readTextLines((std::filesystem::path(path_) / relative).string()).value_or(std::vector<std::string>{});
}

bool ProgramFolder::exists(const std::string& relative) const {
    return std::filesystem::exists(std::filesystem::path(path_) / relative);
}

double testEpoch() {
    std::tm tm{};
    tm.tm_year = 2026 - 1900;
    tm.tm_mon = 11;
    tm.tm_mday = 7;
    tm.tm_hour = 10;
    tm.tm_min = 30;
    tm.tm_isdst = -1;
    return static_cast<double>(std::mktime(&tm));
}

void feedBothChannels(MonitorCore& core, const std::vector<float>& mono) {
    std::size_t pos = 0;
    // Two blocks of silence after the signal let the decoders finish it.
    const std::size_t total = mono.size() + 2 * kBlockFrames;
    while (pos < total) {
        CaptureBlock& block = core.dispatcher.captureBuffers[static_cast<std::size_t>(core.dispatcher.currentBuffer())];
        for (int k = 0; k < kBlockFrames; ++k, ++pos) {
            const float v = pos < mono.size() ? mono[pos] : 0.0f;
            const auto s = static_cast<std::int16_t>(std::lround(std::clamp(v, -1.0f, 1.0f) * 32767.0f));
            block[static_cast<std::size_t>(2 * k)] = s;
            block[static_cast<std::size_t>(2 * k + 1)] = s;
        }
        core.dispatcher.processCaptureBuffer();
    }
}

}  // namespace kub::test
