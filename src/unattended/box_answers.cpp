#include "unattended/box_answers.h"

#include "platform/ui.h"

int CarefulAnswer(std::uint32_t type) {
    switch (type & 0xFu) {
        case 0x1: return plat::kIdCancel;  // OK, Cancel
        case 0x2: return plat::kIdAbort;   // Abort, Retry, Ignore
        case 0x3: return plat::kIdCancel;  // Yes, No, Cancel
        case 0x4: return plat::kIdNo;      // Yes, No
        case 0x5: return plat::kIdCancel;  // Retry, Cancel
        case 0x6: return plat::kIdCancel;  // Cancel, Try Again, Continue
        default: return plat::kIdOk;
    }
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
