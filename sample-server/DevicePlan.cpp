#include "DevicePlan.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace tovik::sampleserver {

namespace {

const std::array<const char *, 6> kSites {"ams", "fra", "lon", "par", "vie", "zrh"};
const std::array<const char *, 6> kCities {
    "Amsterdam", "Frankfurt", "London", "Paris", "Vienna", "Zurich"};
const std::array<const char *, 7> kRoles {
    "core-rtr", "edge-rtr", "dist-sw", "acc-sw", "fw", "wlc", "srv"};
const std::array<const char *, 7> kRoleNames {"Core router", "Edge router", "Distribution switch",
    "Access switch", "Firewall", "WLAN controller", "Server"};

// A kind of device with the places it stands in, named e.g. rtr-core-01.
struct DeviceKind
{
    const char *prefix;
    const char *type;
    std::array<const char *, 5> places;
};

const std::array<DeviceKind, 3> kKinds {{
    {"rtr", "Router", {"core", "wan", "branch", "dc", "edge"}},
    {"sw", "Switch", {"floor1", "floor2", "floor3", "floor4", "floor5"}},
    {"fw", "Firewall", {"edge", "dmz", "dc", "vpn", "branch"}},
}};
// The report of firewalls, which also polls a router.
constexpr int kFirewallReport = 2;
// rtr-edge-01 when the first report has that many routers.
constexpr int kSharedRouterIndex = 4;

std::string twoDigits(int number)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d", number);
    return text;
}

// Documentation ranges only (RFC 5737, then RFC 3849), so that no real device is named.
std::string nodeAddress(int index)
{
    if (index < 254)
        return "192.0.2." + std::to_string(index + 1);
    if (index < 508)
        return "198.51.100." + std::to_string(index - 253);
    if (index < 762)
        return "203.0.113." + std::to_string(index - 507);
    char text[40];
    std::snprintf(text, sizeof text, "2001:db8::%x", index + 1);
    return text;
}

PlannedNode siteNode(int index)
{
    const std::size_t site = static_cast<std::size_t>(index) % kSites.size();
    const std::size_t role = (static_cast<std::size_t>(index) / kSites.size()) % kRoles.size();
    const int sequence = index / static_cast<int>(kSites.size() * kRoles.size()) + 1;
    return {index + 1, std::string(kSites[site]) + "-" + kRoles[role] + "-" + twoDigits(sequence),
        nodeAddress(index), kRoleNames[role], kCities[site]};
}

// The ordinal-th device of a kind, from 0: the places in turn, then the next number.
PlannedNode kindNode(int id, const DeviceKind &kind, int ordinal)
{
    const std::size_t place = static_cast<std::size_t>(ordinal) % kind.places.size();
    const int sequence = ordinal / static_cast<int>(kind.places.size()) + 1;
    const std::size_t city = static_cast<std::size_t>(id - 1) % kCities.size();
    return {id, std::string(kind.prefix) + "-" + kind.places[place] + "-" + twoDigits(sequence),
        nodeAddress(id - 1), kind.type, kCities[city]};
}

} // namespace

DevicePlan DevicePlan::shared(int reports, int nodes)
{
    DevicePlan plan;
    std::vector<int> all;
    for (int index = 0; index < nodes; ++index) {
        plan.m_nodes.push_back(siteNode(index));
        all.push_back(index + 1);
    }
    plan.m_polled.assign(static_cast<std::size_t>(std::max(reports, 0)), all);
    return plan;
}

DevicePlan DevicePlan::ownDevices(int reports, int nodes)
{
    DevicePlan plan;
    for (int report = 0; report < reports; ++report) {
        const DeviceKind &kind = kKinds[static_cast<std::size_t>(report) % kKinds.size()];
        // A fourth report has routers again, numbered on from the first's.
        const int firstOrdinal = report / static_cast<int>(kKinds.size()) * nodes;
        const bool sharing = report == kFirewallReport && nodes > 0;
        std::vector<int> polled;
        if (sharing)
            polled.push_back(std::min(kSharedRouterIndex, nodes - 1) + 1);
        for (int index = 0; index < nodes - (sharing ? 1 : 0); ++index) {
            const int id = report * nodes + index + 1;
            plan.m_nodes.push_back(kindNode(id, kind, firstOrdinal + index));
            polled.push_back(id);
        }
        plan.m_polled.push_back(std::move(polled));
    }
    return plan;
}

const std::vector<int> &DevicePlan::polled(int report) const
{
    return m_polled.at(static_cast<std::size_t>(report));
}

} // namespace tovik::sampleserver
