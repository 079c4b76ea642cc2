// The dialog templates of the simulated user interface: for each template
// id, the caption, font, size and controls that the resource script gives
// the real program. A headless dialog builds its controls from this table;
// the build writes it from the resource script (generate_templates.py), and
// the Win32 tests compare it with the templates compiled into the program.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

enum class ControlKind { kStatic, kCombo, kEdit, kCheck, kGroup, kListView, kProgress, kButton };

// Style facts of a control that change how it behaves or that the resource
// script must agree on.
namespace ctl {
constexpr std::uint32_t kDisabled = 0x1;       // WS_DISABLED
constexpr std::uint32_t kDefaultButton = 0x2;  // BS_DEFPUSHBUTTON
constexpr std::uint32_t kSorted = 0x4;         // CBS_SORT
constexpr std::uint32_t kDropDownList = 0x8;   // CBS_DROPDOWNLIST
constexpr std::uint32_t kAutoCheck = 0x10;     // BS_AUTOCHECKBOX
constexpr std::uint32_t kSingleSel = 0x20;     // LVS_SINGLESEL
constexpr std::uint32_t kShowSelAlways = 0x40; // LVS_SHOWSELALWAYS
constexpr std::uint32_t kReport = 0x80;        // LVS_REPORT
constexpr std::uint32_t kBorder = 0x100;       // WS_BORDER
constexpr std::uint32_t kVScroll = 0x200;      // WS_VSCROLL
constexpr std::uint32_t kAutoHScroll = 0x400;  // ES_AUTOHSCROLL
}  // namespace ctl

// Id of a control the program never addresses (IDC_STATIC).
constexpr int kNoControlId = -1;

struct ControlSpec {
    int id;
    ControlKind kind;
    std::string text;
    int x, y, width, height;  // dialog units
    std::uint32_t flags;      // ctl:: bits
    std::string className;    // as the resource script names it
    std::uint32_t style;      // as the resource compiler writes it
};

struct DialogTemplate {
    int id;
    std::string caption;
    std::string fontName;
    int fontPoints;
    int width, height;  // dialog units
    std::uint32_t style, exStyle;       // as the resource compiler writes them
    std::vector<ControlSpec> controls;  // in template (tab) order
};

// The template with this id, or nullptr when the program has none.
const DialogTemplate* FindDialogTemplate(int templateId);

// Every template, in ascending id order.
const std::vector<DialogTemplate>& AllDialogTemplates();

// The kind's name, for messages.
const char* ControlKindName(ControlKind kind);

}  // namespace sim
