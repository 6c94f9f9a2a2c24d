#pragma once
// One reception, as every output is handed it: the window's tables and lists, the day
// logs, the export line, the local message, the action program, stdout, JSON, MQTT and
// the web board. Made once by the reception handling of each protocol; outputs read it
// and never change it.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace kub {

// Einsatz: the pages and codes of one alarm, made by the incident grouping after them.
enum class RecordProtocol { Fms, Zvei, Pocsag, Tonruf, Einsatz };

// "fms", "zvei", "pocsag", "tonruf", "einsatz"
const char* protocolName(RecordProtocol p);

// One unit an incident called: a RIC with its function, or a ZVEI code (ric empty).
struct Einheit {
    std::string ric;
    int function = -1;
    std::string code;
    std::string name;          // the receiver name as the tables show it
    std::uint32_t colour = 0;  // 0x00BBGGRR, as the record's colour
};

struct ReceptionRecord {
    // Local time, ISO 8601 with offset ("2026-12-08T13:05:07+01:00"), and the same
    // instant as clock seconds (for repeat and merge rules).
    std::string time;
    double seconds = 0;
    std::string channel;  // the channel's name: "left" or "right" on the sound card, else its own
    // An SDR channel's frequency in Hz; 0 on the sound card.
    std::int64_t frequency = 0;
    RecordProtocol protocol = RecordProtocol::Fms;
    // The export line ("##FMS#…#+"); empty for tone calls.
    std::string line;
    // The TAB-separated row as the reception table shows it and the day log keeps it;
    // empty for tone calls.
    std::string row;
    // ZVEI and POCSAG: the colour of the name cell (the receiver's, light grey without one).
    std::uint32_t colour = 0;

    // FMS. Numbers are -1 where the reception has none.
    std::string kennung;
    int status = -1;
    int tki = -1;
    int direction = -1;
    std::string vehicle;  // call name, when the vehicle is in the table
    std::string info;     // its Eigenschaft
    // The vehicle's stored status changed with this reception (board, status file).
    bool statusStored = false;
    // The vehicle's board slot, -1 when the Kennung is not in the vehicle table.
    int slot = -1;

    // FMS text transmissions and POCSAG messages.
    std::string text;
    // ZVEI
    std::string code;
    // ZVEI and POCSAG: the receiver name as the table shows it, and whether the code is
    // in the receiver list (FMS: the vehicle table, see `slot`).
    std::string name;
    bool receiverListed = false;
    // POCSAG
    std::string ric;
    int function = -1;
    // POCSAG: false when a codeword of the message could not be read for certain, so the
    // text is not the whole message (its gaps are marked in the text).
    bool complete = true;
    // Tone calls: "I" or "II".
    std::string tone;

    // The receiver site a reception came from; empty when heard here.
    std::string site;

    // POCSAG and incidents: the text does not read as plain language (the raw text
    // stays in text).
    bool verschluesselt = false;

    // Incidents. time/seconds/channel are those of the first page; text is the first
    // non-empty page text.
    std::vector<Einheit> einheiten;
    // Read from the text, in the order they were found (name, value).
    std::vector<std::pair<std::string, std::string>> felder;
    std::vector<std::string> channels;  // every channel it was heard on ("left", "right")
    // Where it was heard, when another site is involved: the sites (this one as well when
    // it was heard here too); empty for what only this monitor heard. Incidents: every
    // other receiver site one of its pages came from.
    std::vector<std::string> sites;
    bool probealarm = false;
    // Counts up from 1 while the program runs; the same incident keeps its number.
    std::uint64_t incidentId = 0;
};

}  // namespace kub
