// The instrument's panel: 112 controls of the toolkit over one background
// bitmap, kept in step with the plug-in's parameters, with string lamps that
// follow the sounding strings and four corner decorations whose state lives
// in a file beside the library.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

#include "editor/Decorations.h"
#include "editor/EditorBase.h"
#include "engine/Parameters.h"
#include "toolkit/View.h"

namespace strellon {

class AnimKnob;
class AnimationButton;
class Bitmap;
class Instrument;
class MovieBitmap;
class OnOffButton;
class ParamDisplay;
class SplashScreen;

// Resource numbers of the editor's bitmaps.
enum EditorBitmap : int {
    kKnob31Bitmap = 104,
    kLedBitmap = 107,
    kPanelBitmap = 108,
    kLinkBitmap = 109,
    kKnob28Bitmap = 111,
    kAboutBitmap = 115,
    kHelpBitmap = 116,
    kLampBitmap = 117,
    kCornersBitmap = 119,
};

// Tags of the controls that drive no parameter.
constexpr int kLampTagBase = 84;  // lamp of string k is 84 + k
constexpr int kAboutTag = 97;
constexpr int kHelpTag = 98;
constexpr int kDecorationTag = 99;

class InstrumentEditor : public EditorBase, public ControlListener {
public:
    static constexpr int kLeds = 10;
    static constexpr int kGlobals = 12;
    static constexpr int kControlCount = 112;

    // UI thread (inside the instrument's constructor).
    explicit InstrumentEditor(Instrument* instrument);
    ~InstrumentEditor() override;

    // UI thread. Builds the frame and the controls; 0 when no window could
    // be made for the frame (nothing is kept then).
    vst2::int32 open(void* parentWindow) override;
    // UI thread. Destroys the frame and writes the decorations file.
    void close() override;
    // UI thread: applies the parameter changes recorded since the last idle,
    // redraws what changed and refreshes the string lamps.
    void idle() override;
    // Any thread: records that the parameter changed; the controls follow
    // at the next idle, on the UI thread. Touches no control.
    void setParameter(vst2::int32 index, float value) override;
    // UI thread: a control the user changed.
    void valueChanged(DrawContext* context, Control* control) override;

    bool isOpen() const { return open_.load(std::memory_order_relaxed); }
    // UI thread: where the decorations file is looked for (the library's
    // folder unless set; none when that is unknown).
    void setDecorationsDirectory(const std::string& directory) { decorationsDirectory_ = directory; }
    const std::string& decorationsPath() const { return decorationsPath_; }
    const DecorationsFile::Offsets& decorationValues() const { return decorationValues_; }
    bool decorationsFileMissing() const { return decorationsFileMissing_; }

    // The text a tuning display shows for a value: (2v - 1) x 100 truncated.
    static void formatTuning(float value, char* text);
    // The harp model a Shaping value chooses: 0 for none (no LED lit), 1 to
    // 10 for the one LED lit, kAllLeds when all ten are.
    static constexpr int kAllLeds = 11;
    static int shapingBand(float shaping);
    // Whether shaping LED led (0-based) is lit for a Shaping value.
    static bool ledLit(float shaping, int led);

private:
    void createControls();
    void createDecorations();
    // The moves one stored parameter change makes on the controls.
    void applyChange(int index);
    void applyPendingChanges();
    // Sets the controls of one per-string group for string k (0-based) to v,
    // and those of the strings linked to it.
    template <class Setter>
    void linkedUpdate(int groupBase, int string, Setter set);
    void updateLeds();
    AnimKnob* globalKnob(int tag) const;
    float parameter(int index) const;

    Instrument* instrument_;
    std::array<AnimKnob*, kNumStrings> exciterKnobs_{};
    std::array<AnimKnob*, kNumStrings> tuningKnobs_{};
    std::array<ParamDisplay*, kNumStrings> tuningDisplays_{};
    std::array<AnimKnob*, kNumStrings> fixingKnobs_{};
    std::array<AnimKnob*, kNumStrings> filterKnobs_{};
    std::array<OnOffButton*, kNumStrings> linkButtons_{};
    std::array<AnimKnob*, kGlobals> globalKnobs_{};
    std::array<OnOffButton*, kLeds> leds_{};
    SplashScreen* aboutScreen_ = nullptr;
    SplashScreen* helpScreen_ = nullptr;
    std::array<MovieBitmap*, kNumStrings> lamps_{};
    std::array<AnimationButton*, DecorationsFile::kCount> decorations_{};
    Bitmap* background_ = nullptr;
    // Read on any thread by setParameter; written on the UI thread.
    std::atomic<bool> open_{false};
    std::array<int32_t, kNumStrings> stringActivity_{};
    DecorationsFile::Offsets decorationValues_{};
    bool decorationsFileMissing_ = false;
    std::string decorationsDirectory_;
    std::string decorationsPath_;
    // One bit per parameter index, set by setParameter on any thread and
    // taken by the UI thread's idle.
    std::array<std::atomic<uint32_t>, 3> changed_{};
};

// The plug-in's editor factory: a new editor registered with the instrument.
EditorInterface* createInstrumentEditor(Instrument* instrument);

}  // namespace strellon
