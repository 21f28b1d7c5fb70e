#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tovik::sampleserver {

struct ServeOptions
{
    std::string dataDir;
    std::vector<std::string> listen;
    std::uint16_t port = 1433;
    std::string instance = "SNMPCONLINE";
    std::uint16_t browserPort = 1434;
    // user, password
    std::vector<std::pair<std::string, std::string>> logins;
    int delayMs = 0;
    // The first request of a connection (1-based) that the delay applies to.
    int delayFrom = 1;
    int dropAfter = 0;
    std::string logPath;
    // The language of logins that ask for none.
    std::string defaultLanguage = "us_english";
    // PEM files; with them a client may encrypt, with forceEncryption it must.
    std::string certificatePath;
    std::string keyPath;
    bool forceEncryption = false;
    // With a keytab, integrated (Kerberos) logins of the listed principals are accepted.
    std::string kerberosKeytab;
    std::vector<std::string> windowsLogins;
};

} // namespace tovik::sampleserver
