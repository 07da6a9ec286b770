// The picker's DDE protocol as both of its ends see it: the names (service,
// topic, items, commands), how a text parameter is quoted and unquoted, what
// a value may hold to be sent, the owner-handle syntax and the command
// strings a client sends. The picker and pkdpick take every name and rule
// from here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace picker {

inline constexpr const char* kPickService = "PKD_ZEL";
inline constexpr const char* kPickTopic = "PKD";
// A named event each picker process holds from its start: while none exists,
// no picker runs, and pkdpick starts one without asking DDE first, so that
// DDE's own start in pkdpick overlaps the picker's start instead of
// preceding it. A picker sets it once its service is registered: the
// pkdpick that started it waits for that instead of asking every window
// again and again. Anyone may set it, so it only says when to try.
inline constexpr const char* kPickerRunningMark = "PKD_ZEL picker running";
// The request items; an item's number is its place here, from 1 (KOD).
inline constexpr const char* kPickItems[] = {"KOD", "NAZWA", "OPIS"};
inline constexpr int kPickItemCount = 3;
enum TPickItem { piNone = 0, piKod = 1, piNazwa = 2, piOpis = 3 };

// The execute commands and their parameter types (command language letters).
inline constexpr const char* kOpenPkd = "Open_PKD";
inline constexpr const char* kOpenPkdTypes = "NSS";
inline constexpr const char* kFindPkd = "Find_PKD";
inline constexpr const char* kFindPkdTypes = "SS";
enum TPickCommand { pcNone, pcOpen, pcFind };

// What System "Status" reads: busy while a pick waits for its user.
inline constexpr const char* kStatusBusy = "BUSY";
inline constexpr const char* kStatusReady = "READY";

// The DDE manager's stored configuration for the picker, with the two
// commands declared from the names above.
const std::string& PickerStoredForm();

// Names compare without ASCII letter case.
bool IsPickTopic(std::string_view topic);
TPickItem ItemOf(std::string_view item);
TPickCommand CommandOf(std::string_view name);

// A text parameter without its quotes: from a leading '"' to the closing
// quote (one that is not doubled), doubled quotes made single, the rest
// dropped. A text that does not start with '"' is returned unchanged.
std::string Unquote(std::string_view param);
// The other way: in double quotes, inner quotes doubled.
std::string Quote(std::string_view text);

// The command parser splits parameters at every comma and ends a parameter
// list at the first ")" and a command at the first "]", quotes or not; a
// zero byte would end the execute string. A value holding none of these
// arrives as it was sent.
bool Sendable(std::string_view value);

// The owner parameter of Open_PKD: decimal digits after optional blanks and
// a sign, nothing else, the value fitting a window handle of this build
// (a client may write the handle signed or unsigned). False otherwise.
bool ParseOwnerHandle(std::string_view param, uintptr_t& handle);

// The execute strings a client sends: [Open_PKD(owner,"code","words")] and
// [Find_PKD("code","words")]. An empty text is sent as "" and empties its box.
std::string OpenCommand(uint64_t owner, std::string_view code, std::string_view words);
std::string FindCommand(std::string_view code, std::string_view words);

}  // namespace picker
