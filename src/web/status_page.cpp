#include "web/status_page.h"

#include <cstdio>

#include "common/time_text.h"
#include "storage/text_file.h"

namespace kub {

namespace {

constexpr std::int32_t kLightGrey = 14737632;

// Call names come from users and texts from the air; the page goes onto a public web
// server, so nothing in them may become markup or script.
std::string escapeHtml(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '&': out += "&amp;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c;
        }
    }
    return out;
}

void receptionTable(std::vector<std::string>& l, const std::vector<std::string>& rows,
                    const std::vector<const char*>& widths) {
    const std::string grey = htmlColour(kLightGrey);
    for (std::size_t r = 0; r < rows.size() && r < 10; ++r) {
        const auto cells = splitTabs(rows[r]);
        l.push_back("<TR>");
        for (std::size_t c = 0; c < widths.size(); ++c) {
            l.push_back(std::string("<TD width=") + widths[c] + " bgcolor=" + grey + ">");
            l.push_back(c < cells.size() ? escapeHtml(cells[c]) : std::string());
            l.push_back("</TD>");
        }
        l.push_back("</TR>");
    }
}

}  // namespace

std::string htmlColour(std::int32_t colour) {
    // The low six hex digits are BBGGRR; a system colour's top bits fall away the same way.
    const auto v = static_cast<std::uint32_t>(colour) & 0xFFFFFFu;
    char out[8];
    std::snprintf(out, sizeof out, "#%02X%02X%02X", v & 0xFFu, (v >> 8) & 0xFFu, (v >> 16) & 0xFFu);
    return out;
}

std::vector<std::string> statusPageLines(const StatusPageInput& in, const LocalTime& now) {
    std::vector<std::string> l = {
        "<HTML>",
        "<HEAD>",
        "<title>KUB-Monitor Web-Statusanzeige</title>",
        "<meta http-equiv=refresh content=60; URL=offene.html>",
        "</HEAD>",
        "<BODY LINK=white VLINK=white BACKGROUND=back.jpg>",
        "<H2>Einsatzleitstelle - Status der Einsatzfahrzeuge</H2>",
        "letzte Datenänderung: " + shortDateText(now) + " - " + timeText(now) +
            " Uhr (Refresh alle 60 Sekunden)",
        "<BR>",
        "<TABLE CELLSPACING=1 BORDER=1 width=800>",
    };
    const std::string width = "<TD width=" + std::to_string(in.columns) + "% BGCOLOR=";
    auto statusColour = [&](int status) -> std::int32_t {
        // Statuses without a colour of their own (0, 12 to 15) are drawn light grey, so
        // the cell keeps its opening line and the table stays well-formed.
        if (status < 1 || static_cast<std::size_t>(status) > in.statusColours.size()) return kLightGrey;
        return in.statusColours[static_cast<std::size_t>(status - 1)];
    };
    for (int r = 0; r < in.rows; ++r) {
        l.push_back("<TR>");
        for (int c = 0; c < in.columns; ++c) {
            const std::size_t slot = static_cast<std::size_t>(c * in.rows + r);
            const StatusPageTile empty;
            const StatusPageTile& t = slot < in.tiles.size() ? in.tiles[slot] : empty;
            if (!t.kennung.empty()) {
                l.push_back(width + htmlColour(statusColour(t.status)) + ">");
                l.push_back("<font size=3 color=black>" + escapeHtml(t.rufname) + "</FONT>");
            } else if (!t.rufname.empty()) {
                l.push_back(width + "BLACK>");
                l.push_back("<font size=3 color=WHITE>" + escapeHtml(t.rufname) + "</FONT>");
            } else {
                l.push_back(width + "WHITE>");
                l.push_back("<font size=3 color=WHITE>&nbsp;</FONT>");
            }
            l.push_back("</TD>");
        }
        l.push_back("</TR>");
    }
    l.push_back("</TABLE>");
    l.push_back("<BR>");
    l.push_back("<H4>Letzte ZVEI-Eingänge</H4>");
    l.push_back("<TABLE width=800 Border=1>");
    receptionTable(l, in.zveiRows, {"20%", "20%", "80%"});
    l.push_back("</TABLE>");
    l.push_back("<H4>Letzte POC-Eingänge</H4>");
    l.push_back("<TABLE width=800 Border=1>");
    receptionTable(l, in.pocsagRows, {"10%", "10%", "20%", "25%", "35%"});
    l.push_back("</TABLE>");
    l.push_back("<DIV style=\"position: absolute; top: 78px; left: 820px;\">");
    l.push_back("<TABLE width=100 Border=1>");
    for (int s = 1; s <= 9; ++s) {
        l.push_back("<TR><TD bgcolor=" + htmlColour(statusColour(s)) + ">");
        l.push_back("Status " + std::to_string(s));
        l.push_back("</TD></TR>");
    }
    l.push_back("</TABLE>");
    l.push_back("</DIV>");
    l.push_back("</BODY>");
    l.push_back("</HTML>");
    return l;
}

bool writeStatusPage(const std::string& programFolder, const StatusPageInput& input,
                     const LocalTime& now) {
    return replaceTextLines(programFolder + "/status.html", statusPageLines(input, now), FileAccess::Shared);
}

}  // namespace kub
