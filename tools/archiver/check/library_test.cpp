// The stand-in 7-zip32.dll as the installer uses it: loaded from the
// distribution folder, extracting in-process with nothing beside it.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "check_options.h"
#include "platform/archiver_api.h"
#include "result_codes.h"

namespace archiver_check {
namespace {

namespace fs = std::filesystem;

struct LibraryFreer {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
using UniqueLibrary = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryFreer>;

// The library's four entry points, resolved as the installer resolves them.
class Library {
public:
    explicit Library(const fs::path& dll)
        : module_(LoadLibraryExA(dll.string().c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)) {}

    bool Loaded() const {
        return module_ && sevenZip && setOwner && killOwner && getRunning;
    }

    UniqueLibrary module_;
    plat::SevenZipFn sevenZip = Resolve<plat::SevenZipFn>("SevenZip");
    plat::SevenZipSetOwnerWindowExFn setOwner =
        Resolve<plat::SevenZipSetOwnerWindowExFn>("SevenZipSetOwnerWindowEx");
    plat::SevenZipKillOwnerWindowExFn killOwner =
        Resolve<plat::SevenZipKillOwnerWindowExFn>("SevenZipKillOwnerWindowEx");
    plat::SevenZipGetRunningFn getRunning =
        Resolve<plat::SevenZipGetRunningFn>("SevenZipGetRunning");

private:
    template <typename Fn>
    Fn Resolve(const char* name) {
        if (!module_) return nullptr;
        // Through the generic function type, which every function type converts to.
        return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module_.get(), name)));
    }
};

std::string Command(const fs::path& archive, const fs::path& outputDir) {
    return "x -y \"" + archive.string() + "\" -o\"" + outputDir.string() + "\\\" -hide";
}

// What the installer calls with: a 16384-byte buffer.
struct Call {
    int result;
    std::string output;
};

// Removes a tree whose paths may be longer than MAX_PATH (`path` has the
// \\?\ prefix).
void RemoveLongTree(const std::wstring& path) {
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = path + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveLongTree(child);
            } else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

Call CallSevenZip(const Library& library, void* owner, const std::string& command) {
    std::vector<char> buffer(16385, '\x7F');
    int result = library.sevenZip(owner, command.c_str(), buffer.data(), 16384);
    return {result, std::string(buffer.data())};
}

class ArchiverLibrary : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(library_.Loaded())
            << "cannot load " << (GetOptions().dist / "7-zip32.dll").string()
            << " with its four entry points, last error " << GetLastError();
    }

    fs::path Fixture(const char* name) const { return GetOptions().fixtures / name; }

    Library library_{GetOptions().dist / "7-zip32.dll"};
    ScratchFolder scratch_;
};

// The files the sample package must yield, read from its placeholder list,
// plus the driver list file and the two language monitor DLLs.
std::set<std::string> SamplePackageFiles() {
    std::set<std::string> files{"DriverName.cfg", "Barcode\\x86\\ldaNLMNT.dll",
                                "Barcode\\x64\\ldaNLM64.dll"};
    std::ifstream list(GetOptions().placeholders);
    std::string line;
    while (std::getline(list, line)) {
        if (line.empty() || line[0] == '#') continue;
        files.insert(line.substr(0, line.find(' ')));
    }
    return files;
}

TEST_F(ArchiverLibrary, ExtractsTheSamplePackageWithAllItsFilesInPlace) {
    const fs::path out = scratch_.Path() / "drive";
    fs::create_directories(out);
    Call call = CallSevenZip(library_, nullptr, Command(GetOptions().dist / "DriverData.Drv", out));
    ASSERT_EQ(call.result, 0) << call.output;
    EXPECT_NE(call.output.find("Everything is Ok"), std::string::npos) << call.output;

    std::set<std::string> expected = SamplePackageFiles();
    EXPECT_GT(expected.size(), 100u);
    EXPECT_EQ(FilesUnder(out), expected);
    EXPECT_EQ(EntriesUnder(scratch_.Path()).count("drive"), 1u);
}

