// The parts of the CLAP 1.x binary interface this plug-in uses, declared
// from the published interface: the entry, the plug-in factory, the plug-in
// and host records, events, the process call and the extensions below.
// Layouts are those of the C interface on x86_64 (checked by a test).
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

typedef std::uint32_t clap_id;
inline constexpr clap_id CLAP_INVALID_ID = UINT32_MAX;
inline constexpr std::size_t CLAP_NAME_SIZE = 256;
inline constexpr std::size_t CLAP_PATH_SIZE = 1024;

typedef struct clap_version {
    std::uint32_t major;
    std::uint32_t minor;
    std::uint32_t revision;
} clap_version_t;

// The version this plug-in is written against; hosts of any 1.x take it.
inline constexpr clap_version_t CLAP_VERSION = {1, 2, 0};
inline constexpr bool clap_version_is_compatible(clap_version_t v) { return v.major >= 1; }

struct clap_host;
struct clap_plugin;

// Events

typedef struct clap_event_header {
    std::uint32_t size;  // the whole event's size in bytes
    std::uint32_t time;  // sample offset within the block
    std::uint16_t space_id;
    std::uint16_t type;
    std::uint32_t flags;
} clap_event_header_t;

inline constexpr std::uint16_t CLAP_CORE_EVENT_SPACE_ID = 0;

enum {
    CLAP_EVENT_IS_LIVE = 1 << 0,
    CLAP_EVENT_DONT_RECORD = 1 << 1,
};

enum {
    CLAP_EVENT_NOTE_ON = 0,
    CLAP_EVENT_NOTE_OFF = 1,
    CLAP_EVENT_NOTE_CHOKE = 2,
    CLAP_EVENT_NOTE_END = 3,
    CLAP_EVENT_NOTE_EXPRESSION = 4,
    CLAP_EVENT_PARAM_VALUE = 5,
    CLAP_EVENT_PARAM_MOD = 6,
    CLAP_EVENT_PARAM_GESTURE_BEGIN = 7,
    CLAP_EVENT_PARAM_GESTURE_END = 8,
    CLAP_EVENT_TRANSPORT = 9,
    CLAP_EVENT_MIDI = 10,
    CLAP_EVENT_MIDI_SYSEX = 11,
    CLAP_EVENT_MIDI2 = 12,
};

typedef struct clap_event_note {
    clap_event_header_t header;
    std::int32_t note_id;     // -1: any
    std::int16_t port_index;  // -1: any
    std::int16_t channel;     // 0..15, -1: any
    std::int16_t key;         // 0..127, -1: any
    double velocity;          // 0..1
} clap_event_note_t;

typedef struct clap_event_param_value {
    clap_event_header_t header;
    clap_id param_id;
    void* cookie;
    std::int32_t note_id;
    std::int16_t port_index;
    std::int16_t channel;
    std::int16_t key;
    double value;
} clap_event_param_value_t;

typedef struct clap_event_param_gesture {
    clap_event_header_t header;
    clap_id param_id;
} clap_event_param_gesture_t;

typedef struct clap_event_midi {
    clap_event_header_t header;
    std::uint16_t port_index;
    std::uint8_t data[3];
} clap_event_midi_t;

typedef struct clap_input_events {
    void* ctx;
    std::uint32_t (*size)(const struct clap_input_events* list);
    const clap_event_header_t* (*get)(const struct clap_input_events* list, std::uint32_t index);
} clap_input_events_t;

typedef struct clap_output_events {
    void* ctx;
    bool (*try_push)(const struct clap_output_events* list, const clap_event_header_t* event);
} clap_output_events_t;

// Audio and the process call

typedef struct clap_audio_buffer {
    float** data32;
    double** data64;
    std::uint32_t channel_count;
    std::uint32_t latency;
    std::uint64_t constant_mask;
} clap_audio_buffer_t;

struct clap_event_transport;  // not read

