// The headless dialogs are built from a table; the real program from the
// resource script. Both must describe the same dialogs: this test reads the
// script (and resource.h for the ids) and compares every template of the
// table with it, control by control.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/sim/sim_templates.h"

namespace sim {
namespace {

const std::filesystem::path kResources = std::filesystem::path(SOURCE_DIR) / "src" / "resources";

std::string Trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// A string literal of the script: "" and \" stand for a quote, and the
// usual backslash escapes apply.
std::optional<std::string> DecodeString(const std::string& field) {
    const std::string f = Trim(field);
    if (f.size() < 2 || f.front() != '"' || f.back() != '"') return std::nullopt;
    std::string out;
    for (std::size_t i = 1; i + 1 < f.size(); ++i) {
        const char c = f[i];
        if (c == '"' && f[i + 1] == '"') {
            out += '"';
            ++i;
        } else if (c == '\\' && i + 2 < f.size()) {
            const char e = f[++i];
            out += e == 'r' ? '\r' : e == 'n' ? '\n' : e == 't' ? '\t' : e;
        } else {
            out += c;
        }
    }
    return out;
}

// Splits at commas outside string literals.
std::vector<std::string> SplitFields(const std::string& s) {
    std::vector<std::string> fields(1);
    bool inString = false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') {
            if (inString && i + 1 < s.size() && s[i + 1] == '"') {
                fields.back() += "\"\"";
                ++i;
                continue;
            }
            inString = !inString;
        }
        if (c == '\\' && inString && i + 1 < s.size()) {
            fields.back() += s.substr(i, 2);
            ++i;
            continue;
        }
        if (c == ',' && !inString) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    for (std::string& f : fields) f = Trim(f);
    return fields;
}

struct RcDialog {
    int width = 0, height = 0;
    std::string caption, fontName;
    int fontPoints = 0;
    std::vector<ControlSpec> controls;
};

class RcReader {
public:
    RcReader() {
        symbols_ = {{"IDOK", 1}, {"IDCANCEL", 2}, {"IDC_STATIC", -1}};
        std::ifstream header(kResources / "resource.h");
        std::string line;
        const std::regex define(R"(^\s*#define\s+(\w+)\s+(\S+))");
        std::smatch m;
        while (std::getline(header, line)) {
            if (std::regex_search(line, m, define)) {
                if (auto v = Number(m[2])) symbols_[m[1]] = *v;
            }
        }
    }

    std::optional<int> Number(const std::string& token) const {
        const std::string t = Trim(token);
        if (auto it = symbols_.find(t); it != symbols_.end()) return it->second;
        try {
            std::size_t used = 0;
            const long v = std::stol(t, &used, 0);
            if (used == t.size() || Upper(t.substr(used)) == "L") return static_cast<int>(v);
        } catch (const std::exception&) {
        }
        return std::nullopt;
    }

    // Every DIALOG / DIALOGEX of the script by template id.
    std::map<int, RcDialog> Read(std::istream& in) {
        std::map<int, RcDialog> dialogs;
        std::vector<std::string> lines;
        std::string line;
        while (std::getline(in, line)) {
            line = Trim(line);
            // A statement continues on the next line after a comma or a bar.
            if (!lines.empty() && !lines.back().empty() &&
                (lines.back().back() == ',' || lines.back().back() == '|')) {
                lines.back() += " " + line;
            } else {
                lines.push_back(line);
            }
        }
        const std::regex header(R"(^(\w+)\s+DIALOG(EX)?\s+(.*)$)");
        for (std::size_t i = 0; i < lines.size(); ++i) {
            std::smatch m;
            if (!std::regex_match(lines[i], m, header)) continue;
            const std::optional<int> id = Number(m[1]);
            if (!id) continue;
            RcDialog& d = dialogs[*id];
            const std::vector<std::string> rect = SplitFields(m[3]);
            if (rect.size() >= 4) {
                d.width = Number(rect[2]).value_or(-1);
                d.height = Number(rect[3]).value_or(-1);
            }
            for (++i; i < lines.size() && Upper(lines[i]) != "BEGIN" && lines[i] != "{"; ++i) {
                if (lines[i].rfind("CAPTION", 0) == 0) {
                    d.caption = DecodeString(lines[i].substr(7)).value_or("?");
                } else if (lines[i].rfind("FONT", 0) == 0) {
                    const std::vector<std::string> f = SplitFields(lines[i].substr(4));
                    d.fontPoints = Number(f[0]).value_or(-1);
                    if (f.size() > 1) d.fontName = DecodeString(f[1]).value_or("?");
                }
            }
            for (++i; i < lines.size() && Upper(lines[i]) != "END" && lines[i] != "}"; ++i) {
                if (lines[i].empty() || lines[i].rfind("//", 0) == 0) continue;
                d.controls.push_back(Control(lines[i]));
            }
        }
        return dialogs;
    }

private:
    // Styles written as A | B | NOT C, reduced to the facts the table keeps.
    static std::set<std::string> Styles(const std::string& expr) {
        std::set<std::string> on;
        std::stringstream ss(expr);
        std::string part;
        while (std::getline(ss, part, '|')) {
            part = Trim(part);
            if (part.rfind("NOT ", 0) == 0) {
                on.erase(Trim(part.substr(4)));
            } else if (!part.empty()) {
                on.insert(part);
            }
        }
        return on;
    }

