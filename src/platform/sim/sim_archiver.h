// The simulated archiver library "7-zip32.dll": the four entry points the
// installer resolves, with the real library's signatures, extracting with
// libarchive (7z, zip, tar, ...) into the simulated drives.
//
// It understands exactly the command the installer gives:
//   x -y "<archive>" -o"<output folder>" [-hide]
// extracts every entry with its stored path, overwriting existing files,
// and refuses an archive (extracting nothing) when any entry has an
// absolute path, a ".." component, or is a link that points outside the
// output folder. Results: 0 success, 2 an error (unreadable archive, refused
// entries, a file that could not be written), 7 a command it does not
// understand, 255 stopped by the owner callback.
#pragma once

#include <atomic>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "platform/archiver_api.h"
#include "platform/sim/sim_context.h"

namespace sim {

class SimFiles;

constexpr int kArchiverOk = 0;
constexpr int kArchiverError = 2;
constexpr int kArchiverCommandError = 7;
constexpr int kArchiverStopped = 255;
// The owner callback's `state` at the start and at the end of an extraction.
constexpr unsigned kArchiverStateBegin = 0;
constexpr unsigned kArchiverStateEnd = 2;

class SimArchiver {
public:
    SimArchiver(SimContext& context, SimFiles& files);
    ~SimArchiver();
    SimArchiver(const SimArchiver&) = delete;
    SimArchiver& operator=(const SimArchiver&) = delete;

    // The entry point exported under `name`, or nullptr.
    void* Export(std::string_view name) const;
    // The library then lacks this export ("" restores all).
    void BreakExport(const std::string& name);

    // The library's entry points are plain functions with no context, as
    // the real library's are; they reach this object through one
    // process-wide pointer, set while the library is loaded. Attach fails
    // when another simulated Windows has it loaded.
    bool Attach();
    void Detach();

    // Views for tests.
    std::string LastCommand() const;
    std::string LastReport() const;
    bool OwnerRegistered() const;

    // Bodies of the entry points.
    int Run(void* hwnd, const char* cmdLine, char* output, std::uint32_t outputSize);
    int SetOwner(void* hwnd, plat::ArchiverCallback callback);
    int KillOwner(void* hwnd);
    int Running() const;

private:
    int Extract(const std::string& archive, const std::string& outputDir, std::string* report);
    bool Notify(unsigned state);

    SimContext& m_context;
    SimFiles& m_files;
    std::set<std::string> m_broken;
    void* m_ownerWindow = nullptr;
    plat::ArchiverCallback m_callback = nullptr;
    std::atomic<bool> m_running{false};
    std::string m_lastCommand;
    std::string m_lastReport;
};

}  // namespace sim