typedef struct clap_process {
    std::int64_t steady_time;
    std::uint32_t frames_count;
    const struct clap_event_transport* transport;
    const clap_audio_buffer_t* audio_inputs;
    clap_audio_buffer_t* audio_outputs;
    std::uint32_t audio_inputs_count;
    std::uint32_t audio_outputs_count;
    const clap_input_events_t* in_events;
    const clap_output_events_t* out_events;
} clap_process_t;

typedef std::int32_t clap_process_status;
enum {
    CLAP_PROCESS_ERROR = 0,
    CLAP_PROCESS_CONTINUE = 1,
    CLAP_PROCESS_CONTINUE_IF_NOT_QUIET = 2,
    CLAP_PROCESS_TAIL = 3,
    CLAP_PROCESS_SLEEP = 4,
};

// The host, the plug-in, the factory and the entry

typedef struct clap_host {
    clap_version_t clap_version;
    void* host_data;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    const void* (*get_extension)(const struct clap_host* host, const char* extension_id);
    void (*request_restart)(const struct clap_host* host);
    void (*request_process)(const struct clap_host* host);
    void (*request_callback)(const struct clap_host* host);
} clap_host_t;

typedef struct clap_plugin_descriptor {
    clap_version_t clap_version;
    const char* id;
    const char* name;
    const char* vendor;
    const char* url;
    const char* manual_url;
    const char* support_url;
    const char* version;
    const char* description;
    const char* const* features;  // null-terminated
} clap_plugin_descriptor_t;

typedef struct clap_plugin {
    const clap_plugin_descriptor_t* desc;
    void* plugin_data;
    bool (*init)(const struct clap_plugin* plugin);
    void (*destroy)(const struct clap_plugin* plugin);
    bool (*activate)(const struct clap_plugin* plugin, double sample_rate, std::uint32_t min_frames_count,
                     std::uint32_t max_frames_count);
    void (*deactivate)(const struct clap_plugin* plugin);
    bool (*start_processing)(const struct clap_plugin* plugin);
    void (*stop_processing)(const struct clap_plugin* plugin);
    void (*reset)(const struct clap_plugin* plugin);
    clap_process_status (*process)(const struct clap_plugin* plugin, const clap_process_t* process);
    const void* (*get_extension)(const struct clap_plugin* plugin, const char* id);
    void (*on_main_thread)(const struct clap_plugin* plugin);
} clap_plugin_t;

inline constexpr const char CLAP_PLUGIN_FACTORY_ID[] = "clap.plugin-factory";

typedef struct clap_plugin_factory {
    std::uint32_t (*get_plugin_count)(const struct clap_plugin_factory* factory);
    const clap_plugin_descriptor_t* (*get_plugin_descriptor)(const struct clap_plugin_factory* factory,
                                                             std::uint32_t index);
    const clap_plugin_t* (*create_plugin)(const struct clap_plugin_factory* factory, const clap_host_t* host,
                                          const char* plugin_id);
} clap_plugin_factory_t;

typedef struct clap_plugin_entry {
    clap_version_t clap_version;
    bool (*init)(const char* plugin_path);
    void (*deinit)(void);
    const void* (*get_factory)(const char* factory_id);
} clap_plugin_entry_t;

// Extension: audio ports

inline constexpr const char CLAP_EXT_AUDIO_PORTS[] = "clap.audio-ports";
inline constexpr const char CLAP_PORT_MONO[] = "mono";
inline constexpr const char CLAP_PORT_STEREO[] = "stereo";

enum {
    CLAP_AUDIO_PORT_IS_MAIN = 1 << 0,
    CLAP_AUDIO_PORT_SUPPORTS_64BITS = 1 << 1,
    CLAP_AUDIO_PORT_PREFERS_64BITS = 1 << 2,
    CLAP_AUDIO_PORT_REQUIRES_COMMON_SAMPLE_SIZE = 1 << 3,
};

