// Files and folders as the working-file cleanup and the staging copies rely
// on them.
#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "contract_support.h"

namespace contract {
namespace {

class FilesContract : public ContractTest {
protected:
    void SetUp() override {
        ContractTest::SetUp();
        m_dir = env().ScratchDir();
    }
    plat::IFiles& Files() { return P().files; }

    // The names a search finds, in the order found; ends with last error 18.
    std::vector<std::string> FindAll(const std::string& pattern) {
        std::vector<std::string> names;
        plat::FindData data;
        plat::Handle find = Files().FindFirstFileA(pattern.c_str(), &data);
        if (find == nullptr) return names;
        do {
            names.push_back(data.fileName);
        } while (Files().FindNextFileA(find, &data));
        EXPECT_EQ(System().GetLastError(), plat::err::kNoMoreFiles);
        EXPECT_TRUE(Files().FindClose(find));
        return names;
    }

    std::string m_dir;
};

TEST_F(FilesContract, SearchWithDoubleSlashFindsEntriesAndDots) {
    ASSERT_TRUE(Files().CreateDirectoryA((m_dir + "\\Sub").c_str()));
    ASSERT_TRUE(env().WriteFile(m_dir + "\\File.txt", "x"));
    std::vector<std::string> names = FindAll(m_dir + "//*.*");
    std::set<std::string> found(names.begin(), names.end());
    EXPECT_EQ(found, (std::set<std::string>{".", "..", "File.txt", "Sub"}));
    EXPECT_EQ(names.size(), found.size());

    plat::FindData data;
    plat::Handle find = Files().FindFirstFileA((m_dir + "//sub").c_str(), &data);
    ASSERT_NE(find, nullptr);
    EXPECT_EQ(data.fileName, "Sub");  // the name as it is stored
    EXPECT_TRUE(data.attributes & plat::kFileAttributeDirectory);
    Files().FindClose(find);
}

TEST_F(FilesContract, SearchFailures) {
    plat::FindData data;
    auto noFolder = Call(System(), [&] { return Files().FindFirstFileA((m_dir + "\\none\\*.*").c_str(), &data); });
    EXPECT_FAILED_WITH(noFolder, nullptr, plat::err::kPathNotFound);
    auto noMatch = Call(System(), [&] { return Files().FindFirstFileA((m_dir + "\\*.zzz").c_str(), &data); });
    EXPECT_FAILED_WITH(noMatch, nullptr, plat::err::kFileNotFound);
}

TEST_F(FilesContract, NamesCompareWithoutRegardToCase) {
    ASSERT_TRUE(env().WriteFile(m_dir + "\\MixedCase.Txt", "x"));
    const std::uint32_t attributes = Files().GetFileAttributesA((m_dir + "\\MIXEDCASE.TXT").c_str());
    ASSERT_NE(attributes, plat::kInvalidFileAttributes);
    EXPECT_FALSE(attributes & plat::kFileAttributeDirectory);
    EXPECT_TRUE(Files().DeleteFileA((m_dir + "/mixedcase.txt").c_str()));
    auto gone = Call(System(), [&] { return Files().GetFileAttributesA((m_dir + "\\MixedCase.Txt").c_str()); });
    EXPECT_FAILED_WITH(gone, plat::kInvalidFileAttributes, plat::err::kFileNotFound);
}

TEST_F(FilesContract, ReadOnlyFileIsNotDeleted) {
    const std::string file = m_dir + "\\locked.dll";
    ASSERT_TRUE(env().WriteFile(file, "x"));
    ASSERT_TRUE(Files().SetFileAttributesA(file.c_str(), plat::kFileAttributeReadOnly));
    auto deleted = Call(System(), [&] { return Files().DeleteFileA(file.c_str()); });
    EXPECT_FAILED_WITH(deleted, false, plat::err::kAccessDenied);
    ASSERT_TRUE(Files().SetFileAttributesA(file.c_str(), plat::kFileAttributeNormal));
    EXPECT_TRUE(Files().DeleteFileA(file.c_str()));
}

TEST_F(FilesContract, FolderWithContentIsNotRemoved) {
    const std::string sub = m_dir + "\\Full";
    ASSERT_TRUE(Files().CreateDirectoryA(sub.c_str()));
    ASSERT_TRUE(env().WriteFile(sub + "\\a.txt", "x"));
    auto removed = Call(System(), [&] { return Files().RemoveDirectoryA(sub.c_str()); });
    EXPECT_FAILED_WITH(removed, false, plat::err::kDirNotEmpty);
    EXPECT_TRUE(Files().DeleteFileA((sub + "//a.txt").c_str()));
    EXPECT_TRUE(Files().RemoveDirectoryA(sub.c_str()));
}

TEST_F(FilesContract, MissingItemsAndFolders) {
    auto missingFile = Call(System(), [&] { return Files().DeleteFileA((m_dir + "\\none.txt").c_str()); });
    EXPECT_FAILED_WITH(missingFile, false, plat::err::kFileNotFound);
    auto missingFolder = Call(System(), [&] { return Files().DeleteFileA((m_dir + "\\none\\a.txt").c_str()); });
    EXPECT_FAILED_WITH(missingFolder, false, plat::err::kPathNotFound);
    auto missingTree = Call(System(), [&] { return Files().RemoveDirectoryA((m_dir + "\\none").c_str()); });
    EXPECT_FAILED_WITH(missingTree, false, plat::err::kFileNotFound);
    auto again = Call(System(), [&] { return Files().CreateDirectoryA(m_dir.c_str()); });
    EXPECT_FAILED_WITH(again, false, plat::err::kAlreadyExists);
    auto noParent = Call(System(), [&] { return Files().CreateDirectoryA((m_dir + "\\none\\sub").c_str()); });
    EXPECT_FAILED_WITH(noParent, false, plat::err::kPathNotFound);
    ASSERT_TRUE(env().WriteFile(m_dir + "\\a.txt", "x"));
    auto noTarget = Call(System(), [&] {
        return Files().CopyFileA((m_dir + "\\a.txt").c_str(), (m_dir + "\\none\\a.txt").c_str(), false);
    });
    EXPECT_FAILED_WITH(noTarget, false, plat::err::kPathNotFound);
    EXPECT_TRUE(Files().GetFileAttributesA(m_dir.c_str()) & plat::kFileAttributeDirectory);
}

TEST_F(FilesContract, CopyOverwritesOnlyWhenAllowed) {
    const std::string from = m_dir + "\\from.bin", to = m_dir + "\\to.bin";
    ASSERT_TRUE(env().WriteFile(from, "new"));
    ASSERT_TRUE(env().WriteFile(to, "old"));
    auto refused = Call(System(), [&] { return Files().CopyFileA(from.c_str(), to.c_str(), true); });
    EXPECT_FAILED_WITH(refused, false, plat::err::kFileExists);
    auto copied = Call(System(), [&] { return Files().CopyFileA(from.c_str(), to.c_str(), false); });
    EXPECT_TRUE(copied.value) << Describe(copied);
    auto noSource = Call(System(), [&] {
        return Files().CopyFileA((m_dir + "\\none.bin").c_str(), to.c_str(), false);
    });
    EXPECT_FAILED_WITH(noSource, false, plat::err::kFileNotFound);
}

TEST_F(FilesContract, CurrentDirectoryBufferRules) {
    const std::uint32_t needed = Files().GetCurrentDirectoryA(0, nullptr);
    ASSERT_GT(needed, 1u);
    std::vector<char> exact(needed, 'x');
    EXPECT_EQ(Files().GetCurrentDirectoryA(needed, exact.data()), needed - 1);
    EXPECT_EQ(std::strlen(exact.data()), needed - 1);
    EXPECT_EQ(exact[1], ':');
    std::vector<char> shortBuffer(needed - 1, 'x');
    EXPECT_EQ(Files().GetCurrentDirectoryA(needed - 1, shortBuffer.data()), needed);
}

}  // namespace
}  // namespace contract
