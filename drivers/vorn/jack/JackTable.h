#pragma once
#include <jack/jack.h>
#include <jack/metadata.h>
#include <jack/midiport.h>
#include <jack/uuid.h>

// Every JACK function the driver, sonvale-cli and the emulated console call. Their declarations come
// from the JACK headers (types only: nothing links the library); the addresses come from the library
// CJackLibrary chose for this process.
#define VORN_JACK_FUNCTIONS(X)                                                                             \
    X(jack_activate) X(jack_client_close) X(jack_client_open) X(jack_connect) X(jack_deactivate)           \
    X(jack_free) X(jack_free_description) X(jack_get_all_properties) X(jack_get_client_name)               \
    X(jack_get_ports) X(jack_get_property) X(jack_get_sample_rate) X(jack_get_uuid_for_client_name)        \
    X(jack_get_version_string) X(jack_midi_clear_buffer) X(jack_midi_event_get) X(jack_midi_event_reserve) \
    X(jack_midi_event_write) X(jack_midi_get_event_count) X(jack_on_info_shutdown) X(jack_port_by_id)      \
    X(jack_port_by_name) X(jack_port_connected) X(jack_port_connected_to) X(jack_port_disconnect)          \
    X(jack_port_flags) X(jack_port_get_all_connections) X(jack_port_get_buffer) X(jack_port_name)          \
    X(jack_port_register) X(jack_port_short_name) X(jack_port_type) X(jack_port_unregister)                \
    X(jack_port_uuid) X(jack_remove_properties) X(jack_remove_property)                                    \
    X(jack_set_client_registration_callback) X(jack_set_error_function) X(jack_set_info_function)          \
    X(jack_set_port_connect_callback) X(jack_set_port_registration_callback) X(jack_set_process_callback)  \
    X(jack_set_property) X(jack_set_property_change_callback) X(jack_uuid_parse)

// One pointer per function, named as the function. Without a library every pointer that can be called
// before a client exists points at a stand-in that fails as libjack fails without a server
// (jack_client_open gives null with JackFailure | JackServerFailed); the others are never reached then,
// since no client can be had.
struct JackTable {
#define VORN_JACK_MEMBER(name) decltype(&::name) name = nullptr;
    VORN_JACK_FUNCTIONS(VORN_JACK_MEMBER)
#undef VORN_JACK_MEMBER
};

// The table of this process, filled on the first call (any thread; the choice is made once).
[[nodiscard]] const JackTable& VornJack();
