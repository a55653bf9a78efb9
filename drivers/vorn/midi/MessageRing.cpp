#include "MessageRing.h"

#include <cstring>

namespace {

constexpr std::size_t HEADER = sizeof(std::uint32_t);

std::size_t RoundUpToPowerOfTwo(std::size_t n)
{
    std::size_t p = 64;
    while (p < n)
        p <<= 1;
    return p;
}

} // namespace

CMessageRing::CMessageRing(std::size_t capacity)
    : m_capacity(RoundUpToPowerOfTwo(capacity)), m_pStorage(new std::uint8_t[m_capacity]())
{
}

std::uint32_t CMessageRing::MaxRecord() const { return static_cast<std::uint32_t>(m_capacity - HEADER); }

bool CMessageRing::HasRoomFor(std::uint32_t count) const
{
    const std::size_t head = m_head.load(std::memory_order_relaxed);
    const std::size_t tail = m_tail.load(std::memory_order_acquire);
    return m_capacity - (head - tail) >= HEADER + count;
}

bool CMessageRing::Push(const void* pData, std::uint32_t count) { return Push(nullptr, 0, pData, count); }

bool CMessageRing::Push(const void* pPrefix, std::uint32_t prefixCount, const void* pData, std::uint32_t count)
{
    const std::uint32_t total = prefixCount + count;
    if (total < count || !HasRoomFor(total))
        return false;
    const std::size_t head = m_head.load(std::memory_order_relaxed);
    CopyIn(head, &total, HEADER);
    CopyIn(head + HEADER, pPrefix, prefixCount);
    CopyIn(head + HEADER + prefixCount, pData, count);
    m_head.store(head + HEADER + total, std::memory_order_release);
    return true;
}

bool CMessageRing::Empty() const
{
    return m_head.load(std::memory_order_acquire) == m_tail.load(std::memory_order_acquire);
}

bool CMessageRing::PeekSize(std::uint32_t& count) const
{
    const std::size_t tail = m_tail.load(std::memory_order_relaxed);
    const std::size_t head = m_head.load(std::memory_order_acquire);
    if (head == tail)
        return false;
    CopyOut(tail, &count, HEADER);
    return true;
}

void CMessageRing::PeekData(void* pDest, std::uint32_t count) const
{
    CopyOut(m_tail.load(std::memory_order_relaxed) + HEADER, pDest, count);
}

void CMessageRing::Pop(void* pDest, std::uint32_t count, std::uint32_t skip)
{
    const std::size_t tail = m_tail.load(std::memory_order_relaxed);
    if (pDest && count > skip)
        CopyOut(tail + HEADER + skip, pDest, count - skip);
    m_tail.store(tail + HEADER + count, std::memory_order_release);
}

void CMessageRing::CopyIn(std::size_t pos, const void* pData, std::size_t count)
{
    if (count == 0)
        return;
    const std::size_t at = pos & (m_capacity - 1);
    const std::size_t first = count < m_capacity - at ? count : m_capacity - at;
    const auto* src = static_cast<const std::uint8_t*>(pData);
    std::memcpy(m_pStorage.get() + at, src, first);
    std::memcpy(m_pStorage.get(), src + first, count - first);
}

void CMessageRing::CopyOut(std::size_t pos, void* pDest, std::size_t count) const
{
    if (count == 0)
        return;
    const std::size_t at = pos & (m_capacity - 1);
    const std::size_t first = count < m_capacity - at ? count : m_capacity - at;
    auto* dst = static_cast<std::uint8_t*>(pDest);
    std::memcpy(dst, m_pStorage.get() + at, first);
    std::memcpy(dst + first, m_pStorage.get(), count - first);
}
