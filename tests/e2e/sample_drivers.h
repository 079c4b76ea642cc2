// The driver names of the sample driver package, as the installer lists them.
#pragma once

#include <string>
#include <vector>

namespace e2e {

// The display names of tools/sample-package/DriverName.cfg.in, the driver
// list file of the sample package, in file order (sections that name no
// model have no names, so they add nothing here).
inline const std::vector<std::string> kSampleDriverNames = {
    "SK200K8", "SK200350I8", "SK200400II8",  // sections 0-2
    "vex5(No Cut) Series", "vex5(Cut) Series", "6120IIIBM", "6140BM", "6140IIBM",
    "6140IIIBM", "vex5BM",                                  // sections 15-21
    "SK200K8 (2)", "SK200350I8 (2)", "SK200400II8 (2)",     // sections 22-24
    "SK200K8 (3)", "SK200350I8 (3)", "SK200400II8 (3)",     // sections 27-29
    "3150TF(Label)", "3150T(Label)", "43T(Label)", "3150TL(Label)",
    "B72I(Label)",                                          // sections 30-34
};

}  // namespace e2e