typedef struct clap_audio_port_info {
    clap_id id;
    char name[CLAP_NAME_SIZE];
    std::uint32_t flags;
    std::uint32_t channel_count;
    const char* port_type;
    clap_id in_place_pair;
} clap_audio_port_info_t;

typedef struct clap_plugin_audio_ports {
    std::uint32_t (*count)(const clap_plugin_t* plugin, bool is_input);
    bool (*get)(const clap_plugin_t* plugin, std::uint32_t index, bool is_input, clap_audio_port_info_t* info);
} clap_plugin_audio_ports_t;

// Extension: note ports

inline constexpr const char CLAP_EXT_NOTE_PORTS[] = "clap.note-ports";

enum {
    CLAP_NOTE_DIALECT_CLAP = 1 << 0,
    CLAP_NOTE_DIALECT_MIDI = 1 << 1,
    CLAP_NOTE_DIALECT_MIDI_MPE = 1 << 2,
    CLAP_NOTE_DIALECT_MIDI2 = 1 << 3,
};

typedef struct clap_note_port_info {
    clap_id id;
    std::uint32_t supported_dialects;
    std::uint32_t preferred_dialect;
    char name[CLAP_NAME_SIZE];
} clap_note_port_info_t;

typedef struct clap_plugin_note_ports {
    std::uint32_t (*count)(const clap_plugin_t* plugin, bool is_input);
    bool (*get)(const clap_plugin_t* plugin, std::uint32_t index, bool is_input, clap_note_port_info_t* info);
} clap_plugin_note_ports_t;

// Extension: parameters

inline constexpr const char CLAP_EXT_PARAMS[] = "clap.params";

enum {
    CLAP_PARAM_IS_STEPPED = 1 << 0,
    CLAP_PARAM_IS_PERIODIC = 1 << 1,
    CLAP_PARAM_IS_HIDDEN = 1 << 2,
    CLAP_PARAM_IS_READONLY = 1 << 3,
    CLAP_PARAM_IS_BYPASS = 1 << 4,
    CLAP_PARAM_IS_AUTOMATABLE = 1 << 5,
};

enum {
    CLAP_PARAM_RESCAN_VALUES = 1 << 0,
    CLAP_PARAM_RESCAN_TEXT = 1 << 1,
    CLAP_PARAM_RESCAN_INFO = 1 << 2,
    CLAP_PARAM_RESCAN_ALL = 1 << 3,
};

typedef struct clap_param_info {
    clap_id id;
    std::uint32_t flags;
    void* cookie;
    char name[CLAP_NAME_SIZE];
    char module[CLAP_PATH_SIZE];
    double min_value;
    double max_value;
    double default_value;
} clap_param_info_t;

typedef struct clap_plugin_params {
    std::uint32_t (*count)(const clap_plugin_t* plugin);
    bool (*get_info)(const clap_plugin_t* plugin, std::uint32_t param_index, clap_param_info_t* param_info);
    bool (*get_value)(const clap_plugin_t* plugin, clap_id param_id, double* out_value);
    bool (*value_to_text)(const clap_plugin_t* plugin, clap_id param_id, double value, char* out_buffer,
                          std::uint32_t out_buffer_capacity);
    bool (*text_to_value)(const clap_plugin_t* plugin, clap_id param_id, const char* param_value_text,
                          double* out_value);
    void (*flush)(const clap_plugin_t* plugin, const clap_input_events_t* in, const clap_output_events_t* out);
} clap_plugin_params_t;

typedef struct clap_host_params {
    void (*rescan)(const clap_host_t* host, std::uint32_t flags);
    void (*clear)(const clap_host_t* host, clap_id param_id, std::uint32_t flags);
    void (*request_flush)(const clap_host_t* host);
} clap_host_params_t;

// Extension: latency

inline constexpr const char CLAP_EXT_LATENCY[] = "clap.latency";

