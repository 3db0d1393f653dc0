// What the Linux session's two halves agree on: the launcher (linux/pelisan),
// a shell script, which spells each of these out by value and points here,
// and the holder (linux/holder), the Windows program it runs in Wine. A change
// here is a change to both.
#pragma once

#include <windows.h>

// The program's own names, by which the holder knows that its window runs and
// finds it: kInstanceMutexName and kInstancePropName.
#include "app/ConverterApp.h"

// The holder's first argument (linux/holder/main.cpp): the launcher runs the
// program with "run" and the arguments, ends the session with "release", and
// has the clipboard converted or repaired now with "convert-now" or
// "repair-now"; the holder proper, "hold", is started by the holder itself.
constexpr wchar_t kRunVerb[] = L"run";
constexpr wchar_t kReleaseVerb[] = L"release";
constexpr wchar_t kConvertNowVerb[] = L"convert-now";
constexpr wchar_t kRepairNowVerb[] = L"repair-now";
constexpr wchar_t kHoldVerb[] = L"hold";

// Names the file, by its Linux path, to which the holder writes the status of
// a run or a release, one number and a newline. The launcher makes it in a
// folder of its own, "$TMPDIR/pelisan.XXXXXXXXXX", beside Wine's messages.
constexpr wchar_t kStatusFileVariable[] = L"PELISAN_STATUS_FILE";

// The statuses the file holds: a run's is the program's own (0 to 3,
// app/ExitStatus.h), and so is a convert-now's or a repair-now's, whose
// status line is followed by what to tell the user, UTF-8, when there is
// anything; a release's is one of these.
constexpr DWORD kReleased = 0;
// A window or a holder still ran when the time was up, or the window had to
// be ended without saving its settings.
constexpr DWORD kNotReleased = 1;
// The holder's exit status, and the launcher's, when pelisan.exe could not be
// started or the verb is unknown; the file is then left empty.
constexpr int kNotStarted = 127;

// The session's objects, named in Wine's session-wide namespace.
// The one holder of a session owns this mutex.
constexpr wchar_t kHolderMutexName[] = L"PelisanHolder";
// A release sets this event: the holder ends, and no new one starts.
constexpr wchar_t kReleaseRequestName[] = L"PelisanRelease";
// A convert-now or repair-now owns this mutex while it runs: the next waits.
constexpr wchar_t kActionTurnName[] = L"PelisanActionTurn";
// A run owns the mutex of this name followed by pelisan.exe's process id
// until the run ends, which abandons it.
constexpr wchar_t kRunMutexPrefix[] = L"PelisanRun.";
