#pragma once
#include <QAbstractButton>
#include <QPixmap>

// A push button drawn entirely from bitmaps: one face for the normal state, and optional faces for the
// pressed, focused and disabled states (a missing face shows the normal one). The button paints the face
// at its top-left corner at the face's own size; its text is not drawn (the faces carry the caption) but
// is kept for accessibility. While it has the keyboard focus a dotted rectangle is drawn over the face.
class CBitmapButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit CBitmapButton(QWidget* parent = nullptr);

    // Loads the faces from the program's bitmaps; 0 leaves a face out. False when the normal face
    // cannot be loaded (the button then paints nothing).
    bool LoadBitmaps(int idNormal, int idPressed = 0, int idFocused = 0, int idDisabled = 0);

    // The face for the button's state now: pressed, else focused, else disabled, else normal.
    [[nodiscard]] const QPixmap& CurrentFace() const;

    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_bitmap;
    QPixmap m_bitmapSel;
    QPixmap m_bitmapFocus;
    QPixmap m_bitmapDisabled;
};
