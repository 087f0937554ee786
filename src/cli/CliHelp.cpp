#include "cli/CliHelp.h"

#include "protocol/PedalSettings.h"

namespace {

const char* const kUsage =
    "Usage: tarvo-max [--virtual | --virtual-reset] [--serial SERIAL] [--verbose] COMMAND [OPTIONS]\n"
    "The Tarvo Max editor's work from the command line.\n"
    "\n"
    "Commands:\n"
    "  devices                  list the pedals found and how each is reached\n"
    "  info [--json]            the effect stored on the pedal and its firmware version\n"
    "  state [--json]           the running effect's settings, assignments and mode\n"
    "  set PARAM LEVEL          set one parameter of the running effect\n"
    "  watch                    print what the pedal reports as it happens, until Ctrl+C\n"
    "  upload NAME [--bank N] [--ir WAV] [--yes]\n"
    "                           upload an effect of the catalogue, or into bank N (1, 2 or 3)\n"
    "  assign PARAM CONTROL --yes\n"
    "                           assign one of the pedal's controls to a parameter\n"
    "  reverse PARAM on|off     make a parameter's control act reversed, or not\n"
    "  midi OMNI|1..16          set the pedal's MIDI channel\n"
    "  mode preset|bank         set the editor's mode (sends nothing)\n"
    "  store                    store the running effect's settings on the pedal\n"
    "  erase-settings --yes     erase the pedal's stored effect and settings\n"
    "  memory dump|erase 50|51 [-o FILE]\n"
    "                           dump or erase one of the pedal's settings memories\n"
    "  preset save|load FILE    save the running effect's settings to a file, or load them\n"
    "  ir WAV --effect NAME [-o PROGRAM]\n"
    "                           put a WAV file's impulse response into an effect's program\n"
    "  coeff NOTE Q BOOST       a peaking filter's coefficients for the pedal's programs\n"
    "  flash [NAME | --image FILE] --yes|--bootloader\n"
    "                           write the editor's built-in firmware into the pedal\n"
    "\n"
    "Options:\n"
    "  --virtual          use the virtual pedal (as does TARVO_MAX_VIRTUAL_PEDAL=1), which\n"
    "                     keeps its memory between runs as a real pedal left on does, in\n"
    "                     $XDG_STATE_HOME/tarvo-max/virtual-pedal (~/.local/state without it)\n"
    "  --virtual-reset    forget the virtual pedal's memory first, so it starts as new\n"
    "  --serial SERIAL    the pedal's bridge, by serial number (default: the one found last)\n"
    "  --verbose          also print the protocol log on standard error\n"
    "  --help             this text; COMMAND --help tells more about a command\n"
    "  --version          the program's version\n"
    "An option's value comes as the next word or after \"=\": --bank 2 or --bank=2.\n"
    "\n"
    "-o FILE and preset save write a regular file whole or not at all (a full disk leaves\n"
    "the old one as it was); a FIFO, a terminal or a device is written, never replaced;\n"
    "- is standard output.\n"
    "\n"
    "TARVO_MAX_SERIAL_PORT=PATH adds a serial port by its path (a pseudo-terminal, say),\n"
    "found last, so it is the one used.\n"
    "\n"
    "Exit status: 0 done; 1 the pedal was not found or did not answer sensibly, or a file\n"
    "or standard output could not be read or written; 2 the command line asks for\n"
    "something that cannot be; 130 Ctrl+C stopped a long exchange (an upload, a flash,\n"
    "erasing) at its next safe step.\n"
    "\n"
    "Example:\n"
    "  tarvo-max --virtual state\n";

struct HelpEntry {
    const char* command;
    const char* text;
};

const HelpEntry kHelp[] = {
    {"devices", "Usage: tarvo-max devices\n"
                "Lists the pedals found, in the order the editor finds them (the last is the one\n"
                "used), one a line: serial number, how it is reached (direct, kernel serial,\n"
                "named port or virtual) and description, separated by tabs.\n"
                "\n"
                "Example:\n"
                "  tarvo-max devices\n"},
    {"info", "Usage: tarvo-max info [--json]\n"
             "Links to the pedal and prints the effect stored on it (catalogue number, name and\n"
             "version) and its firmware version; --json prints them as one JSON object.\n"
             "\n"
             "Example:\n"
             "  tarvo-max --virtual info\n"},
    {"state", "Usage: tarvo-max state [--json]\n"
              "Links to the pedal, reads the stored effect and the running effect's settings,\n"
              "and prints each parameter by its caption with its level (a pot 0 to 1023, a\n"
              "switch 0 or 1024 with its text, a selector's level with its item); then the\n"
              "controls assigned to parameters (and which act reversed), the footswitches that\n"
              "toggle bypass and change preset, the indicator of each readback, the mode (preset\n"
              "or bank, with its number) and the MIDI channel. --json prints the same as one\n"
              "JSON object.\n"
              "\n"
              "Example:\n"
              "  tarvo-max --virtual state --json\n"},
    {"set", "Usage: tarvo-max set PARAM LEVEL\n"
            "Sets one parameter of the running effect. PARAM is its caption (any letter case)\n"
            "or its index; LEVEL is 0 to 1023 for a pot, on or off for a switch or a button,\n"
            "and an item's text or its position (from 0) for a selector. A level the\n"
            "parameter cannot take is refused and nothing is sent.\n"
            "\n"
            "Example:\n"
            "  tarvo-max set Feedback 700\n"},
    {"watch", "Usage: tarvo-max watch\n"
              "Links to the pedal and prints what it reports unasked, one line each, until\n"
              "interrupted (Ctrl+C): bank changes, effect changes, the end of an upload, knobs\n"
              "and switches moved on the pedal (with the parameter's caption) and memory dumps.\n"
              "\n"
              "Example:\n"
              "  tarvo-max watch\n"},
    {"upload", "Usage: tarvo-max upload NAME [--bank 1|2|3] [--ir WAV] [--yes]\n"
               "Uploads an effect of the editor's catalogue to the pedal, which then runs it. NAME\n"
               "is the effect's name as the editor's effect list shows it, in any letter case\n"
               "(quote it, or give its words one after another). Without --bank the effect goes\n"
               "to the pedal as in preset mode; --bank 1, 2 or 3 puts it into bank I, II or III,\n"
               "which take programs of up to 5,440 bytes. As from the editor, the effect is put in\n"
               "bypass first (and left so), then the program goes in one write; the command waits\n"
               "for the pedal to report \"Upload complete\" and prints it. Effects of the Impulse\n"
               "Response category play an impulse response: --ir WAV gives it (a mono or stereo\n"
               "WAV file of 24 or 32 bits a sample, as the editor's Load IR reads it). The editor\n"
               "asks \"Upload the selected effect?\" first; --yes answers it, as for the other\n"
               "commands whose window asks, though an upload here goes ahead without it.\n"
               "\n"
               "Example:\n"
               "  tarvo-max upload \"Shimmer Reverb\"\n"
               "  tarvo-max upload digital delay --bank 2\n"
               "  tarvo-max upload \"Cabinet IR\" --ir 4x12.wav\n"},
    {"ir", "Usage: tarvo-max ir WAV --effect NAME [-o PROGRAM] [--bank 1|2|3]\n"
           "Turns a WAV file into the impulse-response table of an effect that plays one, as the\n"
           "editor's Load IR does, and puts it into the effect's program. With -o the program is\n"
           "written to PROGRAM as hexadecimal text (which the console's raw Upload File sends)\n"
           "and no pedal is needed (-o - writes it to standard output); without it the\n"
           "program is uploaded, as upload --ir does.\n"
           "A file that is no WAV file, or has too few samples, or another depth than 24 or\n"
           "32 bits, is refused with the reason; --verbose shows the walk through its header.\n"
           "\n"
           "Example:\n"
           "  tarvo-max ir 4x12.wav --effect \"Cabinet IR\" -o cabinet.txt\n"},
    {"flash", "Usage: tarvo-max flash [NAME | --image FILE] --yes\n"
              "       tarvo-max flash [NAME | --image FILE] --bootloader\n"
              "Writes the firmware built into the editor (NAME, Firmware_1 when not given) into the\n"
              "pedal through its microcontroller's serial bootloader: one erase, the image in\n"
              "256-byte blocks, the version record, then the pedal restarts with it. Each step is\n"
              "acknowledged before the next; at the first that is not, nothing is started and the\n"
              "pedal stays in its bootloader, where flash --bootloader can start again.\n"
              "With --yes the running pedal is asked into its bootloader, as the editor's Upgrade\n"
              "Mode does: hold B2 (SAVE) on the pedal while the command starts, and let go when it\n"
              "writes. --bootloader is for a pedal already in its bootloader (powered up with B2\n"
              "held, or left there by a run that stopped). --image writes a raw flash image of your\n"
              "own instead, whose version is the last character of its name before the extension\n"
              "(Firmware_2.bin holds version 2). A bar shows the progress on a terminal; elsewhere\n"
              "a line every 32 blocks.\n"
              "\n"
              "Example:\n"
              "  tarvo-max flash --yes\n"
              "  tarvo-max flash --bootloader\n"},
    {"coeff", "Usage: tarvo-max coeff NOTE Q BOOST\n"
              "Prints the coefficients of a peaking filter at the note's frequency (A1 to G#5,\n"
              "A4 being 440 Hz), with quality factor Q and BOOST in dB (negative for a cut), as the\n"
              "console's hidden calculator logs them: a header line, then b0, b1, b2, a1 and a2 as\n"
              "the pedal's fixed-point words. Numbers are written with a point, in any language.\n"
              "Q must be greater than 0, as in the console. Needs no pedal.\n"
              "\n"
              "Example:\n"
              "  tarvo-max coeff A4 0.707 6\n"},
    {"assign", "Usage: tarvo-max assign PARAM CONTROL --yes\n"
               "       tarvo-max assign bypass|preset CONTROL --yes\n"
               "       tarvo-max assign readback NAME INDICATOR --yes\n"
               "Assigns one of the pedal's controls to a parameter of the running effect. As the\n"
               "editor's Assign does, the command reads what the pedal holds, changes the one\n"
               "assignment and sends them all again: every other parameter's, the readbacks', the\n"
               "bypass toggle's and the preset change's stay as they were. PARAM is the parameter's\n"
               "caption or index; CONTROL is KI, KII, KIII, KIV, KV, B1, B2, B3, FS, FL, RMT, EXP or\n"
               "none (or --). A parameter left without a control stops acting reversed.\n"
               "\"assign bypass\" and \"assign preset\" choose the footswitch that toggles bypass or\n"
               "changes preset: FS, FL, RMT or none (in bank mode they are always FS and FL).\n"
               "\"assign readback\" shows a readback of the effect, by its name or index, on an\n"
               "indicator: SX, DX, RED, GREEN or none.\n"
               "The editor asks \"Assign parameters?\" first; --yes answers it, and without it\n"
               "nothing is sent.\n"
               "\n"
               "Example:\n"
               "  tarvo-max assign Feedback KII --yes\n"
               "  tarvo-max assign bypass FS --yes\n"},
    {"reverse", "Usage: tarvo-max reverse PARAM on|off\n"
                "Makes the control assigned to a parameter of the running effect act reversed\n"
                "(on) or normally (off), at once. The command reads the pedal's assignments\n"
                "first: as in the editor, only a parameter with a control can be reversed.\n"
                "\n"
                "Example:\n"
                "  tarvo-max reverse Feedback on\n"},
    {"midi", "Usage: tarvo-max midi OMNI|1..16\n"
             "Sets the MIDI channel the pedal listens on: OMNI (every channel) or 1 to 16.\n"
             "tarvo-max state shows the channel the pedal holds.\n"
             "\n"
             "Example:\n"
             "  tarvo-max midi 10\n"},
    {"mode", "Usage: tarvo-max mode preset|bank\n"
             "Sets the editor's mode, kept in Merrow/Tarvo Max/Mode.txt below the documents\n"
             "folder, which the editor reads when it starts. Nothing is sent to the pedal:\n"
             "an upload into a bank (upload --bank) puts the pedal in bank mode, and one\n"
             "without a bank in preset mode.\n"
             "\n"
             "Example:\n"
             "  tarvo-max mode bank\n"},
    {"store", "Usage: tarvo-max store\n"
              "Stores the running effect's settings (its parameters, assignments, bypass and\n"
              "MIDI channel) on the pedal, as Store Settings On Pedal does, so that they come\n"
              "back when it is switched on.\n"
              "\n"
              "Example:\n"
              "  tarvo-max store\n"},
    {"memory", "Usage: tarvo-max memory dump 50|51 [-o FILE]\n"
               "       tarvo-max memory erase 50|51 --yes\n"
               "The pedal's two settings memories, at bus addresses 50 and 51, of 16,384 bytes\n"
               "each. \"dump\" reads one and prints it in hexadecimal, 16 bytes a line after their\n"
               "offset; with -o FILE it writes the 16,384 bytes as they are to FILE instead (a\n"
               "FILE already there is replaced only once the whole dump is written; a FIFO or a\n"
               "device is written, never replaced; -o - is standard output). \"erase\"\n"
               "erases one and reads it back to show that it is blank; it needs --yes, and\n"
               "without it nothing is sent. Each read takes about four seconds.\n"
               "\n"
               "Example:\n"
               "  tarvo-max memory dump 50 -o memory50.bin\n"},
    {"preset", "Usage: tarvo-max preset save FILE\n"
               "       tarvo-max preset load FILE\n"
               "Preset files keep the settings of an effect on the computer in the editor's own\n"
               "format: the editor loads what this saves, and the other way round. \"save\" reads\n"
               "the running effect's settings from the pedal and writes them to FILE (\".txt\" is\n"
               "added unless FILE ends in it, or is - for standard output, or is no regular file,\n"
               "such as a FIFO). \"load\" checks FILE against the running effect and\n"
               "sends nothing unless all of it fits; then, as the editor does after a load, it\n"
               "sends each pot and selector whose level differs from what the pedal holds, and\n"
               "says what it sent. Switches and buttons are not sent: the editor sends them only\n"
               "when they are clicked (tarvo-max set does that).\n"
               "\n"
               "Example:\n"
               "  tarvo-max preset save delay-lead\n"
               "  tarvo-max preset load delay-lead.txt\n"},
};

// The question the editor asks before it erases, shown as the command's help says it.
QString eraseSettingsHelp() {
    QString question = eraseSettingsQuestion();
    question.replace(QStringLiteral("\r\n"), QStringLiteral("\n    "));
    return QStringLiteral("Usage: tarvo-max erase-settings --yes\n"
                          "Erases both of the pedal's settings memories (50 and 51), then reads each\n"
                          "back and says whether it is blank; this takes a little over eight seconds.\n"
                          "The editor asks first:\n"
                          "\n"
                          "    ") +
           question +
           QStringLiteral("\n"
                          "\n"
                          "--yes answers Yes; without it nothing is sent.\n"
                          "\n"
                          "Example:\n"
                          "  tarvo-max erase-settings --yes\n");
}

} // namespace

QString usageText() {
    return QString::fromUtf8(kUsage);
}

QString commandHelp(const QString& command) {
    if (command == QLatin1String("erase-settings"))
        return eraseSettingsHelp();
    for (const HelpEntry& entry : kHelp)
        if (command == QLatin1String(entry.command))
            return QString::fromUtf8(entry.text);
    return {};
}
