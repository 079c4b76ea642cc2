// The dialogs as compiled into the program, against the simulated Windows'
// table the build writes from the same script: every template's own bytes
// (styles, font, sizes, classes and texts exactly as written), and the window
// Windows builds from the installer's (classes, texts, places, tab order).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/sim/sim_templates.h"
#include "platform/win32/tests/scripted_handler.h"
#include "platform/win32/win32_ui.h"
#include "platform/win32/win32_windows.h"
#include "resource.h"

namespace plat::win32::test {
namespace {

const sim::DialogTemplate& Installer() { return *sim::FindDialogTemplate(IDD_INSTALLER_DIALOG); }

// ---- The template's bytes (DLGTEMPLATEEX and its items) ----

struct RawControl {
    DWORD style = 0;
    DWORD exStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
    std::string className;
    std::string text;
};

struct RawDialog {
    DWORD style = 0;
    DWORD exStyle = 0;
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

// The predefined classes a template names by their ordinal.
std::string ClassName(const std::string& nameOrOrdinal) {
    static const char* const kPredefined[] = {"Button", "Edit", "Static", "ListBox", "ScrollBar",
                                              "ComboBox"};
    if (nameOrOrdinal.empty() || nameOrOrdinal[0] != '#') return nameOrOrdinal;
    const unsigned index = static_cast<unsigned>(std::stoi(nameOrOrdinal.substr(1))) - 0x80;
    return index < std::size(kPredefined) ? kPredefined[index] : nameOrOrdinal;
}

RawDialog LoadRawTemplate(int id) {
    HMODULE self = ::GetModuleHandleA(nullptr);
    HRSRC res = ::FindResourceA(self, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
    if (res == nullptr) throw std::runtime_error("no dialog template");
    const auto* data = static_cast<const BYTE*>(::LockResource(::LoadResource(self, res)));
    TemplateReader r(data, ::SizeofResource(self, res));
    RawDialog d;
    if (r.Read<WORD>() != 1 || r.Read<WORD>() != 0xFFFF) throw std::runtime_error("not DIALOGEX");
    r.Read<DWORD>();  // help id
    d.exStyle = r.Read<DWORD>();
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
        c.className = ClassName(r.ReadSzOrOrd());
        c.text = r.ReadSzOrOrd();
        r.Skip(r.Read<WORD>());
        d.controls.push_back(c);
    }
    return d;
}

class CompiledTemplate : public testing::TestWithParam<int> {};

TEST_P(CompiledTemplate, TheCompiledTemplateIsExactlyTheTable) {
    const sim::DialogTemplate& table = *sim::FindDialogTemplate(GetParam());
    const RawDialog d = LoadRawTemplate(table.id);
    EXPECT_EQ(d.style, table.style) << std::hex << d.style << " " << table.style;
    EXPECT_EQ(d.exStyle, table.exStyle);
    EXPECT_EQ(d.title, table.caption);
    EXPECT_EQ(d.cx, table.width);
    EXPECT_EQ(d.cy, table.height);
    EXPECT_EQ(d.pointSize, table.fontPoints);
    EXPECT_EQ(d.typeface, table.fontName);
    ASSERT_EQ(d.controls.size(), table.controls.size());
    for (std::size_t i = 0; i < table.controls.size(); ++i) {
        const sim::ControlSpec& row = table.controls[i];
        const RawControl& c = d.controls[i];
        SCOPED_TRACE(testing::Message() << "control #" << i << " (id " << row.id << ")");
        EXPECT_EQ(c.id, static_cast<DWORD>(row.id));
        EXPECT_EQ(c.style, row.style) << std::hex << c.style << " " << row.style;
        EXPECT_EQ(c.exStyle, 0u);
        EXPECT_EQ(c.x, row.x);
        EXPECT_EQ(c.y, row.y);
        EXPECT_EQ(c.cx, row.width);
        EXPECT_EQ(c.cy, row.height);
        EXPECT_STRCASEEQ(c.className.c_str(), row.className.c_str());
        EXPECT_EQ(c.text, row.text);
    }
}

std::vector<int> TableIds() {
    std::vector<int> ids;
    for (const sim::DialogTemplate& t : sim::AllDialogTemplates()) ids.push_back(t.id);
    return ids;
}

INSTANTIATE_TEST_SUITE_P(Table, CompiledTemplate, testing::ValuesIn(TableIds()));

BOOL CALLBACK CollectDialogId(HMODULE, LPCSTR, LPSTR name, LONG_PTR ids) {
    if (IS_INTRESOURCE(name)) {
        reinterpret_cast<std::vector<int>*>(ids)->push_back(static_cast<int>(
            reinterpret_cast<ULONG_PTR>(name)));
    }
    return TRUE;
}

TEST(Win32DialogTemplates, EveryCompiledTemplateIsInTheTable) {
    std::vector<int> compiled;
    ::EnumResourceNamesA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(5), CollectDialogId,
                         reinterpret_cast<LONG_PTR>(&compiled));
    std::sort(compiled.begin(), compiled.end());
    EXPECT_EQ(compiled, TableIds());
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
    std::vector<SeenControl> controls = std::vector<SeenControl>(Installer().controls.size());
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
        seen.expectedClient = {0, 0, Installer().width, Installer().height};
        ::MapDialogRect(dlg, &seen.expectedClient);
        seen.defaultId = LOWORD(::SendMessageA(dlg, DM_GETDEFID, 0, 0));
        for (std::size_t i = 0; i < seen.controls.size(); ++i) {
            const sim::ControlSpec& row = Installer().controls[i];
            SeenControl& c = seen.controls[i];
            HWND item = ::GetDlgItem(dlg, row.id);
            if (item == nullptr) continue;
            c.exists = true;
            ::GetClassNameA(item, c.className, sizeof(c.className));
            c.text = w.GetDlgItemTextA(row.id);
            c.enabled = w.IsDlgItemEnabled(row.id);
            // Dialogs turn WS_BORDER into a sunken client edge.
            const auto style = static_cast<DWORD>(::GetWindowLongPtrA(item, GWL_STYLE));
            const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrA(item, GWL_EXSTYLE));
            c.border = (style & WS_BORDER) != 0 ||
                       (exStyle & WS_EX_CLIENTEDGE) != 0;
            ::GetWindowRect(item, &c.place);
            ::MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&c.place), 2);
            c.expected = {row.x, row.y, row.x + row.width, row.y + row.height};
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
    EXPECT_EQ(seen.caption, Installer().caption);
    EXPECT_EQ(seen.client.right, seen.expectedClient.right);
    EXPECT_EQ(seen.client.bottom, seen.expectedClient.bottom);
    EXPECT_EQ(seen.defaultId, IDC_INSTALL);
    for (std::size_t i = 0; i < seen.controls.size(); ++i) {
        const sim::ControlSpec& row = Installer().controls[i];
        const SeenControl& c = seen.controls[i];
        SCOPED_TRACE(testing::Message() << "control " << row.id);
        ASSERT_TRUE(c.exists);
        EXPECT_STRCASEEQ(c.className, row.className.c_str());
        EXPECT_EQ(c.text, row.text);
        EXPECT_EQ(c.tabIndex, static_cast<int>(i));
        EXPECT_EQ(c.enabled, (row.style & WS_DISABLED) == 0);
        // The progress bar replaces whatever edge it was given by its own
        // (none when themed); its template style is checked above.
        if (row.kind != sim::ControlKind::kProgress) {
            EXPECT_EQ(c.border, (row.style & WS_BORDER) != 0);
        }
        // Units become pixels by rounding each edge or each size, so one
        // pixel either way is the same template.
        EXPECT_NEAR(c.place.left, c.expected.left, 1);
        EXPECT_NEAR(c.place.top, c.expected.top, 1);
        EXPECT_NEAR(c.place.right - c.place.left, c.expected.right - c.expected.left, 1);
        // A drop-down list's height is that of its closed box, not the
        // template's (which is the height of the open list).
        if (row.kind != sim::ControlKind::kCombo) {
            EXPECT_NEAR(c.place.bottom - c.place.top, c.expected.bottom - c.expected.top, 1);
        }
    }
}

}  // namespace
}  // namespace plat::win32::test
