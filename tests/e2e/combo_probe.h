// Reads the list of a combo box that lives in another process. The system
// carries its string messages across processes for a combo box that keeps
// its own strings (not owner-drawn), so no remote memory is needed.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace e2e {

// Every item of `combo` in list order; nullopt when it does not answer.
std::optional<std::vector<std::string>> ReadComboItems(HWND combo);

// The index of the selected item (CB_ERR when none); nullopt when the combo
// box does not answer.
std::optional<int> ReadComboSelection(HWND combo);

// Chooses the item `text` of combo box `id` of `dialog` as a click would:
// the new selection, then the combo box's notice to the dialog. False when
// there is no such item or the dialog does not answer.
bool ChooseComboItem(HWND dialog, int id, const std::string& text);

}  // namespace e2e
