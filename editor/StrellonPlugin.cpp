#include "editor/StrellonPlugin.h"

#include "editor/InstrumentEditor.h"
#include "instrument/Instrument.h"
#include "plugin/PluginEntry.h"

namespace strellon {

namespace {
PluginBase* makeStrellon(vst2::HostCallback host) { return new Instrument(host, createInstrumentEditor); }
}  // namespace

vst2::AEffect* strellonMain(vst2::HostCallback host) { return createEffect(host, makeStrellon); }

}  // namespace strellon
