#include "sim/VirtualPedal.h"

#include <QDataStream>
#include <QIODevice>
#include <algorithm>

namespace {

// Layout of settings memory 0x50 (our own; the editor only ever erases and dumps it).
constexpr std::uint32_t kPresent = 0x00; // 1: an effect is stored
constexpr std::uint32_t kEffectNumber = 0x01;
constexpr std::uint32_t kEffectVersion = 0x02;
constexpr std::uint32_t kMode = 0x03; // 1: bank mode
constexpr std::uint32_t kBankOrPreset = 0x04;
constexpr std::uint32_t kSettingsMark = 0x10; // kSettingsStored once StoreSettings ran
constexpr std::uint8_t kSettingsStored = 0x5A;
constexpr std::uint32_t kBypassCode = 0x11;
constexpr std::uint32_t kPresetCode = 0x12;
constexpr std::uint32_t kBypass = 0x13;
constexpr std::uint32_t kLive = 0x14;
constexpr std::uint32_t kMidiChannel = 0x15;
constexpr std::uint32_t kReadbacks = 0x18;
constexpr std::uint32_t kAssignments = 0x20;
constexpr std::uint32_t kReverse = 0x30;
constexpr std::uint32_t kValues = 0x40;
constexpr std::uint32_t kProgram = 0x100;

constexpr std::uint8_t kPresent1 = 1;
constexpr auto kMessageTimeout = std::chrono::seconds(1);

std::uint16_t be16(const QByteArray& a, int at) {
    return std::uint16_t((std::uint8_t(a[at]) << 8) | std::uint8_t(a[at + 1]));
}

std::uint32_t be32(const QByteArray& a, int at) {
    return (std::uint32_t(std::uint8_t(a[at])) << 24) | (std::uint8_t(a[at + 1]) << 16) |
           (std::uint8_t(a[at + 2]) << 8) | std::uint8_t(a[at + 3]);
}

bool isUploadCode(std::uint8_t code) {
    return code == 0x00 || (code >= 0x0E && code <= 0x10);
}

QByteArray decimalLine(int value) {
    return QByteArray::number(value) + "\r\n";
}

// A program as kept in memory: its own length field says how much of the slot is program.
QByteArray programAt(const std::uint8_t* slot, std::uint32_t room) {
    const std::uint32_t length = (slot[1] << 8) | slot[2];
    if (length < VirtualPedal::kMinProgramSize || length > room)
        return {};
    return QByteArray(reinterpret_cast<const char*>(slot), length);
}

} // namespace

VirtualPedal::VirtualPedal() : VirtualPedal(Options{}) {}

VirtualPedal::VirtualPedal(Options options) : options_(std::move(options)) {
    seedFactoryFlash(options_.firmwareVersion);
    memoryA_.fill(0xFF);
    memoryB_.fill(0xFF);
    if (!options_.erased) {
        std::optional<QByteArray> program;
        if (options_.programFor)
            program = options_.programFor(options_.effectNumber);
        if (program && program->size() >= int(kMinProgramSize) && program->size() <= int(kMaxProgramSize)) {
            (*program)[0] = 0x00;
            std::copy(program->begin(), program->end(), memoryA_.begin() + kProgram);
        }
        storeEffectHeader(options_.effectNumber, options_.effectVersion);
        memoryA_[kMode] = 0;
        memoryA_[kBankOrPreset] = 0;
    }
    powerCycle(options_.startInBootloader);
}

void VirtualPedal::seedFactoryFlash(int firmwareVersion) {
    // What the factory programmed: a vector table the core can start from, and the version
    // record. The firmware's own code is not modelled.
    auto& flash = bootloader_.flash();
    const std::uint32_t sp = VirtualBootloader::kRamBase + VirtualBootloader::kRamSize;
    const std::uint32_t reset = VirtualBootloader::kFlashBase + 0x131;
    for (int i = 0; i < 4; ++i) {
        flash[i] = std::uint8_t(sp >> (8 * i));
        flash[4 + i] = std::uint8_t(reset >> (8 * i));
    }
    const std::uint32_t record = kVersionRecord - VirtualBootloader::kFlashBase;
    std::fill_n(flash.begin() + record, 7, 0x00);
    flash[record + 7] = std::uint8_t(firmwareVersion);
}

