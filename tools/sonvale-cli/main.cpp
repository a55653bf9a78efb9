#include <iostream>
#include <string_view>
#include <vector>

#include "CliApp.h"
#include "CliTermination.h"

int main(int argc, char** argv)
{
    // First of all, so that Ctrl+C in the first moments is obeyed like any other.
    (void)CCliTermination::Install();
    std::vector<std::string_view> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    CCliApp app(std::cout, std::cerr);
    const int status = ToInt(app.Run(args));
    std::cout.flush();
    return CCliTermination::ExitStatus(std::cout ? status : (status == 0 ? ToInt(CliExitCode::FileError) : status));
}
