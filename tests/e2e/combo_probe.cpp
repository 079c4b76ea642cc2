#include "combo_probe.h"

#include "dialog_probe.h"

namespace e2e {

namespace {

// More items than any driver list holds: a count beyond it is a wrong answer.
constexpr LRESULT kMostItems = 10000;

std::optional<LRESULT> SendBoundedW(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, msg, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                             &result)) {
        return std::nullopt;
    }
    return static_cast<LRESULT>(result);
}

// Item `index` through the wide messages. Wine 8 hands the text of an
// 8-bit CB_GETLBTEXT sent from another process back in UTF-16 (so only its
// first letter reads), while the wide message comes back whole, there and
// on Windows.
std::optional<std::wstring> ReadWideItem(HWND combo, WPARAM index) {
    const auto length = SendBoundedW(combo, CB_GETLBTEXTLEN, index, 0);
    if (!length || *length < 0) return std::nullopt;
    // CB_GETLBTEXT takes no buffer size: room for the length it reported and
    // its terminator, with a margin, and the last character kept NUL.
    std::vector<wchar_t> text(static_cast<size_t>(*length) + 16, L'\0');
    const auto copied = SendBoundedW(combo, CB_GETLBTEXT, index,
                                     reinterpret_cast<LPARAM>(text.data()));
    if (!copied || *copied < 0 || *copied > *length) return std::nullopt;
    text.back() = L'\0';
    return std::wstring(text.data());
}

// The text in the 8-bit code page the installer works in.
std::string ToAnsi(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::string();
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

}  // namespace

std::optional<std::vector<std::string>> ReadComboItems(HWND combo) {
    const auto count = SendBounded(combo, CB_GETCOUNT, 0, 0);
    if (!count || *count < 0 || *count > kMostItems) return std::nullopt;
    std::vector<std::string> items;
    for (LRESULT i = 0; i < *count; ++i) {
        const auto text = ReadWideItem(combo, static_cast<WPARAM>(i));
        if (!text) return std::nullopt;
        items.push_back(ToAnsi(*text));
    }
    return items;
}

std::optional<int> ReadComboSelection(HWND combo) {
    const auto selection = SendBounded(combo, CB_GETCURSEL, 0, 0);
    if (!selection) return std::nullopt;
    return static_cast<int>(*selection);
}

bool ChooseComboItem(HWND dialog, int id, const std::string& text) {
    HWND combo = GetDlgItem(dialog, id);
    const std::optional<std::vector<std::string>> items = ReadComboItems(combo);
    if (!items) return false;
    for (std::size_t index = 0; index < items->size(); ++index) {
        if ((*items)[index] != text) continue;
        return SendBounded(combo, CB_SETCURSEL, index, 0) == static_cast<LRESULT>(index) &&
               SendBounded(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                           reinterpret_cast<LPARAM>(combo))
                   .has_value();
    }
    return false;
}

}  // namespace e2e
