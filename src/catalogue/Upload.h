#pragma once

#include <QString>
#include <cstdint>

class PedalLine;

// The effect is bypassed before its program is replaced, and given this long to go quiet.
inline constexpr int kBypassBeforeUploadMs = 40;

// What an upload would send, or why there is nothing sound to send.
struct UploadProgram {
    QString text;    // the program as hex text, its first byte chosen by the mode
    QString problem; // empty when there is something to send
};

// The program an upload sends: the selected effect's stored program, or in the Impulse Response
// category the one Load IR composed; in bank mode with the code of `bank` (0 to 2 for Bank I to
// III, -1 when none is chosen) in front. Nothing is logged or shown: the caller asks the user
// and puts the pedal in bypass only when there is something to send.
UploadProgram uploadProgram(const QString& selectedEffectName, bool impulseResponseCategory,
                            const QString& irProgramText, bool bankMode, int bank);

// The logged steps of the upload and its one write, as the editor has always logged them: the
// program's source, its first 257 characters, its size, the bytes converted, "write to device".
// False when the driver did not take the whole program.
bool writeUpload(PedalLine& line, const QString& selectedEffectName, bool impulseResponseCategory,
                 const UploadProgram& program);

// How an upload ended.
struct UploadResult {
    enum class End { NotSent, Complete, Gone, TimedOut, Cancelled };
    End end = End::NotSent;
    // The bytes sent, and how long the pedal was given to say it has them.
    std::uint32_t bytes = 0;
    int limitSeconds = 0;
    // What went wrong, in a sentence for a message box; empty when Complete.
    QString problem;
};

// Upload Selected Effect: the pedal bypassed and given its pause, the program written in one
// write, then the wait for the pedal to report "Upload complete", bounded by the wire time of the
// program and the reply time-out. What the pedal says unasked meanwhile is handed on. Whatever
// the driver said on the way has been said; the end itself is for the caller to tell.
UploadResult uploadEffect(PedalLine& line, const QString& selectedEffectName, bool impulseResponseCategory,
                          const UploadProgram& program);

// The maintainer's raw upload: a file of hexadecimal text sent as it is, and what the pedal
// answers logged. The wait for the answer is bounded. False, with the reason in `error`, when
// the file cannot be read.
struct FileUpload {
    bool read = false;
    QString error;
};
FileUpload uploadFile(PedalLine& line, const QString& path);
