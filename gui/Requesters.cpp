// Message, question and file requesters.
#include "gui/Requesters.h"

#include <cctype>
#include <cstdio>
#include <filesystem>

#include "app/Paths.h"
#include "gui/FileList.h"

namespace {

bool IsReturn(const GUI_Event& e) {
    return e.type == GUI_EVENT_KEY &&
           (e.key == DRELM_KEY_RETURN || e.key == DRELM_KEY_KP_ENTER || e.character == 13);
}

bool IsEscape(const GUI_Event& e) { return e.type == GUI_EVENT_KEY && e.key == DRELM_KEY_ESCAPE; }

int RequesterWidth(GUI& gui, int wanted) { return std::min(wanted, gui.ScreenWidth() - 40); }

// Whether saving to `path` would replace a file, readable or not: a file that cannot be
// read is still somebody's file. A dangling link names no file yet.
bool Exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

// Whether `name` ends with `extension`, letters compared in either case ("SONG.VGM" has
// ".vgm").
bool HasExtension(const std::string& name, const std::string& extension) {
    if (name.size() <= extension.size()) return false;
    const size_t start = name.size() - extension.size();
    for (size_t i = 0; i < extension.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(name[start + i])) !=
            std::tolower(static_cast<unsigned char>(extension[i])))
            return false;
    return true;
}

bool CanRead(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return false;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::fclose(f);
    return true;
}

}  // namespace

void GUI_MessageRequester(GUI& gui, const std::string& text, bool wide) {
    GUI_Window* w;
    if (wide) {
        GUI_GadgetDesc d[] = {
            {.kind = GT_TEXTFIELD,
             .row = 0,
             .column = 0,
             .columns = 3,
             .content = text.c_str(),
             .flags = GUI_READONLY,
             .height = 10},
            {.kind = GT_BUTTON,
             .row = 1,
             .column = 2,
             .label = "Okay",
             .flags = GUI_DEFAULT | GUI_CANCEL | GUI_FOCUS},
        };
        w = gui.OpenWindow(kRequesterWindow, "Message", RequesterWidth(gui, 520), d, 2);
    } else {
        GUI_GadgetDesc d[] = {
            {.kind = GT_LABEL,
             .row = 0,
             .column = 0,
             .columns = 3,
             .label = text.c_str(),
             .flags = GUI_CENTER},
            {.kind = GT_HVSPACE_BAR, .row = 1, .column = 0, .height = 2},
            {.kind = GT_BUTTON,
             .row = 2,
             .column = 1,
             .label = "Okay",
             .flags = GUI_DEFAULT | GUI_CANCEL | GUI_FOCUS},
        };
        w = gui.OpenWindow(kRequesterWindow, "Message", RequesterWidth(gui, 380), d, 3);
    }
    if (!w) return;
    // The wide layout's text field takes number 0.
    const int okay = wide ? 1 : 0;
    GUI_RunModal(gui, w, [&](const GUI_Event& e) {
        if (e.window != kRequesterWindow) return false;
        return (e.type == GUI_EVENT_ACTIVATED && e.gadget == okay) || IsReturn(e) || IsEscape(e) ||
               e.type == GUI_EVENT_CLOSE;
    });
    gui.CloseWindow(kRequesterWindow);
}

int GUI_ChoiceRequester(GUI& gui, const std::string& text,
                        const std::vector<std::string>& buttons) {
    const int count = int(buttons.size());
    if (count < 2) return -1;
    std::vector<GUI_GadgetDesc> d;
    d.push_back({.kind = GT_LABEL,
                 .row = 0,
                 .column = 0,
                 .columns = int16_t(count),
                 .label = text.c_str(),
                 .flags = GUI_CENTER});
    d.push_back({.kind = GT_HVSPACE_BAR, .row = 1, .column = 0, .height = 2});
    for (int i = 0; i < count; ++i) {
        uint32_t flags = 0;
        if (i == 0) flags = GUI_DEFAULT | GUI_FOCUS;
        if (i == count - 1) flags = GUI_CANCEL;
        d.push_back({.kind = GT_BUTTON,
                     .row = 2,
                     .column = int16_t(i),
                     .label = buttons[i].c_str(),
                     .flags = flags});
    }
    GUI_Window* w =
        gui.OpenWindow(kRequesterWindow, "Requester", RequesterWidth(gui, 200 * count), d);
    if (!w) return -1;
    int answer = count - 1;
    GUI_RunModal(gui, w, [&](const GUI_Event& e) {
        if (e.window != kRequesterWindow) return false;
        if (e.type == GUI_EVENT_ACTIVATED && e.gadget >= 0 && e.gadget < count) {
            answer = e.gadget;
            return true;
        }
        return e.type == GUI_EVENT_CLOSE;
    });
    gui.CloseWindow(kRequesterWindow);
    return answer;
}

