// The driver list file read as the installer reads it, through the
// simulator's profile reader: every name offered at the first position is
// found again at a position the list has, and no buffer is overrun, the
// installer's own or those the reader is handed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/installer_dlg.h"
#include "platform/sim/sim_profile.h"
#include "platform/sim/sim_ui.h"
#include "platform/sim/sim_windows.h"

namespace {

// A drive whose only file is the driver list: the profile calls answer from
// the input, parsed once.
class ProfileFiles final : public plat::IFiles {
public:
    std::vector<sim::profile::Section> sections;

    std::uint32_t GetFileAttributesA(const char*) override { return plat::kInvalidFileAttributes; }
    bool SetFileAttributesA(const char*, std::uint32_t) override { return false; }
    plat::Handle FindFirstFileA(const char*, plat::FindData*) override { return nullptr; }
    bool FindNextFileA(plat::Handle, plat::FindData*) override { return false; }
    bool FindClose(plat::Handle) override { return false; }
    bool DeleteFileA(const char*) override { return false; }
    bool RemoveDirectoryA(const char*) override { return false; }
    bool CreateDirectoryA(const char*) override { return false; }
    bool CopyFileA(const char*, const char*, bool) override { return false; }
    std::uint32_t GetCurrentDirectoryA(std::uint32_t, char*) override { return 0; }
    std::uint32_t GetPrivateProfileSectionNamesA(char* buf, std::uint32_t size, const char*) override {
        return sim::profile::SectionNames(&sections, buf, size);
    }
    std::uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* fallback,
                                           char* buf, std::uint32_t size, const char*) override {
        return sim::profile::GetString(&sections, section, key, fallback, buf, size);
    }
};

// A result within the buffer, at a NUL.
void CheckEnd(const std::vector<char>& buffer, std::uint32_t result) {
    if (result >= buffer.size() || buffer[result] != '\0') std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static sim::SimWindows windows;
    static sim::SimUserInterface ui;
    static ProfileFiles files;
    static plat::Platform platform = [] {
        plat::Platform sim = sim::MakePlatform(windows, ui);
        return plat::Platform{sim.spooler, sim.registry, sim.services, files,
                              sim.system,  sim.modules,  sim.ui,       sim.serial};
    }();
    static CInstallerDlg dialog(platform);

    files.sections = sim::profile::Parse(std::string_view(reinterpret_cast<const char*>(data), size));

    // As the installer reads the list: 3000 bytes of section names.
    std::vector<char> names(3000);
    files.GetPrivateProfileSectionNamesA(names.data(), 3000, "");
    int count = 0;
    for (std::size_t i = 0; i + 1 < names.size() && names[i] != '\0'; i += std::string(&names[i]).size() + 1) {
        ++count;
    }
    if (count > 0) {
        std::vector<char> value(128);
        const std::uint32_t length =
            files.GetPrivateProfileStringA(names.data(), "PrintName1", "", value.data(), 128, "");
        CheckEnd(value, length);
        if (length > 0) {
            const std::optional<int> position = dialog.FindDriverIndex(std::string(value.data(), length));
            if (!position || *position < 0 || *position >= count) std::abort();
        }
    }

    // The reader's own buffer rules, at a size the input picks.
    std::vector<char> buffer(size > 0 ? 1 + data[0] % 48 : 1);
    const auto bufferSize = static_cast<std::uint32_t>(buffer.size());
    CheckEnd(buffer, files.GetPrivateProfileSectionNamesA(buffer.data(), bufferSize, ""));
    CheckEnd(buffer, files.GetPrivateProfileStringA(nullptr, nullptr, "", buffer.data(), bufferSize, ""));
    CheckEnd(buffer, files.GetPrivateProfileStringA(names.data(), nullptr, "none ", buffer.data(),
                                                    bufferSize, ""));
    CheckEnd(buffer, files.GetPrivateProfileStringA(names.data(), "PrintName1", "none ", buffer.data(),
                                                    bufferSize, ""));
    return 0;
}
