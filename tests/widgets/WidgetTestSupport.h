#pragma once
#include "platform/FontSubstitutions.h"
#include "platform/SystemLanguage.h"
#include "widgets/Bitmaps.h"
#include "widgets/InfoListCtrl.h"
#include "widgets/ListConstants.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

// The one QApplication of a test process, with the program's font substitutions. It is created
// before the first test and destroyed after the last (TestApp.cpp), never during static destruction.
QApplication& TestApp();

inline QColor PixelAt(const QImage& image, QPoint p) { return image.pixelColor(p); }

inline ::testing::AssertionResult IsColour(const QColor& actual, int r, int g, int b)
{
    if (actual.red() == r && actual.green() == g && actual.blue() == b) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got (" << actual.red() << "," << actual.green() << "," << actual.blue()
                                         << "), expected (" << r << "," << g << "," << b << ")";
}

// A list filled the way the main view fills it: six columns, black cells with white text, the
// selected row in the selection colour without the platform's highlight, and the two marker images.
class FilledListTest : public ::testing::Test {
protected:
    static constexpr int kRows = 59;

    void SetUp() override
    {
        TestApp();
        SetSystemDefaultLangIDOverride(0x0409);
        list = std::make_unique<CInfoListCtrl>();
        list->setFont(QFont(QStringLiteral("Arial"), 9));
        const int widths[kColumnCount] = {0, 45, 110, 90, 160, 120};
        const char* titles[kColumnCount] = {"", "No.", "Name", "Author", "Description", "Note"};
        for (int c = 0; c < kColumnCount; ++c)
            list->InsertColumn(c, QString::fromLatin1(titles[c]), c == kNoColumn ? HDF_RIGHT : HDF_LEFT, widths[c]);
        for (int i = 0; i < RowCount(); ++i) {
            list->InsertItem(i, QString(), -1, i);
            list->SetItemText(i, 1, QString::number(i));
            list->SetItemText(i, 2, QStringLiteral("Preset %1").arg(i, 2, 10, QLatin1Char('0')));
            list->SetItemText(i, 3, i % 3 == 0 ? QStringLiteral("Factory") : QStringLiteral("Studio team"));
            list->SetItemText(i, 4, QStringLiteral("Compressor setting for vocal take %1").arg(i));
            list->SetItemText(i, 5, i % 4 == 0 ? QStringLiteral("keep") : QString());
        }
        list->SetImageList({LoadBitmap(IDB_MARKER), LoadBitmap(IDB_MARKER_SELECTED)});
        list->SetBkColor(Qt::black);
        list->SetTextBkColor(Qt::black);
        list->SetTextColor(Qt::white);
        list->SetCustomDrawHandler([this](ListCustomDraw& cd) {
            cd.clrText = Qt::white;
            cd.bPlatformHighlight = false;
            cd.clrTextBk = (cd.bSelected && highlightSelection) ? kSelectionColour : QColor(Qt::black);
        });
        list->resize(620, 360);
        list->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(list.get()));
    }

    void TearDown() override
    {
        list.reset();
        SetSystemDefaultLangIDOverride(std::nullopt);
    }

    virtual int RowCount() const { return kRows; }

    // The list as it shows now, and a client (viewport) point in that picture.
    QImage Grab() const { return list->grab().toImage(); }
    QPoint Map(QPoint client) const { return list->viewport()->mapTo(list.get(), client); }
    QColor ClientPixel(const QImage& image, int x, int y) const { return PixelAt(image, Map({x, y})); }

    // Header-relative point in the picture.
    QPoint MapHeader(QPoint p) const { return list->Header().viewport()->mapTo(list.get(), p); }

    QRect CellRect(int row, int col) const
    {
        QRect r;
        EXPECT_TRUE(list->GetSubItemRect(row, col, LVIR_BOUNDS, r));
        return r;
    }

    std::unique_ptr<CInfoListCtrl> list;
    bool highlightSelection = true;
};

// Where pictures of the widgets are saved for a person to look at.
inline QString ArtefactPath(const QString& name)
{
    QDir().mkpath(QStringLiteral(SONVALE_ARTEFACT_DIR));
    return QDir(QStringLiteral(SONVALE_ARTEFACT_DIR)).filePath(name);
}