std::array<std::uint8_t, VirtualPedal::kMemorySize>& VirtualPedal::memory(std::uint8_t busAddress) {
    return busAddress == kMemoryB ? memoryB_ : memoryA_;
}

int VirtualPedal::firmwareVersion() const {
    return bootloader_.flash()[kVersionRecord - VirtualBootloader::kFlashBase + 7];
}

LineFormat VirtualPedal::pedalLine() const {
    if (mode_ != Mode::Bootloader)
        return kFirmwareLine;
    LineFormat line = kBootloaderLine;
    // Before the sync byte the bootloader takes whatever rate the host uses.
    line.baudRate = bootloaderBaud_ ? bootloaderBaud_ : (hostLine_ ? hostLine_->baudRate : 115200);
    return line;
}

namespace {

constexpr quint32 kStateMagic = 0x544D5650; // "TMVP"
constexpr quint16 kStateFormat = 1;

template <typename T, std::size_t N> void putArray(QDataStream& out, const std::array<T, N>& values) {
    for (const T v : values)
        out << v;
}

template <typename T, std::size_t N> void takeArray(QDataStream& in, std::array<T, N>& values) {
    for (T& v : values)
        in >> v;
}

QByteArray bytesOf(const std::uint8_t* data, std::size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

} // namespace

QByteArray VirtualPedal::saveState() const {
    QByteArray state;
    QDataStream out(&state, QIODevice::WriteOnly);
    out << kStateMagic << kStateFormat << qint8(mode_);
    out << bytesOf(bootloader_.flash().data(), bootloader_.flash().size())
        << bytesOf(memoryA_.data(), memoryA_.size()) << bytesOf(memoryB_.data(), memoryB_.size());
    out << program_ << qint32(effectNumber_);
    putArray(out, addresses_);
    putArray(out, values_);
    putArray(out, assignments_);
    putArray(out, readbacks_);
    putArray(out, reverse_);
    out << bypassCode_ << presetCode_ << bypass_ << live_ << qint32(midiChannel_) << bankMode_
        << qint32(bankOrPreset_);
    return state;
}

bool VirtualPedal::restoreState(const QByteArray& state) {
    QDataStream in(state);
    quint32 magic = 0;
    quint16 format = 0;
    qint8 mode = 0;
    in >> magic >> format >> mode;
    if (in.status() != QDataStream::Ok || magic != kStateMagic || format != kStateFormat ||
        mode < qint8(Mode::Firmware) || mode > qint8(Mode::Halted))
        return false;
    QByteArray flash, memoryA, memoryB, program;
    qint32 effectNumber = 0, midiChannel = 0, bankOrPreset = 0;
    std::array<std::uint16_t, 16> addresses{};
    std::array<std::int32_t, 16> values{};
    std::array<std::uint8_t, 16> assignments{};
    std::array<std::uint8_t, 4> readbacks{};
    std::array<std::uint8_t, 16> reverse{};
    std::uint8_t bypassCode = 0, presetCode = 0;
    bool bypass = false, live = false, bankMode = false;
    in >> flash >> memoryA >> memoryB >> program >> effectNumber;
    takeArray(in, addresses);
    takeArray(in, values);
    takeArray(in, assignments);
    takeArray(in, readbacks);
    takeArray(in, reverse);
    in >> bypassCode >> presetCode >> bypass >> live >> midiChannel >> bankMode >> bankOrPreset;
    if (in.status() != QDataStream::Ok || !in.atEnd() ||
        flash.size() != qsizetype(bootloader_.flash().size()) || memoryA.size() != qsizetype(kMemorySize) ||
        memoryB.size() != qsizetype(kMemorySize) || program.size() > qsizetype(kMaxProgramSize))
        return false;
    std::copy(flash.begin(), flash.end(), bootloader_.flash().begin());
    std::copy(memoryA.begin(), memoryA.end(), memoryA_.begin());
    std::copy(memoryB.begin(), memoryB.end(), memoryB_.begin());
    program_ = program;
    effectNumber_ = effectNumber;
    addresses_ = addresses;
    values_ = values;
    assignments_ = assignments;
    readbacks_ = readbacks;
    reverse_ = reverse;
    bypassCode_ = bypassCode;
    presetCode_ = presetCode;
    bypass_ = bypass;
    live_ = live;
    midiChannel_ = midiChannel;
    bankMode_ = bankMode;
    bankOrPreset_ = bankOrPreset;
    mode_ = Mode(mode);
    pending_.clear();
    bootloaderBaud_ = 0;
    bootloader_.reset();
    return true;
}

void VirtualPedal::powerCycle(bool holdB2) {
    pending_.clear();
    bootloaderBaud_ = 0;
    if (holdB2) {
        mode_ = Mode::Bootloader;
        bootloader_.reset();
        return;
    }
    // Out of reset the core starts from the vector table at the base of flash.
    startCore(VirtualBootloader::kFlashBase);
}

bool VirtualPedal::bootableAt(std::uint32_t vectorTable) const {
    // The table's first word is the stack pointer, which must lie in RAM on a word; the second
    // is the reset handler, which must be a Thumb address (bit 0 set) of code in flash.
    using Bootloader = VirtualBootloader;
    const std::uint32_t sp = bootloader_.flashWord(vectorTable);
    const std::uint32_t reset = bootloader_.flashWord(vectorTable + 4);
    return Bootloader::inFlash(vectorTable, 8) && sp > Bootloader::kRamBase &&
           sp <= Bootloader::kRamBase + Bootloader::kRamSize && sp % 4 == 0 && (reset & 1) != 0 &&
           Bootloader::inFlash(reset & ~1u, 2);
}

void VirtualPedal::startCore(std::uint32_t vectorTable) {
    if (bootableAt(vectorTable))
        bootFirmware();
    else
        mode_ = Mode::Halted; // the core faults on the first instruction and says nothing more
}

void VirtualPedal::receive(const std::uint8_t* data, std::size_t count, Clock::time_point now) {
    if (count == 0)
        return;
    if (!pending_.isEmpty() && now - lastByte_ > kMessageTimeout)
        pending_.clear();
    lastByte_ = now;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t byte = data[i];
        if (mode_ == Mode::Halted)
            return;
        if (hostLine_ && !framingMatches(*hostLine_, pedalLine()))
            byte = garbleMisframed(byte);
        if (mode_ == Mode::Firmware)
            firmwareByte(byte);
        else
            bootloaderByte(byte);
    }
}

