#include "framework/CommandLineInfo.h"

void DispatchArguments(const std::vector<std::string>& args, CCommandLineInfo& info)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool flag = !arg.empty() && (arg[0] == '-' || arg[0] == '/');
        info.ParseParam(arg.c_str() + (flag ? 1 : 0), flag, i + 1 == args.size());
    }
}
