#pragma once

#include <QString>
#include <QStringList>

// What the command line asks for: read, and checked against the command's own rules (its
// operands and options), but not yet against the pedal.
struct CommandLine {
    QString command;
    QStringList operands;
    QString serial;
    bool virtualPedal = false;
    bool virtualReset = false; // --virtual-reset: the virtual pedal's kept memory forgotten first
    bool verbose = false;
    bool json = false;
    bool yes = false;
    bool help = false;
    bool version = false;
    bool bootloader = false; // flash: the pedal is in its bootloader already
    bool verify = false;     // flash: the flash read back and compared before Go
    bool follow = false;     // devices: a line per bridge that comes or goes, until Ctrl+C
    QString bank;            // --bank as written; the command reads it
    QString output;          // -o FILE
    QString effect;          // --effect NAME
    QString ir;              // --ir WAV
    QString image;           // --image FILE
    QString size;            // --size N as written; the command reads it
    // Options that stand on the line, by name, so a command can refuse those it does not take.
    QStringList given;
    // The first option that is none, or lacks its value: said once the command is known.
    QString badOption;
};