    ControlSpec Control(const std::string& statement) const {
        const std::size_t space = statement.find_first_of(" \t");
        const std::string keyword = Upper(statement.substr(0, space));
        std::vector<std::string> f = SplitFields(statement.substr(space + 1));
        ControlSpec c{kNoControlId, ControlKind::kStatic, "", 0, 0, 0, 0, 0};
        std::set<std::string> styles;
        std::size_t at = 0;  // index of x in f
        std::string cls;
        if (keyword == "CONTROL") {
            c.text = DecodeString(f.at(0)).value_or("?");
            c.id = Number(f.at(1)).value_or(-999);
            cls = Upper(DecodeString(f.at(2)).value_or(f.at(2)));
            styles = Styles(f.at(3));
            at = 4;
        } else if (keyword == "EDITTEXT" || keyword == "COMBOBOX" || keyword == "LISTBOX") {
            c.id = Number(f.at(0)).value_or(-999);
            at = 1;
            if (f.size() > 5) styles = Styles(f[5]);
            if (keyword == "EDITTEXT") styles.insert("WS_BORDER");  // the statement's default
            cls = keyword == "EDITTEXT" ? "EDIT" : keyword;
        } else {
            c.text = DecodeString(f.at(0)).value_or("?");
            c.id = Number(f.at(1)).value_or(-999);
            at = 2;
            if (f.size() > 6) styles = Styles(f[6]);
            static const std::map<std::string, std::pair<std::string, std::string>> forms = {
                {"LTEXT", {"STATIC", ""}},          {"RTEXT", {"STATIC", ""}},
                {"CTEXT", {"STATIC", ""}},          {"PUSHBUTTON", {"BUTTON", ""}},
                {"DEFPUSHBUTTON", {"BUTTON", "BS_DEFPUSHBUTTON"}},
                {"GROUPBOX", {"BUTTON", "BS_GROUPBOX"}},
                {"AUTOCHECKBOX", {"BUTTON", "BS_AUTOCHECKBOX"}},
                {"CHECKBOX", {"BUTTON", "BS_CHECKBOX"}},
            };
            auto form = forms.find(keyword);
            cls = form == forms.end() ? keyword : form->second.first;
            if (form != forms.end() && !form->second.second.empty()) styles.insert(form->second.second);
        }
        c.x = Number(f.at(at)).value_or(-1);
        c.y = Number(f.at(at + 1)).value_or(-1);
        c.width = Number(f.at(at + 2)).value_or(-1);
        c.height = Number(f.at(at + 3)).value_or(-1);

        const auto has = [&](const char* s) { return styles.count(s) != 0; };
        if (cls == "STATIC") c.kind = ControlKind::kStatic;
        else if (cls == "EDIT") c.kind = ControlKind::kEdit;
        else if (cls == "COMBOBOX") c.kind = ControlKind::kCombo;
        else if (cls == "SYSLISTVIEW32" || cls == "WC_LISTVIEW") c.kind = ControlKind::kListView;
        else if (cls == "MSCTLS_PROGRESS32" || cls == "PROGRESS_CLASS") c.kind = ControlKind::kProgress;
        else if (cls == "BUTTON" && has("BS_GROUPBOX")) c.kind = ControlKind::kGroup;
        else if (cls == "BUTTON" && (has("BS_AUTOCHECKBOX") || has("BS_CHECKBOX"))) c.kind = ControlKind::kCheck;
        else if (cls == "BUTTON") c.kind = ControlKind::kButton;
        else ADD_FAILURE() << "unknown control class " << cls << " in: " << statement;

        const std::pair<const char*, std::uint32_t> flagStyles[] = {
            {"WS_DISABLED", ctl::kDisabled},     {"BS_DEFPUSHBUTTON", ctl::kDefaultButton},
            {"CBS_SORT", ctl::kSorted},          {"CBS_DROPDOWNLIST", ctl::kDropDownList},
            {"BS_AUTOCHECKBOX", ctl::kAutoCheck}, {"LVS_SINGLESEL", ctl::kSingleSel},
            {"LVS_SHOWSELALWAYS", ctl::kShowSelAlways}, {"LVS_REPORT", ctl::kReport},
            {"WS_BORDER", ctl::kBorder},         {"WS_VSCROLL", ctl::kVScroll},
            {"ES_AUTOHSCROLL", ctl::kAutoHScroll},
        };
        for (const auto& [name, flag] : flagStyles) {
            if (has(name)) c.flags |= flag;
        }
        return c;
    }

