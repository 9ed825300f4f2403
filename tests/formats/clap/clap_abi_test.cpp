// The declarations' layouts against the CLAP binary interface on x86_64:
// sizes, the offsets of the fields the plug-in and the test host read, and
// the constants they rely on.
#include "formats/clap/clap_abi.h"

#include <gtest/gtest.h>

#include <cstddef>

static_assert(sizeof(clap_version_t) == 12);
static_assert(sizeof(clap_plugin_entry_t) == 40 && offsetof(clap_plugin_entry_t, init) == 16 &&
              offsetof(clap_plugin_entry_t, get_factory) == 32);
static_assert(sizeof(clap_plugin_factory_t) == 24);
static_assert(sizeof(clap_plugin_descriptor_t) == 88 && offsetof(clap_plugin_descriptor_t, id) == 16 &&
              offsetof(clap_plugin_descriptor_t, version) == 64 && offsetof(clap_plugin_descriptor_t, features) == 80);
static_assert(sizeof(clap_plugin_t) == 96 && offsetof(clap_plugin_t, init) == 16 &&
              offsetof(clap_plugin_t, activate) == 32 && offsetof(clap_plugin_t, process) == 72 &&
              offsetof(clap_plugin_t, on_main_thread) == 88);
static_assert(sizeof(clap_host_t) == 88 && offsetof(clap_host_t, host_data) == 16 &&
              offsetof(clap_host_t, get_extension) == 56 && offsetof(clap_host_t, request_callback) == 80);
static_assert(sizeof(clap_event_header_t) == 16 && offsetof(clap_event_header_t, time) == 4 &&
              offsetof(clap_event_header_t, space_id) == 8 && offsetof(clap_event_header_t, type) == 10 &&
              offsetof(clap_event_header_t, flags) == 12);
static_assert(sizeof(clap_event_note_t) == 40 && offsetof(clap_event_note_t, note_id) == 16 &&
              offsetof(clap_event_note_t, channel) == 22 && offsetof(clap_event_note_t, key) == 24 &&
              offsetof(clap_event_note_t, velocity) == 32);
static_assert(sizeof(clap_event_param_value_t) == 56 && offsetof(clap_event_param_value_t, param_id) == 16 &&
              offsetof(clap_event_param_value_t, cookie) == 24 && offsetof(clap_event_param_value_t, note_id) == 32 &&
              offsetof(clap_event_param_value_t, key) == 40 && offsetof(clap_event_param_value_t, value) == 48);
static_assert(sizeof(clap_event_param_gesture_t) == 20);
static_assert(sizeof(clap_event_midi_t) == 24 && offsetof(clap_event_midi_t, port_index) == 16 &&
              offsetof(clap_event_midi_t, data) == 18);
static_assert(sizeof(clap_audio_buffer_t) == 32 && offsetof(clap_audio_buffer_t, channel_count) == 16 &&
              offsetof(clap_audio_buffer_t, constant_mask) == 24);
static_assert(sizeof(clap_process_t) == 64 && offsetof(clap_process_t, frames_count) == 8 &&
              offsetof(clap_process_t, audio_inputs) == 24 && offsetof(clap_process_t, audio_inputs_count) == 40 &&
              offsetof(clap_process_t, in_events) == 48 && offsetof(clap_process_t, out_events) == 56);
static_assert(sizeof(clap_audio_port_info_t) == 288 && offsetof(clap_audio_port_info_t, flags) == 260 &&
              offsetof(clap_audio_port_info_t, channel_count) == 264 &&
              offsetof(clap_audio_port_info_t, port_type) == 272 &&
              offsetof(clap_audio_port_info_t, in_place_pair) == 280);
static_assert(sizeof(clap_note_port_info_t) == 268 && offsetof(clap_note_port_info_t, name) == 12);
static_assert(sizeof(clap_param_info_t) == 1320 && offsetof(clap_param_info_t, cookie) == 8 &&
              offsetof(clap_param_info_t, name) == 16 && offsetof(clap_param_info_t, module) == 272 &&
              offsetof(clap_param_info_t, min_value) == 1296 && offsetof(clap_param_info_t, default_value) == 1312);
static_assert(sizeof(clap_plugin_params_t) == 48 && sizeof(clap_host_params_t) == 24);
static_assert(sizeof(clap_plugin_gui_t) == 120 && offsetof(clap_plugin_gui_t, set_parent) == 80 &&
              offsetof(clap_plugin_gui_t, hide) == 112);
static_assert(sizeof(clap_window_t) == 16 && offsetof(clap_window_t, x11) == 8);
static_assert(sizeof(clap_host_gui_t) == 40 && sizeof(clap_host_posix_fd_support_t) == 24);
static_assert(CLAP_EVENT_PARAM_VALUE == 5 && CLAP_EVENT_MIDI == 10 && CLAP_EVENT_NOTE_CHOKE == 2 &&
              CLAP_EVENT_PARAM_GESTURE_END == 8 && CLAP_EVENT_TRANSPORT == 9);
static_assert(CLAP_PARAM_IS_STEPPED == 1 && CLAP_PARAM_IS_AUTOMATABLE == 32 && CLAP_NOTE_DIALECT_MIDI == 2);

// The checks above run as the file compiles; this names them in the test list.
TEST(ClapAbi, LayoutsMatchTheInterface) { SUCCEED(); }
