#include "common/whole_number.h"
#include "gen_items.h"
#include "siggen/pocsag_signal.h"

namespace kubmon {

const char* const kPocsagItemHelp =
    "  poc512:RIC:FUNK:TEXT     POCSAG-Alphanachricht (auch poc1200, poc2400); der Text darf\n"
    "                           ':' enthalten, leerer Text = Nur-Ton-Ruf\n"
    "  poczero1200:RIC:FUNK:TEXT   Alphanachricht, das letzte Codewort nach dem Textende mit\n"
    "                           Nullbits gefüllt (auch poczero512, poczero2400)\n"
    "  pocnum1200:RIC:FUNK:ZIFFERN   numerische Nachricht (auch pocnum512, pocnum2400)\n"
    "  poctone1200:RIC:FUNK     Nur-Ton-Ruf ohne Nachricht (auch poctone512, poctone2400)\n"
    "  pocmulti1200:RIC:FUNK:TEXT;RIC:FUNK:TEXT;...   mehrere Alphanachrichten in einer\n"
    "                           Aussendung (auch pocmulti512, pocmulti2400)\n";

namespace {

bool parseRate(const std::string& kind, const std::string& prefix, double& rate) {
    if (kind.rfind(prefix, 0) != 0) return false;
    const std::string tail = kind.substr(prefix.size());
    if (tail == "512") rate = 512;
    else if (tail == "1200") rate = 1200;
    else if (tail == "2400") rate = 2400;
    else return false;
    return true;
}

// Digits only: "-0" is no RIC, though it is the number 0.
bool parseNumber(const std::string& s, long max, long& v) {
    const auto n = s.find_first_not_of("0123456789") == std::string::npos ? kub::wholeNumber(s, 0, max) : std::nullopt;
    if (n) v = *n;
    return n.has_value();
}

std::string joinFrom(const std::vector<std::string>& fields, std::size_t first) {
    std::string text;
    for (std::size_t i = first; i < fields.size(); ++i) {
        if (i > first) text += ':';
        text += fields[i];
    }
    return text;
}

// "RIC", "FUNK" and the rest as the message text.
bool parseMessage(const std::vector<std::string>& fields, siggen::PocsagContent content,
                  siggen::PocsagMessage& msg, std::string& error) {
    long ric = 0, function = 0;
    if (fields.size() < 2 || !parseNumber(fields[0], 2097151, ric) || !parseNumber(fields[1], 3, function)) {
        error = "RIC (0..2097151) und Funktion (0..3) erwartet";
        return false;
    }
    msg.ric = static_cast<std::uint32_t>(ric);
    msg.function = static_cast<int>(function);
    msg.text = joinFrom(fields, 2);
    msg.content = content;
    if (content == siggen::PocsagContent::Alpha && msg.text.empty()) msg.content = siggen::PocsagContent::Tone;
    return true;
}

std::vector<std::string> split(const std::string& text, char sep) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t at = text.find(sep, start);
        parts.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) return parts;
        start = at + 1;
    }
}

}  // namespace

bool genPocsagItem(const GenItem& item, const GenOptions& opt, std::vector<float>& out, std::string& error) {
    double rate = 0;
    std::vector<siggen::PocsagMessage> messages;
    siggen::PocsagMessage msg;
    if (parseRate(item.kind, "pocmulti", rate)) {
        for (const std::string& part : split(joinFrom(item.fields, 0), ';')) {
            if (!parseMessage(split(part, ':'), siggen::PocsagContent::Alpha, msg, error)) return false;
            messages.push_back(msg);
        }
    } else if (parseRate(item.kind, "poczero", rate)) {
        if (item.fields.size() < 3 || !parseMessage(item.fields, siggen::PocsagContent::Alpha, msg, error)) {
            if (error.empty()) error = "RIC, Funktion und Text erwartet";
            return false;
        }
        msg.zeroFill = true;
        messages.push_back(msg);
    } else if (parseRate(item.kind, "pocnum", rate)) {
        if (!parseMessage(item.fields, siggen::PocsagContent::Numeric, msg, error)) return false;
        messages.push_back(msg);
    } else if (parseRate(item.kind, "poctone", rate)) {
        if (item.fields.size() != 2 || !parseMessage(item.fields, siggen::PocsagContent::Tone, msg, error)) {
            if (error.empty()) error = "RIC und Funktion erwartet";
            return false;
        }
        messages.push_back(msg);
    } else if (parseRate(item.kind, "poc", rate)) {
        if (item.fields.size() < 3) {
            error = "RIC, Funktion und Text erwartet";
            return false;
        }
        if (!parseMessage(item.fields, siggen::PocsagContent::Alpha, msg, error)) return false;
        messages.push_back(msg);
    } else {
        return true;  // not a POCSAG item
    }
    out = siggen::pocsagSignal(messages, rate, opt.amplitude, opt.inverted);
    return true;
}

}  // namespace kubmon
