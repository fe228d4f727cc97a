// Built into the audio tests under AddressSanitizer only.
//
// SDL2's PulseAudio driver leaks a few of libpulse's operation objects when
// the sound server goes away under it (its hotplug thread drops them
// unreleased). The leak is SDL's, and .ci/lsan.supp lists SDL for it; but
// the allocation is made inside libpulse, which is built without frame
// pointers, so the sanitizer's fast unwinder stops there and the report
// never shows the SDL frame the suppression matches. This program unwinds
// fully at every allocation instead: slower, and only here, where tests
// kill sound servers under SDL.
extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }
