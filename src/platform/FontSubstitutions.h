#pragma once

// Maps the font faces the program asks for by name to the fonts installed here: "Arial" to
// Liberation Sans (same metrics) and "MS UI Gothic" to IPAGothic. Call once after the QApplication
// exists and before the first window is created; calling it again changes nothing.
void RegisterFontSubstitutions();
