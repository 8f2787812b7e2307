#include "platform/files.h"
#include "platform/temp_files.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <map>
#include <sys/resource.h>
#include <sys/stat.h>

namespace velmora {
namespace {

using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

// Every entry under folder, relative, with the bytes of the files ("<folder>" for folders).
std::map<std::string, std::string> Tree(const std::string& folder) {
    std::map<std::string, std::string> tree;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        std::string name = std::filesystem::relative(entry.path(), folder).string();
        tree[name] = entry.is_directory() ? "<folder>" : ReadFile(entry.path().string());
    }
    return tree;
}

mode_t CurrentUmask() {
    mode_t mask = umask(022);
    umask(mask);
    return mask;
}

TEST(FileSizeTest, TellsMissingFolderAndSize) {
    TempFolder folder;
    WriteFile(folder / "empty", "");
    WriteFile(folder / "five", "12345");
    std::filesystem::create_directory(folder / "sub");
    struct Case {
        std::string path;
        int64_t size;
        bool isFolder;
    } cases[] = {{folder / "missing", kFileMissing, false},
                 {"", kFileMissing, false},
                 {folder / "sub", kFileIsFolder, true},
                 {folder.Path(), kFileIsFolder, true},
                 {folder / "empty", 0, false},
                 {folder / "five", 5, false}};
    for (const Case& c : cases) {
        EXPECT_EQ(FileSize(c.path), c.size) << c.path;
        EXPECT_EQ(FolderExists(c.path), c.isFolder) << c.path;
    }
}

TEST(ReadFileTest, StartAndWholeRespectTheirLimits) {
    TempFolder folder;
    WriteFile(folder / "abc", "abc");
    WriteFile(folder / "empty", "");
    struct Case {
        const char* name;
        size_t maxBytes;
        std::optional<std::string> start, whole;
    } cases[] = {{"abc", 10, "abc", "abc"},      {"abc", 3, "abc", "abc"},
                 {"abc", 2, "ab", std::nullopt}, {"abc", 0, "", std::nullopt},
                 {"empty", 4, "", ""},           {"missing", 4, std::nullopt, std::nullopt}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " max " + std::to_string(c.maxBytes));
        EXPECT_EQ(ReadFileStart(folder / c.name, c.maxBytes), c.start);
        EXPECT_EQ(ReadWholeFile(folder / c.name, c.maxBytes), c.whole);
    }
    EXPECT_EQ(ReadWholeFile(folder.Path(), 100), std::nullopt);
}

TEST(WriteFileAtomicallyTest, ReplacesContentAndLeavesOnlyTheTarget) {
    TempFolder folder;
    const std::string target = folder / "out.tif";
    ASSERT_TRUE(WriteFileAtomically(target, "first, longer content"));
    ASSERT_TRUE(WriteFileAtomically(target, std::string("new\0bytes", 9)));
    EXPECT_EQ(Tree(folder.Path()),
              (std::map<std::string, std::string>{{"out.tif", std::string("new\0bytes", 9)}}));
}

TEST(WriteFileAtomicallyTest, RefusedTargetLeavesEverythingAsItWas) {
    struct Case {
        const char* name;
        const char* target;
    } cases[] = {{"folder missing", "missing/out.tif"},
                 {"folder is a file", "earlier.tif/out.tif"},
                 {"target is a folder", "sub"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        WriteFile(folder / "earlier.tif", "earlier");
        std::filesystem::create_directory(folder / "sub");
        WriteFile(folder / "sub/inside", "kept");
        auto before = Tree(folder.Path());
        EXPECT_FALSE(WriteFileAtomically(folder / c.target, "new"));
        EXPECT_EQ(Tree(folder.Path()), before);
    }
}

TEST(WriteFileAtomicallyTest, FailedWriteKeepsTheEarlierFile) {
    TempFolder folder;
    const std::string target = folder / "out.tif";
    WriteFile(target, "earlier");
    // A file size limit makes the write itself fail, which permissions cannot do for root.
    rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 16;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool written = WriteFileAtomically(target, std::string(4096, 'x'));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(Tree(folder.Path()), (std::map<std::string, std::string>{{"out.tif", "earlier"}}));
}

TEST(TempFileTest, CommitAndDiscardLeaveNoStrayFiles) {
    TempFolder folder;
    const std::string target = folder / "out.tif";
    WriteFile(target, "earlier");

    auto discarded = CreateTempFileBeside(target);
    ASSERT_TRUE(discarded);
    EXPECT_EQ(std::filesystem::path(discarded->path).parent_path(),
              std::filesystem::path(target).parent_path());
    EXPECT_EQ(discarded->target, target);
    EXPECT_EQ(FileSize(discarded->path), 0);
    DiscardTempFile(*discarded);
    EXPECT_EQ(Tree(folder.Path()), (std::map<std::string, std::string>{{"out.tif", "earlier"}}));

    auto committed = CreateTempFileBeside(target);
    ASSERT_TRUE(committed);
    WriteFile(committed->path, "new");
    EXPECT_TRUE(CommitTempFile(*committed));
    EXPECT_EQ(Tree(folder.Path()), (std::map<std::string, std::string>{{"out.tif", "new"}}));

    std::filesystem::create_directory(folder / "sub");
    std::string why;
    EXPECT_EQ(CreateTempFileBeside(folder / "sub", &why), std::nullopt);
    EXPECT_EQ(why, "the output path is a folder");
    EXPECT_EQ(CreateTempFileBeside(folder / "missing/out.tif", &why), std::nullopt);
    EXPECT_EQ(why, "the output folder does not exist");
    EXPECT_EQ(Tree(folder.Path()),
              (std::map<std::string, std::string>{{"out.tif", "new"}, {"sub", "<folder>"}}));
}

TEST(TempFileTest, CommittedFilesFollowTheUmask) {
    TempFolder folder;
    const mode_t expected = 0666 & ~CurrentUmask();
    auto temp = CreateTempFileBeside(folder / "committed");
    ASSERT_TRUE(temp);
    ASSERT_TRUE(CommitTempFile(*temp));
    ASSERT_TRUE(WriteFileAtomically(folder / "written", "x"));
    for (const char* name : {"committed", "written"}) {
        struct stat info;
        ASSERT_EQ(stat((folder / name).c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, expected) << name;
    }
}

TEST(ModificationTimeTest, RoundTripsSecondsAndNanoseconds) {
    TempFolder folder;
    const std::string path = folder / "dated";
    WriteFile(path, "x");
    for (FileTime time :
         {FileTime{1000000000, 123456789}, FileTime{0, 0}, FileTime{1700000000, 999999999}}) {
        ASSERT_TRUE(SetModificationTime(path, time));
        auto read = ModificationTime(path);
        ASSERT_TRUE(read);
        EXPECT_EQ(read->seconds, time.seconds);
        EXPECT_EQ(read->nanoseconds, time.nanoseconds);
    }
    EXPECT_FALSE(SetModificationTime(folder / "missing", {1, 0}));
    EXPECT_FALSE(ModificationTime(folder / "missing").has_value());
}

} // namespace
} // namespace velmora
