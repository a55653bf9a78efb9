#pragma once
#include <QFont>
#include <QSize>

class QTranslator;

// The program's two resource sets: English (the texts in the code) and Japanese (a Qt translation
// compiled into the program). The system's default language chooses between them once at start-up.

// Loads the Japanese set into translator and installs it on the application when the system's language
// is Japanese, together with Qt's own Japanese texts in qtTranslator (the labels of the boxes' standard
// buttons; from the system's Qt translations, when installed). False when the English set stays in use
// (or the Japanese one cannot be loaded).
bool InstallResourceSet(QTranslator& translator, QTranslator& qtTranslator);

// The font of a dialog template: "Arial" in the English set, "MS UI Gothic" in the Japanese one.
[[nodiscard]] QFont DialogFont(int nEnglishPoints, int nJapanesePoints);

// Converts a size in dialog units of a template with this font into pixels: a horizontal unit is a
// quarter of the font's average character width, a vertical unit an eighth of its height.
[[nodiscard]] QSize DialogUnitsToPixels(const QFont& font, int nWidth, int nHeight);
