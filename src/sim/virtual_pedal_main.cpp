// tarvo-max-virtual-pedal: serves the virtual pedal on a pseudo-terminal, so that serial tools
// (and people) can talk to it as they would to the pedal's USB serial port.

#include "ProductData.h"
#include "sim/PtyServer.h"
#include "sim/VirtualPedal.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

namespace {

const char* const kUsage =
    "Usage: tarvo-max-virtual-pedal [options]\n"
    "Serves the Tarvo Max virtual pedal on a pseudo-terminal. The first line printed is the\n"
    "path of the terminal to open; it serves until it is stopped (Ctrl+C, SIGTERM or 'quit').\n"
    "\n"
    "The pedal hears the client at the speed, stop bits and parity the client sets on the terminal,\n"
    "as over a serial line: the firmware talks 115200 8N1, the bootloader 8E1 at the speed of its\n"
    "sync byte, and bytes sent with another framing arrive garbled, both ways. Linux keeps neither\n"
    "a parity bit nor a word length other than 8 on a pseudo-terminal: a client asks for parity by\n"
    "also checking it on input (INPCK), as stm32flash does. stm32flash refuses a terminal whose\n"
    "parity does not stick, so give it -b 0 after 'stty -F PATH inpck' (the terminal keeps what\n"
    "a client set on it until the next one changes it).\n"
    "\n"
    "Starting state:\n"
    "  --bootloader            start in the microcontroller's bootloader (as if B2 were held at power-up)\n"
    "  --effect N              catalogue index of the stored effect (default 1)\n"
    "  --effect-version N      version of the stored effect (default 1)\n"
    "  --firmware-version N    firmware version in the version record (default 1)\n"
    "  --erased                both settings memories blank: no effect stored\n"
    "  --no-b2                 nobody holds B2: the bootloader entry command is ignored\n"
    "Line:\n"
    "  --line-speed            every byte takes its wire time at the terminal's speed and framing,\n"
    "                          from the client to the pedal and back (10 bits a byte at 8N1)\n"
    "  --turnaround MS         start each reply no sooner than MS milliseconds after the message\n"
    "                          (or the command below) that it answers is complete\n"
    "  --record PATH           append every byte the client writes to PATH, as written, nothing else\n"
    "Faults:\n"
    "  --silent                hear everything, answer nothing\n"
    "  --nack N                refuse the N-th bootloader step after sync (command, address,\n"
    "                          data block or erase list)\n"
    "  --corrupt-write ADDRESS store the byte the bootloader writes at this flash address\n"
    "                          (0x08000000 to 0x0801FFFF) with its lowest bit flipped, though the\n"
    "                          write is acknowledged\n"
    "  --drop-every N          lose every N-th byte the pedal sends\n"
    "  --garble-every N        invert every N-th byte the pedal sends\n"
    "  --cut-replies N         end every reply after N bytes\n"
    "  --vanish-after N        disappear (close the terminal and exit) after receiving N bytes\n"
    "  --help                  show this text\n"
    "\n"
    "Commands on standard input, one per line, play the pedal's controls:\n"
    "  bank N                  switch to bank N (0-2, bank mode) and report it\n"
    "  effect                  report the running effect\n"
    "  move CONTROL VALUE      move KI..KV, B1..B3, FS, FL, RMT or EXP (0-1023, or 0/1 for switches)\n"
    "  report CODE INDEX VALUE send a raw live report\n"
    "  power [b2]              power off and on, optionally holding B2\n"
    "  quit                    stop serving\n";

// Everything the command line sets.
struct Settings {
    VirtualPedal::Options options;
    PedalFaults faults;
    ServeSettings serve;
};

bool parseNumber(const char* text, long min, long max, long& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text, &end, 0);
    return errno == 0 && end != text && *end == '\0' && value >= min && value <= max;
}

// Options without a value. False for one it does not know.
bool applyFlag(const std::string& arg, Settings& settings) {
    if (arg == "--bootloader")
        settings.options.startInBootloader = true;
    else if (arg == "--erased")
        settings.options.erased = true;
    else if (arg == "--no-b2")
        settings.options.holdB2 = false;
    else if (arg == "--silent")
        settings.faults.silent = true;
    else if (arg == "--line-speed")
        settings.serve.lineSpeed = true;
    else
        return false;
    return true;
}

struct NumberOption {
    const char* name;
    long min;
    long max;
    void (*apply)(Settings&, long);
};

const NumberOption kNumberOptions[] = {
    {"--effect", 0, 255, [](Settings& s, long n) { s.options.effectNumber = int(n); }},
    {"--effect-version", 0, 255, [](Settings& s, long n) { s.options.effectVersion = int(n); }},
    {"--firmware-version", 0, 255, [](Settings& s, long n) { s.options.firmwareVersion = int(n); }},
    {"--nack", 1, 1000000, [](Settings& s, long n) { s.faults.nackBootloaderStep = int(n); }},
    {"--corrupt-write", 0x08000000, 0x0801FFFF,
     [](Settings& s, long n) { s.faults.corruptWriteAt = std::uint32_t(n); }},
    {"--drop-every", 1, 1000000, [](Settings& s, long n) { s.faults.dropEvery = int(n); }},
    {"--garble-every", 1, 1000000, [](Settings& s, long n) { s.faults.garbleEvery = int(n); }},
    {"--cut-replies", 0, 1000000, [](Settings& s, long n) { s.faults.cutRepliesAfter = int(n); }},
    {"--vanish-after", 1, 1L << 30, [](Settings& s, long n) { s.serve.vanishAfter = n; }},
    {"--turnaround", 0, 60000,
     [](Settings& s, long n) { s.serve.turnaround = std::chrono::milliseconds(n); }},
};

const NumberOption* numberOption(const std::string& arg) {
    for (const NumberOption& option : kNumberOptions)
        if (arg == option.name)
            return &option;
    return nullptr;
}

// Reads the command line into `settings`. Returns the exit code when the program is to stop
// here: after --help, or at an option it cannot take.
std::optional<int> parseArguments(int argc, char** argv, Settings& settings) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (applyFlag(arg, settings))
            continue;
        if (arg == "--record") {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                std::fprintf(stderr, "tarvo-max-virtual-pedal: --record needs the path of a file\n");
                return 2;
            }
            settings.serve.recordPath = argv[++i];
            continue;
        }
        const NumberOption* option = numberOption(arg);
        if (option == nullptr) {
            std::fprintf(stderr, "tarvo-max-virtual-pedal: unknown option %s (see --help)\n", arg.c_str());
            return 2;
        }
        long n = 0;
        if (i + 1 >= argc || !parseNumber(argv[i + 1], option->min, option->max, n)) {
            std::fprintf(stderr, "tarvo-max-virtual-pedal: %s needs a number from %ld to %ld\n", arg.c_str(),
                         option->min, option->max);
            return 2;
        }
        option->apply(settings, n);
        ++i;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    Settings settings;
    settings.options.programFor = ProductData::effectProgram;
    if (const std::optional<int> exitCode = parseArguments(argc, argv, settings))
        return *exitCode;
    return serve(settings.serve, std::move(settings.options), settings.faults);
}
