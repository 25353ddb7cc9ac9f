#pragma once

#include <windows.h>

// Positions, in the list's event interface, of the events Inspecta relies on. The dispatch ids
// behind them are read from the list's own type information when a list is bound.
namespace kavella_events {

// No arguments: the user asks for the values to be read again.
constexpr UINT kRequestRefresh = 0;
// One argument, the changed item by reference: the user has changed its value.
constexpr UINT kItemChanged = 10;
// A 16-bit key code by reference and a 16-bit shift state.
constexpr UINT kKeyDown = 32;

}  // namespace kavella_events
