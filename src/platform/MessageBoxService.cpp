#include "platform/MessageBoxService.h"

#include <QMessageBox>
#include <QPointer>
#include <optional>
#include <utility>

namespace {

CMessageBoxService::Responder g_responder;
int g_nShowing = 0;

QMessageBox::Icon QtIcon(MessageBoxIcon icon)
{
    switch (icon) {
    case MessageBoxIcon::Information: return QMessageBox::Information;
    case MessageBoxIcon::Warning: return QMessageBox::Warning;
    case MessageBoxIcon::Error: return QMessageBox::Critical;
    case MessageBoxIcon::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons QtButtons(MessageBoxButtons buttons)
{
    switch (buttons) {
    case MessageBoxButtons::Ok: return QMessageBox::Ok;
    case MessageBoxButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageBoxButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case MessageBoxButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MessageBoxButtons::RetryCancel: return QMessageBox::Retry | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButton QtButton(MessageBoxAnswer answer)
{
    switch (answer) {
    case MessageBoxAnswer::Ok: return QMessageBox::Ok;
    case MessageBoxAnswer::Cancel: return QMessageBox::Cancel;
    case MessageBoxAnswer::Yes: return QMessageBox::Yes;
    case MessageBoxAnswer::No: return QMessageBox::No;
    case MessageBoxAnswer::Retry: return QMessageBox::Retry;
    }
    return QMessageBox::Ok;
}

std::optional<MessageBoxAnswer> AnswerFromQt(int button)
{
    switch (button) {
    case QMessageBox::Ok: return MessageBoxAnswer::Ok;
    case QMessageBox::Cancel: return MessageBoxAnswer::Cancel;
    case QMessageBox::Yes: return MessageBoxAnswer::Yes;
    case QMessageBox::No: return MessageBoxAnswer::No;
    case QMessageBox::Retry: return MessageBoxAnswer::Retry;
    default: return std::nullopt;
    }
}

// The first button of a set is the default one, as in the platform's own boxes.
MessageBoxAnswer FirstAnswer(MessageBoxButtons buttons)
{
    switch (buttons) {
    case MessageBoxButtons::Ok:
    case MessageBoxButtons::OkCancel: return MessageBoxAnswer::Ok;
    case MessageBoxButtons::YesNo:
    case MessageBoxButtons::YesNoCancel: return MessageBoxAnswer::Yes;
    case MessageBoxButtons::RetryCancel: return MessageBoxAnswer::Retry;
    }
    return MessageBoxAnswer::Ok;
}

struct ShowingScope
{
    ShowingScope() { ++g_nShowing; }
    ~ShowingScope() { --g_nShowing; }
    ShowingScope(const ShowingScope&) = delete;
    ShowingScope& operator=(const ShowingScope&) = delete;
};

} // namespace

MessageBoxAnswer CMessageBoxService::EscapeAnswer(MessageBoxButtons buttons)
{
    switch (buttons) {
    case MessageBoxButtons::Ok: return MessageBoxAnswer::Ok;
    case MessageBoxButtons::YesNo: return MessageBoxAnswer::No;
    case MessageBoxButtons::OkCancel:
    case MessageBoxButtons::YesNoCancel:
    case MessageBoxButtons::RetryCancel: return MessageBoxAnswer::Cancel;
    }
    return MessageBoxAnswer::Cancel;
}

MessageBoxAnswer CMessageBoxService::Show(QWidget* pParent, const MessageBoxRequest& request)
{
    ShowingScope showing;
    if (g_responder)
        return g_responder(request);

    QPointer<QMessageBox> box = new QMessageBox(QtIcon(request.icon), request.caption, request.text,
                                                QtButtons(request.buttons), pParent);
    const MessageBoxAnswer escape = EscapeAnswer(request.buttons);
    box->setEscapeButton(QtButton(escape));
    box->setDefaultButton(QtButton(FirstAnswer(request.buttons)));
    const int result = box->exec();
    // The parent may have been destroyed while the modal loop ran, taking the box with it.
    delete box.data();
    return AnswerFromQt(result).value_or(escape);
}

bool CMessageBoxService::IsShowing()
{
    return g_nShowing > 0;
}

void CMessageBoxService::SetResponder(Responder responder)
{
    g_responder = std::move(responder);
}