bool GUI_QuestionRequester(GUI& gui, const std::string& text, const std::string& first,
                           const std::string& second) {
    return GUI_ChoiceRequester(gui, text, {first, second}) == 0;
}

namespace {

// Gadget numbers of the file requester.
enum { kFileDirectory = 0, kFileList, kFileName, kFilePattern, kFileAccept, kFileCancel };

struct FileRequester {
    FileRequester(GUI& gui, GUI_FileRequest& request) : gui(gui), request(request) {}

    GUI& gui;
    GUI_FileRequest& request;
    std::string directory;
    std::vector<GUI_FileEntry> entries;
    int pattern = 0;  // 0: the request's patterns, 1: all files
    std::string patternText;
    std::string candidate;  // a file to accept after the window closed

    std::vector<std::string> Patterns() const {
        return pattern == 0 ? request.patterns : std::vector<std::string>{};
    }

    void Fill(GUI_Window* w) {
        entries = GUI_ListDirectory(directory, Patterns());
        std::vector<std::string> lines;
        std::vector<int> icons;
        for (const auto& e : entries) {
            lines.push_back(e.ListText());
            icons.push_back(e.kind == GUI_FileEntry::kFile ? kIconFile
                            : e.kind == GUI_FileEntry::kRoot || e.kind == GUI_FileEntry::kHome
                                ? kIconDrive
                                : kIconFolder);
        }
        w->SetListEntries(kFileList, lines);
        w->SetListIcons(kFileList, icons);
        w->SetListSelection(kFileList, -1);
        w->Gadget(kFileList)->scrollTop = 0;
        w->SetText(kFileDirectory, directory);
        if (GUI_Gadget* g = w->Gadget(kFileDirectory)) g->edit.TextEnd(false);
    }

    void Enter(GUI_Window* w, const std::string& target) {
        std::error_code ec;
        if (!std::filesystem::is_directory(target, ec)) return;
        directory = FullPath(target, directory);
        Fill(w);
    }

    // Gives back true when `name` (in the current directory) is to be accepted.
    bool Offer(GUI_Window* w, std::string name) {
        if (name.empty()) return false;
        if (name.find_first_of("*?") != std::string::npos) {
            // A typed pattern filters the list instead.
            request.patterns = {name};
            pattern = 0;
            w->SetValue(kFilePattern, 0);
            Fill(w);
            return false;
        }
        std::string path =
            name[0] == '/' ? FullPath(name) : FullPath(JoinPath(directory, name), directory);
        std::error_code ec;
        if (std::filesystem::is_directory(path, ec)) {
            Enter(w, path);
            w->SetText(kFileName, "");
            return false;
        }
        if (request.save) {
            // A name that does not end with the extension gets it, so that the file shows
            // under the pattern of its kind ("my.song" becomes "my.song.quavex").
            const std::string base = std::filesystem::path(path).filename().string();
            if (!request.extension.empty() && !HasExtension(base, request.extension))
                path += request.extension;
        } else if (!CanRead(path)) {
            return false;  // loading a file that cannot be opened is refused
        }
        candidate = path;
        return true;
    }

    void Activate(GUI_Window* w, int index) {
        if (index < 0 || index >= int(entries.size())) return;
        const GUI_FileEntry& e = entries[index];
        switch (e.kind) {
            case GUI_FileEntry::kParent:
                Enter(w, GUI_ParentDirectory(directory));
                break;
            case GUI_FileEntry::kDirectory:
                Enter(w, JoinPath(directory, e.name));
                break;
            case GUI_FileEntry::kRoot:
                Enter(w, "/");
                break;
            case GUI_FileEntry::kHome:
                Enter(w, GUI_HomeDirectory());
                break;
            default:
                break;
        }
    }

    // The field scrolls sideways, so it holds a whole path.
    std::string TypedName(GUI_Window* w) const { return w->Text(kFileName); }

