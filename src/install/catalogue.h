// The built-in, read-only catalogue of printer models and driver files.
// A driver index (the position of a driver's section in the driver list
// file) names a receipt model below 30 and a label model from 30 on.
#pragma once

#include <optional>

extern const char* const g_apszReceiptNames[30];
extern const char* const g_apszModelDlls[6];
extern const char* const g_apszReceiptKeys[30];
extern const char* const g_apszUnidrvFiles[6];
extern const char* const g_apszLabelNames[5];
extern const char* const g_apszLabelFilesX86[30];
extern const char* const g_apszLabelFilesX64[30];
extern const char* const g_apszLabelKeys[5];

// Sizes of the four receipt-model groups, in catalogue order.
struct ReceiptGroups {
    int count1 = 15;
    int count2 = 7;
    int count3 = 5;
    int count4 = 3;

    int Total() const { return count1 + count2 + count3 + count4; }
};

struct ReceiptModel {
    int position = 0;             // row in the receipt columns
    const char* displayName = nullptr;
    const char* key = nullptr;    // base name of the model's GPD file
    const char* modelDll = nullptr;
    bool usesOemPlugin = false;   // the rows of the fourth group
};

struct LabelModel {
    int row = 0;
    const char* displayName = nullptr;
    const char* key = nullptr;    // base name of the .BA0, .DAT and .PP0 files
};

// The receipt model for driver index `index`, or nothing when the index is
// outside the receipt range or its position falls past the table.
std::optional<ReceiptModel> LookupReceiptModel(int index, const ReceiptGroups& groups = {});

// The label model for driver index `index` (30 and up), or nothing when the
// index names no label row.
std::optional<LabelModel> LookupLabelModel(int index, const ReceiptGroups& groups = {});

// Whether the driver index names any model of the catalogue.
bool IsCatalogueIndex(int index, const ReceiptGroups& groups = {});
