#pragma once
#include "platform/ResultCode.h"

class QWidget;

// What the application and the main frame need of the main view: its window (the frame's central
// widget), whether its start-up prepared the data set, the connection and current-data refresh, the
// answers behind the Edit menu's states, and the commands the menu hands on to it.
// Everything runs on the user-interface thread.
class CMainViewLink
{
public:
    virtual ~CMainViewLink() = default;

    // The view's window; the frame takes it as its central widget and owns it from then on.
    [[nodiscard]] virtual QWidget* Widget() = 0;

    // Runs once, after the frame has taken the view's window: the view prepares the data set and its list.
    virtual void OnInitialUpdate() = 0;

    // The view's m_bInitOK: false when its initial update could not prepare the data set.
    [[nodiscard]] virtual bool IsInitOK() const = 0;

    virtual ResultCode RefreshConnectionState() = 0;
    virtual ResultCode RefreshCurrentData() = 0;

    // The note editor is on the screen / its selection is not empty.
    [[nodiscard]] virtual bool IsNoteEditorVisible() const = 0;
    [[nodiscard]] virtual bool HasNoteSelection() const = 0;
    // What Undo would do now: undo while the view is in undo mode, redo otherwise.
    [[nodiscard]] virtual bool IsUndoAvailable() const = 0;

    // Stores the column widths, the notes (an open edit included) and the sort in the preference store
    // now, as the view's destruction would; for an end that cannot wait to destroy the windows.
    virtual void StoreState() = 0;

    virtual ResultCode OnFileUpdate() = 0;
    virtual void OnEditUndo() = 0;
    virtual void OnEditCut() = 0;
    virtual void OnEditCopy() = 0;
    virtual void OnEditPaste() = 0;
};
