#include "platform/sim/sim_dialog_controls.h"

#include <algorithm>
#include <cctype>

#include "platform/ui.h"

namespace sim {
namespace {

// CB_ERR, LB_ERR and the list view's failure index.
constexpr int kErr = -1;

int CompareNoCase(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int ca = std::tolower(static_cast<unsigned char>(a[i]));
        const int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool InRange(int index, std::size_t size) {
    return index >= 0 && static_cast<std::size_t>(index) < size;
}

}  // namespace

SimControls::SimControls(const DialogTemplate& tmpl) : tmpl_(tmpl) {
    for (const ControlSpec& spec : tmpl.controls) {
        if (spec.id == kNoControlId) continue;
        ControlState& c = controls_[spec.id];
        c.spec = &spec;
        c.text = spec.text;
        c.enabled = (spec.flags & ctl::kDisabled) == 0;
    }
}

void SimControls::NoteMisuse(const std::string& what) {
    misuses_.push_back("dialog " + std::to_string(tmpl_.id) + ": " + what);
}

ControlState* SimControls::Find(int id) {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : &it->second;
}

const ControlState* SimControls::Find(int id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : &it->second;
}

ControlState* SimControls::Use(int id, const char* operation) {
    ControlState* c = Find(id);
    if (c == nullptr) NoteMisuse(std::string(operation) + " on missing control " + std::to_string(id));
    return c;
}

ControlState* SimControls::Use(int id, ControlKind kind, const char* operation) {
    ControlState* c = Use(id, operation);
    if (c != nullptr && c->spec->kind != kind) {
        NoteMisuse(std::string(operation) + " on control " + std::to_string(id) + ", a " +
                   ControlKindName(c->spec->kind));
        return nullptr;
    }
    return c;
}

std::string SimControls::GetText(int id) {
    ControlState* c = Use(id, "GetDlgItemText");
    if (c == nullptr) return {};
    switch (c->spec->kind) {
        case ControlKind::kCombo:
            return InRange(c->curSel, c->items.size()) ? c->items[c->curSel] : std::string();
        case ControlKind::kListView:
        case ControlKind::kProgress:
            return {};
        default:
            return c->text;
    }
}

bool SimControls::SetText(int id, const std::string& text) {
    ControlState* c = Use(id, "SetDlgItemText");
    if (c == nullptr) return false;
    if (c->spec->kind == ControlKind::kCombo) {
        // A drop-down list has no text of its own: setting its text picks
        // the item that reads so, and leaves the box as it was otherwise.
        for (std::size_t i = 0; i < c->items.size(); ++i) {
            if (CompareNoCase(c->items[i], text) == 0) {
                c->curSel = static_cast<int>(i);
                return true;
            }
        }
        return false;
    }
    c->text = text;
    return true;
}

void SimControls::Enable(int id, bool enable) {
    if (ControlState* c = Use(id, "EnableWindow")) c->enabled = enable;
}

bool SimControls::IsEnabled(int id) {
    ControlState* c = Use(id, "IsWindowEnabled");
    return c != nullptr && c->enabled;
}

void SimControls::SetCheck(int id, std::uint32_t state) {
    if (ControlState* c = Use(id, ControlKind::kCheck, "CheckDlgButton")) c->check = state;
}

std::uint32_t SimControls::GetCheck(int id) {
    ControlState* c = Use(id, ControlKind::kCheck, "IsDlgButtonChecked");
    return c == nullptr ? 0 : c->check;
}

void SimControls::ComboReset(int id) {
    if (ControlState* c = Use(id, ControlKind::kCombo, "CB_RESETCONTENT")) {
        c->items.clear();
        c->curSel = -1;
    }
}

int SimControls::ComboAdd(int id, const std::string& text) {
    ControlState* c = Use(id, ControlKind::kCombo, "CB_ADDSTRING");
    if (c == nullptr) return kErr;
    std::size_t at = c->items.size();
    if ((c->spec->flags & ctl::kSorted) != 0) {
        at = 0;
        while (at < c->items.size() && CompareNoCase(c->items[at], text) <= 0) ++at;
        if (c->curSel >= static_cast<int>(at)) ++c->curSel;
    }
    c->items.insert(c->items.begin() + static_cast<std::ptrdiff_t>(at), text);
    return static_cast<int>(at);
}

int SimControls::ComboSetCurSel(int id, int index) {
    ControlState* c = Use(id, ControlKind::kCombo, "CB_SETCURSEL");
    if (c == nullptr) return kErr;
    // Out of range (and -1, which only clears) selects nothing and reports
    // CB_ERR, as the real control does.
    if (!InRange(index, c->items.size())) {
        c->curSel = -1;
        return kErr;
    }
    c->curSel = index;
    return index;
}

int SimControls::ComboGetCurSel(int id) {
    ControlState* c = Use(id, ControlKind::kCombo, "CB_GETCURSEL");
    return c == nullptr ? kErr : c->curSel;
}

int SimControls::ComboCount(int id) {
    ControlState* c = Use(id, ControlKind::kCombo, "CB_GETCOUNT");
    return c == nullptr ? kErr : static_cast<int>(c->items.size());
}

std::string SimControls::ComboItem(int id, int index) {
    ControlState* c = Use(id, ControlKind::kCombo, "CB_GETLBTEXT");
    if (c == nullptr || !InRange(index, c->items.size())) return {};
    return c->items[index];
}

void SimControls::ListDeleteAllItems(int id) {
    if (ControlState* c = Use(id, ControlKind::kListView, "LVM_DELETEALLITEMS")) c->rows.clear();
}

int SimControls::ListColumnCount(int id) {
    ControlState* c = Use(id, ControlKind::kListView, "HDM_GETITEMCOUNT");
    return c == nullptr ? kErr : static_cast<int>(c->columns.size());
}

bool SimControls::ListDeleteColumn(int id, int column) {
    ControlState* c = Use(id, ControlKind::kListView, "LVM_DELETECOLUMN");
    if (c == nullptr || !InRange(column, c->columns.size())) return false;
    c->columns.erase(c->columns.begin() + column);
    for (ControlState::Row& row : c->rows) {
        if (InRange(column, row.cells.size())) row.cells.erase(row.cells.begin() + column);
    }
    return true;
}

std::uint32_t SimControls::ListGetExStyle(int id) {
    ControlState* c = Use(id, ControlKind::kListView, "LVM_GETEXTENDEDLISTVIEWSTYLE");
    return c == nullptr ? 0 : c->exStyle;
}

void SimControls::ListSetExStyle(int id, std::uint32_t style) {
    if (ControlState* c = Use(id, ControlKind::kListView, "LVM_SETEXTENDEDLISTVIEWSTYLE")) {
        c->exStyle = style;
    }
}

int SimControls::ListInsertColumn(int id, int column, const std::string& text, int format) {
    ControlState* c = Use(id, ControlKind::kListView, "LVM_INSERTCOLUMN");
    if (c == nullptr || column < 0) return kErr;
    const int at = std::min(column, static_cast<int>(c->columns.size()));
    c->columns.insert(c->columns.begin() + at, ListColumn{text, 0, format});
    for (ControlState::Row& row : c->rows) {
        if (static_cast<std::size_t>(at) < row.cells.size()) row.cells.insert(row.cells.begin() + at, "");
    }
    return at;
}

bool SimControls::ListSetColumnWidth(int id, int column, int width) {
    ControlState* c = Use(id, ControlKind::kListView, "LVM_SETCOLUMNWIDTH");
    if (c == nullptr || !InRange(column, c->columns.size())) return false;
    c->columns[column].width = width;
    return true;
}

int SimControls::ListInsertItem(int id, int row, const std::string& text) {
    ControlState* c = Use(id, ControlKind::kListView, "LVM_INSERTITEM");
    if (c == nullptr || row < 0) return kErr;
    const int at = std::min(row, static_cast<int>(c->rows.size()));
    ControlState::Row r;
    r.cells.push_back(text);
    c->rows.insert(c->rows.begin() + at, std::move(r));
    return at;
}

bool SimControls::ListDeleteItem(int id, int row) {
    ControlState* c = Use(id, ControlKind::kListView, "LVM_DELETEITEM");
    if (c == nullptr || !InRange(row, c->rows.size())) return false;
    c->rows.erase(c->rows.begin() + row);
    return true;
}

bool SimControls::ListSetItemText(int id, int row, int column, const std::string& text) {
    ControlState* c = Use(id, ControlKind::kListView, "LVM_SETITEMTEXT");
    if (c == nullptr || !InRange(row, c->rows.size())) return false;
    // A sub-item needs its column; the item's own text (column 0) does not.
    const std::size_t columns = std::max<std::size_t>(1, c->columns.size());
    if (!InRange(column, columns)) return false;
    std::vector<std::string>& cells = c->rows[row].cells;
    if (cells.size() <= static_cast<std::size_t>(column)) cells.resize(column + 1);
    cells[column] = text;
    return true;
}

std::string SimControls::ListGetItemText(int id, int row, int column) {
    ControlState* c = Use(id, ControlKind::kListView, "LVM_GETITEMTEXT");
    if (c == nullptr || !InRange(row, c->rows.size())) return {};
    const std::vector<std::string>& cells = c->rows[row].cells;
    return InRange(column, cells.size()) ? cells[column] : std::string();
}

bool SimControls::ListSetItemState(int id, int row, std::uint32_t state, std::uint32_t mask) {
    ControlState* c = Use(id, ControlKind::kListView, "LVM_SETITEMSTATE");
    if (c == nullptr) return false;
    const bool singleSel = (c->spec->flags & ctl::kSingleSel) != 0;
    const bool selecting = (state & mask & plat::kLvisSelected) != 0;
    const bool focusing = (state & mask & plat::kLvisFocused) != 0;
    if (row == -1) {
        // Selecting every row of a single-selection list is refused.
        if (singleSel && selecting) return false;
        for (ControlState::Row& r : c->rows) r.state = (r.state & ~mask) | (state & mask);
        if (focusing) {
            for (std::size_t i = 1; i < c->rows.size(); ++i) c->rows[i].state &= ~plat::kLvisFocused;
        }
        return true;
    }
    if (!InRange(row, c->rows.size())) return false;
    for (std::size_t i = 0; i < c->rows.size(); ++i) {
        if (static_cast<int>(i) == row) continue;
        if (selecting && singleSel) c->rows[i].state &= ~plat::kLvisSelected;
        if (focusing) c->rows[i].state &= ~plat::kLvisFocused;
    }
    ControlState::Row& r = c->rows[row];
    r.state = (r.state & ~mask) | (state & mask);
    return true;
}

std::uint32_t SimControls::ListGetItemState(int id, int row, std::uint32_t mask) {
    ControlState* c = Use(id, ControlKind::kListView, "LVM_GETITEMSTATE");
    if (c == nullptr || !InRange(row, c->rows.size())) return 0;
    return c->rows[row].state & mask;
}

int SimControls::ListCount(int id) {
    ControlState* c = Use(id, ControlKind::kListView, "LVM_GETITEMCOUNT");
    return c == nullptr ? 0 : static_cast<int>(c->rows.size());
}

void SimControls::ProgressSetPos(int id, int pos) {
    if (ControlState* c = Use(id, ControlKind::kProgress, "PBM_SETPOS")) {
        c->pos = std::clamp(pos, 0, 100);
    }
}

int SimControls::ProgressGetPos(int id) {
    ControlState* c = Use(id, ControlKind::kProgress, "PBM_GETPOS");
    return c == nullptr ? 0 : c->pos;
}

}  // namespace sim
