#pragma once
// The window without a display: keeps the tables and alert lists in memory, records the
// export lines it is handed (as the context's export lines), and hands every reception
// line to a callback. Used by the headless tool
// and, as a recording stand-in for the real window, by the tests.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/export_lines.h"
#include "core/reception_window.h"

namespace kub {

class HeadlessWindow : public ReceptionWindow, public ExportLines {
public:
    struct Row {
        std::string text;
        std::vector<std::uint32_t> cellColours;  // 0xFFFFFFFF where no colour was set
    };
    struct AlertListState {
        std::vector<std::string> lines;
        int selected = -1;
        std::uint32_t colour = 0xFFFFFFFF;
    };

    // Table rows, newest first (index 0 is row 1 of the table).
    const std::vector<Row>& rows(ReceptionTable t) const { return tables_[index(t)]; }
    const AlertListState& alerts(AlertList l) const {
        return alerts_[static_cast<std::size_t>(static_cast<int>(l) - 1)];
    }

    std::vector<std::string> sentMessages;     // send_message
    std::vector<std::string> anwendungLines;   // Send_to_Anwendung
    std::vector<std::string> receptionLines;   // every reception's export line
    // The sites of rows that came from other receiver sites, per table, newest last.
    std::array<std::vector<std::string>, 3> rowSites;
    int boardRedraws = 0;
    int meterUpdates = 0;
    std::array<int, 4> lastMeters{};
    std::function<void(const std::string&)> onReceptionLine;

    int tableRowCount(ReceptionTable t) const override;
    void setTableRowCount(ReceptionTable t, int rows) override;
    void insertTableRow(ReceptionTable t, const std::string& row) override;
    void setTableCellColour(ReceptionTable t, int row, int column, std::uint32_t colour) override;
    int alertLineCount(AlertList l) const override;
    void clearAlertList(AlertList l) override;
    void appendAlertLine(AlertList l, const std::string& line) override;
    void selectAlertLine(AlertList l, int i) override;
    void setAlertListColour(AlertList l, std::uint32_t colour) override;
    void update_label() override { ++boardRedraws; }
    void setMeters(int meanLeft, int peakLeft, int meanRight, int peakRight) override;
    void send_message(const std::string& line) override { sentMessages.push_back(line); }
    void Send_to_Anwendung(const std::string& line) override { anwendungLines.push_back(line); }
    void receptionLine(const std::string& line) override;

    std::string alertLine(AlertList l, int index) const override;
    void setTableRowSite(ReceptionTable t, int /*row*/, const std::string& site) override {
        auto& sites = rowSites[static_cast<std::size_t>(t)];
        // As the table, it keeps no more than its newest rows.
        if (sites.size() >= static_cast<std::size_t>(kKeptReceptionRows)) sites.erase(sites.begin());
        sites.push_back(site);
    }
    // The sources last named for a row heard at several places.
    std::string lastRowSites;
    void setTableRowSites(ReceptionTable, const std::string&, const std::string& sites) override {
        lastRowSites = sites;
    }
    void removeAlertLine(AlertList l, int index) override;
    std::vector<std::string> uploadMessages;                          // List5
    std::vector<std::pair<std::string, std::string>> messageBoxes;    // text, title
    // Unattended: the dial-up dialog dials this entry (-1: closes without dialling).
    int dialUpChoice = 0;
    void addUploadMessage(const std::string& text) override { uploadMessages.push_back(text); }
    void messageBox(const std::string& text, const std::string& title) override {
        messageBoxes.emplace_back(text, title);
    }
    int chooseDialUpEntry(const std::vector<std::string>&) override { return dialUpChoice; }

    // Keeps only the newest `rows` rows of each table, so a long run does not grow.
    void setRowLimit(int rows) { rowLimit_ = rows; }
    // Keeps no lines in the record vectors (a long headless run).
    void setRecording(bool on) { recording_ = on; }

private:
    static std::size_t index(ReceptionTable t) { return static_cast<std::size_t>(t); }
    AlertListState& list(AlertList l) {
        return alerts_[static_cast<std::size_t>(static_cast<int>(l) - 1)];
    }
    std::array<std::vector<Row>, 3> tables_;
    std::array<int, 3> rowCounts_{1, 1, 1};
    std::array<AlertListState, 3> alerts_;
    int rowLimit_ = -1;
    bool recording_ = true;
};

}  // namespace kub
