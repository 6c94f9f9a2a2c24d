// The dispatch rules: channel split, meters, decoder order under the busy flags, buffer
// rotation and notices that arrive while a block is still being handled.

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "capture/block_dispatcher.h"
#include "decoders/decoder_set.h"

namespace kub {
namespace {

// Records every call into one shared journal, with a snapshot of its input.
struct Journal {
    std::vector<std::string> calls;
};

class FakeDecoder {
public:
    FakeDecoder(Journal& j, std::string name) : journal(j), name_(std::move(name)) {}
    void process(const SampleArray& samples) {
        journal.calls.push_back(name_);
        lastInput.assign(samples.begin(), samples.end());
        if (onCall) onCall();
    }
    Journal& journal;
    std::vector<double> lastInput;
    std::function<void()> onCall;

private:
    std::string name_;
};

// One channel's fake decoders under the real order and busy flags.
struct FakeChannel {
    FakeChannel(Journal& j, const char* side)
        : fms(j, std::string("F") + side), zvei(j, std::string("Z") + side), poc(j, std::string("P") + side) {}
    void process(const SampleArray& samples) {
        runDecodersInOrder(flags, on, [&] { fms.process(samples); }, [&] { zvei.process(samples); },
                           [&] { poc.process(samples); });
    }
    FakeDecoder fms, zvei, poc;
    BusyFlags flags;
    DecoderSwitches on{true, true, true};
};

struct Sink : StereoBlockSink {
    Sink(FakeChannel& l, FakeChannel& r) : left(l), right(r) {}
    void takeStereoBlock(const SampleArray& l, const SampleArray& r, const MeterValues& m) override {
        lastMeters = {m.meanLeft, m.peakLeft, m.meanRight, m.peakRight};
        left.process(l);
        right.process(r);
    }
    FakeChannel& left;
    FakeChannel& right;
    std::array<int, 4> lastMeters{-1, -1, -1, -1};
};

struct Requeue : BlockRequeue {
    std::vector<int> blocks;
    std::function<void()> onRequeue;
    void requeueBuffer(int n) override {
        blocks.push_back(n);
        if (onRequeue) onRequeue();
    }
};

class Dispatch : public ::testing::Test {
protected:
    Journal j;
    FakeChannel left{j, "L"}, right{j, "R"};
    FakeDecoder &fmsL = left.fms, &fmsR = right.fms, &zveiL = left.zvei, &pocR = right.poc;
    FakeDecoder &pocL = left.poc;
    Sink window{left, right};
    BlockDispatcher d{window};
    Requeue requeue;

    void SetUp() override { d.setRequeue(&requeue); }

