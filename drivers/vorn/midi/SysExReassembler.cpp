#include "SysExReassembler.h"

namespace {

constexpr std::uint8_t SYSEX_START = 0xF0;
constexpr std::uint8_t SYSEX_END = 0xF7;
constexpr std::uint8_t FIRST_REALTIME = 0xF8;
constexpr std::uint8_t FIRST_STATUS = 0x80;

} // namespace

CSysExReassembler::CSysExReassembler(std::size_t limit) : m_limit(limit < 2 ? 2 : limit)
{
    m_message.reserve(1024);
}

void CSysExReassembler::Reset()
{
    m_bInMessage = false;
    m_bOverlong = false;
    m_message.clear();
}

void CSysExReassembler::Feed(const std::uint8_t* pBytes, std::size_t count, Sink& sink)
{
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t b = pBytes[i];
        if (b >= FIRST_REALTIME)
            continue;
        if (b == SYSEX_START) {
            if (m_bInMessage)
                sink.OnBroken();
            Reset();
            m_bInMessage = true;
            m_message.push_back(b);
            continue;
        }
        if (b == SYSEX_END) {
            if (!m_bInMessage) {
                sink.OnBroken();
                continue;
            }
            if (m_bOverlong) {
                sink.OnBroken();
            } else {
                m_message.push_back(b);
                sink.OnMessage(m_message.data(), m_message.size());
            }
            Reset();
            continue;
        }
        if (!m_bInMessage)
            continue;
        if (b >= FIRST_STATUS) {
            sink.OnBroken();
            Reset();
            continue;
        }
        if (m_bOverlong)
            continue;
        // Room for this byte and the closing F7.
        if (m_message.size() + 2 > m_limit) {
            m_bOverlong = true;
            m_message.clear();
            continue;
        }
        m_message.push_back(b);
    }
}
