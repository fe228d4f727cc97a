#pragma once
// libpulse, opened at run time (dlopen of libpulse.so.0) rather than linked:
// the player then starts and plays through SDL2 on a machine without it,
// and neither the program nor the engine's shared library carries a load
// time dependency on it. Only the types and constants come from the
// headers; every call goes through the table below.
#if __has_include(<pulse/pulseaudio.h>)
#define VANTREL_AVEC_PULSE 1
#include <pulse/pulseaudio.h>
#else
#define VANTREL_AVEC_PULSE 0
#endif

namespace vt::audio {

#if VANTREL_AVEC_PULSE

// One member per libpulse function used, named after it without "pa_".
// The last few only serve the tests and benchmarks (server inspection).
#define VT_FONCTIONS_PULSE(X)           \
    X(threaded_mainloop_new)            \
    X(threaded_mainloop_free)           \
    X(threaded_mainloop_start)          \
    X(threaded_mainloop_stop)           \
    X(threaded_mainloop_lock)           \
    X(threaded_mainloop_unlock)         \
    X(threaded_mainloop_wait)           \
    X(threaded_mainloop_signal)         \
    X(threaded_mainloop_get_api)        \
    X(threaded_mainloop_in_thread)      \
    X(proplist_new)                     \
    X(proplist_free)                    \
    X(proplist_sets)                    \
    X(context_new_with_proplist)        \
    X(context_unref)                    \
    X(context_connect)                  \
    X(context_disconnect)               \
    X(context_get_state)                \
    X(context_get_server)               \
    X(context_errno)                    \
    X(context_set_state_callback)       \
    X(context_set_sink_input_volume)    \
    X(context_subscribe)                \
    X(context_set_subscribe_callback)   \
    X(context_rttime_new)               \
    X(context_rttime_restart)           \
    X(stream_new_with_proplist)         \
    X(stream_unref)                     \
    X(stream_connect_playback)          \
    X(stream_connect_record)            \
    X(stream_disconnect)                \
    X(stream_get_state)                 \
    X(stream_get_index)                 \
    X(stream_get_device_index)          \
    X(stream_set_state_callback)        \
    X(stream_set_write_callback)        \
    X(stream_set_read_callback)         \
    X(stream_set_moved_callback)        \
    X(stream_set_underflow_callback)    \
    X(stream_begin_write)               \
    X(stream_cancel_write)              \
    X(stream_write)                     \
    X(stream_writable_size)             \
    X(stream_peek)                      \
    X(stream_drop)                      \
    X(stream_cork)                      \
    X(stream_flush)                     \
    X(stream_get_latency)               \
    X(stream_get_time)                  \
    X(stream_get_buffer_attr)           \
    X(stream_proplist_update)           \
    X(operation_unref)                  \
    X(operation_get_state)              \
    X(channel_map_init_stereo)          \
    X(sw_volume_from_linear)            \
    X(rtclock_now)                      \
    X(timeval_age)                      \
    X(utf8_valid)                       \
    X(utf8_filter)                      \
    X(xfree)                            \
    X(strerror)                         \
    X(proplist_gets)                    \
    X(context_get_sink_input_info_list) \
    X(context_get_sink_info_by_name)    \
    X(context_get_sink_info_by_index)   \
    X(context_kill_sink_input)          \
    X(context_set_default_sink)         \
    X(context_load_module)              \
    X(context_unload_module)            \
    X(stream_update_timing_info)        \
    X(stream_get_timing_info)

struct BibliothequePulse {
#define VT_MEMBRE(nom) decltype(&::pa_##nom) nom = nullptr;
    VT_FONCTIONS_PULSE(VT_MEMBRE)
#undef VT_MEMBRE
};

// The table, loaded on first use (thread-safe); nullptr when libpulse is
// missing, damaged or lacks a function (bibliotheque_optionnelle.h).
const BibliothequePulse* bibliotheque_pulse();

#endif

}  // namespace vt::audio
