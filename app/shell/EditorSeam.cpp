// The shell's side of the editor seam.
#include "app/shell/EditorSeam.h"

namespace {

EditorValues gFallbackValues;

}  // namespace

EditorSeam& Editor() {
    static EditorSeam seam;
    if (seam.values == nullptr) seam.values = &gFallbackValues;
    return seam;
}

EditorValues& EditValues() { return *Editor().values; }

bool ModuleHasChanges() {
    const EditorSeam& seam = Editor();
    return seam.hasChanges && seam.hasChanges();
}