typedef struct clap_plugin_latency {
    std::uint32_t (*get)(const clap_plugin_t* plugin);
} clap_plugin_latency_t;

typedef struct clap_host_latency {
    void (*changed)(const clap_host_t* host);
} clap_host_latency_t;

// Extension: log

inline constexpr const char CLAP_EXT_LOG[] = "clap.log";
inline constexpr std::int32_t CLAP_LOG_WARNING = 2;

typedef struct clap_host_log {
    void (*log)(const clap_host_t* host, std::int32_t severity, const char* message);
} clap_host_log_t;

// Extension: state

inline constexpr const char CLAP_EXT_STATE[] = "clap.state";

typedef struct clap_istream {
    void* ctx;
    std::int64_t (*read)(const struct clap_istream* stream, void* buffer, std::uint64_t size);
} clap_istream_t;

typedef struct clap_ostream {
    void* ctx;
    std::int64_t (*write)(const struct clap_ostream* stream, const void* buffer, std::uint64_t size);
} clap_ostream_t;

typedef struct clap_plugin_state {
    bool (*save)(const clap_plugin_t* plugin, const clap_ostream_t* stream);
    bool (*load)(const clap_plugin_t* plugin, const clap_istream_t* stream);
} clap_plugin_state_t;

typedef struct clap_host_state {
    void (*mark_dirty)(const clap_host_t* host);
} clap_host_state_t;

// Extension: the editor

inline constexpr const char CLAP_EXT_GUI[] = "clap.gui";
inline constexpr const char CLAP_WINDOW_API_X11[] = "x11";

typedef struct clap_window {
    const char* api;
    union {
        void* cocoa;
        unsigned long x11;
        void* win32;
        void* ptr;
    };
} clap_window_t;

typedef struct clap_gui_resize_hints {
    bool can_resize_horizontally;
    bool can_resize_vertically;
    bool preserve_aspect_ratio;
    std::uint32_t aspect_ratio_width;
    std::uint32_t aspect_ratio_height;
} clap_gui_resize_hints_t;

typedef struct clap_plugin_gui {
    bool (*is_api_supported)(const clap_plugin_t* plugin, const char* api, bool is_floating);
    bool (*get_preferred_api)(const clap_plugin_t* plugin, const char** api, bool* is_floating);
    bool (*create)(const clap_plugin_t* plugin, const char* api, bool is_floating);
    void (*destroy)(const clap_plugin_t* plugin);
    bool (*set_scale)(const clap_plugin_t* plugin, double scale);
    bool (*get_size)(const clap_plugin_t* plugin, std::uint32_t* width, std::uint32_t* height);
    bool (*can_resize)(const clap_plugin_t* plugin);
    bool (*get_resize_hints)(const clap_plugin_t* plugin, clap_gui_resize_hints_t* hints);
    bool (*adjust_size)(const clap_plugin_t* plugin, std::uint32_t* width, std::uint32_t* height);
    bool (*set_size)(const clap_plugin_t* plugin, std::uint32_t width, std::uint32_t height);
    bool (*set_parent)(const clap_plugin_t* plugin, const clap_window_t* window);
    bool (*set_transient)(const clap_plugin_t* plugin, const clap_window_t* window);
    void (*suggest_title)(const clap_plugin_t* plugin, const char* title);
    bool (*show)(const clap_plugin_t* plugin);
    bool (*hide)(const clap_plugin_t* plugin);
} clap_plugin_gui_t;

typedef struct clap_host_gui {
    void (*resize_hints_changed)(const clap_host_t* host);
    bool (*request_resize)(const clap_host_t* host, std::uint32_t width, std::uint32_t height);
    bool (*request_show)(const clap_host_t* host);
    bool (*request_hide)(const clap_host_t* host);
    void (*closed)(const clap_host_t* host, bool was_destroyed);
} clap_host_gui_t;

// Extension: timers and file descriptors served by the host's main loop

inline constexpr const char CLAP_EXT_TIMER_SUPPORT[] = "clap.timer-support";

