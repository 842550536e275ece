#include "support/report_capture.h"

#include <cstdio>
#include <cstdlib>

#include "files/reporter.h"

namespace {

std::vector<CapturedReport> captured;

// "%name-E-Fatal error, Date ...\r\n0x...<first> 0x...<second> 0x...<third>"
void record(const char* /*title*/, const char* text) {
    std::string report(text);
    CapturedReport parsed{};
    size_t nameEnd = report.find("-E-");
    if (report.size() > 1 && nameEnd != std::string::npos)
        parsed.name = report.substr(1, nameEnd - 1);
    size_t values = report.find("\r\n");
    if (values != std::string::npos)
        std::sscanf(report.c_str() + values + 2, "0x%*X<%d> 0x%*X<%d> 0x%*X<%d>", &parsed.first,
                    &parsed.second, &parsed.third);
    captured.push_back(parsed);
}

}  // namespace

ReportCapture::ReportCapture() {
    setenv("VELDIAG", "1", 1);
    setenv("VMODE", "0", 1);
    setenv("VLEVL", "9", 1);
    captured.clear();
    k_errlog_reset();
    k_set_message_box(record);
}

ReportCapture::~ReportCapture() {
    k_set_message_box(nullptr);
    unsetenv("VELDIAG");
    unsetenv("VMODE");
    unsetenv("VLEVL");
    k_errlog_reset();
}

const std::vector<CapturedReport>& ReportCapture::reports() const {
    return captured;
}

std::vector<CapturedReport> ReportCapture::from(const std::string& name) const {
    std::vector<CapturedReport> matching;
    for (const CapturedReport& report : captured)
        if (report.name == name) matching.push_back(report);
    return matching;
}
