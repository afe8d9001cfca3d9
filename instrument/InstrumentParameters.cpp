// The parameter store of the Instrument: storing with the link mechanism and
// the ToneRama rule, reading back, names and display texts.
#include <cmath>
#include <cstring>

#include "instrument/Instrument.h"
#include "instrument/ParameterTable.h"

namespace strellon {

void Instrument::store(int index, float value) {
    if (programs) programs[curProgram.load(std::memory_order_relaxed)].setValue(index, value);
    params[index].store(value, std::memory_order_relaxed);
}

void Instrument::setParameter(vst2::int32 index, float value) {
    // A NaN or an infinity would stay in the engine's filters for good.
    if (!std::isfinite(value)) return;

    const int base = linkGroupBase(index);
    if (base >= 0) {
        const bool linking = isOn(readParam(params, kLink));
        const int string = index - base + 1;
        if (string != 1 && !(linking && isOn(readParam(params, kLink + string - 1)))) {
            store(index, value);
        } else {
            // Any member of the linked set sets the whole set, string 1 first.
            store(base, value);
            if (linking)
                for (int s = 2; s <= kNumStrings; ++s)
                    if (isOn(readParam(params, kLink + s - 1))) store(base + s - 1, value);
        }
    } else if (index == kToneRama) {
        store(index, readParam(params, kDynaTone) == 0.0f ? 0.5f : value);
    } else if (index >= 0 && index < kNumParams && !isUnnamedSlot(index)) {
        store(index, value);
    }

    if (editor) {
        editor->requestUpdate();
        editor->setParameter(index, value);
    }
}

float Instrument::getParameter(vst2::int32 index) {
    if (index < 0 || index >= kNumParams || isUnnamedSlot(index)) return 0.0f;
    const int base = linkGroupBase(index);
    if (base >= 0 && index != base && isOn(readParam(params, kLink)) &&
        isOn(readParam(params, kLink + index - base)))
        return readParam(params, base);
    if (index == kToneRama && readParam(params, kDynaTone) == 0.0f) return 0.5f;
    return readParam(params, index);
}

void Instrument::getParameterLabel(vst2::int32, char*) {
    // No unit labels: the host's buffer is left as it is.
}

void Instrument::getParameterDisplay(vst2::int32 index, char* text) {
    if (!text) return;
    text[0] = '\0';
    if (index == kTuning || index == kShaping || index == kVolume)
        floatToText(readParam(params, index), text);
}

void Instrument::getParameterName(vst2::int32 index, char* text) {
    // Unnamed slots leave the host's buffer as it is.
    const char* name = parameterName(index);
    if (text && name) std::strcpy(text, name);
}

}  // namespace strellon
