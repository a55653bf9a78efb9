// The record of a console's owed answers on any bytes: what a text that reads writes back must read to
// the same record, also after debts are entered, paid and a holding proven on it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "midi/AnswerLedger.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CAnswerLedger ledger;
    if (!ledger.Parse(text))
        return 0;
    CAnswerLedger read;
    if (!read.Parse(ledger.Text()) || read.Text() != ledger.Text())
        std::abort();
    (void)ledger.Owe(2, text.substr(0, 40), 1);
    (void)ledger.Pay(1);
    ledger.ProvenHolding(text.substr(0, 12));
    CAnswerLedger again;
    if (!again.Parse(ledger.Text()) || again.Text() != ledger.Text())
        std::abort();
    return 0;
}
