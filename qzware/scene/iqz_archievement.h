// The engine's achievement interface (its name is spelled so): unlock by the
// position in the platform's achievement list, and reset everything.
#pragma once

#include <cstdint>

namespace QZW {

class IQzArchievement {
public:
    virtual ~IQzArchievement() = default;
    virtual void Unlock(std::uint32_t index) = 0;
    virtual void ResetAll() = 0;
};

}  // namespace QZW
