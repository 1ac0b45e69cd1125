// What the host process offers the library: its process id, its property dictionary and the
// screen's mouse pointer.
//
// The host publishes its property dictionary under its process id; the library only borrows
// the pointer (it never owns, copies or frees it). The host must withdraw it before the
// dictionary dies. Publication and the mouse pointer are process-wide and unsynchronised: they
// are touched from the host's user-interface thread only.
#pragma once

#include <cstdint>
#include <functional>

namespace qmz {

class Dictionary;

uint32_t CurrentProcessId();

void PublishHostProperties(uint32_t process_id, Dictionary* properties);
void WithdrawHostProperties(uint32_t process_id);
// The published dictionary, or null when none is published for the process.
Dictionary* PublishedHostProperties(uint32_t process_id);

// The screen's mouse pointer: 0 default, 11 hourglass.
inline constexpr int kPointerDefault = 0;
inline constexpr int kPointerHourglass = 11;
int ScreenMousePointer();
void SetScreenMousePointer(int pointer);
// Called on every change of the pointer (a GUI host shows the cursor); empty to stop.
void SetMousePointerListener(std::function<void(int)> listener);

}  // namespace qmz
