#pragma once
// A text of "Alarmierung.toml" (inhalt, betreff, kopf, argumente) with `{{feld}}` places
// filled from the record's JSON fields: `{{ric}}`, `{{text}}`, `{{felder.stichwort}}`, and
// `{{einheiten}}` as the names of an incident's units. A place naming a field the record
// does not have stays empty; the caller is told its name, to say it once.

#include <nlohmann/json_fwd.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace kub {

class AlarmTemplate {
public:
    AlarmTemplate() = default;

    // Reads `text`; false with a German `error` when a "{{" is not closed or names no
    // field ("{{}}", "{{a b}}").
    bool compile(std::string_view text, std::string& error);

    // `fields` is the record's JSON object. Names that are not in it go to `missing`.
    std::string render(const nlohmann::ordered_json& fields, std::vector<std::string>& missing) const;

    bool empty() const { return pieces_.empty(); }

private:
    struct Piece {
        bool field = false;
        std::string text;               // the literal, or the field name as written
        std::vector<std::string> path;  // "felder.stichwort" -> felder, stichwort
    };
    std::vector<Piece> pieces_;
};

// A rendered text as it may go into a mail header or an HTTP header: CR, LF and the
// other control characters become blanks, so no field can start a header of its own.
std::string headerSafe(std::string text);

}  // namespace kub
