#include "CommandLine.h"

#include "LoginLanguage.h"
#include "LoopbackAddress.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <system_error>

namespace tovik::sampleserver {

namespace {

// Options that take no value; apply() gets an empty one for them.
constexpr std::array<std::string_view, 2> kFlags {"--force-encryption", "--demo-marks"};

template<typename Options, typename Apply>
CommandLine::Parsed<Options> parseOptions(const std::vector<std::string> &arguments, Apply apply)
{
    Options options;
    for (std::size_t i = 0; i < arguments.size();) {
        const std::string &name = arguments[i];
        if (!name.starts_with("--"))
            return {std::nullopt, "unexpected argument '" + name + "'"};
        const bool flag = std::find(kFlags.begin(), kFlags.end(), name) != kFlags.end();
        if (!flag && i + 1 >= arguments.size())
            return {std::nullopt, name + " needs a value"};
        if (auto error = apply(options, name, flag ? std::string() : arguments[i + 1]))
            return {std::nullopt, *error};
        i += flag ? 1 : 2;
    }
    return {options, {}};
}

std::string integerError(const std::string &name, long long minimum, long long maximum)
{
    return name + " needs a whole number from " + std::to_string(minimum) + " to "
        + std::to_string(maximum);
}

template<typename T>
std::optional<std::string> setInteger(T &target, const std::string &name, const std::string &value,
    long long minimum, long long maximum)
{
    const auto parsed = CommandLine::parseInteger(value, minimum, maximum);
    if (!parsed)
        return integerError(name, minimum, maximum);
    target = static_cast<T>(*parsed);
    return std::nullopt;
}

std::optional<std::string> addLogin(ServeOptions &options, const std::string &value)
{
    const auto colon = value.find(':');
    if (colon == std::string::npos || colon == 0)
        return "--login needs USER:PASSWORD, got '" + value + "'";
    options.logins.emplace_back(value.substr(0, colon), value.substr(colon + 1));
    return std::nullopt;
}

std::optional<std::string> addListen(ServeOptions &options, const std::string &value)
{
    if (!LoopbackAddress::parse(value)) {
        return "--listen accepts loopback addresses only (127.0.0.0/8 or ::1), got '" + value + "'";
    }
    options.listen.push_back(value);
    return std::nullopt;
}

std::optional<std::string> setLanguage(ServeOptions &options, const std::string &value)
{
    const auto language = LoginLanguage::find(value);
    if (!language) {
        std::string known;
        for (const std::string &name : LoginLanguage::names())
            known += (known.empty() ? "" : ", ") + name;
        return "--default-language is one of " + known + ", got '" + value + "'";
    }
    options.defaultLanguage = language->name;
    return std::nullopt;
}

} // namespace

std::optional<long long> CommandLine::parseInteger(
    std::string_view text, long long minimum, long long maximum)
{
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < minimum
        || value > maximum)
        return std::nullopt;
    return value;
}

std::optional<std::time_t> CommandLine::parseLocalTime(const std::string &text)
{
    std::tm parts {};
    char rest = 0;
    const int fields = std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &parts.tm_year,
        &parts.tm_mon, &parts.tm_mday, &parts.tm_hour, &parts.tm_min, &parts.tm_sec, &rest);
    const bool inRange = parts.tm_mon >= 1 && parts.tm_mon <= 12 && parts.tm_mday >= 1
        && parts.tm_mday <= 31 && parts.tm_hour >= 0 && parts.tm_hour <= 23 && parts.tm_min >= 0
        && parts.tm_min <= 59 && parts.tm_sec >= 0 && parts.tm_sec <= 59;
    if (fields != 6 || !inRange)
        return std::nullopt;
    parts.tm_year -= 1900;
    parts.tm_mon -= 1;
    parts.tm_isdst = -1;
    const std::time_t time = std::mktime(&parts);
    if (time == static_cast<std::time_t>(-1))
        return std::nullopt;
    return time;
}

CommandLine::Parsed<ServeOptions> CommandLine::parseServe(const std::vector<std::string> &arguments)
{
    auto parsed = parseOptions<ServeOptions>(arguments, &CommandLine::applyServeOption);
    if (!parsed.options)
        return parsed;
    ServeOptions &options = *parsed.options;
    if (auto error = checkDataDir(options.dataDir, true))
        return {std::nullopt, *error};
    if (options.listen.empty())
        options.listen.push_back("127.0.0.1");
    if (options.logins.empty())
        options.logins.emplace_back("sa", "");
    if (options.certificatePath.empty() != options.keyPath.empty())
        return {std::nullopt, "--certificate and --key go together"};
    if (options.forceEncryption && options.certificatePath.empty())
        return {std::nullopt, "--force-encryption needs --certificate and --key"};
    if (!options.windowsLogins.empty() && options.kerberosKeytab.empty())
        return {std::nullopt, "--windows-login needs --kerberos-keytab"};
    return parsed;
}