void VirtualPedal::bootloaderByte(std::uint8_t byte) {
    bootloader_.setNackStep(faults_.nackBootloaderStep);
    bootloader_.setCorruptWrite(faults_.corruptWriteAt);
    const bool wasSynced = bootloader_.synced();
    QByteArray out;
    const std::optional<std::uint32_t> go = bootloader_.receive(byte, out);
    if (!wasSynced && bootloader_.synced())
        bootloaderBaud_ = hostLine_ ? hostLine_->baudRate : 115200;
    send(out);
    if (go)
        startCore(*go);
}

QByteArray VirtualPedal::takeOutput() {
    QByteArray out;
    out.swap(output_);
    return out;
}

void VirtualPedal::send(QByteArray reply) {
    if (reply.isEmpty() || faults_.silent)
        return;
    if (faults_.cutRepliesAfter >= 0 && reply.size() > faults_.cutRepliesAfter)
        reply.truncate(faults_.cutRepliesAfter);
    const bool misframed = hostLine_ && !framingMatches(pedalLine(), *hostLine_);
    const qsizetype before = output_.size();
    for (char c : reply) {
        ++sentBytes_;
        if (faults_.dropEvery > 0 && sentBytes_ % faults_.dropEvery == 0)
            continue;
        std::uint8_t byte = std::uint8_t(c);
        if (faults_.garbleEvery > 0 && sentBytes_ % faults_.garbleEvery == 0)
            byte ^= 0xFF;
        if (misframed)
            byte = garbleMisframed(byte);
        output_.append(char(byte));
    }
    if (output_.size() != before && outputListener_)
        outputListener_();
}

// ---- the effect firmware ----