typedef struct clap_plugin_timer_support {
    void (*on_timer)(const clap_plugin_t* plugin, clap_id timer_id);
} clap_plugin_timer_support_t;

typedef struct clap_host_timer_support {
    bool (*register_timer)(const clap_host_t* host, std::uint32_t period_ms, clap_id* timer_id);
    bool (*unregister_timer)(const clap_host_t* host, clap_id timer_id);
} clap_host_timer_support_t;

inline constexpr const char CLAP_EXT_POSIX_FD_SUPPORT[] = "clap.posix-fd-support";

enum {
    CLAP_POSIX_FD_READ = 1 << 0,
    CLAP_POSIX_FD_WRITE = 1 << 1,
    CLAP_POSIX_FD_ERROR = 1 << 2,
};

typedef struct clap_plugin_posix_fd_support {
    void (*on_fd)(const clap_plugin_t* plugin, int fd, std::uint32_t flags);
} clap_plugin_posix_fd_support_t;

typedef struct clap_host_posix_fd_support {
    bool (*register_fd)(const clap_host_t* host, int fd, std::uint32_t flags);
    bool (*modify_fd)(const clap_host_t* host, int fd, std::uint32_t flags);
    bool (*unregister_fd)(const clap_host_t* host, int fd);
} clap_host_posix_fd_support_t;

// Extension: the host's thread identification

inline constexpr const char CLAP_EXT_THREAD_CHECK[] = "clap.thread-check";

typedef struct clap_host_thread_check {
    bool (*is_main_thread)(const clap_host_t* host);
    bool (*is_audio_thread)(const clap_host_t* host);
} clap_host_thread_check_t;

// Factory: preset discovery, for the host's preset browser. A provider
// declares where presets are (here: inside the plug-in) and describes each.

inline constexpr const char CLAP_PRESET_DISCOVERY_FACTORY_ID[] = "clap.preset-discovery-factory/2";
inline constexpr const char CLAP_PRESET_DISCOVERY_FACTORY_ID_COMPAT[] = "clap.preset-discovery-factory/draft-2";

enum { CLAP_PRESET_DISCOVERY_LOCATION_FILE = 0, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN = 1 };
enum {
    CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT = 1 << 0,
    CLAP_PRESET_DISCOVERY_IS_USER_CONTENT = 1 << 1,
    CLAP_PRESET_DISCOVERY_IS_DEMO_CONTENT = 1 << 2,
    CLAP_PRESET_DISCOVERY_IS_FAVORITE = 1 << 3,
};

typedef std::uint64_t clap_timestamp_t;  // seconds since 1970, 0 unknown

typedef struct clap_universal_plugin_id {
    const char* abi;  // "clap"
    const char* id;
} clap_universal_plugin_id_t;

typedef struct clap_preset_discovery_metadata_receiver {
    void* receiver_data;
    void (*on_error)(const struct clap_preset_discovery_metadata_receiver* receiver, std::int32_t os_error,
                     const char* error_message);
    bool (*begin_preset)(const struct clap_preset_discovery_metadata_receiver* receiver, const char* name,
                         const char* load_key);
    void (*add_plugin_id)(const struct clap_preset_discovery_metadata_receiver* receiver,
                          const clap_universal_plugin_id_t* plugin_id);
    void (*set_soundpack_id)(const struct clap_preset_discovery_metadata_receiver* receiver, const char* soundpack_id);
    void (*set_flags)(const struct clap_preset_discovery_metadata_receiver* receiver, std::uint32_t flags);
    void (*add_creator)(const struct clap_preset_discovery_metadata_receiver* receiver, const char* creator);
    void (*set_description)(const struct clap_preset_discovery_metadata_receiver* receiver, const char* description);
    void (*set_timestamps)(const struct clap_preset_discovery_metadata_receiver* receiver,
                           clap_timestamp_t creation_time, clap_timestamp_t modification_time);
    void (*add_feature)(const struct clap_preset_discovery_metadata_receiver* receiver, const char* feature);
    void (*add_extra_info)(const struct clap_preset_discovery_metadata_receiver* receiver, const char* key,
                           const char* value);
} clap_preset_discovery_metadata_receiver_t;

