#include "sim/ProgramLibrary.h"

#include "catalogue/ResourceStore.h"

std::optional<QByteArray> builtInProgram(int effectNumber) {
    return ResourceStore::effectProgram(effectNumber);
}
