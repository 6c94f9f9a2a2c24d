#pragma once
// One kind of signal item of `kubmon gen`. Each protocol's file turns an item such as
// "fms:62341234:3:0:0" (split at ':' into kind and fields) into mono samples.

#include <string>
#include <vector>

namespace kubmon {

struct GenItem {
    std::string kind;                 // "fms", "zvei", "poc1200", ...
    std::vector<std::string> fields;  // the values after the kind
};

struct GenOptions {
    double amplitude = 0.5;  // full scale = 1.0
    bool inverted = false;   // POCSAG polarity: normal puts a 1 bit on the low level
};

// Each returns false with a German message in `error` when the item is malformed, and
// leaves `out` empty when the kind is not its own (so the next handler is asked).
bool genFmsItem(const GenItem& item, const GenOptions& opt, std::vector<float>& out, std::string& error);
bool genZveiItem(const GenItem& item, const GenOptions& opt, std::vector<float>& out, std::string& error);
bool genPocsagItem(const GenItem& item, const GenOptions& opt, std::vector<float>& out, std::string& error);

// Help lines of each protocol's items.
extern const char* const kFmsItemHelp;
extern const char* const kZveiItemHelp;
extern const char* const kPocsagItemHelp;

}  // namespace kubmon