// Into folders that exist already: files are replaced (a read-only one
// too), folders merged, as 7-Zip's own "x -y" does.
TEST_F(ArchiverLibrary, OverwritesFilesFromAnEarlierRunWithoutAsking) {
    const fs::path out = scratch_.Path() / "drive";
    fs::create_directories(out / "Ticket" / "x86");
    { std::ofstream(out / "DriverName.cfg") << "left over"; }
    { std::ofstream(out / "Ticket" / "x86" / "earlier.txt") << "left over"; }
    fs::permissions(out / "DriverName.cfg", fs::perms::owner_read | fs::perms::group_read |
                                                fs::perms::others_read);
    Call call = CallSevenZip(library_, nullptr, Command(GetOptions().dist / "DriverData.Drv", out));
    ASSERT_EQ(call.result, 0) << call.output;
    std::ifstream cfg(out / "DriverName.cfg");
    std::string first;
    std::getline(cfg, first);
    EXPECT_EQ(first, "[Model00]");
    std::set<std::string> expected = SamplePackageFiles();
    expected.insert("Ticket\\x86\\earlier.txt");
    EXPECT_EQ(FilesUnder(out), expected);
    EXPECT_TRUE(EntriesUnder(scratch_.Path()).count("drive"));
}

struct Refusal {
    const char* fixture;
    int result;
};

class RefusedArchive : public ArchiverLibrary, public testing::WithParamInterface<Refusal> {};

// Refused as a whole, every entry judged before anything is written: not
// even the harmless entries are written, inside the output folder or beside
// it, and no temporary file is left.
TEST_P(RefusedArchive, WritesNothingAnywhere) {
    const fs::path out = scratch_.Path() / "out";
    fs::create_directories(out);
    Call call = CallSevenZip(library_, nullptr, Command(Fixture(GetParam().fixture), out));
    EXPECT_EQ(call.result, GetParam().result) << call.output;
    EXPECT_NE(call.output.find("7-zip32:"), std::string::npos) << call.output;
    EXPECT_EQ(EntriesUnder(scratch_.Path()), std::set<std::string>{"out"});
    EXPECT_FALSE(fs::exists(Fixture("abs-target") / "evil.txt"));
}

INSTANTIATE_TEST_SUITE_P(
    Archives, RefusedArchive,
    testing::Values(Refusal{"dotdot.7z", archiver::kUnsafeEntry},
                    Refusal{"absolute.7z", archiver::kUnsafeEntry},
                    Refusal{"drive.7z", archiver::kUnsafeEntry},
                    Refusal{"stream.7z", archiver::kUnsafeEntry},
                    Refusal{"device.7z", archiver::kUnsafeEntry},
                    Refusal{"link.7z", archiver::kUnsafeEntry},
                    Refusal{"reparse.7z", archiver::kUnsafeEntry},
                    Refusal{"longname.7z", archiver::kUnsafeEntry},
                    Refusal{"damaged.7z", archiver::kDamagedArchive},
                    Refusal{"missing.7z", archiver::kArchiveMissing},
                    Refusal{"garbage.7z", archiver::kUnreadableArchive},
                    Refusal{"truncated.7z", archiver::kUnreadableArchive},
                    Refusal{"empty.7z", archiver::kUnreadableArchive},
                    Refusal{"many.7z", archiver::kArchiveTooLarge},
                    Refusal{"huge.7z", archiver::kArchiveTooLarge}),
    [](const testing::TestParamInfo<Refusal>& test) {
        std::string name = test.param.fixture;
        return name.substr(0, name.find('.'));
    });

// Read safely: a 10 MB file comes out whole, a name no file system takes
// fails, and neither writes anything outside the output folder.
TEST_F(ArchiverLibrary, HugeFilesAndLongNamesStayInside) {
    for (const auto& [fixture, extracted] : {std::pair{"bigcfg.7z", true}, {"longname.7z", false}}) {
        const fs::path out = scratch_.Path() / fixture;
        fs::create_directories(out);
        Call call = CallSevenZip(library_, nullptr, Command(Fixture(fixture), out));
        EXPECT_EQ(call.result == 0, extracted) << fixture << ": " << call.output;
        for (const std::string& entry : EntriesUnder(scratch_.Path())) {
            EXPECT_TRUE(entry.rfind("bigcfg.7z", 0) == 0 || entry.rfind("longname.7z", 0) == 0) << entry;
        }
    }
    std::error_code ec;
    EXPECT_EQ(fs::file_size(scratch_.Path() / "bigcfg.7z" / "DriverName.cfg", ec),
              std::uintmax_t{(10u << 20) + 27});
}

TEST_F(ArchiverLibrary, ReportsDamagedDataAsAFailure) {
    const fs::path out = scratch_.Path() / "out";
    fs::create_directories(out);
    Call call = CallSevenZip(library_, nullptr, Command(Fixture("damaged.7z"), out));
    EXPECT_NE(call.result, 0) << call.output;
    EXPECT_NE(call.output.find("Error"), std::string::npos) << call.output;
    EXPECT_TRUE(EntriesUnder(out).empty());
}

