// The codeword layer fed with bits directly: sync in both polarities, frames and RICs,
// function bits, the character table, batches cut short, long messages, messages
// running over the end of a batch, and every address a page of its own.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoders/pocsag/pocsag_text.h"
#include "decoders/pocsag/pocsag_words.h"
#include "siggen/pocsag_signal.h"

namespace kub {
namespace {

using siggen::pocsagAlphaCodewords;
using siggen::pocsagCodeword;
using siggen::pocsagMessageCodeword;

constexpr std::uint32_t kIdle = kIdleCodeword;

struct Layer {
    PocsagBitState bits;
    PocsagWordState words;

    Layer() { bits.pocsagState = PocsagPhase::Preamble; }

    // Puts the codewords' bits into the bit ring (inverted if asked) and runs the layer,
    // one batch's worth at a time so the ring never overflows.
    void send(const std::vector<std::uint32_t>& codewords, bool inverted = false) {
        for (std::size_t i = 0; i < codewords.size(); ++i) {
            for (int b = 31; b >= 0; --b) {
                const bool one = ((codewords[i] >> b) & 1u) != inverted;
                bits.bitRing[static_cast<std::size_t>(bits.bitWrite)] = one ? 1.0 : -1.0;
                bits.bitWrite = (bits.bitWrite + 1) % kPocsagRingSize;
            }
            if (i % 16 == 15 || i + 1 == codewords.size()) runCodewordLayer(bits, words);
        }
    }
    // The carrier has gone: whatever was gathered is interpreted.
    void end() {
        bits.transmissionEnded = true;
        runCodewordLayer(bits, words);
    }
};

// A batch: sync, then the 16 given codewords, idles after them.
std::vector<std::uint32_t> batch(std::vector<std::uint32_t> body) {
    body.resize(16, kIdle);
    body.insert(body.begin(), kSyncCodeword);
    return body;
}

using Pages = std::vector<PocsagPage>;

std::uint32_t address(std::uint32_t addressBits18, int function) {
    return pocsagCodeword((addressBits18 << 13) | (static_cast<std::uint32_t>(function) << 11));
}

// Message codewords of raw 7-bit character values (no end of text added).
std::vector<std::uint32_t> characters(const std::vector<unsigned>& values) {
    std::vector<std::uint32_t> words;
    std::uint32_t data = 0;
    int n = 0;
    for (unsigned v : values) {
        for (int b = 0; b < 7; ++b) {
            data = (data << 1) | ((v >> b) & 1u);
            if (++n == 20) {
                words.push_back(pocsagMessageCodeword(data));
                data = 0;
                n = 0;
            }
        }
    }
    if (n) words.push_back(pocsagMessageCodeword(data << (20 - n)));
    return words;
}

TEST(PocsagWords, AddressFrameFunctionAndPolarity) {
    for (bool inverted : {false, true}) {
        for (std::size_t position : {6u, 7u}) {
            SCOPED_TRACE(testing::Message() << "inverted " << inverted << " position " << position);
            Layer layer;
            std::vector<std::uint32_t> body(16, kIdle);
            body[position] = address(123456, 3);
            layer.send({0xAAAAAAAAu, 0xAAAAAAAAu});  // end of a preamble
            layer.send(batch(body), inverted);
            EXPECT_EQ(layer.words.invertedPolarity, inverted);
            EXPECT_EQ(layer.bits.pocsagState, PocsagPhase::BetweenBatches);
            EXPECT_EQ(layer.words.batchWords[0], kSyncCodeword);
            EXPECT_EQ(layer.words.batchWords[position + 1], body[position]);
            EXPECT_EQ(layer.words.syncCount, 1);
            EXPECT_EQ(layer.words.idleCount, 15);
            // A tone-only page: no text, and nothing gathered.
            EXPECT_EQ(layer.words.finishedPages, (Pages{{"987651", 3, ""}}));
            EXPECT_FALSE(layer.words.messageMode);
        }
    }
}

TEST(PocsagWords, CharacterTableWithGermanVariant) {
    Layer layer;
    auto body = characters({'T', 'e', 's', 't', 3, 91, 92, 93, 123, 124, 125, 126, 127, 'Z', 0, 31});
    body.insert(body.begin(), address(1, 0));
    layer.send(batch(body));
    ASSERT_EQ(layer.words.finishedPages.size(), 1u);
    EXPECT_EQ(layer.words.finishedPages[0].text, "Test\xC3\x84\xC3\x96\xC3\x9C\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F<127>Z");

    // The prepared numeric form: digits least significant bit first (1 is 1000), 14 and 15
    // as brackets that differ per channel.
    EXPECT_EQ(numericDigits(0x84C2Au, false), "12345");
    EXPECT_EQ(numericDigits(0x7FDB3u, false), ")(U- ");
    EXPECT_EQ(numericDigits(0x7FDB3u, true), "][U- ");
}

TEST(PocsagWords, EveryAddressIsAPageWithItsOwnFunctionAndText) {
    // Pages back to back without idles between them, a tone-only page between two text
    // pages, message codewords with no address before them, and a page whose message
    // runs into the next batch.
    auto first = pocsagAlphaCodewords("Erste");   // 3 codewords
    auto second = pocsagAlphaCodewords("Zweite"); // 3 codewords
    std::vector<std::uint32_t> body{pocsagMessageCodeword(0x12345), kIdle, address(100, 1)};
    body.insert(body.end(), first.begin(), first.end());
    body.push_back(address(200, 2));  // index 6: frame 3, no message
    body.push_back(address(300, 0));  // index 7: frame 3
    body.insert(body.end(), second.begin(), second.end());
    body.push_back(address(400, 3));  // index 11: frame 5
    const auto third = pocsagAlphaCodewords(std::string(20, 'q'));  // 8 codewords: 4 in this batch
    body.insert(body.end(), third.begin(), third.end());
    body.resize(16);
    Layer layer;
    layer.send(batch(body));
    const Pages soFar{{"801", 1, "Erste"}, {"1603", 2, ""}, {"2403", 0, "Zweite"}};
    EXPECT_EQ(layer.words.finishedPages, soFar);
    std::vector<std::uint32_t> next(third.begin() + 4, third.end());
    layer.send(batch(next));
    Pages all = soFar;
    all.push_back({"3205", 3, std::string(20, 'q')});
    EXPECT_EQ(layer.words.finishedPages, all);
}

TEST(PocsagWords, MessageRunsOverTheBatchEndAndLongOnesStopAt63Codewords) {
    // 70 message codewords: 200 characters, of which the first 63 codewords hold 180.
    std::string text;
    for (int i = 0; text.size() < 200; ++i) text += static_cast<char>('A' + i % 26);
    auto message = pocsagAlphaCodewords(text);
    ASSERT_EQ(message.size(), 71u);  // 200 characters and end of text
    message.resize(70);
    std::vector<std::uint32_t> all{address(4242, 2)};
    all.insert(all.end(), message.begin(), message.end());
    std::vector<std::uint32_t> stream;
    for (std::size_t i = 0; i < all.size(); i += 16) {
        auto b = batch(std::vector<std::uint32_t>(all.begin() + static_cast<long>(i),
                                                  all.begin() + static_cast<long>(std::min(i + 16, all.size()))));
        stream.insert(stream.end(), b.begin(), b.end());
    }
    Layer layer;
    layer.send(stream);
    EXPECT_EQ(layer.words.finishedPages, (Pages{{"33936", 2, text.substr(0, 180)}}));
    EXPECT_EQ(layer.words.syncCount, 5);
}

TEST(PocsagWords, ZeroCodewordCutsTheBatch) {
    Layer layer;
    auto msg = pocsagAlphaCodewords("Vor");
    std::vector<std::uint32_t> body{address(77, 0)};
    body.insert(body.end(), msg.begin(), msg.end());
    body.push_back(kIdle);
    body.push_back(0);  // cuts the batch: what follows is not part of it
    body.push_back(address(999, 3));
    layer.send(batch(body));
    EXPECT_EQ(layer.words.finishedPages, (Pages{{"616", 0, "Vor"}}));
    // Of the ten idles and the address after the zero codeword none was interpreted.
    EXPECT_EQ(layer.words.idleCount, 1);
    EXPECT_FALSE(layer.words.messageMode);
    // The layer looks for the next sync codeword, and the following batch is read.
    EXPECT_EQ(layer.bits.pocsagState, PocsagPhase::BetweenBatches);
    auto next = pocsagAlphaCodewords("Nach");
    next.insert(next.begin(), address(5, 1));
    layer.send(batch(next));
    EXPECT_EQ(layer.words.finishedPages, (Pages{{"616", 0, "Vor"}, {"40", 1, "Nach"}}));
}

TEST(PocsagWords, TransmissionEndingMidBatchInterpretsWhatCame) {
    Layer layer;
    auto msg = pocsagAlphaCodewords("Eins");
    std::vector<std::uint32_t> part{kSyncCodeword, kIdle, kIdle, address(10, 2)};
    part.insert(part.end(), msg.begin(), msg.end());
    part.push_back(kIdle);
    part.push_back(address(11, 3));  // a second message begins, then the carrier goes
    part.push_back(pocsagMessageCodeword(0x12345));
    layer.send(part);
    EXPECT_EQ(layer.bits.pocsagState, PocsagPhase::InBatch);
    EXPECT_TRUE(layer.words.finishedPages.empty());
    layer.end();
    EXPECT_EQ(layer.words.finishedPages, (Pages{{"81", 2, "Eins"}}));
    EXPECT_TRUE(layer.words.messageMode);  // the unfinished message is still open
    EXPECT_EQ(layer.words.messageWordCount, 1);
    EXPECT_FALSE(layer.words.batchReady);
    // Cut off by the end of the transmission, it is a page without its unfinished text,
    // which is marked missing.
    finishPage(layer.words, false);
    EXPECT_EQ(layer.words.finishedPages, (Pages{{"81", 2, "Eins"}, {"91", 3, "\u2026"}}));
    EXPECT_FALSE(layer.words.finishedPages.back().complete);
}

}  // namespace
}  // namespace kub
