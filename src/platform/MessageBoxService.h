#pragma once
#include <QString>
#include <functional>

class QWidget;

enum class MessageBoxIcon { Information, Warning, Error, Question };

// The button sets a box can offer, in the order they appear.
enum class MessageBoxButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };

enum class MessageBoxAnswer { Ok, Cancel, Yes, No, Retry };

struct MessageBoxRequest
{
    QString caption;
    QString text; // "\n" is a line break
    MessageBoxIcon icon = MessageBoxIcon::Information;
    MessageBoxButtons buttons = MessageBoxButtons::Ok;

    friend bool operator==(const MessageBoxRequest&, const MessageBoxRequest&) = default;
};

// Every message box of the program goes through here: a modal QMessageBox with exactly the caption,
// text, icon and buttons asked for. Runs on the user-interface thread only.
//
// Tests install a responder instead (see CMessageBoxScript): no box is shown and the responder's
// answer is returned as if the user had pressed that button.
class CMessageBoxService
{
public:
    using Responder = std::function<MessageBoxAnswer(const MessageBoxRequest&)>;

    // Shows the box and returns the button pressed. A box closed without a button (Escape, the
    // window's close button) answers with its escape button: Cancel, No for Yes/No, Ok for Ok alone.
    [[nodiscard]] static MessageBoxAnswer Show(QWidget* pParent, const MessageBoxRequest& request);

    // True while a box (or a responder's answer) is pending; a caller that must not act inside a
    // box's modal loop checks this.
    [[nodiscard]] static bool IsShowing();

    // An empty responder returns to real boxes.
    static void SetResponder(Responder responder);

    [[nodiscard]] static MessageBoxAnswer EscapeAnswer(MessageBoxButtons buttons);
};
