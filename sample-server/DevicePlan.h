#pragma once

#include <string>
#include <vector>

namespace tovik::sampleserver {

// A row of ATR_Nodes.
struct PlannedNode
{
    int id = 0;
    std::string name;
    std::string address;
    std::string type;
    std::string location;
};

// Which nodes a sample database has and which of them each CPU report polls.
class DevicePlan
{
public:
    // Every report polls the same nodes 1 to nodes, named for their site and role.
    static DevicePlan shared(int reports, int nodes);
    // As an installation watches them: each report its own kind of device, nodes of them (routers
    // in the first, switches in the second, firewalls in the third, and so on), and one router of
    // the first also in the third in place of its last firewall, as a device watched for two
    // reasons is. The first report's nodes are 1 to nodes, as in the shared plan.
    static DevicePlan ownDevices(int reports, int nodes);

    // In node_id order.
    const std::vector<PlannedNode> &nodes() const { return m_nodes; }
    // The node_ids the report-th CPU report polls, from 0 in report_id order; ascending.
    const std::vector<int> &polled(int report) const;

private:
    std::vector<PlannedNode> m_nodes;
    std::vector<std::vector<int>> m_polled;
};

} // namespace tovik::sampleserver
