#include <iostream>
#include <string_view>
#include <vector>

#include "CliApp.h"

int main(int argc, char** argv)
{
    std::vector<std::string_view> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    CCliApp app(std::cout, std::cerr);
    const int status = ToInt(app.Run(args));
    std::cout.flush();
    return std::cout ? status : (status == 0 ? ToInt(CliExitCode::FileError) : status);
}