// Makes `link` (an empty folder) a junction to `target`; the last error
// when the file system cannot.
DWORD MakeJunction(const fs::path& link, const fs::path& target) {
    HANDLE folder = CreateFileW(link.wstring().c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (folder == INVALID_HANDLE_VALUE) return GetLastError();
    // The mount point's reparse data: the NT name, then the name shown.
    const std::wstring substitute = L"\\??\\" + target.wstring();
    const std::wstring print = target.wstring();
    const auto substituteBytes = static_cast<WORD>(substitute.size() * sizeof(wchar_t));
    const auto printBytes = static_cast<WORD>(print.size() * sizeof(wchar_t));
    std::vector<BYTE> data(8 + 8 + substituteBytes + printBytes + 2 * sizeof(wchar_t), 0);
    auto put16 = [&](std::size_t at, WORD value) { std::memcpy(&data[at], &value, sizeof value); };
    const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
    std::memcpy(&data[0], &tag, sizeof tag);
    put16(4, static_cast<WORD>(data.size() - 8));
    put16(8, 0);
    put16(10, substituteBytes);
    put16(12, static_cast<WORD>(substituteBytes + sizeof(wchar_t)));
    put16(14, printBytes);
    std::memcpy(&data[16], substitute.data(), substituteBytes);
    std::memcpy(&data[16 + substituteBytes + sizeof(wchar_t)], print.data(), printBytes);
    DWORD returned = 0;
    const BOOL made = DeviceIoControl(folder, FSCTL_SET_REPARSE_POINT, data.data(),
                                      static_cast<DWORD>(data.size()), nullptr, 0, &returned, nullptr);
    const DWORD error = made ? ERROR_SUCCESS : GetLastError();
    CloseHandle(folder);
    return error;
}

// A folder on the way that is a junction is refused, not followed: the files
// would land wherever it points. Wine 8 makes no junctions (the control code
// fails with 50) but shows a Unix symbolic link to a folder as a reparse
// point: the fixtures hold one.
TEST_F(ArchiverLibrary, RefusesToWriteThroughAJunction) {
    fs::path out = scratch_.Path() / "out";
    fs::path elsewhere = scratch_.Path() / "elsewhere";
    fs::create_directories(out / "Ticket");
    fs::create_directories(elsewhere);
    const DWORD error = MakeJunction(out / "Ticket", elsewhere);
    if (error != ERROR_SUCCESS) {
        out = Fixture("linked-out");
        elsewhere = Fixture("link-target");
    }
    const DWORD attributes = GetFileAttributesW((out / "Ticket").wstring().c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        GTEST_SKIP() << "no junction to try (error " << error << ", attributes " << attributes << ")";
    }
    Call call = CallSevenZip(library_, nullptr, Command(GetOptions().dist / "DriverData.Drv", out));
    EXPECT_EQ(call.result, archiver::kOutputUnwritable) << call.output;
    EXPECT_NE(call.output.find("junction"), std::string::npos) << call.output;
    EXPECT_TRUE(EntriesUnder(elsewhere).empty());
    // What was made beside the junction went again.
    WIN32_FIND_DATAW found{};
    std::set<std::wstring> left;
    HANDLE search = FindFirstFileW((out / "*").wstring().c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (std::wstring(found.cFileName) != L"." && std::wstring(found.cFileName) != L"..") {
                left.insert(found.cFileName);
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    EXPECT_EQ(left, std::set<std::wstring>{L"Ticket"});
}

// Paths of 260 characters and more are written with the long-path prefix,
// not dropped: the package comes out whole below a deep folder.
TEST_F(ArchiverLibrary, WritesPathsLongerThanMaxPath) {
    const fs::path top = scratch_.Path() / std::string(40, 'd');
    fs::path out = top;
    while (true) {
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + out.wstring()).c_str(), nullptr));
        if (out.string().size() >= MAX_PATH - 30) break;
        out /= std::string(40, 'd');
    }
    const std::wstring longOut = L"\\\\?\\" + out.wstring();
    Call call = CallSevenZip(library_, nullptr, Command(GetOptions().dist / "DriverData.Drv", out));
    EXPECT_EQ(call.result, 0) << call.output;
    std::size_t found = 0;
    std::size_t longest = 0;
    for (const std::string& file : SamplePackageFiles()) {
        const std::wstring path = longOut + L"\\" + fs::path(file).wstring();
        longest = std::max(longest, path.size() - 4);
        if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) ++found;
    }
    EXPECT_GE(longest, std::size_t{MAX_PATH});
    EXPECT_EQ(found, SamplePackageFiles().size());
    // The scratch folder's own clean-up cannot reach that deep.
    RemoveLongTree(L"\\\\?\\" + top.wstring());
}

