// The receive poll's decoding: a stream of reads as the bridge might deliver them, with the
// clock moving between them and late replies expected now and then.
#include "base/ConsoleLog.h"
#include "base/Convert.h"
#include "protocol/RealTimeFunctions.h"
#include "support/ScriptedServices.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ScriptedServices services;
    ConsoleLog log;
    IncomingDecoder decoder(services, log);
    std::size_t i = 0;
    while (i < size) {
        const std::uint8_t control = data[i++];
        if (control == 0xFF) {
            services.now += kMemoryDumpTimeoutMs + 1;
            continue;
        }
        if (control == 0xFE) {
            decoder.expectLateReply();
            continue;
        }
        // Short reads, or long ones in steps of 256 bytes, so a whole dump fits in a few.
        std::size_t length = control & 0x80 ? std::size_t(control & 0x7F) * 256 : control;
        length = std::min(length, size - i);
        const QByteArray read(reinterpret_cast<const char*>(data + i), static_cast<qsizetype>(length));
        i += length;
        try {
            const IncomingMessage message = decoder.decode(read);
            if (message.kind == IncomingMessage::Kind::MemoryDump) {
                memoryDumpLines(message.dump);
                isErasedMemory(message.dump);
            }
        } catch (const ConversionError&) {
            // A bank or effect report whose number does not read: reported, the poll goes on.
        }
    }
    return 0;
}
