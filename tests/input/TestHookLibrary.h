#pragma once
// Controls of the test hook libraries, which obey the hook library contract
// and let a test see their calls and fire their notifications.

#include <cstdint>

extern "C" {

// Called for every SetHook and RemoveHook with the export's name.
typedef void (*TestHookObserver)(void* context, const char* library, const char* call, std::uint32_t window);

void TestHook_Observe(TestHookObserver observer, void* context);
// While set, SetHook returns null.
void TestHook_Refuse(int refuse);
// The record SetHook returns: TKeybrdHookRecord or TMouseHookRecord.
void* TestHook_Record();
// Posts the library's notification to the window of the last SetHook, from
// a thread of its own, as a real hook would. Returns 1 when it was queued.
int TestHook_Fire();
}
