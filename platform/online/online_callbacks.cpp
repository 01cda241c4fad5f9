#include "platform/online/online_callbacks.h"

namespace platform::online {

int record_id(const Record& record) {
    return std::visit([](const auto& r) { return std::decay_t<decltype(r)>::kId; }, record);
}

int CallbackRouter::register_callback(int id, Handler handler) {
    if (!handler) {
        return 0;
    }
    entries_[++last_token_] = Entry{id, 0, std::move(handler)};
    return last_token_;
}

int CallbackRouter::register_call_result(CallHandle call, int id, Handler handler) {
    if (call == 0 || !handler) {
        return 0;
    }
    entries_[++last_token_] = Entry{id, call, std::move(handler)};
    return last_token_;
}

void CallbackRouter::unregister(int token) {
    entries_.erase(token);
}

void CallbackRouter::dispatch() {
    std::deque<Queued> now;
    now.swap(queue_);
    for (const Queued& item : now) {
        const int id = record_id(item.record);
        const void* data = std::visit([](const auto& r) -> const void* { return &r; }, item.record);
        // Tokens are collected first: a handler may register or unregister.
        std::vector<int> tokens;
        for (const auto& [token, entry] : entries_) {
            if (entry.id == id && entry.call == item.call) {
                tokens.push_back(token);
            }
        }
        for (int token : tokens) {
            auto it = entries_.find(token);
            if (it == entries_.end()) {
                continue;
            }
            Handler handler = it->second.handler;
            if (item.call != 0) {
                entries_.erase(it);  // a call result fires once
            }
            handler(data);
        }
    }
}

}  // namespace platform::online