    void fill(int block, std::int16_t l, std::int16_t r) {
        auto& b = d.captureBuffers[static_cast<std::size_t>(block)];
        for (int k = 0; k < kBlockFrames; ++k) {
            b[static_cast<std::size_t>(2 * k)] = l;
            b[static_cast<std::size_t>(2 * k + 1)] = r;
        }
    }
};

TEST_F(Dispatch, SplitsChannelsIntoEveryEnabledDecoderInFixedOrder) {
    auto& b = d.captureBuffers[0];
    for (int k = 0; k < kBlockFrames; ++k) {
        b[static_cast<std::size_t>(2 * k)] = static_cast<std::int16_t>(k);
        b[static_cast<std::size_t>(2 * k + 1)] = static_cast<std::int16_t>(-k);
    }
    d.processCaptureBuffer();
    EXPECT_EQ(j.calls, (std::vector<std::string>{"FL", "ZL", "PL", "FR", "ZR", "PR"}));
    for (auto* in : {&fmsL.lastInput, &zveiL.lastInput, &pocL.lastInput}) {
        ASSERT_EQ(in->size(), 1024u);
        EXPECT_EQ((*in)[0], 0.0);
        EXPECT_EQ((*in)[1023], 1023.0);
    }
    EXPECT_EQ(fmsR.lastInput[1023], -1023.0);
    EXPECT_EQ(pocR.lastInput[5], -5.0);
}

TEST_F(Dispatch, SilenceGivesZeroMetersAndZeroInputs) {
    d.processCaptureBuffer();
    EXPECT_EQ(window.lastMeters, (std::array<int, 4>{0, 0, 0, 0}));
    EXPECT_EQ(fmsL.lastInput, std::vector<double>(1024, 0.0));
    EXPECT_EQ(j.calls.size(), 6u);
}

TEST_F(Dispatch, MetersClipAndRoundHalvesToEven) {
    fill(0, -32768, 0);
    d.processCaptureBuffer();
    EXPECT_EQ(window.lastMeters[0], 32760);
    EXPECT_EQ(window.lastMeters[1], 32760);

    // Sum 512 -> mean 0.5 -> 0; sum 1536 -> mean 1.5 -> 2.
    auto& b = d.captureBuffers[1];
    b.fill(0);
    for (int k = 0; k < 512; ++k) b[static_cast<std::size_t>(2 * k)] = 1;
    for (int k = 0; k < 512; ++k) b[static_cast<std::size_t>(2 * k + 1)] = 3;
    d.processCaptureBuffer();
    EXPECT_EQ(window.lastMeters, (std::array<int, 4>{0, 1, 2, 3}));
}

TEST_F(Dispatch, AllSwitchesOffOnlyMovesTheMeters) {
    for (FakeChannel* c : {&left, &right}) c->on = {};
    fill(0, 100, -200);
    d.processCaptureBuffer();
    EXPECT_TRUE(j.calls.empty());
    EXPECT_TRUE(fmsL.lastInput.empty());  // a decoder switched off never sees a block
    EXPECT_EQ(window.lastMeters, (std::array<int, 4>{100, 100, 200, 200}));
}

TEST_F(Dispatch, OnlyTheDecodersSwitchedOnRun) {
    left.on = {false, false, true};
    right.on = {};
    d.processCaptureBuffer();
    EXPECT_EQ(j.calls, (std::vector<std::string>{"PL"}));
}

TEST_F(Dispatch, PocsagBusyKeepsFmsAndZveiOffAndLeavesZveiFlag) {
    left.flags.pocsagBusy = true;
    left.flags.zveiDecoded = true;
    d.processCaptureBuffer();
    // POCSAG is not called either: the ZVEI flag stays set while POCSAG is busy.
    EXPECT_EQ(j.calls, (std::vector<std::string>{"FR", "ZR", "PR"}));
    EXPECT_TRUE(left.flags.zveiDecoded);

    left.flags.zveiDecoded = false;
    j.calls.clear();
    d.processCaptureBuffer();
    EXPECT_EQ(j.calls, (std::vector<std::string>{"PL", "FR", "ZR", "PR"}));
}

TEST_F(Dispatch, ZveiFlagSkipsFmsOnceAndPocsagOnlyWhileZveiKeepsSettingIt) {
    left.flags.zveiDecoded = true;
    zveiL.onCall = [&] { left.flags.zveiDecoded = true; };  // ZVEI decodes again
    d.processCaptureBuffer();
    EXPECT_EQ(j.calls, (std::vector<std::string>{"ZL", "FR", "ZR", "PR"}));

    zveiL.onCall = nullptr;  // ZVEI quiet in this block
    j.calls.clear();
    d.processCaptureBuffer();
    EXPECT_EQ(j.calls, (std::vector<std::string>{"ZL", "PL", "FR", "ZR", "PR"}));
    EXPECT_FALSE(left.flags.zveiDecoded);
}

TEST_F(Dispatch, FmsBusySetInABlockKeepsZveiAndPocsagOutOfThatBlock) {
    fmsR.onCall = [&] { right.flags.fmsBusy = true; };
    d.processCaptureBuffer();
    EXPECT_EQ(j.calls, (std::vector<std::string>{"FL", "ZL", "PL", "FR"}));
}

TEST_F(Dispatch, BuffersRotateAndAreHandedBackOnceEach) {
    for (int b = 0; b < 10; ++b) fill(b, static_cast<std::int16_t>(b * 10), 0);
    for (int n = 0; n < 12; ++n) d.processCaptureBuffer();
    EXPECT_EQ(requeue.blocks, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1}));
    EXPECT_EQ(d.currentBuffer(), 2);
    EXPECT_EQ(fmsL.lastInput[0], 10.0);  // block 1 again
    d.resetBuffers();
    EXPECT_EQ(d.currentBuffer(), 0);
}

TEST_F(Dispatch, NoticesDuringHandlingAreHeldAndHandledInOrder) {
    for (int b = 0; b < 10; ++b) fill(b, static_cast<std::int16_t>(b + 1), 0);
    std::vector<double> seen;
    int nested = 0;
    fmsL.onCall = [&] {
        seen.push_back(fmsL.lastInput[0]);
        // The export pauses and lets the event loop deliver two more notices.
        if (nested++ == 0) {
            d.processCaptureBuffer();
            d.processCaptureBuffer();
            EXPECT_EQ(d.heldNotices(), 2);
            EXPECT_EQ(seen.size(), 1u);  // nothing nested
        }
    };
    d.processCaptureBuffer();
    EXPECT_EQ(seen, (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(requeue.blocks, (std::vector<int>{0, 1, 2}));
    EXPECT_FALSE(d.processingGuard());
    EXPECT_EQ(d.blocksHandled(), 3);
}

}  // namespace
}  // namespace kub
