// vho::Subject<T>: per event code, the listeners and their handlers, called
// in ascending key (listener address) order. Notify walks a snapshot, so a
// handler may attach or detach: a listener attached during a notification is
// first called by the next one; one detached during it is not called again.
#pragma once

#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "qzware/depend/win/vho/vho_listener.h"

namespace vho {

using ListenerKey = Listener;

template <typename T>
class Subject {
public:
    using Handler = std::function<void(void* data)>;

    virtual ~Subject() = default;

    // Keeps an entry already present for that key.
    virtual void Attach(T code, const ListenerKey* key, Handler handler) {
        observers_[code].emplace(key, std::move(handler));
    }
    // A member operation of the listener taking the event data.
    template <typename L>
    void Attach(T code, L* listener, void (L::*method)(void*)) {
        Attach(code, static_cast<const ListenerKey*>(listener),
               [listener, method](void* data) { (listener->*method)(data); });
    }
    virtual void Detach(T code, const ListenerKey* key) {
        auto it = observers_.find(code);
        if (it == observers_.end()) {
            return;
        }
        it->second.erase(key);
        if (it->second.empty()) {
            observers_.erase(it);
        }
    }
    virtual void Notify(T code, void* data) {
        auto it = observers_.find(code);
        if (it == observers_.end()) {
            return;
        }
        const std::vector<std::pair<const ListenerKey*, Handler>> walk(it->second.begin(),
                                                                       it->second.end());
        for (const auto& [key, handler] : walk) {
            if (IsAttached(code, key)) {
                handler(data);
            }
        }
    }

    bool IsAttached(T code, const ListenerKey* key) const {
        auto it = observers_.find(code);
        return it != observers_.end() && it->second.count(key) != 0;
    }
    bool HasCode(T code) const { return observers_.count(code) != 0; }

private:
    std::map<T, std::map<const ListenerKey*, Handler>> observers_;
};

}  // namespace vho
