// Catches what k_fatal_error reports while it lives: diagnostics are switched on through the
// environment (message boxes only, every kind), and the message box is replaced by a recorder.
#pragma once
#include <string>
#include <vector>

struct CapturedReport {
    std::string name;
    int first;
    int second;
    int third;
};

class ReportCapture {
  public:
    ReportCapture();
    ~ReportCapture();
    ReportCapture(const ReportCapture&) = delete;
    ReportCapture& operator=(const ReportCapture&) = delete;

    const std::vector<CapturedReport>& reports() const;
    // The reports of one function, in order.
    std::vector<CapturedReport> from(const std::string& name) const;
};
