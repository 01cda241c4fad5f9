// The task tree: every per-frame job of the engine and the game is a named
// task, started once, updated each frame while active, children after their
// parent, and deleted by its parent the frame after it was marked dead.
// Main thread only; the tree is not locked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace QZW {

class CQzTask {
public:
    explicit CQzTask(const std::string& name);
    // Marks every child dead (does not delete them: only the parent's
    // RemoveDeadChildren deletes tasks).
    virtual ~CQzTask();
    CQzTask(const CQzTask&) = delete;
    CQzTask& operator=(const CQzTask&) = delete;

    // Called once before the first Update; an override must set `started`.
    virtual void Start() { started = true; }
    virtual void Update() {}
    // Runs after the children were ticked (also while not active).
    virtual void PostUpdate() {}

    // One tick of this task and its subtree.
    void Execute();
    // Deletes dead descendants, depth first; the survivors keep their order.
    void RemoveDeadChildren();
    // Marks every descendant dead (not this task).
    void KillChildren();

    // Links `child` at the end (or front) of the children and sets its parent.
    void AppendChild(CQzTask* child);
    void InsertChildFront(CQzTask* child, bool setParent);

    std::vector<CQzTask*> children;
    double startTime = 0.0;
    double duration = 0.0;
    std::string name;
    CQzTask* parent = nullptr;
    bool alive = true;
    bool started = false;
    bool active = true;
};

// Owns the root task "MotherTask".
class CQzTaskManager {
public:
    CQzTaskManager();
    virtual ~CQzTaskManager();
    CQzTaskManager(const CQzTaskManager&) = delete;
    CQzTaskManager& operator=(const CQzTaskManager&) = delete;

    CQzTask* GetRootTask() { return root; }

    void* table = nullptr;  // 256 pointer-sized entries from the engine allocator
    std::uint32_t capacity = 256;
    std::uint32_t count = 0;
    CQzTask* root = nullptr;
};

// The task clock: the millisecond clock in seconds.
double QzTaskClockSeconds();

}  // namespace QZW
