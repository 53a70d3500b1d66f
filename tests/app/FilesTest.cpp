// Safe file replacement and program paths.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "app/Exceptions.h"
#include "app/Paths.h"
#include "app/SafeFile.h"
#include "TestDirectory.h"

namespace {

TEST(SafeFileWriter, CommitReplacesTheFileWhole) {
    TestDirectory dir;
    const std::string path = dir.File("song.quavex");
    WriteWholeFile(path, std::string(1000, 'o'));
    chmod(path.c_str(), 0640);
    {
        SafeFileWriter writer(path);
        std::fputs("new", writer.File());
        writer.Commit();
    }
    EXPECT_EQ(ReadWholeFile(path), "new");
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);  // the replaced file keeps its permissions
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"song.quavex"});
}

TEST(SafeFileWriter, FailureKeepsTheOldFileAndLeavesNoTemporary) {
    TestDirectory dir;
    const std::string path = dir.File("song.quavex");
    WriteWholeFile(path, "old");
    // A write that stops half-way (an exception before Commit).
    try {
        SafeFileWriter writer(path);
        std::fputs("half", writer.File());
        throw FileIOException("interrupted");
    } catch (const FileIOException&) {
    }
    EXPECT_EQ(ReadWholeFile(path), "old");
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"song.quavex"});

    // A rename that fails: the target is a directory that is not empty.
    const std::string blocked = dir.File("blocked");
    std::filesystem::create_directory(blocked);
    WriteWholeFile(blocked + "/inside", "x");
    SafeFileWriter writer(blocked);
    std::fputs("data", writer.File());
    EXPECT_THROW(writer.Commit(), FileIOException);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"blocked", "song.quavex"}));
    EXPECT_EQ(ReadWholeFile(blocked + "/inside"), "x");

    // A directory that does not exist.
    EXPECT_THROW(SafeFileWriter(dir.File("missing/file")), Exception);

    // Abandon drops the new data.
    SafeFileWriter abandoned(path);
    std::fputs("dropped", abandoned.File());
    abandoned.Abandon();
    EXPECT_EQ(ReadWholeFile(path), "old");
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"blocked", "song.quavex"}));
}

TEST(SafeFileWriter, WriteFileSafelyCreatesNewFiles) {
    TestDirectory dir;
    WriteFileSafely(dir.File("a.bin"), "\0\1\2", 3);
    EXPECT_EQ(ReadWholeFile(dir.File("a.bin")), std::string("\0\1\2", 3));
    WriteFileSafely(dir.File("empty"), nullptr, 0);
    EXPECT_EQ(ReadWholeFile(dir.File("empty")), "");
}

TEST(Paths, FullPathNormalises) {
    EXPECT_EQ(FullPath("/a/b/../c/./d", "/x"), "/a/c/d");
    EXPECT_EQ(FullPath("song.quavex", "/home/me"), "/home/me/song.quavex");
    EXPECT_EQ(FullPath("../up", "/home/me/"), "/home/up");
    EXPECT_EQ(FullPath("/../..", "/x"), "/");
    EXPECT_EQ(FullPath("//a///b//", "/x"), "/a/b/");
    EXPECT_EQ(FullPath("a", "/"), "/a");
    EXPECT_EQ(FullPath("rel"), FullPath(StartDirectory() + "/rel"));
    EXPECT_EQ(FullPath("x", "base"), FullPath(StartDirectory() + "/base/x"));
    EXPECT_EQ(JoinPath("/a/", "/b"), "/a/b");
    EXPECT_EQ(JoinPath("/a", "b"), "/a/b");
    EXPECT_EQ(JoinPath("", "b"), "b");
}

TEST(Paths, ProgramDirectoryHoldsTheExecutableAndCanBeMoved) {
    const std::string real = ProgramDirectory();
    struct stat info;
    EXPECT_EQ(real.front(), '/');
    EXPECT_EQ(stat(JoinPath(real, "tests_app").c_str(), &info) == 0 ||
                  stat(JoinPath(real, "tests_app_asan").c_str(), &info) == 0,
              true);
    SetProgramDirectory("/tmp/somewhere/../else");
    EXPECT_EQ(ProgramDirectory(), "/tmp/else");
    EXPECT_EQ(ProgramFile("exception.txt"), "/tmp/else/exception.txt");
    SetProgramDirectory("");
    EXPECT_EQ(ProgramDirectory(), real);
    EXPECT_EQ(StartDirectory(), std::filesystem::current_path().string());
}

}  // namespace
