// The menu bar, its drop-downs and submenus: building from descriptions, layout, mouse and
// keyboard, drawing.
#include <algorithm>

#include "gui/GuiInternal.h"

using Quelm::Rect;

namespace {

bool Selectable(const GUI_MenuNode& n) {
    return !(n.flags & (GUI_MENU_SEPARATOR | GUI_MENU_DISABLED));
}

GUI_MenuNode* FindCommand(std::vector<GUI_MenuNode>& nodes, int command) {
    for (auto& n : nodes) {
        if (n.command == command && command >= 0 && !(n.flags & GUI_MENU_SEPARATOR)) return &n;
        if (GUI_MenuNode* found = FindCommand(n.children, command)) return found;
    }
    return nullptr;
}

}  // namespace

void GUI::SetMenu(const GUI_MenuDesc* items, int count) {
    CloseMenus();
    impl->menu.clear();
    for (int i = 0; i < count; ++i) {
        const GUI_MenuDesc& d = items[i];
        GUI_MenuNode node;
        node.label = d.label ? d.label : "";
        node.shortcut = d.shortcut ? d.shortcut : "";
        node.command = d.command;
        node.flags = d.flags;
        // Walk down the last entries to the parent level; a level that skips ahead is
        // attached to the deepest level there is.
        std::vector<GUI_MenuNode>* list = &impl->menu;
        for (int level = 0; level < d.level && !list->empty(); ++level)
            list = &list->back().children;
        if (d.level > 0 && list == &impl->menu) continue;  // an entry before any title
        list->push_back(std::move(node));
    }
}

void GUI::SetMenuChecked(int command, bool checked) {
    if (GUI_MenuNode* n = FindCommand(impl->menu, command)) {
        if (checked)
            n->flags |= GUI_MENU_CHECKED;
        else
            n->flags &= ~GUI_MENU_CHECKED;
    }
}

void GUI::SetMenuEnabled(int command, bool enabled) {
    if (GUI_MenuNode* n = FindCommand(impl->menu, command)) {
        if (enabled)
            n->flags &= ~GUI_MENU_DISABLED;
        else
            n->flags |= GUI_MENU_DISABLED;
    }
}

void GUI::SetMenuLabel(int command, const std::string& label) {
    if (GUI_MenuNode* n = FindCommand(impl->menu, command)) n->label = label;
}

bool GUI::MenuChecked(int command) const {
    GUI_MenuNode* n = FindCommand(impl->menu, command);
    return n && (n->flags & GUI_MENU_CHECKED);
}

bool GUI::MenuEnabled(int command) const {
    GUI_MenuNode* n = FindCommand(impl->menu, command);
    return n && !(n->flags & GUI_MENU_DISABLED);
}

int GUI::MenuBarHeight() const {
    if (impl->menu.empty()) return 0;
    const GUI_SkinPart* bar = skin.Part(kPartMenuBar);
    return bar ? bar->h : skin.Metrics().height;
}

bool GUI::MenuOpen() const { return !impl->menuPath.empty(); }

void GUI::CloseMenus() {
    impl->menuPath.clear();
    impl->menuHover.clear();
    impl->menuPanels.clear();
}

void GUI::OpenMenu(int index) {
    CloseMenus();
    if (index < 0 || index >= int(impl->menu.size())) return;
    impl->menuPath = {index};
    impl->menuHover = {-1};
    LayoutMenus();
}

