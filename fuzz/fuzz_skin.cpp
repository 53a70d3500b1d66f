// Fuzz target for the skin reader: the markup, the themes (the part after a line
// "--THEMES--", as if it were the included themes file) and the check of the names.
#include <cstdint>
#include <cstring>
#include <string>

#include "app/Exceptions.h"
#include "app/Tokenizer.h"
#include "gui/Skin.h"
#include "gui/SkinFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    std::string themes;
    size_t split = input.find("\n--THEMES--\n");
    if (split != std::string::npos) {
        themes = input.substr(split + 12);
        input.resize(split);
    }
    GUI_SkinDescription skin;
    Tokenizer tokenizer;
    tokenizer.AttachBuffer(input.data(), input.size());
    try {
        GUI_ParseSkin(tokenizer, skin, [&](const std::string&, GUI_SkinDescription& s) {
            Tokenizer t;
            t.AttachBuffer(themes.data(), themes.size());
            t.SetLineEndTokens(false);
            t.SetXMLComments(true);
            t.SetCommentChar(';');
            GUI_ParseThemes(t, s);
        });
        GUI_CheckSkinNames(skin);
    } catch (const Exception&) {
    }
    return 0;
}
