#include "ui_test_support.h"

#include <cmath>
#include <ctime>
#include <fstream>
#include <iterator>
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

std::string ProgramFolder::bytes(const std::string& relative) const {
    std::ifstream in(std::filesystem::path(path_) / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string fileBytes(const std::vector<std::string>& utf8Lines) {
    std::string out;
    for (const auto& l : utf8Lines) out += utf8ToCp1252(l) + "\r\n";
    return out;
}

::testing::AssertionResult sameBytes(const std::string& actual, const std::string& expected) {
    if (actual == expected) return ::testing::AssertionSuccess();
    std::size_t i = 0;
    while (i < actual.size() && i < expected.size() && actual[i] == expected[i]) ++i;
    const std::size_t from = i > 40 ? i - 40 : 0;
    auto show = [from](const std::string& s) {
        std::string out;
        for (std::size_t k = from; k < s.size() && k < from + 100; ++k) {
            const char c = s[k];
            out += c == '\r' ? std::string("\\r") : c == '\n' ? std::string("\\n") : c == '\t' ? std::string("\\t") : std::string(1, c);
        }
        return out;
    };
    return ::testing::AssertionFailure() << "differ at byte " << i << " (sizes " << actual.size() << " and "
                                         << expected.size() << ")\n actual:   ..." << show(actual)
                                         << "\n expected: ..." << show(expected);
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
