// Telegram fields, the Kennung, the plausibility rules, the text-transmission state
// machine, and the code tables.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoders/fms/fms_code_tables.h"
#include "decoders/fms/fms_telegram.h"

namespace kub {
namespace {

// Builds slices bit by bit; fields least significant bit first.
struct Slice {
    std::vector<std::uint8_t> bits;
    std::string text;
    explicit Slice(int n) : bits(static_cast<std::size_t>(n), 1), text(static_cast<std::size_t>(n), '1') {}
    void set(int first, int width, int value) {
        for (int k = 0; k < width; ++k) put(first + k, static_cast<std::uint8_t>((value >> k) & 1));
    }
    void put(int k, std::uint8_t b) {
        bits[static_cast<std::size_t>(k)] = b;
        text[static_cast<std::size_t>(k)] = static_cast<char>('0' + b);
    }
    FmsBits view() const { return {bits.data(), text.c_str(), static_cast<int>(bits.size())}; }
};

Slice firstTelegram(std::vector<int> digits, int status, int direction, int tki) {
    Slice s(56);
    s.set(0, 8, 0x58);  // the sync word, as sent
    for (int i = 0; i < 8; ++i) s.set(8 + 4 * i, 4, digits[static_cast<std::size_t>(i)]);
    s.set(40, 4, status);
    s.set(44, 1, 0);
    s.set(45, 1, direction);
    s.set(46, 2, tki);
    return s;
}

Slice followUp(bool first, int announced, std::vector<int> chars, int endMarker) {
    Slice s(48);
    int at = 0;
    if (first) {
        s.set(0, 1, 0);
        s.set(1, 7, announced);
        at = 8;
    }
    for (int c : chars) {
        s.set(at, 7, c);
        s.set(at + 7, 1, 0);
        at += 8;
    }
    s.set(32, 4, endMarker);
    return s;
}

TEST(FmsTelegram, FieldsAndKennung) {
    FmsTelegramState st;
    bool busy = false;
    auto s = firstTelegram({6, 2, 3, 11, 1, 2, 3, 4}, 7, 1, 2);
    EXPECT_TRUE(st.evaluate(s.view(), busy));
    EXPECT_EQ(st.kennung(), "623B1234");
    EXPECT_EQ(st.status(), 7);
    EXPECT_EQ(st.direction(), 1);
    EXPECT_EQ(st.tki(), 2);
    EXPECT_EQ(st.undecidablePosition(), 0);
    EXPECT_TRUE(fmsReceptionPlausible(st));

    // A vehicle digit of 12 writes two characters: nine in all, rejected.
    s = firstTelegram({6, 2, 3, 11, 1, 12, 3, 4}, 3, 0, 0);
    st.evaluate(s.view(), busy);
    EXPECT_EQ(st.kennung(), "623B11234");
    EXPECT_FALSE(fmsReceptionPlausible(st));
}

TEST(FmsTelegram, PlausibilityRules) {
    FmsTelegramState st;
    bool busy = false;
    auto check = [&](std::vector<int> digits) {
        auto s = firstTelegram(digits, 3, 0, 0);
        st.evaluate(s.view(), busy);
        return fmsReceptionPlausible(st);
    };
    EXPECT_FALSE(check({6, 0, 0, 0, 0, 0, 0, 1}));  // 60000001: six zeros
    EXPECT_TRUE(check({6, 1, 0, 0, 0, 0, 0, 1}));   // 61000001: five
    EXPECT_FALSE(check({0, 0, 0, 0, 1, 2, 3, 4}));
    EXPECT_FALSE(check({15, 15, 15, 15, 1, 2, 3, 4}));
    EXPECT_TRUE(check({15, 15, 15, 14, 1, 2, 3, 4}));

    // An undecidable bit anywhere in the first 48 rejects the telegram; behind them not.
    for (int pos : {0, 7, 20, 47}) {
        auto s = firstTelegram({6, 2, 3, 4, 1, 2, 3, 4}, 3, 0, 0);
        s.put(pos, 2);
        st.evaluate(s.view(), busy);
        EXPECT_EQ(st.undecidablePosition(), pos + 1);
        EXPECT_FALSE(fmsReceptionPlausible(st));
    }
    auto s = firstTelegram({6, 2, 3, 4, 1, 2, 3, 4}, 3, 0, 0);
    s.put(50, 2);
    st.evaluate(s.view(), busy);
    EXPECT_TRUE(fmsReceptionPlausible(st));
}

TEST(FmsTelegram, FieldValueAndHexDigitWithUndecidableBits) {
    Slice s(48);
    s.set(0, 4, 0);
    s.put(1, 2);  // bit 1 undecidable: sets bit 2 of the value
    EXPECT_EQ(fieldValue(s.view(), 0, 3), 4);
    s.set(4, 4, 15);
    s.put(7, 2);  // 0b0111 | (2 << 3) = 7 + 16
    EXPECT_EQ(fieldValue(s.view(), 4, 7), 23);
    EXPECT_EQ(hexDigit(s.view(), 4, 7), "");
    s.set(8, 4, 11);
    EXPECT_EQ(hexDigit(s.view(), 8, 11), "B");
}

TEST(FmsTelegram, Status10AnnouncesTextOnlyTowardsTheVehicle) {
    FmsTelegramState st;
    bool busy = false;
    auto s = firstTelegram({6, 2, 3, 4, 1, 2, 3, 4}, 10, 0, 0);
    EXPECT_TRUE(st.evaluate(s.view(), busy));
    EXPECT_FALSE(busy);

    s = firstTelegram({6, 2, 3, 4, 1, 2, 3, 4}, 10, 1, 0);
    EXPECT_FALSE(st.evaluate(s.view(), busy));
    EXPECT_TRUE(busy);

    // A broken announcement starts nothing and is rejected.
    busy = false;
    s.put(30, 2);
    EXPECT_TRUE(st.evaluate(s.view(), busy));
    EXPECT_FALSE(busy);
    EXPECT_FALSE(fmsReceptionPlausible(st));
}

TEST(FmsTelegram, TextTransmissionEndsByCountMarkerOrEndCharacter) {
    auto announce = [](FmsTelegramState& st, bool& busy) {
        busy = false;
        auto s = firstTelegram({6, 2, 3, 4, 1, 2, 3, 4}, 10, 1, 3);
        st.evaluate(s.view(), busy);
        ASSERT_TRUE(busy);
    };
    FmsTelegramState st;
    bool busy = false;

    // Announced 2: ends after the third follow-up telegram (3 > 2).
    announce(st, busy);
    EXPECT_FALSE(st.evaluate(followUp(true, 2, {'E', 'i', 'n'}, 0).view(), busy));
    EXPECT_FALSE(st.evaluate(followUp(false, 0, {'s', 'a', 't', 'z'}, 0).view(), busy));
    EXPECT_TRUE(st.evaluate(followUp(false, 0, {' ', 'B', 'A', 'B'}, 0).view(), busy));
    EXPECT_EQ(st.text(), "Einsatz BAB");
    EXPECT_EQ(st.kennung(), "62341234");
    EXPECT_EQ(st.status(), 10);
    EXPECT_EQ(st.tki(), 3);
    EXPECT_TRUE(fmsReceptionPlausible(st));

    // The end marker 11 ends it early; control codes other than 4 are dropped.
    announce(st, busy);
    EXPECT_FALSE(st.evaluate(followUp(true, 9, {'A', 1, 'B'}, 0).view(), busy));
    EXPECT_TRUE(st.evaluate(followUp(false, 0, {'C', 0, 31, 'D'}, 11).view(), busy));
    EXPECT_EQ(st.text(), "ABCD");

    // Code 4 ends it, the rest of the telegram still counts; end marker in the first one.
    announce(st, busy);
    EXPECT_TRUE(st.evaluate(followUp(true, 9, {'X', 4, 'Y'}, 0).view(), busy));
    EXPECT_EQ(st.text(), "XY");
    announce(st, busy);
    EXPECT_TRUE(st.evaluate(followUp(true, 9, {'Q', 'R', 'S'}, 11).view(), busy));
    EXPECT_EQ(st.text(), "QRS");

    // A follow-up with an undecidable bit becomes "---", the transmission goes on.
    announce(st, busy);
    st.evaluate(followUp(true, 3, {'a', 'b', 'c'}, 0).view(), busy);
    auto broken = followUp(false, 0, {'d', 'e', 'f', 'g'}, 11);
    broken.put(10, 2);
    EXPECT_FALSE(st.evaluate(broken.view(), busy));
    EXPECT_TRUE(st.evaluate(followUp(false, 0, {'h', 'i', 0, 0}, 11).view(), busy));
    EXPECT_EQ(st.text(), "abc---hi");
    EXPECT_EQ(st.undecidablePosition(), 0);
}

TEST(FmsTelegram, TextTransmissionHasAtMost26FollowUps) {
    FmsTelegramState st;
    bool busy = false;
    auto s = firstTelegram({6, 2, 3, 4, 1, 2, 3, 4}, 10, 1, 0);
    st.evaluate(s.view(), busy);
    int telegrams = 1;
    EXPECT_FALSE(st.evaluate(followUp(true, 127, {'a', 'b', 'c'}, 0).view(), busy));
    while (!st.evaluate(followUp(false, 0, {'d', 'e', 'f', 'g'}, 0).view(), busy)) {
        ++telegrams;
        ASSERT_LT(telegrams, 40);
    }
    EXPECT_EQ(st.textTelegramCount(), 26);
    EXPECT_EQ(st.text().size(), 3u + 25u * 4u);
}

TEST(FmsCodeTables, NamesArePaddedAndLettersFollowTheDirection) {
    EXPECT_EQ(organisationName("6"), "Feuerwehr" + std::string(23, ' '));
    EXPECT_EQ(stateName("F"), "Th/Brandenb" + std::string(5, ' '));
    // Width counts characters, not bytes.
    EXPECT_EQ(stateName("2"), "Bad-Würt" + std::string(8, ' '));
    EXPECT_EQ(organisationName("D"), "Rettungsdienst" + std::string(18, ' '));
    EXPECT_EQ(statusText(15, 1), "Quittung");
    EXPECT_EQ(statusText(15, 0), "15");
    EXPECT_EQ(statusText(3, 1), "C");
    EXPECT_EQ(statusText(10, 1), "c");
    EXPECT_EQ(statusText(0, 1), "0");
    EXPECT_EQ(directionText(0), "Fzg->Lst");
    EXPECT_EQ(directionText(1), "Lst->Fzg");
}

}  // namespace
}  // namespace kub
