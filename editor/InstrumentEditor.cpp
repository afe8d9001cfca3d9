#include "editor/InstrumentEditor.h"

#include <cmath>
#include <cstdio>
#include <new>

#include "engine/Random.h"
#include "instrument/Instrument.h"
#include "instrument/ParameterTable.h"
#include "plugin/Module.h"
#include "toolkit/Bitmap.h"
#include "toolkit/Buttons.h"
#include "toolkit/Colors.h"
#include "toolkit/Frame.h"
#include "toolkit/Knob.h"
#include "toolkit/ParamDisplay.h"
#include "toolkit/SplashScreen.h"

namespace strellon {

namespace {

constexpr int kKnobImages = 91;
constexpr int kWidth = 593;
constexpr int kHeight = 400;
constexpr int kColumnStep = 39;

constexpr int kLastParameter = kNumParams - 1;

struct GlobalKnobPlace {
    int tag;
    int left;
    int top;
};
// Creation order: the bottom row, the tone pair above it, the right column.
constexpr GlobalKnobPlace kGlobalPlaces[] = {
    {72, 100, 352}, {76, 179, 352}, {73, 258, 352}, {74, 337, 352},
    {75, 416, 352}, {60, 495, 352}, {77, 416, 316}, {78, 495, 316},
    {80, 544, 99},  {81, 541, 151}, {82, 539, 205}, {83, 536, 257},
};

// Tags that drive a parameter: 0..60, 72..78 and 80..83.
bool drivesParameter(int tag) { return tag >= 0 && tag <= kLastParameter && !isUnnamedSlot(tag); }

Rect sized(int left, int top, int width, int height) {
    return Rect(left, top, left + width, top + height);
}

// Frames of a strip: the width by the height of one image.
Rect imageRect(int left, int top, Bitmap* strip, int images) {
    return sized(left, top, strip->getWidth(), strip->getHeight() / images);
}

}  // namespace

EditorInterface* createInstrumentEditor(Instrument* instrument) {
    return new (std::nothrow) InstrumentEditor(instrument);
}

InstrumentEditor::InstrumentEditor(Instrument* instrument)
    : EditorBase(instrument), instrument_(instrument), decorationsDirectory_(moduleDirectory()) {
    background_ = new Bitmap(kPanelBitmap);
    rect.top = 0;
    rect.left = 0;
    rect.bottom = vst2::int16(background_->getHeight());
    rect.right = vst2::int16(background_->getWidth());
    for (int k = 0; k < kNumStrings; ++k) stringActivity_[k] = instrument_->getStringActive(k);
}

InstrumentEditor::~InstrumentEditor() {
    // A host that never closed the window still gets its controls freed.
    open_.store(false, std::memory_order_relaxed);
    delete frame;
    frame = nullptr;
    replaceBitmap(background_, nullptr);
}

float InstrumentEditor::parameter(int index) const { return instrument_->getParameter(index); }

vst2::int32 InstrumentEditor::open(void* parentWindow) {
    // A second open without a close would leak the first frame.
    if (frame) close();
    EditorBase::open(parentWindow);
    frame = new Frame(Rect(0, 0, background_->getWidth(), background_->getHeight()), parentWindow,
                      this);
    if (!frame->getWindow()) {
        // No window system, or it refused the parent: nothing is kept.
        delete frame;
        frame = nullptr;
        return 0;
    }
    frame->setBackground(background_);
    // From here on every stored change is recorded, so none made while the
    // controls read their values is lost: the next idle applies it.
    for (auto& bits : changed_) bits.store(0, std::memory_order_relaxed);
    createControls();

    decorationsPath_ =
        decorationsDirectory_.empty() ? std::string() : DecorationsFile::pathIn(decorationsDirectory_);
    DecorationsFile::Offsets read = decorationValues_;
    decorationsFileMissing_ = decorationsPath_.empty() || !DecorationsFile::read(decorationsPath_, read);
    if (!decorationsFileMissing_) decorationValues_ = read;
    createDecorations();

    open_.store(true, std::memory_order_relaxed);
    return 1;
}

void InstrumentEditor::createControls() {
    Bitmap* knob31 = new Bitmap(kKnob31Bitmap);
    for (int i = 0; i < kGlobals; ++i) {
        const GlobalKnobPlace& place = kGlobalPlaces[i];
        auto* knob = new AnimKnob(imageRect(place.left, place.top, knob31, kKnobImages), this, place.tag,
                                  kKnobImages, knob31->getHeight() / kKnobImages, knob31);
        knob->setValue(parameter(place.tag));
        knob->setTransparent(true);
        frame->addView(knob);
        globalKnobs_[i] = knob;
    }
    knob31->release();

    Bitmap* knob28 = new Bitmap(kKnob28Bitmap);
    const auto stringRow = [&](std::array<AnimKnob*, kNumStrings>& knobs, int base, int top) {
        for (int k = 0; k < kNumStrings; ++k) {
            auto* knob = new AnimKnob(imageRect(59 + kColumnStep * k, top, knob28, kKnobImages), this,
                                      base + k, kKnobImages, knob28->getHeight() / kKnobImages, knob28);
            knob->setValue(parameter(base + k));
            knob->setTransparent(true);
            frame->addView(knob);
            knobs[k] = knob;
        }
    };
    stringRow(exciterKnobs_, kExciter, 65);
    stringRow(tuningKnobs_, kTuning, 110);
    stringRow(fixingKnobs_, kFixing, 178);
    stringRow(filterKnobs_, kNisFilter, 224);
    knob28->release();

    Bitmap* link = new Bitmap(kLinkBitmap);
    for (int k = 0; k < kNumStrings; ++k) {
        auto* button = new OnOffButton(imageRect(55 + kColumnStep * k, 260, link, 2), this, kLink + k, link);
        button->setValue(parameter(kLink + k));
        frame->addView(button);
        linkButtons_[k] = button;
    }
    link->release();

    Bitmap* led = new Bitmap(kLedBitmap);
    for (int n = 0; n < kLeds; ++n) {
        const int left = 455 + 8 * (n % 5), top = n < 5 ? 372 : 382;
        auto* button = new OnOffButton(imageRect(left, top, led, 2), this, kShaping, led);
        button->setValue(ledLit(parameter(kShaping), n) ? 1.0f : 0.0f);
        frame->addView(button);
        leds_[n] = button;
    }
    led->release();

    for (int k = 0; k < kNumStrings; ++k) {
        auto* display = new ParamDisplay(sized(57 + kColumnStep * k, 146, 31, 14), background_, 0);
        display->setFont(6);
        display->setFontColor(yellow);
        display->setValue(parameter(kTuning + k));
        display->setValueFormatter(formatTuning);
        display->setTransparent(true);
        // Every display shows the patch under the first one.
        display->setBackgroundOffset(Point(57, 146));
        display->setDirty(true);
        frame->addView(display);
        tuningDisplays_[k] = display;
    }

    Bitmap* about = new Bitmap(kAboutBitmap);
    aboutScreen_ = new SplashScreen(Rect(0, 0, kWidth, 36), this, kAboutTag, about, Rect(143, 93, 443, 293));
    frame->addView(aboutScreen_);
    about->release();
    Bitmap* help = new Bitmap(kHelpBitmap);
    helpScreen_ = new SplashScreen(Rect(445, 347, 486, 361), this, kHelpTag, help, Rect(344, 102, 544, 402));
    frame->addView(helpScreen_);
    help->release();

    Bitmap* lamp = new Bitmap(kLampBitmap);
    for (int k = 0; k < kNumStrings; ++k) {
        auto* movie = new MovieBitmap(imageRect(68 + kColumnStep * k, 300 - 2 * k, lamp, 2), this,
                                      kLampTagBase + 1 + k, 2, lamp->getHeight() / 2, lamp);
        movie->setValue(0.0f);
        movie->setTransparent(true);
        frame->addView(movie);
        lamps_[k] = movie;
    }
    lamp->release();
}

void InstrumentEditor::createDecorations() {
    static constexpr Point kPlaces[DecorationsFile::kCount] = {
        Point(9, 12), Point(543, 12), Point(543, 341), Point(9, 341)};
    // One draw serves all four corners.
    const float r = randomUnit(engineRandom());
    Bitmap* corners = new Bitmap(kCornersBitmap);
    for (int i = 0; i < DecorationsFile::kCount; ++i) {
        auto* decoration = new AnimationButton(imageRect(kPlaces[i].h, kPlaces[i].v, corners, 3), this,
                                               kDecorationTag, 4, 48, corners);
        decoration->setTransparent(true);
        decoration->start();
        if (!decorationsFileMissing_) {
            decoration->setValue(decorationValues_[i]);
        } else if (i < 2) {
            if (r < 0.93f) decoration->nextFrame();
        } else {
            decoration->nextFrame();
            if (r < 0.5f) decoration->nextFrame();
        }
        decoration->setDirty(true);
        frame->addView(decoration);
        decorations_[i] = decoration;
    }
    corners->release();
}

void InstrumentEditor::close() {
    open_.store(false, std::memory_order_relaxed);
    if (frame) {
        delete frame;
        frame = nullptr;
    }
    if (!decorationsPath_.empty()) DecorationsFile::write(decorationsPath_, decorationValues_);
}

void InstrumentEditor::setParameter(vst2::int32 index, float) {
    // Recorded even while closed, so that a change racing with open's
    // reading of the values still reaches the controls; open clears the
    // record before it reads.
    if (index >= 0 && index <= kLastParameter)
        changed_[std::size_t(index) / 32].fetch_or(1u << (index % 32), std::memory_order_relaxed);
    if (open_.load(std::memory_order_relaxed)) requestUpdate();
}

void InstrumentEditor::applyPendingChanges() {
    for (std::size_t word = 0; word < changed_.size(); ++word) {
        uint32_t bits = changed_[word].exchange(0, std::memory_order_relaxed);
        for (int bit = 0; bits != 0; ++bit, bits >>= 1)
            if (bits & 1u) applyChange(int(word) * 32 + bit);
    }
}

template <class Setter>
void InstrumentEditor::linkedUpdate(int groupBase, int string, Setter set) {
    const float v = parameter(groupBase + string);
    set(string, v);
    if (!isOn(parameter(kLink + string))) return;
    if (string != 0 && !isOn(parameter(kLink))) return;
    for (int j = 0; j < kNumStrings; ++j)
        if (j != string && isOn(parameter(kLink + j))) set(j, v);
}

void InstrumentEditor::applyChange(int index) {
    const auto knobsOf = [](std::array<AnimKnob*, kNumStrings>& knobs) {
        return [&knobs](int k, float v) { knobs[k]->setValue(v); };
    };
    if (index < kExciter) {
        linkButtons_[index]->setValue(parameter(index));
    } else if (index < kTuning) {
        linkedUpdate(kExciter, index - kExciter, knobsOf(exciterKnobs_));
    } else if (index < kFixing) {
        linkedUpdate(kTuning, index - kTuning, [this](int k, float v) {
            tuningKnobs_[k]->setValue(v);
            tuningDisplays_[k]->setValue(v);
        });
    } else if (index < kNisFilter) {
        linkedUpdate(kFixing, index - kFixing, knobsOf(fixingKnobs_));
    } else if (index < kShaping) {
        linkedUpdate(kNisFilter, index - kNisFilter, knobsOf(filterKnobs_));
    } else if (index == kShaping) {
        globalKnob(kShaping)->setValue(parameter(kShaping));
        updateLeds();
    } else if (index == kToneRama) {
        // With DynaTone off the tone balance has no effect: the knob rests
        // in the middle.
        globalKnob(kToneRama)->setValue(parameter(kDynaTone) == 0.0f ? 0.5f : parameter(kToneRama));
    } else if (AnimKnob* knob = globalKnob(index)) {
        knob->setValue(parameter(index));
    }
}

AnimKnob* InstrumentEditor::globalKnob(int tag) const {
    for (AnimKnob* knob : globalKnobs_)
        if (knob->getTag() == tag) return knob;
    return nullptr;
}

int InstrumentEditor::shapingBand(float s) {
    if (!(s > 0.0f)) return 0;
    if (s > 0.98f) return kAllLeds;
    static constexpr float kUpper[kLeds] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f, 0.98f};
    int n = 0;
    while (s > kUpper[n]) ++n;
    return n + 1;
}

