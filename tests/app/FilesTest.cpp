// Safe file replacement and program paths.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Every writer of whole files (exports, the converter) reports through these messages,
// and a failure at either step keeps the old file.
TEST(SafeFileWriter, WriteFileSafelyNamesEachFailureAndKeepsTheOldFile) {
    TestDirectory dir;
    const std::string path = dir.File("song.vgm");
    WriteFileSafely(path, "old", 3);
    const SafeWriteMessages messages{"cannot create", "cannot write"};
    try {
        WriteFileSafely(dir.File("missing/song.vgm"), "new", 3, messages);
        ADD_FAILURE() << "wrote into a missing directory";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Kind(), kGenericException);
        EXPECT_STREQ(e.Message(), "cannot create");
    }
    bool called = false;
    try {
        WriteFileSafely(
            path,
            [&](FILE* file) {
                called = true;
                std::fputs("partial", file);
                return false;  // a short write
            },
            messages);
        ADD_FAILURE() << "a short write was taken as success";
    } catch (const FileIOException& e) {
        EXPECT_STREQ(e.Message(), "cannot write");
    }
    EXPECT_TRUE(called);
    EXPECT_EQ(ReadWholeFile(path), "old");
    // What the writer throws passes through, and nothing is committed.
    EXPECT_THROW(WriteFileSafely(path, [](FILE*) -> bool { throw InternalException("x"); }),
                 InternalException);
    EXPECT_EQ(ReadWholeFile(path), "old");
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"song.vgm"}));
}

namespace {

void WriteThrough(const std::string& path, const char* text) {
    SafeFileWriter writer(path);
    std::fputs(text, writer.File());
    writer.Commit();
}

std::string LinkText(const std::string& link) {
    std::error_code error;
    return std::filesystem::read_symlink(link, error).string();
}

// Sets the umask for one scope.
class UmaskScope {
public:
    explicit UmaskScope(mode_t mask) : previous(umask(mask)) {}
    ~UmaskScope() { umask(previous); }

private:
    mode_t previous;
};

}  // namespace

// A song reached through a link is saved into the file the link names; the link stays.
TEST(SafeFileWriter, SymbolicLinksAreFollowedAndKept) {
    TestDirectory dir;
    std::filesystem::create_directory(dir.File("songs"));
    WriteWholeFile(dir.File("songs/real.quavex"), "old");
    chmod(dir.File("songs/real.quavex").c_str(), 0600);
    ASSERT_EQ(symlink("songs/real.quavex", dir.File("link.quavex").c_str()), 0);
    WriteThrough(dir.File("link.quavex"), "via link");
    EXPECT_EQ(LinkText(dir.File("link.quavex")), "songs/real.quavex");
    EXPECT_EQ(ReadWholeFile(dir.File("songs/real.quavex")), "via link");
    struct stat info;
    ASSERT_EQ(stat(dir.File("songs/real.quavex").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"link.quavex", "songs"}));

    // A link to a link, the second one absolute: both stay, the file at the end changes.
    ASSERT_EQ(symlink(dir.File("link.quavex").c_str(), dir.File("second").c_str()), 0);
    WriteThrough(dir.File("second"), "via two links");
    EXPECT_EQ(LinkText(dir.File("second")), dir.File("link.quavex"));
    EXPECT_EQ(LinkText(dir.File("link.quavex")), "songs/real.quavex");
    EXPECT_EQ(ReadWholeFile(dir.File("songs/real.quavex")), "via two links");
    EXPECT_EQ(std::filesystem::directory_iterator(dir.File("songs"))->path().filename(),
              "real.quavex");

    // A dangling link: the file it names is created, the link now leads to it.
    ASSERT_EQ(symlink("songs/new.quavex", dir.File("dangling").c_str()), 0);
    WriteThrough(dir.File("dangling"), "created");
    EXPECT_EQ(LinkText(dir.File("dangling")), "songs/new.quavex");
    EXPECT_EQ(ReadWholeFile(dir.File("songs/new.quavex")), "created");

    // Links in a circle name no file: nothing is written anywhere.
    ASSERT_EQ(symlink("loop-b", dir.File("loop-a").c_str()), 0);
    ASSERT_EQ(symlink("loop-a", dir.File("loop-b").c_str()), 0);
    EXPECT_THROW(SafeFileWriter(dir.File("loop-a")), Exception);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"dangling", "link.quavex", "loop-a",
                                                       "loop-b", "second", "songs"}));
}

TEST(SafeFileWriter, NewFilesFollowTheUmask) {
    TestDirectory dir;
    struct stat info;
    {
        UmaskScope mask(027);
        WriteThrough(dir.File("private"), "x");
    }
    ASSERT_EQ(stat(dir.File("private").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    {
        UmaskScope mask(0);
        WriteThrough(dir.File("shared"), "x");
        // Replacing keeps what the file had, whatever the umask says.
        WriteThrough(dir.File("private"), "y");
    }
    ASSERT_EQ(stat(dir.File("shared").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0666u);
    ASSERT_EQ(stat(dir.File("private").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
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
