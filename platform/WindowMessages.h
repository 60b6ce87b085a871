#pragma once
// Window messages shared between the program and the hook libraries, with a
// C ABI so that any library loaded into the process can post to a window.

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// A window's handle; 0 is no window.
typedef uint32_t PausaloWindow;

// Receives count (at least 1) copies of a posted message. Called on the
// posting thread with the window table locked, so it must only queue the
// messages, never block or re-enter.
typedef void (*PausaloDeliver)(void* context, uint32_t message, int32_t wParam, int32_t lParam, uint32_t count);

// The identifier of a named message: the same name always gives the same
// identifier, identifiers count up from 0xC000. 0 for a null or empty name.
uint32_t pausalo_register_window_message(const char* name);

// Makes a window that posted messages can reach. Returns its handle.
PausaloWindow pausalo_create_window(PausaloDeliver deliver, void* context);

// Once this returns, no delivery to the window runs or will start.
void pausalo_destroy_window(PausaloWindow window);

// Posts a message to a window from any thread. Returns 1 when the window
// exists (the message is queued), 0 otherwise.
int pausalo_post_message(PausaloWindow window, uint32_t message, int32_t wParam, int32_t lParam);

// Posts count copies of a message at once, as count calls of
// pausalo_post_message would, queued together. Returns 1 when the window
// exists (count 0 queues nothing), 0 otherwise.
int pausalo_post_messages(PausaloWindow window, uint32_t message, int32_t wParam, int32_t lParam, uint32_t count);

#ifdef __cplusplus
}
#endif