void GUI::LayoutMenus() {
    const GUI_SkinMetrics& m = skin.Metrics();
    const DRELM_Font* font = skin.Font(kFontNormal);
    if (!font) return;
    const int barHeight = MenuBarHeight();
    int x = m.menuBarBorder;
    for (auto& title : impl->menu) {
        int w = font->TextWidth(title.label.c_str()) + 2 * m.menuTitleBorder;
        title.rect = Rect(x, 0, w, barHeight);
        x += w + m.menuTitleSep;
    }
    impl->menuPanels.clear();
    if (impl->menuPath.empty()) return;
    if (impl->menuPath[0] >= int(impl->menu.size())) {
        CloseMenus();
        return;
    }
    GUI_MenuNode* parent = &impl->menu[impl->menuPath[0]];
    Rect anchor = parent->rect;
    for (size_t level = 0; level < impl->menuPath.size(); ++level) {
        auto& entries = parent->children;
        int labelW = 0, shortcutW = 0;
        bool submenus = false;
        for (const auto& e : entries) {
            labelW = std::max(labelW, font->TextWidth(e.label.c_str()));
            if (!e.shortcut.empty())
                shortcutW = std::max(shortcutW, font->TextWidth(e.shortcut.c_str()));
            submenus = submenus || !e.children.empty();
        }
        const GUI_SkinPart* line = skin.Part(kPartMenuLine);
        int height = 0;
        for (const auto& e : entries)
            height += (e.flags & GUI_MENU_SEPARATOR) ? (line ? line->h : 7) : m.menuEntryHeight;
        int width = m.checkableSep + labelW + (shortcutW ? m.shortcutSep + shortcutW : 0) +
                    (submenus ? m.shortcutSep / 2 + 12 : 0) + 2 * m.menuEntryBorder - 4;
        width = std::max(width, 120);
        Rect panel;
        if (level == 0) {
            panel = Rect(anchor.x + m.categoryX, anchor.Bottom() + m.categoryY,
                         width + 2 * m.menuCategoryBorder, height + 2 * m.menuCategoryBorder);
        } else {
            panel =
                Rect(impl->menuPanels.back().Right() + m.subCategoryX, anchor.y + m.subCategoryY,
                     width + 2 * m.menuCategoryBorder, height + 2 * m.menuCategoryBorder);
            // A submenu that would leave the screen opens to the left of its parent.
            if (panel.Right() > ScreenWidth())
                panel.x = impl->menuPanels.back().x - panel.width - m.subCategoryX;
        }
        panel.x = std::clamp(panel.x, 0, std::max(0, ScreenWidth() - panel.width));
        panel.y =
            std::clamp(panel.y, barHeight, std::max(barHeight, ScreenHeight() - panel.height));
        impl->menuPanels.push_back(panel);
        int y = panel.y + m.menuCategoryBorder;
        for (auto& e : entries) {
            int h = (e.flags & GUI_MENU_SEPARATOR) ? (line ? line->h : 7) : m.menuEntryHeight;
            e.rect =
                Rect(panel.x + m.menuCategoryBorder, y, panel.width - 2 * m.menuCategoryBorder, h);
            y += h;
        }
        if (level + 1 < impl->menuPath.size()) {
            int index = impl->menuPath[level + 1];
            if (index < 0 || index >= int(entries.size()) || entries[index].children.empty()) {
                impl->menuPath.resize(level + 1);
                impl->menuHover.resize(level + 1);
                break;
            }
            parent = &entries[index];
            anchor = parent->rect;
        }
    }
}

namespace {

// The entries of open level `level`.
std::vector<GUI_MenuNode>* Level(std::vector<GUI_MenuNode>& menu, const std::vector<int>& path,
                                 size_t level) {
    GUI_MenuNode* node = &menu[path[0]];
    for (size_t k = 1; k <= level; ++k) node = &node->children[path[k]];
    return &node->children;
}

}  // namespace

bool GUI::MenuMouseDown(int x, int y) {
    impl->menuPress = false;
    if (impl->menu.empty()) return false;
    LayoutMenus();
    if (AnyModal()) {
        if (MenuOpen()) CloseMenus();
        return false;
    }
    for (const Rect& panel : impl->menuPanels)
        if (panel.Contains(x, y)) {
            impl->menuPress = true;
            return true;
        }
    if (y < MenuBarHeight() && y >= 0) {
        for (size_t i = 0; i < impl->menu.size(); ++i)
            if (impl->menu[i].rect.Contains(x, y)) {
                if (MenuOpen() && impl->menuPath[0] == int(i))
                    CloseMenus();
                else
                    OpenMenu(int(i));
                impl->menuPress = true;
                return true;
            }
        CloseMenus();
        impl->menuPress = true;
        return true;
    }
    if (MenuOpen()) {
        // A click outside closes the menu and does nothing else.
        CloseMenus();
        impl->menuPress = true;
        return true;
    }
    return false;
}