    std::map<std::string, int> symbols_;
};

std::map<int, RcDialog> ReadScript() {
    std::ifstream rc(kResources / "installer.rc");
    return RcReader().Read(rc);
}

std::string Describe(const ControlSpec& c) {
    std::ostringstream os;
    os << "id " << c.id << " " << ControlKindName(c.kind) << " \"" << c.text << "\" at " << c.x
       << "," << c.y << " " << c.width << "x" << c.height << " flags 0x" << std::hex << c.flags;
    return os.str();
}

class UiTemplateMatchesScript : public ::testing::TestWithParam<int> {};

TEST_P(UiTemplateMatchesScript, CaptionFontSizeAndEveryControl) {
    if (!std::filesystem::exists(kResources / "installer.rc")) {
        GTEST_SKIP() << "no resource script yet at " << kResources / "installer.rc";
    }
    const DialogTemplate& table = *FindDialogTemplate(GetParam());
    const std::map<int, RcDialog> script = ReadScript();
    auto it = script.find(table.id);
    ASSERT_NE(it, script.end()) << "the resource script has no template " << table.id;
    const RcDialog& rc = it->second;
    EXPECT_EQ(rc.caption, table.caption);
    EXPECT_EQ(rc.fontName, table.fontName);
    EXPECT_EQ(rc.fontPoints, table.fontPoints);
    EXPECT_EQ(rc.width, table.width);
    EXPECT_EQ(rc.height, table.height);
    ASSERT_EQ(rc.controls.size(), table.controls.size());
    for (std::size_t i = 0; i < rc.controls.size(); ++i) {
        // In template order, which is also the tab order.
        EXPECT_EQ(Describe(rc.controls[i]), Describe(table.controls[i])) << "control #" << i;
    }
}

std::vector<int> TableIds() {
    std::vector<int> ids;
    for (const DialogTemplate& t : AllDialogTemplates()) ids.push_back(t.id);
    return ids;
}

INSTANTIATE_TEST_SUITE_P(Table, UiTemplateMatchesScript, ::testing::ValuesIn(TableIds()));

TEST(UiTemplates, EveryDialogOfTheScriptIsInTheTable) {
    if (!std::filesystem::exists(kResources / "installer.rc")) GTEST_SKIP() << "no resource script yet";
    for (const auto& [id, dialog] : ReadScript()) {
        EXPECT_NE(FindDialogTemplate(id), nullptr) << "template " << id << " is missing from the table";
    }
}

TEST(UiTemplates, ReaderUnderstandsEveryStatementForm) {
    // Guards the reader itself, so that a mismatch above is the templates'.
    std::istringstream rc(R"(
7 DIALOGEX 0, 0, 100, 50
CAPTION "Say ""hi"""
FONT 9, "Tahoma", 400, 0
BEGIN
    DEFPUSHBUTTON "&OK", IDOK, 1, 2, 3, 4, WS_DISABLED
    EDITTEXT IDC_PRINTER_NAME, 5, 6, 7, 8, ES_AUTOHSCROLL
    CONTROL "a\r\nb", IDC_STATIC, "Button", BS_AUTOCHECKBOX | WS_DISABLED | NOT WS_DISABLED,
            9, 10, 11, 12
    COMBOBOX 1000, 1, 1, 1, 1, CBS_DROPDOWNLIST | CBS_SORT
END
)");
    const std::map<int, RcDialog> d = RcReader().Read(rc);
    ASSERT_EQ(d.count(7), 1u);
    const RcDialog& dlg = d.at(7);
    EXPECT_EQ(dlg.caption, "Say \"hi\"");
    EXPECT_EQ(dlg.fontName, "Tahoma");
    ASSERT_EQ(dlg.controls.size(), 4u);
    EXPECT_EQ(Describe(dlg.controls[0]),
              Describe({1, ControlKind::kButton, "&OK", 1, 2, 3, 4, ctl::kDefaultButton | ctl::kDisabled}));
    EXPECT_EQ(Describe(dlg.controls[1]),
              Describe({1001, ControlKind::kEdit, "", 5, 6, 7, 8, ctl::kBorder | ctl::kAutoHScroll}));
    EXPECT_EQ(Describe(dlg.controls[2]),
              Describe({-1, ControlKind::kCheck, "a\r\nb", 9, 10, 11, 12, ctl::kAutoCheck}));
    EXPECT_EQ(Describe(dlg.controls[3]),
              Describe({1000, ControlKind::kCombo, "", 1, 1, 1, 1, ctl::kDropDownList | ctl::kSorted}));
}

}  // namespace
}  // namespace sim
