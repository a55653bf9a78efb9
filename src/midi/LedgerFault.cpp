#include "midi/LedgerFault.h"

std::string LedgerFault::Text() const
{
    const std::string record = "the record of the console's owed answers";
    switch (kind) {
    case Kind::None:
        break;
    case Kind::NoFolder:
        return "there is no private folder for " + record + " (" + path + ")";
    case Kind::Unreadable:
        return record + " (" + path + ") cannot be read: " + reason;
    case Kind::Nonsense:
        return record + " (" + path + ") makes no sense; its debts are unknown";
    case Kind::Unwritable:
        return record + " (" + path + ") cannot be written: " + reason;
    }
    return {};
}