bool GUI::MenuMouseMove(int x, int y) {
    if (impl->menu.empty()) return false;
    impl->menuTitleHover = -1;
    if (!AnyModal() && y >= 0 && y < MenuBarHeight())
        for (size_t i = 0; i < impl->menu.size(); ++i)
            if (impl->menu[i].rect.Contains(x, y)) impl->menuTitleHover = int(i);
    if (!MenuOpen()) return false;
    if (impl->menuTitleHover >= 0 && impl->menuTitleHover != impl->menuPath[0]) {
        OpenMenu(impl->menuTitleHover);
        return true;
    }
    for (size_t level = impl->menuPanels.size(); level-- > 0;) {
        if (!impl->menuPanels[level].Contains(x, y)) continue;
        auto* entries = Level(impl->menu, impl->menuPath, level);
        for (size_t i = 0; i < entries->size(); ++i) {
            GUI_MenuNode& e = (*entries)[i];
            if (!e.rect.Contains(x, y)) continue;
            impl->menuPath.resize(level + 1);
            impl->menuHover.resize(level + 1);
            impl->menuHover[level] = Selectable(e) ? int(i) : -1;
            if (Selectable(e) && !e.children.empty()) {
                impl->menuPath.push_back(int(i));
                impl->menuHover.push_back(-1);
            }
            LayoutMenus();
            return true;
        }
        return true;
    }
    return true;
}

bool GUI::MenuMouseUp(int x, int y) {
    const bool press = impl->menuPress;
    impl->menuPress = false;
    if (!MenuOpen()) return press;
    for (size_t level = impl->menuPanels.size(); level-- > 0;) {
        if (!impl->menuPanels[level].Contains(x, y)) continue;
        auto* entries = Level(impl->menu, impl->menuPath, level);
        for (size_t i = 0; i < entries->size(); ++i) {
            GUI_MenuNode& e = (*entries)[i];
            if (!e.rect.Contains(x, y) || !Selectable(e) || !e.children.empty()) continue;
            std::vector<int> path(impl->menuPath.begin(), impl->menuPath.begin() + level + 1);
            path.push_back(int(i));
            ChooseMenuEntry(path);
            return true;
        }
        return true;
    }
    return true;
}

void GUI::ChooseMenuEntry(const std::vector<int>& path) {
    std::vector<GUI_MenuNode>* siblings = &impl->menu[path[0]].children;
    for (size_t k = 1; k + 1 < path.size(); ++k) siblings = &(*siblings)[path[k]].children;
    const int index = path.back();
    GUI_MenuNode& node = (*siblings)[index];
    if (node.flags & GUI_MENU_CHECKABLE) node.flags ^= GUI_MENU_CHECKED;
    if (node.flags & GUI_MENU_SELECTABLE) {
        // A group of choices runs between separators.
        int a = index, b = index;
        while (a > 0 && ((*siblings)[a - 1].flags & GUI_MENU_SELECTABLE)) --a;
        while (b + 1 < int(siblings->size()) && ((*siblings)[b + 1].flags & GUI_MENU_SELECTABLE))
            ++b;
        for (int i = a; i <= b; ++i) (*siblings)[i].flags &= ~GUI_MENU_CHECKED;
        node.flags |= GUI_MENU_CHECKED;
    }
    const int command = node.command;
    CloseMenus();
    GUI_Event e;
    e.type = GUI_EVENT_MENU;
    e.gadget = command;
    e.value = (node.flags & GUI_MENU_CHECKED) ? 1 : 0;
    PostEvent(e);
}

