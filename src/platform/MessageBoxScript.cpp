#include "platform/MessageBoxScript.h"

CMessageBoxScript::CMessageBoxScript()
{
    CMessageBoxService::SetResponder([this](const MessageBoxRequest& request) {
        m_shown.push_back(request);
        if (m_answers.empty())
            return CMessageBoxService::EscapeAnswer(request.buttons);
        const MessageBoxAnswer answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    });
}

CMessageBoxScript::~CMessageBoxScript()
{
    CMessageBoxService::SetResponder({});
}
