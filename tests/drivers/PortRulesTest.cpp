#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PortCatalog.h"
#include "PortRules.h"

namespace {

TEST(PortRulesTest, WildcardsMatchWholeNames)
{
    struct Case {
        const char* pattern;
        const char* name;
        bool matches;
    };
    const Case cases[] = {
        {"a2j:Console [20] (capture): MIDI 1", "a2j:Console [20] (capture): MIDI 1", true},
        {"a2j:Console [*] (capture): MIDI 1", "a2j:Console [131] (capture): MIDI 1", true},
        {"a2j:Console [*] (capture): MIDI 1", "a2j:Console [20] (playback): MIDI 1", false},
        {"a2j:Console [2?] (capture): MIDI 1", "a2j:Console [21] (capture): MIDI 1", true},
        {"a2j:Console [2?] (capture): MIDI 1", "a2j:Console [2] (capture): MIDI 1", false},
        {"*", "", true},
        {"*", "anything: at all", true},
        {"?", "", false},
        {"Pult ?:in", "Pult \xC3\xA4:in", true}, // "?" is one character, not one byte
        {"*:in", "Ostra:Tarn-1-in-x", false},     // the whole name, not a part of it
        {"Ostra:Tarn-1-in", "Ostra:Tarn-1-in ", false},
        {"*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
        {"**1", "Tarn-1", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CPortRules::Matches(c.pattern, c.name), c.matches) << c.pattern << " / " << c.name;
}

TEST(PortRulesTest, ParserKeepsCompleteSectionsAndNamesWhatIsWrong)
{
    struct Case {
        const char* text;
        std::size_t rules;
        const char* problem; // empty: none
        bool broken;
        const char* input = nullptr; // the first rule's input, where it matters
        bool asked = false;          // the first rule was kept by the driver after asking
    };
    const Case cases[] = {
        {"", 0, "", false},
        // A byte-order mark, CR LF line ends, a comment after a value and after a section name.
        {"\xEF\xBB\xBF[one] ; the console\r\ntype=Tarn\r\nid=7\r\ninput = a:in ; its input\r\noutput=a:out#1\r\n",
         1, "", false, "a:in"},
        // Quotes keep blanks at either end, ";" after a blank, and escaped control characters.
        {"[one]\ntype=Tarn\nid=7\ninput = \" a:in ; \\\"x\\\"\\t\\x01\"  ; comment\noutput=a:out\n", 1, "", false,
         " a:in ; \"x\"\t\x01"},
        {"[one]\ntype=Tarn\nid=7\ninput = a\\in\noutput=a:out\n", 1, "", false, "a\\in"}, // a plain backslash
        {"[one]\ntype=Tarn\nid=7\nid=8\ninput=a:in\noutput=a:out\n", 0, "section [one] has more than one id", false},
        {"[one]\nTYPE=Tarn\nId=7\ninput=a:in\noutput=a:out\n", 1, "", false}, // keys in any case
        {"; only a comment\n\n# and another\n", 0, "", false},
        {"[one]\ntype = Tarn\nid = 7\ninput = a:in\noutput = a:out\n", 1, "", false},
        {"[one]\ntype=Tarn\nid=7\ninput=a:in\noutput=a:out\nfound = Asked\n", 1, "", false, "a:in", false},
        {"[one]\ntype=Tarn\nid=7\ninput=a:in\noutput=a:out\nfound = asked ; by the driver\n", 1, "", false, "a:in", true},
        {"[one]\ntype=Tarn\nid=1\ninput=a:in\noutput=a:out\n[two]\ntype=Tarn\nid=2\ninput=b:in\n", 1,
         "section [two] has no output; it is ignored", false},
        {"[one]\ntype=Tarn\nid=x1\ninput=a:in\noutput=a:out\n", 0, "section [one] has an id that is not", false},
        {"[one]\ntype=Tarnx\nid=1\ninput=a:in\noutput=a:out\n", 0, "type of other than four characters", false},
        {"[one]\ntype=Tarn\nid=4294967296\ninput=a:in\noutput=a:out\n", 0, "has an id that is not", false},
        {"type=Tarn\n[one]\n", 0, "line 1 stands before the first [section]", true},
        {"[one]\njust words\n", 0, "line 2 is neither [section] nor key = value", true},
        {"[one\n", 0, "line 1 opens a section without closing it", true},
        {"[one]\n[one]\n", 0, "line 2 names a section a second time", true},
        {"[A]\n[a]\n", 0, "line 2 names a section a second time", true}, // names in any case are one
        {"[a]x]\n[a]y]\n", 0, "line 1 has a bracket inside a section name", true},
        {"[one]\ninput = \"a:in\n", 0, "line 2 opens a quote without closing it", true},
        {"[one]\ninput = \"a\\q\"\n", 0, "line 2 has an escape in quotes other than", true},
        {"[one]\ninput = \"a\" b\n", 0, "line 2 has more after a value in quotes than a comment", true},
        {"[one]\ntype=T\xFFrn\n", 0, "it is not UTF-8 text", true},
    };
    for (const Case& c : cases) {
        const CPortRules rules = CPortRules::Parse(c.text, "ports.ini");
        EXPECT_EQ(rules.Rules().size(), c.rules) << c.text;
        EXPECT_EQ(rules.Broken(), c.broken) << c.text;
        if (c.input && !rules.Rules().empty()) {
            EXPECT_EQ(rules.Rules().front().input, c.input) << c.text;
            EXPECT_EQ(rules.Rules().front().asked, c.asked) << c.text;
        }
        if (c.problem[0] == '\0') {
            EXPECT_TRUE(rules.Problems().empty()) << c.text << " -> " << rules.Problems().front();
        } else {
            ASSERT_EQ(rules.Problems().size(), 1u) << c.text;
            EXPECT_NE(rules.Problems().front().find(c.problem), std::string::npos) << rules.Problems().front();
        }
    }
    const CPortRules zero = CPortRules::Parse(std::string_view("[a]\ntype=Ta\0n\n", 14), "ports.ini");
    EXPECT_TRUE(zero.Broken());
}

VornMidiPort Port(const char* name, bool input, const char* tagId = nullptr)
{
    VornMidiPort port;
    port.name = name;
    port.client = std::string(name).substr(0, std::string(name).find(':'));
    port.input = input;
    if (tagId) {
        port.tagId = tagId;
        port.tagType = "Xtra";
    }
    return port;
}

TEST(PortRulesTest, RulesTagPairsOfOneClientAndOwnTagsWin)
{
    const std::vector<VornPortRule> rules = {
        {"bridge", "Tarn", 3, "a2j:Console [*] (playback): in", "a2j:Console [*] (capture): out"},
        {"greedy", "Tarn", 4, "*:in", "*:out"},
        {"tagged", "Tarn", 5, "Ostra:in", "Ostra:out"},
        {"again", "Tarn", 6, "a2j:Console [2?] (playback): in", "a2j:Console [2?] (capture): out"},
    };
    std::vector<VornMidiPort> ports = {
        Port("a2j:Console [20] (playback): in", true), Port("a2j:Console [20] (capture): out", false),
        Port("Ostra:in", true, "9"), Port("Ostra:out", false, "9"),
        Port("Other:in", true), Port("Other:out", false),
    };
    std::vector<std::string> problems;
    CPortCatalog::ApplyRules(ports, rules, "ports.ini", problems);

    EXPECT_EQ(ports[0].rule, "bridge");
    EXPECT_EQ(ports[1].type, "Tarn");
    EXPECT_EQ(ports[1].id, 3u);
    EXPECT_EQ(ports[2].rule, "tagged"); // the rule matches, but the port's own tags decide
    EXPECT_EQ(ports[2].type, "Xtra");
    EXPECT_EQ(ports[3].id, 9u);
    EXPECT_FALSE(ports[4].id);
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_NE(problems[0].find("[greedy] matches ports of more than one client (Ostra, Other)"),
              std::string::npos) << problems[0];
    EXPECT_NE(problems[1].find("[again] matches the ports of the rule [bridge]"), std::string::npos) << problems[1];
}

TEST(PortRulesTest, EachProblemIsReportedOncePerProcess)
{
    testing::internal::CaptureStderr();
    CPortRules::ReportOnce({"ports.ini is broken: line 1", "ports.ini: section [a] has no id"});
    CPortRules::ReportOnce({"ports.ini is broken: line 1"});
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said, "vorn-jack: ports.ini is broken: line 1\nvorn-jack: ports.ini: section [a] has no id\n");
}

} // namespace
