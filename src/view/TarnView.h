#pragma once
#include "data/EditState.h"
#include "platform/MessageBoxService.h"
#include "platform/ResultCode.h"
#include "view/BitmapButton.h"
#include "widgets/InfoListCtrl.h"

#include <QFont>
#include <QLabel>
#include <QPixmap>
#include <QWidget>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class CApplicationLink;
class CTarnDoc;

// Width and height of the "Current Data :" label, fixed by the view's initial update.
extern std::int32_t g_cxLabel;
extern std::int32_t g_cyLabel;

// The one view of the main window: the list of the data set's entries (sortable by column, with a
// note per entry), the picture and the Update button under it, and "Current Data :" with the name of
// the entry the console holds, all on the band drawn along the bottom.
//
// The view lives on the user-interface thread. It reads its start-up state (column widths, notes,
// sort) from the process-wide preference store and writes it back when it is destroyed; the document
// must outlive the view.
class CTarnView : public QWidget {
    Q_OBJECT
public:
    // Control numbers of the form; each control's object name is its number.
    static constexpr int IDC_INFO_LIST = 1000;
    static constexpr int IDC_CURRENT_DATA = 1004;
    static constexpr int IDC_CURRENT_DATA_LABEL = 1005;
    static constexpr int IDC_UPDATE = 1007;
    static constexpr int IDC_PICTURE = 1008;

    // Height of the band under the list, which holds the picture, the button and the labels.
    static constexpr int kBandHeight = 105;
    static constexpr std::size_t kMaxCurrentDataBytes = 40;
    // FindRowByName's answer when no row has the name.
    static constexpr std::uint16_t kNoRow = 0xFFFF;

    // What CompareRows sorts by.
    struct SortParam {
        std::uint16_t nColumn = 0;
        bool bDescending = false;
    };

    explicit CTarnView(CTarnDoc& document, QWidget* parent = nullptr);
    ~CTarnView() override;
    CTarnView(const CTarnView&) = delete;
    CTarnView& operator=(const CTarnView&) = delete;

    // Once, after the view has its place in the window: prepares the data set, fills and sorts the
    // list and lays the form out. When the data set cannot be prepared, IsInitOK turns false and the
    // view stays empty.
    void OnInitialUpdate();
    [[nodiscard]] bool IsInitOK() const { return m_bInitOK; }
    [[nodiscard]] CTarnDoc& GetDocument() const { return m_document; }

    // The application object the view and its list ask about the connection (not owned; null: no
    // application, so no connection).
    void SetApplicationLink(CApplicationLink* pApp);

    // The Update command: writes the entry of the selected row into the console while the progress
    // dialog runs, then reports the console's answer. Returns when the update's worker has ended.
    // The console-state refresh: the Update button, the current-data line and its marker.
    ResultCode OnFileUpdate();
    ResultCode RefreshConnectionState();
    ResultCode RefreshCurrentData();

    ResultCode InitListControl();
    // Sorts by nColumn: the same column as last time in the direction m_bNextDescending holds, any
    // other column ascending. Marks the column in the header.
    ResultCode SortByColumn(std::uint16_t nColumn);
    // Orders the rows whose item data are a and b (their positions when the sort began).
    [[nodiscard]] int CompareRows(qintptr a, qintptr b, SortParam param) const;
    // A click on a column title: ends a note edit, forgets the edit history and sorts (not column 0).
    ResultCode OnColumnClick(int nColumn);

    // Shows the name (cut to 40 bytes, whole characters) beside "Current Data :".
    ResultCode SetCurrentDataText(std::string_view name);
    // Centres the label and the name as a pair under the list, for a view nWidth pixels wide.
    ResultCode LayoutCurrentData(std::uint16_t nWidth);
    // The first row whose Name is byte for byte `name`; kNoRow when none is.
    ResultCode FindRowByName(std::string_view name, std::uint16_t& nRow) const;