    // Runs the window once; true with `candidate` set when a file was chosen.
    bool RunOnce(bool& cancelled, std::string& typed) {
        std::string patterns;
        for (const auto& p : request.patterns) {
            if (!patterns.empty()) patterns += ' ';
            patterns += p;
        }
        if (patterns.empty()) patterns.push_back('*');
        patternText = patterns;
        patternText += "\nAll files (*)";
        GUI_GadgetDesc d[] = {
            {.kind = GT_TEXTLINE,
             .row = 0,
             .column = 0,
             .columns = 4,
             .label = "Directory:",
             .text = "%4096s",
             .content = directory.c_str(),
             .flags = GUI_READONLY},
            {.kind = GT_LIST,
             .row = 1,
             .column = 0,
             .columns = 4,
             .height = int16_t(gui.ScreenHeight() >= 600 ? 12 : 9)},
            {.kind = GT_LIST_COL, .label = "Name", .width = 300},
            {.kind = GT_LIST_COL, .label = "Size"},
            {.kind = GT_TEXTLINE,
             .row = 2,
             .column = 0,
             .columns = 4,
             .label = "Filename",
             .text = "%4096s",
             .content = typed.c_str(),
             .flags = GUI_FOCUS},
            {.kind = GT_SELECTBOX,
             .row = 3,
             .column = 0,
             .columns = 2,
             .label = "Show:",
             .text = patternText.c_str(),
             .value = pattern},
            {.kind = GT_BUTTON,
             .row = 3,
             .column = 2,
             .label = request.save ? "Save" : "Load",
             .flags = GUI_DEFAULT},
            {.kind = GT_BUTTON, .row = 3, .column = 3, .label = "Cancel", .flags = GUI_CANCEL},
        };
        GUI_Window* w = gui.OpenWindow(kRequesterWindow, request.title.c_str(),
                                       RequesterWidth(gui, 520), d, int(sizeof d / sizeof d[0]));
        if (!w) {
            cancelled = true;
            return false;
        }
        Fill(w);
        bool accepted = false;
        GUI_RunModal(gui, w, [&](const GUI_Event& e) {
            if (e.window != kRequesterWindow) return false;
            switch (e.type) {
                case GUI_EVENT_CLOSE:
                    cancelled = true;
                    return true;
                case GUI_EVENT_LIST:
                    if (e.gadget == kFileList && e.value >= 0 && e.value < int(entries.size()) &&
                        entries[e.value].kind == GUI_FileEntry::kFile) {
                        w->SetText(kFileName, entries[e.value].name);
                    }
                    return false;
                case GUI_EVENT_LIST_ACTIVATED:
                    if (e.gadget != kFileList || e.value < 0 || e.value >= int(entries.size()))
                        return false;
                    if (entries[e.value].kind == GUI_FileEntry::kFile) {
                        accepted = Offer(w, entries[e.value].name);
                        return accepted;
                    }
                    Activate(w, e.value);
                    return false;
                case GUI_EVENT_ACTIVATED:
                    if (e.gadget == kFileAccept) {
                        accepted = Offer(w, TypedName(w));
                        return accepted;
                    }
                    if (e.gadget == kFileCancel) {
                        cancelled = true;
                        return true;
                    }
                    if (e.gadget == kFilePattern) {
                        pattern = e.value;
                        Fill(w);
                    }
                    return false;
                default:
                    return false;
            }
        });
        typed = w->Text(kFileName);
        gui.CloseWindow(kRequesterWindow);
        return accepted;
    }
};

}  // namespace

bool GUI_FileRequester(GUI& gui, GUI_FileRequest& request) {
    FileRequester r(gui, request);
    std::error_code ec;
    r.directory = request.directory.empty() ? StartDirectory() : FullPath(request.directory);
    if (!std::filesystem::is_directory(r.directory, ec)) r.directory = StartDirectory();
    std::string typed = request.fileName;
    for (;;) {
        bool cancelled = false;
        if (!r.RunOnce(cancelled, typed)) return false;
        if (request.save && Exists(r.candidate)) {
            // Only one requester window exists at a time, so the question replaces the
            // file requester, which comes back when the answer is "No".
            std::string name = std::filesystem::path(r.candidate).filename().string();
            if (!GUI_QuestionRequester(
                    gui, "The file " + name + " already exists. Shall it be overwritten?", "Yes",
                    "No")) {
                typed = name;
                continue;
            }
        }
        request.result = r.candidate;
        request.directory = r.directory;
        return true;
    }
}
