// FMS items of kubmon gen: status telegrams, text transmissions and the two tone calls.

#include "common/whole_number.h"

#include "gen_items.h"
#include "siggen/fms_signal.h"

namespace kubmon {

const char* const kFmsItemHelp =
    "  fms:KENNUNG:STATUS:RTG:TKI   FMS-Telegramm, z.B. fms:623B1234:3:0:1\n"
    "                        (RTG 0 = Fzg->Lst, 1 = Lst->Fzg; TKI 0..3)\n"
    "  fmstext:KENNUNG:TKI:TEXT     FMS-Kurztext (Status 10, Lst->Fzg, dann Folgetelegramme)\n"
    "  tonruf1:MS | tonruf2:MS      Tonruf I (1750 Hz) bzw. Tonruf II (2135 Hz), Dauer in ms\n";

namespace {

bool parseInt(const std::string& s, int lo, int hi, int& v) {
    const auto x = kub::wholeNumber(s, lo, hi);
    if (x) v = static_cast<int>(*x);
    return x.has_value();
}

}  // namespace

bool genFmsItem(const GenItem& item, const GenOptions& opt, std::vector<float>& out, std::string& error) {
    if (item.kind == "fms") {
        siggen::FmsTelegram t;
        if (item.fields.size() != 4) {
            error = "erwartet fms:KENNUNG:STATUS:RTG:TKI";
            return false;
        }
        t.kennung = item.fields[0];
        if (!parseInt(item.fields[1], 0, 15, t.status) || !parseInt(item.fields[2], 0, 1, t.direction) ||
            !parseInt(item.fields[3], 0, 3, t.tki)) {
            error = "Status 0..15, Richtung 0..1, TKI 0..3";
            return false;
        }
        if (!siggen::validFmsTelegram(t, error)) return false;
        out = siggen::fmsTelegramSignal(t, opt.amplitude);
        return true;
    }
    if (item.kind == "fmstext") {
        int tki = 0;
        if (item.fields.size() < 3 || !parseInt(item.fields[1], 0, 3, tki)) {
            error = "erwartet fmstext:KENNUNG:TKI:TEXT";
            return false;
        }
        std::string text = item.fields[2];
        for (std::size_t i = 3; i < item.fields.size(); ++i) text += ":" + item.fields[i];
        return siggen::fmsTextSignal(item.fields[0], tki, text, opt.amplitude, out, error);
    }
    if (item.kind == "tonruf1" || item.kind == "tonruf2") {
        int ms = 0;
        if (item.fields.size() != 1 || !parseInt(item.fields[0], 1, 600000, ms)) {
            error = "erwartet " + item.kind + ":MS";
            return false;
        }
        out = siggen::toneSignal(item.kind == "tonruf1" ? 1750.0 : 2135.0, ms, opt.amplitude);
        return true;
    }
    return true;
}

}  // namespace kubmon
