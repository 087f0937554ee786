#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

inline constexpr int kMaxParameters = 16;
inline constexpr int kMaxReadbacks = 4;
inline constexpr int kMidiChannelItems = 17;
inline constexpr std::int32_t kNoAssignment = 0xFF;

// What the editor knows about the linked pedal and the current effect. One record for the whole
// run, read and written on the user-interface thread only.
struct EditorState {
    // Counts of the current effect's controls, set when the parameter window builds its rows.
    std::uint32_t numOfPots = 0;
    std::uint32_t numOfSwitches = 0;
    std::uint32_t numOfMultiSwitches = 0;
    std::uint32_t numOfParameters = 0;
    std::uint32_t numOfReadbacks = 0;

    // Values read back from the pedal.
    QByteArray receiveArray;
    std::vector<std::int32_t> parameterValues;
    // The effect those values are of (read back from the pedal, or loaded from a preset).
    QString parameterValuesEffect;
    std::array<std::int32_t, kMaxParameters> assignCodes{};
    std::array<std::int32_t, kMaxReadbacks> readbackCodes{};
    std::uint8_t bypassAssignCode = 0xFF;
    std::uint8_t presetAssignCode = 0xFF;

    // The effect on the pedal and the effect on screen.
    std::int32_t effectNumber = 0;
    std::int32_t effectVersion = 0;
    std::int32_t firmwareVersion = 0;
    QString pedalEffectName;
    QString selectedEffectName;
    bool effectOnPedalSelected = false;

    // Modes and guards.
    bool bootloaderMode = false;
    bool bankMode = false;
    // Applying a value to a control fires that control's change handler on the same thread;
    // these keep such programmatic changes from being sent back to the pedal.
    bool requestInProgress = false;
    bool liveReportInProgress = false;

    // The program Load IR composed last: what an upload in the Impulse Response category sends.
    QString irProgramText;

    // Set by a successful Link in normal mode and never cleared.
    bool linkedOnce = false;
    // Serial number of the bridge that Link opens: the last one enumerated.
    QString deviceSerialNumber;
    QString appVersion;
};
