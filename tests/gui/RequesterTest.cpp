// The message, question and file requesters, answered from inside their modal loops with
// injected input.
#include <sys/fsuid.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/Paths.h"
#include "gui/FileList.h"
#include "gui/Requesters.h"
#include "tests/gui/GuiFixture.h"

namespace fs = std::filesystem;

namespace {

class RequesterTest : public GuiTest {
protected:
    GUI_Window* Requester() { return gui->FindWindow(kRequesterWindow); }
    // Centre of a gadget of the open requester.
    DRELM_Point At(int gadget) { return gui->GadgetCenter(Requester(), gadget); }
    // Double-clicks the list row that shows `text` (up to its tab).
    void OpenEntry(const std::string& name) {
        GUI_Window* w = Requester();
        ASSERT_NE(w, nullptr);
        const GUI_Gadget* list = w->Gadget(1);
        int index = -1;
        for (size_t i = 0; i < list->entries.size(); ++i)
            if (list->entries[i].substr(0, list->entries[i].find('\t')) == name) index = int(i);
        ASSERT_GE(index, 0) << name;
        w->SetListSelection(1, index);
        gui->SetFocus(w, 1);
        Press(SDL_SCANCODE_RETURN, 13);
    }
    std::vector<std::string> Names() {
        std::vector<std::string> out;
        for (const auto& e : Requester()->Gadget(1)->entries)
            out.push_back(e.substr(0, e.find('\t')));
        return out;
    }
};

class FileRequesterTest : public RequesterTest {
protected:
    void SetUp() override {
        RequesterTest::SetUp();
        root = fs::temp_directory_path() / ("tw-gui-files-" + std::to_string(::getpid()));
        fs::remove_all(root);
        fs::create_directories(root / "songs");
        for (const char* f :
             {"songs/a.vgm", "songs/b.mod", "songs/notes.txt", "top.vgm", ".hidden.vgm"})
            std::ofstream(root / f) << "data";
    }
    void TearDown() override {
        fs::remove_all(root);
        RequesterTest::TearDown();
    }
    fs::path root;
};

}  // namespace

TEST_F(RequesterTest, MessageClosesOnReturn) {
    bool seen = false;
    Script({[&] {
        GUI_Window* w = Requester();
        ASSERT_NE(w, nullptr);
        seen = w->title == "Message";
        Press(SDL_SCANCODE_RETURN, 13);
    }});
    GUI_MessageRequester(*gui, "The module has been exported.");
    EXPECT_TRUE(seen);
    EXPECT_EQ(Requester(), nullptr);
    EXPECT_LE(frame, 3);
}

TEST_F(RequesterTest, MessageClosesOnOkayInBothLayouts) {
    for (bool wide : {false, true}) {
        Script({[&] {}, [&] { Click(At(wide ? 1 : 0)); }});
        GUI_MessageRequester(*gui, "Couldn't load module.", wide);
        EXPECT_EQ(Requester(), nullptr);
        EXPECT_LE(frame, 4) << wide;
    }
}

TEST_F(RequesterTest, MessageBlocksTheWindowsBelow) {
    GUI_GadgetDesc d[] = {{.kind = GT_BUTTON, .label = "Under"}};
    GUI_Window* under = gui->OpenWindow(7, "Under", 300, d, 1, 0);
    gui->MoveWindow(under, 0, 500);
    int underEvents = 0;
    Script({[&] { Click(gui->GadgetCenter(under, 0)); },
            [&] {
                // The click reached nobody; the requester is still there.
                ASSERT_NE(Requester(), nullptr);
                Press(SDL_SCANCODE_KP_ENTER, 13);
            }});
    GUI_MessageRequester(*gui, "Modal.");
    GUI_Event e;
    while (gui->GetEvent(e))
        if (e.window == 7) ++underEvents;
    EXPECT_EQ(underEvents, 0);
}

TEST_F(RequesterTest, QuestionAnswersWithItsButtons) {
    std::string text;
    Script({[&] {
        text = Requester()->gadgets[0].label;
        Click(At(1));
    }});
    EXPECT_FALSE(
        GUI_QuestionRequester(*gui, "Do you really want to delete this pattern?", "Yes", "No"));
    EXPECT_EQ(text, "Do you really want to delete this pattern?");
    Script({[&] { Click(At(0)); }});
    EXPECT_TRUE(GUI_QuestionRequester(*gui, "Sure?", "Yes", "No"));
    Script({[&] { Press(SDL_SCANCODE_RETURN, 13); }});
    EXPECT_TRUE(GUI_QuestionRequester(*gui, "Sure?", "Yes", "No"));
    Script({[&] { Press(SDL_SCANCODE_ESCAPE); }});
    EXPECT_FALSE(GUI_QuestionRequester(*gui, "Sure?", "Yes", "No"));
}