bool GUI::MenuKey(int key) {
    if (!MenuOpen()) return false;
    LayoutMenus();
    const size_t level = impl->menuPath.size() - 1;
    auto* entries = Level(impl->menu, impl->menuPath, level);
    int& hover = impl->menuHover[level];
    auto move = [&](int dir) {
        const int n = int(entries->size());
        if (n == 0) return;
        int start = hover < 0 ? (dir > 0 ? -1 : n) : hover;
        for (int k = 1; k <= n; ++k) {
            int i = ((start + dir * k) % n + n) % n;
            if (Selectable((*entries)[i])) {
                hover = i;
                return;
            }
        }
    };
    auto openTitle = [&](int dir) {
        int n = int(impl->menu.size());
        OpenMenu(((impl->menuPath[0] + dir) % n + n) % n);
        impl->menuHover[0] = -1;
        auto* first = Level(impl->menu, impl->menuPath, 0);
        for (size_t i = 0; i < first->size(); ++i)
            if (Selectable((*first)[i])) {
                impl->menuHover[0] = int(i);
                break;
            }
    };
    switch (key) {
        case DRELM_KEY_ESCAPE:
            if (level > 0) {
                impl->menuPath.pop_back();
                impl->menuHover.pop_back();
            } else {
                CloseMenus();
            }
            break;
        case DRELM_KEY_UP:
            move(-1);
            break;
        case DRELM_KEY_DOWN:
            move(1);
            break;
        case DRELM_KEY_LEFT:
            if (level > 0) {
                impl->menuPath.pop_back();
                impl->menuHover.pop_back();
            } else {
                openTitle(-1);
            }
            break;
        case DRELM_KEY_RIGHT:
        case DRELM_KEY_RETURN:
        case DRELM_KEY_KP_ENTER:
        case DRELM_KEY_SPACE:
            if (hover >= 0 && !(*entries)[hover].children.empty()) {
                impl->menuPath.push_back(hover);
                impl->menuHover.push_back(-1);
                auto* sub = Level(impl->menu, impl->menuPath, level + 1);
                for (size_t i = 0; i < sub->size(); ++i)
                    if (Selectable((*sub)[i])) {
                        impl->menuHover.back() = int(i);
                        break;
                    }
            } else if (key == DRELM_KEY_RIGHT) {
                openTitle(1);
            } else if (hover >= 0) {
                std::vector<int> path = impl->menuPath;
                path.push_back(hover);
                ChooseMenuEntry(path);
                return true;
            }
            break;
        default:
            break;
    }
    LayoutMenus();
    return true;
}

Quelm::Rect GUI::MenuTitleRect(int index) const {
    const_cast<GUI*>(this)->LayoutMenus();
    if (index < 0 || index >= int(impl->menu.size())) return Rect();
    return impl->menu[index].rect;
}

Quelm::Rect GUI::MenuEntryRect(int command) const {
    const_cast<GUI*>(this)->LayoutMenus();
    for (size_t level = 0; level < impl->menuPanels.size(); ++level)
        for (const auto& e : *Level(impl->menu, impl->menuPath, level))
            if (e.command == command && !(e.flags & GUI_MENU_SEPARATOR)) return e.rect;
    return Rect();
}

Quelm::Rect GUI::MenuEntryRect(const std::string& label) const {
    const_cast<GUI*>(this)->LayoutMenus();
    for (size_t level = 0; level < impl->menuPanels.size(); ++level)
        for (const auto& e : *Level(impl->menu, impl->menuPath, level))
            if (e.label == label && !(e.flags & GUI_MENU_SEPARATOR)) return e.rect;
    return Rect();
}

void GUI::SetMenuBarNote(const std::string& note) { impl->menuNote = note; }

const std::string& GUI::MenuBarNote() const { return impl->menuNote; }

