// The Edit menu's pattern commands: each becomes the editor command of the same meaning,
// so a macro being recorded sees it as if its key had been pressed.
#include "app/shell/EditMenu.h"

#include "app/shell/EditorBinding.h"
#include "app/shell/MenuTable.h"

namespace {

void Run(uint32_t code, uint8_t a = 0) {
    EditCommand cmd;
    cmd.code = code;
    cmd.a = a;
    gEditor.view.ExecuteMenuCommand(cmd);
}

}  // namespace

void CommandUndo(const GUI_Event&) { gEditor.view.Undo(); }

void CommandRedo(const GUI_Event&) { gEditor.view.Redo(); }

void CommandClear(const GUI_Event&) { Run(kCmdClear); }

void CommandGradient(const GUI_Event&) { Run(kCmdGradient); }

void CommandResize(const GUI_Event& e) {
    switch (e.gadget) {
        case kMenuDouble:
            Run(kCmdDouble, 1);
            break;
        case kMenuDoubleResize:
            Run(kCmdDouble, 2);
            break;
        case kMenuHalf:
            Run(kCmdHalf, 1);
            break;
        case kMenuHalfResize:
            Run(kCmdHalf, 2);
            break;
        default:
            break;
    }
}

void CommandTranspose(const GUI_Event& e) {
    switch (e.gadget) {
        case kMenuTransposeNoteUp:
            Run(kCmdTranspose, 1);
            break;
        case kMenuTransposeNoteDown:
            Run(kCmdTranspose, 255);
            break;
        case kMenuTransposeOctaveUp:
            Run(kCmdTranspose, 2);
            break;
        case kMenuTransposeOctaveDown:
            Run(kCmdTranspose, 254);
            break;
        default:
            break;
    }
}

void CommandDetune(const GUI_Event& e) {
    switch (e.gadget) {
        case kMenuDetuneUp:
            Run(kCmdDetune, 1);
            break;
        case kMenuDetuneDown:
            Run(kCmdDetune, 255);
            break;
        case kMenuDetuneInvert:
            Run(kCmdDetune, 2);
            break;
        case kMenuDetuneReset:
            Run(kCmdDetune, 0);
            break;
        default:
            break;
    }
}

bool IsPatternEditingMenu(int command) {
    switch (command) {
        case kMenuClear:
        case kMenuCut:
        case kMenuPaste:
        case kMenuGradient:
            return true;
        default:
            return (command >= kMenuDouble && command <= kMenuHalfResize) ||
                   (command >= kMenuTransposeOctaveUp && command <= kMenuDetuneReset);
    }
}
