// The profile (INI) file reader, with the rules of the Windows one: sections
// in file order, section and key names compared without regard to case,
// values trimmed of surrounding blanks and of one pair of surrounding
// quotes, and the buffer rules of GetPrivateProfileSectionNamesA and
// GetPrivateProfileStringA, truncation included.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim::profile {

struct Key {
    std::string name;
    std::optional<std::string> value;  // none for a line without "="
};

struct Section {
    std::string name;  // empty for the lines before the first section
    std::vector<Key> keys;
};

std::vector<Section> Parse(std::string_view text);

// As GetPrivateProfileSectionNamesA on a file with `sections` (nullptr: no
// such file): every name and its NUL, one more NUL at the end. When they do
// not fit, the last name is cut, the list still ends in two NULs, and the
// result is size - 2.
std::uint32_t SectionNames(const std::vector<Section>* sections, char* buf, std::uint32_t size);

// As GetPrivateProfileStringA. A null `section` lists the section names, a
// null `key` the keys of the section; otherwise the value, or the default
// (trailing blanks removed) when there is no such key, cut to size - 1.
std::uint32_t GetString(const std::vector<Section>* sections, const char* section, const char* key,
                        const char* defaultValue, char* buf, std::uint32_t size);

}  // namespace sim::profile
