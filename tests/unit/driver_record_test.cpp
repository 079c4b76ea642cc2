// The receipt driver record for each model position and word size.
#include <gtest/gtest.h>

#include "install/driver_record.h"

namespace {

struct RecordCase {
    int index;
    const char* name;
    const char* key;
    bool plugin;
};

TEST(ReceiptDriverRecord, NamesTheModelsFilesByteForByte) {
    const RecordCase cases[] = {
        {0, "SK200K8", "SK200K8", true},
        {2, "SK200400II8", "SK200400II8", true},
        {15, "vex5(No Cut) Series", "vex5nocut", false},
        {17, "6120IIIBM", "QV6120IIIBM", false},
        {24, "SK200400II8", "SK200400II8", true},
        {29, "SK200400II8", "SK200400II8", true},
    };
    for (const RecordCase& c : cases) {
        for (const char* dir : {"C:\\windows\\system32\\spool\\drivers\\w32x86",
                                "C:\\windows\\system32\\spool\\drivers\\x64"}) {
            SCOPED_TRACE(std::to_string(c.index) + " " + dir);
            const auto model = LookupReceiptModel(c.index);
            ASSERT_TRUE(model);
            const auto record = ReceiptDriverRecord(*model, "Windows x64", dir, false);
            ASSERT_TRUE(record);
            const std::string d = dir;
            EXPECT_EQ(record->version, 3u);
            EXPECT_EQ(record->name, c.name);
            EXPECT_EQ(record->environment, "Windows x64");
            EXPECT_EQ(record->driverPath, d + "\\uniDRV.DLL");
            EXPECT_EQ(record->dataFile, d + "\\" + c.key + ".GPD");
            EXPECT_EQ(record->configFile, d + "\\uniDRVui.DLL");
            EXPECT_EQ(record->helpFile, d + "\\uniDRV.HLP");
            std::vector<std::string> dependent = {"\\ttfsub.GPD", "\\unires.DLL", "\\stdnames.GPD"};
            if (c.plugin) dependent.insert(dependent.end(), {"\\VOEMUNI.ini", "\\VOEMUNI.dll"});
            dependent.push_back("QRR8.DLL");
            EXPECT_EQ(record->dependentFiles, dependent);
            EXPECT_EQ(record->monitorName, "");
            EXPECT_EQ(record->defaultDataType, "RAW");
        }
    }
}

TEST(ReceiptDriverRecord, VersionTwoOnNt4AndNothingForAFolderTooLong) {
    const auto model = LookupReceiptModel(0);
    ASSERT_TRUE(model);
    EXPECT_EQ(ReceiptDriverRecord(*model, "Windows NT x86", "C:\\d", true)->version, 2u);
    // "\uniDRVui.DLL", 13 characters, is the longest name after the folder.
    EXPECT_TRUE(ReceiptDriverRecord(*model, "Windows NT x86", std::string(kDriverPathSize - 14, 'a'), false));
    EXPECT_FALSE(ReceiptDriverRecord(*model, "Windows NT x86", std::string(kDriverPathSize - 13, 'a'), false));
}

}  // namespace