std::optional<std::string> CommandLine::applyServeOption(
    ServeOptions &options, const std::string &name, const std::string &value)
{
    if (name == "--data")
        options.dataDir = value;
    else if (name == "--listen")
        return addListen(options, value);
    else if (name == "--port")
        return setInteger(options.port, name, value, 0, 65535);
    else if (name == "--instance")
        options.instance = value;
    else if (name == "--browser-port")
        return setInteger(options.browserPort, name, value, 0, 65535);
    else if (name == "--login")
        return addLogin(options, value);
    else if (name == "--delay-ms")
        return setInteger(options.delayMs, name, value, 0, 3600000);
    else if (name == "--delay-from")
        return setInteger(options.delayFrom, name, value, 1, 1000000000);
    else if (name == "--drop-after")
        return setInteger(options.dropAfter, name, value, 0, 1000000000);
    else if (name == "--log")
        options.logPath = value;
    else if (name == "--default-language")
        return setLanguage(options, value);
    else if (name == "--certificate")
        options.certificatePath = value;
    else if (name == "--key")
        options.keyPath = value;
    else if (name == "--force-encryption")
        options.forceEncryption = true;
    else if (name == "--kerberos-keytab")
        options.kerberosKeytab = value;
    else if (name == "--windows-login")
        options.windowsLogins.push_back(value);
    else
        return "unknown option " + name + " for serve";
    return std::nullopt;
}

CommandLine::Parsed<GenerateOptions> CommandLine::parseGenerate(
    const std::vector<std::string> &arguments)
{
    auto parsed = parseOptions<GenerateOptions>(arguments, &CommandLine::applyGenerateOption);
    if (!parsed.options)
        return parsed;
    if (auto error = checkDataDir(parsed.options->dataDir, false))
        return {std::nullopt, *error};
    return parsed;
}

std::optional<std::string> CommandLine::applyGenerateOption(
    GenerateOptions &options, const std::string &name, const std::string &value)
{
    if (name == "--data") {
        options.dataDir = value;
    } else if (name == "--layout") {
        if (value != "online" && value != "external")
            return "--layout is online or external, got '" + value + "'";
        options.layout = value == "online" ? SampleLayout::Online : SampleLayout::External;
    } else if (name == "--reports") {
        return setInteger(options.reports, name, value, 0, 1000);
    } else if (name == "--nodes") {
        return setInteger(options.nodes, name, value, 0, 1000000);
    } else if (name == "--hours") {
        return setInteger(options.hours, name, value, 0, 24 * 366);
    } else if (name == "--end") {
        options.end = parseLocalTime(value);
        if (!options.end)
            return "--end needs a local time 'YYYY-MM-DD HH:MM:SS', got '" + value + "'";
    } else if (name == "--seed") {
        return setInteger(options.seed, name, value, 0, std::numeric_limits<long long>::max());
    } else if (name == "--demo-marks") {
        options.demoMarks = true;
    } else {
        return "unknown option " + name + " for generate";
    }
    return std::nullopt;
}

std::optional<std::string> CommandLine::checkDataDir(const std::string &dataDir, bool mustExist)
{
    if (dataDir.empty())
        return std::string("--data DIR is required");
    std::error_code error;
    if (mustExist && !std::filesystem::is_directory(dataDir, error))
        return "--data " + dataDir + " is not a directory";
    return std::nullopt;
}

std::string CommandLine::usage()
{
    return "usage:\n"
           "  tovik-sample-server serve --data DIR [--listen ADDR]... [--port N] [--instance "
           "NAME]\n"
           "      [--browser-port N] [--login USER:PASSWORD]... [--delay-ms N] [--delay-from N]\n"
           "      [--drop-after N] [--log FILE] [--default-language NAME]\n"
           "      [--certificate FILE --key FILE [--force-encryption]]\n"
           "      [--kerberos-keytab FILE [--windows-login PRINCIPAL]...]\n"
           "    Answers SQL Server clients (TDS 7.2-7.4, TDS 8.0 with a certificate) on loopback\n"
           "    from DIR/<name>.sqlite.\n"
           "    --listen   loopback address, repeatable (default 127.0.0.1); --port 0 picks one\n"
           "    --browser-port  UDP port of the SQL Server Browser reply (default 1434, 0: off)\n"
           "    --login    accepted SQL login, repeatable (default: sa with an empty password)\n"
           "    --delay-ms waits before every reply; --delay-from N only from a connection's N-th\n"
           "               request on (PRELOGIN and LOGIN7 count), so that it can stall queries\n"
           "               after a prompt login; --drop-after N answers a connection's N-th\n"
           "               request and then closes it\n"
           "    --log      one line per request\n"
           "    --default-language  language of logins that name none (default us_english;\n"
           "               British, Deutsch and Fran"
           "\xC3\xA7"
           "ais read dashed dates as dmy)\n"
           "    --certificate, --key  PEM files: clients may encrypt the login or the whole\n"
           "               connection (TLS); without them the server offers no encryption\n"
           "    --force-encryption  every connection is encrypted; clients that cannot are\n"
           "               refused\n"
           "    --kerberos-keytab  accepts integrated (Kerberos) logins with the service keys in\n"
           "               FILE; --windows-login names a principal that may log in (alice@REALM)\n"
           "  tovik-sample-server generate --data DIR [--layout online|external] [--reports N]\n"
           "      [--nodes N] [--hours H] [--seed N] [--end 'YYYY-MM-DD HH:MM:SS'] [--demo-marks]\n"
           "    Writes a sample monitoring database (SNMPCONLINE.sqlite, and "
           "ATR_Report_<id>.sqlite\n"
           "    for the external layout).\n"
           "    --demo-marks  each CPU report its own N devices (routers, switches, firewalls),\n"
           "               rtr-edge-01 in the first and third; in the first node 2 misses\n"
           "               polls in some hours and node 3 reaches 75 % twice in some hours,\n"
           "               below it otherwise\n";
}

} // namespace tovik::sampleserver
