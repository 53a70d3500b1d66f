// Draws the default skin's picture from code and writes the skin file that names every
// part in it, so the look can be changed here and rebuilt instead of edited by hand.
//
// usage: skin-generator OUTPUT_DIR   (writes default.png and default.skin there)
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "Canvas.h"

namespace {

// The neutral greys of the default look; accent colours come from the themes, which tint
// the white colour parts at draw time.
constexpr Rgba kSurface = Hex(0x343b45);
constexpr Rgba kSurfaceHover = Hex(0x3f4754);
constexpr Rgba kSurfacePressed = Hex(0x272c33);
constexpr Rgba kSurfaceDisabled = Hex(0x292d33);
constexpr Rgba kBorder = Hex(0x5d6775);
constexpr Rgba kBorderHover = Hex(0x8a96a6);
constexpr Rgba kBorderPressed = Hex(0xa9b4c2);
constexpr Rgba kBorderDisabled = Hex(0x3b424b);
constexpr Rgba kField = Hex(0x131518);
constexpr Rgba kFieldRO = Hex(0x1e2227);
constexpr Rgba kOn = Hex(0xe3e8ee);
constexpr Rgba kOnHover = Hex(0xffffff);
constexpr Rgba kInk = Hex(0x121417);
constexpr Rgba kGlyph = Hex(0xb4bec9);
constexpr Rgba kWhite = Hex(0xffffff);
constexpr Rgba kLine = Hex(0x3d4550);

using Painter = std::function<void(Canvas&, int w, int h)>;

struct Part {
    std::string element;  // item, hitem, vitem, sitem, col, hcol, vcol, scol, icon
    std::string name;
    int w, h;
    std::vector<int> brd;
    std::vector<int> ext;
    int frames = 1, speed = 255;
    std::string ctype;
    Painter paint;
    int x = 0, y = 0;
};

std::vector<Part> parts;

void Add(const char* element, const std::string& name, int w, int h, std::vector<int> brd,
         Painter paint, std::vector<int> ext = {}) {
    parts.push_back(
        Part{element, name, w, h, std::move(brd), std::move(ext), 1, 255, "", std::move(paint)});
}

Painter Box(Rgba fill, Rgba border, float radius = 4) {
    return [=](Canvas& c, int w, int h) {
        c.RoundRect(0, 0, w, h, radius, border);
        c.RoundRect(1, 1, w - 2, h - 2, radius - 1, fill);
    };
}

Painter Then(Painter a, Painter b) {
    return [=](Canvas& c, int w, int h) {
        a(c, w, h);
        b(c, w, h);
    };
}

// Five looks of a push button: normal, under the mouse, pressed, disabled, and the second
// look for a button that is switched on.
void ButtonFamily(const std::string& name, int size, bool flat) {
    Rgba normalFill = flat ? Rgba{0, 0, 0, 0} : kSurface;
    Rgba normalBorder = flat ? Rgba{0, 0, 0, 0} : kBorder;
    std::vector<int> b{5, 5, 5, 5};
    Add("item", name, size, size, b, Box(normalFill, normalBorder));
    Add("item", name + "_R", size, size, b, Box(kSurfaceHover, kBorderHover));
    Add("item", name + "_P", size, size, b, Box(kSurfacePressed, kBorderPressed));
    Add("item", name + "_D", size, size, b,
        Box(flat ? Rgba{0, 0, 0, 0} : kSurfaceDisabled, flat ? Rgba{0, 0, 0, 0} : kBorderDisabled));
    Add("item", name + "2", size, size, b, Box(kOn, kOn));
    Add("item", name + "2_R", size, size, b, Box(kOnHover, kOnHover));
    Add("item", name + "2_D", size, size, b, Box(Hex(0x6f7884), Hex(0x6f7884)));
}

Painter Arrow(int dir, Rgba c, Painter under = nullptr) {
    return [=](Canvas& cv, int w, int h) {
        if (under) under(cv, w, h);
        float cx = w / 2.0f, cy = h / 2.0f, s = std::min(w, h) * 0.22f;
        switch (dir) {
            case 0:
                cv.Triangle(cx - s, cy + s / 2, cx + s, cy + s / 2, cx, cy - s / 2 - 1, c);
                break;
            case 1:
                cv.Triangle(cx - s, cy - s / 2, cx + s, cy - s / 2, cx, cy + s / 2 + 1, c);
                break;
            case 2:
                cv.Triangle(cx + s / 2, cy - s, cx + s / 2, cy + s, cx - s / 2 - 1, cy, c);
                break;
            default:
                cv.Triangle(cx - s / 2, cy - s, cx - s / 2, cy + s, cx + s / 2 + 1, cy, c);
                break;
        }
    };
}

Painter Check(Rgba c, float thickness = 2.0f) {
    return [=](Canvas& cv, int w, int h) {
        cv.Line(w * 0.24f, h * 0.52f, w * 0.42f, h * 0.70f, thickness, c);
        cv.Line(w * 0.42f, h * 0.70f, w * 0.76f, h * 0.30f, thickness, c);
    };
}

void Buttons() {
    ButtonFamily("GT_BUTTON", 24, false);
    ButtonFamily("GT_MBUTTON", 20, false);
    ButtonFamily("GT_SPEEDBUTTON", 20, true);
    ButtonFamily("GT_SPEEDCHECKBUTTON", 20, true);
    ButtonFamily("GT_SPEEDSELECTBUTTON", 20, true);
    ButtonFamily("GT_CHECKBUTTON", 24, false);
    ButtonFamily("GT_SELECTBUTTON", 24, false);
    ButtonFamily("GT_SELECTBOX", 24, false);
}

void CheckBoxes() {
    auto box = [](Rgba fill, Rgba border) { return Box(fill, border, 3); };
    Add("sitem", "GT_CHECKBOX", 18, 18, {}, box(kField, Hex(0x737e8d)));
    Add("sitem", "GT_CHECKBOX_R", 18, 18, {}, box(kField, Hex(0xb9c3cf)));
    Add("sitem", "GT_CHECKBOX_P", 18, 18, {}, box(kSurfacePressed, kBorderPressed));
    Add("sitem", "GT_CHECKBOX_D", 18, 18, {}, box(kSurfaceDisabled, kBorderDisabled));
    Add("sitem", "GT_CHECKBOX_CHECKED", 18, 18, {}, Then(box(kOn, kOn), Check(kInk)));
    Add("sitem", "GT_CHECKBOX_CHECKED_R", 18, 18, {}, Then(box(kOnHover, kOnHover), Check(kInk)));
    Add("sitem", "GT_CHECKBOX_CHECKED_D", 18, 18, {},
        Then(box(Hex(0x5b6470), Hex(0x5b6470)), Check(Hex(0x2a2f36))));
}

void TextGadgets() {
    std::vector<int> b{4, 4, 4, 4};
    for (const char* g : {"GT_TEXTLINE", "GT_TEXTFIELD"}) {
        std::string n = g;
        Add("item", n, 24, 24, b, Box(kField, kBorder));
        Add("item", n + "_R", 24, 24, b, Box(kField, kBorderHover));
        Add("item", n + "2", 24, 24, b, Box(Hex(0x0c0d0f), Hex(0xd5dce4)));
        Add("item", n + "_D", 24, 24, b, Box(kSurfaceDisabled, kBorderDisabled));
        Add("item", n + "_RO", 24, 24, b, Box(kFieldRO, Hex(0x444c57)));
    }
    // The text cursor blinks: the second frame below the first is empty.
    parts.push_back(
        Part{"vcol", "GT_TEXTLINE_CUR", 2, 16, {0, 0}, {}, 2, 50, "", [](Canvas& c, int w, int h) {
                 c.Fill(0, 0, w, h, kWhite);
             }});
    Add("col", "GT_TEXTLINE_SEL", 8, 8, {2, 2, 2, 2},
        [](Canvas& c, int w, int h) { c.RoundRect(0, 0, w, h, 2, kWhite); });
}

void Lists() {
    Add("item", "GT_LIST_BG", 24, 24, {4, 4, 4, 4}, Box(kField, kBorder));
    Add("item", "GT_LIST_BG2", 24, 24, {4, 4, 4, 4}, Box(kField, Hex(0xd5dce4)));
    Add("item", "GT_LIST_BG_D", 24, 24, {4, 4, 4, 4}, Box(kSurfaceDisabled, kBorderDisabled));
    Add("col", "GT_LIST_SEL", 8, 8, {2, 2, 2, 2},
        [](Canvas& c, int w, int h) { c.RoundRect(0, 0, w, h, 2, kWhite); });
    Add("item", "GT_LIST_CUR", 8, 8, {3, 3, 3, 3},
        [](Canvas& c, int w, int h) { c.RoundFrame(0, 0, w, h, 2, 1, Hex(0xe3e8ee)); });
    auto header = [](Rgba fill) {
        return [=](Canvas& c, int w, int h) {
            c.Fill(0, 0, w, h, fill);
            c.Fill(0, h - 1, w, 1, Hex(0x56606d));
        };
    };
    Add("hitem", "GT_LIST_COLUMN", 8, 20, {1, 1}, header(Hex(0x272c33)));
    Add("hitem", "GT_LIST_COLUMN_R", 8, 20, {1, 1}, header(Hex(0x313842)));
    Add("hitem", "GT_LIST_COLUMN_P", 8, 20, {1, 1}, header(Hex(0x1d2126)));
    Add("vitem", "GT_LIST_LINE", 1, 8, {0, 0},
        [](Canvas& c, int w, int h) { c.Fill(0, 0, w, h, kLine); });
}

void ScrollBars() {
    auto track = [](Canvas& c, int w, int h) { c.RoundRect(0, 0, w, h, 4, Hex(0x181b1f)); };
    auto grip = [](Rgba col, bool vertical) {
        return [=](Canvas& c, int w, int h) {
            if (vertical)
                c.RoundRect(3, 1, w - 6, h - 2, (w - 6) / 2.0f, col);
            else
                c.RoundRect(1, 3, w - 2, h - 6, (h - 6) / 2.0f, col);
        };
    };
    const Rgba grips[3] = {Hex(0x59636f), Hex(0x7d8896), Hex(0xa3aebb)};
    const char* states[3] = {"", "_R", "_P"};
    Add("vitem", "GT_VSCRBAR_BG", 14, 24, {5, 5}, track);
    Add("hitem", "GT_HSCRBAR_BG", 24, 14, {5, 5}, track);
    for (int s = 0; s < 3; ++s) {
        Add("vitem", std::string("GT_VSCRBAR_GRIP") + states[s], 14, 24, {6, 6},
            grip(grips[s], true));
        Add("hitem", std::string("GT_HSCRBAR_GRIP") + states[s], 24, 14, {6, 6},
            grip(grips[s], false));
    }
    const Rgba fills[4] = {Rgba{0, 0, 0, 0}, kSurfaceHover, kSurfacePressed, Rgba{0, 0, 0, 0}};
    const Rgba inks[4] = {kGlyph, kWhite, kWhite, Hex(0x4a525d)};
    const char* bstates[4] = {"", "_R", "_P", "_D"};
    const char* names[4] = {"GT_VSCRBAR_UP", "GT_VSCRBAR_DOWN", "GT_HSCRBAR_LEFT",
                            "GT_HSCRBAR_RIGHT"};
    for (int d = 0; d < 4; ++d)
        for (int s = 0; s < 4; ++s)
            Add("sitem", std::string(names[d]) + bstates[s], 14, 14, {},
                Arrow(d, inks[s],
                      [=](Canvas& c, int w, int h) { c.RoundRect(0, 0, w, h, 3, fills[s]); }));
}

void SlidersAndGauges() {
    Add("hitem", "GT_HSLIDER_BG", 24, 20, {4, 4}, [](Canvas& c, int w, int h) {
        c.RoundRect(0, h / 2 - 3, w, 6, 3, kField);
        c.RoundFrame(0, h / 2 - 3, w, 6, 3, 1, kBorder);
    });
    Add("vitem", "GT_VSLIDER_BG", 20, 24, {4, 4}, [](Canvas& c, int w, int h) {
        c.RoundRect(w / 2 - 3, 0, 6, h, 3, kField);
        c.RoundFrame(w / 2 - 3, 0, 6, h, 3, 1, kBorder);
    });
    Add("hcol", "GT_HSLIDER_FILLING", 24, 20, {4, 4},
        [](Canvas& c, int w, int h) { c.RoundRect(0, h / 2 - 3, w, 6, 3, kWhite); });
    Add("vcol", "GT_VSLIDER_FILLING", 20, 24, {4, 4},
        [](Canvas& c, int w, int h) { c.RoundRect(w / 2 - 3, 0, 6, h, 3, kWhite); });
    const Rgba knobs[4] = {kOn, kOnHover, Hex(0xbcc5d0), Hex(0x555e69)};
    const char* states[4] = {"", "_R", "_P", "_D"};
    for (int s = 0; s < 4; ++s) {
        auto knob = [=](Canvas& c, int w, int h) {
            c.Disc(w / 2.0f, h / 2.0f, w / 2.0f, Hex(0x0b0c0e, 160));
            c.Disc(w / 2.0f, h / 2.0f, w / 2.0f - 1.5f, knobs[s]);
        };
        Add("sitem", std::string("GT_HSLIDER_GRIP") + states[s], 16, 16, {}, knob);
        Add("sitem", std::string("GT_VSLIDER_GRIP") + states[s], 16, 16, {}, knob);
    }
    Add("hitem", "GT_HGAUGE_BG", 16, 12, {4, 4}, Box(kField, kBorder, 3));
    Add("vitem", "GT_VGAUGE_BG", 12, 16, {4, 4}, Box(kField, kBorder, 3));
    Add("hcol", "GT_HGAUGE_FILLING", 16, 12, {3, 3},
        [](Canvas& c, int w, int h) { c.RoundRect(1, 1, w - 2, h - 2, 2, kWhite); });
    Add("vcol", "GT_VGAUGE_FILLING", 12, 16, {3, 3},
        [](Canvas& c, int w, int h) { c.RoundRect(1, 1, w - 2, h - 2, 2, kWhite); });
    Add("item", "GT_PROGRESSBAR_BG", 24, 20, {5, 5, 5, 5}, Box(kField, kBorder));
    // Stripes drift to the right over four frames, so a running job looks alive.
    Part bar{"col",
             "GT_PROGRESSBAR_FILLING",
             24,
             20,
             {4, 4, 4, 4},
             {},
             4,
             8,
             "",
             [](Canvas& c, int w, int h) { c.RoundRect(1, 1, w - 2, h - 2, 3, kWhite); }};
    parts.push_back(bar);
}

void FramesAndSpacers() {
    Add("item", "GT_FRAME", 16, 16, {5, 5, 5, 5},
        [](Canvas& c, int w, int h) { c.RoundFrame(0, 0, w, h, 4, 1, Hex(0x4b5460)); });
    Add("hitem", "GT_HSPACE_BAR", 8, 8, {0, 0},
        [](Canvas& c, int w, int) { c.Fill(0, 3, w, 1, kLine); });
    Add("vitem", "GT_VSPACE_BAR", 8, 8, {0, 0},
        [](Canvas& c, int, int h) { c.Fill(3, 0, 1, h, kLine); });
    Add("item", "GT_IMAGE", 8, 8, {2, 2, 2, 2},
        [](Canvas& c, int w, int h) { c.RoundFrame(0, 0, w, h, 2, 1, Hex(0x4b5460)); });
    // The focus ring lies two pixels outside the gadget and is tinted by the theme.
    Add("col", "GT_ACTIVE_BORDER", 20, 20, {6, 6, 6, 6},
        [](Canvas& c, int w, int h) { c.RoundFrame(0, 0, w, h, 6, 2, kWhite); }, {2, 2, 2, 2});
}

void Windows() {
    // Borders carry a soft shadow outside the window: four pixels drawn beyond its box.
    auto frame = [](Rgba border) {
        return [=](Canvas& c, int w, int h) {
            for (int i = 0; i < 4; ++i)
                c.RoundFrame(i, i + 1, w - 2 * i, h - 2 * i - 1, 9 - i, 1,
                             Hex(0x000000, 18 + i * 14));
            c.RoundFrame(4, 4, w - 8, h - 8, 5, 1, border);
        };
    };
    Add("item", "WIN_MAIN_BORDER", 24, 24, {10, 10, 10, 10}, frame(Hex(0x4a525e)), {4, 4, 4, 4});
    Add("item", "WINF_MAIN_BORDER", 24, 24, {10, 10, 10, 10}, frame(Hex(0x8590a0)), {4, 4, 4, 4});
    Add("item", "WINM_MAIN_BORDER", 24, 24, {10, 10, 10, 10}, frame(Hex(0xaab5c3)), {4, 4, 4, 4});
    Add("col", "WIN_MAIN_BACK", 16, 16, {6, 6, 6, 6},
        [](Canvas& c, int w, int h) { c.RoundRect(0, 0, w, h, 5, kWhite); });
    auto title = [](Rgba top, Rgba bottom, Rgba line) {
        return [=](Canvas& c, int w, int h) {
            c.RoundRectGradient(0, 0, w, h + 6, 5, top, bottom);
            c.Fill(0, h - 1, w, 1, line);
        };
    };
    Add("hitem", "WIN_TITLEBAR", 24, 26, {6, 6},
        title(Hex(0x272b31), Hex(0x23272c), Hex(0x353c45)));
    Add("hitem", "WINF_TITLEBAR", 24, 26, {6, 6},
        title(Hex(0x3a4350), Hex(0x323a45), Hex(0x55606e)));
    auto cross = [](Rgba ink, Rgba disc) {
        return [=](Canvas& c, int w, int h) {
            if (disc.a) c.Disc(w / 2.0f, h / 2.0f, w / 2.0f, disc);
            float m = w * 0.32f;
            c.Line(m, m, w - m, h - m, 1.6f, ink);
            c.Line(w - m, m, m, h - m, 1.6f, ink);
        };
    };
    auto square = [](Rgba ink, Rgba disc) {
        return [=](Canvas& c, int w, int h) {
            if (disc.a) c.Disc(w / 2.0f, h / 2.0f, w / 2.0f, disc);
            float m = w * 0.3f;
            c.RoundFrame(m, m, w - 2 * m, h - 2 * m, 1, 1.4f, ink);
        };
    };
    for (auto [suffix, size] : {std::pair<const char*, int>{"", 18}, {"_S", 14}}) {
        std::string s = suffix;
        Add("sitem", "GT_WINDOW_CLOSE" + s, size, size, {}, cross(kGlyph, Rgba{0, 0, 0, 0}));
        Add("sitem", "GT_WINDOW_CLOSE_R" + s, size, size, {}, cross(kWhite, Hex(0xc8453f)));
        Add("sitem", "GT_WINDOW_CLOSE_P" + s, size, size, {}, cross(kWhite, Hex(0x8f2f2b)));
        Add("sitem", "GT_WINDOW_MAXIMIZE" + s, size, size, {}, square(kGlyph, Rgba{0, 0, 0, 0}));
        Add("sitem", "GT_WINDOW_MAXIMIZE_R" + s, size, size, {}, square(kWhite, Hex(0x4a5361)));
        Add("sitem", "GT_WINDOW_MAXIMIZE_P" + s, size, size, {}, square(kWhite, Hex(0x2a3038)));
    }
    Add("sitem", "GT_WINDOW_RESIZE", 12, 12, {}, [](Canvas& c, int w, int h) {
        for (int i = 0; i < 3; ++i)
            c.Line(w - 2 - i * 4, h - 2, w - 2, h - 2 - i * 4, 1.2f, Hex(0x7d8896));
    });
}

void Menus() {
    Add("hitem", "MENU_BAR", 8, 24, {0, 0}, [](Canvas& c, int w, int h) {
        c.Fill(0, 0, w, h, Hex(0x24282e));
        c.Fill(0, h - 1, w, 1, Hex(0x3d4550));
    });
    Add("item", "MENU_TITLE_R", 12, 12, {4, 4, 4, 4}, Box(kSurfaceHover, kSurfaceHover));
    Add("item", "MENU_TITLE_P", 12, 12, {4, 4, 4, 4}, Box(Hex(0x4b5463), Hex(0x6d7889)));
    Add("item", "MENU_CATEGORY", 24, 24, {10, 10, 10, 10},
        [](Canvas& c, int w, int h) {
            for (int i = 0; i < 4; ++i)
                c.RoundFrame(i, i + 1, w - 2 * i, h - 2 * i - 1, 9 - i, 1,
                             Hex(0x000000, 30 + i * 20));
            c.RoundRect(4, 4, w - 8, h - 8, 5, Hex(0x6a7585));
            c.RoundRect(5, 5, w - 10, h - 10, 4, Hex(0x262b32));
        },
        {4, 4, 4, 4});
    Add("col", "MENU_ENTRY_R", 8, 8, {3, 3, 3, 3},
        [](Canvas& c, int w, int h) { c.RoundRect(0, 0, w, h, 3, kWhite); });
    Add("hitem", "MENU_ENTRY_LINE", 8, 7, {0, 0},
        [](Canvas& c, int w, int) { c.Fill(0, 3, w, 1, Hex(0x464e5a)); });
    Add("sitem", "MENU_ENTRY_CHECKED", 14, 14, {}, Check(kWhite, 1.8f));
    Add("sitem", "MENU_ENTRY_SELECTED", 14, 14, {},
        [](Canvas& c, int w, int h) { c.Disc(w / 2.0f, h / 2.0f, 3.2f, kWhite); });
    Add("sitem", "MENU_ENTRY_SUBMENU", 14, 14, {}, Arrow(3, kWhite));
}

void Icons() {
    auto icon = [](const char* name, Painter p) {
        parts.push_back(Part{"icon", name, 12, 12, {}, {}, 1, 255, "single", p});
    };
    icon("ICON_MINUS",
         [](Canvas& c, int w, int h) { c.Line(2.5f, h / 2.0f, w - 2.5f, h / 2.0f, 1.8f, kWhite); });
    icon("ICON_PLUS", [](Canvas& c, int w, int h) {
        c.Line(2.5f, h / 2.0f, w - 2.5f, h / 2.0f, 1.8f, kWhite);
        c.Line(w / 2.0f, 2.5f, w / 2.0f, h - 2.5f, 1.8f, kWhite);
    });
    icon("ICON_FINE_MINUS", [](Canvas& c, int w, int h) {
        c.Line(w * 0.62f, 3, w * 0.36f, h / 2.0f, 1.6f, kWhite);
        c.Line(w * 0.36f, h / 2.0f, w * 0.62f, h - 3, 1.6f, kWhite);
    });
    icon("ICON_FINE_PLUS", [](Canvas& c, int w, int h) {
        c.Line(w * 0.38f, 3, w * 0.64f, h / 2.0f, 1.6f, kWhite);
        c.Line(w * 0.64f, h / 2.0f, w * 0.38f, h - 3, 1.6f, kWhite);
    });
    icon("ICON_CHOICE", [](Canvas& c, int w, int h) {
        c.Triangle(2.5f, 5, w - 2.5f, 5, w / 2.0f, 1, kWhite);
        c.Triangle(2.5f, h - 5, w - 2.5f, h - 5, w / 2.0f, h - 1, kWhite);
    });
    icon("ICON_FOLDER", [](Canvas& c, int w, int h) {
        c.RoundRect(0.5f, 1.5f, 5, 3, 1, kWhite);
        c.RoundRect(0.5f, 3, w - 1, h - 4.5f, 1.5f, kWhite);
    });
    icon("ICON_FILE", [](Canvas& c, int w, int h) {
        c.RoundFrame(2, 0.5f, w - 4, h - 1, 1.5f, 1.2f, kWhite);
        c.Line(4.5f, 4.5f, w - 4.5f, 4.5f, 1, kWhite);
        c.Line(4.5f, 7.5f, w - 4.5f, 7.5f, 1, kWhite);
    });
    icon("ICON_DRIVE", [](Canvas& c, int w, int h) {
        c.RoundFrame(0.5f, 3, w - 1, h - 6, 1.5f, 1.2f, kWhite);
        c.Disc(w - 3.5f, h / 2.0f, 1.1f, kWhite);
    });
    icon("ICON_CHECK", Check(kWhite, 1.8f));
    // A four-state icon: the GUI picks the cell for normal, hover, pressed and disabled.
    parts.push_back(
        Part{"icon", "ICON_HELP", 64, 16, {}, {}, 1, 255, "multi", [](Canvas& c, int, int h) {
                 const Rgba discs[4] = {Hex(0x3b82d6), Hex(0x5a9ae6), Hex(0x2c66ad), Hex(0x4a525d)};
                 for (int i = 0; i < 4; ++i) {
                     float cx = i * 16 + 8.0f, cy = h / 2.0f;
                     c.Disc(cx, cy, 7.5f, discs[i]);
                     c.Line(cx - 2, cy - 2.5f, cx, cy - 4, 1.6f, kWhite);
                     c.Line(cx, cy - 4, cx + 2.2f, cy - 2.3f, 1.6f, kWhite);
                     c.Line(cx + 2.2f, cy - 2.3f, cx, cy + 0.5f, 1.6f, kWhite);
                     c.Line(cx, cy + 0.5f, cx, cy + 1.5f, 1.6f, kWhite);
                     c.Disc(cx, cy + 4.2f, 1.1f, kWhite);
                 }
             }});
}

// Shelf packing: tallest parts first, left to right, two pixels apart so that stretched
// edges never pick up a neighbour.
int Place(int width) {
    std::vector<Part*> order;
    for (auto& p : parts) order.push_back(&p);
    std::stable_sort(order.begin(), order.end(),
                     [](Part* a, Part* b) { return a->h * a->frames > b->h * b->frames; });
    int x = 0, y = 0, shelf = 0;
    for (Part* p : order) {
        int h = p->h * p->frames;
        if (x + p->w > width) {
            x = 0;
            y += shelf + 2;
            shelf = 0;
        }
        p->x = x;
        p->y = y;
        x += p->w + 2;
        shelf = std::max(shelf, h);
    }
    return y + shelf;
}

std::string List(const std::vector<int>& v) {
    std::string s;
    for (size_t i = 0; i < v.size(); ++i) s += (i ? "," : "") + std::to_string(v[i]);
    return s;
}

const char* kHeader = R"(<!-- Tonweave default skin. This file and default.png are written by
     tools/skin-generator: change the generator and run it again rather than editing here. -->
<skin name="Tonweave Default" author="Tonweave developers" picture="default.png">
  <font name="normal" filename="../fonts/DejaVuSans.ttf" size=13/>
  <font name="bold" filename="../fonts/DejaVuSans-Bold.ttf" size=13/>
  <font name="mono" filename="../fonts/DejaVuSansMono.ttf" size=13/>
  <font name="small" filename="../fonts/DejaVuSans.ttf" size=11/>
  <include_themes name="default.themes"/>

