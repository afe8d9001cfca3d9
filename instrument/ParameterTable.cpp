#include "instrument/ParameterTable.h"

namespace strellon {

namespace {

// Byte-exact, blanks included: hosts and stored projects show these.
constexpr const char* kNames[kNumParams] = {
    "Link1 ", "Link2 ", "Link3 ", "Link4 ", "Link5 ", "Link6 ",
    "Link7 ", "Link8 ", "Link9 ", "Link10 ", "Link11 ", "Link12 ",
    "Exciter1", "Exciter2", "Exciter3 ", "Exciter4 ", "Exciter5 ", "Exciter6 ",
    "Exciter7 ", "Exciter8 ", "Exciter9 ", "Exciter10 ", "Exciter11 ", "Exciter12 ",
    "Tuning1 ", "Tuning2 ", "Tuning3 ", "Tuning4 ", "Tuning5 ", "Tuning6 ",
    "Tuning7 ", "Tuning8 ", "Tuning9 ", "Tuning10 ", "Tuning11 ", "Tuning12 ",
    "Fixing1 ", "Fixing2 ", "Fixing3 ", "Fixing4 ", "Fixing5 ", "Fixing6 ",
    "Fixing7 ", "Fixing8 ", "Fixing9 ", "Fixing10 ", "Fixing11 ", "Fixing12 ",
    " nisFilter1  ", " nisFilter2  ", " nisFilter3  ", " nisFilter4  ",
    " nisFilter5  ", " nisFilter6  ", " nisFilter7  ", " nisFilter8  ",
    " nisFilter9  ", " nisFilter10 ", " nisFilter11 ", " nisFilter12 ",
    "Shaping ",
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    nullptr, nullptr, nullptr, nullptr, nullptr,
    "Modulation  ", "SelfBend ", "Sympathetic ", "Damp", "ThePick ", "DynaTone ",
    "ToneRama  ", nullptr, "Velocity ", "Pitch ", "Chorus   ", "Volume ",
};

}  // namespace

const char* parameterName(int index) {
    return index >= 0 && index < kNumParams ? kNames[index] : nullptr;
}

}  // namespace strellon
