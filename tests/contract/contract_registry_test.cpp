// The registry as the installer relies on it: keys opened and created,
// values written, read and enumerated with the Win32 size rules.
#include <cstring>
#include <string>

#include "contract_support.h"

namespace contract {
namespace {

using plat::RootKey;

constexpr char kTestRoot[] = "Software\\ContractTests";

class RegistryContract : public ContractTest {
protected:
    void SetUp() override {
        ContractTest::SetUp();
        m_path = std::string(kTestRoot) + "\\" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name();
        DeleteTree();
        ASSERT_EQ(Reg().RegCreateKeyExA(RootKey::CurrentUser, m_path, plat::kKeyAllAccess, &m_key), 0);
    }
    void TearDown() override {
        if (m_key != nullptr) Reg().RegCloseKey(m_key);
        DeleteTree();
        Reg().RegDeleteKeyA(RootKey::CurrentUser, kTestRoot);
        ContractTest::TearDown();
    }
    plat::IRegistry& Reg() { return P().registry; }

    void SetString(const char* name, const char* text, std::uint32_t size) {
        ASSERT_EQ(Reg().RegSetValueExA(m_key, name, plat::kRegSz,
                                       reinterpret_cast<const std::uint8_t*>(text), size), 0);
    }

    std::string m_path;
    plat::RegKey m_key = nullptr;

private:
    void DeleteTree() {
        Reg().RegDeleteKeyA(RootKey::CurrentUser, m_path + "\\Child");
        Reg().RegDeleteKeyA(RootKey::CurrentUser, m_path);
    }
};

TEST_F(RegistryContract, MissingKeyAndValueAreFileNotFound) {
    plat::RegKey key = nullptr;
    EXPECT_EQ(Reg().RegOpenKeyExA(RootKey::CurrentUser, m_path + "\\NoSuchKey", plat::kKeyRead, &key),
              static_cast<long>(plat::err::kFileNotFound));
    std::uint32_t size = 0;
    EXPECT_EQ(Reg().RegQueryValueExA(m_key, "NoSuchValue", nullptr, nullptr, &size),
              static_cast<long>(plat::err::kFileNotFound));
}

TEST_F(RegistryContract, QueryReportsTheSizeAndRefusesASmallBuffer) {
    SetString("Test", "foobar", 7);
    std::uint32_t type = 0, size = 0;
    EXPECT_EQ(Reg().RegQueryValueExA(m_key, "Test", &type, nullptr, &size), 0);
    EXPECT_EQ(type, plat::kRegSz);
    EXPECT_EQ(size, 7u);

    std::uint8_t small[3] = {'x', 'x', 'x'};
    size = sizeof small;
    EXPECT_EQ(Reg().RegQueryValueExA(m_key, "Test", nullptr, small, &size),
              static_cast<long>(plat::err::kMoreData));
    EXPECT_EQ(size, 7u);

    char data[20] = {};
    size = sizeof data;
    EXPECT_EQ(Reg().RegQueryValueExA(m_key, "TEST", nullptr, reinterpret_cast<std::uint8_t*>(data), &size), 0);
    EXPECT_EQ(size, 7u);
    EXPECT_STREQ(data, "foobar");
}

// The port assignment writes its strings with the length of the text alone;
// Windows then keeps the NUL that follows the text as part of the value.
TEST_F(RegistryContract, StringWrittenWithoutItsNulKeepsTheNul) {
    SetString("Port", "COM1:", 5);
    std::uint32_t size = 0;
    EXPECT_EQ(Reg().RegQueryValueExA(m_key, "Port", nullptr, nullptr, &size), 0);
    EXPECT_EQ(size, 6u);
}

TEST_F(RegistryContract, KeyOpenedForReadingCannotBeWritten) {
    plat::RegKey reader = nullptr;
    ASSERT_EQ(Reg().RegOpenKeyExA(RootKey::CurrentUser, m_path, plat::kKeyRead, &reader), 0);
    const std::uint8_t data[] = "x";
    EXPECT_EQ(Reg().RegSetValueExA(reader, "Value", plat::kRegSz, data, sizeof data),
              static_cast<long>(plat::err::kAccessDenied));
    Reg().RegCloseKey(reader);
}

TEST_F(RegistryContract, KeyWithSubkeysIsNotDeleted) {
    plat::RegKey child = nullptr;
    ASSERT_EQ(Reg().RegCreateKeyExA(RootKey::CurrentUser, m_path + "\\Child", plat::kKeyAllAccess, &child), 0);
    Reg().RegCloseKey(child);
    EXPECT_EQ(Reg().RegDeleteKeyA(RootKey::CurrentUser, m_path), static_cast<long>(plat::err::kAccessDenied));
    EXPECT_EQ(Reg().RegDeleteKeyA(RootKey::CurrentUser, m_path + "\\Child"), 0);
}

TEST_F(RegistryContract, DeletedValueIsGone) {
    SetString("Gone", "x", 2);
    EXPECT_EQ(Reg().RegDeleteValueA(m_key, "GONE"), 0);
    EXPECT_EQ(Reg().RegDeleteValueA(m_key, "Gone"), static_cast<long>(plat::err::kFileNotFound));
}

// RegEnumValueA's in/out sizes, as Windows gives them for the value
// "Test" = "foobar" (7 bytes with its NUL).
struct EnumCase {
    const char* what;
    std::uint32_t nameSize;
    std::uint32_t dataSize;
    long result;
    std::uint32_t nameSizeAfter;
    std::uint32_t dataSizeAfter;
    const char* nameAfter;  // nullptr: either untouched or the cut name
    const char* dataAfter;  // nullptr: either untouched or the whole data
};

constexpr EnumCase kEnumCases[] = {
    {"both fit", 20, 20, 0, 4, 7, "Test", "foobar"},
    {"data too small", 20, 2, 234, 20, 7, "xxxxxxxxxx", "xxxxxxxxxx"},
    {"both too small", 2, 2, 234, 2, 7, "xxxxxxxxxx", "xxxxxxxxxx"},
    {"name too small", 3, 20, 234, 3, 7, nullptr, nullptr},
    {"name exactly without room for its NUL", 4, 20, 234, 4, 7, nullptr, nullptr},
    {"empty name buffer", 0, 20, 234, 0, 7, "xxxxxxxxxx", nullptr},
};

class RegistryEnumTest : public RegistryContract, public ::testing::WithParamInterface<EnumCase> {};

TEST_P(RegistryEnumTest, SizesInAndOut) {
    const EnumCase& c = GetParam();
    SetString("Test", "foobar", 7);
    char name[20], data[20];
    std::strcpy(name, "xxxxxxxxxx");
    std::strcpy(data, "xxxxxxxxxx");
    std::uint32_t nameSize = c.nameSize, dataSize = c.dataSize, type = 1234;
    const long result = Reg().RegEnumValueA(m_key, 0, name, &nameSize, &type,
                                            reinterpret_cast<std::uint8_t*>(data), &dataSize);
    SCOPED_TRACE(c.what);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(nameSize, c.nameSizeAfter);
    EXPECT_EQ(dataSize, c.dataSizeAfter);
    EXPECT_EQ(type, plat::kRegSz);
    if (c.nameAfter) {
        EXPECT_STREQ(name, c.nameAfter);
    } else {
        const std::string cut = std::string("Test").substr(0, c.nameSize - 1);
        EXPECT_TRUE(name == cut || std::string(name) == "xxxxxxxxxx") << name;
    }
    if (c.dataAfter) {
        EXPECT_STREQ(data, c.dataAfter);
    } else {
        EXPECT_TRUE(std::string(data) == "foobar" || std::string(data) == "xxxxxxxxxx") << data;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, RegistryEnumTest, ::testing::ValuesIn(kEnumCases));

TEST_F(RegistryContract, EnumerationEndsWithNoMoreItemsAndKeepsTheOrder) {
    SetString("Second", "2", 2);
    SetString("First", "1", 2);
    char name[32];
    std::uint32_t size = sizeof name;
    ASSERT_EQ(Reg().RegEnumValueA(m_key, 0, name, &size, nullptr, nullptr, nullptr), 0);
    const std::string first = name;
    size = sizeof name;
    ASSERT_EQ(Reg().RegEnumValueA(m_key, 1, name, &size, nullptr, nullptr, nullptr), 0);
    EXPECT_TRUE((first == "Second" && std::string(name) == "First") ||
                (first == "First" && std::string(name) == "Second"))
        << first << ", " << name;
    size = sizeof name;
    EXPECT_EQ(Reg().RegEnumValueA(m_key, 2, name, &size, nullptr, nullptr, nullptr),
              static_cast<long>(plat::err::kNoMoreItems));
}

TEST_F(RegistryContract, SerialDeviceMapIsReadable) {
    plat::RegKey key = nullptr;
    const long opened = Reg().RegOpenKeyExA(RootKey::LocalMachine, "HARDWARE\\DEVICEMAP\\SERIALCOMM",
                                            plat::kKeyRead, &key);
    if (opened == static_cast<long>(plat::err::kFileNotFound)) GTEST_SKIP() << "no serial port on this machine";
    ASSERT_EQ(opened, 0);
    for (std::uint32_t index = 0; index < 64; ++index) {
        char name[128];
        std::uint8_t data[128];
        std::uint32_t nameSize = sizeof name, dataSize = sizeof data, type = 0;
        const long result = Reg().RegEnumValueA(key, index, name, &nameSize, &type, data, &dataSize);
        if (result == static_cast<long>(plat::err::kNoMoreItems)) break;
        ASSERT_EQ(result, 0);
        EXPECT_EQ(std::string(name).rfind("\\Device\\", 0), 0u) << name;
        EXPECT_EQ(type, plat::kRegSz);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(data)).rfind("COM", 0), 0u);
    }
    Reg().RegCloseKey(key);
}

}  // namespace
}  // namespace contract
