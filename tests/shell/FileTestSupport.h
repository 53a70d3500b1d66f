// Helpers for the tests of the file commands: answering the file requester, making an edit
// as the user would, and small files of every kind the tracker loads.
#pragma once

#include <sys/fsuid.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

#include "app/shell/FileCommands.h"
#include "app/shell/MainWindow.h"
#include "app/shell/MenuTable.h"
#include "tests/shell/ShellFixture.h"

namespace filetest {

// Gadgets of the file requester.
enum { kDirectory = 0, kList = 1, kName = 2, kAccept = 4, kCancel = 5 };

inline GUI_Window* Window(int number) { return gShell.gui->FindWindow(number); }
inline GUI_Window* Requester() { return Window(kRequesterWindow); }

inline void ClickGadget(int window, int gadget) {
    GUI& gui = *gShell.gui;
    const Quelm::Rect r = gui.GadgetRect(gui.FindWindow(window), gadget);
    const int x = r.x + r.width / 2, y = r.y + r.height / 2;
    DRELM_InjectMouseMove(x, y);
    DRELM_InjectMouseButton(1, true, x, y);
    DRELM_InjectMouseButton(1, false, x, y);
}

inline void PressKey(int scancode) {
    DRELM_InjectKey(scancode, true);
    DRELM_InjectKey(scancode, false);
}

// A modal step that picks `name` in the open file requester: a double click on its entry
// when it is listed (the name field holds 20 characters only), else typed and accepted.
inline std::function<void()> Choose(const std::string& name) {
    return [name] {
        GUI_Window* w = Requester();
        ASSERT_NE(w, nullptr);
        const std::vector<std::string>& entries = w->Gadget(kList)->entries;
        for (size_t i = 0; i < entries.size(); ++i) {
            if (entries[i].substr(0, entries[i].find('\t')) != name) continue;
            GUI_Event e;
            e.type = GUI_EVENT_LIST_ACTIVATED;
            e.window = kRequesterWindow;
            e.gadget = kList;
            e.value = int(i);
            gShell.gui->PostEvent(e);
            return;
        }
        w->SetText(kName, name);
        ClickGadget(kRequesterWindow, kAccept);
    };
}

// A modal step that notes the text of the message or question on screen, then runs
// `then` (a key that answers it, or nothing).
inline std::function<void()> Note(std::vector<std::string>& seen,
                                  std::function<void()> then = nullptr) {
    return [&seen, then] {
        GUI_Window* w = Requester();
        std::string text = "(none)";
        if (w)
            for (const GUI_Gadget& g : w->gadgets)
                if (g.desc.kind == GT_LABEL) {
                    text = g.label;
                    break;
                }
        seen.push_back(text);
        if (then) then();
    };
}

inline std::function<void()> Answer(int scancode) {
    return [scancode] {
        DRELM_InjectKey(scancode, true);
        DRELM_InjectKey(scancode, false);
    };
}

// The list texts' names (before the tab) of the open file requester.
inline std::vector<std::string> ListedNames() {
    std::vector<std::string> names;
    if (GUI_Window* w = Requester())
        for (const std::string& entry : w->Gadget(kList)->entries)
            names.push_back(entry.substr(0, entry.find('\t')));
    return names;
}

// A note typed into the pattern, as the user types it: "Z" in edit mode.
inline void TypeNote() { PressKey(SDL_SCANCODE_Z); }

// Makes the file system refuse this thread's writes to root's directories for a while, as
// it does for a user without rights there (the tests run as root, who may write anywhere).
class WithoutRootRights {
public:
    WithoutRootRights() { setfsuid(65534); }
    ~WithoutRootRights() { setfsuid(0); }
};

// Files may grow to `bytes` at most for a while, as on a disk that is full.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old);
        previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previous);
    }

private:
    rlimit old{};
    void (*previous)(int) = nullptr;
};

inline void Put16BE(std::string& s, size_t at, int v) {
    s[at] = char(v >> 8);
    s[at + 1] = char(v);
}

// A four-channel MOD of one empty pattern, titled "tiny", with one named sample.
inline std::string TinyMod() {
    std::string s(1084 + 1024, '\0');
    s.replace(0, 4, "tiny");
    s.replace(20, 6, "kick 1");
    s[20 + 22 + 3] = 64;  // volume
    s[950] = 1;           // song length
    s.replace(1080, 4, "M.K.");
    return s;
}

// A MIDI file of one track: MIDI channel `channel` plays note 60 for a quarter note.
inline std::string TinyMidi(int channel = 0) {
    std::string track;
    track += std::string("\x00", 1) + char(0x90 + channel) + char(60) + char(100);
    track += std::string("\x60", 1) + char(0x80 + channel) + char(60) + char(0);
    track += std::string("\x00\xFF\x2F\x00", 4);
    std::string s = std::string("MThd\0\0\0\x06\0\0\0\x01\0\x60", 14);
    s += "MTrk";
    s += std::string("\0\0", 2);
    s += char(track.size() >> 8);
    s += char(track.size());
    return s + track;
}

// A VGM log: channel 0 at period 0x1FC and full volume for three NTSC frames.
inline std::string TinyVgm() {
    std::string data = std::string("\x50\x8C\x50\x1F\x50\x90\x62\x62\x62\x66", 10);
    std::string s(0x40, '\0');
    s.replace(0, 4, "Vgm ");
    const uint32_t eof = uint32_t(0x40 + data.size() - 4);
    for (int i = 0; i < 4; ++i) s[4 + i] = char(eof >> (8 * i));
    const uint32_t clock = 3579545, rate = 60;
    for (int i = 0; i < 4; ++i) s[0x0C + i] = char(clock >> (8 * i));
    for (int i = 0; i < 4; ++i) s[0x24 + i] = char(rate >> (8 * i));
    s[0x28] = 9;
    s[0x2A] = 16;
    return s + data;
}

inline std::string TinyBasic() { return "10 PLAY \"L4 C D\"\r\n20 END\r\n"; }

}  // namespace filetest
