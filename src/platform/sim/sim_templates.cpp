// The table itself, AllDialogTemplates(), is written by the build from the
// resource script (generate_templates.py).
#include "platform/sim/sim_templates.h"

namespace sim {

using K = ControlKind;

const DialogTemplate* FindDialogTemplate(int templateId) {
    for (const DialogTemplate& t : AllDialogTemplates()) {
        if (t.id == templateId) return &t;
    }
    return nullptr;
}

const char* ControlKindName(ControlKind kind) {
    switch (kind) {
        case K::kStatic: return "static";
        case K::kCombo: return "combo box";
        case K::kEdit: return "edit box";
        case K::kCheck: return "check box";
        case K::kGroup: return "group box";
        case K::kListView: return "list view";
        case K::kProgress: return "progress bar";
        case K::kButton: return "push button";
    }
    return "?";
}

}  // namespace sim
