// A stand-in for a client library that offers the simple calls but not pa_usec_to_bytes, as a
// partial emulation of the sound server's library may: the sound output must not take it.
// Only the names matter; nothing here is called.
extern "C" {
void pa_simple_new() {}
void pa_simple_free() {}
void pa_simple_write() {}
void pa_simple_drain() {}
void pa_simple_flush() {}
}
