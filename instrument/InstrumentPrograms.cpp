// The program bank of the Instrument: selecting, naming and copying.
#include <cstring>

#include "instrument/Instrument.h"
#include "instrument/ParameterTable.h"

namespace strellon {

void Instrument::setProgram(vst2::int32 index) {
    if (index < 0 || index >= kNumPrograms || !programs) return;
    curProgram.store(index, std::memory_order_relaxed);
    const Program& loading = programs[index];
    // Each value is read just before its own store: earlier stores (links,
    // the ToneRama rule) write back into this record.
    for (int i = 0; i < kNumParams; ++i)
        if (i != kUnnamed79) setParameter(i, loading.value(i));
}

void Instrument::setProgramName(char* name) {
    if (name && programs) programs[curProgram.load(std::memory_order_relaxed)].setName(name);
}

void Instrument::getProgramName(char* name) {
    if (!name) return;
    if (programs)
        std::strcpy(name, programs[curProgram.load(std::memory_order_relaxed)].name);
    else
        name[0] = '\0';
}

bool Instrument::getProgramNameIndexed(vst2::int32, vst2::int32 index, char* text) {
    const Program* p = program(index);
    if (!p || !text) return false;
    std::strcpy(text, p->name);
    return true;
}

bool Instrument::copyProgram(vst2::int32 destination) {
    if (!programs || destination < 0 || destination >= kNumPrograms) return false;
    const int current = curProgram.load(std::memory_order_relaxed);
    if (destination != current) programs[destination].copyFrom(programs[current]);
    return true;
}

}  // namespace strellon
