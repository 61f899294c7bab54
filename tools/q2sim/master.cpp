#include "master.h"

#include <atomic>
#include <thread>

#include "socket.h"

namespace q2sim {

struct Master {
    Socket socket = kNoSocket;
    std::vector<std::string> datagrams;
    std::atomic<bool> stop{false};
    std::atomic<int> queries{0};
    std::thread thread;
};

namespace {

void ServeMaster(Master* master) {
    static const char kQuery[] = "query\n";
    char buffer[2048];
    while (!master->stop) {
        PollFd fd{};
        fd.fd = master->socket;
        fd.events = kPollIn;
        if (PollSockets(&fd, 1, 20000) <= 0) continue;  // wakes every 20 ms to see stop
        size_t got = 0;
        sockaddr_in from{};
        if (ReceiveFrom(master->socket, buffer, sizeof buffer, &got, &from) != IoResult::Done) continue;
        if (got != sizeof kQuery - 1 || std::string(buffer, got) != kQuery) continue;
        for (const std::string& datagram : master->datagrams)
            SendTo(master->socket, datagram.data(), datagram.size(), from);
        ++master->queries;
    }
}

}  // namespace

Master* StartMaster(const std::string& reply, std::string* error) {
    return StartMasterDatagrams({reply}, error);
}

Master* StartMasterDatagrams(const std::vector<std::string>& datagrams, std::string* error) {
    std::string why;
    if (!NetStartup(1)) {
        if (error) *error = "the socket layer did not start";
        return nullptr;
    }
    Master* master = new Master;
    master->datagrams = datagrams;
    master->socket = OpenUdp(0, &why);
    if (master->socket == kNoSocket) {
        if (error) *error = why;
        delete master;
        NetCleanup();
        return nullptr;
    }
    master->thread = std::thread(ServeMaster, master);
    return master;
}

uint16_t MasterPort(const Master* master) { return LocalPort(master->socket); }

int MasterQueryCount(const Master* master) { return master->queries; }

void StopMaster(Master* master) {
    if (!master) return;
    master->stop = true;
    master->thread.join();
    CloseSocket(master->socket);
    delete master;
    NetCleanup();
}

std::string MasterReply(const std::vector<uint16_t>& loopbackPorts) {
    std::string reply = "\xFF\xFF\xFF\xFFservers ";
    for (uint16_t port : loopbackPorts) {
        const char record[6] = {127, 0, 0, 1, static_cast<char>(port >> 8), static_cast<char>(port & 0xFF)};
        reply.append(record, sizeof record);
    }
    return reply;
}

}  // namespace q2sim
