#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "midi/AnswerLedger.h"

namespace {

// A record of one console (device 4097) that owes the answers to a write of "Fenwick Series" and to
// an identity request, and has been proven to hold "Brisa #04".
const char* const kTwoDebts = "sonvale-owed 1\n"
                              "device 4097\n"
                              "next 4\n"
                              "strayed 0\n"
                              "mayhold =Brisa%20#04\n"
                              "owe 2 2 123456789 4242 =Fenwick%20Series\n" // number, kind 2 (a write), boot ns, pid, entry
                              "owe 3 1 123456999 4243 =\n";                // kind 1: an identity request

} // namespace

// A file that makes no sense, whatever put it there, leaves the debts unknown: the console strays and
// may hold anything, and the reader is told why; a file of another device is a new console.
TEST(AnswerLedgerFile, WhatCannotBeReadIsUnknownAndANewDeviceOwesNothing)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("ledger-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "console.owed").string();
    struct Case {
        const char* what;
        std::string text;
        std::uint64_t device;
        bool readable;
        std::size_t owedWrites;
    };
    const std::string two = kTwoDebts;
    const Case cases[] = {
        {"the record as written", two, 4097, true, 1},
        {"another device under the same name", two, 4098, true, 0},
        {"debts stamped far ahead of this boot's clock and at its start (times decide nothing)",
         "sonvale-owed 1\ndevice 4097\nnext 4\nstrayed 0\nmayhold =Z\nowe 2 2 18446744073709551615 4242 =X\n"
         "owe 3 2 0 4243 =Y\n", 4097, true, 2},
        {"cut short in its last line", two.substr(0, two.size() - 3), 4097, false, 0},
        {"an unknown line", two + "owe-all 9\n", 4097, false, 0},
        {"a debt numbered beyond the next number", "sonvale-owed 1\ndevice 4097\nnext 2\nstrayed 0\nmayhold *\n"
                                                   "owe 5 2 1 1 =X\n", 4097, false, 0},
        {"a kind no message asks for", "sonvale-owed 1\ndevice 4097\nnext 9\nstrayed 0\nmayhold *\nowe 5 7 1 1 =X\n",
         4097, false, 0},
        {"a broken escape in a name", "sonvale-owed 1\ndevice 4097\nnext 9\nstrayed 0\nmayhold =%4\n", 4097, false, 0},
        {"another program's file", "[ports]\ninput=x\n", 4097, false, 0},
        {"an empty file", "", 4097, false, 0},
    };
    for (const Case& c : cases) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << c.text;
        CAnswerLedger ledger;
        LedgerFault problem;
        EXPECT_EQ(ledger.Load(path, c.device, problem), c.readable) << c.what;
        EXPECT_EQ(problem.kind, c.readable ? LedgerFault::Kind::None : LedgerFault::Kind::Nonsense) << c.what;
        EXPECT_EQ(ledger.Owed(2), c.owedWrites) << c.what;
        // What cannot be read proves nothing: the console's next answers are unproven.
        EXPECT_EQ(ledger.Strayed(), !c.readable) << c.what;
        EXPECT_EQ(ledger.MayHold("Anything", 0), !c.readable || c.device != 4097) << c.what;
    }
    std::filesystem::remove_all(dir);
}

// Debts are paid oldest first by kind; an answer nobody is owed makes the console stray; a written
// entry may be held once its write was answered or while it is owed.
TEST(AnswerLedgerFile, AnswersPayTheOldestDebtOfTheirKind)
{
    CAnswerLedger ledger;
    ASSERT_TRUE(ledger.Parse(kTwoDebts));
    EXPECT_EQ(ledger.Text(), kTwoDebts);
    EXPECT_TRUE(ledger.MayHold("Fenwick Series", 0));
    EXPECT_FALSE(ledger.MayHold("Other", 0));
    const std::uint64_t own = ledger.Owe(2, "Other", 1);
    EXPECT_FALSE(ledger.MayHold("Other", own));
    EXPECT_TRUE(ledger.Pay(2));
    EXPECT_TRUE(ledger.Owes(own));
    EXPECT_TRUE(ledger.MayHold("Fenwick Series", own));
    EXPECT_TRUE(ledger.Pay(2));
    EXPECT_FALSE(ledger.Pay(2));
    EXPECT_TRUE(ledger.Strayed());
    EXPECT_EQ(ledger.Owed(1), 1U);
}
