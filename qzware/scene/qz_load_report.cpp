// The load-failure line (see the header).
#include "qzware/scene/qz_load_report.h"

#include <cstdio>
#include <mutex>

namespace QZW {
namespace {

std::mutex& ReportLock() {
    static std::mutex lock;
    return lock;
}

QzLoadReportSink& Sink() {
    static QzLoadReportSink sink = nullptr;
    return sink;
}

}  // namespace

void QzSetLoadReportSink(QzLoadReportSink sink) {
    std::lock_guard<std::mutex> hold(ReportLock());
    Sink() = sink;
}

std::string QzLoadFailureLine(const char* kind, const std::string& file,
                              const std::string& reason) {
    return std::string(kind ? kind : "file") + " \"" + file + "\" not loaded: " + reason;
}

void QzReportLoadFailure(const char* kind, const std::string& file, const std::string& reason) {
    const std::string line = QzLoadFailureLine(kind, file, reason);
    std::lock_guard<std::mutex> hold(ReportLock());
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
    if (QzLoadReportSink sink = Sink()) {
        sink(line);
    }
}

}  // namespace QZW
