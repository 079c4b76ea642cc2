// The installer dialog as compiled into the program: the template's own
// bytes (styles, font, sizes exactly as written) and the window Windows
// builds from it (classes, texts, places, tab order).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/win32/tests/scripted_handler.h"
#include "platform/win32/win32_ui.h"
#include "platform/win32/win32_windows.h"
#include "resource.h"

namespace plat::win32::test {
namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

struct ControlRow {
    int id;
    const char* className;
    const char* text;
    RECT units;   // left, top, width, height in dialog units
    DWORD style;  // exactly as in the template
};

const ControlRow kRows[] = {
    {IDC_DRIVER_LABEL, "Static", "Driver Name:", {7, 9, 49, 8}, kChild | SS_LEFT | WS_GROUP},
    {IDC_DRIVER_COMBO, "ComboBox", "", {58, 6, 105, 68},
     kChild | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP},
    {IDC_PRINTER_LABEL, "Static", "Printer Name:", {169, 9, 53, 8}, kChild | SS_LEFT | WS_GROUP},
    {IDC_PRINTER_NAME, "Edit", "", {223, 6, 102, 14},
     kChild | ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP},
    {IDC_SET_DEFAULT, "Button", "Set Default Printer", {7, 22, 92, 10},
     kChild | BS_AUTOCHECKBOX | WS_TABSTOP},
    {IDC_PORT_GROUP, "Button", "Specify Port", {7, 37, 329, 133}, kChild | BS_GROUPBOX},
    {IDC_PORT_HINT, "Static",
     "Specify the port that you are using.\r\nThe program will help you to configure the "
     "printer port during installation.",
     {26, 51, 310, 20}, kChild | SS_LEFT | WS_GROUP},
    {IDC_PORT_LIST, "SysListView32", "", {10, 71, 320, 97},
     kChild | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP},
    {IDC_PROGRESS, "msctls_progress32", "", {7, 174, 329, 14}, kChild | WS_BORDER},
    {IDC_INSTALL, "Button", "&Install", {217, 192, 50, 14},
     kChild | BS_DEFPUSHBUTTON | WS_DISABLED | WS_TABSTOP},
    {IDCANCEL, "Button", "&Cancel", {284, 192, 50, 14}, kChild | BS_PUSHBUTTON | WS_TABSTOP},
    {IDC_STATUS, "Static", "Driver install Program", {7, 209, 301, 8}, kChild | SS_LEFT | WS_GROUP},
};

// ---- The template's bytes (DLGTEMPLATEEX and its items) ----

struct RawControl {
    DWORD style = 0;
    DWORD exStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
};

struct RawDialog {
    DWORD style = 0;
    int cx = 0, cy = 0;
    std::string title;
    int pointSize = 0;
    std::string typeface;
    std::vector<RawControl> controls;
};

// Reads the template's fields in order; every read is checked against the
// resource's size.
class TemplateReader {
public:
    TemplateReader(const BYTE* data, std::size_t size) : m_data(data), m_size(size) {}
    template <typename T>
    T Read() {
        T value{};
        if (m_pos + sizeof(T) > m_size) throw std::runtime_error("template too short");
        std::memcpy(&value, m_data + m_pos, sizeof(T));
        m_pos += sizeof(T);
        return value;
    }
    // A NUL-terminated UTF-16 string (ASCII here), or an 0xFFFF ordinal.
    std::string ReadSzOrOrd() {
        if (Read<WORD>() == 0xFFFF) return "#" + std::to_string(Read<WORD>());
        m_pos -= sizeof(WORD);
        std::string s;
        for (WORD c = Read<WORD>(); c != 0; c = Read<WORD>()) s += static_cast<char>(c);
        return s;
    }
    void AlignTo(std::size_t n) { m_pos = (m_pos + n - 1) / n * n; }
    void Skip(std::size_t n) { m_pos += n; }

private:
    const BYTE* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

RawDialog LoadRawTemplate(int id) {
    HMODULE self = ::GetModuleHandleA(nullptr);
    HRSRC res = ::FindResourceA(self, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
    if (res == nullptr) throw std::runtime_error("no dialog template");
    const auto* data = static_cast<const BYTE*>(::LockResource(::LoadResource(self, res)));
    TemplateReader r(data, ::SizeofResource(self, res));
    RawDialog d;
    if (r.Read<WORD>() != 1 || r.Read<WORD>() != 0xFFFF) throw std::runtime_error("not DIALOGEX");
    r.Read<DWORD>();  // help id
    r.Read<DWORD>();  // extended style
    d.style = r.Read<DWORD>();
    const WORD count = r.Read<WORD>();
    r.Read<short>();
    r.Read<short>();
    d.cx = r.Read<short>();
    d.cy = r.Read<short>();
    r.ReadSzOrOrd();  // menu
    r.ReadSzOrOrd();  // class
    d.title = r.ReadSzOrOrd();
    if (d.style & DS_SETFONT) {
        d.pointSize = r.Read<WORD>();
        r.Read<WORD>();  // weight
        r.Read<BYTE>();  // italic
        r.Read<BYTE>();  // charset
        d.typeface = r.ReadSzOrOrd();
    }
    for (WORD i = 0; i < count; ++i) {
        r.AlignTo(4);
        RawControl c;
        r.Read<DWORD>();  // help id
        c.exStyle = r.Read<DWORD>();
        c.style = r.Read<DWORD>();
        c.x = r.Read<short>();
        c.y = r.Read<short>();
        c.cx = r.Read<short>();
        c.cy = r.Read<short>();
        c.id = r.Read<DWORD>();
        r.ReadSzOrOrd();  // class
        r.ReadSzOrOrd();  // text
        r.Skip(r.Read<WORD>());
        d.controls.push_back(c);
    }
    return d;
}

TEST(Win32DialogTemplate, TheCompiledTemplateIsExactlyTheTable) {
    const RawDialog d = LoadRawTemplate(IDD_INSTALLER_DIALOG);
    EXPECT_EQ(d.style, static_cast<DWORD>(DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION |
                                          WS_SYSMENU));
    EXPECT_EQ(d.title, "Configure & Install v1.4");
    EXPECT_EQ(d.cx, 343);
    EXPECT_EQ(d.cy, 222);
    EXPECT_EQ(d.pointSize, 10);
    EXPECT_EQ(d.typeface, "Arial Narrow");
    ASSERT_EQ(d.controls.size(), std::size(kRows));
    for (std::size_t i = 0; i < std::size(kRows); ++i) {
        const ControlRow& row = kRows[i];
        const RawControl& c = d.controls[i];
        SCOPED_TRACE(testing::Message() << "control " << row.id);
        EXPECT_EQ(c.id, static_cast<DWORD>(row.id));
        EXPECT_EQ(c.style, row.style) << std::hex << c.style << " " << row.style;
        EXPECT_EQ(c.exStyle, 0u);
        EXPECT_EQ(c.x, row.units.left);
        EXPECT_EQ(c.y, row.units.top);
        EXPECT_EQ(c.cx, row.units.right);
        EXPECT_EQ(c.cy, row.units.bottom);
    }
}

// ---- The window built from it ----

struct SeenControl {
    bool exists = false;
    char className[64] = {};
    std::string text;
    bool enabled = false;
    bool border = false;  // WS_BORDER or the client edge that replaces it
    RECT place{};         // client coordinates of the dialog
    RECT expected{};      // the template's units mapped to pixels
    int tabIndex = -1;
};

struct SeenDialog {
    std::string caption;
    RECT client{};
    RECT expectedClient{};
    int defaultId = 0;
    SeenControl controls[std::size(kRows)];
};

SeenDialog OpenAndLook() {
    Win32UserInterface ui;
    ScriptedHandler h;
    SeenDialog seen;
    h.onInit = [&](IDialogWindow& w) {
        HWND dlg = static_cast<HWND>(w.GetSafeHwnd());
        char caption[128] = {};
        ::GetWindowTextA(dlg, caption, sizeof(caption));
        seen.caption = caption;
        ::GetClientRect(dlg, &seen.client);
        seen.expectedClient = {0, 0, 343, 222};
        ::MapDialogRect(dlg, &seen.expectedClient);
        seen.defaultId = LOWORD(::SendMessageA(dlg, DM_GETDEFID, 0, 0));
        for (std::size_t i = 0; i < std::size(kRows); ++i) {
            SeenControl& c = seen.controls[i];
            HWND item = ::GetDlgItem(dlg, kRows[i].id);
            if (item == nullptr) continue;
            c.exists = true;
            ::GetClassNameA(item, c.className, sizeof(c.className));
            c.text = w.GetDlgItemTextA(kRows[i].id);
            c.enabled = w.IsDlgItemEnabled(kRows[i].id);
            // Dialogs turn WS_BORDER into a sunken client edge.
            const auto style = static_cast<DWORD>(::GetWindowLongPtrA(item, GWL_STYLE));
            const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrA(item, GWL_EXSTYLE));
            c.border = (style & WS_BORDER) != 0 ||
                       (exStyle & WS_EX_CLIENTEDGE) != 0;
            ::GetWindowRect(item, &c.place);
            ::MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&c.place), 2);
            const RECT& u = kRows[i].units;
            c.expected = {u.left, u.top, u.left + u.right, u.top + u.bottom};
            ::MapDialogRect(dlg, &c.expected);
            int index = 0;  // place among the dialog's children = tab order
            for (HWND child = ::GetWindow(dlg, GW_CHILD); child != nullptr;
                 child = ::GetWindow(child, GW_HWNDNEXT), ++index) {
                if (child == item) c.tabIndex = index;
            }
        }
        w.EndDialog(0);
    };
    ui.DialogBoxParamA(IDD_INSTALLER_DIALOG, h);
    return seen;
}

