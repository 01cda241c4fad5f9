// The script log file: created on first use, appended to, flushed per write.
#include "proj/script/sq_print_call_stack.h"

#include <ctime>
#include <filesystem>
#include <system_error>

namespace Sample {

namespace {
SqPrintCallStack theLog;
SQPrintCallStack* logHook = nullptr;
}  // namespace

SqPrintCallStack& GetSqLog() {
    return theLog;
}
SQPrintCallStack* GetSqLogHook() {
    return logHook;
}
void SetSqLogHook(SQPrintCallStack* hook) {
    logHook = hook;
}

// The process locale is left alone: the stream writes the script's UTF-8
// bytes unchanged, and a changed locale would alter number formatting
// elsewhere.
void SqPrintCallStack::Open() {
    std::lock_guard<std::mutex> hold(lock);
    OpenLocked();
}

bool SqPrintCallStack::Unavailable() const {
    std::lock_guard<std::mutex> hold(lock);
    return opened && !stream.is_open();
}

void SqPrintCallStack::OpenLocked() {
    if (opened) {
        return;
    }
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char name[128];
    std::strftime(name, sizeof name, "SQ_%Y%m%d_%H%M%S.txt", &local);
    std::error_code ec;
    std::filesystem::create_directory("Log", ec);
    path = std::string("Log/") + name;
    // A failed open leaves the stream failed: printing then goes nowhere.
    stream.open(path, std::ios::out | std::ios::app | std::ios::binary);
    opened = 1;
}

void SqPrintCallStack::Close() {
    std::lock_guard<std::mutex> hold(lock);
    if (stream.is_open()) {
        stream.close();
    }
    opened = 0;
}

void SqPrintCallStack::Write(const char* text) {
    std::lock_guard<std::mutex> hold(lock);
    if (!opened) {
        OpenLocked();
    }
    if (text) {
        stream << text;
        stream.flush();
    }
}

}  // namespace Sample