TEST_F(ArchiverLibrary, RefusesEveryOtherCommand) {
    const std::string archive = (GetOptions().dist / "DriverData.Drv").string();
    for (const std::string& command :
         {std::string(""), "l \"" + archive + "\"", "x \"" + archive + "\" -o\"" +
                                                         scratch_.Path().string() + "\"",
          "a -y \"" + archive + "\" -o\"" + scratch_.Path().string() + "\" -hide"}) {
        Call call = CallSevenZip(library_, nullptr, command);
        EXPECT_EQ(call.result, archiver::kBadCommand) << command;
    }
    std::array<char, 64> buffer{};
    EXPECT_EQ(library_.sevenZip(nullptr, nullptr, buffer.data(), buffer.size()),
              archiver::kBadCommand);
    EXPECT_TRUE(EntriesUnder(scratch_.Path()).empty());
}

TEST_F(ArchiverLibrary, NeverWritesPastTheCallersBuffer) {
    const fs::path out = scratch_.Path() / "out";
    fs::create_directories(out);
    const std::string command = Command(Fixture("good.7z"), out);
    for (std::uint32_t size : {0u, 1u, 2u, 7u, 64u}) {
        std::vector<char> buffer(size + 32, '#');
        int result = library_.sevenZip(nullptr, command.c_str(), buffer.data(), size);
        EXPECT_EQ(result, 0) << "size " << size;
        for (std::size_t n = size; n < buffer.size(); ++n) {
            ASSERT_EQ(buffer[n], '#') << "byte " << n << " written with size " << size;
        }
        if (size > 0) {
            EXPECT_EQ(buffer[size - 1], '\0') << "size " << size;
            EXPECT_EQ(std::string(buffer.data()).size(), size - 1) << "size " << size;
        }
    }
    // No buffer at all: the extraction still runs.
    EXPECT_EQ(library_.sevenZip(nullptr, command.c_str(), nullptr, 100), 0);
}

// Records what the owner's callback heard; answers as told.
struct Heard {
    std::vector<unsigned> states;
    unsigned message = 0;
    std::string archive;
    bool runningDuringCall = false;
    bool archiveWritableDuringCall = false;
    int answer = TRUE;
    int stopAtProgress = 0;  // answer FALSE at this "in process" call (1 = the first)
    plat::SevenZipGetRunningFn getRunning = nullptr;
};
Heard* g_heard = nullptr;

