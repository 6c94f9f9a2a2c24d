#pragma once
// A POCSAG address (RIC) has 21 bits: 18 from the address codeword, 3 from its frame.

#include <cstdint>

namespace kub {

inline constexpr std::uint32_t kMaxRic = 2097151;

}  // namespace kub
