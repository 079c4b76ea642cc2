#include "e2e_options.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "installer_process.h"
#include "system_facts.h"

namespace e2e {

namespace {

Options& Stored() {
    static Options options;
    return options;
}

std::string FromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string OwnFolder() {
    char path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::string();
    return FolderOf(path);
}

}  // namespace

Options ParseOptions(int* argc, char** argv) {
    Options options;
    options.installer = FromEnvironment("E2E_INSTALLER");
    options.workingDir = FromEnvironment("E2E_WORKDIR");
    options.screenshot = FromEnvironment("E2E_SCREENSHOT");
    options.system = FromEnvironment("E2E_SYSTEM");
    struct Flag {
        const char* prefix;
        std::string* value;
    };
    const Flag flags[] = {{"--installer=", &options.installer},
                          {"--workdir=", &options.workingDir},
                          {"--screenshot=", &options.screenshot},
                          {"--system=", &options.system}};
    int kept = 1;
    for (int i = 1; i < *argc; ++i) {
        bool taken = false;
        for (const auto& flag : flags) {
            const size_t length = std::strlen(flag.prefix);
            if (std::strncmp(argv[i], flag.prefix, length) == 0) {
                *flag.value = argv[i] + length;
                taken = true;
            }
        }
        if (!taken) argv[kept++] = argv[i];
    }
    *argc = kept;
    if (options.installer.empty()) {
        const std::string folder = OwnFolder();
        options.installer = folder.empty() ? "installer.exe" : folder + "\\installer.exe";
    }
    return options;
}

std::string CheckSystem(const Options& options) {
    if (options.system.empty()) return "";
    if (FindSystem(options.system) == nullptr) {
        return "--system=" + options.system + " is neither x86 nor x64";
    }
    if (options.system != NativeSystem()) {
        return "told to test on " + options.system + " Windows, but this Windows is " +
               NativeSystem();
    }
    return "";
}

const Options& TheOptions() { return Stored(); }

void SetOptions(const Options& options) { Stored() = options; }

}  // namespace e2e
