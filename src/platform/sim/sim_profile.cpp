#include "platform/sim/sim_profile.h"

#include <algorithm>
#include <cstring>

#include "platform/sim/sim_text.h"

namespace sim::profile {

namespace {

// The reader's idea of a blank: the C blanks plus the old end-of-file mark.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f' ||
           c == '\x1a';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// Copies at most size - 1 bytes and a NUL, as lstrcpynA.
void CopyCut(char* buf, std::uint32_t size, std::string_view text) {
    const std::size_t count = std::min<std::size_t>(text.size(), size - 1);
    std::memcpy(buf, text.data(), count);
    buf[count] = '\0';
}

// A value enclosed in one pair of matching quotes loses them. When the
// value is cut, the closing quote is cut first.
void CopyValue(char* buf, std::uint32_t size, std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    CopyCut(buf, size, value);
}

const Section* FindSection(const std::vector<Section>& sections, std::string_view name) {
    const std::string_view wanted = Trim(name);
    for (const Section& section : sections) {
        if (IEquals(section.name, wanted)) return &section;  // the first of duplicates
    }
    return nullptr;
}

// A string list (names each with its NUL, one more NUL at the end) into a
// buffer of `size`: when it does not fit, the last string that starts is cut
// and the list still ends in two NULs, and the result is size - 2.
std::uint32_t WriteList(const std::vector<std::string>& names, char* buf, std::uint32_t size) {
    if (size == 1) {
        buf[0] = '\0';
        return 0;
    }
    std::uint32_t room = size - 1;  // one byte stays for the closing NUL
    char* out = buf;
    for (const std::string& name : names) {
        const auto needed = static_cast<std::uint32_t>(name.size() + 1);
        if (needed >= room) {
            std::memcpy(out, name.data(), room - 1);
            out += room - 1;
            *out++ = '\0';
            *out = '\0';
            return size - 2;
        }
        std::memcpy(out, name.data(), name.size());
        out += name.size();
        *out++ = '\0';
        room -= needed;
    }
    *out = '\0';
    return static_cast<std::uint32_t>(out - buf);
}

std::vector<std::string> SectionNameList(const std::vector<Section>& sections) {
    std::vector<std::string> names;
    for (const Section& section : sections) {
        if (!section.name.empty()) names.push_back(section.name);
    }
    return names;
}

}  // namespace

std::vector<Section> Parse(std::string_view text) {
    std::vector<Section> sections(1);  // the lines before the first section
    if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = Trim(text.substr(pos, end - pos));
        pos = end;
        while (pos < text.size() && (text[pos] == '\r' || text[pos] == '\n')) ++pos;
        if (line.empty()) continue;

        if (line.front() == '[') {
            const std::size_t close = line.rfind(']');
            if (close != std::string_view::npos && close > 0) {
                // The name is what the brackets hold, blanks included.
                sections.push_back(Section{std::string(line.substr(1, close - 1)), {}});
                continue;
            }
            // Without its closing bracket the line is an ordinary key.
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            sections.back().keys.push_back(Key{std::string(line), std::nullopt});
        } else {
            sections.back().keys.push_back(Key{std::string(Trim(line.substr(0, equals))),
                                               std::string(Trim(line.substr(equals + 1)))});
        }
    }
    return sections;
}

std::uint32_t SectionNames(const std::vector<Section>* sections, char* buf, std::uint32_t size) {
    if (!buf || size == 0) return 0;
    if (!sections) {
        buf[0] = '\0';
        return 0;
    }
    return WriteList(SectionNameList(*sections), buf, size);
}

std::uint32_t GetString(const std::vector<Section>* sections, const char* section, const char* key,
                        const char* defaultValue, char* buf, std::uint32_t size) {
    if (!buf || size == 0) return 0;
    std::string_view fallback = defaultValue ? defaultValue : "";
    while (!fallback.empty() && fallback.back() == ' ') fallback.remove_suffix(1);

    if (!sections) {
        CopyCut(buf, size, fallback);
        return static_cast<std::uint32_t>(std::strlen(buf));
    }
    if (!section) return WriteList(SectionNameList(*sections), buf, size);

    const Section* found = FindSection(*sections, section);
    if (!key) {
        std::vector<std::string> names;
        if (found) {
            for (const Key& entry : found->keys) {
                // Lines without "=" and comment lines are no keys.
                if (entry.value && !entry.name.empty() && entry.name.front() != ';') {
                    names.push_back(entry.name);
                }
            }
        }
        if (names.empty()) {
            CopyCut(buf, size, fallback);
            return static_cast<std::uint32_t>(std::strlen(buf));
        }
        return WriteList(names, buf, size);
    }

    const std::string_view wantedKey = Trim(key);
    std::optional<std::string_view> value;
    if (found) {
        for (const Key& entry : found->keys) {
            if (IEquals(entry.name, wantedKey)) {
                if (entry.value) value = *entry.value;
                break;
            }
        }
    }
    CopyValue(buf, size, value ? *value : fallback);
    return static_cast<std::uint32_t>(std::strlen(buf));
}

}  // namespace sim::profile
