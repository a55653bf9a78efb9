#pragma once

// The process-wide objects are constructed in this order before main and destroyed in the reverse
// order after it: the progress dialog object, the preference holder, the MIDI holder, and then the
// application object. The application object's destructor still reaches the MIDI holder (it takes
// itself out as the device listener), so the holders must outlive it.
//
// Objects defined in different files have no order of their own, and being constant-initialised
// does not help: each one's destructor is registered when its file's static initialisation runs,
// which follows the link order. So each holder names its place here, and the toolchain runs the
// places in ascending order, all of them before objects without a place, such as the application
// object. Use as [[gnu::init_priority(kInitOrder...)]] on the definition.
inline constexpr int kInitOrderProgressDlg = 1001;
inline constexpr int kInitOrderPreference = 1002;
inline constexpr int kInitOrderMIDIDevice = 1003;
