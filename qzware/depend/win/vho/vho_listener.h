// Base of every object that listens to a vho::Subject's events.
#pragma once

namespace vho {

class Listener {
public:
    virtual ~Listener() = default;
};

}  // namespace vho
