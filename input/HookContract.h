#pragma once
// What Pausalo and its hook libraries share: the exports, the shared event
// records and the notifications that announce each event.
//
// A hook library exports, with C linkage,
//   void* SetHook(uint32_t window);   // the record, or null when it cannot hook
//   void RemoveHook(uint32_t window);
// For each event it stores the event's values in its record and then posts
// its registered message, with the fixed WParam/LParam pair, to the window.
// The record stays at the same address for the rest of the process. Its
// words are atomics: the library writes them on its own thread while the
// program reads them in place on the GUI thread.

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace pausalo {

using SetHookProc = void* (*)(std::uint32_t window);
using RemoveHookProc = void (*)(std::uint32_t window);

inline constexpr char SetHookExport[] = "SetHook";
inline constexpr char RemoveHookExport[] = "RemoveHook";

// A notification: the registered message of the hook with its fixed pair.
struct THookNotification {
  const char* MessageName;
  std::int32_t WParam;
  std::int32_t LParam;
};

inline constexpr THookNotification KBHookNotification{"KB_Hook", 93, 39};
inline constexpr THookNotification MHookNotification{"M_Hook", 47, 74};
// The shell hook has no registered message.
inline constexpr THookNotification ShHookNotification{nullptr, 12, 21};

// The hook code a library reports with every event: an event happened.
inline constexpr std::int32_t HC_ACTION = 0;

// The mouse hook structure as a mouse event hands it on: 20 bytes.
struct tagMOUSEHOOKSTRUCT {
  std::int32_t X;
  std::int32_t Y;
  std::uint32_t hwnd;
  std::uint32_t wHitTestCode;
  std::uint32_t dwExtraInfo;
};
static_assert(sizeof(tagMOUSEHOOKSTRUCT) == 20);

using Word = std::atomic<std::int32_t>;
using UWord = std::atomic<std::uint32_t>;
static_assert(Word::is_always_lock_free && sizeof(Word) == 4 && sizeof(UWord) == 4);

// Keyboard record: the hook code, the virtual-key code and the keystroke
// information word of the last key event.
struct TKeybrdHookRecord {
  Word Reserved;  // the library's own; the program never reads it
  Word Code;
  Word VKCode;
  Word KSInfo;
};
static_assert(offsetof(TKeybrdHookRecord, Code) == 4 && offsetof(TKeybrdHookRecord, VKCode) == 8 &&
              offsetof(TKeybrdHookRecord, KSInfo) == 12 && sizeof(TKeybrdHookRecord) == 16);

// Mouse record: the hook code, the mouse message and the mouse hook
// structure of the last mouse event.
struct TMouseHookRecord {
  Word Reserved;  // the library's own; the program never reads it
  Word Code;
  UWord MesID;
  Word X;
  Word Y;
  UWord Hwnd;
  UWord HitTestCode;
  UWord ExtraInfo;

  void StoreMRec(const tagMOUSEHOOKSTRUCT& mRec) {
    X.store(mRec.X, std::memory_order_relaxed);
    Y.store(mRec.Y, std::memory_order_relaxed);
    Hwnd.store(mRec.hwnd, std::memory_order_relaxed);
    HitTestCode.store(mRec.wHitTestCode, std::memory_order_relaxed);
    ExtraInfo.store(mRec.dwExtraInfo, std::memory_order_relaxed);
  }
  tagMOUSEHOOKSTRUCT LoadMRec() const {
    return {X.load(std::memory_order_relaxed), Y.load(std::memory_order_relaxed), Hwnd.load(std::memory_order_relaxed),
            HitTestCode.load(std::memory_order_relaxed), ExtraInfo.load(std::memory_order_relaxed)};
  }
};
static_assert(offsetof(TMouseHookRecord, Code) == 4 && offsetof(TMouseHookRecord, MesID) == 8 &&
              offsetof(TMouseHookRecord, X) == 12 && offsetof(TMouseHookRecord, ExtraInfo) == 28 &&
              sizeof(TMouseHookRecord) == 32);

// Shell record, same shape as the keyboard one.
struct TShProcHookRecord {
  Word Reserved;
  Word Code;
  Word WParam;
  Word LParam;
};
static_assert(offsetof(TShProcHookRecord, LParam) == 12 && sizeof(TShProcHookRecord) == 16);

}  // namespace pausalo