TEST_F(RequesterTest, RequesterWindowNumberIsShared) {
    GUI_GadgetDesc d[] = {{.kind = GT_LABEL, .label = "busy"}};
    ASSERT_NE(gui->OpenWindow(kRequesterWindow, "Other", 200, d, 1), nullptr);
    // The question cannot open and gives no result.
    EXPECT_FALSE(GUI_QuestionRequester(*gui, "Sure?", "Yes", "No"));
    EXPECT_EQ(Requester()->title, "Other");
}

TEST_F(FileRequesterTest, EntersADirectoryFiltersAndAcceptsAFile) {
    GUI_FileRequest r;
    r.title = "Load module";
    r.directory = root.string();
    r.patterns = {"*.vgm", "*.mod"};
    std::vector<std::string> top, inside;
    std::string directoryShown;
    Script({[&] {
                top = Names();
                OpenEntry("songs/");
            },
            [&] {
                inside = Names();
                directoryShown = Requester()->Text(0);
                OpenEntry("a.vgm");
            }});
    ASSERT_TRUE(GUI_FileRequester(*gui, r));
    EXPECT_EQ(r.result, (root / "songs" / "a.vgm").string());
    EXPECT_EQ(r.directory, (root / "songs").string());
    EXPECT_EQ(top, (std::vector<std::string>{"..", "songs/", "top.vgm", "[/]", "[~]"}));
    EXPECT_EQ(inside, (std::vector<std::string>{"..", "a.vgm", "b.mod", "[/]", "[~]"}));
    EXPECT_EQ(directoryShown, (root / "songs").string());
    EXPECT_EQ(Requester(), nullptr);
}

TEST_F(FileRequesterTest, TypedPatternFiltersAndTypedNameIsAccepted) {
    GUI_FileRequest r;
    r.title = "Load module";
    r.directory = (root / "songs").string();
    std::vector<std::string> all, filtered;
    Script({[&] {
                all = Names();
                Type("*.mod");
                Press(SDL_SCANCODE_RETURN, 13);
            },
            [&] {
                filtered = Names();
                GUI_Window* w = Requester();
                w->SetText(2, "");
                Type("missing.vgm");  // cannot be opened: refused, the requester stays
                Press(SDL_SCANCODE_RETURN, 13);
            },
            [&] {
                ASSERT_NE(Requester(), nullptr);
                Requester()->SetText(2, "");
                Type("..");
                Press(SDL_SCANCODE_RETURN, 13);  // a directory name enters it
            },
            [&] {
                Requester()->SetText(2, "");
                Type("top.vgm");
                Click(At(4));  // "Load"
            }});
    ASSERT_TRUE(GUI_FileRequester(*gui, r));
    EXPECT_EQ(all, (std::vector<std::string>{"..", "a.vgm", "b.mod", "notes.txt", "[/]", "[~]"}));
    EXPECT_EQ(filtered, (std::vector<std::string>{"..", "b.mod", "[/]", "[~]"}));
    EXPECT_EQ(r.result, (root / "top.vgm").string());
}

TEST_F(FileRequesterTest, SavingAsksBeforeOverwriting) {
    GUI_FileRequest r;
    r.title = "Save module";
    r.save = true;
    r.directory = root.string();
    r.patterns = {"*.vgm"};
    r.extension = ".vgm";
    std::string question, saveButton, titleAfterNo;
    Script({[&] {
                saveButton = Requester()->Text(4);
                Type("top");  // the extension is added
                Press(SDL_SCANCODE_RETURN, 13);
            },
            [&] {
                ASSERT_NE(Requester(), nullptr);
                question = Requester()->gadgets[0].label;
                Click(At(1));  // "No": back to the file requester
            },
            [&] {
                ASSERT_NE(Requester(), nullptr);
                titleAfterNo = Requester()->title;
                Press(SDL_SCANCODE_RETURN, 13);
            },
            [&] { Click(At(0)); }});  // "Yes"
    ASSERT_TRUE(GUI_FileRequester(*gui, r));
    EXPECT_EQ(saveButton, "Save");
    EXPECT_EQ(question, "The file top.vgm already exists. Shall it be overwritten?");
    EXPECT_EQ(titleAfterNo, "Save module");
    EXPECT_EQ(r.result, (root / "top.vgm").string());
}

TEST_F(FileRequesterTest, SavingANewFileAsksNothing) {
    GUI_FileRequest r;
    r.title = "Save module";
    r.save = true;
    r.directory = root.string();
    r.extension = ".quavex";
    Script({[&] {
        Type("new");
        Press(SDL_SCANCODE_RETURN, 13);
    }});
    ASSERT_TRUE(GUI_FileRequester(*gui, r));
    EXPECT_EQ(r.result, (root / "new.quavex").string());
    EXPECT_LE(frame, 2);
}

