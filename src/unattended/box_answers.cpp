#include "unattended/box_answers.h"

#include "platform/ui.h"

namespace {

// The boxes that end an installation, or leave its printer on a fallback
// port, by their caption (empty: any) and the start of their text.
struct BoxRule {
    const char* caption;
    const char* textStart;
    ExitCode outcome;
};

constexpr BoxRule kRules[] = {
    {"Fail to select port", "", ExitCode::kFallbackPort},
    {"", "Failed to add the driver ", ExitCode::kDriverRefused},
    {"", "Failed to add Monitor", ExitCode::kMonitorRefused},
    {"Prompt", "There's no available useful port", ExitCode::kPrinterNotCreated},
    {"Prompt", "Missing system flies", ExitCode::kPrinterNotCreated},
    {"Error prompt", "Error AddPrinter ", ExitCode::kPrinterNotCreated},
    {"", "There is no available parallel port", ExitCode::kNoSuchPort},
    {"", "There is no available TCP/IP port", ExitCode::kNoSuchPort},
    {"", "The driver \"", ExitCode::kUnknownDriver},
};

bool StartsWith(const std::string& text, const char* start) { return text.rfind(start, 0) == 0; }

}  // namespace

BoxVerdict JudgeBox(const std::string& text, const std::string& caption, std::uint32_t type) {
    BoxVerdict verdict;
    switch (type & 0xFu) {
        case 0x1: verdict.answer = plat::kIdCancel; break;  // OK, Cancel
        case 0x2: verdict.answer = plat::kIdAbort; break;   // Abort, Retry, Ignore
        case 0x3: verdict.answer = plat::kIdCancel; break;  // Yes, No, Cancel
        case 0x4: verdict.answer = plat::kIdNo; break;      // Yes, No
        case 0x5: verdict.answer = plat::kIdCancel; break;  // Retry, Cancel
        case 0x6: verdict.answer = plat::kIdCancel; break;  // Cancel, Try Again, Continue
        default: verdict.answer = plat::kIdOk; break;
    }
    for (const BoxRule& rule : kRules) {
        if ((*rule.caption == '\0' || caption == rule.caption) && StartsWith(text, rule.textStart)) {
            verdict.outcome = rule.outcome;
            break;
        }
    }
    return verdict;
}

const char* ButtonName(int button) {
    switch (button) {
        case plat::kIdOk: return "OK";
        case plat::kIdCancel: return "Cancel";
        case plat::kIdAbort: return "Abort";
        case plat::kIdRetry: return "Retry";
        case plat::kIdIgnore: return "Ignore";
        case plat::kIdYes: return "Yes";
        case plat::kIdNo: return "No";
        default: return "?";
    }
}
