#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

// A lock-free ring of length-prefixed byte records between exactly one producer thread and exactly one
// consumer thread. Neither side blocks, locks or allocates after construction, so either side may be
// JACK's process callback. Each record is published whole: the consumer never sees half of one.
//
// The indices are our own atomics (not jack_ringbuffer's), so that ThreadSanitizer sees the
// synchronisation between the two threads; libjack itself is not instrumented.
class CMessageRing {
public:
    // capacity: bytes of storage, rounded up to a power of two; each record costs 4 bytes more than its data.
    explicit CMessageRing(std::size_t capacity);
    CMessageRing(const CMessageRing&) = delete;
    CMessageRing& operator=(const CMessageRing&) = delete;

    // Producer: appends one record; false (nothing written) when it does not fit now.
    [[nodiscard]] bool Push(const void* pData, std::uint32_t count);
    // Producer: appends one record made of prefixCount bytes at pPrefix followed by count bytes at pData.
    [[nodiscard]] bool Push(const void* pPrefix, std::uint32_t prefixCount, const void* pData, std::uint32_t count);
    // Producer: the largest record that could ever fit.
    [[nodiscard]] std::uint32_t MaxRecord() const;
    // Producer: whether a record of count bytes fits now.
    [[nodiscard]] bool HasRoomFor(std::uint32_t count) const;

    // Either side: whether no record is waiting.
    [[nodiscard]] bool Empty() const;

    // Consumer: the size of the next record, or false when the ring is empty.
    [[nodiscard]] bool PeekSize(std::uint32_t& count) const;
    // Consumer: copies the first count bytes of the next record (at most its size) without removing it.
    void PeekData(void* pDest, std::uint32_t count) const;
    // Consumer: removes the next record (whose size PeekSize gave), copying it from byte `skip` on to
    // pDest unless pDest is null.
    void Pop(void* pDest, std::uint32_t count, std::uint32_t skip = 0);

private:
    void CopyIn(std::size_t pos, const void* pData, std::size_t count);
    void CopyOut(std::size_t pos, void* pDest, std::size_t count) const;

    std::size_t m_capacity;
    std::unique_ptr<std::uint8_t[]> m_pStorage;
    std::atomic<std::size_t> m_head{0}; // bytes ever written; moved by the producer
    std::atomic<std::size_t> m_tail{0}; // bytes ever read; moved by the consumer
};
