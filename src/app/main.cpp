#include "data/SonvaleData.h"

#include <cstdio>

namespace {

// Until the main window exists, the program lists the factory table it selected for the system's
// language: key, name, author, description.
int PrintFactoryTable()
{
    CSonvaleData data;
    if (data.SelectFactoryTable() != RC_OK) {
        std::fputs("Sonvale Data Manager: the factory table has no end row\n", stderr);
        return 1;
    }
    std::printf("Sonvale Data Manager - %u factory entries\n\n", static_cast<unsigned>(data.EntryCount()));
    std::printf("%4s  %-24s  %-20s  %s\n", "No.", "Name", "Author", "Description");
    for (std::uint16_t i = 0; i < data.EntryCount(); ++i) {
        const DataEntry* entry = data.EntryAt(i);
        std::printf("%4d  %-24s  %-20s  %s\n", entry->key, entry->name, entry->author, entry->description);
    }
    return 0;
}

} // namespace

int main()
{
    return PrintFactoryTable();
}
