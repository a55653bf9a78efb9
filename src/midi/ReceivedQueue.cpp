#include "midi/ReceivedQueue.h"

#include <new>

bool CReceivedQueue::Push(const std::uint8_t* pData, std::size_t nLength, std::uint64_t cycle)
{
    std::lock_guard lock(m_mutex);
    const std::size_t cost = nLength + kCostPerMessage;
    if (m_messages.size() >= kMaxMessages || m_nBytes + cost > kMaxBytes) {
        m_bDropped = true;
        return false;
    }
    try {
        Message message;
        message.bytes.assign(pData, pData + nLength);
        message.cycle = cycle;
        message.arrived = std::chrono::steady_clock::now();
        m_messages.push_back(std::move(message));
    } catch (const std::bad_alloc&) {
        m_bDropped = true;
        return false;
    }
    m_nBytes += cost;
    return true;
}

bool CReceivedQueue::Front(Message& message) const
{
    std::lock_guard lock(m_mutex);
    if (m_messages.empty())
        return false;
    try {
        message = m_messages.front();
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool CReceivedQueue::Pop()
{
    std::lock_guard lock(m_mutex);
    if (m_messages.empty())
        return false;
    m_nBytes -= m_messages.front().bytes.size() + kCostPerMessage;
    m_messages.pop_front();
    return true;
}

void CReceivedQueue::Clear()
{
    std::lock_guard lock(m_mutex);
    m_messages.clear();
    m_nBytes = 0;
    m_bDropped = false;
}

bool CReceivedQueue::Empty() const
{
    std::lock_guard lock(m_mutex);
    return m_messages.empty();
}

bool CReceivedQueue::Dropped() const
{
    std::lock_guard lock(m_mutex);
    return m_bDropped;
}
