// Any bytes as a command line (arguments split at NUL bytes) through the option parser of
// the programs, and the first argument as a typed number: nothing taken lies outside its
// bounds or is not finite, a refusal always names something, and every whole number is
// the same decimal number.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/command_options.h"
#include "common/decimal_number.h"
#include "common/whole_number.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) args.emplace_back();
        else args.back().push_back(static_cast<char>(data[i]));
    }

    bool json = false;
    std::string folder;
    std::string script;
    int minutes = 5;
    double snr = 0;
    std::vector<std::string> words;
    kub::CommandOptions options;
    options.flag("--json", json).text("--folder", folder).words(words);
    options.number("--stille", minutes, 1, 99999, "--stille");
    options.decimal("--snr", snr, -50.0, 50.0, "--snr");
    options.attached("-s:", [&script](const std::string& v) {
        script = v;
        return std::string(v.empty() ? "-s:" : "");
    });
    const auto refused = options.parse(args);
    if (refused && refused->text.empty()) std::abort();
    if (minutes < 1 || minutes > 99999) std::abort();
    if (!std::isfinite(snr) || snr < -50.0 || snr > 50.0) std::abort();
    if (words.size() > args.size()) std::abort();

    const std::string& first = args.front();
    const auto decimal = kub::decimalNumber(first, -1e300, 1e300);
    if (decimal && (!std::isfinite(*decimal) || *decimal < -1e300 || *decimal > 1e300)) std::abort();
    constexpr long kExact = 1L << 52;  // whole numbers a double holds exactly
    if (const auto whole = kub::wholeNumber(first, -kExact, kExact)) {
        if (!decimal || *decimal != static_cast<double>(*whole)) std::abort();
    }
    return 0;
}
