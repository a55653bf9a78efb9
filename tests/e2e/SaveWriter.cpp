// Saves the preference file over and over, for the test that kills it at random moments of Save.
//   e2e_save_writer FILE a|b   writes that one generation once
//   e2e_save_writer FILE loop  prints "ready", then saves generation b, a, b, a ... until killed
// The two generations differ in every note, the sort and the widths, so that any mix of the two is
// neither of them.
#include <cstdio>
#include <string>

#include "prefs/Win32PrefHandler.h"

namespace {

void Fill(CWin32PrefHandler& prefs, int generation)
{
    const char letter = generation == 0 ? 'a' : 'b';
    for (std::uint16_t key = 0; key < 59; ++key)
        (void)prefs.SetNote(key, std::string(300 + key, letter) + " note " + std::to_string(key));
    (void)prefs.SetSort(static_cast<std::uint16_t>(1 + generation), generation == 1);
    (void)prefs.SetNoWidth(static_cast<std::uint16_t>(40 + generation));
    (void)prefs.SetNoteWidth(static_cast<std::uint16_t>(200 + generation));
    (void)prefs.SetWindowBounds(10 + generation, 20, 700, 400);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    CWin32PrefHandler prefs;
    prefs.SetProfilePath(QString::fromLocal8Bit(argv[1]));
    const std::string mode = argv[2];
    if (mode == "a" || mode == "b") {
        Fill(prefs, mode == "a" ? 0 : 1);
        return prefs.Save() == RC_OK ? 0 : 1;
    }
    std::puts("ready");
    std::fflush(stdout);
    for (int generation = 1;; generation ^= 1) {
        Fill(prefs, generation);
        if (prefs.Save() != RC_OK)
            return 1;
    }
}
