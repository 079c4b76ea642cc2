// The controls of one headless dialog: their state and the operations the
// program's messages perform on them, with the results Windows gives.
// Not thread-safe: the owning SimDialog serialises every access.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/sim/sim_templates.h"

namespace sim {

struct ListColumn {
    std::string text;
    int width = 0;
    int format = 0;
    bool operator==(const ListColumn&) const = default;
};

struct ControlState {
    const ControlSpec* spec = nullptr;
    std::string text;
    bool enabled = true;
    std::uint32_t check = 0;
    // Combo box.
    std::vector<std::string> items;
    int curSel = -1;
    // List view.
    struct Row {
        std::vector<std::string> cells;  // cell 0 is the item's own text
        std::uint32_t state = 0;
    };
    std::vector<ListColumn> columns;
    std::uint32_t exStyle = 0;
    std::vector<Row> rows;
    // Progress bar, range 0..100.
    int pos = 0;
};

class SimControls {
public:
    explicit SimControls(const DialogTemplate& tmpl);

    // The control with this id, or nullptr. Calls with an unknown id or on a
    // control of the wrong kind are noted in Misuses() and fail as Windows
    // fails them (zero, empty, -1).
    ControlState* Find(int id);
    const ControlState* Find(int id) const;
    // Like Find, but a missing control or one of another kind is noted.
    ControlState* Use(int id, const char* operation);
    ControlState* Use(int id, ControlKind kind, const char* operation);

    // Window text; a drop-down list combo box shows its selected item.
    std::string GetText(int id);
    // Returns whether the control exists (and, for a drop-down list combo,
    // whether an item of that text was found and selected).
    bool SetText(int id, const std::string& text);
    void Enable(int id, bool enable);
    bool IsEnabled(int id);
    void SetCheck(int id, std::uint32_t state);
    std::uint32_t GetCheck(int id);

    void ComboReset(int id);
    int ComboAdd(int id, const std::string& text);
    int ComboSetCurSel(int id, int index);
    int ComboGetCurSel(int id);
    int ComboCount(int id);
    std::string ComboItem(int id, int index);

    void ListDeleteAllItems(int id);
    int ListColumnCount(int id);
    bool ListDeleteColumn(int id, int column);
    std::uint32_t ListGetExStyle(int id);
    void ListSetExStyle(int id, std::uint32_t style);
    int ListInsertColumn(int id, int column, const std::string& text, int format);
    bool ListSetColumnWidth(int id, int column, int width);
    int ListInsertItem(int id, int row, const std::string& text);
    bool ListDeleteItem(int id, int row);
    bool ListSetItemText(int id, int row, int column, const std::string& text);
    std::string ListGetItemText(int id, int row, int column);
    // `row` -1 means every row. Selecting a row of a single-selection list
    // clears the selection of the others; only one row holds the focus.
    bool ListSetItemState(int id, int row, std::uint32_t state, std::uint32_t mask);
    std::uint32_t ListGetItemState(int id, int row, std::uint32_t mask);
    int ListCount(int id);

    void ProgressSetPos(int id, int pos);
    int ProgressGetPos(int id);

    const std::vector<std::string>& Misuses() const { return misuses_; }

private:
    void NoteMisuse(const std::string& what);

    const DialogTemplate& tmpl_;
    std::map<int, ControlState> controls_;
    std::vector<std::string> misuses_;
};

}  // namespace sim