    // Note editing (TarnViewNoteEdit.cpp). The Edit menu's commands: Undo alternates between undoing
    // the last group of edits and redoing it; Cut and Paste record the editor's state first.
    void OnEditUndo();
    ResultCode UndoNoteEdit();
    ResultCode RedoNoteEdit();
    void OnEditCut();
    void OnEditCopy();
    void OnEditPaste();
    // Whether Undo would undo now (in undo mode) / redo now (otherwise).
    ResultCode IsUndoAvailable(bool& bAvailable) const;
    ResultCode IsRedoAvailable(bool& bAvailable) const;
    // What the frame's Edit menu asks: Undo by the mode the view is in, Cut and Copy with a selection.
    [[nodiscard]] bool IsUndoAvailable() const;
    [[nodiscard]] bool IsNoteEditorVisible() const { return m_list.IsNoteEditorOpen(); }
    [[nodiscard]] bool HasNoteSelection() const;
    [[nodiscard]] QWidget* Widget() { return this; }
    [[nodiscard]] bool IsUndoMode() const { return m_bUndoMode; }

    // Lays the form out for a view of cx x cy pixels.
    void OnSize(int cx, int cy);
    // Stores the column widths, every entry's note and the sort on screen in the preference store.
    // Runs once, when the view is destroyed.
    void OnDestroy();

    [[nodiscard]] CInfoListCtrl& List() { return m_list; }
    [[nodiscard]] CBitmapButton& UpdateButton() { return m_btnUpdate; }
    [[nodiscard]] const QLabel& CurrentDataLabel() const { return m_stcCurrentDataLabel; }
    [[nodiscard]] const QLabel& CurrentDataValue() const { return m_stcCurrentData; }
    [[nodiscard]] const QLabel& Picture() const { return m_stcPicture; }
    [[nodiscard]] std::uint16_t SortColumn() const { return m_nSortCol; }
    [[nodiscard]] bool NextDescending() const { return m_bNextDescending; }

protected:
    // The private messages of the list and the note editor (WM_NOTE_*, WM_DROP_UPDATE).
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // The colours of one list cell: white text, the selection colour behind a selected row's cells
    // instead of the platform's highlight, black behind all others.
    static void OnCustomDrawList(ListCustomDraw& cd);
    void CreateFonts();
    void MeasureLabel();
    [[nodiscard]] bool IsConnected() const;
    // Runs the worker and the progress dialog; the update's result as it stood when the dialog closed.
    ResultCode RunUpdateWorker(std::uint16_t nKey);
    // The box of an update the console refused (invalid data, flash write failed) or whose answer cannot
    // be told from a late one, the reconnect for a configuration change that came in meanwhile, and the
    // console asked again for its current data.
    void ShowUpdateError(std::uint32_t nTextId, bool bEventDuringUpdate,
                         MessageBoxIcon icon = MessageBoxIcon::Error);
    // Asks the console for its current entry and shows it (RefreshCurrentData without the box below).
    void AskCurrentData();
    // When the last exchange found the console's owed answers unusable, says why and what it means in
    // a box, once in the view's life; false when nothing was shown. With bOwnDeviceEvents, a
    // configuration change that comes in while the box is open is acted on after it; otherwise the
    // caller's own box handling looks at the pending flag.
    bool TellLedgerProblemOnce(bool bOwnDeviceEvents);
    // Keeps a committed note in the notes table under its entry key.
    void StoreNote(std::uint16_t nKey, std::string note);
    // Ends an open note edit, keeping its note like a committed one.
    void CommitOpenNoteEdit();
    // The editor's selection packed as the edit history keeps it, and restoring a state of it.
    [[nodiscard]] std::uint32_t NoteSelection() const;
    void ShowEditState(const EditState& state);
    // Records the editor's current state as the undo point before a Cut or Paste.
    void RecordBeforeClipboardEdit();

    CInfoListCtrl m_list;
    CBitmapButton m_btnUpdate;
    QLabel m_stcCurrentDataLabel;
    QLabel m_stcCurrentData;
    QLabel m_stcPicture;
    bool m_bNextDescending = true;
    std::uint16_t m_nSortCol = 0;
    std::string m_strNoteSnapshot;  // the note text last recorded or restored by the edit history
    QPixmap m_bmpBand;
    QFont m_fontBold;
    bool m_bUndoMode = true;  // the next Undo undoes (true) or redoes (false)
    bool m_bInitOK = true;
    CTarnDoc* m_pDoc = nullptr;     // set by the initial update; until then the view does no layout
    CTarnDoc& m_document;
    bool m_bDestroyed = false;
    bool m_bShownOnce = false;      // the view has been shown at least once; see OnSize
    bool m_bLedgerProblemTold = false; // the box of unusable owed answers was shown
    CApplicationLink* m_pApp = nullptr;
};
