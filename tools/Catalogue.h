#pragma once

#include <vector>

namespace tarvo::gen {

// One effect of the library. Control lines are written exactly as the layout text carries them;
// a line may be followed by "|" and the sentence that the information page prints for it, when the
// shared description of that control name would not fit this effect.
struct EffectDef {
    int index;
    const char* name;
    int category; // row of the browser's category list (categoryNames), -1 for effects it never lists
    int size;     // program size in bytes
    std::vector<const char*> pots;
    std::vector<const char*> twoState; // switches and buttons
    std::vector<const char*> multis;
    std::vector<const char*> readbacks;
    const char* intro;
    const char* tip;
};

const std::vector<EffectDef>& effects();

// The shared sentence for a control name, or nullptr.
const char* controlHelp(const char* name);

} // namespace tarvo::gen
