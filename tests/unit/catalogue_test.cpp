#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "install/catalogue.h"

namespace {

struct ReceiptCase {
    int index;
    int position;  // -1: names no model
    const char* name;
    const char* key;
    bool oem;
};

class ReceiptLookup : public testing::TestWithParam<ReceiptCase> {};

TEST_P(ReceiptLookup, MapsDriverIndexToCataloguePosition) {
    const ReceiptCase& c = GetParam();
    auto model = LookupReceiptModel(c.index);
    if (c.position < 0) {
        EXPECT_FALSE(model.has_value()) << "index " << c.index;
        EXPECT_FALSE(IsCatalogueIndex(c.index));
        return;
    }
    ASSERT_TRUE(model.has_value()) << "index " << c.index;
    EXPECT_EQ(model->position, c.position);
    EXPECT_STREQ(model->displayName, c.name);
    EXPECT_STREQ(model->key, c.key);
    EXPECT_STREQ(model->modelDll, "QRR8");
    EXPECT_EQ(model->usesOemPlugin, c.oem);
    EXPECT_TRUE(IsCatalogueIndex(c.index));
}

// Every receipt index: positions count from the first row of the fourth
// group, so most of the first three groups name no model.
INSTANTIATE_TEST_SUITE_P(
    AllReceiptIndexes, ReceiptLookup,
    testing::Values(
        ReceiptCase{0, 27, "SK200K8", "SK200K8", true},
        ReceiptCase{1, 28, "SK200350I8", "SK200350I8", true},
        ReceiptCase{2, 29, "SK200400II8", "SK200400II8", true},
        ReceiptCase{3, -1, nullptr, nullptr, false}, ReceiptCase{4, -1, nullptr, nullptr, false},
        ReceiptCase{5, -1, nullptr, nullptr, false}, ReceiptCase{6, -1, nullptr, nullptr, false},
        ReceiptCase{7, -1, nullptr, nullptr, false}, ReceiptCase{8, -1, nullptr, nullptr, false},
        ReceiptCase{9, -1, nullptr, nullptr, false}, ReceiptCase{10, -1, nullptr, nullptr, false},
        ReceiptCase{11, -1, nullptr, nullptr, false}, ReceiptCase{12, -1, nullptr, nullptr, false},
        ReceiptCase{13, -1, nullptr, nullptr, false}, ReceiptCase{14, -1, nullptr, nullptr, false},
        ReceiptCase{15, 20, "vex5(No Cut) Series", "vex5nocut", false},
        ReceiptCase{16, 21, "vex5(Cut) Series", "vex5cut", false},
        ReceiptCase{17, 22, "6120IIIBM", "QV6120IIIBM", false},
        ReceiptCase{18, 23, "6140BM", "QV6140BM", false},
        ReceiptCase{19, 24, "6140IIBM", "QV6140IIBM", false},
        ReceiptCase{20, 25, "6140IIIBM", "QV6140IIIBM", false},
        ReceiptCase{21, 26, "vex5BM", "vex5BM", false},
        ReceiptCase{22, 27, "SK200K8", "SK200K8", true},
        ReceiptCase{23, 28, "SK200350I8", "SK200350I8", true},
        ReceiptCase{24, 29, "SK200400II8", "SK200400II8", true},
        ReceiptCase{25, -1, nullptr, nullptr, false}, ReceiptCase{26, -1, nullptr, nullptr, false},
        ReceiptCase{27, 27, "SK200K8", "SK200K8", true},
        ReceiptCase{28, 28, "SK200350I8", "SK200350I8", true},
        ReceiptCase{29, 29, "SK200400II8", "SK200400II8", true}));

TEST(LabelLookup, MapsIndexesFromThirtyToLabelRows) {
    const char* names[] = {"3150TF(Label)", "3150T(Label)", "43T(Label)", "3150TL(Label)",
                           "B72I(Label)"};
    const char* keys[] = {"QV315TF", "QV315T", "QV43T", "QV315TL", "QVB72I"};
    for (int index = 30; index < 35; ++index) {
        auto model = LookupLabelModel(index);
        ASSERT_TRUE(model.has_value()) << index;
        EXPECT_EQ(model->row, index - 30);
        EXPECT_STREQ(model->displayName, names[index - 30]);
        EXPECT_STREQ(model->key, keys[index - 30]);
        EXPECT_FALSE(LookupReceiptModel(index).has_value());
    }
}

TEST(LabelLookup, IndexesPastTheTableNameNothing) {
    for (int index : {-5, -1, 0, 29, 35, 36, 40, 1000}) {
        EXPECT_FALSE(LookupLabelModel(index).has_value()) << index;
    }
    for (int index : {-1, 35, 40, 1 << 30}) {
        EXPECT_FALSE(IsCatalogueIndex(index)) << index;
        EXPECT_FALSE(LookupReceiptModel(index).has_value()) << index;
    }
}

TEST(Catalogue, TablesHoldTheirFixedShapes) {
    // Rows 5 and 6 share one GPD file.
    EXPECT_STREQ(g_apszReceiptKeys[5], "QV4350X");
    EXPECT_STREQ(g_apszReceiptKeys[6], "QV4350X");
    EXPECT_STREQ(g_apszReceiptNames[5], "4350X Series");
    EXPECT_STREQ(g_apszReceiptNames[6], "43F Series");
    for (int row = 3; row < 30; ++row) {
        const std::string x86 = g_apszLabelFilesX86[row];
        const std::string x64 = g_apszLabelFilesX64[row];
        EXPECT_EQ(x86.size(), 12u) << x86;
        EXPECT_EQ(x86.substr(0, 3), "VXL");
        EXPECT_EQ(x86.substr(6), "50.DLL");
        EXPECT_EQ(x64.substr(6), "56.DLL");
        EXPECT_EQ(x86.substr(3, 3), x64.substr(3, 3)) << "same language in both lists";
    }
    EXPECT_STREQ(g_apszLabelFilesX86[3], "VXLENG50.DLL");
    EXPECT_STREQ(g_apszLabelFilesX64[29], "VXLPBR56.DLL");
}

}  // namespace