void VirtualPedal::bootFirmware() {
    mode_ = Mode::Firmware;
    pending_.clear();
    program_.clear();
    addresses_.fill(0);
    values_.fill(0);
    assignments_.fill(0xFF);
    readbacks_.fill(0xFF);
    reverse_.fill(0xFF);
    bypassCode_ = presetCode_ = 0xFF;
    bypass_ = live_ = false;
    midiChannel_ = 0;
    bankMode_ = memoryA_[kMode] == 1;
    bankOrPreset_ = memoryA_[kBankOrPreset] == 0xFF ? 0 : memoryA_[kBankOrPreset];
    effectNumber_ = 0;
    if (memoryA_[kPresent] != kPresent1)
        return;
    effectNumber_ = memoryA_[kEffectNumber];
    QByteArray program;
    if (bankMode_ && bankOrPreset_ < 3)
        program = programAt(memoryB_.data() + bankOrPreset_ * kBankSlotSize, kBankSlotSize);
    else if (!bankMode_)
        program = programAt(memoryA_.data() + kProgram, kMaxProgramSize);
    if (!program.isEmpty())
        startEffect(program);
    effectNumber_ = memoryA_[kEffectNumber];
    loadSettings();
}

void VirtualPedal::startEffect(const QByteArray& program) {
    program_ = program;
    for (int i = 0; i < 16; ++i)
        addresses_[i] = be16(program, 3 + 2 * i);
    effectNumber_ = std::uint8_t(program[126]);
    values_.fill(0);
    assignments_.fill(0xFF);
    readbacks_.fill(0xFF);
    reverse_.fill(0xFF);
    bypassCode_ = presetCode_ = 0xFF;
}

void VirtualPedal::storeEffectHeader(int number, int version) {
    memoryA_[kPresent] = kPresent1;
    memoryA_[kEffectNumber] = std::uint8_t(number);
    memoryA_[kEffectVersion] = std::uint8_t(version);
}

void VirtualPedal::storeSettings() {
    auto& m = memoryA_;
    m[kSettingsMark] = kSettingsStored;
    m[kBypassCode] = bypassCode_;
    m[kPresetCode] = presetCode_;
    m[kBypass] = bypass_ ? 1 : 0;
    m[kLive] = live_ ? 1 : 0;
    m[kMidiChannel] = std::uint8_t(midiChannel_);
    std::copy(readbacks_.begin(), readbacks_.end(), m.begin() + kReadbacks);
    std::copy(assignments_.begin(), assignments_.end(), m.begin() + kAssignments);
    std::copy(reverse_.begin(), reverse_.end(), m.begin() + kReverse);
    for (int i = 0; i < 16; ++i)
        for (int b = 0; b < 4; ++b)
            m[kValues + 4 * i + b] = std::uint8_t(std::uint32_t(values_[i]) >> (24 - 8 * b));
}

void VirtualPedal::loadSettings() {
    const auto& m = memoryA_;
    if (m[kSettingsMark] != kSettingsStored)
        return;
    bypassCode_ = m[kBypassCode];
    presetCode_ = m[kPresetCode];
    bypass_ = m[kBypass] == 1;
    live_ = m[kLive] == 1;
    midiChannel_ = m[kMidiChannel] <= 16 ? m[kMidiChannel] : 0;
    std::copy_n(m.begin() + kReadbacks, 4, readbacks_.begin());
    std::copy_n(m.begin() + kAssignments, 16, assignments_.begin());
    std::copy_n(m.begin() + kReverse, 16, reverse_.begin());
    for (int i = 0; i < 16; ++i) {
        std::uint32_t v = 0;
        for (int b = 0; b < 4; ++b)
            v = (v << 8) | m[kValues + 4 * i + b];
        values_[i] = std::int32_t(v);
    }
}

std::size_t VirtualPedal::messageLength() const {
    const std::uint8_t code = std::uint8_t(pending_[0]);
    if (isUploadCode(code)) {
        if (pending_.size() < 3)
            return 0;
        const std::uint32_t length = be16(pending_, 1);
        // A length no program can have means the header was noise: skip it whole, so its
        // second and third bytes cannot start another impossible header.
        return length < kMinProgramSize || length > kMaxProgramSize ? 3 : length;
    }
    switch (code) {
    case 0x01:
        return 7;
    case 0x02:
    case 0x03:
    case 0x06:
    case 0x07:
    case 0x0D:
        return 2;
    case 0x04:
        return 23;
    case 0x05:
        return 8;
    case 0x08:
    case 0x0A:
        return 3;
    case 0x0B:
        return 5;
    case 0x0C:
        return 6;
    default:
        return 1; // not a command of ours: skipped
    }
}

