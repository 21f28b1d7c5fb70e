#include "CommandLine.h"
#include "SampleGenerator.h"
#include "Server.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <sqlite3.h>
#include <string>
#include <vector>

using namespace tovik::sampleserver;

namespace {

constexpr int kUsageError = 2;
constexpr int kRuntimeError = 1;

int usageError(const std::string &message)
{
    std::fprintf(
        stderr, "tovik-sample-server: %s\n%s", message.c_str(), CommandLine::usage().c_str());
    return kUsageError;
}

int serve(const std::vector<std::string> &arguments)
{
    const auto parsed = CommandLine::parseServe(arguments);
    if (!parsed.options)
        return usageError(parsed.error);
    // A client that disconnects while we write must not end the server.
    std::signal(SIGPIPE, SIG_IGN);
    Server server(*parsed.options);
    if (const auto error = server.start()) {
        std::fprintf(stderr, "tovik-sample-server: %s\n", error->c_str());
        return kRuntimeError;
    }
    std::printf("listening on %s\n", server.address().c_str());
    std::fflush(stdout);
    server.run();
    return kRuntimeError;
}

int generate(const std::vector<std::string> &arguments)
{
    const auto parsed = CommandLine::parseGenerate(arguments);
    if (!parsed.options)
        return usageError(parsed.error);
    SampleGenerator generator(*parsed.options);
    if (const auto error = generator.run()) {
        std::fprintf(stderr, "tovik-sample-server: %s\n", error->c_str());
        return kRuntimeError;
    }
    std::printf("%s\n", generator.summary().c_str());
    return 0;
}

bool asksForHelp(const std::vector<std::string> &arguments)
{
    return std::any_of(arguments.begin(), arguments.end(),
        [](const std::string &argument) { return argument == "--help" || argument == "-h"; });
}

int showHelp()
{
    std::printf("%s", CommandLine::usage().c_str());
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    // Each session's connection is used by one thread at a time; without memory statistics
    // SQLite takes no global lock for every allocation, which every session would contend for.
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty())
        return usageError("a command is needed");
    const std::string &command = arguments.front();
    const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    if (command == "--help" || command == "-h" || command == "help" || asksForHelp(rest))
        return showHelp();
    if (command == "serve")
        return serve(rest);
    if (command == "generate")
        return generate(rest);
    return usageError("unknown command '" + command + "'");
}