TEST_F(FileRequesterTest, CancelAndCloseGiveNoResult) {
    GUI_FileRequest r;
    r.title = "Load module";
    r.directory = root.string();
    Script({[&] { Click(At(5)); }});
    EXPECT_FALSE(GUI_FileRequester(*gui, r));
    Script({[&] {
        GUI_Window* w = Requester();
        Click(DRELM_Point(w->rect.x + w->closeRect.x + 4, w->rect.y + w->closeRect.y + 4));
    }});
    EXPECT_FALSE(GUI_FileRequester(*gui, r));
    EXPECT_TRUE(r.result.empty());
}

TEST(FileList, PatternsMatchLikeWildcards) {
    EXPECT_TRUE(GUI_MatchPattern("song.vgm", "*.vgm"));
    EXPECT_TRUE(GUI_MatchPattern("SONG.VGM", "*.vgm"));
    EXPECT_FALSE(GUI_MatchPattern("song.vgz", "*.vgm"));
    EXPECT_TRUE(GUI_MatchPattern("mod.theme", "mod.*"));
    EXPECT_FALSE(GUI_MatchPattern("amod.theme", "mod.*"));
    EXPECT_TRUE(GUI_MatchPattern("anything", "*.*") == false);
    EXPECT_TRUE(GUI_MatchPattern("a.b", "*.*"));
    EXPECT_TRUE(GUI_MatchPattern("x1.mid", "x?.mid"));
    EXPECT_FALSE(GUI_MatchPattern("x12.mid", "x?.mid"));
    EXPECT_TRUE(GUI_MatchPattern("", "*"));
    EXPECT_TRUE(GUI_MatchPattern("a.b.c.vgm", "*.*.vgm"));
}

TEST(FileList, ParentOfDirectories) {
    EXPECT_EQ(GUI_ParentDirectory("/a/b"), "/a");
    EXPECT_EQ(GUI_ParentDirectory("/a/b/"), "/a");
    EXPECT_EQ(GUI_ParentDirectory("/a"), "/");
    EXPECT_EQ(GUI_ParentDirectory("/"), "/");
}

TEST(FileList, RootHasNoParentEntryAndUnreadableDirectoryKeepsTheFixedOnes) {
    auto root = GUI_ListDirectory("/", {"*.nothing-matches"});
    ASSERT_GE(root.size(), 2u);
    EXPECT_NE(root.front().kind, GUI_FileEntry::kParent);
    EXPECT_EQ(root[root.size() - 2].ListText(), "[/]\tRoot");
    auto missing = GUI_ListDirectory("/no/such/directory/here", {});
    ASSERT_EQ(missing.size(), 3u);
    EXPECT_EQ(missing[0].kind, GUI_FileEntry::kParent);
    EXPECT_EQ(missing[1].kind, GUI_FileEntry::kRoot);
    EXPECT_EQ(missing[2].kind, GUI_FileEntry::kHome);
}

// Somebody's file that this user may not read is still a file that saving would replace.
TEST_F(FileRequesterTest, SavingAsksAlsoBeforeReplacingAFileThatCannotBeRead) {
    const fs::path secret = root / "secret.vgm";
    std::ofstream(secret) << "not yours";
    fs::permissions(secret, fs::perms::none);
    GUI_FileRequest r;
    r.title = "Export module as VGM";
    r.save = true;
    r.directory = root.string();
    r.patterns = {"*.vgm"};
    r.extension = ".vgm";
    std::string question;
    Script({[&] {
                Type("secret");
                Press(SDL_SCANCODE_RETURN, 13);
            },
            [&] {
                ASSERT_NE(Requester(), nullptr);
                question = Requester()->gadgets[0].label;
                Click(At(1));  // "No"
            },
            [&] { Click(At(5)); }});  // "Cancel"
    // The tests run as root, who reads everything: this thread looks at the files as a
    // user without rights would.
    setfsuid(65534);
    const bool chosen = GUI_FileRequester(*gui, r);
    setfsuid(0);
    EXPECT_EQ(question, "The file secret.vgm already exists. Shall it be overwritten?");
    EXPECT_FALSE(chosen);
}

TEST_F(FileRequesterTest, TheExtensionIsAddedUnlessTheNameEndsWithItInAnyCase) {
    const std::pair<const char*, const char*> cases[] = {
        {"LOUD.VGM", "LOUD.VGM"}, {"quiet.vgm", "quiet.vgm"}, {"my.song", "my.song.vgm"}};
    for (const auto& [typed, saved] : cases) {
        GUI_FileRequest r;
        r.title = "Export module as VGM";
        r.save = true;
        r.directory = (root / "songs").string();
        r.extension = ".vgm";
        Script({[&] {
            Type(typed);
            Press(SDL_SCANCODE_RETURN, 13);
        }});
        ASSERT_TRUE(GUI_FileRequester(*gui, r)) << typed;
        EXPECT_EQ(r.result, (root / "songs" / saved).string());
    }
}
