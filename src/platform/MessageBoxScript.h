#pragma once
#include "platform/MessageBoxService.h"

#include <deque>
#include <vector>

// For tests: while it lives, no message box is shown. Each request is recorded and answered with the
// next queued answer; when the queue is empty, with the box's escape button (what closing it gives).
class CMessageBoxScript
{
public:
    CMessageBoxScript();
    ~CMessageBoxScript();
    CMessageBoxScript(const CMessageBoxScript&) = delete;
    CMessageBoxScript& operator=(const CMessageBoxScript&) = delete;

    void Answer(MessageBoxAnswer answer) { m_answers.push_back(answer); }
    [[nodiscard]] const std::vector<MessageBoxRequest>& Shown() const { return m_shown; }

private:
    std::deque<MessageBoxAnswer> m_answers;
    std::vector<MessageBoxRequest> m_shown;
};
