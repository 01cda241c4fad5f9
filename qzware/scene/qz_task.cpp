#include "qzware/scene/qz_task.h"

#include <cstring>

#include "platform/clock/clock.h"
#include "qzware/common/qz_mem.h"

namespace QZW {

double QzTaskClockSeconds() {
    return double(platform::clock::now_ms()) / 1000.0;
}

CQzTask::CQzTask(const std::string& taskName) : name(taskName) {}

CQzTask::~CQzTask() {
    for (CQzTask* child : children) {
        child->alive = false;
        child->KillChildren();
    }
}

namespace {

// The position after `child`, found again when the vector changed under it: a
// child may append siblings or insert them at the front while it runs, which
// moves it. Siblings inserted before it are then not visited in this walk,
// and none is visited twice.
std::size_t NextAfter(const std::vector<CQzTask*>& children, std::size_t at, CQzTask* child) {
    if (at < children.size() && children[at] == child) {
        return at + 1;
    }
    for (std::size_t i = 0; i < children.size(); ++i) {
        if (children[i] == child) {
            return i + 1;
        }
    }
    return at + 1;
}

}  // namespace

void CQzTask::Execute() {
    startTime = QzTaskClockSeconds();
    // Index loops: a task may add children while the tree ticks.
    for (std::size_t i = 0; i < children.size();) {
        CQzTask* child = children[i];
        if (!child->started) {
            child->Start();
        }
        i = NextAfter(children, i, child);
    }
    if (active) {
        Update();
        for (std::size_t i = 0; i < children.size();) {
            CQzTask* child = children[i];
            if (child->alive && child->started) {
                child->Execute();
            }
            i = NextAfter(children, i, child);
        }
    }
    PostUpdate();
    duration = QzTaskClockSeconds() - startTime;
}

void CQzTask::RemoveDeadChildren() {
    std::size_t i = 0;
    while (i < children.size()) {
        CQzTask* child = children[i];
        // A dead task's subtree goes with it, deepest first; a task's own
        // destructor only marks its children, so they would otherwise leak.
        if (!child->alive) {
            child->KillChildren();
        }
        child->RemoveDeadChildren();
        if (!child->alive) {
            delete child;
            children.erase(children.begin() + std::ptrdiff_t(i));
        } else {
            ++i;
        }
    }
}

void CQzTask::KillChildren() {
    for (CQzTask* child : children) {
        child->alive = false;
        child->KillChildren();
    }
}

void CQzTask::AppendChild(CQzTask* child) {
    children.push_back(child);
    child->parent = this;
}

void CQzTask::InsertChildFront(CQzTask* child, bool setParent) {
    children.insert(children.begin(), child);
    if (setParent) {
        child->parent = this;
    }
}

CQzTaskManager::CQzTaskManager() {
    {
        CQzScopedLock hold(QzMemGetLock());
        table = QzMemAlloc(capacity * sizeof(void*), 8);
    }
    if (table) {
        std::memset(table, 0, capacity * sizeof(void*));
    }
    root = new CQzTask("MotherTask");
}

CQzTaskManager::~CQzTaskManager() {
    root->KillChildren();
    root->RemoveDeadChildren();
    QzMemFree(table);
    delete root;
    root = nullptr;
}

}  // namespace QZW
