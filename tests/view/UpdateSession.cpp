#include "UpdateSession.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QMouseEvent>
#include <QTest>
#include <thread>

#include "app/ProgressDlg.h"
#include "app/TarnViewLink.h"
#include "app/UpdateState.h"
#include "data/SonvaleData.h"
#include "data/SysExConverter.h"
#include "midi/MIDIDevice.h"
#include "midi/MIDIEvent.h"
#include "platform/SystemLanguage.h"
#include "prefs/Preference.h"
#include "view/TarnView.h"
#include "widgets/ListConstants.h"

UpdateSession::UpdateSession(CMIDIController* pController, int nTickMs)
{
    EXPECT_TRUE(m_folders.IsValid());
    SetSystemDefaultLangIDOverride(0x0409);
    g_bUpdateRunning = false;
    g_nUpdateResult = RC_UPDATE_NO_RESULT;
    g_Preference.Reset();
    delete g_MIDIDevice.m_pController;
    g_MIDIDevice.m_pController = pController;
    g_ProgressDlg.SetTickInterval(nTickMs);
    CMessageBoxService::SetResponder([this](const MessageBoxRequest& request) {
        shown.push_back(request);
        if (onBox)
            onBox(request);
        if (answers.empty())
            return CMessageBoxService::EscapeAnswer(request.buttons);
        const MessageBoxAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    });
    m_pApp = std::make_unique<CTarnApp>();
}

UpdateSession::~UpdateSession()
{
    if (m_bStarted)
        m_pApp->ExitInstance();
    m_pApp.reset();
    CMessageBoxService::SetResponder({});
    delete g_MIDIDevice.m_pController;
    g_MIDIDevice.m_pController = nullptr;
    g_MIDIDevice.m_pListener = nullptr;
    g_Preference.Reset();
    g_bUpdateRunning = false;
    g_ProgressDlg.SetTickInterval(0);
    SetSystemDefaultLangIDOverride(std::nullopt);
}

bool UpdateSession::Start()
{
    m_bStarted = true;
    if (!m_pApp->InitInstance())
        return false;
    return QTest::qWaitForWindowExposed(m_pApp->MainView()->Widget());
}

bool UpdateSession::WaitFor(const std::function<bool()>& condition, int nTimeoutMs)
{
    QDeadlineTimer deadline(nTimeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

CTarnView& UpdateSession::View()
{
    return *static_cast<CTarnViewLink*>(m_pApp->MainView())->View();
}

CInfoListCtrl& UpdateSession::List()
{
    return View().List();
}

void UpdateSession::FireDeviceEvent()
{
    CTarnApp* pApp = m_pApp.get();
    std::thread driver([pApp] { (void)pApp->OnDeviceEvent(MIDI_EVENT_CONFIG_CHANGED); });
    driver.join();
    QCoreApplication::processEvents();
}

int UpdateSession::Count(const QString& text) const
{
    int nCount = 0;
    for (const MessageBoxRequest& request : shown)
        nCount += request.text == text ? 1 : 0;
    return nCount;
}

int UpdateSession::RowOfKey(int nKey)
{
    for (int row = 0; row < List().GetItemCount(); ++row)
        if (List().GetItemText(row, kNoColumn) == QString::number(nKey))
            return row;
    return -1;
}

void UpdateSession::ClickUpdate()
{
    QTest::mouseClick(&View().UpdateButton(), Qt::LeftButton);
}

namespace {

void SendMouse(QWidget* pWidget, QEvent::Type type, QPoint point, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(point), QPointF(pWidget->mapToGlobal(point)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(pWidget, &event);
}

} // namespace

void UpdateSession::Press(QPoint point)
{
    m_buttons = Qt::LeftButton;
    SendMouse(List().viewport(), QEvent::MouseButtonPress, point, Qt::LeftButton, m_buttons);
}

void UpdateSession::Move(QPoint point)
{
    SendMouse(List().viewport(), QEvent::MouseMove, point, Qt::NoButton, m_buttons);
}

void UpdateSession::Release(QPoint point)
{
    m_buttons = Qt::NoButton;
    SendMouse(List().viewport(), QEvent::MouseButtonRelease, point, Qt::LeftButton, m_buttons);
}

QPoint UpdateSession::UpdateButtonPoint()
{
    return List().viewport()->mapFrom(&View(), View().UpdateButton().geometry().center());
}

void UpdateSession::DragSelectedRowTo(QPoint to)
{
    QRect cell;
    ASSERT_TRUE(List().GetSubItemRect(List().GetSelectedItem(), 2, LVIR_BOUNDS, cell));
    const QPoint from = cell.center();
    Press(from);
    Move(from + QPoint(0, QApplication::startDragDistance() + 2));
    ASSERT_TRUE(List().IsDragging());
    Move(to);
    Release(to);
}

std::vector<std::uint8_t> DataMessageOf(int nKey)
{
    CSonvaleData data;
    EXPECT_EQ(data.SelectFactoryTable(), RC_OK);
    for (std::uint16_t i = 0; i < data.EntryCount(); ++i) {
        const DataEntry& entry = *data.EntryAt(i);
        if (entry.key != nKey)
            continue;
        CSysExConverter converter;
        std::vector<std::uint8_t> message(CSysExConverter::kDataMessageLength);
        std::uint32_t length = static_cast<std::uint32_t>(message.size());
        EXPECT_EQ(converter.BuildDataMessage(message.data(), entry.parameterSets, entry.name, length), RC_OK);
        return message;
    }
    ADD_FAILURE() << "no entry " << nKey;
    return {};
}
