// The simulated library loader. A library is a file in the simulated
// drives; "7-zip32.dll" (wherever it lies) is the simulated archiver, and
// "kernel32" is always there. The search follows Windows: flags 0 is the
// classic order (program folder, system folder, 16-bit system folder,
// Windows folder, current folder, PATH); the search flags look only where
// they say; a path loads exactly that file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/modules.h"
#include "platform/sim/sim_context.h"
#include "platform/sim/sim_handles.h"

namespace sim {

class SimArchiver;
class SimFiles;
class SimSystem;

constexpr char kArchiverLibraryName[] = "7-zip32.dll";
constexpr std::uint32_t kErrorDllInitFailed = 1114;

class SimModules final : public plat::IModules {
public:
    SimModules(SimContext& context, SimFiles& files, SimSystem& system, SimArchiver& archiver);
    ~SimModules() override;
    SimModules(const SimModules&) = delete;
    SimModules& operator=(const SimModules&) = delete;

    plat::Handle LoadLibraryExA(const char* fileName, std::uint32_t flags) override;
    void* GetProcAddress(plat::Handle module, const char* procName) override;
    bool FreeLibrary(plat::Handle module) override;

    // Test knobs and views.
    // Puts an archiver library file into a folder ("C:\dist", the system
    // folder, a PATH folder, ...).
    void PlaceArchiver(const std::string& winFolder);
    // The archiver then lacks this export ("" restores them all).
    void BreakArchiverExport(const std::string& name);
    // Off: the search flags are refused with 87, as on Vista and 7 without
    // the update that brought them.
    void SetSearchFlagsSupported(bool on);
    // The PATH folders, in order (default: the system and Windows folders).
    void SetSearchPath(std::vector<std::string> folders);
    // Whether a library of this file name is loaded, and from where.
    std::optional<std::string> LoadedFrom(std::string_view fileName) const;
    std::size_t LoadedCount() const;

private:
    enum class Kind { kKernel32, kArchiver, kPlain };
    struct Module {
        std::string path;  // full Windows path
        Kind kind = Kind::kPlain;
        int references = 0;
    };

    // The full path of the file a load would take, or nullopt.
    std::optional<std::string> Find(const std::string& name, std::uint32_t flags);
    plat::Handle Fail(std::uint32_t error);

    SimContext& m_context;
    SimFiles& m_files;
    SimSystem& m_system;
    SimArchiver& m_archiver;
    bool m_searchFlagsSupported = true;
    std::vector<std::string> m_searchPath;
    HandleTable<Module> m_modules{kModuleHandleBase};
};

}  // namespace sim