typedef struct clap_preset_discovery_filetype {
    const char* name;
    const char* description;
    const char* file_extension;
} clap_preset_discovery_filetype_t;

typedef struct clap_preset_discovery_location {
    std::uint32_t flags;
    const char* name;
    std::uint32_t kind;
    const char* location;  // null for presets inside the plug-in
} clap_preset_discovery_location_t;

typedef struct clap_preset_discovery_soundpack {
    std::uint32_t flags;
    const char* id;
    const char* name;
    const char* description;
    const char* homepage_url;
    const char* vendor;
    const char* image_path;
    clap_timestamp_t release_timestamp;
} clap_preset_discovery_soundpack_t;

typedef struct clap_preset_discovery_provider_descriptor {
    clap_version_t clap_version;
    const char* id;
    const char* name;
    const char* vendor;
} clap_preset_discovery_provider_descriptor_t;

typedef struct clap_preset_discovery_provider {
    const clap_preset_discovery_provider_descriptor_t* desc;
    void* provider_data;
    bool (*init)(const struct clap_preset_discovery_provider* provider);
    void (*destroy)(const struct clap_preset_discovery_provider* provider);
    bool (*get_metadata)(const struct clap_preset_discovery_provider* provider, std::uint32_t location_kind,
                         const char* location, const clap_preset_discovery_metadata_receiver_t* receiver);
    const void* (*get_extension)(const struct clap_preset_discovery_provider* provider, const char* extension_id);
} clap_preset_discovery_provider_t;

typedef struct clap_preset_discovery_indexer {
    clap_version_t clap_version;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    void* indexer_data;
    bool (*declare_filetype)(const struct clap_preset_discovery_indexer* indexer,
                             const clap_preset_discovery_filetype_t* filetype);
    bool (*declare_location)(const struct clap_preset_discovery_indexer* indexer,
                             const clap_preset_discovery_location_t* location);
    bool (*declare_soundpack)(const struct clap_preset_discovery_indexer* indexer,
                              const clap_preset_discovery_soundpack_t* soundpack);
    const void* (*get_extension)(const struct clap_preset_discovery_indexer* indexer, const char* extension_id);
} clap_preset_discovery_indexer_t;

typedef struct clap_preset_discovery_factory {
    std::uint32_t (*count)(const struct clap_preset_discovery_factory* factory);
    const clap_preset_discovery_provider_descriptor_t* (*get_descriptor)(
        const struct clap_preset_discovery_factory* factory, std::uint32_t index);
    const clap_preset_discovery_provider_t* (*create)(const struct clap_preset_discovery_factory* factory,
                                                      const clap_preset_discovery_indexer_t* indexer,
                                                      const char* provider_id);
} clap_preset_discovery_factory_t;

// Extension: loading a preset the host found through discovery

inline constexpr const char CLAP_EXT_PRESET_LOAD[] = "clap.preset-load";
inline constexpr const char CLAP_EXT_PRESET_LOAD_COMPAT[] = "clap.preset-load.draft/2";

typedef struct clap_plugin_preset_load {
    bool (*from_location)(const clap_plugin_t* plugin, std::uint32_t location_kind, const char* location,
                          const char* load_key);
} clap_plugin_preset_load_t;

typedef struct clap_host_preset_load {
    void (*on_error)(const clap_host_t* host, std::uint32_t location_kind, const char* location, const char* load_key,
                     std::int32_t os_error, const char* message);
    void (*loaded)(const clap_host_t* host, std::uint32_t location_kind, const char* location, const char* load_key);
} clap_host_preset_load_t;

}  // extern "C"
