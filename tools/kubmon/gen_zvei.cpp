#include "common/decimal_number.h"
#include "gen_items.h"
#include "siggen/zvei_signal.h"

namespace kubmon {

const char* const kZveiItemHelp =
    "  zvei:CODE[:MS]        ZVEI-Fünftonfolge (ZVEI1), Töne je MS Millisekunden (Vorgabe 70);\n"
    "                        CODE aus 0-9, R (Wiederholton; doppelte Ziffern bekommen ihn\n"
    "                        von selbst), G (Gruppenton) und C H U L J P\n";

bool genZveiItem(const GenItem& item, const GenOptions& opt, std::vector<float>& out, std::string& error) {
    if (item.kind != "zvei") return true;
    if (item.fields.empty() || item.fields.size() > 2 || item.fields[0].empty()) {
        error = "erwartet zvei:CODE oder zvei:CODE:MS";
        return false;
    }
    double ms = siggen::kZveiToneMs;
    if (item.fields.size() == 2) {
        const auto given = kub::decimalNumber(item.fields[1], 1.0, 10000.0);
        if (!given) {
            error = "ungültige Tonlänge: " + item.fields[1];
            return false;
        }
        ms = *given;
    }
    out = siggen::zveiSequence(item.fields[0], opt.amplitude, ms);
    if (out.empty()) {
        error = "ungültiger Code: " + item.fields[0];
        return false;
    }
    return true;
}

}  // namespace kubmon