  <!-- Layout, in pixels. -->
  <config name="height" value=24/>
  <config name="min_height" value=24/>
  <config name="min_width" value=72/>
  <config name="btn_brd" value=14/>
  <config name="btn_sepw" value=4/>
  <config name="btn_icon_pos" value=0/>
  <config name="layout_gadget_sepw" value=10/>
  <config name="layout_gadget_seph" value=8/>
  <config name="layout_label_sepw" value=8/>
  <config name="main_brd" value=14/>
  <config name="main_f_brd" value=14/>
  <config name="main_m_brd" value=0/>
  <config name="titlebar_brd" value=10/>
  <config name="titlebar_gadget_sepw" value=6/>
  <config name="titlebar_gadget_text_sepw" value=8/>
  <config name="use_titlebar_colors_for_border" value=0/>
  <config name="label_rect_brd" value=6/>
  <config name="label_text_brd" value=4/>
  <config name="text_brd" value=6/>
  <config name="text_sepw" value=8/>
  <config name="text_pos" value=0/>
  <config name="text2_separation_width" value=16/>
  <config name="cursor_size" value=2/>
  <config name="col_brd" value=6/>
  <config name="clip_brd" value=2/>
  <config name="brd_l" value=6/>
  <config name="spacing" value=2/>
  <config name="vscrbar_sepw" value=14/>
  <config name="hscrbar_seph" value=14/>
  <config name="grip_in_front" value=1/>
  <config name="sel_in_front" value=0/>
  <config name="icon_size" value=12/>
  <config name="icon_pos" value=0/>
  <config name="icon_height" value=12/>
  <config name="icon_sepw" value=6/>
  <config name="entry_icon_sepw" value=6/>
  <config name="main" value=0/>
  <config name="width" value=0/>
  <config name="bar_brd" value=4/>
  <config name="title_brd" value=10/>
  <config name="title_separation_width" value=2/>
  <config name="category_brd" value=5/>
  <config name="category_pos" value=0,2/>
  <config name="sub_category_pos" value=2,-5/>
  <config name="entry_brd" value=10/>
  <config name="entry_bar_height" value=22/>
  <config name="shortcut_separation_width" value=28/>
  <config name="checkable_separation_width" value=22/>

