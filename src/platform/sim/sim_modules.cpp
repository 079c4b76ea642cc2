#include "platform/sim/sim_modules.h"

#include <cstdio>

#include "platform/sim/sim_archiver.h"
#include "platform/sim/sim_files.h"
#include "platform/sim/sim_paths.h"
#include "platform/sim/sim_system.h"
#include "platform/sim/sim_text.h"

namespace sim {

namespace {

constexpr std::uint32_t kSearchDllLoadDir = 0x100;
constexpr std::uint32_t kSearchUserDirs = 0x400;
constexpr std::uint32_t kSearchDefaultDirs = 0x1000;
constexpr std::uint32_t kSearchFlags = kSearchDllLoadDir | plat::kLoadLibrarySearchApplicationDir |
                                       kSearchUserDirs | plat::kLoadLibrarySearchSystem32 |
                                       kSearchDefaultDirs;

int DummyIsWow64Process(void*, int* isWow64) {
    *isWow64 = 0;
    return 1;
}

std::string BaseName(const std::string& path) {
    const std::string::size_type slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

SimModules::SimModules(SimContext& context, SimFiles& files, SimSystem& system,
                       SimArchiver& archiver)
    : m_context(context), m_files(files), m_system(system), m_archiver(archiver) {
    m_searchPath = {m_system.SystemDirectory(), m_system.WindowsDirectory()};
}

SimModules::~SimModules() {
    SimLock lock(m_context.mutex);
    m_modules.ForEach([this](Module& module) {
        if (module.kind == Kind::kArchiver) m_archiver.Detach();
    });
}

plat::Handle SimModules::Fail(std::uint32_t error) {
    SetThreadLastError(error);
    return nullptr;
}

std::optional<std::string> SimModules::Find(const std::string& name, std::uint32_t flags) {
    if (name.find_first_of("\\/") != std::string::npos) {
        if (!m_files.IsFile(name)) return std::nullopt;
        return m_files.FullPath(name);
    }
    std::vector<std::string> folders;
    const std::uint32_t search = flags & kSearchFlags;
    if (search == 0) {
        folders = {m_system.ProgramFolder(), m_system.SystemDirectory(),
                   m_system.WindowsDirectory() + "\\system", m_system.WindowsDirectory(),
                   m_files.CurrentDirectory()};
        folders.insert(folders.end(), m_searchPath.begin(), m_searchPath.end());
    } else {
        if (search & (plat::kLoadLibrarySearchApplicationDir | kSearchDefaultDirs)) {
            folders.push_back(m_system.ProgramFolder());
        }
        if (search & (plat::kLoadLibrarySearchSystem32 | kSearchDefaultDirs)) {
            folders.push_back(m_system.SystemDirectory());
        }
    }
    for (const std::string& folder : folders) {
        const std::string candidate = folder + (folder.empty() || IsSeparator(folder.back()) ? "" : "\\") + name;
        if (m_files.IsFile(candidate)) return m_files.FullPath(candidate);
    }
    return std::nullopt;
}

plat::Handle SimModules::LoadLibraryExA(const char* fileName, std::uint32_t flags) {
    if (auto fault = m_context.faults.Enter("LoadLibraryExA")) return Fail(*fault);
    SimLock lock(m_context.mutex);
    if (!fileName || !*fileName) return Fail(plat::err::kInvalidParameter);
    if ((flags & kSearchFlags) && !m_searchFlagsSupported) return Fail(plat::err::kInvalidParameter);
    std::string name = fileName;
    // A name without an extension means a ".dll".
    if (BaseName(name).find('.') == std::string::npos) name += ".dll";

    std::optional<std::string> path;
    Kind kind = Kind::kPlain;
    if (IEquals(BaseName(name), "kernel32.dll")) {
        kind = Kind::kKernel32;
        path = m_system.SystemDirectory() + "\\kernel32.dll";
    } else {
        path = Find(name, flags);
        if (!path) return Fail(plat::err::kModNotFound);
        if (IEquals(BaseName(*path), kArchiverLibraryName)) kind = Kind::kArchiver;
    }

    // A library already loaded is not loaded again: same handle, one more reference.
    plat::Handle existing =
        m_modules.FindIf([&](const Module& module) { return IEquals(module.path, *path); });
    if (existing) {
        ++m_modules.Find(existing)->references;
        return existing;
    }
    if (kind == Kind::kArchiver && !m_archiver.Attach()) {
        std::fprintf(stderr, "the simulated archiver is loaded by another simulated Windows\n");
        return Fail(kErrorDllInitFailed);
    }
    return m_modules.Add(Module{*path, kind, 1});
}

void* SimModules::GetProcAddress(plat::Handle module, const char* procName) {
    if (auto fault = m_context.faults.Enter("GetProcAddress")) {
        Fail(*fault);
        return nullptr;
    }
    SimLock lock(m_context.mutex);
    Module* loaded = m_modules.Find(module);
    if (!loaded) return Fail(plat::err::kModNotFound);
    // Lookups by ordinal pass a small number for the name.
    if (reinterpret_cast<std::uintptr_t>(procName) < 0x10000) return Fail(plat::err::kProcNotFound);
    void* entry = nullptr;
    if (loaded->kind == Kind::kArchiver) entry = m_archiver.Export(procName);
    if (loaded->kind == Kind::kKernel32 && std::string_view(procName) == "IsWow64Process") {
        // The system knob decides whether this export exists.
        if (m_system.IsWow64ProcessExported()) entry = reinterpret_cast<void*>(&DummyIsWow64Process);
    }
    if (!entry) return Fail(plat::err::kProcNotFound);
    return entry;
}

bool SimModules::FreeLibrary(plat::Handle module) {
    if (auto fault = m_context.faults.Enter("FreeLibrary")) {
        Fail(*fault);
        return false;
    }
    SimLock lock(m_context.mutex);
    Module* loaded = m_modules.Find(module);
    if (!loaded) {
        Fail(plat::err::kModNotFound);
        return false;
    }
    if (--loaded->references > 0) return true;
    if (loaded->kind == Kind::kArchiver) m_archiver.Detach();
    m_modules.Remove(module);
    return true;
}

void SimModules::PlaceArchiver(const std::string& winFolder) {
    m_files.WriteFile(winFolder + "\\" + kArchiverLibraryName, "simulated archiver library\n");
}

void SimModules::BreakArchiverExport(const std::string& name) { m_archiver.BreakExport(name); }

void SimModules::SetSearchFlagsSupported(bool on) {
    SimLock lock(m_context.mutex);
    m_searchFlagsSupported = on;
}

void SimModules::SetSearchPath(std::vector<std::string> folders) {
    SimLock lock(m_context.mutex);
    m_searchPath = std::move(folders);
}

std::optional<std::string> SimModules::LoadedFrom(std::string_view fileName) const {
    SimLock lock(m_context.mutex);
    std::optional<std::string> found;
    m_modules.ForEach([&](const Module& module) {
        if (IEquals(BaseName(module.path), fileName)) found = module.path;
    });
    return found;
}

std::size_t SimModules::LoadedCount() const {
    SimLock lock(m_context.mutex);
    return m_modules.Size();
}

}  // namespace sim
