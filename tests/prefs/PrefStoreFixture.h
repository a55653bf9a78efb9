#pragma once
#include "PrefTestFiles.h"
#include "platform/MessageBoxScript.h"
#include "prefs/Win32PrefHandler.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

// A store on a file in a fresh temporary folder; message boxes are scripted and recorded.
class PrefStoreFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_path = m_dir.filePath("Tarn.ini");
        m_store.SetProfilePath(m_path);
    }

    void LoadFile(const QByteArray& bytes)
    {
        ASSERT_TRUE(WriteBytes(m_path, bytes));
        ASSERT_EQ(m_store.Load(), RC_OK);
    }

    // What a later run of the program finds: a new store loading the same file.
    void Reload(CWin32PrefHandler& store) const
    {
        store.SetProfilePath(m_path);
        ASSERT_EQ(store.Load(), RC_OK);
    }

    [[nodiscard]] std::string Note(std::uint16_t nKey)
    {
        std::string text = "<none>";
        (void)m_store.GetNote(nKey, text);
        return text;
    }

    QTemporaryDir m_dir;
    QString m_path;
    CMessageBoxScript m_boxes;
    CWin32PrefHandler m_store;
};
