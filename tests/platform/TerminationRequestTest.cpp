// Which termination signals ask the program to end at once, and the status its end then carries.
#include "platform/TerminationRequest.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <vector>

namespace {

using Meaning = CTerminationRequest::Meaning;

struct Arrival {
    int nSignal;
    bool bHonouring; // the program is waiting for an exchange to end when it comes
};

struct RequestCase {
    const char* name;
    std::vector<Arrival> arrivals;
    std::vector<Meaning> meanings;
    int exitStatus;
};

void PrintTo(const RequestCase& c, std::ostream* os) { *os << c.name; }

class TerminationRequest : public testing::TestWithParam<RequestCase> {};

TEST_P(TerminationRequest, EachSignalMeansWhatTheUserMeant)
{
    CTerminationRequest request;
    EXPECT_FALSE(request.IsRequested());
    std::vector<Meaning> meanings;
    for (const Arrival& arrival : GetParam().arrivals)
        meanings.push_back(request.Add(arrival.nSignal, arrival.bHonouring));
    EXPECT_EQ(meanings, GetParam().meanings);
    EXPECT_TRUE(request.IsRequested());
    EXPECT_EQ(request.ExitStatus(), GetParam().exitStatus);
}

INSTANTIATE_TEST_SUITE_P(
    Signals, TerminationRequest,
    testing::Values(
        RequestCase{"CtrlC", {{SIGINT, false}}, {Meaning::First}, 130},
        RequestCase{"CtrlCTwiceWhileWaiting", {{SIGINT, false}, {SIGINT, true}}, {Meaning::First, Meaning::Again}, 130},
        RequestCase{"TwoTogetherBeforeWaiting", {{SIGTERM, false}, {SIGTERM, false}}, {Meaning::First, Meaning::Same},
                    143},
        RequestCase{"SessionEndTermThenHangup", {{SIGTERM, false}, {SIGHUP, true}}, {Meaning::First, Meaning::Same},
                    143},
        RequestCase{"SessionEndHangupThenTerm", {{SIGHUP, false}, {SIGTERM, true}}, {Meaning::First, Meaning::Same},
                    129},
        RequestCase{"TermTwiceAfterHangup",
                    {{SIGHUP, false}, {SIGTERM, true}, {SIGTERM, true}},
                    {Meaning::First, Meaning::Same, Meaning::Again},
                    129},
        RequestCase{"HangupNeverAsksAgain",
                    {{SIGINT, false}, {SIGHUP, true}, {SIGHUP, true}},
                    {Meaning::First, Meaning::Same, Meaning::Same},
                    130},
        RequestCase{"KillAfterCtrlC", {{SIGINT, false}, {SIGTERM, true}}, {Meaning::First, Meaning::Again}, 130}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
