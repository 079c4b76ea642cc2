#include "platform/sim/sim_windows.h"

#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace sim {

namespace {

// The drives go to memory where the host offers a memory file system and
// no TMPDIR says otherwise: tests make and remove many thousands of small
// files, which costs several times more on a disk.
fs::path TempBase() {
    const char* tmpdir = std::getenv("TMPDIR");
    std::error_code ec;
    if ((tmpdir == nullptr || *tmpdir == '\0') && fs::is_directory("/dev/shm", ec) &&
        access("/dev/shm", W_OK | X_OK) == 0) {
        return "/dev/shm";
    }
    fs::path base = fs::temp_directory_path(ec);
    return ec ? fs::path("/tmp") : base;
}

fs::path MakeTempRoot() {
    const fs::path base = TempBase();
    std::string pattern = (base / "simwin.XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data())) throw std::runtime_error("cannot make a folder for the simulated drives");
    return fs::path(buffer.data());
}

fs::path Prepared(fs::path root) {
    std::error_code ec;
    fs::create_directories(root, ec);
    return root;
}

}  // namespace

SimWindows::SimWindows() : SimWindows(MakeTempRoot()) {}

SimWindows::SimWindows(fs::path hostRoot)
    : m_root(Prepared(std::move(hostRoot))),
      m_files(m_context, m_root),
      m_registry(m_context),
      m_system(m_context),
      m_services(m_context),
      m_archiver(m_context, m_files),
      m_modules(m_context, m_files, m_system, m_archiver),
      m_spooler(m_context, m_registry, m_files, m_system, m_services),
      m_serial(m_context) {
    for (const char* folder : {"C:\\windows\\system32", "C:\\windows\\system", "C:\\windows\\SysWOW64",
                               "C:\\dist"}) {
        m_files.MakeDirectories(folder);
    }
    m_files.WriteFile("C:\\windows\\system32\\kernel32.dll", "");
    m_files.WriteFile("C:\\windows\\system32\\localspl.dll", "");
    m_files.WriteFile(m_system.ModuleFileName(), "");
    m_files.SetCurrentDirectory("C:\\");
    m_services.SetStateListener([this](const std::string& service, std::uint32_t state) {
        if (state == plat::kServiceRunning && IEquals(service, "Spooler")) m_spooler.OnServiceStarted();
    });
}

SimWindows::~SimWindows() {
    std::error_code ec;
    fs::remove_all(m_root, ec);
}

void SimWindows::BehaveLikeWine() {
    SpoolerQuirks quirks;
    quirks.unknownDriverGives87 = true;
    quirks.duplicatePrinterReplaces = true;
    quirks.purgeUnsupported = true;
    quirks.missingDependentFilesAccepted = true;
    quirks.portChangesAtOnce = true;
    quirks.noOnlineFlag = true;
    quirks.noDirectoryServiceKeys = true;
    quirks.noTcpipMonitor = true;
    m_spooler.SetQuirks(quirks);
    m_spooler.SetAddPrinterEnvironment(kEnvironmentX86);
    m_registry.SetCurrentConfigVolatileOnly(true);
}

plat::Platform MakePlatform(SimWindows& windows, plat::IUserInterface& ui) {
    return plat::Platform{windows.spooler(), windows.registry(), windows.services(),
                          windows.files(), windows.system(), windows.modules(), ui,
                          windows.serial()};
}

}  // namespace sim
