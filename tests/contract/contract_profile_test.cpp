// The profile (INI) reader as the driver list relies on it: one table of
// cases, run against whichever reader the build has.
#include <cstring>
#include <string>
#include <vector>

#include "contract_support.h"

namespace contract {
namespace {

using namespace std::string_literals;

const std::string k127(127, 'n');
const std::string k200(200, 'l');

struct ProfileCase {
    const char* what;
    std::string text;        // the file; "<missing>": no file at all
    const char* section;     // nullptr: the section names
    const char* key;
    const char* defaultValue;
    std::uint32_t size;
    std::uint32_t result;
    std::string bytes;       // the buffer's first bytes, NULs included
};

const std::vector<ProfileCase>& Cases() {
    static const std::vector<ProfileCase> cases = {
        {"value", "[A]\nk=v\n", "A", "k", "", 128, 1, "v\0"s},
        {"names without regard to case", "[Drivers]\r\nPrintName1=One\r\n", "drIVers", "PRINTNAME1", "", 128, 3, "One\0"s},
        {"blanks around key and value", "[S]\n  key  =   two words   \n", "S", "key", "", 128, 9, "two words\0"s},
        {"double quotes", "[S]\nk=\"quoted value\"\n", "S", "k", "", 128, 12, "quoted value\0"s},
        {"single quotes", "[S]\nk='x'\n", "S", "k", "", 128, 1, "x\0"s},
        {"one quote stays", "[S]\nk=\"abc\n", "S", "k", "", 128, 4, "\"abc\0"s},
        {"quotes inside stay", "[S]\nk=a\"b\"\n", "S", "k", "", 128, 4, "a\"b\"\0"s},
        {"quoted value cut", "[S]\nk=\"abcdef\"\n", "S", "k", "", 4, 3, "abc\0"s},
        {"empty value", "[S]\nk=\nj=1\n", "S", "k", "", 128, 0, "\0"s},
        {"missing key gives the default", "[S]\nk=1\n", "S", "none", "dflt", 128, 4, "dflt\0"s},
        {"default loses trailing blanks", "[S]\n", "S", "none", "dflt  ", 128, 4, "dflt\0"s},
        {"missing section gives the default", "[S]\nk=1\n", "T", "k", "", 128, 0, "\0"s},
        {"key without equals sign", "[S]\nk\n", "S", "k", "d", 128, 1, "d\0"s},
        {"long value cut to 127", "[S]\nk=" + k200 + "\n", "S", "k", "", 128, 127, k200.substr(0, 127) + "\0"s},
        {"127 characters fit exactly", "[S]\nk=" + k127 + "\n", "S", "k", "", 128, 127, k127 + "\0"s},
        {"first of duplicate keys", "[S]\nk=1\nk=2\n", "S", "k", "", 128, 1, "1\0"s},
        {"first of duplicate sections", "[A]\nk=1\n[B]\nk=2\n[A]\nk=3\n", "A", "k", "", 128, 1, "1\0"s},
        {"key after a gap", "[S]\nPrintName1=a\nPrintName3=c\n", "S", "PrintName3", "", 128, 1, "c\0"s},
        {"missing file gives the default", "<missing>", "S", "k", "dflt", 128, 4, "dflt\0"s},
        {"missing file without default", "<missing>", "S", "k", "", 128, 0, "\0"s},
        {"section names in file order", "[one]\nk=1\n[two]\n[three]\nx=y\n", nullptr, nullptr, nullptr, 128, 14,
         "one\0two\0three\0\0"s},
        {"lines before the first section", "k=v\n[A]\n", nullptr, nullptr, nullptr, 128, 2, "A\0\0"s},
        {"duplicate sections listed twice", "[A]\n[B]\n[A]\n", nullptr, nullptr, nullptr, 128, 6, "A\0B\0A\0\0"s},
        {"section names cut", "[one]\n[two]\n[three]\n", nullptr, nullptr, nullptr, 8, 6, "one\0tw\0"s},
        {"section names cut in the first", "[one]\n[two]\n", nullptr, nullptr, nullptr, 4, 2, "on\0"s},
        {"empty file has no sections", "", nullptr, nullptr, nullptr, 128, 0, "\0"s},
        {"missing file has no sections", "<missing>", nullptr, nullptr, nullptr, 128, 0, "\0"s},
    };
    return cases;
}

class ProfileContract : public ContractTest, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(ProfileContract, ReaderFollowsTheWindowsRules) {
    const ProfileCase& c = Cases()[GetParam()];
    SCOPED_TRACE(c.what);
    // A new file name per case: Windows caches profile files by name.
    const std::string file = env().ScratchDir() + "\\case" + std::to_string(GetParam()) + ".cfg";
    if (c.text != "<missing>") {
        ASSERT_TRUE(env().WriteFile(file, c.text));
    }

    std::vector<char> buffer(c.size + 8, 'x');
    std::uint32_t result = 0;
    if (c.section == nullptr) {
        result = P().files.GetPrivateProfileSectionNamesA(buffer.data(), c.size, file.c_str());
    } else {
        result = P().files.GetPrivateProfileStringA(c.section, c.key, c.defaultValue, buffer.data(),
                                                    c.size, file.c_str());
    }
    EXPECT_EQ(result, c.result);
    ASSERT_LE(c.bytes.size(), c.size);
    EXPECT_EQ(std::string(buffer.data(), c.bytes.size()), c.bytes);
    // Nothing is written past the size given.
    EXPECT_EQ(std::string(buffer.data() + c.size, 8), std::string(8, 'x'));
}

INSTANTIATE_TEST_SUITE_P(Cases, ProfileContract, ::testing::Range<std::size_t>(0, Cases().size()));

// A cut list of section names still ends in two NULs inside the buffer.
TEST_F(ContractTest, CutSectionNameListEndsInTwoNuls) {
    const std::string file = env().ScratchDir() + "\\names.cfg";
    ASSERT_TRUE(env().WriteFile(file, "[one]\n[two]\n[three]\n"));
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(P().files.GetPrivateProfileSectionNamesA(buffer, sizeof buffer, file.c_str()), 6u);
    EXPECT_EQ(std::string(buffer, 7), std::string("one\0tw\0", 7));
    const bool lastNul = KnownWineGap(true, false, "a cut section name list ends in two NULs");
    EXPECT_EQ(buffer[7], lastNul ? '\0' : 'x');
}

}  // namespace
}  // namespace contract
