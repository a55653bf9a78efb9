#pragma once
#include "app/TarnDoc.h"
#include "platform/TextCodec.h"
#include "prefs/Preference.h"
#include "prefs/PrefTestFiles.h"
#include "prefs/Win32PrefHandler.h"
#include "view/TarnView.h"
#include "widgets/ListClicks.h"
#include "widgets/WidgetTestSupport.h"

#include <QTemporaryDir>

#include <memory>
#include <string>

// A view of its own document, started on a preference file in a temporary folder that the test writes.
class ViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApp();
        SetSystemDefaultLangIDOverride(LANG_ENGLISH);
        ASSERT_TRUE(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("Tarn.ini"));
    }

    void TearDown() override
    {
        m_view.reset();
        g_Preference.Reset();
        SetSystemDefaultLangIDOverride(std::nullopt);
    }

    // Writes the preference file and loads it into a store that becomes the process's.
    void UseFile(const QByteArray& bytes)
    {
        ASSERT_TRUE(WriteBytes(m_path, bytes));
        auto store = std::make_unique<CWin32PrefHandler>();
        store->SetProfilePath(m_path);
        ASSERT_EQ(store->Load(), RC_OK);
        m_pStore = store.get();
        g_Preference.Reset(std::move(store));
    }

    void UseSort(int column, bool descending, const QByteArray& notes = "NoteNum=0\n")
    {
        UseFile("[Configuration]\nversion=1\nSortCol=" + QByteArray::number(column) +
                "\nSortDesFlag=" + (descending ? "1" : "0") + "\n" + notes);
    }

    void StartView(QSize size = {800, 500})
    {
        m_view = std::make_unique<CTarnView>(m_doc);
        m_view->resize(size);
        m_view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_view.get()));
        m_view->OnInitialUpdate();
        ASSERT_TRUE(m_view->IsInitOK());
    }

    CInfoListCtrl& List() { return m_view->List(); }
    QString Cell(int row, int column) { return List().GetItemText(row, column); }
    // The texts of one column from the top row down.
    QStringList Column(int column)
    {
        QStringList texts;
        for (int row = 0; row < List().GetItemCount(); ++row) texts << Cell(row, column);
        return texts;
    }
    void ClickHeader(int column) { ::ClickHeader(List(), column); }

    QTemporaryDir m_dir;
    QString m_path;
    CTarnDoc m_doc;
    CWin32PrefHandler* m_pStore = nullptr;
    std::unique_ptr<CTarnView> m_view;
};
