// What each build hands the contract tests: the platform under test and the
// few things the seam itself does not offer (a scratch folder, writing a
// file). contract_env_sim.cpp gives the simulated Windows, a fresh one per
// test; contract_env_win32.cpp gives the real adapter.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"

namespace contract {

class Env {
public:
    virtual ~Env() = default;
    virtual plat::Platform& platform() = 0;
    // A fresh, empty folder on drive C: (a Windows path without a trailing
    // separator), removed with everything in it when the Env goes.
    virtual std::string ScratchDir() = 0;
    // Writes `bytes` into the file `winPath` (created or replaced).
    virtual bool WriteFile(const std::string& winPath, const std::string& bytes) = 0;
};

std::unique_ptr<Env> MakeEnv();
// Whether the platform is Wine (ntdll exports wine_get_version).
bool RunningUnderWine();

}  // namespace contract
