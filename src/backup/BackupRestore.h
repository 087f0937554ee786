#pragma once

#include "backup/PedalBackup.h"
#include "catalogue/Upload.h"
#include "params/EffectControls.h"

#include <QString>
#include <QStringList>

class PedalLine;
class ResourceStore;

// Backing up a whole pedal and putting it back: two operations over the line, as the editor and
// the command line both run them.

// How a backup ended: the backup, or one sentence saying why there is none.
struct BackupResult {
    bool ok = false;
    PedalBackup backup;
    QString problem;
};

// Reads everything the editor can read: the stored effect and firmware version, the running
// effect's state (Request), then both settings memories, each as a step of progress. The effect
// must be one of the catalogue, since only its layout says how many parameters to ask for.
// Asked to cancel, it stops at the next step.
BackupResult backupPedal(PedalLine& line, const QString& editorVersion);

// What a restore will send, settled before anything is: the effect by the catalogue's name, its
// controls (their addresses), and the program with the upload code of the backup's mode and bank.
struct RestorePlan {
    PedalBackup backup;
    QString effectName;
    EffectControls controls;
    UploadProgram program;
    // Why the backup cannot be restored, for the user; empty when it can.
    QString problem;
    bool ok() const { return problem.isEmpty(); }
};
// Refuses, before anything is sent, a backup of an effect missing from the catalogue, one whose
// parameters are not the effect's, and one that names a bank the pedal does not have.
RestorePlan planRestore(const PedalBackup& backup, ResourceStore& resources);

struct RestoreResult {
    enum class End { NotRestored, Cancelled, Restored };
    End end = End::NotRestored;
    // Why it stopped short, for the user; empty when it went to its end.
    QString problem;
    // Where the read-back differs from the backup, one sentence each; empty when it agrees.
    QStringList differences;
    // What the pedal answered when read back, for the windows to show: the stored effect's reply
    // and the state block.
    QString storedReply;
    QByteArray block;
};

// The pedal given the backup's settings: the effect uploaded (in preset mode, or into the
// backup's bank), every level sent, then the assignments, the reverse flags and the MIDI channel,
// and the settings stored. Then it is read back (the stored effect and Request) and compared with
// the backup. The memories are not written: the pedal has no message for it. Asked to cancel, it
// stops at its next step and says how far it came.
RestoreResult restorePedal(PedalLine& line, const RestorePlan& plan);