bool InstrumentEditor::ledLit(float shaping, int led) {
    const int band = shapingBand(shaping);
    return band == kAllLeds || band == led + 1;
}

void InstrumentEditor::updateLeds() {
    const float s = parameter(kShaping);
    for (int n = 0; n < kLeds; ++n) leds_[n]->setValue(ledLit(s, n) ? 1.0f : 0.0f);
}

void InstrumentEditor::valueChanged(DrawContext* context, Control* control) {
    const int tag = control->getTag();
    if (drivesParameter(tag)) {
        instrument_->setParameterAutomated(tag, control->getValue());
        control->redrawIfDirty(context);
    }
    for (int i = 0; i < DecorationsFile::kCount; ++i)
        decorationValues_[i] = DecorationsFile::sanitise(decorations_[i]->getValue());
}

void InstrumentEditor::idle() {
    if (!open_.load(std::memory_order_relaxed)) return;
    applyPendingChanges();
    EditorBase::idle();
    for (int k = 0; k < kNumStrings; ++k) stringActivity_[k] = instrument_->getStringActive(k);
    for (int k = 0; k < kNumStrings; ++k) lamps_[k]->setValue(float(stringActivity_[k]));
    requestUpdate();
}

void InstrumentEditor::formatTuning(float value, char* text) {
    float cents = (2.0f * value - 1.0f) * 100.0f;
    // Stored values are not clamped; keep the conversion defined.
    if (!(cents == cents)) cents = 0.0f;
    if (cents > 1e9f) cents = 1e9f;
    if (cents < -1e9f) cents = -1e9f;
    std::snprintf(text, kDisplayTextSize, "%d", int(cents));
}

}  // namespace strellon
