#include "support/soak_run.h"

#include <cstdio>
#include <cstring>
#include <fstream>

#include "core/day_log_reload.h"
#include "storage/day_log.h"
#include "storage/receiver_list.h"
#include "storage/settings.h"
#include "storage/text_file.h"
#include "storage/vehicle_table.h"

namespace kubtest {

long SoakTally::missingCount() const {
    long n = 0;
    for (int k = 0; k < 3; ++k) n += expected[static_cast<std::size_t>(k)] - received[static_cast<std::size_t>(k)];
    return n;
}

namespace {

void prepareFolder(const std::string& folder) {
    kub::Settings s = kub::defaultSettings();
    s.fmsLeft = s.zveiLeft = s.pocsagLeft = s.fmsRight = s.zveiRight = s.pocsagRight = 1;
    kub::saveSettings(folder, s);
    kub::createProgramFolders(folder);
    // The vehicles the traffic talks about, named on the board, and a few receivers.
    std::vector<std::string> fzg;
    for (int side = 0; side < 2; ++side)
        for (long i = 0; i < 16; ++i)
            fzg.push_back("Florian " + std::to_string(side * 16 + i + 1) + "\tHLF\t" +
                          siggen::trafficKennung(i, side == 1));
    kub::writeTextLines(kub::vehicleFilePath(folder), fzg);
    kub::writeTextLines(kub::receiverListPath(folder),
                        {"00000\tNullen\t255", "07919\tWehr Nord\t65280", "1004099\tKBM\t255"});
    kub::writeTextLines(kub::assignmentPath(folder), {siggen::trafficKennung(1, false) + "\t07919\tFlorian 2"});
}

}  // namespace

SoakRun::SoakRun(const std::string& folder, double startEpoch, double noiseRms)
    : folder_(folder), noise_(noiseRms), clock_(startEpoch), core_(clock_, window_) {
    prepareFolder(folder);
    // As the monitor starts: settings, board, status files, receivers, today's logs.
    const kub::Settings s = kub::loadSettings(folder);
    core_.applyDecoderSwitches(s);
    core_.context.programFolder = folder;
    core_.context.vehicles.applyLayout(s.layout);
    kub::loadVehicleTable(folder, core_.context.vehicles);
    kub::loadStatusFiles(folder, core_.context.vehicles);
    core_.context.receivers.load(folder);
    kub::reloadFmsLog(folder, clock_, window_);
    kub::reloadZveiLog(folder, clock_, window_);
    kub::reloadPocLog(folder, clock_, window_);
    // The window keeps what the monitor's own limits leave; nothing is recorded besides.
    window_.setRecording(false);
    window_.onReceptionLine = [this](const std::string& line) { onLine(line); };
    core_.context.reportWriteFailure = [this](const std::string& message) {
        ++writeFailures;
        failureMessages.push_back(message);
    };
    core_.context.reportWriteRecovered = [this] { ++recoveries; };
}

void SoakRun::onLine(const std::string& line) {
    for (auto it = owed_.begin(); it != owed_.end(); ++it) {
        if (line.compare(0, it->what.linePrefix.size(), it->what.linePrefix) == 0) {
            ++tally_.received[static_cast<std::size_t>(it->what.kind)];
            owed_.erase(it);
            return;
        }
    }
    const std::size_t kind = line.rfind("##FMS", 0) == 0 ? 0 : line.rfind("##ZVEI", 0) == 0 ? 1 : 2;
    ++tally_.unexpected[kind];
    if (tally_.strays.size() < 10) tally_.strays.push_back(line);
}

void SoakRun::expire(long beforeCycle) {
    while (!owed_.empty() && owed_.front().cycle < beforeCycle) {
        if (tally_.missing.size() < 10) tally_.missing.push_back(owed_.front().what.linePrefix);
        owed_.pop_front();
    }
}

void SoakRun::run(long cycles) {
    for (long n = 0; n < cycles; ++n, ++nextCycle_) {
        const siggen::TrafficCycle c = siggen::mixedTrafficCycle(nextCycle_, noise_);
        for (const auto& e : c.expected) {
            ++tally_.expected[static_cast<std::size_t>(e.kind)];
            owed_.push_back({nextCycle_, e});
        }
        const std::vector<std::int16_t> samples = c.track.toInterleaved16();
        std::size_t pos = 0;
        while (pos < samples.size()) {
            auto& block = core_.dispatcher.captureBuffers[static_cast<std::size_t>(core_.dispatcher.currentBuffer())];
            for (auto& s : block) s = pos < samples.size() ? samples[pos++] : 0;
            core_.dispatcher.processCaptureBuffer();
            clock_.advanceFrames(kub::kBlockFrames);
        }
        // A reception may come out a block or two into the next cycle; older ones are lost.
        expire(nextCycle_ - 1);
    }
}

void SoakRun::finish() {
    // Two seconds of silence let the last receptions out.
    for (int b = 0; b < 2 * kub::kSampleRate / kub::kBlockFrames; ++b) {
        core_.dispatcher.captureBuffers[static_cast<std::size_t>(core_.dispatcher.currentBuffer())].fill(0);
        core_.dispatcher.processCaptureBuffer();
        clock_.advanceFrames(kub::kBlockFrames);
    }
    expire(nextCycle_);
}

SoakSizes SoakRun::sizes() const {
    SoakSizes z;
    for (int t = 0; t < 3; ++t)
        z.tableRows[static_cast<std::size_t>(t)] = window_.tableRowCount(static_cast<kub::ReceptionTable>(t));
    for (int l = 1; l <= 3; ++l)
        z.alertLines[static_cast<std::size_t>(l - 1)] = window_.alertLineCount(static_cast<kub::AlertList>(l));
    z.vehicles = core_.context.vehicles.vehicleTable.size();
    z.receivers = core_.context.receivers.receiverList.size();
    z.assignments = core_.context.receivers.assignmentList.size();
    z.heldNotices = core_.dispatcher.heldNotices();
    return z;
}

double SoakRun::streamSeconds() const { return static_cast<double>(clock_.frames()) / kub::kSampleRate; }

ProcessMemory processMemory() {
    ProcessMemory m;
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("VmRSS:", 0) == 0) m.rssKb = std::atol(line.c_str() + 6);
        if (line.rfind("VmHWM:", 0) == 0) m.hwmKb = std::atol(line.c_str() + 6);
    }
    return m;
}

}  // namespace kubtest
