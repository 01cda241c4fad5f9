// Event subject: handlers called in ascending key order, attaching and
// detaching inside a notification, and the map's bookkeeping.
#include "qzware/depend/win/vho/vho_subject.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct Recorder : vho::Listener {
    std::vector<std::string>* log = nullptr;
    std::string name;
    void OnEvent(void* data) { log->push_back(name + ":" + static_cast<const char*>(data)); }
};

TEST(VhoSubject, ListenersAreCalledInAscendingKeyOrder) {
    std::vector<std::string> log;
    Recorder listeners[3];
    const char* names[] = {"a", "b", "c"};
    for (int i = 0; i < 3; ++i) {
        listeners[i].log = &log;
        listeners[i].name = names[i];
    }
    vho::Subject<int> subject;
    // Attached out of order; the walk follows the keys (addresses).
    subject.Attach(9, &listeners[2], &Recorder::OnEvent);
    subject.Attach(9, &listeners[0], &Recorder::OnEvent);
    subject.Attach(9, &listeners[1], &Recorder::OnEvent);
    subject.Notify(9, const_cast<char*>("x"));
    EXPECT_EQ((std::vector<std::string>{"a:x", "b:x", "c:x"}), log);
}

TEST(VhoSubject, AListenerAttachedDuringANotificationWaitsForTheNextOne) {
    vho::Subject<int> subject;
    std::vector<std::string> log;
    Recorder late;
    late.log = &log;
    late.name = "late";
    struct Attacher : vho::Listener {
        vho::Subject<int>* subject = nullptr;
        Recorder* late = nullptr;
        std::vector<std::string>* log = nullptr;
        void OnEvent(void*) {
            log->push_back("attacher");
            // Keys on both sides of this one, so the walk is tested past the
            // insertion point whatever the addresses are.
            subject->Attach(3, late, &Recorder::OnEvent);
            subject->Attach(4, late, &Recorder::OnEvent);
        }
    };
    Attacher attacher[2];
    for (Attacher& a : attacher) {
        a.subject = &subject;
        a.late = &late;
        a.log = &log;
        subject.Attach(3, &a, &Attacher::OnEvent);
    }
    subject.Notify(3, const_cast<char*>("1"));
    EXPECT_EQ((std::vector<std::string>{"attacher", "attacher"}), log);
    log.clear();
    subject.Notify(3, const_cast<char*>("2"));
    EXPECT_EQ(3u, log.size());
    EXPECT_NE(log.end(), std::find(log.begin(), log.end(), "late:2"));
}

TEST(VhoSubject, AListenerDetachedDuringANotificationIsNotCalledAfterwards) {
    vho::Subject<int> subject;
    std::vector<std::string> log;
    Recorder first, second;
    first.log = second.log = &log;
    first.name = "first";
    second.name = "second";
    Recorder* low = &first < &second ? &first : &second;
    Recorder* high = low == &first ? &second : &first;
    struct Detacher : vho::Listener {
        vho::Subject<int>* subject = nullptr;
        const vho::Listener* victim = nullptr;
        void OnEvent(void*) { subject->Detach(5, victim); }
    };
    subject.Attach(5, low, &Recorder::OnEvent);
    subject.Attach(5, high, &Recorder::OnEvent);
    Detacher detacher;
    detacher.subject = &subject;
    detacher.victim = high;
    subject.Attach(5, &detacher, &Detacher::OnEvent);
    subject.Notify(5, const_cast<char*>("x"));
    // Whatever the detacher's place, the high listener runs at most before it.
    for (const std::string& entry : log) {
        EXPECT_TRUE(entry == low->name + ":x" || entry == high->name + ":x") << entry;
    }
    log.clear();
    subject.Notify(5, const_cast<char*>("y"));
    EXPECT_EQ((std::vector<std::string>{low->name + ":y"}), log);
}

TEST(VhoSubject, BookkeepingOfCodesAndKeys) {
    vho::Subject<int> subject;
    std::vector<std::string> log;
    Recorder r;
    r.log = &log;
    r.name = "r";
    subject.Notify(1, const_cast<char*>("nobody"));  // no listeners: nothing
    subject.Attach(1, &r, &Recorder::OnEvent);
    // The same key twice keeps the first handler.
    subject.Attach(1, &r, [&](void*) { log.push_back("second handler"); });
    subject.Notify(1, const_cast<char*>("x"));
    EXPECT_EQ((std::vector<std::string>{"r:x"}), log);
    subject.Detach(1, &r);
    EXPECT_FALSE(subject.HasCode(1)) << "the last detach removes the code";
    subject.Detach(1, &r);  // absent code: ignored
    subject.Attach(1, &r, [&](void*) { log.push_back("new"); });
    subject.Notify(1, nullptr);
    EXPECT_EQ("new", log.back());
}

}  // namespace