void VirtualPedal::firmwareByte(std::uint8_t byte) {
    pending_.append(char(byte));
    while (!pending_.isEmpty()) {
        const std::size_t length = messageLength();
        if (length == 0 || std::size_t(pending_.size()) < length)
            return;
        const QByteArray message = pending_.left(qsizetype(length));
        pending_.remove(0, qsizetype(length));
        handleMessage(message);
        if (mode_ != Mode::Firmware)
            return;
    }
}

void VirtualPedal::handleMessage(const QByteArray& m) {
    const std::uint8_t code = std::uint8_t(m[0]);
    if (isUploadCode(code)) {
        if (m.size() >= qsizetype(kMinProgramSize))
            handleUpload(m);
        return;
    }
    const auto at = [&](int i) { return std::uint8_t(m[i]); };
    switch (code) {
    case 0x01:
        setParameter(be16(m, 1), std::int32_t(be32(m, 3)));
        return;
    case 0x02:
        send(stateBlock(at(1)));
        return;
    case 0x03:
        storeSettings();
        return;
    case 0x04:
        setAssignments(m);
        return;
    case 0x05:
        askForBootloader(m);
        return;
    case 0x06:
        send(storedEffectReply());
        return;
    case 0x07:
    case 0x08:
    case 0x0A:
    case 0x0D:
        setSwitch(m);
        return;
    case 0x0B:
        if (at(1) == kMemoryA || at(1) == kMemoryB)
            memory(at(1)).fill(0xFF);
        return;
    case 0x0C:
        dumpMemory(at(1));
        return;
    default:
        return;
    }
}

void VirtualPedal::setParameter(std::uint16_t address, std::int32_t value) {
    // The value goes to whichever control of the effect has that address.
    for (int i = 0; i < 16; ++i)
        if (address != 0 && addresses_[i] == address)
            values_[i] = value;
}

void VirtualPedal::setAssignments(const QByteArray& m) {
    for (int i = 0; i < 16; ++i)
        assignments_[i] = std::uint8_t(m[1 + i]);
    for (int r = 0; r < 4; ++r)
        readbacks_[r] = std::uint8_t(m[17 + r]);
    bypassCode_ = std::uint8_t(m[21]);
    presetCode_ = std::uint8_t(m[22]);
}

void VirtualPedal::askForBootloader(const QByteArray& m) {
    // The bootloader starts only if B2 is held as the command arrives, and only for the exact
    // sequence, so a stray 0x05 cannot take the pedal off the air.
    static const QByteArray entry = QByteArray::fromHex("0500010203040506");
    if (m == entry && options_.holdB2)
        powerCycle(true);
}

QByteArray VirtualPedal::storedEffectReply() const {
    return decimalLine(memoryA_[kPresent]) + decimalLine(memoryA_[kEffectNumber]) +
           decimalLine(memoryA_[kEffectVersion]) + decimalLine(firmwareVersion());
}

void VirtualPedal::dumpMemory(std::uint8_t busAddress) {
    // No chip answers at any other bus address, so neither does the pedal.
    if (busAddress != kMemoryA && busAddress != kMemoryB)
        return;
    const auto& mem = memory(busAddress);
    send(QByteArray(1, char(0xAB)) + QByteArray(reinterpret_cast<const char*>(mem.data()), kMemorySize));
}

void VirtualPedal::setSwitch(const QByteArray& m) {
    // A value out of range is ignored, so noise on the line cannot set nonsense.
    const std::uint8_t value = std::uint8_t(m[1]);
    switch (std::uint8_t(m[0])) {
    case 0x07:
        if (value <= 16)
            midiChannel_ = value;
        return;
    case 0x08:
        if ((value == 0x01 || value == 0xFF) && std::uint8_t(m[2]) < 16)
            reverse_[std::uint8_t(m[2])] = value;
        return;
    case 0x0A:
        if (value <= 1)
            live_ = value == 1;
        return;
    case 0x0D:
        if (value <= 1)
            bypass_ = value == 1;
        return;
    default:
        return;
    }
}

