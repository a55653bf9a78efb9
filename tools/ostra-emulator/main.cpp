// ostra-emulator: an emulated console on the JACK graph, for tests and demonstrations.
#include <csignal>
#include <iostream>

#include "OstraClient.h"
#include "OstraConsole.h"
#include "OstraOptions.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;
COstraClient* g_pClient = nullptr;

void OnSignal(int)
{
    g_stop = 1;
    if (g_pClient)
        g_pClient->Wake(); // sem_post: safe in a signal handler
}

} // namespace

int main(int argc, char** argv)
{
    COstraOptions options;
    std::string error;
    if (!options.Parse(std::vector<std::string>(argv + 1, argv + argc), error)) {
        std::cerr << "ostra-emulator: " << error << "\n" << COstraOptions::Usage();
        return 2;
    }
    if (options.help) {
        std::cout << COstraOptions::Usage();
        return 0;
    }

    std::vector<COstraClient::PairSpec> pairs = {{options.portId, "Tarn", !options.untagged}};
    if (!options.secondType.empty())
        pairs.push_back({options.portId + 1, options.secondType, !options.untagged});

    COstraClient client;
    g_pClient = &client;
    struct sigaction action {};
    action.sa_handler = &OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    COstraConsole console(options, client, std::cout);
    if (!client.Open(options.clientName, pairs, error)) {
        std::cerr << "ostra-emulator: " << error << "\n";
        return 1;
    }
    std::cout << "ready: client " << client.ClientName() << ", pair " << options.portId << " Tarn";
    if (!options.secondType.empty())
        std::cout << ", pair " << options.portId + 1 << " " << options.secondType;
    if (options.untagged)
        std::cout << ", untagged";
    if (options.hostile)
        std::cout << ", hostile seed " << options.hostileSeed << " from message " << options.hostileFrom;
    std::cout << ", fault " << COstraOptions::FaultName(options.fault) << ", current entry \""
              << console.Current().name << "\"" << std::endl;

    auto wait = std::chrono::milliseconds(500);
    while (!g_stop) {
        client.Wait(wait);
        client.Drain([&](std::size_t pair, const std::uint8_t* pBytes, std::size_t count) {
            console.OnBytes(pair, pBytes, count);
        });
        console.ReportUnsent();
        wait = console.SendDue(std::chrono::milliseconds(500));
        std::cout.flush();
        if (client.ServerGone()) {
            std::cout << "the JACK server has shut down" << std::endl;
            return 1;
        }
    }
    std::cout << "stopped" << std::endl;
    g_pClient = nullptr;
    return 0;
}
