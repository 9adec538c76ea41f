#pragma once
// How fast the two-wire bus to the pager runs. Standard is the timing the
// pager was designed for and the default; Fast keeps to the EEPROM data
// sheet's 100 kHz minimums (400 kHz where an adapter clocks the bus itself).
namespace qrt {

enum class BusSpeed { Standard, Fast };

}  // namespace qrt
