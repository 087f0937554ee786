// The main window's preset files: the settings of the effect shown, kept on the computer.

#include "app/TformMain.h"

#include "ProductData.h"
#include "app/EditorApp.h"
#include "params/PresetFile.h"
#include "params/ui/TformFXParameters.h"

namespace {
const QString kPresetFilter = QStringLiteral("Preset files (*.txt)");
} // namespace

std::optional<PresetContent> TformMain::presetOfShownEffect(bool windowOpen) {
    const EditorState& s = ctx.state;
    // Values of another effect, or none at all, would make a preset that lies about this one.
    if (s.selectedEffectName.isEmpty() || s.parameterValuesEffect != s.selectedEffectName || !windowOpen ||
        s.parameterValues.size() < s.numOfParameters) {
        ctx.services.showMessage(
            QStringLiteral("There are no values of %1 to save yet: press Request to read "
                           "them from the pedal first.")
                .arg(s.selectedEffectName.isEmpty() ? QStringLiteral("an effect") : s.selectedEffectName));
        return std::nullopt;
    }
    PresetContent content;
    // By the effect shown: an effect the pedal switched to by itself leaves effectNumber behind.
    const int shown = ProductData::catalogueIndexOf(s.selectedEffectName);
    content.effectNumber = shown > 0 ? shown : s.effectNumber;
    content.effectVersion = s.effectVersion;
    const std::uint32_t n = std::min<std::uint32_t>(s.numOfParameters, kMaxParameters);
    content.values.assign(s.parameterValues.begin(), s.parameterValues.begin() + n);
    content.assignCodes.assign(s.assignCodes.begin(), s.assignCodes.begin() + n);
    content.readbackCodes.assign(s.readbackCodes.begin(),
                                 s.readbackCodes.begin() +
                                     std::min<std::uint32_t>(s.numOfReadbacks, kMaxReadbacks));
    return content;
}

void TformMain::menuSaveConfigurationClick() {
    if (const std::optional<PresetContent> content = presetOfShownEffect(true))
        SaveTextWithDialog(composePresetText(*content), ctx.state.selectedEffectName);
}

void TformMain::SaveTextWithDialog(const QString& TextContent, const QString& NameOfFile) {
    const FileResult folder = ensurePresetFolder(ctx.services);
    const QString start = folder.ok ? folder.text + QLatin1Char('/') + NameOfFile : NameOfFile;
    const QString chosen =
        ctx.services.saveFileName(QStringLiteral("Save Preset File"), kPresetFilter, start);
    if (chosen.isEmpty())
        return;
    const QString path = presetPathWithExtension(chosen);
    const FileResult written = writePresetFile(path, TextContent);
    ctx.services.showMessage(written.ok ? QStringLiteral("File saved successfully: ") + path
                                        : QStringLiteral("Error saving file: ") + written.error);
}

QString TformMain::OpenPresetFile(QString& path) {
    const FileResult folder = ensurePresetFolder(ctx.services);
    path = ctx.services.openFileName(QStringLiteral("Open Preset File"), kPresetFilter,
                                     folder.ok ? folder.text : QString());
    if (path.isEmpty())
        return {};
    const FileResult read = readPresetFile(path);
    if (!read.ok) {
        ctx.services.showMessage(QStringLiteral("Error loading file: ") + read.error);
        return {};
    }
    return read.text;
}

void TformMain::menuLoadConfigurationClick() {
    QString path;
    const QString text = OpenPresetFile(path);
    ctx.console.log(text);
    if (text.isEmpty())
        return;
    // Values land only in the controls of the effect shown, and only when the whole file fits it.
    const QString shown = ctx.state.selectedEffectName;
    const std::optional<EffectControls> controls = loadEffectControls(resources_, shown);
    if (!windows.formFXParameters->isBuilt() || !controls) {
        ctx.services.showMessage(
            QStringLiteral("Open the effect the preset is for first: its values go into the "
                           "parameter window. Nothing was loaded."));
        return;
    }
    const CheckedPreset checked = checkPresetText(text, ProductData::catalogueIndexOf(shown), *controls);
    if (!checked.ok()) {
        ctx.services.showMessage(checked.error);
        return;
    }
    // Loaded only now: a file refused above was never loaded, whatever it was read from.
    ctx.services.showMessage(QStringLiteral("File loaded successfully: ") + path);
    applyPreset(*checked.fields);
}

void TformMain::applyPreset(const PresetFields& fields) {
    EditorState& s = ctx.state;
    s.effectNumber = fields.effectNumber;
    s.effectVersion = fields.effectVersion;
    s.numOfParameters = fields.parameterCount;
    s.parameterValues = fields.values;
    s.parameterValuesEffect = s.selectedEffectName;
    // The controls' own handlers send what changed, as a player's moves would; but only to a
    // pedal that runs this effect.
    const bool send = s.effectOnPedalSelected;
    s.requestInProgress = !send;
    const auto clear = onScopeExit([&s] { s.requestInProgress = false; });
    windows.formFXParameters->setItems();
    if (!send)
        ctx.services.showMessage(
            QStringLiteral("The preset's values are shown. The pedal runs another effect, "
                           "so nothing was sent to it."));
}
