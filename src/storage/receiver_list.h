#pragma once
// The receivers the user cares about ("ZVEI.txt": five-tone numbers and RICs with the
// holder's name and a colour) and which vehicles carry them ("ZVEI_FMS_Zuord.txt").
// The ZVEI and POCSAG reception handling look every received code up here.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kub {

// Light grey: the colour of a reception whose receiver has no colour of its own.
constexpr std::uint32_t kNoColour = 14737632;  // 0x00E0E0E0

struct ReceiverRecord {
    std::string nummer;       // ZVEI number (5 characters) or RIC (7 characters)
    std::string name;         // name of the holder
    std::int32_t farbe = 0;   // red + 256 * green + 65536 * blue; 0 = none
};

struct AssignmentRecord {
    std::string kennung;  // FMS identifier of the vehicle
    std::string code;     // ZVEI number or RIC carried on it
    std::string rufname;  // the vehicle's call name when the assignment was made
};

// Compares codes the way the lists do: letters without regard to case.
bool sameCode(std::string_view a, std::string_view b);

// What a reception shows for its code: the holder's name, with " (Rufname) " of the
// first vehicle that carries the code, and the row colour (never 0).
struct ReceiverDisplay {
    std::string name;
    std::uint32_t colour = kNoColour;
    bool listed = false;  // the code is in "ZVEI.txt"
};

// The two lists, one instance for the whole program.
struct ReceiverLists {
    std::vector<ReceiverRecord> receiverList;
    std::vector<AssignmentRecord> assignmentList;

    std::int16_t receiverCount() const { return static_cast<std::int16_t>(receiverList.size()); }
    std::int32_t assignmentCount() const {
        return static_cast<std::int32_t>(assignmentList.size());
    }

    // First receiver whose number equals `code`; nullptr when there is none.
    const ReceiverRecord* findReceiver(std::string_view code) const;
    // First assignment carrying `code`; nullptr when there is none.
    const AssignmentRecord* findAssignment(std::string_view code) const;
    // Call name of the first vehicle carrying `code`; empty when none does.
    std::string assignedRufname(std::string_view code) const;
    // Name and colour of a received code: the receiver's name (empty when not listed),
    // then " (" Rufname ") " when a vehicle carries it; colour 0 becomes light grey.
    ReceiverDisplay display(std::string_view code) const;

    // Start-up: both files of the program folder. A missing file leaves its list empty.
    void load(const std::string& programFolder);
};

// "ZVEI.txt" and "ZVEI_FMS_Zuord.txt" in the program folder.
std::string receiverListPath(const std::string& programFolder);
std::string assignmentPath(const std::string& programFolder);

// Reads "ZVEI.txt": one receiver per non-empty line, number TAB name TAB colour.
std::vector<ReceiverRecord> loadReceiverList(const std::string& programFolder);
// Replaces "ZVEI.txt" with the list; an empty list leaves no file at all. False when
// the file could not be written (the list in memory is what counts).
bool saveReceiverList(const std::string& programFolder, const std::vector<ReceiverRecord>& list);

// Reads "ZVEI_FMS_Zuord.txt": one assignment per non-empty line, Kennung TAB code TAB Rufname.
std::vector<AssignmentRecord> loadAssignments(const std::string& programFolder);
// Appends one assignment to the file (created when missing) and to the list.
bool addAssignment(const std::string& programFolder, std::vector<AssignmentRecord>& list,
                   const std::string& kennung, const std::string& code,
                   const std::string& rufname);
// Removes every assignment of `code` to `kennung` (letters compared without case) and
// writes the file anew from what is left.
bool removeAssignment(const std::string& programFolder, std::vector<AssignmentRecord>& list,
                      std::string_view kennung, std::string_view code);

}  // namespace kub
