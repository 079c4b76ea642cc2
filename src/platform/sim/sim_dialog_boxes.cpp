#include "platform/sim/sim_dialog_boxes.h"

#include <algorithm>

#include "platform/ui.h"

namespace sim {
namespace {
constexpr int kIdTryAgain = 10;
constexpr int kIdContinue = 11;
}  // namespace

std::vector<int> MessageBoxButtons(std::uint32_t type) {
    using namespace plat;
    switch (type & 0xFu) {
        case 0x1: return {kIdOk, kIdCancel};
        case 0x2: return {kIdAbort, kIdRetry, kIdIgnore};
        case 0x3: return {kIdYes, kIdNo, kIdCancel};
        case 0x4: return {kIdYes, kIdNo};
        case 0x5: return {kIdRetry, kIdCancel};
        case 0x6: return {kIdCancel, kIdTryAgain, kIdContinue};
        default: return {kIdOk};
    }
}

bool MessageBoxOffers(std::uint32_t type, int button) {
    const std::vector<int> buttons = MessageBoxButtons(type);
    return std::find(buttons.begin(), buttons.end(), button) != buttons.end();
}

int MessageBoxDefaultButton(std::uint32_t type) {
    const std::vector<int> buttons = MessageBoxButtons(type);
    const std::size_t index = (type >> 8) & 0xFu;
    return index < buttons.size() ? buttons[index] : buttons.front();
}

}  // namespace sim
