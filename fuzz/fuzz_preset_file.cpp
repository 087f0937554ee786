// A preset file's text as Load Preset takes it: line ends joined, checked against the controls
// shown, and then read field by field.
#include "params/PresetFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    std::vector<ControlScale> controls;
    for (int i = 0; i < data[0] % 17; ++i)
        controls.push_back({static_cast<ControlInfo::Kind>(i % 4), static_cast<std::uint32_t>(2 + i % 5)});
    const QString text = joinLinesWithCrLf(
        QString::fromUtf8(reinterpret_cast<const char*>(data + 2), static_cast<qsizetype>(size - 2)));
    const CheckedPreset checked = checkPresetText(text, data[1], controls);
    if (checked.ok() && checked.fields->values.size() != controls.size())
        __builtin_trap(); // an accepted file sets every control shown, and no more
    parsePresetFields(text, {});
    return 0;
}
