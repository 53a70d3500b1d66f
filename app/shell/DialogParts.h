// Builders for gadget descriptions, so that a dialog reads as one line per gadget, and the
// "Sound chip" group that the module settings and the four import dialogs share.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gui/Gui.h"

namespace dialog {

inline GUI_GadgetDesc Gadget(GUI_GadgetKind kind, int row, int column, int columns,
                             const char* label, uint32_t flags = 0) {
    GUI_GadgetDesc d;
    d.kind = kind;
    d.row = int16_t(row);
    d.column = int16_t(column);
    d.columns = int16_t(columns);
    d.label = label;
    d.flags = flags;
    return d;
}

inline GUI_GadgetDesc Group(int row, int column, int columns, int rows, const char* label) {
    GUI_GadgetDesc d = Gadget(GT_FRAME_LABEL, row, column, columns, label);
    d.rows = int16_t(rows);
    return d;
}

// A number field: `format` "%2D", "%2D.%3D" (scale 8) or "%2X".
inline GUI_GadgetDesc Number(int row, int column, int columns, const char* label,
                             const char* format, int min, int max, int value, int step = 1) {
    GUI_GadgetDesc d = Gadget(GT_TEXTLINE, row, column, columns, label);
    d.text = format;
    d.min = min;
    d.max = max;
    d.value = value;
    d.step = step;
    return d;
}

inline GUI_GadgetDesc Text(int row, int column, int columns, const char* label, const char* format,
                           const char* content, uint32_t flags = 0) {
    GUI_GadgetDesc d = Gadget(GT_TEXTLINE, row, column, columns, label, flags);
    d.text = format;
    d.content = content;
    return d;
}

// A cycle of choices; `value` -1 shows none.
inline GUI_GadgetDesc Choice(int row, int column, int columns, const char* label,
                             const char* choices, int value) {
    GUI_GadgetDesc d = Gadget(GT_SELECTBOX, row, column, columns, label);
    d.text = choices;
    d.value = value;
    return d;
}

inline GUI_GadgetDesc List(int row, int column, int columns, int visibleRows, const char* label) {
    GUI_GadgetDesc d = Gadget(GT_LIST, row, column, columns, label);
    d.height = int16_t(visibleRows);
    return d;
}

// A column of the list before it, `width` pixels wide (0: the room left).
inline GUI_GadgetDesc Column(const char* title, int width) {
    GUI_GadgetDesc d = Gadget(GT_LIST_COL, 0, 0, 1, title);
    d.width = int16_t(width);
    return d;
}

inline GUI_GadgetDesc OkayButton(int row, int column, int columns, const char* label = "Okay") {
    return Gadget(GT_BUTTON, row, column, columns, label, GUI_DEFAULT);
}

inline GUI_GadgetDesc CancelButton(int row, int column, int columns) {
    return Gadget(GT_BUTTON, row, column, columns, "Cancel", GUI_CANCEL);
}

constexpr const char* kChipTypeChoices = "NTSC (60Hz)\nPAL (50Hz)";
constexpr const char* kDividerChoices = "1x\n2x";

// The "Sound chip" group over two columns from `column`: "Type:" and "Frequency divider:"
// on one row, two gadgets. -1 leaves a setting unset.
inline void AddChipGroup(std::vector<GUI_GadgetDesc>& d, int row, int column, int type,
                         int divider) {
    d.push_back(Group(row, column, 4, 1, "Sound chip"));
    d.push_back(Choice(row, column, 2, "Type:", kChipTypeChoices, type));
    d.push_back(Choice(row, column + 2, 2, "Frequency divider:", kDividerChoices, divider));
}

}  // namespace dialog
