// One-instance base of the platform-service library's process-wide objects:
// a second construction, a destruction without an instance and a get before
// construction each fail an assertion.
#pragma once

#include "qzware/depend/win/vho/vho_assert.h"

namespace vho {

template <typename T>
class Singleton {
public:
    // Several members in one process (tests): objects built with this tag
    // are not the process's instance and never touch it.
    struct Unregistered {};
    explicit Singleton(Unregistered) : registered_(false) {}

    Singleton() {
        if (s_instance) {
            AssertFailed("(!s_instance) != NULL", "vho_singleton", 13);
        }
        s_instance = this;
    }
    virtual ~Singleton() {
        if (!registered_) {
            return;
        }
        if (!s_instance) {
            AssertFailed("(s_instance) != NULL", "vho_singleton", 20);
        }
        s_instance = nullptr;
    }
    Singleton(const Singleton&) = delete;
    Singleton& operator=(const Singleton&) = delete;

    static T* GetInstance() {
        if (!s_instance) {
            AssertFailed("(s_instance) != NULL", "vho_singleton", 27);
        }
        return static_cast<T*>(s_instance);
    }
    // Whether an instance exists (no assertion).
    static bool HasInstance() { return s_instance != nullptr; }

private:
    bool registered_ = true;
    // The base, not T: during construction the object is not a T yet.
    static inline Singleton* s_instance = nullptr;
};

}  // namespace vho
