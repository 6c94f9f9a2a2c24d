// What is read from an alarm text: whether it is encrypted (German texts with umlauts
// and abbreviations are not), and its fields by the default keyword or by expressions
// with named groups.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/cipher_text.h"
#include "core/text_fields.h"
#include "siggen/repeatable_random.h"

namespace kub {
namespace {

// Random 7-bit pager characters as the receiver shows them (brackets become umlauts).
std::string randomPagerText(unsigned seed, int length) {
    siggen::RepeatableRandom gen(seed);
    std::string s;
    for (int i = 0; i < length; ++i) {
        const int c = gen.between(32, 126);
        static const char* const umlauts[] = {"Ä", "Ö", "Ü", "", "", "", "", "", "", "", "", "", "", "", "", "", "",
                                              "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "",
                                              "", "", "", "ä", "ö", "ü", "ß"};
        if (c >= 91 && c <= 93) s += umlauts[c - 91];
        else if (c >= 123) s += umlauts[c - 123 + 37];
        else s += static_cast<char>(c);
    }
    return s;
}

TEST(CipherText, PlainGermanIsNotEncryptedAndCipherTextIs) {
    const char* plain[] = {
        "B3 Brand Wohnhaus Hauptstr. 5, 2.OG, Pers. i. Gef.",
        "THL1 VU PKW gegen Baum, B27 Höhe Abzw. Öschingen",
        "RD 1 Übung Feuerwehrhaus Süßen, Gerätehaus Straße 7",
        "F2 Rauchentwicklung Schulstr. 12a, 73033 Göppingen, Melder: Müller 0171-1234567",
        "H1 Ölspur K1234 zw. Adelberg u. Börtlingen",
        "ALARM ALARM FEUER GROSS BMA AUSGELÖST",
        "RettD: NA-Einsatz, BAB A8 km 123,5 FR Stuttgart",
        "+++TIME=0008300324+++TIME=0008300324",
        "Probe",
        "Kurz!",
    };
    for (const char* t : plain) EXPECT_FALSE(looksEncrypted(t)) << t;
    const std::string cipher[] = {
        "U2FsdGVkX1+9kQk2d3hZ4v7m1x0AbQ==",
        "3A7F9C22B1E04D5F8E2A17C6",
        "q}Zw8^kL#xR2@pV<tM9`nB_",
        "x7Hk2Lm9Qp4Rt8Vw3Zy6Bc1Df5",
    };
    for (const auto& t : cipher) EXPECT_TRUE(looksEncrypted(t)) << t;
    for (unsigned seed = 1; seed <= 50; ++seed) {
        const std::string t = randomPagerText(seed, 40);
        EXPECT_TRUE(looksEncrypted(t)) << t;
    }
}

TEST(TextFields, TheLeadingKeywordByDefault) {
    const TextFields fields;
    struct Case {
        const char* text;
        const char* keyword;  // "" for none
    };
    const Case cases[] = {
        {"B3 Brand Wohnhaus", "B3"},      {"THL1 VU PKW", "THL1"},  {"RD 1 Notfall", "RD 1"},
        {"  F2 Kaminbrand", "F2"},        {"H1 Ölspur", "H1"},      {"B2Y Brand Person", "B2Y"},
        {"Brand Wohnhaus B3", ""},        {"12345 Musterstadt", ""}, {"ABCDE1 x", ""},
        {"B123 Brand", ""},
    };
    for (const Case& c : cases) {
        const auto got = fields.read(c.text);
        if (*c.keyword) {
            EXPECT_EQ(got, (std::vector<std::pair<std::string, std::string>>{{"stichwort", c.keyword}})) << c.text;
        } else {
            EXPECT_TRUE(got.empty()) << c.text;
        }
    }
}

TEST(TextFields, NamedGroupsInOrderAndTheFirstEntryWins) {
    const TextFields fields({{"", R"(^(?<stichwort>\S+)\s+(?<meldung>.*?),\s*(?<adresse>[^,]+?)(?:,\s*(?<objekt>Obj\..*))?$)"},
                             {"", R"(^(?<stichwort>[A-Z]+))"},
                             {"einsatznummer", R"(\bE-[0-9]+\b)"}});
    EXPECT_EQ(fields.read("B3 Brand Wohnhaus, Hauptstr. 5 E-4711"),
              (std::vector<std::pair<std::string, std::string>>{
                  {"stichwort", "B3"}, {"meldung", "Brand Wohnhaus"}, {"adresse", "Hauptstr. 5 E-4711"},
                  {"einsatznummer", "E-4711"}}));
    EXPECT_EQ(fields.read("THL Tür öffnen"),
              (std::vector<std::pair<std::string, std::string>>{{"stichwort", "THL"}}));
}

}  // namespace
}  // namespace kub
