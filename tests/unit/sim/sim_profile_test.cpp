// The simulated profile reader's corners the driver list does not use.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/sim/sim_profile.h"

namespace {

using namespace std::string_literals;
using sim::profile::GetString;
using sim::profile::Parse;
using sim::profile::Section;

TEST(SimProfile, ParsesSectionsKeysAndLinesBeforeTheFirstSection) {
    const std::vector<Section> sections = Parse("\xEF\xBB\xBFtop=1\n[A]\n k = v \nbare\n[B] trailing\n[bad\n");
    ASSERT_EQ(sections.size(), 3u);
    EXPECT_EQ(sections[0].name, "");
    EXPECT_EQ(sections[0].keys[0].name, "top");
    EXPECT_EQ(sections[1].name, "A");
    EXPECT_EQ(sections[1].keys[0].value, "v");
    EXPECT_FALSE(sections[1].keys[1].value);
    EXPECT_EQ(sections[2].name, "B");
    EXPECT_EQ(sections[2].keys[0].name, "[bad");  // no closing bracket: a key line
}

TEST(SimProfile, TinyBuffers) {
    const std::vector<Section> sections = Parse("[A]\nk=value\n");
    char buffer[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(GetString(&sections, "A", "k", "", buffer, 0), 0u);
    EXPECT_EQ(buffer[0], 'x');
    EXPECT_EQ(GetString(&sections, "A", "k", "", buffer, 1), 0u);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(sim::profile::SectionNames(&sections, buffer, 1), 0u);
    EXPECT_EQ(buffer[0], '\0');
}

TEST(SimProfile, KeyAndSectionListsThroughGetString) {
    const std::vector<Section> sections = Parse("[A]\nk1=1\n;comment=x\nnovalue\nk2=2\n[B]\n");
    char buffer[32];
    EXPECT_EQ(GetString(&sections, "A", nullptr, "", buffer, sizeof buffer), 6u);
    EXPECT_EQ(std::string(buffer, 7), "k1\0k2\0\0"s);
    EXPECT_EQ(GetString(&sections, nullptr, nullptr, "", buffer, sizeof buffer), 4u);
    EXPECT_EQ(std::string(buffer, 5), "A\0B\0\0"s);
    EXPECT_EQ(GetString(&sections, "B", nullptr, "none", buffer, sizeof buffer), 4u);
    EXPECT_STREQ(buffer, "none");
}

}  // namespace