  <!-- Parts: rect is x, y, width, height in the picture. -->
)";

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: skin-generator OUTPUT_DIR\n");
        return 2;
    }
    std::string dir = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    Buttons();
    CheckBoxes();
    TextGadgets();
    Lists();
    ScrollBars();
    SlidersAndGauges();
    FramesAndSpacers();
    Windows();
    Menus();
    Icons();

    const int width = 256;
    int height = Place(width);
    Canvas canvas(width, height);
    for (auto& p : parts)
        for (int f = 0; f < p.frames; ++f) {
            canvas.SetOrigin(p.x, p.y + f * p.h);
            bool blinkOff = p.name == "GT_TEXTLINE_CUR" && f == 1;
            if (!blinkOff) p.paint(canvas, p.w, p.h);
            if (p.name == "GT_PROGRESSBAR_FILLING") {
                // Darker diagonal stripes, moved by a quarter period per frame.
                for (int y = 1; y < p.h - 1; ++y)
                    for (int x = 1; x < p.w - 1; ++x)
                        if (((x - y + f * 3 + 48) / 6) % 2 == 0)
                            canvas.Blend(x, y, Hex(0x000000, 40), 1);
            }
        }
    if (!canvas.SavePng(dir + "/default.png")) {
        std::fprintf(stderr, "skin-generator: cannot write %s/default.png\n", dir.c_str());
        return 1;
    }

    std::string skin = kHeader;
    for (const auto& p : parts) {
        std::string line =
            "  <" + p.element + " name=\"" + p.name + "\" rect=" + List({p.x, p.y, p.w, p.h});
        if (p.element == "icon") {
            line += " ctype=\"" + p.ctype + "\"";
        } else {
            if (!p.brd.empty() && p.element != "sitem" && p.element != "scol")
                line += " brd=" + List(p.brd);
            if (!p.ext.empty()) line += " ext=" + List(p.ext);
            if (p.frames > 1) line += " anim=" + List({p.frames, p.speed});
        }
        skin += line + "/>\n";
    }
    skin += "</skin>\n";
    FILE* out = std::fopen((dir + "/default.skin").c_str(), "wb");
    if (!out || std::fwrite(skin.data(), 1, skin.size(), out) != skin.size() ||
        std::fclose(out) != 0) {
        std::fprintf(stderr, "skin-generator: cannot write %s/default.skin\n", dir.c_str());
        return 1;
    }
    std::printf("skin-generator: %zu parts, picture %dx%d\n", parts.size(), width, height);
    return 0;
}
