// The script log: everything the VM prints (script print output, error
// reports) goes to one file per run, "Log/SQ_%Y%m%d_%H%M%S.txt" under the
// working folder, named by the local time of the first text. The file is
// opened for append and flushed after every write, so a crash or a restart
// within the same second loses nothing. Written from the main thread; a lock
// keeps the runaway-script watchdog's final report whole.
#pragma once

#include <fstream>
#include <mutex>
#include <string>

namespace Sample {

class SQPrintCallStack {
public:
    virtual void Open() = 0;
    virtual void Close() = 0;
    virtual void Write(const char* text) = 0;
    virtual ~SQPrintCallStack() = default;
};

class SqPrintCallStack : public SQPrintCallStack {
public:
    void Open() override;
    void Close() override;
    void Write(const char* text) override;
    ~SqPrintCallStack() override = default;

    // "Log/SQ_....txt" once opened, else empty.
    const std::string& Path() const { return path; }
    // True when the file could not be opened (printing then goes nowhere).
    bool Unavailable() const;

private:
    void OpenLocked();

    mutable std::mutex lock;
    std::ofstream stream;
    std::string path;
    int opened = 0;
};

// The process-wide log object (built before main, destroyed at exit).
SqPrintCallStack& GetSqLog();
// The log hook every print and error report goes through; null until the
// script host sets it.
SQPrintCallStack* GetSqLogHook();
void SetSqLogHook(SQPrintCallStack* hook);

}  // namespace Sample
