#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

class Communication;
class ConsoleLog;
class PedalLine;
class UsbLink;
struct EditorState;

// Pauses the pedal needs between a question and the first byte of its answer.
inline constexpr int kGetStoredEffectPauseMs = 100;
inline constexpr int kRequestStatePauseMs = 200;

// Catalogue index 0 is the placeholder "No Effect", and 255 is what erased memory reads.
inline constexpr int kNoEffect = 0;
inline constexpr int kErasedEffect = 255;

// The pedal's answer to GetStoredEffect: four decimal lines.
struct StoredEffectReply {
    std::array<QString, 4> lines;
    // Lines 1 and 2 are neither both "255" (erased memory) nor both "0".
    bool marked = false;
    int effectNumber = 0;
    int effectVersion = 0;
    int firmwareVersion = 0;
    // An effect is stored, and it is one the catalogue could name: line 0 is its placeholder
    // for no effect, and 255 is what erased memory reads.
    bool stored() const { return marked && effectNumber != kNoEffect && effectNumber != kErasedEffect; }
};

// Takes the four lines off the front of the text (each ended by CR LF; the line is the rest of
// the text when no CR is left) and looks at the mark; the numbers are not read yet.
StoredEffectReply splitStoredEffectReply(const QString& text);
// Reads lines 2 to 4 as decimal numbers; throws ConversionError when one does not read.
void readStoredEffectNumbers(StoredEffectReply& reply);
// Both steps at once.
StoredEffectReply parseStoredEffectReply(const QString& text);
// Keeps the numbers in the shared record and logs them.
void applyStoredEffectReply(const StoredEffectReply& reply, EditorState& state, ConsoleLog& log);

// GetStoredEffect, 0x06 0x00, with the transmit queue purged first.
void sendGetStoredEffect(UsbLink& link);
// RequestState: 0x02 and the number of parameters, with the transmit queue purged first.
void sendRequestState(Communication& comm, std::uint32_t numOfParameters);

// The stored-effect question: GetStoredEffect, its pause, and the reply's text. Empty when
// nothing came (the line has said why).
QString askStoredEffectText(PedalLine& line);

// What Request read: the state block of the running effect, whole.
struct StateRead {
    bool ok = false;
    QByteArray block;
};
// The state question: RequestState for N parameters, its pause, and the block read and checked
// to be whole. Not ok when no block came, nothing in it decoded or it was cut short: the line has
// said why, and nothing of it may be shown.
StateRead requestState(PedalLine& line, std::uint32_t numOfParameters);

// The MIDI channel item a state block's channel byte ticks: 0 (OMNI) for 0 or 255, 1 to 16 for a
// channel, -1 for anything else.
int midiChannelItem(std::uint8_t channel);
