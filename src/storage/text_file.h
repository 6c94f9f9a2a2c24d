#pragma once
// The one place that knows how our data files look on disk: 8-bit Windows-1252 text,
// CR LF line ends, numbers on a line of their own as " 3 ", and the comma-delimited item
// rule by which every reader takes a line. Inside the program all text is UTF-8.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/cp1252_text.h"

namespace kub {

// One line read as one item: leading blanks skipped; an item starting with a double
// quote runs to the next double quote (quotes dropped); any other item ends at the first
// comma or at the end of the line.
std::string readItem(std::string_view line);

// A line written so that readItem gives it back whole: a line holding a comma (or one
// that a reader would otherwise cut or trim: leading blank or double quote) is enclosed
// in double quotes, a double quote inside it becoming a single quote. Any other line
// stays byte for byte as it is.
std::string itemLine(std::string line);

// A number item: the leading decimal value, blanks ignored; anything else reads as 0.
long itemToNumber(std::string_view item);
short itemToShort(std::string_view item);

// " 3 " for 3, "-1 " for -1.
std::string numberLine(long value);

// A data file is read only when it is a regular file of at most this size: a link may
// point anywhere (another user's file shown on the web board), a FIFO would hold the
// start-up forever, /dev/zero never ends, and no file of ours comes near this size.
constexpr long long kMaxDataFileBytes = 4LL * 1024 * 1024;

// What to do with a file above kMaxDataFileBytes: refuse it, or (a day log of a busy
// day, of which only the newest rows are shown) take its last kMaxDataFileBytes from the
// first whole line on.
enum class Oversize { Refuse, KeepEnd };

// The bytes of a data file; nullopt when there is none or it is refused (see above).
// A refused file is noted with the reason for takeRefusedFiles; a missing one is not.
std::optional<std::string> readDataFile(const std::string& path, Oversize oversize = Oversize::Refuse);

// The German lines, one per refused file ("Datei … nicht gelesen: …"), noted since the
// last call, for the window's red line or stderr. Each file and reason is said once; at
// most a few dozen lines are kept however many files are refused.
std::vector<std::string> takeRefusedFiles();

// Raw lines of a file (UTF-8, line ends removed); nullopt when it cannot be read.
std::optional<std::vector<std::string>> readTextLines(const std::string& path,
                                                      Oversize oversize = Oversize::Refuse);
// Each line read through the item rule.
std::optional<std::vector<std::string>> readItemLines(const std::string& path);

// Who may read a file we create: its owner alone (0600), or everyone (0644, the status
// page a web server hands out), whatever the umask. Writes never follow a link: an
// append to a link fails, a replace puts a file where the link was.
enum class FileAccess { OwnerOnly, Shared };

// Writes every line followed by CR LF, in Windows-1252. False when the file cannot be written.
bool writeTextLines(const std::string& path, const std::vector<std::string>& lines,
                    FileAccess access = FileAccess::OwnerOnly);
// Replaces a whole file: the new content goes to a side file ("….neu") that then takes
// the old file's place in one step, so a crash or a full disk never leaves the old file
// half-written or gone. False when the new file could not be written; the old one stays.
bool replaceTextLines(const std::string& path, const std::vector<std::string>& lines,
                      FileAccess access = FileAccess::OwnerOnly);
// The same for bytes already in their final form.
bool replaceFileBytes(const std::string& path, std::string_view bytes, FileAccess access = FileAccess::OwnerOnly);

// The TAB-separated cells of a row or record.
std::vector<std::string> splitTabs(std::string_view line);

// Opens, appends one line with CR LF, closes: the line is on disk at once.
bool appendTextLine(const std::string& path, std::string_view line);

// True when the file is there and may be read; nothing is opened (a FIFO would block).
bool fileExists(const std::string& path);

}  // namespace kub