TEST(Win32DialogTemplate, TheWindowHasEveryControlInItsPlace) {
    const SeenDialog seen = OpenAndLook();
    EXPECT_EQ(seen.caption, "Configure & Install v1.4");
    EXPECT_EQ(seen.client.right, seen.expectedClient.right);
    EXPECT_EQ(seen.client.bottom, seen.expectedClient.bottom);
    EXPECT_EQ(seen.defaultId, IDC_INSTALL);
    for (std::size_t i = 0; i < std::size(kRows); ++i) {
        const ControlRow& row = kRows[i];
        const SeenControl& c = seen.controls[i];
        SCOPED_TRACE(testing::Message() << "control " << row.id);
        ASSERT_TRUE(c.exists);
        EXPECT_STRCASEEQ(c.className, row.className);
        EXPECT_EQ(c.text, row.text);
        EXPECT_EQ(c.tabIndex, static_cast<int>(i));
        EXPECT_EQ(c.enabled, (row.style & WS_DISABLED) == 0);
        // The progress bar replaces whatever edge it was given by its own
        // (none when themed); its template style is checked above.
        if (row.id != IDC_PROGRESS) {
            EXPECT_EQ(c.border, (row.style & WS_BORDER) != 0);
        }
        // Units become pixels by rounding each edge or each size, so one
        // pixel either way is the same template.
        EXPECT_NEAR(c.place.left, c.expected.left, 1);
        EXPECT_NEAR(c.place.top, c.expected.top, 1);
        EXPECT_NEAR(c.place.right - c.place.left, c.expected.right - c.expected.left, 1);
        // A drop-down list's height is that of its closed box, not the
        // template's (which is the height of the open list).
        if (row.id != IDC_DRIVER_COMBO) {
            EXPECT_NEAR(c.place.bottom - c.place.top, c.expected.bottom - c.expected.top, 1);
        }
    }
}

}  // namespace
}  // namespace plat::win32::test
