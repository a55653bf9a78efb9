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
    // The list has no in-cell note editor yet: the Edit commands have nothing to act on.
    [[nodiscard]] bool IsNoteEditorVisible() const override { return false; }
    [[nodiscard]] bool HasNoteSelection() const override { return false; }
    [[nodiscard]] bool IsUndoAvailable() const override { return false; }
    ResultCode OnFileUpdate() override;
    void OnEditUndo() override {}
    void OnEditCut() override {}
    void OnEditCopy() override {}
    void OnEditPaste() override {}

    [[nodiscard]] CTarnView* View() const;

private:
    QPointer<CTarnView> m_pView;
};
