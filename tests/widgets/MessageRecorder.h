#pragma once
#include "platform/PrivateMessage.h"

#include <QCoreApplication>
#include <QWidget>

#include <vector>

// A window that stands where the view stands: it keeps every private message that reaches it.
class MessageRecorder : public QWidget {
public:
    struct Message {
        int nMessage;
        std::uintptr_t wParam;
        std::intptr_t lParam;
    };

    [[nodiscard]] int Count(int nMessage) const
    {
        int n = 0;
        for (const Message& m : messages) n += m.nMessage == nMessage ? 1 : 0;
        return n;
    }
    [[nodiscard]] const Message* Last(int nMessage) const
    {
        for (auto it = messages.rbegin(); it != messages.rend(); ++it)
            if (it->nMessage == nMessage) return &*it;
        return nullptr;
    }

    std::vector<Message> messages;

protected:
    bool event(QEvent* event) override
    {
        const int type = static_cast<int>(event->type());
        if (type >= WM_NOTE_COMMIT && type <= WM_NOTE_MODIFIED) {
            const auto* m = static_cast<CPrivateMessage*>(event);
            messages.push_back({m->Message(), m->WParam(), m->LParam()});
            return true;
        }
        return QWidget::event(event);
    }
};

// Delivers what is posted, and what handling it posts in turn.
inline void DeliverPosted()
{
    for (int i = 0; i < 4; ++i) QCoreApplication::sendPostedEvents();
}
