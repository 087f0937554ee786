// The decimal-number decoder and the taking apart of a synchronous reply: any bytes the pedal
// might send.
#include "base/Convert.h"
#include "protocol/Communication.h"
#include "protocol/RealTimeFunctions.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        bool appended = false;
        decodeDecimalReply(bytes, &appended);
    } catch (const ConversionError&) {
        // A reply whose digit places hold something else: the editor reports it.
    }
    isDecimalReply(bytes);
    takeLiveReports(bytes);
    try {
        decodeDecimalReply(bytes);
    } catch (const ConversionError&) {
    }
    return 0;
}
