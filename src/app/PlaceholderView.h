#pragma once
#include <QWidget>

#include "app/MainViewLink.h"

class CTarnDoc;
class QLabel;
class QPushButton;

// The main view until the data list view takes its place: the Update button, enabled while the console
// is connected, and the "Current Data :" line. It has no note editor and nothing to undo.
class CPlaceholderView : public QWidget, public CMainViewLink
{
    Q_OBJECT
public:
    explicit CPlaceholderView(CTarnDoc& document);

    QWidget* Widget() override { return this; }
    void OnInitialUpdate() override;
    [[nodiscard]] bool IsInitOK() const override { return m_bInitOK; }
    ResultCode RefreshConnectionState() override;
    ResultCode RefreshCurrentData() override;
    [[nodiscard]] bool IsNoteEditorVisible() const override { return false; }
    [[nodiscard]] bool HasNoteSelection() const override { return false; }
    [[nodiscard]] bool IsUndoAvailable() const override { return false; }
    ResultCode OnFileUpdate() override { return RC_OK; }
    void OnEditUndo() override {}
    void OnEditCut() override {}
    void OnEditCopy() override {}
    void OnEditPaste() override {}

private:
    CTarnDoc& m_document;
    QPushButton* m_pUpdate = nullptr;
    QLabel* m_pCurrentData = nullptr;
    bool m_bInitOK = true;
};
