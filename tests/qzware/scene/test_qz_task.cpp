// The task tree's tick order, start rule, active flag and reaping of dead tasks.
#include "qzware/scene/qz_task.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using QZW::CQzTask;

struct Log {
    std::vector<std::string> lines;
};

class RecordingTask : public CQzTask {
public:
    RecordingTask(const std::string& name, Log& log, bool setsStarted = true)
        : CQzTask(name), log(log), setsStarted(setsStarted) {}
    ~RecordingTask() override { log.lines.push_back("delete " + name); }
    void Start() override {
        log.lines.push_back("start " + name);
        if (setsStarted) {
            started = true;
        }
    }
    void Update() override { log.lines.push_back("update " + name); }
    void PostUpdate() override { log.lines.push_back("post " + name); }

    Log& log;
    bool setsStarted;
};

TEST(QzTask, ParentUpdatesBeforeChildrenAndPostUpdatesAfterThem) {
    Log log;
    RecordingTask root("root", log);
    auto* a = new RecordingTask("a", log);
    auto* b = new RecordingTask("b", log);
    auto* a1 = new RecordingTask("a1", log);
    root.AppendChild(a);
    root.AppendChild(b);
    a->AppendChild(a1);
    root.started = true;
    root.Execute();
    const std::vector<std::string> expected = {"start a",  "start b",   "update root", "start a1",
                                               "update a", "update a1", "post a1",     "post a",
                                               "update b", "post b",    "post root"};
    EXPECT_EQ(expected, log.lines);
    root.KillChildren();
    root.RemoveDeadChildren();
}

TEST(QzTask, StartThatDoesNotSetStartedRunsEveryFrameAndNeverUpdates) {
    Log log;
    CQzTask root("root");
    root.AppendChild(new RecordingTask("lazy", log, false));
    root.Execute();
    root.Execute();
    EXPECT_EQ((std::vector<std::string>{"start lazy", "start lazy"}), log.lines);
    root.KillChildren();
    root.RemoveDeadChildren();
}

TEST(QzTask, InactiveTaskStartsChildrenButSkipsUpdatesAndStillPostUpdates) {
    Log log;
    RecordingTask parent("p", log);
    parent.started = true;
    parent.active = false;
    parent.AppendChild(new RecordingTask("c", log));
    parent.Execute();
    EXPECT_EQ((std::vector<std::string>{"start c", "post p"}), log.lines);
    parent.KillChildren();
    parent.RemoveDeadChildren();
}

TEST(QzTask, DeadMiddleChildIsReapedAndTheRestKeepTheirOrder) {
    Log log;
    CQzTask root("root");
    auto* a = new RecordingTask("a", log);
    auto* b = new RecordingTask("b", log);
    auto* c = new RecordingTask("c", log);
    root.AppendChild(a);
    root.AppendChild(b);
    root.AppendChild(c);
    b->alive = false;
    root.RemoveDeadChildren();
    ASSERT_EQ(2u, root.children.size());
    EXPECT_EQ(a, root.children[0]);
    EXPECT_EQ(c, root.children[1]);
    EXPECT_EQ((std::vector<std::string>{"delete b"}), log.lines);
    root.KillChildren();
    root.RemoveDeadChildren();
}

TEST(QzTask, DeadTaskTakesItsLiveChildrenWithItDeepestFirst) {
    Log log;
    CQzTask root("root");
    auto* dead = new RecordingTask("dead", log);
    auto* child = new RecordingTask("child", log);
    auto* grandchild = new RecordingTask("grandchild", log);
    root.AppendChild(dead);
    dead->AppendChild(child);
    child->AppendChild(grandchild);
    dead->alive = false;
    root.RemoveDeadChildren();
    EXPECT_TRUE(root.children.empty());
    EXPECT_EQ((std::vector<std::string>{"delete grandchild", "delete child", "delete dead"}),
              log.lines);
}

TEST(QzTask, KillChildrenMarksDescendantsButNotTheTaskItself) {
    CQzTask root("root");
    auto* a = new CQzTask("a");
    auto* a1 = new CQzTask("a1");
    root.AppendChild(a);
    a->AppendChild(a1);
    root.KillChildren();
    EXPECT_TRUE(root.alive);
    EXPECT_FALSE(a->alive);
    EXPECT_FALSE(a1->alive);
    root.RemoveDeadChildren();
}

TEST(QzTask, DestructorMarksChildrenDeadWithoutDeletingThem) {
    Log log;
    auto child = std::make_unique<RecordingTask>("child", log);
    {
        CQzTask parent("parent");
        parent.AppendChild(child.get());
    }
    EXPECT_FALSE(child->alive);
    EXPECT_TRUE(log.lines.empty());
}

TEST(QzTask, TaskThatKillsItselfStillTicksItsChildrenThatFrame) {
    Log log;
    class Suicidal : public RecordingTask {
    public:
        using RecordingTask::RecordingTask;
        void Update() override {
            RecordingTask::Update();
            alive = false;
        }
    };
    CQzTask root("root");
    auto* s = new Suicidal("s", log);
    root.AppendChild(s);
    s->AppendChild(new RecordingTask("kid", log));
    s->started = true;
    root.Execute();
    root.Execute();
    EXPECT_EQ(
        (std::vector<std::string>{"start kid", "update s", "update kid", "post kid", "post s"}),
        log.lines);
    root.RemoveDeadChildren();
    EXPECT_TRUE(root.children.empty());
}

TEST(QzTask, ChildrenAddedDuringATickNeitherSkipNorRepeatASibling) {
    // A child that, in its Start or its Update, adds one sibling at the front
    // or at the back of its parent.
    class Adding : public RecordingTask {
    public:
        Adding(const std::string& name, Log& log, bool front, bool inStart)
            : RecordingTask(name, log), front(front), inStart(inStart) {}
        void Start() override {
            RecordingTask::Start();
            if (inStart) {
                Add();
            }
        }
        void Update() override {
            RecordingTask::Update();
            if (!inStart) {
                Add();
            }
        }
        void Add() {
            auto* added = new RecordingTask("new", log);
            added->started = true;  // would be ticked if the walk reached it
            if (front) {
                parent->InsertChildFront(added, true);
            } else {
                parent->AppendChild(added);
            }
        }
        bool front, inStart;
    };
    struct Case {
        const char* what;
        bool front, inStart;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        // Inserted behind the walk: reached next tick; x and b once each.
        {"front, in Update",
         true,
         false,
         {"start a", "start x", "start b", "update root", "update a", "post a", "update x",
          "post x", "update b", "post b", "post root"}},
        {"back, in Update",
         false,
         false,
         {"start a", "start x", "start b", "update root", "update a", "post a", "update x",
          "post x", "update b", "post b", "update new", "post new", "post root"}},
        {"front, in Start",
         true,
         true,
         {"start a", "start x", "start b", "update root", "update new", "post new", "update a",
          "post a", "update x", "post x", "update b", "post b", "post root"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Log log;
        RecordingTask root("root", log);
        root.started = true;
        root.AppendChild(new RecordingTask("a", log));
        root.AppendChild(new Adding("x", log, c.front, c.inStart));
        root.AppendChild(new RecordingTask("b", log));
        root.Execute();
        EXPECT_EQ(c.expected, log.lines);
        root.KillChildren();
        root.RemoveDeadChildren();
    }
}

}  // namespace