int PLAT_STDCALL RecordingCallback(void* /*hwnd*/, unsigned msg, unsigned state, void* info) {
    g_heard->states.push_back(state);
    g_heard->message = msg;
    if (state == 1 && g_heard->stopAtProgress > 0) {
        return std::count(g_heard->states.begin(), g_heard->states.end(), 1u) <
                       g_heard->stopAtProgress
                   ? TRUE
                   : FALSE;
    }
    // The record starts with two sizes, then the archive's name.
    g_heard->archive = static_cast<const char*>(info) + 2 * sizeof(DWORD);
    g_heard->runningDuringCall = g_heard->getRunning() != FALSE;
    HANDLE writer = CreateFileA(g_heard->archive.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (writer != INVALID_HANDLE_VALUE) {
        g_heard->archiveWritableDuringCall = true;
        CloseHandle(writer);
    }
    return g_heard->answer;
}

class OwnerCallback : public ArchiverLibrary {
protected:
    void SetUp() override {
        ArchiverLibrary::SetUp();
        heard_.getRunning = library_.getRunning;
        g_heard = &heard_;
        fs::create_directories(out_);
    }
    void TearDown() override { g_heard = nullptr; }

    Heard heard_;
    void* const owner_ = reinterpret_cast<void*>(0x1234);
    const fs::path archive_ = GetOptions().fixtures / "good.7z";
    const fs::path out_ = scratch_.Path() / "out";
};

// The beginning, the work in process (where it may be stopped: before each
// file at least) and the end.
TEST_F(OwnerCallback, HearsTheBeginningTheWorkAndTheEnd) {
    ASSERT_EQ(library_.setOwner(owner_, RecordingCallback), TRUE);
    EXPECT_EQ(library_.getRunning(), FALSE);
    Call call = CallSevenZip(library_, owner_, Command(archive_, out_));
    EXPECT_EQ(library_.killOwner(owner_), TRUE);

    EXPECT_EQ(call.result, 0) << call.output;
    ASSERT_GE(heard_.states.size(), 3u);
    EXPECT_EQ(heard_.states.front(), 0u);
    EXPECT_EQ(heard_.states.back(), 2u);
    EXPECT_EQ(std::count(heard_.states.begin(), heard_.states.end(), 1u),
              static_cast<std::ptrdiff_t>(heard_.states.size() - 2));
    EXPECT_EQ(heard_.message, RegisterWindowMessageA("wm_arcextract"));
    EXPECT_EQ(heard_.archive, archive_.string());
    EXPECT_TRUE(heard_.runningDuringCall);
    EXPECT_EQ(library_.getRunning(), FALSE);
    // The archive checked is the archive extracted: nobody may change it between.
    EXPECT_FALSE(heard_.archiveWritableDuringCall);
}

TEST_F(OwnerCallback, AnsweringFalseStopsTheExtractionBeforeItWritesAnything) {
    heard_.answer = FALSE;
    ASSERT_EQ(library_.setOwner(owner_, RecordingCallback), TRUE);
    Call call = CallSevenZip(library_, owner_, Command(archive_, out_));
    library_.killOwner(owner_);

    EXPECT_EQ(call.result, archiver::kCancelled) << call.output;
    EXPECT_EQ(heard_.states, std::vector<unsigned>{0});
    EXPECT_TRUE(EntriesUnder(out_).empty());
}

// Answering FALSE while the package is written stops at once and removes
// what had been written: no partial folder stays.
TEST_F(OwnerCallback, AnsweringFalseDuringTheWorkUndoesIt) {
    const fs::path package = GetOptions().dist / "DriverData.Drv";
    for (int stopAt : {1, 5, 60}) {
        SCOPED_TRACE(stopAt);
        heard_ = Heard{};
        heard_.getRunning = library_.getRunning;
        heard_.stopAtProgress = stopAt;
        ASSERT_EQ(library_.setOwner(owner_, RecordingCallback), TRUE);
        Call call = CallSevenZip(library_, owner_, Command(package, out_));
        library_.killOwner(owner_);

        EXPECT_EQ(call.result, archiver::kCancelled) << call.output;
        // Nothing is asked after the stop but the end.
        ASSERT_GE(heard_.states.size(), 3u);
        EXPECT_EQ(std::count(heard_.states.begin(), heard_.states.end(), 1u), stopAt);
        EXPECT_EQ(heard_.states.back(), 2u);
        EXPECT_TRUE(EntriesUnder(out_).empty());
    }
}

TEST_F(OwnerCallback, IsHeardOnlyForItsOwnWindowAndOnlyWhileRegistered) {
    ASSERT_EQ(library_.setOwner(owner_, RecordingCallback), TRUE);
    EXPECT_EQ(library_.setOwner(reinterpret_cast<void*>(0x5678), RecordingCallback), FALSE);
    EXPECT_EQ(CallSevenZip(library_, reinterpret_cast<void*>(0x5678), Command(archive_, out_)).result, 0);
    EXPECT_TRUE(heard_.states.empty());

    EXPECT_EQ(library_.killOwner(reinterpret_cast<void*>(0x5678)), FALSE);
    EXPECT_EQ(library_.killOwner(owner_), TRUE);
    EXPECT_EQ(library_.killOwner(owner_), FALSE);
    EXPECT_EQ(CallSevenZip(library_, owner_, Command(archive_, out_)).result, 0);
    EXPECT_TRUE(heard_.states.empty());
    EXPECT_EQ(library_.setOwner(owner_, nullptr), FALSE);
}

// The library needs no program beside it: alone in a folder, it extracts.
TEST(ArchiverLibraryAlone, ExtractsWithNothingBesideIt) {
    ScratchFolder scratch;
    const fs::path dll = scratch.Path() / "lonely" / "7-zip32.dll";
    fs::create_directories(dll.parent_path());
    fs::copy_file(GetOptions().dist / "7-zip32.dll", dll);
    const fs::path out = scratch.Path() / "out";
    {
        Library library(dll);
        ASSERT_TRUE(library.Loaded()) << "last error " << GetLastError();
        Call call = CallSevenZip(library, nullptr, Command(GetOptions().dist / "DriverData.Drv", out));
        EXPECT_EQ(call.result, 0) << call.output;
    }
    EXPECT_EQ(FilesUnder(out), SamplePackageFiles());
    EXPECT_EQ(EntriesUnder(dll.parent_path()), std::set<std::string>{"7-zip32.dll"});
}

}  // namespace
}  // namespace archiver_check
