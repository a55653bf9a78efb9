#pragma once
#include <QPointer>

#include "app/MainViewLink.h"

class CTarnDoc;
class CTarnView;

// The data list view as the shell's main view. The frame owns the view's window; this link only
// points to it.
class CTarnViewLink : public CMainViewLink
{
public:
    explicit CTarnViewLink(CTarnDoc& document);
    ~CTarnViewLink() override;

    QWidget* Widget() override;
    void OnInitialUpdate() override;
    [[nodiscard]] bool IsInitOK() const override;
    ResultCode RefreshConnectionState() override;
    ResultCode RefreshCurrentData() override;
    // The Edit menu's states and commands act on the view's note editor.
    [[nodiscard]] bool IsNoteEditorVisible() const override;
    [[nodiscard]] bool HasNoteSelection() const override;
    [[nodiscard]] bool IsUndoAvailable() const override;
    void StoreState() override;
    ResultCode OnFileUpdate() override;
    void OnEditUndo() override;
    void OnEditCut() override;
    void OnEditCopy() override;
    void OnEditPaste() override;

    [[nodiscard]] CTarnView* View() const;

private:
    QPointer<CTarnView> m_pView;
};
