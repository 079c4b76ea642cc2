#include "install/catalogue.h"

#include <iterator>

const char* const g_apszReceiptNames[30] = {
    "4310 Series",         "4320 Series",         "4330 Series",      "4340 Series",
    "4350 Series",         "4350X Series",        "43F Series",       "43600 Series",
    "43700 Series",        "43700M Series",       "H43700 Series",    "43N Series",
    "43L Series",          "3150TF(Receipt)",     "QR390",            "6120 Series",
    "6140(No Cut) Series", "6140(Cut) Series",    "6140D Series",     "6120K Series",
    "vex5(No Cut) Series", "vex5(Cut) Series",    "6120IIIBM",        "6140BM",
    "6140IIBM",            "6140IIIBM",           "vex5BM",           "SK200K8",
    "SK200350I8",          "SK200400II8",
};

const char* const g_apszModelDlls[6] = {"QV43N", "QV62N", "QV62K", "QV62BM", "QV71N", "QRR8"};

const char* const g_apszReceiptKeys[30] = {
    "QV4310",      "QV4320",     "QV4330",     "QV4340",      "QV4350",      "QV4350X",
    "QV4350X",     "QV43600",    "QV43700",    "QV43700M",    "QVH43700",    "QV43N",
    "QV43L",       "QV3150TF",   "QR390",      "QV6120",      "QV6140nocut", "QV6140cut",
    "QV6140D",     "QV6120K",    "vex5nocut",  "vex5cut",     "QV6120IIIBM", "QV6140BM",
    "QV6140IIBM",  "QV6140IIIBM", "vex5BM",    "SK200K8",     "SK200350I8",  "SK200400II8",
};

const char* const g_apszUnidrvFiles[6] = {"uniDRVui.DLL", "uniDRV.DLL",  "UNIDRV.HLP",
                                          "UNIRES.DLL",   "TTFSUB.GPD", "STDNAMES.GPD"};

const char* const g_apszLabelNames[5] = {"3150TF(Label)", "3150T(Label)", "43T(Label)",
                                         "3150TL(Label)", "B72I(Label)"};

const char* const g_apszLabelFilesX86[30] = {
    "ldaNLMNT.dll", "VXLDRV50.DLL", "VXLUI50.DLL",  "VXLENG50.DLL", "VXLSLO50.DLL",
    "VXLCRO50.DLL", "VXLGER50.DLL", "VXLDAN50.DLL", "VXLFRA50.DLL", "VXLSPA50.DLL",
    "VXLITA50.DLL", "VXLFIN50.DLL", "VXLDUT50.DLL", "VXLCZE50.DLL", "VXLPOL50.DLL",
    "VXLHUN50.DLL", "VXLRUS50.DLL", "VXLTUR50.DLL", "VXLSWE50.DLL", "VXLHEB50.DLL",
    "VXLSVK50.DLL", "VXLLIT50.DLL", "VXLCHI50.DLL", "VXLSCH50.DLL", "VXLTAI50.DLL",
    "VXLKOR50.DLL", "VXLJAP50.DLL", "VXLUKR50.DLL", "VXLNOR50.DLL", "VXLPBR50.DLL",
};

const char* const g_apszLabelFilesX64[30] = {
    "ldaNLM64.dll", "VXLDRV56.DLL", "VXLUI56.DLL",  "VXLENG56.DLL", "VXLSLO56.DLL",
    "VXLCRO56.DLL", "VXLGER56.DLL", "VXLDAN56.DLL", "VXLFRA56.DLL", "VXLSPA56.DLL",
    "VXLITA56.DLL", "VXLFIN56.DLL", "VXLDUT56.DLL", "VXLCZE56.DLL", "VXLPOL56.DLL",
    "VXLHUN56.DLL", "VXLRUS56.DLL", "VXLTUR56.DLL", "VXLSWE56.DLL", "VXLHEB56.DLL",
    "VXLSVK56.DLL", "VXLLIT56.DLL", "VXLCHI56.DLL", "VXLSCH56.DLL", "VXLTAI56.DLL",
    "VXLKOR56.DLL", "VXLJAP56.DLL", "VXLUKR56.DLL", "VXLNOR56.DLL", "VXLPBR56.DLL",
};

const char* const g_apszLabelKeys[5] = {"QV315TF", "QV315T", "QV43T", "QV315TL", "QVB72I"};

std::optional<ReceiptModel> LookupReceiptModel(int index, const ReceiptGroups& groups) {
    // Positions count from the first row of the fourth group, so most
    // indexes of the first three groups land past the end of the columns.
    const int first4 = groups.count1 + groups.count2 + groups.count3;
    int position = -1;
    if (index < 0) {
        return std::nullopt;
    } else if (index < groups.count1) {
        position = first4 + index;
    } else if (index < first4) {
        position = first4 + (index - groups.count1 - groups.count2);
    } else if (index < groups.Total()) {
        position = first4 + (index - groups.count1 - groups.count2 - groups.count3);
    } else {
        return std::nullopt;
    }
    if (position < 0 || position >= static_cast<int>(std::size(g_apszReceiptNames))) {
        return std::nullopt;
    }
    ReceiptModel model;
    model.position = position;
    model.displayName = g_apszReceiptNames[position];
    model.key = g_apszReceiptKeys[position];
    model.modelDll = g_apszModelDlls[5];
    model.usesOemPlugin = position >= first4;
    return model;
}

std::optional<LabelModel> LookupLabelModel(int index, const ReceiptGroups& groups) {
    const int row = index - groups.Total();
    if (index < groups.Total() || row >= static_cast<int>(std::size(g_apszLabelNames))) {
        return std::nullopt;
    }
    return LabelModel{row, g_apszLabelNames[row], g_apszLabelKeys[row]};
}

bool IsCatalogueIndex(int index, const ReceiptGroups& groups) {
    return index < groups.Total() ? LookupReceiptModel(index, groups).has_value()
                                  : LookupLabelModel(index, groups).has_value();
}
