#pragma once
// A liquid-dsp object owned like any other: made once, destroyed with its owner, never
// copied (liquid's objects carry filter state that two owners must not share).

#include <complex>  // before liquid.h: its complex type is then std::complex
#include <memory>

#include <liquid/liquid.h>

namespace kub {

template <typename Handle, auto Destroy>
struct LiquidDeleter {
    void operator()(Handle h) const {
        if (h) Destroy(h);
    }
};

template <typename Handle, auto Destroy>
using LiquidObject = std::unique_ptr<std::remove_pointer_t<Handle>, LiquidDeleter<Handle, Destroy>>;

}  // namespace kub
