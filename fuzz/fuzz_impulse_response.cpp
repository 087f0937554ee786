// A WAV file handed to Load IR: the header walk and the sample conversion take whatever bytes
// the file holds, for each effect that takes an impulse response.
#include "catalogue/ImpulseResponse.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const QStringList effects = impulseResponseEffects();
    const QString effect = effects.isEmpty() ? QString() : effects.at(data[0] % effects.size());
    const QByteArray file(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    const IrComposition ir = composeImpulseResponse(file, QStringLiteral("/fuzz/ir.wav"), effect);
    if (ir.problem.isEmpty() && ir.programText.isEmpty())
        __builtin_trap(); // an accepted file always makes a program
    return 0;
}
