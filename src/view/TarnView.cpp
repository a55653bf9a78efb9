#include "view/TarnView.h"

#include "app/TarnDoc.h"
#include "platform/PrivateMessage.h"
#include "platform/SystemLanguage.h"
#include "platform/TextCodec.h"
#include "prefs/Preference.h"
#include "widgets/Bitmaps.h"
#include "widgets/CellFont.h"
#include "widgets/ListConstants.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QShortcut>

#include <array>

std::int32_t g_cxLabel = 0;
std::int32_t g_cyLabel = 0;

namespace {

struct ColumnSpec {
    const char* title;
    int format;
};
// The list's columns in the order they are created; their indices are used everywhere.
constexpr std::array<ColumnSpec, kColumnCount> kColumns{{
    {"", HDF_LEFT},
    {QT_TRANSLATE_NOOP("CTarnView", "No."), HDF_RIGHT},
    {QT_TRANSLATE_NOOP("CTarnView", "Name"), HDF_LEFT},
    {QT_TRANSLATE_NOOP("CTarnView", "Author"), HDF_LEFT},
    {QT_TRANSLATE_NOOP("CTarnView", "Description"), HDF_LEFT},
    {QT_TRANSLATE_NOOP("CTarnView", "Note"), HDF_LEFT},
}};

const QColor kLabelTextBk(189, 190, 196);  // the band's colour around the labels' text

QString FormFace() { return IsJapaneseSystem() ? QStringLiteral("MS UI Gothic") : QStringLiteral("Arial"); }

// The five stored widths of columns 1 to 5; the default widths when there is no store.
std::array<std::uint16_t, kColumnCount> StoredWidths(CPrefHandler* pPrefs)
{
    std::array<std::uint16_t, kColumnCount> widths{};
    for (int c = 1; c < kColumnCount; ++c)
        widths[static_cast<size_t>(c)] = static_cast<std::uint16_t>(kDefaultColumnWidths[static_cast<size_t>(c)]);
    if (!pPrefs) return widths;
    (void)pPrefs->GetNoWidth(widths[1]);
    (void)pPrefs->GetNameWidth(widths[2]);
    (void)pPrefs->GetAuthorWidth(widths[3]);
    (void)pPrefs->GetDescriptionWidth(widths[4]);
    (void)pPrefs->GetNoteWidth(widths[5]);
    return widths;
}

}  // namespace

CTarnView::CTarnView(CTarnDoc& document, QWidget* parent)
    : QWidget(parent),
      m_list(this),
      m_btnUpdate(this),
      m_stcCurrentDataLabel(tr("Current Data :"), this),
      m_stcCurrentData(QStringLiteral("temp"), this),
      m_stcPicture(this),
      m_document(document)
{
    setFont(QFont(FormFace(), 9));
    m_list.setObjectName(QString::number(IDC_INFO_LIST));
    m_btnUpdate.setObjectName(QString::number(IDC_UPDATE));
    m_btnUpdate.setText(tr("Update"));
    m_stcCurrentDataLabel.setObjectName(QString::number(IDC_CURRENT_DATA_LABEL));
    m_stcCurrentData.setObjectName(QString::number(IDC_CURRENT_DATA));
    m_stcPicture.setObjectName(QString::number(IDC_PICTURE));
    m_stcPicture.setPixmap(LoadBitmap(IDB_UPDATE_PICTURE));

    // The labels' text sits on the band's own colour; the text stays black.
    for (QLabel* label : {&m_stcCurrentDataLabel, &m_stcCurrentData}) {
        QPalette pal = label->palette();
        pal.setColor(QPalette::Window, kLabelTextBk);
        pal.setColor(QPalette::WindowText, Qt::black);
        label->setPalette(pal);
        label->setAutoFillBackground(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setMargin(0);
        label->setIndent(0);
    }

    m_list.SetCustomDrawHandler(&CTarnView::OnCustomDrawList);
    // The view sorts on title clicks itself; the list's own sorting stays off.
    m_list.Header().setSectionsClickable(true);
    connect(&m_list.Header(), &QHeaderView::sectionClicked, this, [this](int column) { OnColumnClick(column); });
    // From the keyboard, Ctrl+1 to Ctrl+5 do what a click on the title of column 1 to 5 does.
    for (int column = 1; column < kColumnCount; ++column) {
        auto* pSort = new QShortcut(QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_0 + column)), this);
        connect(pSort, &QShortcut::activated, this, [this, column] { OnColumnClick(column); });
    }
    connect(&m_btnUpdate, &QAbstractButton::clicked, this, [this] { OnFileUpdate(); });
}

CTarnView::~CTarnView() { OnDestroy(); }

void CTarnView::OnInitialUpdate()
{
    m_bInitOK = true;
    m_pDoc = &m_document;
    if (m_pDoc->DataController().Initialize() != RC_OK) {
        m_bInitOK = false;
        return;
    }
    RefreshConnectionState();
    InitListControl();

    if (CPrefHandler* pPrefs = g_Preference.GetHandler()) {
        std::uint16_t column = m_nSortCol;
        bool descending = m_bNextDescending;
        if (pPrefs->GetSort(column, descending) == RC_OK) {
            m_nSortCol = column;
            m_bNextDescending = descending;
        }
    }
    // The same column as m_nSortCol: sorts in the stored direction.
    SortByColumn(m_nSortCol);
    m_list.SelectItem(0);

    m_btnUpdate.LoadBitmaps(IDB_UPDATE_NORMAL, IDB_UPDATE_PRESSED, IDB_UPDATE_NORMAL, IDB_UPDATE_DISABLED);
    SetCurrentDataText({});
    m_bmpBand = LoadBitmap(IDB_BAND);
    CreateFonts();
    MeasureLabel();
    OnSize(width(), height());
    m_list.setFocus();
}