void VirtualPedal::handleUpload(const QByteArray& m) {
    const std::uint8_t code = std::uint8_t(m[0]);
    const int number = std::uint8_t(m[126]);
    if (code == 0x00) {
        std::copy(m.begin(), m.end(), memoryA_.begin() + kProgram);
        memoryA_[kMode] = 0;
        memoryA_[kBankOrPreset] = 0;
        bankMode_ = false;
        bankOrPreset_ = 0;
    } else {
        // A bank slot holds 5,440 bytes; the pedal has nowhere to put a larger program and
        // does not claim to have stored it.
        if (m.size() > int(kBankSlotSize))
            return;
        const int bank = code - 0x0E;
        std::copy(m.begin(), m.end(), memoryB_.begin() + bank * kBankSlotSize);
        memoryA_[kMode] = 1;
        memoryA_[kBankOrPreset] = std::uint8_t(bank);
        bankMode_ = true;
        bankOrPreset_ = bank;
    }
    storeEffectHeader(number, 1);
    memoryA_[kSettingsMark] = 0xFF; // the stored settings belonged to the previous effect
    startEffect(m);
    send("Upload complete");
}

QByteArray VirtualPedal::stateBlock(int n) const {
    QByteArray block;
    const auto put = [&](int v) { block += decimalLine(v & 0xFF); };
    for (int i = 0; i < n; ++i) {
        const std::uint32_t v = i < 16 ? std::uint32_t(values_[i]) : 0;
        for (int b = 0; b < 4; ++b)
            put(int(v >> (24 - 8 * b)));
    }
    for (std::uint8_t a : assignments_)
        put(a);
    put(bypassCode_);
    put(presetCode_);
    for (std::uint8_t r : readbacks_)
        put(r);
    for (std::uint8_t r : reverse_)
        put(r);
    put(bankMode_ ? 1 : 0);
    put(bankOrPreset_);
    put(midiChannel_);
    return block;
}

// ---- the player at the pedal ----

void VirtualPedal::selectBank(int bank) {
    if (mode_ != Mode::Firmware || !bankMode_ || bank < 0 || bank > 2)
        return;
    const QByteArray program = programAt(memoryB_.data() + bank * kBankSlotSize, kBankSlotSize);
    if (!program.isEmpty())
        startEffect(program);
    bankOrPreset_ = bank;
    memoryA_[kBankOrPreset] = std::uint8_t(bank);
    if (!program.isEmpty())
        memoryA_[kEffectNumber] = std::uint8_t(effectNumber_);
    send("0" + QByteArray::number(bank));
}

void VirtualPedal::reportEffect() {
    if (mode_ != Mode::Firmware)
        return;
    send("1" + QByteArray::number(effectNumber_, 16).toUpper());
}

bool VirtualPedal::moveControl(Control control, int value) {
    if (mode_ != Mode::Firmware || control == None)
        return false;
    const int controls = program_.size() > 127 ? std::min<int>(std::uint8_t(program_[127]), 16) : 16;
    for (int i = 0; i < controls; ++i) {
        if (assignments_[i] != control)
            continue;
        const bool reversed = reverse_[i] == 0x01;
        int level;
        if (control <= KV || control == EXP) {
            level = std::clamp(value, 0, 1023);
            if (reversed)
                level = 1023 - level;
        } else {
            level = ((value > 0) != reversed) ? 1024 : 0;
        }
        values_[i] = level * 8192;
        sendLiveReport(control, std::uint8_t(i), std::uint16_t(level));
        return true;
    }
    return false;
}

void VirtualPedal::sendLiveReport(std::uint8_t control, std::uint8_t parameter, std::uint16_t value) {
    if (mode_ != Mode::Firmware)
        return;
    QByteArray report;
    report.append(char(0xAA));
    report.append(char(control));
    report.append(char(parameter));
    report.append(char(value >> 8));
    report.append(char(value & 0xFF));
    send(report);
}