void GUI::DrawMenuBar() const {
    if (impl->menu.empty()) return;
    const_cast<GUI*>(this)->LayoutMenus();
    const DRELM_Font* font = skin.Font(kFontNormal);
    skin.DrawPart(skin.Part(kPartMenuBar), Rect(0, 0, ScreenWidth(), MenuBarHeight()), DRELM_WHITE);
    const bool blocked = AnyModal();
    for (size_t i = 0; i < impl->menu.size(); ++i) {
        const auto& t = impl->menu[i];
        const bool open = MenuOpen() && impl->menuPath[0] == int(i);
        const bool hover = impl->menuTitleHover == int(i) && !blocked;
        Rect r(t.rect.x, t.rect.y + 2, t.rect.width, t.rect.height - 5);
        if (open)
            skin.DrawPart(skin.Part(kPartMenuTitle, kStatePressed), r, DRELM_WHITE);
        else if (hover)
            skin.DrawPart(skin.Part(kPartMenuTitle, kStateHover), r, DRELM_WHITE);
        DRELM_RGBA c = skin.Colour(blocked ? kColMenuTextDisabled
                                   : open  ? kColMenuTextHover
                                           : kColMenuText);
        font->Print(t.rect.x + skin.Metrics().menuTitleBorder,
                    t.rect.y + (t.rect.height - font->Height()) / 2 - 1, t.label.c_str(), c);
    }
    if (!impl->menuNote.empty()) {
        // A red dot before the text, as a recorder shows that it records.
        const int height = MenuBarHeight();
        const int textWidth = font->TextWidth(impl->menuNote.c_str());
        const int dot = 8;
        const int x = ScreenWidth() - textWidth - dot - 16;
        DRELM_DrawRect(Rect(x, (height - dot) / 2, dot, dot), DRELM_RGBA(220, 50, 50));
        font->Print(x + dot + 6, (height - font->Height()) / 2 - 1, impl->menuNote.c_str(),
                    skin.Colour(kColMenuText));
    }
}

void GUI::DrawMenus() const {
    if (!MenuOpen()) return;
    const GUI_SkinMetrics& m = skin.Metrics();
    const DRELM_Font* font = skin.Font(kFontNormal);
    for (size_t level = 0; level < impl->menuPanels.size(); ++level) {
        const Rect& panel = impl->menuPanels[level];
        skin.DrawPart(skin.Part(kPartMenuCategory), panel, DRELM_WHITE);
        const auto* entries = Level(impl->menu, impl->menuPath, level);
        for (size_t i = 0; i < entries->size(); ++i) {
            const GUI_MenuNode& e = (*entries)[i];
            const Rect& r = e.rect;
            if (e.flags & GUI_MENU_SEPARATOR) {
                skin.DrawPart(skin.Part(kPartMenuLine), Rect(r.x + 6, r.y, r.width - 12, r.height),
                              DRELM_WHITE);
                continue;
            }
            const bool open =
                level + 1 < impl->menuPath.size() && impl->menuPath[level + 1] == int(i);
            const bool hover = impl->menuHover[level] == int(i) || open;
            const bool disabled = (e.flags & GUI_MENU_DISABLED) != 0;
            if (hover && !disabled)
                skin.DrawPart(kPartMenuEntry, kStateHover,
                              Rect(r.x + 1, r.y + 1, r.width - 2, r.height - 2));
            DRELM_RGBA c = skin.Colour(disabled ? kColMenuTextDisabled
                                       : hover  ? kColMenuTextHover
                                                : kColMenuText);
            const int textY = r.y + (r.height - font->Height()) / 2;
            if (e.flags & GUI_MENU_CHECKED) {
                GUI_PartFamily mark =
                    (e.flags & GUI_MENU_SELECTABLE) ? kPartMenuSelected : kPartMenuChecked;
                const GUI_SkinPart* p = skin.Part(mark);
                if (p) skin.DrawPart(p, Rect(r.x + 4, r.y, m.checkableSep - 6, r.height), c);
            }
            font->Print(r.x + m.checkableSep, textY, e.label.c_str(), c);
            if (!e.children.empty()) {
                const GUI_SkinPart* p = skin.Part(kPartMenuSubmenu);
                if (p) skin.DrawPart(p, Rect(r.Right() - p->w - 6, r.y, p->w, r.height), c);
            } else if (!e.shortcut.empty()) {
                font->PrintBW(r.Right() - m.menuEntryBorder, textY, e.shortcut.c_str(),
                              hover && !disabled ? c : skin.Colour(kColMenuShortcut));
            }
        }
    }
}