ResultCode CTarnView::InitListControl()
{
    const std::array<std::uint16_t, kColumnCount> widths = StoredWidths(g_Preference.GetHandler());
    for (int c = 0; c < kColumnCount; ++c) {
        const ColumnSpec& column = kColumns[static_cast<size_t>(c)];
        m_list.InsertColumn(c, tr(column.title), column.format, widths[static_cast<size_t>(c)]);
    }

    CDataController& controller = m_pDoc->DataController();
    CPrefHandler* pPrefs = g_Preference.GetHandler();
    for (std::uint16_t i = 0; i < controller.EntryCount(); ++i) {
        const DataEntry* e = controller.EntryAt(i);
        const int row = m_list.InsertItem(i, QString(), -1, i);
        m_list.SetItemText(row, kNoColumn, QString::number(e->key));
        m_list.SetItemText(row, 2, WideFromNarrow(e->name));
        m_list.SetItemText(row, 3, WideFromNarrow(e->author));
        m_list.SetItemText(row, 4, WideFromNarrow(e->description));
        // A stored note is shown whole and kept whole in the notes table, whatever its length.
        std::string note;
        if (pPrefs && pPrefs->GetNote(static_cast<std::uint16_t>(e->key), note) == RC_OK) {
            m_list.SetItemText(row, kNoteColumn, WideFromNarrow(note));
            if (std::string* pNote = controller.NoteFor(static_cast<std::uint16_t>(e->key))) *pNote = std::move(note);
        }
    }

    m_list.SetImageList({LoadBitmap(IDB_MARKER, Qt::white), LoadBitmap(IDB_MARKER_SELECTED, Qt::white)});
    m_list.InitNoteEditor();
    m_list.m_rcUpdateTarget = m_btnUpdate.geometry();
    m_list.SetBkColor(Qt::black);
    m_list.SetTextBkColor(Qt::black);
    m_list.SetTextColor(Qt::white);
    // The square between the two scroll bars takes the dark of the bars rather than the desktop's grey.
    QPalette corner = m_list.palette();
    corner.setColor(QPalette::Window, QColor(34, 34, 36));
    m_list.setPalette(corner);
    return RC_OK;
}

void CTarnView::OnCustomDrawList(ListCustomDraw& cd)
{
    cd.clrText = Qt::white;
    cd.bPlatformHighlight = false;
    cd.clrTextBk = cd.bSelected ? kSelectionColour : QColor(Qt::black);
}

void CTarnView::CreateFonts()
{
    m_fontBold = QFont(FormFace(), 9);
    m_fontBold.setWeight(QFont::Bold);
    m_stcCurrentDataLabel.setFont(m_fontBold);
    m_stcCurrentData.setFont(m_fontBold);
}

void CTarnView::MeasureLabel()
{
    const QFontMetrics metrics(m_stcCurrentDataLabel.font());
    const int cx = metrics.horizontalAdvance(m_stcCurrentDataLabel.text());
    const int cy = metrics.height();
    const QRect old = m_stcCurrentDataLabel.geometry();
    m_stcCurrentDataLabel.setGeometry(old.x(), old.y(), cx + 5, old.height());
    g_cxLabel = cx + 5;
    g_cyLabel = cy;
}

void CTarnView::OnDestroy()
{
    // Only a view whose list was filled has state worth keeping: a view whose data set could not be
    // prepared would otherwise overwrite the user's widths with zeros and drop every note.
    if (m_bDestroyed || !m_pDoc || !m_bInitOK) {
        m_bDestroyed = true;
        return;
    }
    m_bDestroyed = true;
    // A note committed in the program's last pass may still wait in the queue: the editor's commit on
    // its way to the list, or the list's on its way to the view. Both are delivered before the notes
    // are stored; nothing else that waits is run.
    QCoreApplication::sendPostedEvents(&m_list, WM_NOTE_COMMIT);
    QCoreApplication::sendPostedEvents(this, WM_NOTE_COMMIT);
    // A note still being edited when the window closes is kept like a committed one.
    CommitOpenNoteEdit();
    CPrefHandler* pPrefs = g_Preference.GetHandler();
    if (!pPrefs) return;

    auto width = [this](int c) { return static_cast<std::uint16_t>(m_list.GetColumnWidth(c)); };
    (void)pPrefs->SetNoWidth(width(1));
    (void)pPrefs->SetNameWidth(width(2));
    (void)pPrefs->SetAuthorWidth(width(3));
    (void)pPrefs->SetDescriptionWidth(width(4));
    (void)pPrefs->SetNoteWidth(width(5));

    // One note per entry, in table order, empty ones included; notes of keys not in the data set go.
    CDataController& controller = m_pDoc->DataController();
    (void)pPrefs->ClearNotes();
    for (std::uint16_t i = 0; i < controller.EntryCount(); ++i) {
        const auto key = static_cast<std::uint16_t>(controller.EntryAt(i)->key);
        const std::string* pNote = controller.NoteFor(key);
        (void)pPrefs->SetNote(key, pNote ? *pNote : std::string());
    }
    (void)pPrefs->SetSort(m_nSortCol, !m_bNextDescending);
}
